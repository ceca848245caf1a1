// The print preview benchmark: the main window at 1280 x 800 with the
// 18-curve standard set in its equations window, Accuracy 10. It measures,
// in one run, drawing the preview page (the page drawing recomputes every
// curve at the page's scale; the printer was measured once, when the
// dialog opened) against its baseline, a full recompute of the set in the
// graph window (stored drawings discarded, then a repaint), and prints a
// plain table of the ratio. Run it with QT_SCALE_FACTOR=2 for a device
// pixel ratio of 2.
#include "app/lcvprintdialog.h"
#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "graphwindow/graphwindow.h"
#include "settings/configuration.h"
#include "standardform.h"
#include "standardset.h"
#include "tablereporter.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

struct TPreviewWorld {
    std::unique_ptr<TLumacurveForm> form;
    TLCVPrintDialog* preview = nullptr; // a child of the form
    std::unique_ptr<standardset::TStandardSet> set;
};

TPreviewWorld* World = nullptr;

void MakeWorld()
{
    World = new TPreviewWorld;
    World->set = standardset::MakeStandardSet();
    World->form = MakeStandardSetForm(*World->set);
    World->preview = new TLCVPrintDialog(*World->form);
    World->preview->show(); // measures the printer, lays out and draws once
    QCoreApplication::processEvents();
}

void RegisterBenchmarks()
{
    benchmark::RegisterBenchmark("preview/page drawing", [](benchmark::State& state) {
        for (auto _ : state)
            World->preview->DrawPreview();
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("preview/baseline full recompute", [](benchmark::State& state) {
        TGraphWindow& graph = *World->form->GraphArea();
        for (auto _ : state) {
            graph.RedrawAll();
            graph.repaint();
        }
    })->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    MakeWorld();
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const QImage& picture = World->preview->PreviewPicture();
    std::printf("\ndevice pixel ratio %.1f, window 1280 x 800, preview %d x %d, printer measured %s\n",
                World->preview->devicePixelRatioF(), picture.width(), picture.height(),
                World->preview->PrinterMeasured() ? "once" : "never");
    std::printf("measure\tms\tbaseline_ms\tratio\n");
    const double m = reporter.Milliseconds("preview/page drawing");
    const double b = reporter.Milliseconds("preview/baseline full recompute");
    std::printf("preview\t%.3f\t%.3f\t%.2f\n", m, b, b > 0 ? m / b : 0.0);
    benchmark::Shutdown();
    World->form.reset();
    delete World;
    return 0;
}

// The graph window benchmark: the 18-curve standard set on a 1280 x 800
// window at Accuracy 10. It measures, in one run, a full repaint from the
// cached picture (baseline: copying a picture of the same size), a mouse
// move with its readout and curve hit tests for the pop-up, one trace step,
// and a change of scales that recomputes the whole set, with one worker and
// with one per core (baseline: replaying the set's cached drawing), and
// prints a plain table. Run it with
// QT_SCALE_FACTOR=2 for a device pixel ratio of 2.
//
// With LUMACURVE_GRAPHWINDOW_SHOTS set to a folder it only saves
// screenshots there: the set with a selected curve, a trace marker and the
// pop-up equation, grabbed from the window.
#include "graphwindow/equationdisplayform.h"
#include "graphwindow/graphwindow.h"
#include "plot/plotworkers.h"
#include "plot/tracemarker.h"
#include "setwindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

using setwindow::Height;
using setwindow::Width;
// The cubic y = x^3 - 3x is selected and traced; the pointer rests on y = sin x.
constexpr int TracedLine = 6;

setwindow::TWindowWorld* World = nullptr;

void MakeWorld()
{
    World = setwindow::MakeWorld();
}

void SendMove(QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, World->window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(World->window.get(), &move);
}

void SendClick(QPoint at)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, World->window->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(World->window.get(), &event);
    }
}

// Selects the cubic, traces it at x = 1.2 and rests the pointer on y = sin x.
void SetTheScene()
{
    TGraphWindow& window = *World->window;
    const TAxes& axes = *window.Params().Axes;
    const QPoint onCubic = axes.ValueToPixel(1.2L, 1.2L * 1.2L * 1.2L - 3 * 1.2L);
    window.SetTraceMode(true);
    SendClick(onCubic);
    SendClick(onCubic);
    QCoreApplication::processEvents(); // pending enter and leave events first
    SendMove(axes.ValueToPixel(-5.5L, std::sin(-5.5L)));
}

int SaveShots(const char* folder)
{
    SetTheScene();
    const qreal ratio = World->window->devicePixelRatioF();
    const QString name = QStringLiteral("%1/graphwindow-%2x-%3.png")
                             .arg(QString::fromLocal8Bit(folder))
                             .arg(ratio)
                             .arg(QGuiApplication::platformName());
    World->window->repaint();
    const bool saved = World->window->grab().save(name);
    std::printf("%s %s (selected %d, trace %s, pop-up line %d)\n", saved ? "saved" : "could not save",
                name.toLocal8Bit().constData(), World->window->SelectedIndex(),
                World->window->TraceShown() ? "shown" : "none",
                World->window->EquationDisplay()->ShownIndex());
    return saved ? 0 : 1;
}

// The workers one per core gives (at least 2, so that the two rows differ on any machine).
int WorkersOfCores()
{
    SetPlotWorkerCount(0);
    return std::max(2, PlotWorkerCount());
}

std::string ScaleChangeName(int workers)
{
    return "scales/change recomputing the set, " + std::to_string(workers) +
           (workers == 1 ? " worker" : " workers");
}

void RegisterBenchmarks()
{
    benchmark::RegisterBenchmark("repaint/from cached picture", [](benchmark::State& state) {
        World->window->repaint();
        for (auto _ : state)
            World->window->repaint();
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("repaint/baseline picture copy", [](benchmark::State& state) {
        const qreal ratio = World->window->devicePixelRatioF();
        QImage source(QSize(Width, Height) * ratio, QImage::Format_ARGB32_Premultiplied);
        source.fill(Qt::white);
        QImage target(source.size(), QImage::Format_ARGB32_Premultiplied);
        for (auto _ : state) {
            QPainter painter(&target);
            painter.drawImage(0, 0, source);
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("mouse move/readout and pop-up", [](benchmark::State& state) {
        const TAxes& axes = *World->window->Params().Axes;
        const QPoint points[] = {axes.ValueToPixel(-5.5L, std::sin(-5.5L)), axes.ValueToPixel(-6.3L, 5.7L),
                                 axes.ValueToPixel(0.5L, 0.25L), axes.ValueToPixel(3.7L, -4.1L)};
        int i = 0;
        for (auto _ : state)
            SendMove(points[i++ % 4]);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("trace/one step", [](benchmark::State& state) {
        World->window->SetTraceMode(true);
        SetTheScene();
        int i = 0;
        for (auto _ : state)
            World->window->StepTrace(i++ % 2 == 0 ? 1 : -1); // back and forth, never off the view
    })->Unit(benchmark::kMillisecond);
    // The scale change with one worker and with one per core, in wall time: the workers' processor time
    // is not this thread's.
    for (const int workers : {1, WorkersOfCores()}) {
        benchmark::RegisterBenchmark(ScaleChangeName(workers).c_str(),
                                     [workers](benchmark::State& state) {
                                         SetPlotWorkerCount(workers);
                                         int i = 0;
                                         for (auto _ : state) {
                                             const long double x = (i++ % 2) ? 8 : 8.5L;
                                             World->window->Params().SetScales(
                                                 std::make_unique<TRescaleDataTransfer>(-x, x, -5, 5),
                                                 World->window.get());
                                             World->window->repaint();
                                         }
                                         SetPlotWorkerCount(0);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("scales/baseline replay of the set", [](benchmark::State& state) {
        World->window->RedrawAll();
        World->window->repaint();
        for (auto _ : state) {
            World->window->LinesChanged(0);
            World->window->repaint();
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
    int result = 0;
    if (const char* folder = std::getenv("LUMACURVE_GRAPHWINDOW_SHOTS")) {
        result = SaveShots(folder);
    } else {
        SetTheScene();
        RegisterBenchmarks();
        benchmark::Initialize(&argc, argv);
        TTableReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const std::string oneWorker = ScaleChangeName(1) + "/real_time";
        const std::string coreWorkers = ScaleChangeName(WorkersOfCores()) + "/real_time";
        const setwindow::TTableRow rows[] = {
            {"full repaint", "repaint/from cached picture", "repaint/baseline picture copy"},
            {"mouse move", "mouse move/readout and pop-up", nullptr},
            {"trace step", "trace/one step", nullptr},
            {"scale change, 1 worker", oneWorker.c_str(), "scales/baseline replay of the set"},
            {"scale change, workers one per core", coreWorkers.c_str(), "scales/baseline replay of the set"},
        };
        setwindow::PrintTable(reporter, *World, rows);
        benchmark::Shutdown();
    }
    World->window.reset();
    delete World;
    return result;
}

// The dialogs benchmark: the 18-curve standard set on a 1280 x 800 graph
// window at Accuracy 10. It measures, in one run, the Rescale dialog's Apply
// with the recomputation it causes (baseline: SetScales and the same
// recomputation), and a repaint with 20 comment boxes on the graph
// (baseline: the same repaint without them), and prints a plain table. Run
// it with QT_SCALE_FACTOR=2 for a device pixel ratio of 2.
#include "graph/graphparams.h"
#include "graph/rescalemodel.h"
#include "graphwindow/graphwindow.h"
#include "plot/annotation.h"
#include "setwindow.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int CommentBoxes = 20;

setwindow::TWindowWorld* World = nullptr;

// Alternating scales, so that each change recomputes the whole set.
Extended Half(int i)
{
    return (i % 2) ? 8 : 8.5L;
}

TScaleEntries Entries(Extended x)
{
    return {std::make_unique<TRealReader>(-x), std::make_unique<TRealReader>(x),
            std::make_unique<TRealReader>(-5), std::make_unique<TRealReader>(5)};
}

// Twenty comment boxes spread over the graph, each with a formula in it.
void AddCommentBoxes()
{
    for (int i = 0; i < CommentBoxes; ++i) {
        auto box = std::make_unique<TAnnotation>(-9 + (i % 5) * 4, -4 + (i / 5) * 2.5L);
        if (!box->SetMarkup("Comment " + std::to_string(i + 1) + ": y=x{^{2}+{sqrt{4-x{^{2}}")) {
            std::fprintf(stderr, "the comment box text cannot be read\n");
            std::exit(1);
        }
        box->Measure();
        World->window->AddGraphObject(std::move(box));
    }
}

void RegisterBenchmarks()
{
    benchmark::RegisterBenchmark("apply/Rescale Apply and recomputation", [](benchmark::State& state) {
        TGraphWindow& window = *World->window;
        TRescaleModel model(window.Params(), &window);
        int i = 0;
        std::string message;
        for (auto _ : state) {
            TScaleEntries entries = Entries(Half(i++));
            if (model.Apply(entries, message) != TRescaleModel::TApplyResult::Applied)
                state.SkipWithError(message.c_str());
            window.repaint();
        }
        model.UndoApplied();
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("apply/baseline SetScales and recomputation", [](benchmark::State& state) {
        TGraphWindow& window = *World->window;
        int i = 0;
        for (auto _ : state) {
            const Extended x = Half(i++);
            window.Params().SetScales(std::make_unique<TRescaleDataTransfer>(-x, x, -5, 5), &window);
            window.repaint();
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("annotations/baseline repaint without", [](benchmark::State& state) {
        World->window->ClearGraphObjects();
        World->window->repaint();
        for (auto _ : state)
            World->window->repaint();
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("annotations/repaint with 20", [](benchmark::State& state) {
        World->window->ClearGraphObjects();
        AddCommentBoxes();
        World->window->repaint();
        for (auto _ : state)
            World->window->repaint();
        World->window->ClearGraphObjects();
    })->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    World = setwindow::MakeWorld();
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const setwindow::TTableRow rows[] = {
        {"Rescale Apply", "apply/Rescale Apply and recomputation",
         "apply/baseline SetScales and recomputation"},
        {"repaint, 20 comment boxes", "annotations/repaint with 20", "annotations/baseline repaint without"},
    };
    setwindow::PrintTable(reporter, *World, rows);
    benchmark::Shutdown();
    World->window.reset();
    delete World;
    return 0;
}

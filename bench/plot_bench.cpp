// The plotting benchmark: a standard set of curves drawn at Accuracy 10 onto
// a 1280 x 800 image at the default scales. For each curve it measures, in
// one run, recomputing and drawing it (plot), evaluating the same samples
// without drawing (eval_only, the baseline: the sampling and refinement of
// the plotter with no pixels, buffers or painting) and replaying its cached
// drawing (replay), then prints a plain table of the three in milliseconds,
// and the whole set drawn at once, also with the program's keyboard poller
// installed as it is while the program draws. The worker columns draw each
// curve alone, and the total row the whole set together, through the
// renderer with 1, 2 and N (one per core) worker threads computing the
// curves; the ratios against one worker close the table, with 4 workers too.
// Angles are in radians so that r = θ up to 20π and the poles of tan x fall
// where the set means them to. Set LUMACURVE_PLOT_BENCH_IMAGE to a file name
// to have the whole set saved there as a picture.
#include "expr/declarations.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "graph/graphparams.h"
#include "graph/linesource.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "plot/backgroundpicture.h"
#include "plot/formulacurve.h"
#include "plot/graphrenderer.h"
#include "plot/implicitfunction.h"
#include "plot/plotworkers.h"
#include "settings/configuration.h"
#include "standardset.h"
#include "tablereporter.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Width = 1280;
constexpr int Height = 800;

using TBenchCurve = standardset::TSetCurve;

// Everything the curves draw with, made once.
struct TBenchWorld {
    std::unique_ptr<TFixedScaleHost> host;
    std::unique_ptr<TGraphParams> params;
    QImage image;
    std::unique_ptr<Canvas> canvas;
    std::unique_ptr<standardset::TStandardSet> set;
    std::vector<TBenchCurve> curves;
};

TBenchWorld* World = nullptr;

void MakeWorld()
{
    World = new TBenchWorld;
    Configuration = DefaultConfiguration;
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    AngleFactor = RadiansFactor;
    World->host = std::make_unique<TFixedScaleHost>(Width, Height, QFont("DejaVu Sans", 10));
    World->params = std::make_unique<TGraphParams>(World->host.get());
    World->image = QImage(Width, Height, QImage::Format_ARGB32_Premultiplied);
    World->image.fill(Qt::white);
    World->canvas = std::make_unique<Canvas>(&World->image);

    World->set = standardset::MakeStandardSet();
    World->curves = std::move(World->set->curves);
}

// ---- evaluation only: the plotter's sampling and refinement without pixels ----

void EvaluateRun(TCurvePLotter& curve, TXY& context, int start, int count, int n)
{
    context.CurrentCount = n;
    std::uint8_t previous = esNormal;
    for (int i = start; i <= start + count; ++i) {
        context.Parameter = static_cast<Extended>(i) / n;
        ResetStatus();
        curve.CalculatePoint(context);
        if (!context.Continuous) {
            context.Continuous = true;
            continue;
        }
        const std::uint8_t current = EvaluationStatus;
        if ((current == esNormal || previous == esNormal) && current != previous && current != esClamped &&
            previous != esClamped && current != 0) {
            if (i == start) {
                if (current == esStep || current == esPole)
                    ResetStatus();
            } else if (n < DrawingRefinementLimit) {
                EvaluateRun(curve, context, (i - 1) * 4, 4, n * 4);
                context.CurrentCount = n;
            }
        }
        previous = EvaluationStatus;
        benchmark::DoNotOptimize(context.X);
        benchmark::DoNotOptimize(context.Y);
    }
}

void EvaluateOnly(TBenchCurve& entry)
{
    TXY context(*World->params);
    entry.curve->InitContext(context);
    if (entry.implicit) {
        // The same scan with an invisible pen: every evaluation, no dots.
        TCanvasStateSaver saver(*World->canvas);
        World->canvas->SetPenStyle(TPenStyle::Clear);
        entry.curve->Draw(*World->canvas, context);
        return;
    }
    const bool tracking = Tracking;
    Tracking = true;
    FamilyStart();
    do {
        for (int part = 1; part <= context.PartCount; ++part) {
            entry.curve->SelectPart(context, part);
            EvaluateRun(*entry.curve, context, context.StartIndex, context.SampleCount - context.StartIndex,
                        context.SampleCount);
        }
    } while (FamilyNext());
    Tracking = tracking;
    ResetStatus();
}

void Plot(TBenchCurve& entry)
{
    entry.curve->DiscardLineStore();
    entry.curve->DrawOnGraph(*World->canvas, *World->params);
}

void Replay(TBenchCurve& entry)
{
    entry.curve->DrawOnGraph(*World->canvas, *World->params);
}

// The lines the renderer draws, borrowed from the set.
using TBenchLines = TChosenLines;

// Computes afresh and draws one curve (entry), or the whole set (nullptr), through the renderer with workers.
void PlotWithWorkers(TBenchCurve* entry, int workers)
{
    TBenchLines lines;
    for (TBenchCurve& curve : World->curves)
        if (!entry || &curve == entry) {
            curve.curve->DiscardLineStore();
            lines.lines.push_back(curve.curve.get());
        }
    SetPlotWorkerCount(workers);
    (void)TGraphRenderer().DrawLines(*World->canvas, *World->params, &lines);
    SetPlotWorkerCount(0);
}

// The worker counts of the table's columns: 1, 2, N (the cores), and 4 for the closing ratio.
std::vector<int> WorkerCounts()
{
    std::vector<int> counts{1, 2};
    const int cores = std::max(1, QThread::idealThreadCount());
    if (cores > 2)
        counts.push_back(cores);
    if (cores != 4)
        counts.push_back(4);
    return counts;
}

// The name a worker benchmark is registered under, and (with the suffix
// wall-clock benchmarks get) reported under.
std::string WorkersName(int workers, const std::string& curve)
{
    return "workers" + std::to_string(workers) + "/" + curve;
}
std::string WorkersRun(int workers, const std::string& curve)
{
    return WorkersName(workers, curve) + "/real_time";
}

// ---- the table ----------------------------------------------------------------

void SaveSetImage(const char* file)
{
    QImage picture(Width, Height, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    {
        Canvas canvas(&picture);
        World->params->Axes->Draw(canvas, picture.rect());
        for (TBenchCurve& entry : World->curves) {
            entry.curve->DiscardLineStore();
            entry.curve->DrawOnGraph(canvas, *World->params);
        }
    }
    picture.save(file);
}

// Registers the drawing of entry (nullptr: the whole set) with workers, in
// wall-clock time: the work is done on the workers' threads.
void RegisterWorkers(TBenchCurve* entry, int workers, const std::string& name)
{
    benchmark::RegisterBenchmark(WorkersName(workers, name).c_str(),
                                 [entry, workers](benchmark::State& state) {
                                     for (auto _ : state)
                                         PlotWithWorkers(entry, workers);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    MakeWorld();

    for (TBenchCurve& entry : World->curves) {
        TBenchCurve* curve = &entry;
        benchmark::RegisterBenchmark(("plot/" + entry.name).c_str(), [curve](benchmark::State& state) {
            for (auto _ : state)
                Plot(*curve);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("eval_only/" + entry.name).c_str(), [curve](benchmark::State& state) {
            for (auto _ : state)
                EvaluateOnly(*curve);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("replay/" + entry.name).c_str(), [curve](benchmark::State& state) {
            Plot(*curve); // a complete cache to replay
            for (auto _ : state)
                Replay(*curve);
        })->Unit(benchmark::kMillisecond);
        for (int workers : WorkerCounts())
            RegisterWorkers(curve, workers, entry.name);
    }
    for (int workers : WorkerCounts())
        RegisterWorkers(nullptr, workers, "whole set");
    benchmark::RegisterBenchmark("plot/whole set", [](benchmark::State& state) {
        for (auto _ : state)
            for (TBenchCurve& entry : World->curves)
                Plot(entry);
    })->Unit(benchmark::kMillisecond);
    // As the program draws: with the keyboard polled between samples.
    benchmark::RegisterBenchmark("plot/whole set, keyboard polled", [](benchmark::State& state) {
        TKeyboardInterrupt keyboard;
        InstallDrawingInterrupt(&keyboard);
        for (auto _ : state)
            for (TBenchCurve& entry : World->curves)
                Plot(entry);
        InstallDrawingInterrupt(nullptr);
    })->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    if (const char* file = std::getenv("LUMACURVE_PLOT_BENCH_IMAGE"))
        SaveSetImage(file);

    // The worker columns: 1, 2 and N workers (the 4-worker measurement only goes into the ratios).
    const int cores = std::max(1, QThread::idealThreadCount());
    std::printf("\ncurve\tplot_ms\teval_only_ms\treplay_ms\t1 worker\t2 workers\tN workers (N = %d)\n",
                cores);
    double total[3] = {0, 0, 0};
    auto workerCells = [&](const std::string& name) {
        std::string cells;
        for (int workers : {1, 2, cores}) {
            char cell[32];
            std::snprintf(cell, sizeof cell, "\t%.3f", reporter.Milliseconds(WorkersRun(workers, name)));
            cells += cell;
        }
        return cells;
    };
    for (const TBenchCurve& entry : World->curves) {
        const double row[3] = {reporter.Milliseconds("plot/" + entry.name),
                               reporter.Milliseconds("eval_only/" + entry.name),
                               reporter.Milliseconds("replay/" + entry.name)};
        std::printf("%s\t%.3f\t%.3f\t%.3f%s\n", entry.name.c_str(), row[0], row[1], row[2],
                    workerCells(entry.name).c_str());
        for (int k = 0; k < 3; ++k)
            total[k] += row[k];
    }
    // The worker columns of the total row draw the whole set together, once.
    std::printf("total\t%.3f\t%.3f\t%.3f%s\n", total[0], total[1], total[2],
                workerCells("whole set").c_str());
    std::printf("\ncurve\tratio 2 workers / 1\tratio 4 workers / 1\n");
    auto ratio = [&](int workers, const std::string& name) {
        const double one = reporter.Milliseconds(WorkersRun(1, name));
        return one > 0 ? reporter.Milliseconds(WorkersRun(workers, name)) / one : 0.0;
    };
    for (const TBenchCurve& entry : World->curves)
        std::printf("%s\t%.2f\t%.2f\n", entry.name.c_str(), ratio(2, entry.name), ratio(4, entry.name));
    std::printf("whole set\t%.2f\t%.2f\n", ratio(2, "whole set"), ratio(4, "whole set"));

    std::printf("whole set\t%.3f\nwhole set, keyboard polled\t%.3f\n",
                reporter.Milliseconds("plot/whole set"),
                reporter.Milliseconds("plot/whole set, keyboard polled"));
    benchmark::Shutdown();
    World->canvas.reset();
    delete World;
    return 0;
}

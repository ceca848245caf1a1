// The costs of points and shapes against the first drawing of the drawing
// benchmarks' curve (y = 3 sin x + x²/10, Accuracy 10, 1001 samples, with its
// drawing cache recorded), measured in the same run:
//   - a joined list of 1000 points drawn for the first time;
//   - one step of a drag in the coordinate editor on a list of 100 points:
//     the row replaced (its display too) and the list drawn over a copy of
//     the graph's cached picture, the way the graph window repaints under
//     the editor; against a full recompute of the standard set of curves;
//   - the hover test over a list of 1000 rows as the mouse moves.
// The program ends with a table of the ratios and the goals they must meet.
#include "geometry/coordcurve.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "settings/configuration.h"

#include <QImage>

#include "benchcurve.h"
#include "benchmain.h"
#include "standardset.h"
#include "tablereporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// The drawing benchmarks' graph, with no draw mode bits.
struct TGraph : TBenchGraph {
    TGraph() { DrawMode = 0; }
};

// A list of n points round an ellipse filling most of the window, joined
// (closed and shaded when asked).
std::unique_ptr<TCoordCurve> Ellipse(int n, bool closed)
{
    auto list = std::make_unique<TCoordCurve>(dnCoordinates);
    for (int i = 0; i < n; ++i) {
        const Extended a = 2 * Pi * i / n;
        list->Points.Add(std::make_unique<TCoordinates>(6 * std::cos(a), 4 * std::sin(a)));
    }
    list->Closed = closed;
    list->SetSwitches(closed ? swShade : 0);
    list->RowsChanged();
    return list;
}

void Baseline(benchmark::State& state)
{
    TGraph graph;
    TBenchCurve curve(true);
    for (auto _ : state) {
        curve.DiscardLineStore();
        curve.DrawOnGraph(*graph.canvas, graph.params);
    }
}

void JoinedList1000(benchmark::State& state)
{
    TGraph graph;
    std::unique_ptr<TCoordCurve> list = Ellipse(1000, false);
    for (auto _ : state) {
        list->DiscardLineStore();
        list->DrawOnGraph(*graph.canvas, graph.params);
    }
}

void StandardSetRecompute(benchmark::State& state)
{
    TGraph graph;
    auto set = standardset::MakeStandardSet();
    for (auto _ : state) {
        for (auto& entry : set->curves) {
            entry.curve->DiscardLineStore();
            entry.curve->DrawOnGraph(*graph.canvas, graph.params);
        }
    }
}

// One drag step: the row's point replaced, then the list drawn over a copy of
// the cached picture. The two ways it was done before are measured too:
// wholeDisplay shows every row again (not only the changed one), and
// wholeWindow shades over the whole window (not only round the list).
void DragStep(benchmark::State& state, bool wholeDisplay, bool wholeWindow = false)
{
    TGraph graph;
    std::unique_ptr<TCoordCurve> list = Ellipse(100, true);
    list->DrawnByEditor = true;
    const QImage background = graph.image.copy();
    int step = 0;
    for (auto _ : state) {
        const Extended a = 0.01L * (step++ % 100);
        list->ReplaceRow(7, std::make_unique<TCoordinates>(6 * std::cos(a), 4 * std::sin(a)));
        if (wholeDisplay)
            list->RowsChanged();
        QImage shown = background;
        Canvas canvas(&shown);
        if (wholeWindow) {
            list->DrawnByEditor = false;
            list->DrawOnGraph(canvas, graph.params);
            list->DrawnByEditor = true;
        } else {
            list->DrawForEditor(canvas, graph.params);
        }
        benchmark::DoNotOptimize(shown.bits());
    }
}

void EditorDragStep100(benchmark::State& state)
{
    DragStep(state, false);
}

void EditorDragStep100WholeDisplay(benchmark::State& state)
{
    DragStep(state, true);
}

void EditorDragStep100Before(benchmark::State& state)
{
    DragStep(state, true, true);
}

void Hover1000(benchmark::State& state)
{
    TGraph graph;
    std::unique_ptr<TCoordCurve> list = Ellipse(1000, false);
    // Over no point: every row is tried.
    const QPoint pixel = graph.params.Axes->ValueToPixel(0, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(list->RowNear(*graph.params.Axes, pixel, 5));
}

// The first move after the rows or the scales changed works the pixels out again.
void Hover1000AfterAChange(benchmark::State& state)
{
    TGraph graph;
    std::unique_ptr<TCoordCurve> list = Ellipse(1000, false);
    const QPoint pixel = graph.params.Axes->ValueToPixel(0, 0);
    for (auto _ : state) {
        list->Recalculate();
        benchmark::DoNotOptimize(list->RowNear(*graph.params.Axes, pixel, 5));
    }
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(JoinedList1000)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(StandardSetRecompute)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(EditorDragStep100)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(EditorDragStep100WholeDisplay)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(EditorDragStep100Before)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Hover1000)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(Hover1000AfterAChange)->Unit(benchmark::kMillisecond)->Repetitions(3);

void PrintTable(const TTableReporter& reporter)
{
    const double baseline = reporter.Milliseconds("Baseline/repeats:3");
    const double set = reporter.Milliseconds("StandardSetRecompute/repeats:3");
    if (baseline <= 0 || set <= 0) {
        std::printf("\nNo baseline: no table.\n");
        return;
    }
    struct TRow {
        const char* what;
        const char* run;
        double reference;
        const char* against;
        double goal;
    };
    const TRow rows[] = {
        {"1000-point joined list, first drawing", "JoinedList1000", baseline, "baseline", 1.2},
        {"editor drag step, 100 points", "EditorDragStep100", set, "standard set", 0.1},
        {"  every row shown again", "EditorDragStep100WholeDisplay", set, "standard set", 0.1},
        {"  before: and shaded over the window", "EditorDragStep100Before", set, "standard set", 0.1},
        {"hover over 1000 rows", "Hover1000", baseline, "baseline", 0.3},
        {"  first move after a change", "Hover1000AfterAChange", baseline, "baseline", 0.3},
    };
    std::printf("\nbaseline: first drawing of y = 3 sin x + x^2/10 at Accuracy 10: %.3f ms\n", baseline);
    std::printf("standard set: full recompute of its %s: %.3f ms\n", "18 curves", set);
    std::printf("%-40s %10s %10s %14s %6s  %s\n", "measure", "ms", "ratio", "against", "goal", "met");
    for (const TRow& row : rows) {
        const double time = reporter.Milliseconds(std::string(row.run) + "/repeats:3");
        const double ratio = time / row.reference;
        std::printf("%-40s %10.4f %10.3f %14s %6.2f  %s\n", row.what, time, ratio, row.against, row.goal,
                    ratio <= row.goal ? "yes" : "no");
    }
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}

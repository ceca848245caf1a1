// The cost of images: y = 3 sin x + x²/10 (radians, Accuracy 10, 1280 x 800)
// drawn as the benchmark curve, as a curve of its own (the parent), and as
// its image under a translation, a quarter turn, and ten repeats of a
// translation; then the hit test of an image against a replay of its parent.
// The program ends with a table of each as a multiple of the baseline's
// first drawing and of the parent's, measured in the same run.
#include "geometry/transformation.h"
#include "graph/axes.h"
#include "plot/formulacurve.h"

#include "benchcurve.h"
#include "benchmain.h"
#include "tablereporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using TGraph = TBenchGraph;

TEvaluatorPtr Number(Extended v)
{
    return std::make_unique<TConstantEvaluator>(v);
}

// The image of parent by a translation (x, y) or, with turn, a quarter turn about the origin.
std::unique_ptr<TTransformation> Image(TCurvePLotter& parent, bool turn, int repeats)
{
    std::vector<TTransformStepPtr> steps;
    if (turn) {
        steps.push_back(
            std::make_unique<TRotation>(Number(0.25L), 2 * Pi, std::make_unique<TCoordinates>(0, 0)));
    } else {
        auto vector = std::make_unique<TMatrix>(2, 1);
        vector->Set(1, 1, Number(0.5L));
        vector->Set(2, 1, Number(-0.5L));
        steps.push_back(std::make_unique<TMatrixTransform>(std::move(vector)));
    }
    return std::make_unique<TTransformation>(&parent, std::move(steps), repeats);
}

void Drawing(benchmark::State& state, TCurvePLotter& curve, TGraph& graph, bool replay)
{
    DrawMode = 0;
    curve.DrawOnGraph(*graph.canvas, graph.params);
    for (auto _ : state) {
        if (!replay)
            curve.DiscardLineStore();
        curve.DrawOnGraph(*graph.canvas, graph.params);
    }
}

void BaselineFirstDrawing(benchmark::State& state)
{
    TGraph graph;
    TBenchCurve curve(true);
    Drawing(state, curve, graph, false);
}
void BaselineReplay(benchmark::State& state)
{
    TGraph graph;
    TBenchCurve curve(true);
    Drawing(state, curve, graph, true);
}
void ParentFirstDrawing(benchmark::State& state)
{
    TGraph graph;
    TYofX parent(Formula(), rlEqual);
    Drawing(state, parent, graph, false);
}
void ParentReplay(benchmark::State& state)
{
    TGraph graph;
    TYofX parent(Formula(), rlEqual);
    Drawing(state, parent, graph, true);
}
void TranslatedFirstDrawing(benchmark::State& state)
{
    TGraph graph;
    TYofX parent(Formula(), rlEqual);
    auto image = Image(parent, false, 0);
    Drawing(state, *image, graph, false);
}
void TurnedFirstDrawing(benchmark::State& state)
{
    TGraph graph;
    TYofX parent(Formula(), rlEqual);
    auto image = Image(parent, true, 0);
    Drawing(state, *image, graph, false);
}
void TenRepeatsFirstDrawing(benchmark::State& state)
{
    TGraph graph;
    TYofX parent(Formula(), rlEqual);
    auto image = Image(parent, false, 10);
    Drawing(state, *image, graph, false);
}
// A click on the image, which maps back and asks the parent.
void ImageHitTest(benchmark::State& state)
{
    TGraph graph;
    TYofX parent(Formula(), rlEqual);
    auto image = Image(parent, false, 0);
    const QPoint pixel = graph.params.Axes->ValueToPixel(2.5L, 3 * std::sin(2.0L) + 0.4L - 0.5L);
    for (auto _ : state) {
        bool near = image->IsNearPoint(pixel, graph.params);
        benchmark::DoNotOptimize(near);
    }
}

BENCHMARK(BaselineFirstDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BaselineReplay)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParentFirstDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParentReplay)->Unit(benchmark::kMicrosecond);
BENCHMARK(TranslatedFirstDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(TurnedFirstDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(TenRepeatsFirstDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(ImageHitTest)->Unit(benchmark::kMicrosecond);

void PrintTable(const TTableReporter& t)
{
    auto at = [&](const char* name) { return t.Milliseconds(name) * 1000; };
    const double baseline = at("BaselineFirstDrawing");
    const double parent = at("ParentFirstDrawing");
    const double parentReplay = at("ParentReplay");
    if (baseline <= 0 || parent <= 0 || parentReplay <= 0) {
        std::printf("\nNo baseline: no table.\n");
        return;
    }
    const char* rows[] = {
        "BaselineFirstDrawing",   "BaselineReplay",     "ParentFirstDrawing",     "ParentReplay",
        "TranslatedFirstDrawing", "TurnedFirstDrawing", "TenRepeatsFirstDrawing", "ImageHitTest"};
    std::printf("\nImages of y = 3 sin x + x^2/10 at Accuracy 10 on a %d x %d image\n", BenchWidth,
                BenchHeight);
    std::printf("%-26s %12s %12s %12s %14s\n", "what (CPU time)", "microseconds", "x baseline", "x parent",
                "x parent replay");
    for (const char* row : rows)
        std::printf("%-26s %12.1f %12.2f %12.2f %14.2f\n", row, at(row), at(row) / baseline, at(row) / parent,
                    at(row) / parentReplay);
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}

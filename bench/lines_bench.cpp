// The cost of straight lines against one curve drawing: a tangent following
// the mouse (the tangent worked out from two evaluations of y = x², then its
// line drawn), and an intersection list searched again, as at every
// recalculation, for y = x² with y = x + 2. The baseline, measured in the
// same run, is the first drawing of the benchmark curve at Accuracy 10
// (1001 samples). The program ends with a table of each as a multiple of it.
#include "geometry/intersection.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"

#include "benchcurve.h"
#include "benchmain.h"
#include "tablereporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

TEvaluatorPtr Parabola(Extended shift)
{
    auto square = std::make_unique<TOperationEvaluator>(TOperation::Power, MakeVariable(vcX),
                                                        std::make_unique<TConstantEvaluator>(2));
    return std::make_unique<TOperationEvaluator>(TOperation::Add, std::move(square),
                                                 std::make_unique<TConstantEvaluator>(shift));
}

TEvaluatorPtr LineFormula()
{
    return std::make_unique<TOperationEvaluator>(TOperation::Add, MakeVariable(vcX),
                                                 std::make_unique<TConstantEvaluator>(2));
}

void Baseline(benchmark::State& state)
{
    TBenchGraph graph;
    TBenchCurve curve(true);
    DrawMode = 0;
    for (auto _ : state) {
        curve.DiscardLineStore();
        curve.DrawOnGraph(*graph.canvas, graph.params);
    }
}

// One mouse move: a new parameter, the tangent there, its line drawn.
void TangentMove(benchmark::State& state)
{
    TBenchGraph graph;
    TYofX parabola(Parabola(0), rlEqual);
    DrawMode = dmNoCache;
    Extended at = -2;
    for (auto _ : state) {
        at = at > 2 ? -2 : at + 0.01L;
        TTangent tangent(std::make_unique<TConstantEvaluator>(at), true, &parabola);
        tangent.DrawOnGraph(*graph.canvas, graph.params);
    }
    DrawMode = 0;
}

void IntersectionList(benchmark::State& state)
{
    TBenchGraph graph;
    TYofX parabola(Parabola(0), rlEqual);
    TYofX line(LineFormula(), rlEqual);
    TIntersectCurve intersection(&line, &parabola);
    for (auto _ : state) {
        intersection.RebuildList(&graph.params);
        benchmark::DoNotOptimize(intersection.Crossings().size());
    }
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(TangentMove)->Unit(benchmark::kMillisecond);
BENCHMARK(IntersectionList)->Unit(benchmark::kMillisecond);

void PrintTable(const TTableReporter& reporter)
{
    const double baseline = reporter.Milliseconds("Baseline");
    if (baseline <= 0) {
        std::printf("\nNo baseline time: no table.\n");
        return;
    }
    std::printf("\n%-34s %12s %12s\n", "operation", "milliseconds", "x baseline");
    for (const char* name : {"Baseline", "TangentMove", "IntersectionList"})
        std::printf("%-34s %12.3f %12.2f\n", name, reporter.Milliseconds(name),
                    reporter.Milliseconds(name) / baseline);
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}

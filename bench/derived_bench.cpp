// The cost of the curves computed from other curves, against one curve
// drawing: the gradient and area functions of y = 3 sin x + x²/10 (each
// beside its primary drawn alone), the solution of dy/dx = -x/y through
// (0, 2), a direction field of the same equation at Accuracy 1000 (drawn
// afresh at every repaint, as such fine fields are not stored), and the
// partial sums n = 1 to 10 of the series sin(nx)/n (beside the same term
// evaluations made alone). The baseline, measured in the same run, is the
// first drawing of the benchmark curve at Accuracy 10 (1001 samples). The
// program ends with a table of each as a multiple of its reference.
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/series.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"

#include "benchcurve.h"
#include "benchmain.h"
#include "tablereporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

TEvaluatorPtr Constant(Extended v)
{
    return std::make_unique<TConstantEvaluator>(v);
}

// -x/y
TEvaluatorPtr CircleSlope()
{
    auto minusX =
        std::make_unique<TOperationEvaluator>(TOperation::Multiply, Constant(-1), MakeVariable(vcX));
    return std::make_unique<TDivideEvaluator>(std::move(minusX), MakeVariable(vcY));
}

// sin(nx)/n
TEvaluatorPtr FourierTerm()
{
    auto angle =
        std::make_unique<TOperationEvaluator>(TOperation::Multiply, MakeVariable(vcN), MakeVariable(vcX));
    return std::make_unique<TDivideEvaluator>(std::make_unique<TFunctionEvaluator>(200, std::move(angle)),
                                              MakeVariable(vcN));
}

void PrimaryAlone(benchmark::State& state)
{
    TBenchGraph graph;
    TYofX primary(Formula(), rlEqual);
    FirstDrawings(state, primary, graph);
}

void GradientFunction(benchmark::State& state)
{
    TBenchGraph graph;
    TYofX primary(Formula(), rlEqual);
    TGradient gradient(&primary);
    FirstDrawings(state, gradient, graph);
}

void AreaFunction(benchmark::State& state)
{
    TBenchGraph graph;
    TYofX primary(Formula(), rlEqual);
    TArea area(Constant(0), &primary);
    FirstDrawings(state, area, graph);
}

void SolutionCurve(benchmark::State& state)
{
    TBenchGraph graph;
    TDifferentialEquation equation(CircleSlope());
    TDiffeqSolution solution(std::make_unique<TCoordinates>(0, 2), &equation);
    FirstDrawings(state, solution, graph);
}

// At Accuracy 1000 the field has 32,487 segments and is not stored: every
// repaint computes and draws it.
void DirectionField(benchmark::State& state)
{
    TBenchGraph graph;
    Configuration.Accuracy = 1000;
    TDifferentialEquation equation(CircleSlope());
    TDiffeqCompassPoints field(&equation);
    FirstDrawings(state, field, graph);
    Configuration.Accuracy = 10;
}

void SeriesOfTenSums(benchmark::State& state)
{
    TBenchGraph graph;
    TGenPowerSeries series(FourierTerm(), Constant(1), Constant(10));
    FirstDrawings(state, series, graph);
}

// The same terms evaluated alone: for each partial sum m = 1 ... 10, at each
// of the 1001 samples, the terms n = 1 ... m.
void SeriesTermsAlone(benchmark::State& state)
{
    TBenchGraph graph;
    TEvaluatorPtr term = FourierTerm();
    const TAxis& axis = *graph.params.Axes->XAxis;
    const int samples = TGraphParams::SamplePoints();
    for (auto _ : state) {
        Extended total = 0;
        for (int m = 1; m <= 10; ++m)
            for (int i = 0; i <= samples; ++i) {
                Variables.x = axis.Min + (axis.Max - axis.Min) * i / samples;
                Extended sum = 0;
                for (int k = 1; k <= m; ++k) {
                    Variables.n = k;
                    sum += SafeEvaluate(term.get());
                }
                total += sum;
            }
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(PrimaryAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(GradientFunction)->Unit(benchmark::kMillisecond);
BENCHMARK(AreaFunction)->Unit(benchmark::kMillisecond);
BENCHMARK(SolutionCurve)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectionField)->Unit(benchmark::kMillisecond);
BENCHMARK(SeriesTermsAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(SeriesOfTenSums)->Unit(benchmark::kMillisecond);

void PrintTable(const TTableReporter& reporter)
{
    const double baseline = reporter.Milliseconds("Baseline");
    const double primary = reporter.Milliseconds("PrimaryAlone");
    const double terms = reporter.Milliseconds("SeriesTermsAlone");
    if (baseline <= 0 || primary <= 0 || terms <= 0) {
        std::printf("\nA reference time is missing: no table.\n");
        return;
    }
    struct Row {
        const char* name;
        const char* reference;
        double referenceTime;
        const char* goal;
    };
    const Row rows[] = {
        {"Baseline", "Baseline", baseline, ""},
        {"PrimaryAlone", "Baseline", baseline, ""},
        {"GradientFunction", "PrimaryAlone", primary, "<= 1.3"},
        {"AreaFunction", "PrimaryAlone", primary, "<= 1.3"},
        {"SolutionCurve", "Baseline", baseline, "<= 8"},
        {"DirectionField", "Baseline", baseline, "<= 30"},
        {"SeriesTermsAlone", "Baseline", baseline, ""},
        {"SeriesOfTenSums", "SeriesTermsAlone", terms, "<= 1.2"},
    };
    std::printf("\n%-18s %12s %-18s %10s %8s\n", "operation", "milliseconds", "reference", "x ref", "goal");
    for (const Row& row : rows) {
        const double time = reporter.Milliseconds(row.name);
        std::printf("%-18s %12.3f %-18s %10.2f %8s\n", row.name, time, row.reference,
                    time / row.referenceTime, row.goal);
    }
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter); });
}

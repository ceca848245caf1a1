// The cost of drawing one curve, y = 3 sin x + x²/10 in radians, at
// Accuracy 10 (1001 samples) on a 1280 x 800 image, split into its parts:
// evaluating the formula, sampling (pixels, buffer, breaks), drawing the
// polylines, recording the drawing cache, and replaying the cache on a
// repaint. One iteration is one whole curve. The program ends with a table of
// the parts as shares of a first drawing, measured in the same run.
#include "expr/evaluator.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QGuiApplication>
#include <QImage>

#include "benchcurve.h"
#include "benchmain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int Width = BenchWidth;
constexpr int Height = BenchHeight;
using TGraph = TBenchGraph;

void Evaluation(benchmark::State& state)
{
    TGraph graph;
    TBenchCurve curve(true);
    const TAxis& axis = *graph.params.Axes->XAxis;
    const int n = TGraphParams::SamplePoints();
    for (auto _ : state) {
        for (int i = 0; i <= n; ++i) {
            Variables.x = axis.Min + static_cast<Extended>(i) / n * (axis.Max - axis.Min);
            ResetStatus();
            Extended y = SafeEvaluate(curve.Tree());
            benchmark::DoNotOptimize(y);
        }
    }
}

// A drawing pass with the given line flag and draw mode; the cache is
// dropped before each pass unless replaying.
void Pass(benchmark::State& state, bool drawLine, std::uint8_t mode, bool replay)
{
    TGraph graph;
    TBenchCurve curve(drawLine);
    DrawMode = mode;
    curve.DrawOnGraph(*graph.canvas, graph.params);
    for (auto _ : state) {
        if (!replay)
            curve.DiscardLineStore();
        curve.DrawOnGraph(*graph.canvas, graph.params);
    }
    DrawMode = 0;
}

void SamplingWithoutDrawing(benchmark::State& state)
{
    Pass(state, false, dmNoCache, false);
}
void DrawingUncached(benchmark::State& state)
{
    Pass(state, true, dmNoCache, false);
}
void FirstDrawing(benchmark::State& state)
{
    Pass(state, true, 0, false);
}
void Replay(benchmark::State& state)
{
    Pass(state, true, 0, true);
}

BENCHMARK(Evaluation)->Unit(benchmark::kMicrosecond);
BENCHMARK(SamplingWithoutDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawingUncached)->Unit(benchmark::kMicrosecond);
BENCHMARK(FirstDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(Replay)->Unit(benchmark::kMicrosecond);

// Keeps the real time per iteration of every benchmark (microseconds).
class TTableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

void PrintTable(const std::map<std::string, double>& t)
{
    auto at = [&](const char* name) {
        const auto it = t.find(name);
        return it == t.end() ? 0.0 : it->second;
    };
    const double evaluation = at("Evaluation");
    const double sampled = at("SamplingWithoutDrawing");
    const double drawn = at("DrawingUncached");
    const double first = at("FirstDrawing");
    const double replay = at("Replay");
    if (first <= 0) {
        std::printf("\nNo first-drawing time: no table.\n");
        return;
    }
    struct Row {
        const char* part;
        double microseconds;
    };
    const Row rows[] = {
        {"evaluation (1001 samples)", evaluation}, {"sampling (pixels, buffer)", sampled - evaluation},
        {"drawing (polylines)", drawn - sampled},  {"recording the cache", first - drawn},
        {"first drawing, total", first},           {"replay from the cache", replay},
    };
    std::printf("\nOne curve at Accuracy 10 on a %d x %d image\n", Width, Height);
    std::printf("%-28s %12s %18s\n", "part", "microseconds", "of first drawing");
    for (const Row& row : rows)
        std::printf("%-28s %12.1f %17.1f%%\n", row.part, row.microseconds, 100.0 * row.microseconds / first);
}

} // namespace

int main(int argc, char** argv)
{
    TTableReporter reporter;
    return RunDrawingBenchmarks(argc, argv, reporter, [&] { PrintTable(reporter.times); });
}

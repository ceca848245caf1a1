// The cost of straight lines against one curve drawing: a tangent following
// the mouse (the tangent worked out from two evaluations of y = x², then its
// line drawn), the same in the graph window while the button is held (the
// mouse move handled and the areas of the old and the new line repainted:
// the cached picture of the 18-curve standard set with the tangent drawn
// over it), and intersection
// lists searched again, as at every recalculation: y = x² with y = x + 2,
// and a family of five, y = x² + c for c = -2 ... 2, each with y = x + 2.
// The baseline, measured in the same run, is the first drawing of the
// benchmark curve at Accuracy 10 (1001 samples). The program ends with a
// table of each as a multiple of it.
#include "geometry/intersection.h"
#include "geometry/straightline.h"
#include "graph/axes.h"
#include "graph/linesource.h"
#include "graphwindow/graphwindow.h"
#include "mouse/mouselines.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"

#include "benchcurve.h"
#include "standardset.h"
#include "tablereporter.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

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

// The graph window with the standard set and y = x², placing a tangent to
// the parabola: the button is down, each iteration one move and one repaint.
void TangentMoveInWindow(benchmark::State& state)
{
    Configuration = DefaultConfiguration;
    Configuration.Accuracy = 10;
    Configuration.AutoAccuracy = false;
    Configuration.AngleFactor = RadiansFactor;
    PublishSettings();
    auto set = standardset::MakeStandardSet();
    TOwnedLines lines;
    for (auto& entry : set->curves)
        lines.lines.push_back(std::move(entry.curve));
    auto parabola = std::make_unique<TYofX>(Parabola(0), rlEqual);
    TCurvePLotter* curve = parabola.get();
    lines.lines.push_back(std::move(parabola));
    TGraphWindow window;
    window.resize(BenchWidth, BenchHeight);
    window.show();
    window.SetLineSource(&lines);
    window.EditedLineQuery = [curve](TCurvePLotter*& parent) {
        parent = curve;
        return true;
    };
    window.SetMouseModeCode(mmTangent);
    // The window is exposed, and draws, once the pending events are handled.
    QCoreApplication::processEvents();
    window.repaint();
    const TAxes& axes = *window.Params().Axes;
    const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons, long double x) {
        const QPoint at = axes.ValueToPixel(x, x * x);
        QMouseEvent event(type, at, window.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, -2);
    if (!dynamic_cast<TMouseTangent*>(window.ActiveTool())) {
        state.SkipWithError("the press did not start the tangent tool");
        return;
    }
    long double at = -2;
    for (auto _ : state) {
        at = at > 2 ? -2 : at + 0.01L;
        send(QEvent::MouseMove, Qt::LeftButton, at);
        // The areas the old and the new line cover are painted, as the
        // event loop paints them.
        QCoreApplication::processEvents();
    }
    send(QEvent::MouseButtonRelease, Qt::NoButton, at);
    window.SetLineSource(nullptr);
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

// Five lists, one for each member of the family y = x² + c, c = -2 ... 2.
void FamilyOfFiveLists(benchmark::State& state)
{
    TBenchGraph graph;
    TYofX line(LineFormula(), rlEqual);
    std::array<std::unique_ptr<TYofX>, 5> parabolas;
    std::array<std::unique_ptr<TIntersectCurve>, 5> lists;
    for (int c = -2; c <= 2; ++c) {
        parabolas[c + 2] = std::make_unique<TYofX>(Parabola(c), rlEqual);
        lists[c + 2] = std::make_unique<TIntersectCurve>(&line, parabolas[c + 2].get());
    }
    std::size_t found = 0;
    for (auto _ : state)
        for (auto& list : lists) {
            list->RebuildList(&graph.params);
            found += list->Crossings().size();
        }
    benchmark::DoNotOptimize(found);
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(TangentMove)->Unit(benchmark::kMillisecond);
BENCHMARK(TangentMoveInWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(IntersectionList)->Unit(benchmark::kMillisecond);
BENCHMARK(FamilyOfFiveLists)->Unit(benchmark::kMillisecond);

void PrintTable(const TTableReporter& reporter)
{
    const double baseline = reporter.Milliseconds("Baseline");
    if (baseline <= 0) {
        std::printf("\nNo baseline time: no table.\n");
        return;
    }
    std::printf("\n%-34s %12s %12s\n", "operation", "milliseconds", "x baseline");
    for (const char* name :
         {"Baseline", "TangentMove", "TangentMoveInWindow", "IntersectionList", "FamilyOfFiveLists"})
        std::printf("%-34s %12.3f %12.2f\n", name, reporter.Milliseconds(name),
                    reporter.Milliseconds(name) / baseline);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv); // the graph window is a widget
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable(reporter);
    return 0;
}

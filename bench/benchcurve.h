// The curve of the drawing benchmarks, y = 3 sin x + x²/10 sampled across
// the window as an explicit curve samples it: the one curve whose first
// drawing is the baseline other benchmarks measure themselves against, and
// the image it is drawn on.
#pragma once

#include "expr/evaluator.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QFont>
#include <QImage>

#include <benchmark/benchmark.h>

#include <memory>

inline constexpr int BenchWidth = 1280;
inline constexpr int BenchHeight = 800;

// A white 1280 x 800 image with the default scales, in radians, at Accuracy 10.
struct TBenchGraph {
    TBenchGraph()
        : host(BenchWidth, BenchHeight, QFont("DejaVu Sans", 10)), params(&host),
          image(BenchWidth, BenchHeight, QImage::Format_RGB32)
    {
        image.fill(Qt::white);
        canvas = std::make_unique<Canvas>(&image);
        AngleFactor = RadiansFactor;
        Configuration.Accuracy = 10;
    }
    TFixedScaleHost host;
    TGraphParams params;
    QImage image;
    std::unique_ptr<Canvas> canvas;
};

inline TEvaluatorPtr Formula()
{
    auto constant = [](Extended v) { return std::make_unique<TConstantEvaluator>(v); };
    auto x = [] { return MakeVariable(vcX); };
    auto sine = std::make_unique<TOperationEvaluator>(TOperation::Multiply, constant(3),
                                                      std::make_unique<TFunctionEvaluator>(200, x()));
    auto square = std::make_unique<TOperationEvaluator>(TOperation::Power, x(), constant(2));
    auto tenth = std::make_unique<TDivideEvaluator>(std::move(square), constant(10));
    return std::make_unique<TOperationEvaluator>(TOperation::Add, std::move(sine), std::move(tenth));
}

// y = f(x) across the window, as an explicit curve samples it.
class TBenchCurve : public TCurvePLotter {
public:
    explicit TBenchCurve(bool drawLine) : tree_(Formula()), drawLine_(drawLine) {}
    void InitContext(TXY& context) override { context.DrawLine = drawLine_; }
    void CalculatePoint(TXY& context) override
    {
        const TAxis& axis = *context.Axes->XAxis;
        const Extended x = axis.Min + context.Parameter * (axis.Max - axis.Min);
        Variables.x = x;
        context.X = x;
        context.Y = SafeEvaluate(tree_.get());
    }
    [[nodiscard]] TEvaluator* Tree() const { return tree_.get(); }

private:
    TEvaluatorPtr tree_;
    bool drawLine_;
};

// The first drawing of curve on graph, again and again.
inline void FirstDrawings(benchmark::State& state, TCurvePLotter& curve, TBenchGraph& graph)
{
    DrawMode = 0;
    for (auto _ : state) {
        curve.DiscardLineStore();
        curve.DrawOnGraph(*graph.canvas, graph.params);
    }
}

// The baseline of the drawing benchmarks: the benchmark curve's first drawing.
inline void Baseline(benchmark::State& state)
{
    TBenchGraph graph;
    TBenchCurve curve(true);
    FirstDrawings(state, curve, graph);
}

// The gradient function and the area function of a curve. Both are computed
// from their primary's points as the plotter samples it: the gradient is the
// slope of the chord from the previous point, plotted at the chord's middle;
// the area is the running trapezium sum from a start value, drawn in two runs
// outwards from that value. A point where the primary is undefined breaks
// both, and neither takes that point into a later chord or trapezium.
#pragma once

#include "expr/evaluator.h"
#include "geometry/handledcurve.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Description numbers of the lines these curves show.
enum : int { dnGradientFunction = 1, dnAreaFrom = 4 };

// The slope of the primary's chords, plotted at their middles.
class TGradient : public TDependentCurvePlotter {
public:
    explicit TGradient(TCurvePLotter* primary = nullptr);

    // Its line: the description "Gradient function".
    void SetGradientText();

    [[nodiscard]] std::uint32_t PropertyFlags() const override
    {
        return TDependentCurvePlotter::PropertyFlags() | 0x10000 | 0x2;
    }
    // Lives while the primary has tangents.
    [[nodiscard]] bool IsValid() const override;
    // The primary's sampling and parts; a gradient never shades.
    void InitContext(TXY& context) override;
    void SelectPart(TXY& context, int part) override;
    void CalculatePoint(TXY& context) override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    // Each scanned point takes its chord from one sample before, as a point asked alone.
    void FindCrossings(TCurvePLotter& other, const TGraphParams& params, std::vector<TRealPoint>& rounded,
                       std::vector<TRealPoint>& exact) override;

private:
    bool hasPrevious_ = false; // PrevX, PrevY hold a defined point of the primary
    bool scanning_ = false;    // a crossing search is asking for points
};

// The signed area under the primary from StartValue, by the trapezium rule.
// Under a curve y = f(x) its start is a handle on the x axis.
class TArea : public THandledCurve {
public:
    TArea(TEvaluatorPtr startValue, TCurvePLotter* primary = nullptr);
    ~TArea() override;

    TEvaluatorPtr StartValue; // where the area is 0 (owned)

    // Its line: the locked description "Area from " and a field holding the
    // start value, as the given markup or else as StartValue writes itself.
    void SetAreaText(const std::string& field = {});

    // Lives while the primary has tangents.
    [[nodiscard]] bool IsValid() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void InitContext(TXY& context) override;
    void SelectPart(TXY& context, int part) override;
    // One run forwards and one backwards from the start value, per family member.
    void Draw(Canvas& canvas, TXY& context) override;
    // In a drawing the running sum; asked alone, the area from the start value to the parameter.
    void CalculatePoint(TXY& context) override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;
    void WriteDefinition(TMathsWriter& writer) const override;

    // The points a drawing computes, in the order computed (window axes from
    // params, or off-screen ones): each run from the start value, as
    // separate lists where the line breaks. For crossing searches.
    [[nodiscard]] std::vector<std::vector<TRealPoint>> DrawnPoints(const TGraphParams* params);
    // Scanned along the points its drawing computes, from the start value.
    void FindCrossings(TCurvePLotter& other, const TGraphParams& params, std::vector<TRealPoint>& rounded,
                       std::vector<TRealPoint>& exact) override;

    // The parameter of the primary at the start value, NaN when it cannot be computed.
    [[nodiscard]] Extended StartParameter(TXY& context);

    // The start moves to where the handle was taken: the value the primary
    // has there, shown as the readout shows it.
    void DragPointMoved(TDragCustom* handle) override;

    // At most this many samples times N are taken between a start value
    // outside the window and the window's edge.
    static constexpr int MaximumLeadFactor = 100;

protected:
    [[nodiscard]] std::unique_ptr<TDragCustom> MakeHandle() override;

private:
    // One running sum step: the primary's point at context.Parameter.
    void Accumulate(TXY& context);
    // Starts a run: sum 0, no previous point.
    void StartRun();
    // Sums from u0 to the edge of the sampled range (off-screen samples are
    // computed, not drawn), then calls sample for each parameter fraction
    // inside the range, moving away from u0 in the given direction.
    template <class Sample> void Run(TXY& context, Extended u0, int direction, Sample&& sample);

    Extended area_ = 0;
    bool hasPrevious_ = false;
};

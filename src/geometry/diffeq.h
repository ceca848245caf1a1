// First-order differential equations dy/dx = f(x, y), the solution curves
// that follow their slope forwards and backwards from a point, and their
// direction fields. The equation itself draws nothing: it answers the slope
// at a point, and the solutions and fields under it do the drawing, each
// stepping on its own rather than sampling a parameter.
#pragma once

#include "geometry/coordinates.h"
#include "geometry/handledcurve.h"
#include "plot/formulacurve.h"
#include "plot/polylinestore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

// dy/dx = Formula(x, y).
class TDifferentialEquation : public TFormulaCurve {
public:
    explicit TDifferentialEquation(TEvaluatorPtr formula);

    [[nodiscard]] const char* KindName() const override { return "TDifferentialEquation"; }
    // Direction fields and solution curves apply.
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0x8004; }
    void Draw(Canvas& canvas, TXY& context) override
    {
        (void)canvas;
        (void)context;
    }
    [[nodiscard]] bool UsesLineStore() const override { return false; }
    [[nodiscard]] bool IsNear(TXYSearch& search) override
    {
        (void)search;
        return false;
    }
    // While selected, clicks on the graph place solution curves (mode 212).
    void ShowDragHandles(bool show) override;
    // At (context.X, context.Y): PrevY := the previous slope, PrevX := the slope.
    void CalculatePoint(TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    // Never part of an intersection.
    void FindCrossings(TCurvePLotter& other, const TGraphParams& params, std::vector<TRealPoint>& rounded,
                       std::vector<TRealPoint>& exact) override
    {
        (void)other, (void)params, (void)rounded, (void)exact;
    }
};

// The solution of its primary equation through ThroughPoint.
class TDiffeqSolution : public THandledCurve {
public:
    TDiffeqSolution(std::unique_ptr<TCoordinates> throughPoint, TCurvePLotter* primary = nullptr);
    ~TDiffeqSolution() override;

    std::unique_ptr<TCoordinates> ThroughPoint;

    // Lives while the primary offers solution curves.
    [[nodiscard]] bool IsValid() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    // Both passes from the point, per family member.
    void Draw(Canvas& canvas, TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    // Scanned along the points its drawing computes (both passes).
    void FindCrossings(TCurvePLotter& other, const TGraphParams& params, std::vector<TRealPoint>& rounded,
                       std::vector<TRealPoint>& exact) override;

    // The curve now passes through the handle's position.
    void DragPointMoved(TDragCustom* handle) override;

    // One pass ends after at most this many steps times N.
    static constexpr int MaximumStepFactor = 100;

    // Steps both passes from the point for the family member in force:
    // point is called with the pass (0 or 1) at its start and after every
    // step, context.X and context.Y holding the point; answering false ends
    // the whole drawing.
    void Trace(TXY& context, const std::function<bool(int pass)>& point);

protected:
    // A handle on the point the curve passes through.
    [[nodiscard]] std::unique_ptr<TDragCustom> MakeHandle() override;
};

// The direction field of its primary equation: short segments along the
// slope on a grid over the window.
class TDiffeqCompassPoints : public TDependentCurvePlotter {
public:
    explicit TDiffeqCompassPoints(TCurvePLotter* primary = nullptr);

    // Its line: the description "compass points".
    void SetCompassText();

    [[nodiscard]] bool IsValid() const override;
    // Only at Accuracy below 200; finer fields are recomputed at every repaint.
    [[nodiscard]] bool UsesLineStore() const override;
    void Draw(Canvas& canvas, TXY& context) override;
    void WriteDefinition(TMathsWriter& writer) const override;
    [[nodiscard]] bool IsNear(TXYSearch& search) override
    {
        (void)search;
        return false;
    }
    // Never part of an intersection.
    void FindCrossings(TCurvePLotter& other, const TGraphParams& params, std::vector<TRealPoint>& rounded,
                       std::vector<TRealPoint>& exact) override
    {
        (void)other, (void)params, (void)rounded, (void)exact;
    }

    // The grid of a field over a W x H pixel window for N samples: columns and rows.
    static void GridSize(int sampleCount, int& columns, int& rows);
};

// Segments drawn as separate pairs of points (a direction field's store).
class TSegmentStore : public TLineStore {
public:
    using TLineStore::TLineStore;
    void Replay(Canvas& canvas, TShadingBitmap& bitmap) const override;
    void DrawLines(Canvas& canvas) const override;
};

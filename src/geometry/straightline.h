// Straight lines a user asks for without typing an equation: a fixed line
// given by angle and intercept (TStraightLine), a horizontal, vertical or
// origin line through a point (TLineThroughPoint), a segment from an axis or
// the origin to a point of a curve (TLineToCurve), and the tangent or normal
// of a curve at a parameter value (TTangent). They share one line form,
// angle and intercept, which draws steep and shallow lines alike without
// dividing by zero, and each draws only the part of its line that lies in
// the window, so that very different x and y scales cannot push its ends off.
#pragma once

#include "expr/evaluator.h"
#include "geometry/coordinates.h"
#include "plot/curveplotter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// An intercept of this value means there is no line (the undefined value).
inline constexpr Extended NoLineIntercept = 1e37L;

// Line kind codes: horizontal (from the y axis), vertical (from the x axis),
// through the origin.
enum : int { lkHorizontal = 406, lkVertical = 407, lkOrigin = 408 };

// Description numbers of the line words.
enum : int {
    dnTangentAt = 2,
    dnNormalAt = 3,
    dnHorizontalThrough = 7,
    dnVerticalThrough = 8,
    dnOriginThrough = 9,
    dnTo = 10,
    dnThrough = 11,
    dnAngle = 23,
    dnLine = 24,
    dnIntercept = 25,
    dnHorizontalTo = 29,
    dnVerticalTo = 30,
    dnOriginTo = 31,
};

// Angle and intercept. A shallow line (|Angle| < π/4) is y = Intercept +
// x·tan(Angle); a steep one is x = Intercept + y·cos(Angle)/sin(Angle).
struct TLineForm {
    Extended Angle = 0;
    Extended Intercept = NoLineIntercept;

    [[nodiscard]] bool Exists() const;
    [[nodiscard]] bool Shallow() const;
    // The point of the line at v along its tracing axis (x when shallow, y when steep).
    [[nodiscard]] TRealPoint PointAt(Extended v) const;
    // How far point lies from the line along the dependent axis (y when
    // shallow, x when steep), with sign.
    [[nodiscard]] Extended DistanceTo(const TRealPoint& point) const;
    // "Gradient = " and the gradient to 3 figures, or "infinite".
    [[nodiscard]] std::string GradientText() const;
};

// The line y = a + m·x.
[[nodiscard]] TLineForm LineFromGradient(Extended m, Extended a);
// The line x = a + m·y; its angle brought into (−π/2, π/2].
[[nodiscard]] TLineForm LineFromXGradient(Extended m, Extended a);
// The line through two points (the normal to it through their midpoint when
// normal is set); the evaluation status is left as it was.
[[nodiscard]] TLineForm LineThroughPoints(const TRealPoint& p1, const TRealPoint& p2, bool normal);
// The part [low, high] of the tracing axis over which line lies inside
// ranges; false when no part does.
[[nodiscard]] bool VisibleSpan(const TLineForm& line, const TAxisRanges& ranges, Extended& low,
                               Extended& high);
// Cuts the segment a-b to ranges; false when no part lies inside.
[[nodiscard]] bool ClipSegment(TRealPoint& a, TRealPoint& b, const TAxisRanges& ranges);
// The window's ranges widened by a hundredth on each side, so that a clipped
// line still reaches the window's edges once rounded to pixels.
[[nodiscard]] TAxisRanges WidenedRanges(const TAxes& axes);

// The drawing, tracing, hit test and distance of a line form, shared by the
// classes below whatever their base. A kind computes its line in ComputeLine,
// which runs for every drawing pass and every member of a family.
template <class Base> class TLineDrawing : public Base {
public:
    using Base::Base;

    TLineForm Line;

    // Computes Line for the family member in force.
    virtual void ComputeLine(const TXY& context) { (void)context; }

    // Samples the visible part of the line along its tracing axis.
    void InitContext(TXY& context) override;
    void SelectPart(TXY& context, int part) override;
    void CalculatePoint(TXY& context) override;
    // Within the plotter's tolerance across the line; shows the gradient.
    [[nodiscard]] bool IsNear(TXYSearch& search) override;
    [[nodiscard]] char VariableLetter(int index) const override;
    [[nodiscard]] Extended ParameterAt(Extended y, Extended x) override;
    [[nodiscard]] Extended ParameterStep(const TAxes& window) override;
    void SetParameterValue(TXY& context, Extended v) override;
    [[nodiscard]] Extended SignedDistance(const TRealPoint& point, int part) override;
    [[nodiscard]] bool MeasuresDistance() const override { return true; }

protected:
    // The sampled part of the tracing axis.
    Extended low_ = 0, high_ = 1;

private:
    void ChooseSpan(const TXY& context);
};

extern template class TLineDrawing<TCurvePLotter>;
extern template class TLineDrawing<TDependentCurvePlotter>;

class TStraightLine : public TLineDrawing<TDependentCurvePlotter> {
public:
    TStraightLine(Extended angle, Extended intercept, TCurvePLotter* parent = nullptr);
    // The line y = a + m·x; the line x = a + m·y.
    void SetFromGradient(Extended m, Extended a);
    void SetFromXGradient(Extended m, Extended a);
    // Makes the line "Line angle A<tab>intercept I", both with 10 figures.
    void SetLineText();

    [[nodiscard]] std::uint32_t PropertyFlags() const override { return 0x10000; }
    // A line under a curve lives while the curve has tangents; under a data
    // set (best fit) while it offers best fit.
    [[nodiscard]] bool IsValid() const override;
    void WriteDefinition(TMathsWriter& writer) const override;
};

class TLineThroughPoint : public TLineDrawing<TCurvePLotter> {
public:
    TLineThroughPoint(int kind, std::unique_ptr<TCoordinates> point);

    const int Kind;
    std::unique_ptr<TCoordinates> Point;

    void ComputeLine(const TXY& context) override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteDefinition(TMathsWriter& writer) const override;
};

class TLineToCurve : public TDependentCurvePlotter {
public:
    TLineToCurve(int kind, TEvaluatorPtr parameter, TCurvePLotter* parent);

    const int Kind;
    TEvaluatorPtr Parameter;

    // The segment as two samples, cut to the window.
    void InitContext(TXY& context) override;
    void SelectPart(TXY& context, int part) override;
    void CalculatePoint(TXY& context) override;
    // Never hit by the mouse.
    [[nodiscard]] bool IsNear(TXYSearch& search) override
    {
        (void)search;
        return false;
    }
    [[nodiscard]] bool IsValid() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteDefinition(TMathsWriter& writer) const override;

    // The segment for the family member in force, uncut; false when the
    // parent's point cannot be computed.
    [[nodiscard]] bool Ends(const TGraphParams* params, TRealPoint& onCurve, TRealPoint& other);

private:
    bool visible_ = false;
    TRealPoint a_, b_;
};

class TTangent : public TLineDrawing<TDependentCurvePlotter> {
public:
    TTangent(TEvaluatorPtr parameter, bool isTangent, TCurvePLotter* parent);

    TEvaluatorPtr Parameter;
    const bool IsTangent;

    // The tangent (or normal) at the value of Parameter.
    void ComputeLine(const TXY& context) override;
    [[nodiscard]] bool IsValid() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void WriteDefinition(TMathsWriter& writer) const override;
    // The parent's point at the value of Parameter (where the handle sits).
    [[nodiscard]] TRealPoint ContactPoint(const TGraphParams* params);
};

// The tangent (normal when not isTangent) of curve at its parameter value p,
// from the two points one plotting step either side; no line unless both
// are computed normally and differ. The evaluation status is left normal.
[[nodiscard]] TLineForm TangentLine(TCurvePLotter& curve, Extended p, bool isTangent,
                                    const TGraphParams* params);

// The line of a kind through a point: 406 horizontal, 407 vertical, 408
// through the origin.
[[nodiscard]] TLineForm LineOfKind(int kind, const TRealPoint& point);

// The markup of a fixed list of two fields, mask 1: the words, then the second field.
[[nodiscard]] std::string TwoFieldList(const std::string& words, const std::string& second);
// The markup of a curve's parameter name and " =" ("x =", "θ ="); empty
// for a curve without one.
[[nodiscard]] std::string ParameterName(const TCurvePLotter& curve);

// The value of a parameter formula, NaN when it cannot be computed.
[[nodiscard]] Extended FormulaValue(const TEvaluator* parameter);

// The segment from an axis or the origin (kind 406, 407 or 408) to curve's
// point at parameter p; false when that point cannot be computed.
[[nodiscard]] bool SegmentToCurve(TCurvePLotter& curve, int kind, Extended p, const TGraphParams* params,
                                  TRealPoint& onCurve, TRealPoint& other);

// The markup of the line a placing command starts (codes 212, 401 to 403, 406 to
// 408 and 411 to 413) under parent, with slot in its editable field; an
// empty slot leaves the field empty (an empty point for a line through one).
[[nodiscard]] std::string PlacingLineMarkup(int code, const TCurvePLotter* parent, const std::string& slot);

// The gradient text of a straight line, tangent or normal as it stands with
// params ("Gradient = " and the gradient, or "infinite"); empty for other
// objects and for a line that cannot be computed.
[[nodiscard]] std::string GradientTextOf(TEquationObject& object, const TGraphParams* params);

#include "geometry/straightline.h"

#include "formula/descriptions.h"
#include "formula/editor.h"
#include "geometry/derivedcurves.h"
#include "graph/graphparams.h"
#include "numbers/evalstate.h"
#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The markup of a description word (with its locked form).
std::string Word(int description)
{
    return std::string(DescriptionText(description, true));
}

} // namespace

std::string TwoFieldList(const std::string& words, const std::string& second)
{
    std::string text = "{fix ";
    text += static_cast<char>(2);
    text += static_cast<char>(1);
    text += "{" + words + "}{" + second + "}";
    return text;
}

namespace {

// N, the number of sample intervals of a drawing.
Extended SampleIntervalCount()
{
    return std::max(1, TGraphParams::SamplePoints());
}

} // namespace

std::string ParameterName(const TCurvePLotter& curve)
{
    const char letter = curve.VariableLetter(1);
    if (letter == 0)
        return {};
    TMathsWriter writer;
    if (letter == 'q') {
        TSpecialChar('q').WriteTo(writer);
        writer.WriteText(" =");
    } else {
        TStringEditObject(std::string(1, letter) + " =").WriteTo(writer);
    }
    return writer.TakeText();
}

namespace {

// The intercept of a line at angle through the point (x, y).
Extended InterceptThrough(Extended angle, Extended x, Extended y)
{
    TLineForm line{angle, 0};
    if (line.Shallow())
        return y - x * std::tan(angle);
    return x - y * std::cos(angle) / std::sin(angle);
}

} // namespace

// ---- the line form ----------------------------------------------------------------------

bool TLineForm::Exists() const
{
    return Intercept != NoLineIntercept && std::isfinite(Angle) && std::isfinite(Intercept);
}

bool TLineForm::Shallow() const
{
    return std::fabs(Angle) < Pi / 4;
}

TRealPoint TLineForm::PointAt(Extended v) const
{
    if (Shallow())
        return {v, Intercept + v * std::tan(Angle)};
    return {Intercept + v * std::cos(Angle) / std::sin(Angle), v};
}

Extended TLineForm::DistanceTo(const TRealPoint& point) const
{
    if (Shallow())
        return Intercept + point.x * std::tan(Angle) - point.y;
    return Intercept + point.y * std::cos(Angle) / std::sin(Angle) - point.x;
}

std::string TLineForm::GradientText() const
{
    if (std::fabs(std::fabs(Angle) - Pi / 2) < 1e-6L)
        return "Gradient = infinite";
    return "Gradient = " + FormatNumber(3, false, std::tan(Angle));
}

TLineForm LineFromGradient(Extended m, Extended a)
{
    TLineForm line;
    line.Angle = std::atan(m);
    line.Intercept = line.Shallow() ? a : -a / m;
    return line;
}

TLineForm LineFromXGradient(Extended m, Extended a)
{
    TLineForm line;
    line.Angle = Pi / 2 - std::atan(m);
    if (line.Angle > Pi / 2)
        line.Angle -= Pi;
    line.Intercept = line.Shallow() ? -a / m : a;
    return line;
}

TLineForm LineThroughPoints(const TRealPoint& p1, const TRealPoint& p2, bool normal)
{
    TLineForm line;
    line.Angle = p1.x != p2.x ? std::atan((p2.y - p1.y) / (p2.x - p1.x)) : Pi / 2;
    if (normal)
        line.Angle = line.Angle > 0 ? line.Angle - Pi / 2 : line.Angle + Pi / 2;
    line.Intercept = InterceptThrough(line.Angle, (p1.x + p2.x) / 2, (p1.y + p2.y) / 2);
    if (!std::isfinite(line.Intercept))
        line.Intercept = NoLineIntercept;
    return line;
}

TLineForm LineOfKind(int kind, const TRealPoint& point)
{
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return {};
    switch (kind) {
    case lkHorizontal:
        return {0, point.y};
    case lkVertical:
        return {Pi / 2, point.x};
    default:
        return LineThroughPoints({0, 0}, point, false);
    }
}

bool VisibleSpan(const TLineForm& line, const TAxisRanges& ranges, Extended& low, Extended& high)
{
    if (!line.Exists())
        return false;
    const bool shallow = line.Shallow();
    // The tracing axis, and the other axis the line must stay within.
    low = shallow ? ranges.XMin : ranges.YMin;
    high = shallow ? ranges.XMax : ranges.YMax;
    const Extended otherLow = shallow ? ranges.YMin : ranges.XMin;
    const Extended otherHigh = shallow ? ranges.YMax : ranges.XMax;
    const Extended slope = shallow ? std::tan(line.Angle) : std::cos(line.Angle) / std::sin(line.Angle);
    if (slope == 0) {
        if (line.Intercept < otherLow || line.Intercept > otherHigh)
            return false;
    } else {
        Extended a = (otherLow - line.Intercept) / slope;
        Extended b = (otherHigh - line.Intercept) / slope;
        if (a > b)
            std::swap(a, b);
        low = std::max(low, a);
        high = std::min(high, b);
    }
    return low <= high;
}

bool ClipSegment(TRealPoint& a, TRealPoint& b, const TAxisRanges& ranges)
{
    // Liang and Barsky: the parameter interval of a + t·(b - a) inside each edge.
    const Extended dx = b.x - a.x, dy = b.y - a.y;
    Extended t0 = 0, t1 = 1;
    const Extended p[4] = {-dx, dx, -dy, dy};
    const Extended q[4] = {a.x - ranges.XMin, ranges.XMax - a.x, a.y - ranges.YMin, ranges.YMax - a.y};
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(p[k]) || !std::isfinite(q[k]))
            return false;
        if (p[k] == 0) {
            if (q[k] < 0)
                return false;
            continue;
        }
        const Extended r = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
    }
    if (t0 > t1)
        return false;
    const TRealPoint start{a.x + t0 * dx, a.y + t0 * dy};
    const TRealPoint end{a.x + t1 * dx, a.y + t1 * dy};
    a = start;
    b = end;
    return true;
}

TAxisRanges WidenedRanges(const TAxes& axes)
{
    TAxisRanges r = axes.GetRanges();
    const Extended mx = (r.XMax - r.XMin) / 100;
    const Extended my = (r.YMax - r.YMin) / 100;
    r.XMin -= mx;
    r.XMax += mx;
    r.YMin -= my;
    r.YMax += my;
    return r;
}

Extended FormulaValue(const TEvaluator* parameter)
{
    if (!parameter)
        return std::numeric_limits<Extended>::quiet_NaN();
    TEvaluationStateSaver saver;
    const Extended v = ResetAndEvaluate(const_cast<TEvaluator*>(parameter));
    if (EvaluationStatus > esNormal || !std::isfinite(v))
        return std::numeric_limits<Extended>::quiet_NaN();
    return v;
}

TLineForm TangentLine(TCurvePLotter& curve, Extended p, bool isTangent, const TGraphParams* params)
{
    TLineForm line;
    if (std::isfinite(p)) {
        const TXY offScreen;
        const Extended h = curve.ParameterStep(params ? *params->Axes : *offScreen.Axes);
        // Both sides must be computed normally: a step or a pole between
        // them would give the chord across it, and equal points no direction.
        // Tracking makes the second evaluation report a divisor or a
        // whole-number part that changed sign or value since the first.
        const TSwitchScope tracking(Tracking, true);
        const TRealPoint p1 = curve.PointAtParameter(p - h, params);
        const bool first = EvaluationStatus == esNormal;
        const TRealPoint p2 = curve.PointAtParameter(p + h, params);
        const bool second = EvaluationStatus == esNormal;
        if (first && second && std::isfinite(h) && h != 0 && std::isfinite(p1.x) && std::isfinite(p1.y) &&
            std::isfinite(p2.x) && std::isfinite(p2.y) && (p1.x != p2.x || p1.y != p2.y))
            line = LineThroughPoints(p1, p2, !isTangent);
    }
    ResetStatus();
    return line;
}

// ---- drawing a line form --------------------------------------------------------------------

template <class Base> void TLineDrawing<Base>::ChooseSpan(const TXY& context)
{
    if (VisibleSpan(Line, WidenedRanges(*context.Axes), low_, high_) && low_ < high_)
        return;
    // Nothing of the line shows: sample the whole axis, which finds it off the screen.
    const TAxisRanges r = context.Axes->GetRanges();
    low_ = Line.Shallow() ? r.XMin : r.YMin;
    high_ = Line.Shallow() ? r.XMax : r.YMax;
}

template <class Base> void TLineDrawing<Base>::InitContext(TXY& context)
{
    Base::InitContext(context);
    ComputeLine(context);
    ChooseSpan(context);
}

template <class Base> void TLineDrawing<Base>::SelectPart(TXY& context, int)
{
    // Each family member has its own line.
    ComputeLine(context);
    ChooseSpan(context);
}

template <class Base> void TLineDrawing<Base>::CalculatePoint(TXY& context)
{
    if (!Line.Exists()) {
        SetStatus(esUndefined);
        context.Continuous = false;
        return;
    }
    const Extended u = context.Parameter;
    const TRealPoint point = Line.PointAt(u * high_ + (1 - u) * low_);
    context.X = point.x;
    context.Y = point.y;
}

template <class Base> bool TLineDrawing<Base>::IsNear(TXYSearch& search)
{
    if (!Line.Exists())
        return false;
    const Extended distance = std::fabs(Line.DistanceTo({search.SearchX, search.SearchY}));
    const bool near = distance < (Line.Shallow() ? search.ClipYMin : search.ClipXMin);
    if (near)
        ShowStatus(Line.GradientText(), false, true);
    return near;
}

template <class Base> char TLineDrawing<Base>::VariableLetter(int index) const
{
    const bool dependentY = Line.Shallow();
    if (index == 0)
        return dependentY ? 'y' : 'x';
    return dependentY ? 'x' : 'y';
}

template <class Base> Extended TLineDrawing<Base>::ParameterAt(Extended y, Extended x)
{
    return Line.Shallow() ? x : y;
}

template <class Base> Extended TLineDrawing<Base>::ParameterStep(const TAxes& window)
{
    const TAxisRanges r = window.GetRanges();
    return (Line.Shallow() ? r.XMax - r.XMin : r.YMax - r.YMin) / SampleIntervalCount();
}

template <class Base> void TLineDrawing<Base>::SetParameterValue(TXY& context, Extended v)
{
    context.Parameter = high_ != low_ ? (v - low_) / (high_ - low_) : 0;
}

template <class Base> Extended TLineDrawing<Base>::SignedDistance(const TRealPoint& point, int)
{
    if (!Line.Exists()) {
        SetStatus(esUndefined);
        return 0;
    }
    return Line.DistanceTo(point);
}

template class TLineDrawing<TCurvePLotter>;
template class TLineDrawing<TDependentCurvePlotter>;

// ---- TStraightLine --------------------------------------------------------------------------

TStraightLine::TStraightLine(Extended angle, Extended intercept, TCurvePLotter* parent)
{
    Line = {angle, intercept};
    PrimaryCurve = parent;
}

void TStraightLine::SetFromGradient(Extended m, Extended a)
{
    Line = LineFromGradient(m, a);
    DiscardLineStore();
}

void TStraightLine::SetFromXGradient(Extended m, Extended a)
{
    Line = LineFromXGradient(m, a);
    DiscardLineStore();
}

void TStraightLine::SetLineText()
{
    TElementList list(new TEditorObject);
    TEditorObject* last = list.get();
    auto add = [&last](TEditorObject* element) {
        last->next = element;
        last = element;
    };
    add(new TLockedDescription(dnLine));
    add(new TLockedDescription(dnAngle));
    add(new TStringEditObject(FormatNumber(10, false, Line.Angle)));
    add(new TEditTabObject);
    add(new TLockedDescription(dnIntercept));
    add(new TStringEditObject(FormatNumber(10, false, Line.Intercept)));
    SetElements(std::move(list));
}

bool TStraightLine::IsValid() const
{
    return !PrimaryCurve || PrimaryCurve->HasProperty(1) || PrimaryCurve->HasProperty(0x20000);
}

void TStraightLine::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText(Word(dnLine) + Word(dnAngle) + FormatNumber(10, false, Line.Angle) + "\t" +
                     Word(dnIntercept) + FormatNumber(10, false, Line.Intercept));
}

// ---- TLineThroughPoint ----------------------------------------------------------------------

TLineThroughPoint::TLineThroughPoint(int kind, std::unique_ptr<TCoordinates> point)
    : Kind(kind), Point(std::move(point))
{
}

void TLineThroughPoint::ComputeLine(const TXY&)
{
    Line = Point ? LineOfKind(Kind, Point->Point()) : TLineForm{};
}

bool TLineThroughPoint::DependsOn(std::string_view name) const
{
    return Point && Point->DependsOn(name);
}

void TLineThroughPoint::WriteDefinition(TMathsWriter& writer) const
{
    const int word = dnHorizontalThrough + (Kind - lkHorizontal);
    writer.WriteText(
        TwoFieldList(Word(word) + Word(dnThrough), Point ? PointMarkup(*Point) : std::string("{coords{}{}")));
}

// ---- TLineToCurve -----------------------------------------------------------------------------

TLineToCurve::TLineToCurve(int kind, TEvaluatorPtr parameter, TCurvePLotter* parent)
    : Kind(kind), Parameter(std::move(parameter))
{
    PrimaryCurve = parent;
}

bool TLineToCurve::Ends(const TGraphParams* params, TRealPoint& onCurve, TRealPoint& other)
{
    return PrimaryCurve &&
           SegmentToCurve(*PrimaryCurve, Kind, FormulaValue(Parameter.get()), params, onCurve, other);
}

bool SegmentToCurve(TCurvePLotter& curve, int kind, Extended p, const TGraphParams* params,
                    TRealPoint& onCurve, TRealPoint& other)
{
    if (!std::isfinite(p))
        return false;
    onCurve = curve.PointAtParameter(p, params);
    const bool computed =
        EvaluationStatus <= esNormal && std::isfinite(onCurve.x) && std::isfinite(onCurve.y);
    ResetStatus();
    if (!computed)
        return false;
    other = {kind == lkVertical ? onCurve.x : 0, kind == lkHorizontal ? onCurve.y : 0};
    return true;
}

void TLineToCurve::InitContext(TXY& context)
{
    context.SampleCount = context.CurrentCount = 1;
    context.StartIndex = 0;
    SelectPart(context, 1);
}

void TLineToCurve::SelectPart(TXY& context, int)
{
    // The segment is cut to the window before it is mapped, so that an end
    // far off (a steep curve, very different scales) cannot break it.
    visible_ = Ends(context.Params, a_, b_) && ClipSegment(a_, b_, WidenedRanges(*context.Axes));
}

void TLineToCurve::CalculatePoint(TXY& context)
{
    if (!visible_) {
        SetStatus(esUndefined);
        context.Continuous = false;
        return;
    }
    const TRealPoint& point = context.Parameter < 0.5L ? a_ : b_;
    context.X = point.x;
    context.Y = point.y;
}

bool TLineToCurve::IsValid() const
{
    return PrimaryCurve && PrimaryCurve->HasProperty(1);
}

bool TLineToCurve::DependsOn(std::string_view name) const
{
    return Parameter && Parameter->DependsOn(name);
}

void TLineToCurve::WriteDefinition(TMathsWriter& writer) const
{
    // The parameter stands in the second field, where entry reads it back.
    const int word = dnHorizontalTo + (Kind - lkHorizontal);
    writer.WriteText(TwoFieldList(Word(word) + Word(dnTo), TreeToMarkup(Parameter.get())));
}

// ---- TTangent -----------------------------------------------------------------------------------

TTangent::TTangent(TEvaluatorPtr parameter, bool isTangent, TCurvePLotter* parent)
    : Parameter(std::move(parameter)), IsTangent(isTangent)
{
    PrimaryCurve = parent;
}

void TTangent::ComputeLine(const TXY& context)
{
    Line = {};
    if (PrimaryCurve)
        Line = TangentLine(*PrimaryCurve, FormulaValue(Parameter.get()), IsTangent, context.Params);
}

bool TTangent::IsValid() const
{
    return PrimaryCurve && PrimaryCurve->HasProperty(1);
}

bool TTangent::DependsOn(std::string_view name) const
{
    return Parameter && Parameter->DependsOn(name);
}

void TTangent::WriteDefinition(TMathsWriter& writer) const
{
    std::string words = Word(IsTangent ? dnTangentAt : dnNormalAt);
    if (PrimaryCurve)
        words += ParameterName(*PrimaryCurve);
    writer.WriteText(TwoFieldList(words, TreeToMarkup(Parameter.get())));
}

TRealPoint TTangent::ContactPoint(const TGraphParams* params)
{
    if (!PrimaryCurve)
        return {};
    const TRealPoint point = PrimaryCurve->PointAtParameter(FormulaValue(Parameter.get()), params);
    ResetStatus();
    return point;
}

std::string PlacingLineMarkup(int code, const TCurvePLotter* parent, const std::string& slot)
{
    const std::string name = parent ? ParameterName(*parent) : std::string();
    switch (code) {
    case 401:
    case 402:
        return TwoFieldList(Word(code == 401 ? dnTangentAt : dnNormalAt) + name, slot);
    case 406:
    case 407:
    case 408:
        return TwoFieldList(Word(dnHorizontalThrough + (code - 406)) + Word(dnThrough),
                            slot.empty() ? std::string("{coords{}{}") : slot);
    case 411:
    case 412:
    case 413:
        return TwoFieldList(Word(dnHorizontalTo + (code - 411)) + Word(dnTo) + name, slot);
    case 403:
        return TwoFieldList(Word(dnAreaFrom) + name, slot);
    case 212:
        // A solution's line is the point it goes through.
        return slot.empty() ? std::string("{coords{}{}") : slot;
    default:
        return {};
    }
}

std::string GradientTextOf(TEquationObject& object, const TGraphParams* params)
{
    TLineForm line;
    if (auto* tangent = dynamic_cast<TTangent*>(&object)) {
        if (!tangent->PrimaryCurve)
            return {};
        line = TangentLine(*tangent->PrimaryCurve, FormulaValue(tangent->Parameter.get()), tangent->IsTangent,
                           params);
    } else if (auto* through = dynamic_cast<TLineThroughPoint*>(&object)) {
        if (through->Point)
            line = LineOfKind(through->Kind, through->Point->Point());
    } else if (auto* straight = dynamic_cast<TStraightLine*>(&object)) {
        line = straight->Line;
    }
    return line.Exists() ? line.GradientText() : std::string();
}

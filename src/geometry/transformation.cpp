#include "geometry/transformation.h"

#include "expr/declarations.h"
#include "expr/parser.h"
#include "expr/realreader.h"
#include "formula/descriptions.h"
#include "formula/elements.h"
#include "formula/markup.h"
#include "geometry/dragdescriptions.h"
#include "geometry/straightline.h"
#include "graph/axes.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "numbers/numerics.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "plot/formulacurve.h"
#include "plot/polylinebuffer.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

std::string Word(int description)
{
    return std::string(DescriptionText(description, true));
}

// A field list of count fields with layout mask, holding the given fields.
std::string FieldList(int mask, std::initializer_list<std::string> fields)
{
    std::string text = "{fix ";
    text += static_cast<char>(fields.size());
    text += static_cast<char>(mask);
    for (const std::string& field : fields)
        text += "{" + field + "}";
    return text;
}

// A number as a formula shows it: 10 figures, an exponent as a raised index.
std::string NumberMarkup(Extended v)
{
    return TRealReader(v).GetText(10, 0);
}

// "(x,y)" of a point, each coordinate rounded to what its axis shows.
std::string RoundedPointMarkup(const TAxes& axes, const TRealPoint& p)
{
    return "{coords{" + NumberMarkup(RoundForAxis(axes, 'x', p.x)) + "}{" +
           NumberMarkup(RoundForAxis(axes, 'y', p.y)) + "}";
}

// The rotation by theta radians.
TRealMatrix Turn(Extended theta)
{
    const Extended c = std::cos(theta), s = std::sin(theta);
    return TRealMatrix(c, -s, s, c);
}

} // namespace

bool StepValue(const TEvaluator* tree, Extended& value)
{
    if (!tree)
        return false;
    ResetStatus();
    value = SafeEvaluate(const_cast<TEvaluator*>(tree));
    const bool ok = !StatusFailed() && std::isfinite(value);
    ResetStatus();
    return ok;
}

void DrawConstructionDot(Canvas& canvas, const TGraphParams& params, const TRealPoint& point, TColour colour)
{
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return;
    const TCanvasStateSaver saver(canvas);
    const QPoint p = params.Axes->ValueToPixel(point.x, point.y);
    const int r = 3 * canvas.PrintPenFactor();
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetPenWidth(canvas.PrintPenFactor());
    canvas.SetPenColour(AdjustedColour(canvas, colour));
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.SetBrushColour(AdjustedColour(canvas, colour));
    canvas.Ellipse(p.x() - r, p.y() - r, p.x() + r + 1, p.y() + r + 1);
}

// ---- TTransform -------------------------------------------------------------------------------

TTransform::TTransform() : M(2, 2), T(TRealMatrix::Column(0, 0)) {}

TTransform::TTransform(const TRealMatrix& m, const TRealMatrix& t) : M(m), T(t) {}

TRealPoint TTransform::Apply(const TRealPoint& p) const
{
    return {M.Element(1, 1) * p.x + M.Element(1, 2) * p.y + T.Element(1, 1),
            M.Element(2, 1) * p.x + M.Element(2, 2) * p.y + T.Element(2, 1)};
}

bool TTransform::Invertible() const
{
    return std::fabs(Determinant()) >= SingularDeterminant;
}

bool TTransform::ApplyInverse(const TRealPoint& p, TRealPoint& result) const
{
    if (!Invertible())
        return false;
    const std::unique_ptr<TRealMatrix> inverse = M.Inverse();
    if (!inverse)
        return false;
    const TRealMatrix shifted = TRealMatrix::Column(p.x - T.Element(1, 1), p.y - T.Element(2, 1));
    const std::unique_ptr<TRealMatrix> back = inverse->Multiply(shifted);
    result = {back->Element(1, 1), back->Element(2, 1)};
    return std::isfinite(result.x) && std::isfinite(result.y);
}

void TTransform::ComposeAfter(const TTransform& a)
{
    const std::unique_ptr<TRealMatrix> m = a.M.Multiply(M);
    std::unique_ptr<TRealMatrix> t = a.M.Multiply(T);
    t->Add(a.T);
    M = *m;
    T = *t;
}

TTransform TTransform::Power(int n) const
{
    TTransform result;
    TTransform base = *this;
    while (n > 0) {
        if (n & 1)
            result.ComposeAfter(base);
        n >>= 1;
        if (n > 0) {
            const TTransform square = base;
            base.ComposeAfter(square);
        }
    }
    return result;
}

bool TTransform::ComposeInto(TTransform& target) const
{
    target.ComposeAfter(*this);
    return true;
}

void TTransform::WriteTo(TMathsWriter& writer) const
{
    M.WriteTo(writer, 10);
    T.WriteTo(writer, 10);
}

// ---- TRotation and TEnlarge --------------------------------------------------------------------

TRotation::TRotation(TEvaluatorPtr angle, Extended unitFactor, std::unique_ptr<TCoordinates> centre)
    : Angle(std::move(angle)), UnitFactor(unitFactor), Centre(std::move(centre))
{
}

bool TRotation::ComposeAboutCentre(const TRealMatrix& m, TTransform& target) const
{
    if (!Centre)
        return false;
    const TRealPoint c = Centre->Point();
    if (!std::isfinite(c.x) || !std::isfinite(c.y))
        return false;
    // Translate the centre to the origin, apply m, translate back: T = c − m·c.
    const TTransform linear(m, TRealMatrix::Column(0, 0));
    const TRealPoint mc = linear.Apply(c);
    target.ComposeAfter(TTransform(m, TRealMatrix::Column(c.x - mc.x, c.y - mc.y)));
    return true;
}

bool TRotation::ComposeInto(TTransform& target) const
{
    Extended angle = 0;
    if (!StepValue(Angle.get(), angle))
        return false;
    return ComposeAboutCentre(Turn(angle * UnitFactor), target);
}

bool TRotation::DependsOn(std::string_view name) const
{
    return (Angle && Angle->DependsOn(name)) || (Centre && Centre->DependsOn(name));
}

void TRotation::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(
        FieldList(5, {Word(dnRotationAbout), Centre ? PointMarkup(*Centre) : std::string(), Word(dnAngleWord),
                      TreeToMarkup(Angle.get()) + "*" + FormatNumber(10, false, UnitFactor)}));
}

void TRotation::DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const
{
    if (Centre)
        DrawConstructionDot(canvas, params, Centre->Point(), colour);
}

bool TRotation::HitConstruction(TXYSearch& search) const
{
    if (!Centre)
        return false;
    const TRealPoint c = Centre->Point();
    return std::fabs(c.x - search.SearchX) < search.ClipXMin &&
           std::fabs(c.y - search.SearchY) < search.ClipYMin;
}

TDragPress TRotation::WholeDrag() const
{
    TDragPress press;
    press.Kind = TDragMouseKind::StepRotation;
    Extended angle = 0;
    press.Start = StepValue(Angle.get(), angle) ? angle * UnitFactor : 0;
    if (Centre)
        press.Centre = Centre->Point();
    return press;
}

void TRotation::SetFromDrag(Extended value)
{
    if (UnitFactor == 0)
        return;
    Angle = std::make_unique<TConstantEvaluator>(RoundDisplayFigures(value / UnitFactor));
}

void TRotation::ApplyDragPoint(const TRealPoint& point)
{
    Centre = std::make_unique<TCoordinates>(point.x, point.y);
}

void TRotation::AddDragPoints(TDragPointList& list, TCurvePLotter* owner, int index) const
{
    if (!Centre)
        return;
    const TRealPoint c = Centre->Point();
    auto handle = std::make_unique<TDragPoint>(owner, c.x, c.y, index, true);
    handle->CtrlMovable = false;
    list.Add(std::move(handle));
}

std::string TRotation::StepMarkup(const TAxes& axes) const
{
    if (!Centre)
        return {};
    Extended angle = 0;
    if (!StepValue(Angle.get(), angle))
        return {};
    // The unit and direction words the factor stands for.
    const Extended size = std::fabs(UnitFactor);
    std::string unit;
    if (std::fabs(size - Pi / 180) < 1e-12L)
        unit = Word(dnDegreeMark);
    else if (std::fabs(size - 2 * Pi) < 1e-12L)
        unit = Word(dnTurn);
    else
        unit = Word(dnRadianMark);
    if (UnitFactor < 0)
        unit += Word(dnClockwise);
    return RotationLineMarkup(RoundedPointMarkup(axes, Centre->Point()), NumberMarkup(angle) + unit);
}

TEnlarge::TEnlarge(TEvaluatorPtr factor, std::unique_ptr<TCoordinates> centre)
    : TRotation(std::move(factor), 1, std::move(centre))
{
}

Extended TEnlarge::Factor() const
{
    Extended k = 0;
    return StepValue(Angle.get(), k) ? k : std::nan("");
}

bool TEnlarge::ComposeInto(TTransform& target) const
{
    Extended k = 0;
    if (!StepValue(Angle.get(), k))
        return false;
    return ComposeAboutCentre(TRealMatrix(k, 0, 0, k), target);
}

void TEnlarge::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(FieldList(5, {Word(dnEnlargementCentre), Centre ? PointMarkup(*Centre) : std::string(),
                                   Word(dnFactor), TreeToMarkup(Angle.get())}));
}

TDragPress TEnlarge::WholeDrag() const
{
    TDragPress press = TRotation::WholeDrag();
    press.Kind = TDragMouseKind::StepEnlargement;
    const Extended k = Factor();
    press.Start = std::isfinite(k) ? k : 1;
    return press;
}

void TEnlarge::SetFromDrag(Extended value)
{
    Angle = std::make_unique<TConstantEvaluator>(value);
}

std::string TEnlarge::StepMarkup(const TAxes& axes) const
{
    const Extended k = Factor();
    if (!Centre || !std::isfinite(k))
        return {};
    return EnlargementLineMarkup(RoundedPointMarkup(axes, Centre->Point()), NumberMarkup(k));
}

// ---- TReflect, TStretch, TShear ------------------------------------------------------------------

TReflect::TReflect(std::unique_ptr<TYofX> line) : Line(std::move(line)) {}

TReflect::~TReflect() = default;

bool TReflect::LineGeometry(Extended& phi, TRealPoint& p0) const
{
    if (!Line || !Line->Formula)
        return false;
    const bool swapped = dynamic_cast<const TXofY*>(Line.get()) != nullptr;
    const TEvaluationStateSaver saver;
    TRealPoint points[2];
    for (int k = 0; k < 2; ++k) {
        Variables.x = Variables.y = k;
        ResetStatus();
        Extended f = SafeEvaluate(Line->Formula.get());
        // A line undefined here (x = 1/0 ...) is taken far off.
        if (EvaluationStatus == esUndefined)
            f = 1000;
        else if (StatusFailed() || !std::isfinite(f))
            return false;
        // A line being dragged (or pulled upright, keeping its kind until it
        // is typed again) is where its matrices draw it.
        points[k] = Line->Matrices.Apply(swapped ? TRealPoint{f, static_cast<Extended>(k)}
                                                 : TRealPoint{static_cast<Extended>(k), f});
    }
    phi = std::atan2(points[1].y - points[0].y, points[1].x - points[0].x);
    p0 = points[0];
    return true;
}

std::string TReflect::LineMarkup() const
{
    TMathsWriter writer;
    if (Line && Line->Elements())
        WriteElementList(Line->Elements(), writer);
    else if (Line)
        Line->WriteDefinition(writer);
    return writer.TakeText();
}

bool TReflect::ComposeInto(TTransform& target) const
{
    Extended phi = 0;
    TRealPoint p0;
    if (!LineGeometry(phi, p0))
        return false;
    const Extended c = std::cos(2 * phi), s = std::sin(2 * phi);
    const TRealMatrix m(c, s, s, -c);
    const TRealPoint mp = TTransform(m, TRealMatrix::Column(0, 0)).Apply(p0);
    target.ComposeAfter(TTransform(m, TRealMatrix::Column(p0.x - mp.x, p0.y - mp.y)));
    return true;
}

void TReflect::DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const
{
    if (!Line)
        return;
    Line->colour = colour;
    Line->style = static_cast<std::uint8_t>(TPenStyle::Dot);
    Line->DrawOnGraph(canvas, params);
}

bool TReflect::HitConstruction(TXYSearch& search) const
{
    if (!Line)
        return false;
    Line->InitContext(search);
    const bool near = Line->IsNear(search);
    ResetStatus();
    return near;
}

bool TReflect::DependsOn(std::string_view name) const
{
    return Line && Line->DependsOn(name);
}

void TReflect::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(FieldList(1, {Word(dnReflectionIn), LineMarkup()}));
}

bool TReflect::IsComplete() const
{
    return Line && !Line->WaitsForClicks();
}

std::string TReflect::StepMarkup(const TAxes&) const
{
    // A line still waiting for its points leaves the text as it is.
    return IsComplete() ? FieldList(1, {Word(dnReflectionIn), LineMarkup()}) : std::string();
}

TStretch::TStretch(std::unique_ptr<TYofX> line, TEvaluatorPtr factor)
    : TReflect(std::move(line)), Factor(std::move(factor))
{
}

bool TStretch::ComposeAlongLine(const TRealMatrix& f, TTransform& target) const
{
    Extended phi = 0;
    TRealPoint p0;
    if (!LineGeometry(phi, p0))
        return false;
    const std::unique_ptr<TRealMatrix> turned = Turn(phi).Multiply(*f.Multiply(Turn(-phi)));
    const TRealPoint mp = TTransform(*turned, TRealMatrix::Column(0, 0)).Apply(p0);
    target.ComposeAfter(TTransform(*turned, TRealMatrix::Column(p0.x - mp.x, p0.y - mp.y)));
    return true;
}

bool TStretch::ComposeInto(TTransform& target) const
{
    Extended k = 0;
    return StepValue(Factor.get(), k) && ComposeAlongLine(TRealMatrix(1, 0, 0, k), target);
}

TDragPress TStretch::WholeDrag() const
{
    TDragPress press;
    press.Kind = TDragMouseKind::StepStretch;
    Extended k = 1;
    press.Start = StepValue(Factor.get(), k) ? k : 1;
    Extended phi = 0;
    if (LineGeometry(phi, press.Centre))
        press.Direction = {std::cos(phi), std::sin(phi)};
    return press;
}

void TStretch::SetFromDrag(Extended value)
{
    Factor = std::make_unique<TConstantEvaluator>(value);
}

std::string TStretch::StepMarkup(const TAxes&) const
{
    Extended k = 0;
    if (!IsComplete() || !StepValue(Factor.get(), k))
        return {};
    return FieldList(5, {Word(WordNumber()), LineMarkup(), Word(dnFactor), NumberMarkup(k)});
}

TDragPress TShear::WholeDrag() const
{
    TDragPress press = TStretch::WholeDrag();
    press.Kind = TDragMouseKind::StepShear;
    Extended k = 0;
    press.Start = StepValue(Factor.get(), k) ? k : 0;
    return press;
}

bool TShear::ComposeInto(TTransform& target) const
{
    Extended k = 0;
    return StepValue(Factor.get(), k) && ComposeAlongLine(TRealMatrix(1, k, 0, 1), target);
}

bool TStretch::DependsOn(std::string_view name) const
{
    return TReflect::DependsOn(name) || (Factor && Factor->DependsOn(name));
}

void TStretch::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(
        FieldList(5, {Word(WordNumber()), LineMarkup(), Word(dnFactor), TreeToMarkup(Factor.get())}));
}

// ---- TMatrixTransform -------------------------------------------------------------------------

TMatrixTransform::TMatrixTransform(std::unique_ptr<TMatrix> matrix) : Matrix(std::move(matrix)) {}

bool TMatrixTransform::ComposeInto(TTransform& target) const
{
    if (!Matrix || Matrix->Rows() != 2 || (Matrix->Columns() != 1 && Matrix->Columns() != 2))
        return false;
    Extended e[4] = {0, 0, 0, 0};
    const int columns = Matrix->Columns();
    for (int k = 0; k < 2 * columns; ++k)
        if (!StepValue(Matrix->Get(k / columns + 1, k % columns + 1), e[k]))
            return false;
    if (columns == 2)
        target.ComposeAfter(TTransform(TRealMatrix(e[0], e[1], e[2], e[3]), TRealMatrix::Column(0, 0)));
    else
        target.ComposeAfter(TTransform(TRealMatrix(2, 2), TRealMatrix::Column(e[0], e[1])));
    return true;
}

bool TMatrixTransform::DependsOn(std::string_view name) const
{
    return Matrix && Matrix->DependsOn(name);
}

void TMatrixTransform::WriteTo(TMathsWriter& writer) const
{
    if (Matrix)
        Matrix->WriteTo(writer);
}

void TMatrixTransform::SetTranslation(Extended x, Extended y)
{
    if (!IsTranslation())
        return;
    Matrix->Set(1, 1, std::make_unique<TConstantEvaluator>(x));
    Matrix->Set(2, 1, std::make_unique<TConstantEvaluator>(y));
}

bool TMatrixTransform::Translation(Extended& x, Extended& y) const
{
    return IsTranslation() && StepValue(Matrix->Get(1, 1), x) && StepValue(Matrix->Get(2, 1), y);
}

std::string TMatrixTransform::StepMarkup(const TAxes& axes) const
{
    Extended x = 0, y = 0;
    if (!Translation(x, y))
        return {};
    return TranslationLineMarkup(NumberMarkup(RoundForAxis(axes, 'x', x)),
                                 NumberMarkup(RoundForAxis(axes, 'y', y)));
}

// ---- invariants -------------------------------------------------------------------------------

void TInvariantLine::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText(" " + Word(dnInvariant) + " ");
    writer.WriteChar(KindDigit());
    writer.WriteText("\t" + FormatNumber(10, false, First) + "\t" + FormatNumber(10, false, Second));
}

void TInvariantLine::DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const
{
    TStraightLine line(First, Second);
    line.colour = colour;
    line.style = static_cast<std::uint8_t>(TPenStyle::Dot);
    line.DrawOnGraph(canvas, params);
}

void TInvariantPoint::DrawConstruction(Canvas& canvas, TGraphParams& params, TColour colour) const
{
    DrawConstructionDot(canvas, params, {First, Second}, colour);
}

// ---- TTransformation --------------------------------------------------------------------------

std::string RepeatsMarkup(int repeats)
{
    return FieldList(1, {Word(dnRepeats), std::to_string(repeats)});
}

TTransformation::TTransformation(TCurvePLotter* parent, std::vector<TTransformStepPtr> components,
                                 int repeats)
    : TDependentCurvePlotter(parent), Repeats(repeats), Components(std::move(components))
{
}

TTransformation::~TTransformation() = default;

std::uint32_t TTransformation::PropertyFlags() const
{
    const std::uint32_t inherited = PrimaryCurve ? PrimaryCurve->PropertyFlags() & (0x80 | 0x200 | 0x400) : 0;
    return inherited | 0x10000 | 0x10 | 0x8;
}

bool TTransformation::IsValid() const
{
    if (!PrimaryCurve || !(PrimaryCurve->PropertyFlags() & 0x8) || !PrimaryCurve->IsValid())
        return false;
    return std::all_of(Components.begin(), Components.end(),
                       [](const TTransformStepPtr& step) { return step && step->IsComplete(); });
}

bool TTransformation::DependsOn(std::string_view name) const
{
    return std::any_of(Components.begin(), Components.end(),
                       [name](const TTransformStepPtr& step) { return step && step->DependsOn(name); });
}

bool TTransformation::Composite(TTransform& composite) const
{
    // Always a map of its own: the steps are read, never changed, so that
    // drawing again (or saving) finds them as they were typed.
    composite = TTransform();
    for (const TTransformStepPtr& step : Components)
        if (!step || !step->ComposeInto(composite))
            return false;
    return true;
}

bool TTransformation::LastMap(TTransform& last) const
{
    TTransform step;
    if (!Composite(step))
        return false;
    last = step.Power(ImageCount());
    return true;
}

void TTransformation::StartParent(TXY& context, const TTransform& last)
{
    parentContext_ = context.Params ? std::make_unique<TXY>(*context.Params) : std::make_unique<TXY>();
    TXY& parent = *parentContext_;
    parent.Axes = TAxes::CreateCopy(*context.Axes);
    parent.PartialPaint = false;
    parent.SampleCount = context.SampleCount;
    parent.CurrentCount = context.CurrentCount;
    parent.ExactParameter = context.ExactParameter;
    parent.Labelling = context.Labelling;
    parent.Params = context.Params;
    // Widen the parent's range to hold the preimage of the window's corners,
    // so that every part of the parent whose image shows is sampled. The
    // window's own ranges (context) are never touched.
    const TAxisRanges window = context.Axes->GetRanges();
    TAxisRanges widened = window;
    bool mapped = true;
    const TRealPoint corners[4] = {{window.XMin, window.YMin},
                                   {window.XMin, window.YMax},
                                   {window.XMax, window.YMin},
                                   {window.XMax, window.YMax}};
    TAxisRanges box{0, 0, 0, 0};
    for (int k = 0; k < 4 && mapped; ++k) {
        TRealPoint p;
        mapped = last.ApplyInverse(corners[k], p);
        box = k == 0 ? TAxisRanges{p.x, p.x, p.y, p.y}
                     : TAxisRanges{std::min(box.XMin, p.x), std::max(box.XMax, p.x), std::min(box.YMin, p.y),
                                   std::max(box.YMax, p.y)};
    }
    if (mapped) {
        widened.XMin = std::min(window.XMin, box.XMin);
        widened.XMax = std::max(window.XMax, box.XMax);
        widened.YMin = std::min(window.YMin, box.YMin);
        widened.YMax = std::max(window.YMax, box.YMax);
        parent.Axes->SetRanges(widened);
    }
    PrimaryCurve->InitContext(parent);
    context.PartCount = parent.PartCount;
    context.StartIndex = parent.StartIndex;
    context.SampleCount = parent.SampleCount;
    context.CurrentCount = parent.CurrentCount;
    context.JoinPoints = parent.JoinPoints;
    context.Reverse = parent.Reverse;
    context.LabelSkip = parent.LabelSkip;
    context.Skip = parent.Skip;
    context.DrawLine = true;
    // Only a closed shape keeps its shading: an inequality's shading towards
    // an edge of the window means nothing once the curve is turned.
    context.ShadeKind = parent.ShadeKind == 5 ? 5 : 0;
}

void TTransformation::InitContext(TXY& context)
{
    mapValid_ = IsValid() && Composite(step_);
    if (mapValid_)
        map_ = step_.Power(ImageCount());
    if (!mapValid_) {
        context.Skip = true;
        return;
    }
    StartParent(context, map_);
}

void TTransformation::SelectPart(TXY& context, int part)
{
    (void)context;
    if (parentContext_ && PrimaryCurve)
        PrimaryCurve->SelectPart(*parentContext_, part);
}

void TTransformation::CalculatePoint(TXY& context)
{
    if (!mapValid_ || !parentContext_ || !PrimaryCurve) {
        SetStatus(esUndefined);
        return;
    }
    TXY& parent = *parentContext_;
    parent.Parameter = context.Parameter;
    parent.CurrentCount = context.CurrentCount;
    parent.Continuous = true;
    PrimaryCurve->CalculatePoint(parent);
    if (!parent.Continuous)
        context.Continuous = false;
    const TRealPoint image = map_.Apply({parent.X, parent.Y});
    context.X = image.x;
    context.Y = image.y;
}

void TTransformation::Draw(Canvas& canvas, TXY& context)
{
    if (!IsValid())
        return;
    const TSwitchScope tracking(Tracking, true);
    // The pause between images is for watching the pattern grow on screen
    // the first time; pictures, prints and stored drawings get every image at once.
    const bool pause = Repeats > 1 && Configuration.RepeatsDelay > 0 && !DrawFlag() &&
                       (DrawMode & dmDrawVisibly) && !(DrawMode & dmNoCache) && context.Params;
    bool abandoned = false;
    // The composite InitContext built serves a drawing without a family;
    // with one, each member builds its own after the family has started, so
    // that a step's use of the family constant is seen.
    bool stepReady = mapValid_ && Family.extraMembers == 0;
    // A single image of the first member is drawn with the parent's sampling InitContext set up.
    bool parentReady = stepReady && parentContext_ && ImageCount() == 1;
    FamilyStart();
    do {
        if (!stepReady && !Composite(step_))
            continue;
        stepReady = false;
        const TTransform& step = step_;
        map_ = TTransform();
        for (int image = 1; image <= ImageCount() && !abandoned; ++image) {
            map_.ComposeAfter(step);
            mapValid_ = true;
            if (!parentReady)
                StartParent(context, map_);
            parentReady = false;
            if (context.Skip)
                continue;
            TPolyLineBuffer buffer(*this, canvas, context);
            for (int part = 1; part <= context.PartCount && !buffer.Abandoned(); ++part) {
                SelectPart(context, part);
                buffer.SampleRun(context.StartIndex, context.SampleCount - context.StartIndex,
                                 context.SampleCount);
            }
            abandoned = buffer.Abandoned();
            buffer.Finish();
            if (pause && image < ImageCount() && !abandoned) {
                const auto until = std::chrono::steady_clock::now() +
                                   std::chrono::milliseconds(10 * Configuration.RepeatsDelay);
                while (std::chrono::steady_clock::now() < until && !abandoned) {
                    abandoned = DrawingInterrupt().Poll().abandon;
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            }
        }
    } while (!abandoned && FamilyNext());
    context.Abandoned = context.Abandoned || abandoned;
    // Leave the last image's map in force for tracing and hit tests.
    mapValid_ = IsValid();
    map_ = step_.Power(ImageCount());
    if (!abandoned)
        ReportFirstDrawing(context);
}

bool TTransformation::IsNear(TXYSearch& search)
{
    TTransform last;
    if (!IsValid() || !LastMap(last) || !last.Invertible())
        return ImageHit(TCurvePLotter::IsNear(search)) || ConstructionHit(search);
    TRealPoint back;
    if (!last.ApplyInverse({search.SearchX, search.SearchY}, back))
        return ImageHit(TCurvePLotter::IsNear(search)) || ConstructionHit(search);
    // The tolerance box maps back with the inverse's entries in size.
    const std::unique_ptr<TRealMatrix> inverse = last.M.Inverse();
    TXYSearch parent;
    parent.Axes = TAxes::CreateCopy(*search.Axes);
    parent.Params = search.Params;
    parent.SampleCount = search.SampleCount;
    parent.SearchX = back.x;
    parent.SearchY = back.y;
    parent.SearchPixel = search.Axes->ValueToPixel(back.x, back.y);
    parent.ClipXMin = std::fabs(inverse->Element(1, 1)) * search.ClipXMin +
                      std::fabs(inverse->Element(1, 2)) * search.ClipYMin;
    parent.ClipYMin = std::fabs(inverse->Element(2, 1)) * search.ClipXMin +
                      std::fabs(inverse->Element(2, 2)) * search.ClipYMin;
    PrimaryCurve->InitContext(parent);
    bool near = false;
    for (int part = 1; part <= parent.PartCount && !near; ++part) {
        PrimaryCurve->SelectPart(parent, part);
        near = PrimaryCurve->IsNear(parent);
    }
    ResetStatus();
    // Every image drawn can be clicked, not only the last of a pattern.
    return ImageHit(near || TCurvePLotter::IsNear(search)) || ConstructionHit(search);
}

bool TTransformation::ImageHit(bool hit)
{
    // A press on the image itself drags the image, not a construction found before.
    if (hit && !Dragging)
        SelectedComponent = -1;
    return hit;
}

bool TTransformation::ConstructionHit(TXYSearch& search)
{
    if (Switches() & swHideConstruction)
        return false;
    for (std::size_t k = 0; k < Components.size(); ++k)
        if (Components[k] && Components[k]->HitConstruction(search)) {
            if (!Dragging)
                SelectedComponent = static_cast<int>(k);
            return true;
        }
    return false;
}

Extended TTransformation::ParameterAt(Extended y, Extended x)
{
    TTransform last;
    TRealPoint back;
    if (!PrimaryCurve || !LastMap(last) || !last.ApplyInverse({x, y}, back))
        return 0;
    return PrimaryCurve->ParameterAt(back.y, back.x);
}

Extended TTransformation::ParameterStep(const TAxes& window)
{
    return PrimaryCurve ? PrimaryCurve->ParameterStep(window) : 1;
}

void TTransformation::SetParameterValue(TXY& context, Extended v)
{
    if (!PrimaryCurve)
        return;
    if (parentContext_) {
        PrimaryCurve->SetParameterValue(*parentContext_, v);
        context.Parameter = parentContext_->Parameter;
    } else {
        PrimaryCurve->SetParameterValue(context, v);
    }
}

Extended TTransformation::Area()
{
    TTransform last;
    if (!PrimaryCurve || !LastMap(last)) {
        SetStatus(esUndefined);
        return 0;
    }
    const Extended area = PrimaryCurve->Area();
    const Extended scaled = area * std::fabs(last.Determinant());
    if (!std::isfinite(scaled)) {
        SetStatus(esUndefined);
        return 0;
    }
    return scaled;
}

void TTransformation::WriteDefinition(TMathsWriter& writer) const
{
    if (Repeats > 1)
        writer.WriteText(RepeatsMarkup(Repeats));
    for (const TTransformStepPtr& step : Components)
        if (step)
            step->WriteTo(writer);
}

void TTransformation::DrawConstruction(Canvas& canvas, TGraphParams& params)
{
    if ((Switches() & swHideConstruction) || !PrimaryCurve)
        return;
    for (const TTransformStepPtr& step : Components)
        if (step)
            step->DrawConstruction(canvas, params, colour);
}

void TTransformation::DrawConstructionLines(Canvas& canvas, TGraphParams& params)
{
    // Only one simple step, and a parent of few points (a shape, a list).
    if (Components.size() != 1 || !Components[0] || !IsValid())
        return;
    const TTransformParent& step = *Components[0];
    const auto* enlarge = dynamic_cast<const TEnlarge*>(&step);
    if (!enlarge && !dynamic_cast<const TReflect*>(&step) && !step.IsTranslation())
        return;
    TXY context(params);
    InitContext(context);
    if (context.Skip || !parentContext_ || context.SampleCount >= 100)
        return;
    const Extended k = enlarge ? enlarge->Factor() : 0;
    const TRealPoint centre = enlarge && enlarge->Centre ? enlarge->Centre->Point() : TRealPoint{};
    const TCanvasStateSaver saver(canvas);
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetPenWidth(canvas.PrintPenFactor());
    canvas.SetPenColour(AdjustedColour(canvas, 0xC0C0C0));
    for (int part = 1; part <= context.PartCount; ++part) {
        SelectPart(context, part);
        for (int i = context.StartIndex; i <= context.SampleCount; ++i) {
            TXY& parent = *parentContext_;
            parent.Parameter = static_cast<Extended>(i) / context.SampleCount;
            ResetStatus();
            PrimaryCurve->CalculatePoint(parent);
            if (StatusFailed())
                continue;
            const TRealPoint from{parent.X, parent.Y};
            const TRealPoint to = map_.Apply(from);
            TRealPoint a = to, b = from;
            if (enlarge && k > 1)
                b = centre;
            else if (enlarge && k >= 0)
                a = centre;
            if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y))
                continue;
            canvas.MoveTo(params.Axes->ValueToPixel(a.x, a.y));
            canvas.LineTo(params.Axes->ValueToPixel(b.x, b.y));
        }
    }
    ResetStatus();
}

void TTransformation::DrawOnGraph(Canvas& canvas, TGraphParams& params)
{
    DrawConstruction(canvas, params);
    TDependentCurvePlotter::DrawOnGraph(canvas, params);
}

std::string TransformLineMarkup(TTransformCommand command, bool degrees)
{
    const std::string point = "{coords{}{}";
    switch (command) {
    case TTransformCommand::Translate:
        return FieldList(1, {Word(dnTranslationWord), "{Mtrx \x02\x01{}{}"});
    case TTransformCommand::Matrix:
        return FieldList(1, {Word(dnMatrixWord), "{Mtrx \x02\x02{}{}{}{}"});
    case TTransformCommand::Reflect:
        return FieldList(1, {Word(dnReflectionIn), ""});
    case TTransformCommand::Rotate:
    case TTransformCommand::Clockwise:
    case TTransformCommand::Anticlockwise: {
        std::string angle = Word(degrees ? dnDegreeMark : dnRadianMark);
        if (command == TTransformCommand::Clockwise)
            angle += Word(dnClockwise);
        else if (command == TTransformCommand::Anticlockwise)
            angle += Word(dnAnticlockwise);
        return FieldList(5, {Word(dnRotationAbout), point, Word(dnAngleWord), angle});
    }
    case TTransformCommand::Enlarge:
        return FieldList(5, {Word(dnEnlargementCentre), point, Word(dnFactor), ""});
    case TTransformCommand::Stretch:
        return FieldList(5, {Word(dnStretchLine), "", Word(dnFactor), ""});
    case TTransformCommand::Shear:
        return FieldList(5, {Word(dnShearLine), "", Word(dnFactor), ""});
    }
    return {};
}

std::unique_ptr<TTransformation> DraggedTransformation(TTransformCommand command, TCurvePLotter* parent,
                                                       bool degrees)
{
    using C = TTransformCommand;
    const std::string noPoint = "{coords{}{}";
    std::vector<TTransformStepPtr> steps;
    std::string markup;
    switch (command) {
    case C::Translate: {
        auto vector = std::make_unique<TMatrix>(2, 1);
        vector->Set(1, 1, std::make_unique<TConstantEvaluator>(0));
        vector->Set(2, 1, std::make_unique<TConstantEvaluator>(0));
        steps.push_back(std::make_unique<TMatrixTransform>(std::move(vector)));
        markup = TranslationLineMarkup("0", "0");
        break;
    }
    case C::Rotate:
    case C::Clockwise:
    case C::Anticlockwise: {
        std::string unit = Word(degrees ? dnDegreeMark : dnRadianMark);
        Extended factor = degrees ? Pi / 180 : 1;
        if (command == C::Clockwise) {
            unit += Word(dnClockwise);
            factor = -factor;
        } else if (command == C::Anticlockwise) {
            unit += Word(dnAnticlockwise);
        }
        steps.push_back(
            std::make_unique<TRotation>(std::make_unique<TConstantEvaluator>(0), factor, nullptr));
        markup = RotationLineMarkup(noPoint, "0" + unit);
        break;
    }
    case C::Enlarge:
        steps.push_back(std::make_unique<TEnlarge>(std::make_unique<TConstantEvaluator>(1), nullptr));
        markup = EnlargementLineMarkup(noPoint, "1");
        break;
    // The mirror or invariant line is placed by two clicks; the prompt for
    // them shows at once.
    case C::Reflect:
        steps.push_back(std::make_unique<TReflect>(NewClickedCurve(TClickedCurve::Line, "mirror line")));
        markup = ReflectionLineMarkup("");
        break;
    case C::Stretch:
    case C::Shear: {
        const bool stretch = command == C::Stretch;
        std::unique_ptr<TYofX> line = NewClickedCurve(TClickedCurve::Line, "invariant line");
        if (stretch)
            steps.push_back(
                std::make_unique<TStretch>(std::move(line), std::make_unique<TConstantEvaluator>(1)));
        else
            steps.push_back(
                std::make_unique<TShear>(std::move(line), std::make_unique<TConstantEvaluator>(0)));
        markup = FieldList(
            5, {Word(stretch ? dnStretchLine : dnShearLine), "", Word(dnFactor), stretch ? "1" : "0"});
        break;
    }
    default:
        return nullptr;
    }
    auto image = std::make_unique<TTransformation>(parent, std::move(steps), 1);
    image->SetElements(ElementsFromText(markup));
    return image;
}

std::string TurnLineMarkup(int tag)
{
    std::string angle;
    if (tag == -90 || tag == 90)
        angle = "quarter " + Word(dnTurn) + Word(tag < 0 ? dnClockwise : dnAnticlockwise);
    else if (tag == 180)
        angle = "half " + Word(dnTurn);
    else
        angle = std::to_string(tag) + Word(dnDegreeMark);
    return FieldList(5, {Word(dnRotationAbout), "{coords{0}{0}", Word(dnAngleWord), angle});
}

std::string ReflectionLineMarkup(std::string_view line)
{
    return FieldList(1, {Word(dnReflectionIn), std::string(line)});
}

std::string TransformWord(int description)
{
    return Word(description);
}

std::string TranslationLineMarkup(std::string_view across, std::string_view up)
{
    return FieldList(
        1, {Word(dnTranslationWord), "{Mtrx \x02\x01{" + std::string(across) + "}{" + std::string(up) + "}"});
}

std::string RotationLineMarkup(std::string_view centre, std::string_view angle)
{
    return FieldList(5, {Word(dnRotationAbout), std::string(centre), Word(dnAngleWord), std::string(angle)});
}

std::string EnlargementLineMarkup(std::string_view centre, std::string_view factor)
{
    return FieldList(5,
                     {Word(dnEnlargementCentre), std::string(centre), Word(dnFactor), std::string(factor)});
}

std::string ReplaceFirstStep(const TEditorObject* elements, std::string_view step)
{
    return ReplaceStep(elements, 0, step);
}

std::string ReplaceStep(const TEditorObject* elements, int index, std::string_view step)
{
    std::vector<std::string> pieces;
    bool replaced = false;
    int steps = 0;           // the steps passed so far
    bool wordBefore = false; // the last piece is "Matrix" or "Translation"
    for (const TEditorObject* e = elements; e; e = e->next) {
        TMathsWriter writer;
        e->WriteTo(writer);
        std::string text = writer.TakeText();
        if (!replaced) {
            const auto* fields = dynamic_cast<const TFixedList*>(e);
            const TEditorObject* first =
                fields && fields->CellCount() > 0 ? NextNonBlankElement(fields->Cell(0)) : nullptr;
            const bool isStep = (fields && first && first->DescriptionNumber() != dnRepeats) ||
                                dynamic_cast<const TMatrixEditObject*>(e) != nullptr;
            if (isStep && steps++ == index) {
                if (wordBefore && !fields)
                    pieces.pop_back();
                pieces.emplace_back(step);
                replaced = true;
                continue;
            }
            if (!text.empty())
                wordBefore =
                    e->DescriptionNumber() == dnMatrixWord || e->DescriptionNumber() == dnTranslationWord;
        }
        if (!text.empty())
            pieces.push_back(std::move(text));
    }
    if (!replaced)
        pieces.emplace_back(step);
    std::string line;
    for (const std::string& piece : pieces)
        line += piece;
    return line;
}

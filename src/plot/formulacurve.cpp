#include "plot/formulacurve.h"

#include "expr/analysis.h"
#include "expr/declarations.h"
#include "expr/functions.h"
#include "expr/realreader.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "platform/drawinginterrupt.h"
#include "plot/implicitfunction.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <utility>

namespace {

// Shading kinds by relation for y = f(x) and for x = f(y).
constexpr std::uint8_t YShadeKinds[5] = {3, 3, 0, 4, 4};
constexpr std::uint8_t XShadeKinds[5] = {2, 2, 0, 1, 1};

[[nodiscard]] bool Defined()
{
    return EvaluationStatus <= esNormal;
}

[[nodiscard]] Extended SampleIntervals()
{
    return std::max(1, TGraphParams::SamplePoints());
}

// Evaluates a formula that is not a function of the curve's variable (a range
// bound, a number of turns) without leaving a mark on the status of the
// point being calculated; failed answers false.
Extended EvaluateBound(TEvaluator* tree, bool& failed)
{
    // Bounds are evaluated for every sample; a plain number needs no guard.
    if (tree && typeid(*tree) == typeid(TConstantEvaluator)) {
        const Extended value = static_cast<const TConstantEvaluator*>(tree)->Value();
        failed = !std::isfinite(value);
        return value;
    }
    const std::uint8_t saved = EvaluationStatus;
    ResetStatus();
    const Extended value = SafeEvaluate(tree);
    failed = StatusFailed() || !std::isfinite(value);
    EvaluationStatus = saved;
    return value;
}

} // namespace

char RelationChar(int relation)
{
    switch (relation) {
    case rlGreater:
        return '>';
    case rlGreaterEqual:
        return '\xB3';
    case rlLessEqual:
        return '\xA3';
    case rlLess:
        return '<';
    default:
        return '=';
    }
}

std::uint8_t CheckedRelation(int relation)
{
    return relation >= rlGreater && relation <= rlLess ? static_cast<std::uint8_t>(relation)
                                                       : static_cast<std::uint8_t>(rlEqual);
}

const char* KindName(const TEquationObject& object)
{
    if (const auto* curve = dynamic_cast<const TFormulaCurve*>(&object))
        return curve->KindName();
    return "";
}

// ---- TFormulaCurve ------------------------------------------------------------------

TFormulaCurve::TFormulaCurve(TEvaluatorPtr formula) : Formula(std::move(formula)) {}

TFormulaCurve::~TFormulaCurve() = default;

void TFormulaCurve::AnalyseFormula(TFormulaAnalysis& analysis)
{
    if (Formula)
        Formula->Analyse(analysis);
}

namespace {

// True when tree (borrowed, may be null) evaluates nothing shared with other
// curves: no declared function (its definition keeps the state of its
// uses) and no constant whose value is a formula of its own.
bool EvaluatesAlone(TEvaluator* tree)
{
    bool alone = true;
    if (tree)
        tree->ForEachNode(
            [](void* data, TEvaluator* node, void*) {
                bool& result = *static_cast<bool*>(data);
                if (dynamic_cast<TDeclaredFunctionEvaluator*>(node))
                    result = false;
                else if (const auto* constant = dynamic_cast<TDeclaredConstantEvaluator*>(node))
                    if (dynamic_cast<const TVariableString*>(&constant->Constant()->ValueObject()) ||
                        dynamic_cast<const TVariableString*>(&constant->Constant()->Step()))
                        result = false;
            },
            &alone, nullptr);
    return alone;
}

} // namespace

bool TFormulaCurve::ComputesOffThread() const
{
    // Only the kinds whose computing is known to keep to the curve: their
    // descendants may draw more of their own.
    const std::type_info& kind = typeid(*this);
    if (kind != typeid(TYofX) && kind != typeid(TXofY) && kind != typeid(TYParametric) &&
        kind != typeid(TPolarParametric) && kind != typeid(TRofTheta) && kind != typeid(TImplicitFunction))
        return false;
    if (!EvaluatesAlone(Formula.get()))
        return false;
    if (const auto* parametric = dynamic_cast<const TYParametric*>(this))
        return EvaluatesAlone(parametric->XFormula.get()) && EvaluatesAlone(parametric->TStart.get()) &&
               EvaluatesAlone(parametric->TEnd.get());
    return true;
}

bool TFormulaCurve::MembersComputeApart(const TXY& context)
{
    const std::type_info& kind = typeid(*this);
    // A shaded side carries its bands, and the pencil its place, from one member to the next.
    return (kind == typeid(TYofX) || kind == typeid(TXofY)) && context.PartCount == 1 &&
           context.ShadeKind == 0 && !context.Pencil && ComputesOffThread() && !FormulaRemembers();
}

void TFormulaCurve::WithOwnForms(const std::function<void()>& compute)
{
    TOwnForm own{this, {}};
    TOwnForm* const outer = std::exchange(OwnForm, &own);
    try {
        compute();
    } catch (...) {
        OwnForm = outer;
        throw;
    }
    OwnForm = outer;
}

void TFormulaCurve::InitContext(TXY& context)
{
    TFormulaAnalysis analysis;
    StartAnalysis(analysis, false);
    AnalyseFormula(analysis);
    context.PartCount = std::clamp(analysis.branchCount, 1, MaximumFormulaParts);
    // A fresh analysis leaves every ± on its minus sign: the first of the ± parts.
    selectedPart_ = 1;
    selectedOf_ = analysis.branchCount;
}

void TFormulaCurve::SelectPart(TXY& context, int part)
{
    (void)context;
    selectedPart_ = 0;
    EnsurePart(part);
}

void TFormulaCurve::EnsurePart(int part)
{
    if (part < 1 || (part == selectedPart_ && selectedOf_ > 0))
        return;
    if (selectedOf_ <= 0) {
        TFormulaAnalysis count;
        StartAnalysis(count, false);
        AnalyseFormula(count);
        selectedOf_ = count.branchCount;
    }
    TFormulaAnalysis analysis;
    StartAnalysis(analysis, false);
    analysis.branchSelector = std::max(selectedOf_ - part, 0);
    AnalyseFormula(analysis);
    selectedPart_ = part;
}

bool TFormulaCurve::DependsOn(std::string_view name) const
{
    return Formula && Formula->DependsOn(name);
}

bool TFormulaCurve::SwapFormula(TEquationObject& other)
{
    auto* curve = dynamic_cast<TFormulaCurve*>(&other);
    if (!curve || curve == this || typeid(*curve) != typeid(*this) || !CanSwapWith(*curve))
        return false;
    ExchangeFormulas(*curve);
    selectedPart_ = selectedOf_ = 0;
    curve->selectedPart_ = curve->selectedOf_ = 0;
    DiscardLineStore();
    curve->DiscardLineStore();
    return true;
}

void TFormulaCurve::ExchangeFormulas(TFormulaCurve& other)
{
    std::swap(Formula, other.Formula);
}

void TFormulaCurve::PolarPoint(TXY& context)
{
    const Extended r = Variables.r;
    const Extended theta = Variables.theta;
    context.X = r * RealCos(theta);
    context.Y = r * RealSin(theta);
}

void TFormulaCurve::WriteFormula(std::string_view prefix, TMathsWriter& writer) const
{
    writer.WriteText(prefix.substr(0, 100));
    if (Formula)
        Formula->WriteTo(writer);
}

// ---- TYofX and TXofY ----------------------------------------------------------------

TYofX::TYofX(TEvaluatorPtr formula, int relation)
    : TFormulaCurve(std::move(formula)), Relation(CheckedRelation(relation))
{
}

TYofX::TYofX(TEvaluatorPtr formula, int relation, std::unique_ptr<TObjectList<TCalculatedObject>> creatorList)
    : TFormulaCurve(std::move(formula)), Relation(CheckedRelation(relation)),
      CreatorList(std::move(creatorList))
{
}

TYofX::~TYofX() = default;

namespace {

// Gives a special line its name as its shown formula.
template <class T> std::unique_ptr<T> Named(std::unique_ptr<T> curve, const char* name)
{
    TElementList list(new TEditorObject);
    list->next = new TStringEditObject(name);
    curve->SetElements(std::move(list));
    return curve;
}

} // namespace

std::unique_ptr<TYofX> TYofX::XAxisLine()
{
    return Named(std::make_unique<TYofX>(std::make_unique<TConstantEvaluator>(0), rlEqual), "x axis");
}

std::unique_ptr<TYofX> TYofX::DiagonalLine(bool negated)
{
    TEvaluatorPtr formula = MakeVariable(vcX);
    if (negated)
        formula = std::make_unique<TFunctionEvaluator>(fcNegate, std::move(formula));
    return Named(std::make_unique<TYofX>(std::move(formula), rlEqual), negated ? "y=-x" : "y=x");
}

bool TYofX::IsValid() const
{
    return !DragInfo || DragInfo->Valid();
}

void TYofX::Draw(Canvas& canvas, TXY& context)
{
    if (IsValid())
        Plot(canvas, context);
}

void TYofX::InitContext(TXY& context)
{
    TFormulaCurve::InitContext(context);
    context.ShadeKind = (Swapped() ? XShadeKinds : YShadeKinds)[Relation];
    context.DrawLine = RelationHasBoundary(Relation);
    // A transformed curve is sampled where its image will be visible. The
    // context keeps the window's ranges, from which pixels, the far-off limit
    // and the shading edge are taken; only the sampled range moves.
    sampleMoved_ = false;
    if (!Matrices.IsIdentity()) {
        const std::uint8_t saved = EvaluationStatus;
        const TAxisRanges box = Matrices.InverseBounds(context.Axes->GetRanges());
        if (EvaluationStatus <= esNormal && std::isfinite(box.XMin) && std::isfinite(box.XMax) &&
            std::isfinite(box.YMin) && std::isfinite(box.YMax)) {
            sampleMoved_ = true;
            sampleMin_ = Swapped() ? box.YMin : box.XMin;
            sampleMax_ = Swapped() ? box.YMax : box.XMax;
        }
        EvaluationStatus = saved;
    }
    if (DragInfo)
        context.Skip = DragInfo->Hidden();
}

Extended TYofX::ValueAt(Extended v)
{
    if (Swapped())
        Variables.y = v;
    else
        Variables.x = v;
    return EvaluateFormula();
}

void TYofX::CalculatePoint(TXY& context)
{
    const bool swapped = Swapped();
    Extended min = 0, max = 0;
    SampledRange(context, min, max);
    const Extended u = context.Parameter;
    const Extended v = u * max + (1 - u) * min;
    if (context.PartialPaint && !sampleMoved_) {
        // Only intervals wholly inside the strip being repainted are drawn.
        const Extended low = swapped ? context.ClipYMin : context.ClipXMin;
        const Extended high = swapped ? context.ClipYMax : context.ClipXMax;
        if (v < low || v + (max - min) / context.CurrentCount > high) {
            context.Continuous = false;
            return;
        }
    }
    const Extended f = ValueAt(v);
    TRealPoint p = swapped ? TRealPoint{f, v} : TRealPoint{v, f};
    if (!Matrices.IsIdentity())
        p = Matrices.Apply(p);
    context.X = p.x;
    context.Y = p.y;
}

void TYofX::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteChar(Swapped() ? 'x' : 'y');
    writer.WriteChar(RelationChar(Relation));
    if (Formula)
        Formula->WriteTo(writer);
}

bool TYofX::IsNear(TXYSearch& search)
{
    if (!IsValid())
        return true;
    const bool swapped = Swapped();
    const bool identity = Matrices.IsIdentity();
    ResetStatus();
    TRealPoint s{search.SearchX, search.SearchY};
    if (!identity)
        s = Matrices.ApplyInverse(s);
    const bool mapped = Defined();
    const Extended tolIndependent = swapped ? search.ClipYMin : search.ClipXMin;
    const Extended tolDependent = swapped ? search.ClipXMin : search.ClipYMin;
    const Extended independent = swapped ? s.y : s.x;
    const Extended target = swapped ? search.SearchX : search.SearchY;
    if (!mapped) {
        ResetStatus();
        return false;
    }

    // Tracking on, as the plotter draws: between two evaluations a pole or
    // a step of f is reported, and across one the curve is not drawn.
    const TSwitchScope tracking(Tracking, true);
    // The dependent value at v, mapped forward; false when undefined. jumped
    // tells whether f jumped since the evaluation before.
    auto valueAt = [&](Extended v, Extended& value, bool& jumped) {
        ResetStatus();
        const Extended f = ValueAt(v);
        TRealPoint p = swapped ? TRealPoint{f, v} : TRealPoint{v, f};
        jumped = EvaluationStatus == esPole || EvaluationStatus == esStep;
        if (!identity)
            p = Matrices.Apply(p);
        value = swapped ? p.x : p.y;
        return Defined() && std::isfinite(value);
    };
    // The curve between two defined values passes through the tolerance box
    // unless both lie above it or both below it.
    auto passes = [&](Extended a, Extended b) {
        const bool bothAbove = a > target + tolDependent && b > target + tolDependent;
        const bool bothBelow = a < target - tolDependent && b < target - tolDependent;
        return !bothAbove && !bothBelow;
    };

    const Extended low = independent - tolIndependent, high = independent + tolIndependent;
    Extended first = 0, last = 0;
    bool jumped = false;
    if (!valueAt(high, first, jumped) || !valueAt(low, last, jumped)) {
        ResetStatus();
        return false;
    }
    bool near = false;
    if (!jumped) {
        near = passes(first, last);
    } else {
        // f jumps between the ends (tan x beside its pole), so the ends tell
        // nothing: the curve is near where a stretch without a jump passes
        // through the box, tested a pixel at a time as the curve is drawn.
        constexpr int Pieces = 10;
        Extended previous = last;
        bool previousDefined = valueAt(low, previous, jumped);
        for (int k = 1; k <= Pieces && !near; ++k) {
            Extended value = 0;
            const bool defined = valueAt(low + (high - low) * k / Pieces, value, jumped);
            near = defined && previousDefined && !jumped && passes(previous, value);
            // As in drawing, a point past a jump starts no stretch (at the
            // pole itself its value means nothing).
            previous = value;
            previousDefined = defined && !jumped;
        }
    }
    ResetStatus();
    return near;
}

char TYofX::VariableLetter(int index) const
{
    const bool dependent = index == 0;
    return (dependent != Swapped()) ? 'y' : 'x';
}

Extended TYofX::ParameterAt(Extended y, Extended x)
{
    return Swapped() ? y : x;
}

Extended TYofX::ParameterStep(const TAxes& window)
{
    const TAxisRanges r = window.GetRanges();
    return (Swapped() ? r.YMax - r.YMin : r.XMax - r.XMin) / SampleIntervals();
}

std::string TYofX::PointText(const TAxes& axes, QPoint pixel)
{
    return Swapped() ? axes.YAxis->LabelMarkup(pixel.y()) : axes.XAxis->LabelMarkup(pixel.x());
}

void TYofX::SetParameterValue(TXY& context, Extended v)
{
    Extended min = 0, max = 0;
    SampledRange(context, min, max);
    context.Parameter = max != min ? (v - min) / (max - min) : 0;
}

void TYofX::SampledRange(const TXY& context, Extended& min, Extended& max) const
{
    if (sampleMoved_) {
        min = sampleMin_;
        max = sampleMax_;
        return;
    }
    const TAxis& axis = Swapped() ? *context.Axes->YAxis : *context.Axes->XAxis;
    min = axis.Min;
    max = axis.Max;
}

Extended TYofX::SignedDistance(const TRealPoint& point, int part)
{
    EnsurePart(part);
    return Swapped() ? ValueAt(point.y) - point.x : ValueAt(point.x) - point.y;
}

void TYofX::SetMatrices(const TDragMatrices& matrices)
{
    Matrices = matrices;
    DiscardLineStore();
}

bool TYofX::CanSwapWith(const TFormulaCurve& other) const
{
    return static_cast<const TYofX&>(other).Relation == Relation;
}

void TYofX::ExchangeFormulas(TFormulaCurve& other)
{
    TFormulaCurve::ExchangeFormulas(other);
    // The new formula is drawn as typed, not as the old one was dragged.
    for (TYofX* curve : {this, static_cast<TYofX*>(&other)}) {
        curve->DragInfo.reset();
        curve->Matrices.Reset();
    }
}

TXofY::TXofY(TEvaluatorPtr formula, int relation) : TYofX(std::move(formula), relation) {}

TXofY::TXofY(TEvaluatorPtr formula, int relation, std::unique_ptr<TObjectList<TCalculatedObject>> creatorList)
    : TYofX(std::move(formula), relation, std::move(creatorList))
{
}

std::unique_ptr<TXofY> TXofY::YAxisLine()
{
    return Named(std::make_unique<TXofY>(std::make_unique<TConstantEvaluator>(0), rlEqual), "y axis");
}

// ---- TYParametric and TPolarParametric ------------------------------------------------

TYParametric::TYParametric(TEvaluatorPtr yFormula, TEvaluatorPtr xFormula, TEvaluatorPtr tStart,
                           TEvaluatorPtr tEnd)
    : TFormulaCurve(std::move(yFormula)), XFormula(std::move(xFormula)), TStart(std::move(tStart)),
      TEnd(std::move(tEnd))
{
}

void TYParametric::AnalyseFormula(TFormulaAnalysis& analysis)
{
    TFormulaCurve::AnalyseFormula(analysis);
    if (XFormula)
        XFormula->Analyse(analysis);
}

bool TYParametric::DependsOn(std::string_view name) const
{
    for (const TEvaluatorPtr* tree : {&Formula, &XFormula, &TStart, &TEnd})
        if (*tree && (*tree)->DependsOn(name))
            return true;
    return false;
}

void TYParametric::ExchangeFormulas(TFormulaCurve& other)
{
    TFormulaCurve::ExchangeFormulas(other);
    auto& curve = static_cast<TYParametric&>(other);
    std::swap(XFormula, curve.XFormula);
    std::swap(TStart, curve.TStart);
    std::swap(TEnd, curve.TEnd);
}

void TYParametric::PointAt(Extended t, TXY& context)
{
    Variables.t = t;
    context.X = EvaluateXFormula();
    context.Y = EvaluateFormula();
}

void TYParametric::CalculatePoint(TXY& context)
{
    bool startFailed = false, endFailed = false;
    const Extended start = EvaluateBound(TStart.get(), startFailed);
    const Extended end = EvaluateBound(TEnd.get(), endFailed);
    if (startFailed || endFailed) {
        SetStatus(esUndefined);
        return;
    }
    const Extended u = context.Parameter;
    PointAt(u * end + (1 - u) * start, context);
}

void TYParametric::WriteDefinition(TMathsWriter& writer) const
{
    WriteFormula(FirstPrefix(), writer);
    writer.WriteChar('\t');
    writer.WriteText(SecondPrefix());
    if (XFormula)
        XFormula->WriteTo(writer);
    writer.WriteText("\tt=");
    if (TStart)
        TStart->WriteTo(writer);
    writer.WriteText("to");
    if (TEnd)
        TEnd->WriteTo(writer);
}

Extended TYParametric::ParameterAt(Extended y, Extended x)
{
    bool startFailed = false, endFailed = false;
    const Extended start = EvaluateBound(TStart.get(), startFailed);
    const Extended end = EvaluateBound(TEnd.get(), endFailed);
    if (startFailed || endFailed)
        return 0;

    TXY context;
    Extended best = start;
    Extended bestDistance = 1e37L;
    auto consider = [&](Extended t) {
        ResetStatus();
        PointAt(t, context);
        if (!Defined())
            return;
        const Extended dx = context.X - x;
        const Extended dy = context.Y - y;
        const Extended distance = dx * dx + dy * dy;
        if (std::isfinite(distance) && distance < bestDistance) {
            bestDistance = distance;
            best = t;
        }
    };
    Extended step = (end - start) / 30;
    for (int k = 0; k < 30; ++k)
        consider(start + k * step);
    // Twice more, ten steps across the best so far plus and minus the last step.
    for (int pass = 0; pass < 2; ++pass) {
        const Extended from = best - step;
        const Extended span = 2 * step;
        step = span / 10;
        for (int k = 0; k <= 10; ++k)
            consider(from + k * step);
    }
    ResetStatus();
    return best;
}

bool TYParametric::IsNear(TXYSearch& search)
{
    const Extended t = ParameterAt(search.SearchY, search.SearchX);
    ResetStatus();
    PointAt(t, search);
    const bool near = Defined() && std::fabs(search.SearchX - search.X) < search.ClipXMin &&
                      std::fabs(search.SearchY - search.Y) < search.ClipYMin;
    ResetStatus();
    return near;
}

Extended TYParametric::ParameterStep(const TAxes&)
{
    bool startFailed = false, endFailed = false;
    const Extended start = EvaluateBound(TStart.get(), startFailed);
    const Extended end = EvaluateBound(TEnd.get(), endFailed);
    return (end - start) / SampleIntervals();
}

void TYParametric::SetParameterValue(TXY& context, Extended v)
{
    bool startFailed = false, endFailed = false;
    const Extended start = EvaluateBound(TStart.get(), startFailed);
    const Extended end = EvaluateBound(TEnd.get(), endFailed);
    context.Parameter = end != start ? (v - start) / (end - start) : 0;
}

TPolarParametric::TPolarParametric(TEvaluatorPtr rFormula, TEvaluatorPtr thetaFormula, TEvaluatorPtr tStart,
                                   TEvaluatorPtr tEnd)
    : TYParametric(std::move(rFormula), std::move(thetaFormula), std::move(tStart), std::move(tEnd))
{
}

void TPolarParametric::PointAt(Extended t, TXY& context)
{
    Variables.t = t;
    const Extended r = EvaluateFormula();
    const Extended theta = EvaluateXFormula();
    Variables.r = r;
    Variables.theta = theta;
    PolarPoint(context);
}

// ---- TRofTheta ----------------------------------------------------------------------

TRofTheta::TRofTheta(TEvaluatorPtr formula, TEvaluatorPtr revolutions)
    : TFormulaCurve(std::move(formula)), Revolutions(std::move(revolutions))
{
}

bool TRofTheta::DependsOn(std::string_view name) const
{
    return TFormulaCurve::DependsOn(name) || (Revolutions && Revolutions->DependsOn(name));
}

void TRofTheta::ExchangeFormulas(TFormulaCurve& other)
{
    TFormulaCurve::ExchangeFormulas(other);
    std::swap(Revolutions, static_cast<TRofTheta&>(other).Revolutions);
}

Extended TRofTheta::Turns()
{
    bool failed = false;
    const Extended turns = EvaluateBound(Revolutions.get(), failed);
    return failed ? 0 : turns;
}

void TRofTheta::PointAtAngle(Extended theta, TXY& context)
{
    Variables.theta = theta;
    Variables.r = EvaluateFormula();
    PolarPoint(context);
}

void TRofTheta::CalculatePoint(TXY& context)
{
    bool failed = false;
    const Extended turns = EvaluateBound(Revolutions.get(), failed);
    if (failed) {
        SetStatus(esUndefined);
        return;
    }
    PointAtAngle(turns * context.Parameter * 2 * Pi / AngleFactor, context);
}

void TRofTheta::WriteDefinition(TMathsWriter& writer) const
{
    WriteFormula("r=", writer);
    writer.WriteText("\tfor ");
    if (Revolutions)
        Revolutions->WriteTo(writer);
    writer.WriteText(" revs");
}

Extended TRofTheta::ParameterAt(Extended y, Extended x)
{
    Extended a = 0;
    if (x != 0) {
        a = std::atan(y / x);
        if (x < 0)
            a += Pi;
        else if (y < 0)
            a += 2 * Pi;
    } else if (y > 0) {
        a = Pi / 2;
    } else if (y < 0) {
        a = 3 * Pi / 2;
    }
    return a / AngleFactor;
}

Extended TRofTheta::ParameterStep(const TAxes&)
{
    return Turns() * 2 * Pi / AngleFactor / SampleIntervals();
}

void TRofTheta::SetParameterValue(TXY& context, Extended v)
{
    const Extended turns = Turns();
    context.Parameter = turns != 0 ? v / turns / (2 * Pi) * AngleFactor : 0;
}

bool TRofTheta::IsNear(TXYSearch& search)
{
    const Extended tolX = search.ClipXMin;
    const Extended tolY = search.ClipYMin;
    const Extended sx = search.SearchX;
    const Extended sy = search.SearchY;
    // Every direction passes through a box around the origin.
    if (std::fabs(sx) <= tolX && std::fabs(sy) <= tolY)
        return false;
    const Extended left = sx - tolX, right = sx + tolX, bottom = sy - tolY, top = sy + tolY;

    // The two corners that bound the box as seen from the origin give the
    // start angle d and the end angle c, with d <= c.
    const Extended turn = 2 * Pi / AngleFactor;
    const Extended centre = ParameterAt(sy, sx);
    const TRealPoint corners[4] = {{left, bottom}, {left, top}, {right, bottom}, {right, top}};
    Extended lowest = 0, highest = 0;
    for (const TRealPoint& corner : corners) {
        Extended difference = ParameterAt(corner.y, corner.x) - centre;
        if (difference > turn / 2)
            difference -= turn;
        else if (difference < -turn / 2)
            difference += turn;
        lowest = std::min(lowest, difference);
        highest = std::max(highest, difference);
    }
    Extended d = centre + lowest;
    if (d < 0)
        d += turn;
    Extended c = d + (highest - lowest);

    const Extended turns = Turns();
    const Extended half = turn / 2;
    Extended step = half;
    if (turns >= 0) {
        if (d > half) {
            d -= half;
            c -= half;
        }
    } else {
        while (d > 0) {
            d -= half;
            c -= half;
        }
        step = -half;
    }

    const int steps = 2 * static_cast<int>(std::min<Extended>(RoundEven(std::fabs(turns) + 0.4L), 1e6L));
    // The chord from a to b meets the box: an end inside it, or the chord
    // crossing one of its edges.
    auto chordNear = [&](const TRealPoint& a, const TRealPoint& b) {
        if ((a.x < left && b.x < left) || (a.x > right && b.x > right) || (a.y < bottom && b.y < bottom) ||
            (a.y > top && b.y > top))
            return false;
        auto inside = [&](const TRealPoint& p) {
            return p.x >= left && p.x <= right && p.y >= bottom && p.y <= top;
        };
        if (inside(a) || inside(b))
            return true;
        for (const Extended edge : {left, right}) {
            if ((a.x - edge) * (b.x - edge) <= 0 && a.x != b.x) {
                const Extended y = a.y + (b.y - a.y) * (edge - a.x) / (b.x - a.x);
                if (y >= bottom && y <= top)
                    return true;
            }
        }
        for (const Extended edge : {bottom, top}) {
            if ((a.y - edge) * (b.y - edge) <= 0 && a.y != b.y) {
                const Extended x = a.x + (b.x - a.x) * (edge - a.y) / (b.y - a.y);
                if (x >= left && x <= right)
                    return true;
            }
        }
        return false;
    };
    // One chord across the angles that bound the box cuts inside a curve
    // that turns within them (a rose's petal tip): the curve is followed
    // across them as it is drawn, a sample angle at a time.
    const Extended drawnStep = std::fabs(turns) * turn / std::max(1, search.SampleCount);
    constexpr int MaximumPieces = 2000;
    bool near = false;
    for (int k = 0; k < steps && !near; ++k, d += step, c += step) {
        const Extended width = c - d;
        const int pieces = drawnStep > 0 && std::isfinite(width / drawnStep)
                               ? std::clamp(static_cast<int>(std::ceil(width / drawnStep)), 1, MaximumPieces)
                               : 1;
        TRealPoint previous;
        bool previousDefined = false;
        for (int piece = 0; piece <= pieces && !near; ++piece) {
            ResetStatus();
            PointAtAngle(piece == pieces ? c : d + width * piece / pieces, search);
            const TRealPoint point{search.X, search.Y};
            const bool defined = Defined();
            near = defined && previousDefined && chordNear(previous, point);
            previous = point;
            previousDefined = defined;
        }
    }
    ResetStatus();
    return near;
}

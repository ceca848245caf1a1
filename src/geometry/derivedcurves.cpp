#include "geometry/derivedcurves.h"

#include "expr/declarations.h"
#include "formula/descriptions.h"
#include "formula/markup.h"
#include "geometry/straightline.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "numbers/evalstate.h"
#include "platform/drawinginterrupt.h"
#include "plot/formulacurve.h"
#include "plot/polylinebuffer.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

namespace {

constexpr Extended NaN = std::numeric_limits<Extended>::quiet_NaN();

// A point of the primary that a chord or trapezium may use: computed, joined
// and finite.
bool Defined(const TXY& context)
{
    return context.Continuous && EvaluationStatus <= esClamped && std::isfinite(context.X) &&
           std::isfinite(context.Y);
}

// The primary's sampling without shading: a derived curve is a plain line,
// and it is computed whole even for a partial repaint (its values at a point
// depend on the points before it).
void PrimaryContext(TCurvePLotter* primary, TXY& context)
{
    if (primary)
        primary->InitContext(context);
    context.ShadeKind = 0;
    context.DrawLine = true;
    context.PartialPaint = false;
}

} // namespace

// ---- TGradient ---------------------------------------------------------------------------

TGradient::TGradient(TCurvePLotter* primary)
{
    PrimaryCurve = primary;
}

void TGradient::SetGradientText()
{
    TElementList list(new TEditorObject);
    list->next = new TFixedDescription(dnGradientFunction);
    SetElements(std::move(list));
    DescriptionFlag = true;
}

bool TGradient::IsValid() const
{
    return PrimaryCurve && PrimaryCurve->HasProperty(1);
}

void TGradient::InitContext(TXY& context)
{
    PrimaryContext(PrimaryCurve, context);
    hasPrevious_ = false;
}

void TGradient::SelectPart(TXY& context, int part)
{
    if (PrimaryCurve)
        PrimaryCurve->SelectPart(context, part);
    hasPrevious_ = false;
}

void TGradient::CalculatePoint(TXY& context)
{
    if (!PrimaryCurve) {
        SetStatus(esUndefined);
        return;
    }
    const Extended u = context.Parameter;
    if (context.ExactParameter || scanning_) {
        // Alone, the chord runs from the primary's point one sample before.
        context.Parameter = u - 1.0L / std::max(1, context.SampleCount);
        PrimaryCurve->CalculatePoint(context);
        hasPrevious_ = Defined(context);
        context.PrevX = context.X;
        context.PrevY = context.Y;
        context.Continuous = true;
        ResetStatus();
        context.Parameter = u;
    }
    PrimaryCurve->CalculatePoint(context);
    if (!Defined(context)) {
        // The chord breaks here; the next sample starts a fresh one.
        hasPrevious_ = false;
        if (context.Continuous && EvaluationStatus <= esClamped)
            SetStatus(esUndefined);
        return;
    }
    const Extended x = context.X, y = context.Y;
    if (hasPrevious_ && x != context.PrevX) {
        context.Y = (y - context.PrevY) / (x - context.PrevX);
        context.X = (x + context.PrevX) / 2;
        if (!std::isfinite(context.Y))
            SetStatus(esUndefined);
    } else {
        SetStatus(esUndefined);
    }
    context.PrevX = x;
    context.PrevY = y;
    hasPrevious_ = true;
    if (u == 0 && EvaluationStatus == esNormal)
        SetStatus(esUndefined);
}

Extended TGradient::ParameterAt(Extended y, Extended x)
{
    return PrimaryCurve ? PrimaryCurve->ParameterAt(y, x) : 0;
}

Extended TGradient::ParameterStep(const TAxes& window)
{
    return PrimaryCurve ? PrimaryCurve->ParameterStep(window) : 1;
}

void TGradient::SetParameterValue(TXY& context, Extended v)
{
    if (PrimaryCurve)
        PrimaryCurve->SetParameterValue(context, v);
    else
        context.Parameter = v;
}

void TGradient::FindCrossings(TCurvePLotter& other, const TGraphParams& params,
                              std::vector<TRealPoint>& rounded, std::vector<TRealPoint>& exact)
{
    const TSwitchScope scanning(scanning_, true);
    TDependentCurvePlotter::FindCrossings(other, params, rounded, exact);
}

void TGradient::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText(DescriptionText(dnGradientFunction, true));
}

// ---- TArea ----------------------------------------------------------------------------------

TArea::TArea(TEvaluatorPtr startValue, TCurvePLotter* primary) : StartValue(std::move(startValue))
{
    PrimaryCurve = primary;
}

TArea::~TArea() = default;

void TArea::SetAreaText(const std::string& field)
{
    const std::string words =
        std::string(DescriptionText(dnAreaFrom, true)) + (PrimaryCurve ? ParameterName(*PrimaryCurve) : "");
    SetElements(
        ElementsFromText(TwoFieldList(words, field.empty() ? TreeToMarkup(StartValue.get()) : field)));
}

std::unique_ptr<TDragCustom> TArea::MakeHandle()
{
    // Only under y = f(x) is the start a place on the x axis.
    if (!PrimaryCurve || typeid(*PrimaryCurve) != typeid(TYofX))
        return nullptr;
    const Extended start = FormulaValue(StartValue.get());
    if (!std::isfinite(start))
        return nullptr;
    return std::make_unique<TDragOnAxis>(this, start, 0);
}

void TArea::DragPointMoved(TDragCustom* handle)
{
    if (!handle || !PrimaryCurve)
        return;
    const Extended start = PrimaryCurve->ParameterAt(handle->AnchorY, handle->AnchorX);
    if (!std::isfinite(start))
        return;
    StartValue = std::make_unique<TConstantEvaluator>(RoundDisplay(start));
    SetAreaText(DisplayText(start));
    DefinitionChanged();
}

bool TArea::IsValid() const
{
    return PrimaryCurve && PrimaryCurve->HasProperty(1);
}

bool TArea::DependsOn(std::string_view name) const
{
    return TDependentCurvePlotter::DependsOn(name) || (StartValue && StartValue->DependsOn(name));
}

void TArea::InitContext(TXY& context)
{
    PrimaryContext(PrimaryCurve, context);
    StartRun();
}

void TArea::SelectPart(TXY& context, int part)
{
    if (PrimaryCurve)
        PrimaryCurve->SelectPart(context, part);
    StartRun();
}

void TArea::StartRun()
{
    area_ = 0;
    hasPrevious_ = false;
}

Extended TArea::StartParameter(TXY& context)
{
    const Extended start = FormulaValue(StartValue.get());
    if (!PrimaryCurve || !std::isfinite(start))
        return NaN;
    const Extended saved = context.Parameter;
    PrimaryCurve->SetParameterValue(context, start);
    const Extended u0 = context.Parameter;
    context.Parameter = saved;
    return std::isfinite(u0) ? u0 : NaN;
}

void TArea::Accumulate(TXY& context)
{
    PrimaryCurve->CalculatePoint(context);
    if (!Defined(context)) {
        // The sum goes on past the gap; no trapezium touches the missing point.
        hasPrevious_ = false;
        if (context.Continuous && EvaluationStatus <= esClamped)
            SetStatus(esUndefined);
        return;
    }
    const Extended x = context.X, y = context.Y;
    if (hasPrevious_) {
        area_ += (y / 2 + context.PrevY / 2) * (x - context.PrevX);
        context.X = (x + context.PrevX) / 2;
    }
    context.Y = area_;
    context.PrevX = x;
    context.PrevY = y;
    hasPrevious_ = true;
    if (!std::isfinite(area_))
        SetStatus(esUndefined);
}

void TArea::CalculatePoint(TXY& context)
{
    if (!PrimaryCurve) {
        SetStatus(esUndefined);
        return;
    }
    if (!context.ExactParameter) {
        Accumulate(context);
        return;
    }
    // Alone: the sum from the start value to the parameter at the drawing's
    // spacing (at most MaximumLeadFactor x N steps), ending at the primary's point there.
    const Extended u = context.Parameter;
    const Extended u0 = StartParameter(context);
    if (!std::isfinite(u0)) {
        SetStatus(esUndefined);
        return;
    }
    const int n = std::max(1, context.SampleCount);
    const Extended steps = std::ceil(std::fabs(u - u0) * n);
    const int count =
        static_cast<int>(std::min<Extended>(steps, static_cast<Extended>(MaximumLeadFactor) * n));
    StartRun();
    for (int k = 0; k <= count; ++k) {
        context.Parameter = count == 0 ? u : u0 + (u - u0) * k / count;
        context.Continuous = true;
        ResetStatus();
        Accumulate(context);
    }
    if (EvaluationStatus <= esClamped && hasPrevious_)
        context.X = context.PrevX;
    context.Parameter = u;
}

template <class Sample> void TArea::Run(TXY& context, Extended u0, int direction, Sample&& sample)
{
    StartRun();
    const int n = std::max(1, context.SampleCount);
    // v: the start as a fraction along the run's direction.
    const Extended v = direction > 0 ? u0 : 1 - u0;
    if (!std::isfinite(v) || v > 1)
        return;
    context.Reverse = direction < 0;
    int first = 0;
    if (v < 0) {
        // From a start outside the window to its edge: equally spaced samples,
        // summed but not drawn.
        const Extended edge = direction > 0 ? 0 : 1;
        const Extended steps = std::ceil(-v * n);
        const int count =
            static_cast<int>(std::min<Extended>(steps, static_cast<Extended>(MaximumLeadFactor) * n));
        // The last of them is the edge itself, so that the first sum drawn
        // sits on the edge rather than in the middle of a long step.
        for (int k = 0; k <= count; ++k) {
            context.Parameter = k == count ? edge : u0 + (edge - u0) * k / count;
            context.Continuous = true;
            ResetStatus();
            Accumulate(context);
        }
        context.Continuous = true;
    } else {
        context.Parameter = u0;
        sample(-1); // the start point itself, where the area is 0
        first = static_cast<int>(std::floor(v * n)) + 1;
    }
    if (first <= n)
        sample(first);
}

void TArea::Draw(Canvas& canvas, TXY& context)
{
    if (!PrimaryCurve)
        return;
    const TSwitchScope tracking(Tracking, true);
    TPolyLineBuffer buffer(*this, canvas, context);
    const int n = std::max(1, context.SampleCount);
    FamilyStart();
    do {
        for (int part = 1; part <= context.PartCount && !buffer.Abandoned(); ++part) {
            SelectPart(context, part);
            const Extended u0 = StartParameter(context);
            for (int direction : {1, -1}) {
                Run(context, u0, direction, [&](int first) {
                    if (first < 0) {
                        ResetStatus();
                        CalculatePoint(context);
                        if (context.Continuous && EvaluationStatus == esNormal)
                            buffer.AddPoint();
                        context.Continuous = true;
                    } else {
                        buffer.SampleRun(first, n - first, n);
                    }
                });
                buffer.Flush(0);
                context.Reverse = false;
                if (buffer.Abandoned())
                    break;
            }
        }
    } while (!buffer.Abandoned() && FamilyNext());
    if (!buffer.Abandoned())
        ReportFirstDrawing(context);
    buffer.Finish();
}

std::vector<std::vector<TRealPoint>> TArea::DrawnPoints(const TGraphParams* params)
{
    std::vector<std::vector<TRealPoint>> runs;
    if (!PrimaryCurve)
        return runs;
    std::unique_ptr<TXY> context = params ? std::make_unique<TXY>(*params) : std::make_unique<TXY>();
    InitContext(*context);
    const int n = std::max(1, context->SampleCount);
    for (int part = 1; part <= context->PartCount; ++part) {
        SelectPart(*context, part);
        const Extended u0 = StartParameter(*context);
        for (int direction : {1, -1}) {
            runs.emplace_back();
            auto take = [&](Extended u) {
                context->Parameter = u;
                context->Continuous = true;
                ResetStatus();
                CalculatePoint(*context);
                if (context->Continuous && EvaluationStatus <= esNormal)
                    runs.back().push_back({context->X, context->Y});
                else if (!runs.back().empty())
                    runs.emplace_back();
            };
            Run(*context, u0, direction, [&](int first) {
                if (first < 0) {
                    take(u0);
                    return;
                }
                for (int i = first; i <= n; ++i) {
                    const Extended fraction = static_cast<Extended>(i) / n;
                    take(direction < 0 ? 1 - fraction : fraction);
                }
            });
            context->Reverse = false;
        }
    }
    ResetStatus();
    std::erase_if(runs, [](const auto& run) { return run.empty(); });
    return runs;
}

void TArea::FindCrossings(TCurvePLotter& other, const TGraphParams& params, std::vector<TRealPoint>& rounded,
                          std::vector<TRealPoint>& exact)
{
    FindCrossingsAlong(DrawnPoints(&params), other, params, rounded, exact);
}

Extended TArea::ParameterAt(Extended y, Extended x)
{
    return PrimaryCurve ? PrimaryCurve->ParameterAt(y, x) : 0;
}

Extended TArea::ParameterStep(const TAxes& window)
{
    return PrimaryCurve ? PrimaryCurve->ParameterStep(window) : 1;
}

void TArea::SetParameterValue(TXY& context, Extended v)
{
    if (PrimaryCurve)
        PrimaryCurve->SetParameterValue(context, v);
    else
        context.Parameter = v;
}

void TArea::WriteDefinition(TMathsWriter& writer) const
{
    const std::string words =
        std::string(DescriptionText(dnAreaFrom, true)) + (PrimaryCurve ? ParameterName(*PrimaryCurve) : "");
    writer.WriteText(TwoFieldList(words, TreeToMarkup(StartValue.get())));
}

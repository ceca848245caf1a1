#include "geometry/series.h"

#include "expr/declarations.h"
#include "formula/descriptions.h"
#include "geometry/straightline.h"
#include "numbers/evalstate.h"
#include "platform/drawinginterrupt.h"
#include "plot/polylinebuffer.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>

namespace {

// The x of the window at the parameter: the program-wide x and the point's X.
void SetSeriesX(TXY& context)
{
    const TAxis& axis = *context.Axes->XAxis;
    const Extended u = context.Parameter;
    const Extended x = u * axis.Max + (1 - u) * axis.Min;
    Variables.x = x;
    context.X = x;
}

Extended Evaluate(TEvaluator* tree)
{
    if (!tree) {
        SetStatus(esUndefined);
        return 0;
    }
    return SafeEvaluate(tree);
}

// One curve per partial sum from the bounds, per family member and part.
template <class Kind> void DrawPartialSums(Kind& series, Canvas& canvas, TXY& context)
{
    const TSwitchScope tracking(Tracking, true);
    TPolyLineBuffer buffer(series, canvas, context);
    const int n = std::max(1, context.SampleCount);
    FamilyStart();
    do {
        int first = 0, last = -1;
        if (SeriesRange(FormulaValue(series.FromN.get()), FormulaValue(series.ToN.get()), first, last)) {
            for (int count = first; count <= last && !buffer.Abandoned(); ++count) {
                series.TermCount = count;
                for (int part = 1; part <= context.PartCount && !buffer.Abandoned(); ++part) {
                    series.SelectPart(context, part);
                    buffer.SampleRun(0, n, n);
                }
            }
        }
    } while (!buffer.Abandoned() && FamilyNext());
    series.UseLastSum();
    if (!buffer.Abandoned())
        series.ReportFirstDrawing(context);
    buffer.Finish();
}

} // namespace

bool SeriesRange(Extended from, Extended to, int& first, int& last)
{
    if (!std::isfinite(from) || !std::isfinite(to))
        return false;
    const Extended limit = SeriesBoundLimit;
    first = static_cast<int>(std::clamp<Extended>(std::round(from), -limit, limit));
    last = static_cast<int>(std::clamp<Extended>(std::round(to), -limit, limit));
    last = std::min(last, first + SeriesSumLimit - 2);
    return last >= first;
}

// ---- shared bounds -----------------------------------------------------------------------

void TSeriesBounds::WriteBounds(TMathsWriter& writer) const
{
    writer.WriteText("\tn=");
    if (FromN)
        FromN->WriteTo(writer);
    writer.WriteText(" to ");
    if (ToN)
        ToN->WriteTo(writer);
}

void TSeriesBounds::UseLastSum()
{
    int first = 0, last = 0;
    TermCount = SeriesRange(FormulaValue(FromN.get()), FormulaValue(ToN.get()), first, last) ? last : 0;
}

bool TSeriesBounds::BoundsDependOn(std::string_view name) const
{
    return (FromN && FromN->DependsOn(name)) || (ToN && ToN->DependsOn(name));
}

// ---- TPowerSeries ------------------------------------------------------------------------

TPowerSeries::TPowerSeries(TEvaluatorPtr first, TEvaluatorPtr ratio, TEvaluatorPtr fromN, TEvaluatorPtr toN)
    : First(std::move(first)), Ratio(std::move(ratio))
{
    FromN = std::move(fromN);
    ToN = std::move(toN);
}

bool TPowerSeries::DependsOn(std::string_view name) const
{
    return (First && First->DependsOn(name)) || (Ratio && Ratio->DependsOn(name)) || BoundsDependOn(name);
}

void TPowerSeries::InitContext(TXY& context)
{
    TCurvePLotter::InitContext(context);
    UseLastSum();
}

void TPowerSeries::Draw(Canvas& canvas, TXY& context)
{
    DrawPartialSums(*this, canvas, context);
}

void TPowerSeries::CalculatePoint(TXY& context)
{
    SetSeriesX(context);
    // The first term may use n: it is the first.
    Variables.n = 1;
    Extended term = Evaluate(First.get());
    Extended sum = term;
    if (EvaluationStatus > esNormal) {
        context.Y = sum;
        return;
    }
    for (std::int32_t k = 2; k <= TermCount && term != 0; ++k) {
        Variables.n = k;
        term *= Evaluate(Ratio.get());
        sum += term;
        if (!std::isfinite(sum) && EvaluationStatus <= esNormal)
            SetStatus(esUndefined);
        if (EvaluationStatus > esNormal)
            break;
    }
    context.Y = sum;
}

void TPowerSeries::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText("first=");
    if (First)
        First->WriteTo(writer);
    writer.WriteText("\tratio=");
    if (Ratio)
        Ratio->WriteTo(writer);
    WriteBounds(writer);
}

// ---- TGenPowerSeries ---------------------------------------------------------------------

TGenPowerSeries::TGenPowerSeries(TEvaluatorPtr term, TEvaluatorPtr fromN, TEvaluatorPtr toN)
    : TFormulaCurve(std::move(term))
{
    FromN = std::move(fromN);
    ToN = std::move(toN);
}

bool TGenPowerSeries::DependsOn(std::string_view name) const
{
    return TFormulaCurve::DependsOn(name) || BoundsDependOn(name);
}

void TGenPowerSeries::InitContext(TXY& context)
{
    TFormulaCurve::InitContext(context);
    UseLastSum();
}

void TGenPowerSeries::Draw(Canvas& canvas, TXY& context)
{
    DrawPartialSums(*this, canvas, context);
}

void TGenPowerSeries::CalculatePoint(TXY& context)
{
    SetSeriesX(context);
    // The sum always starts at the first term; the bounds only choose the sums drawn.
    Extended sum = 0;
    for (std::int32_t k = 1; k <= TermCount; ++k) {
        Variables.n = k;
        sum += EvaluateFormula();
        if (!std::isfinite(sum) && EvaluationStatus <= esNormal)
            SetStatus(esUndefined);
        if (EvaluationStatus > esNormal)
            break;
    }
    context.Y = sum;
}

void TGenPowerSeries::WriteDefinition(TMathsWriter& writer) const
{
    WriteFormula("nth=", writer);
    WriteBounds(writer);
}

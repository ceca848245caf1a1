#include "graph/rescalemodel.h"

#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"

#include <cmath>

namespace {

TRealReaderPtr Number(Extended value)
{
    return std::make_unique<TRealReader>(value);
}

// A bound replaced by a value: the typed form stays when the value is the same.
void Replace(TRealReaderPtr& entry, Extended value)
{
    if (!entry || entry->Value() != value)
        entry = Number(value);
}

} // namespace

TScaleEntries TScaleEntries::Clone() const
{
    return {CloneNumber(xmin.get()), CloneNumber(xmax.get()), CloneNumber(ymin.get()),
            CloneNumber(ymax.get())};
}

bool RoundAutoscalePair(Extended& min, Extended& max)
{
    const Extended half = std::fabs(max - min) / 2;
    if (!std::isfinite(min) || !std::isfinite(max) || !(half > 0) || !std::isfinite(half))
        return false;
    const Extended k = RoundEven(std::log10(half) + 0.5L) - 2;
    min = RoundToPowerOfTen(static_cast<int>(k), min);
    max = RoundToPowerOfTen(static_cast<int>(k), max);
    return true;
}

TRescaleModel::TRescaleModel(TGraphParams& params, TScaleHost* window) : params_(params), window_(window) {}

TScaleEntries TRescaleModel::Initial() const
{
    const TRescaleDataTransfer* scales = params_.Axes->Scales.get();
    if (!scales) {
        const TAxis& x = *params_.Axes->XAxis;
        const TAxis& y = *params_.Axes->YAxis;
        return {Number(x.Min), Number(x.Max), Number(y.Min), Number(y.Max)};
    }
    // A copy is resolved, so the scale in force keeps its steps.
    std::unique_ptr<TRescaleDataTransfer> shown = scales->Clone();
    shown->ResolveMaxima(*params_.Axes);
    return {std::move(shown->XMin), std::move(shown->XMax), std::move(shown->YMin), std::move(shown->YMax)};
}

TScaleEntries TRescaleModel::Autoscale(const TScaleEntries& typed,
                                       const std::function<void(TAxisRanges&)>& suggest)
{
    TScaleEntries result = typed.Clone();
    const auto value = [](const TRealReaderPtr& entry) { return entry ? entry->Value() : Extended(0); };
    const TAxisRanges before{value(typed.xmin), value(typed.xmax), value(typed.ymin), value(typed.ymax)};
    TAxisRanges ranges = before;
    if (suggest)
        suggest(ranges);
    // Only the pairs the curve replaced are rounded: a typed range such as
    // -pi to pi stays as it was typed.
    if (ranges.XMin != before.XMin || ranges.XMax != before.XMax) {
        RoundAutoscalePair(ranges.XMin, ranges.XMax);
        Replace(result.xmin, ranges.XMin);
        Replace(result.xmax, ranges.XMax);
    }
    if (ranges.YMin != before.YMin || ranges.YMax != before.YMax) {
        RoundAutoscalePair(ranges.YMin, ranges.YMax);
        Replace(result.ymin, ranges.YMin);
        Replace(result.ymax, ranges.YMax);
    }
    entriesFilled_ = true;
    return result;
}

std::optional<TScaleEntries> TRescaleModel::LastScales()
{
    const auto count = static_cast<int>(params_.History.size());
    if (count == 0)
        return std::nullopt;
    std::unique_ptr<TRescaleDataTransfer> stored = params_.History[lastScalesCount_ % count]->Clone();
    // A graph-paper scale holds steps where the maxima go: shown as maxima,
    // as at opening, so that applying it gives that scale back.
    stored->ResolveMaxima(*params_.Axes);
    ++lastScalesCount_;
    entriesFilled_ = true;
    return TScaleEntries{std::move(stored->XMin), std::move(stored->XMax), std::move(stored->YMin),
                         std::move(stored->YMax)};
}

std::unique_ptr<TRescaleDataTransfer> TRescaleModel::Transfer(const TScaleEntries& entries) const
{
    // The axis scalings in force survive a rescale (a trigonometric x axis stays one).
    return std::make_unique<TRescaleDataTransfer>(
        CloneNumber(entries.xmin.get()), CloneNumber(entries.xmax.get()), CloneNumber(entries.ymin.get()),
        CloneNumber(entries.ymax.get()), params_.Axes->XAxis->ScalingText(),
        params_.Axes->YAxis->ScalingText(), false);
}

TRescaleModel::TApplyResult TRescaleModel::Apply(TScaleEntries& entries, std::string& message)
{
    message.clear();
    if (!entries.Complete())
        return TApplyResult::Invalid;
    std::unique_ptr<TRescaleDataTransfer> transfer = Transfer(entries);
    if (!transfer->Validate(message))
        return TApplyResult::Invalid;
    Extended xmax = transfer->XMaxValue();
    Extended ymax = transfer->YMaxValue();
    params_.Axes->SnapGraphPaperMax(transfer->XMinValue(), transfer->YMinValue(), ymax, xmax);
    Replace(transfer->XMax, xmax);
    Replace(transfer->YMax, ymax);
    // What is applied is checked, not only what was typed: snapping may move a maximum.
    if (!transfer->Validate(message))
        return TApplyResult::Invalid;
    Replace(entries.xmax, xmax);
    Replace(entries.ymax, ymax);
    transfer->GraphPaper = params_.GraphPaperOn();
    if (!applied_) {
        if (!params_.SetScales(std::move(transfer), window_))
            return TApplyResult::Invalid;
    } else {
        // The scale the previous Apply put in force is replaced; the list keeps
        // the one from before the dialog and loses nothing, even when full.
        params_.Axes->ApplyScales(std::move(transfer), window_);
    }
    applied_ = true;
    return TApplyResult::Applied;
}

void TRescaleModel::UndoApplied()
{
    if (!applied_)
        return;
    params_.PreviousScales(window_);
    // The scale the dialog applied went to the end of the list.
    if (!params_.History.empty())
        params_.History.pop_back();
    if (window_)
        window_->ScaleListChanged();
    applied_ = false;
}

#include "graph/arrangemodel.h"

#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "numbers/numerics.h"
#include "settings/configuration.h"

#include <algorithm>

std::string ArrangeBoundText(const TRealReader& bound)
{
    std::string text = bound.GetText(5, 0);
    const std::size_t point = text.find(DecimalPoint);
    const std::size_t before = point == std::string::npos ? text.size() : point;
    if (before < 3)
        text.insert(0, 3 - before, ' ');
    return text;
}

TArrangeModel::TArrangeModel(TGraphParams& params, TScaleHost* window) : params_(params), window_(window)
{
    // The list holds a copy of the scale in force: the scales keep their
    // own, so nothing is owned twice however the rows move.
    std::unique_ptr<TRescaleDataTransfer> current =
        params_.Axes->Scales
            ? params_.Axes->Scales->Clone()
            : std::make_unique<TRescaleDataTransfer>(params_.Axes->XAxis->Min, params_.Axes->XAxis->Max,
                                                     params_.Axes->YAxis->Min, params_.Axes->YAxis->Max);
    applied_ = current.get();
    params_.History.insert(params_.History.begin(), std::move(current));
}

TArrangeModel::~TArrangeModel()
{
    Finish();
}

int TArrangeModel::RowCount() const
{
    return finished_ ? 0 : static_cast<int>(params_.History.size());
}

int TArrangeModel::IndexOf(const TRescaleDataTransfer* entry) const
{
    for (std::size_t i = 0; i < params_.History.size(); ++i)
        if (params_.History[i].get() == entry)
            return static_cast<int>(i);
    return -1;
}

int TArrangeModel::AppliedIndex() const
{
    return IndexOf(applied_);
}

std::array<std::string, 4> TArrangeModel::RowTexts(int row) const
{
    if (row < 0 || row >= RowCount())
        return {};
    std::unique_ptr<TRescaleDataTransfer> shown = params_.History[static_cast<std::size_t>(row)]->Clone();
    shown->ResolveMaxima(*params_.Axes);
    return {ArrangeBoundText(*shown->XMin), ArrangeBoundText(*shown->XMax), ArrangeBoundText(*shown->YMin),
            ArrangeBoundText(*shown->YMax)};
}

void TArrangeModel::Select(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    selected_ = row;
    const TRescaleDataTransfer* entry = params_.History[static_cast<std::size_t>(row)].get();
    if (entry == applied_)
        return;
    // A copy goes in force: fitting it to the window changes it, and the row
    // keeps the scale as it was stored.
    params_.Axes->ApplyScales(entry->Clone(), window_);
    // The redraw is an ordinary one, not a demonstration.
    DrawMode &= static_cast<std::uint8_t>(~dmDrawVisibly);
    applied_ = entry;
}

bool TArrangeModel::MoveSelected(int target)
{
    const int count = RowCount();
    if (count == 0 || selected_ < 0 || selected_ >= count)
        return false;
    target = std::clamp(target, 0, count - 1);
    if (target == selected_)
        return false;
    auto& list = params_.History;
    const auto from = list.begin() + selected_;
    const auto to = list.begin() + target;
    if (target > selected_)
        std::rotate(from, from + 1, to + 1);
    else
        std::rotate(to, from, from + 1);
    selected_ = target;
    return true;
}

bool TArrangeModel::DeleteSelected()
{
    const int count = RowCount();
    if (count <= 1 || selected_ < 0 || selected_ >= count)
        return count > 1;
    auto& list = params_.History;
    const bool wasApplied = list[static_cast<std::size_t>(selected_)].get() == applied_;
    const int appliedBefore = AppliedIndex();
    list.erase(list.begin() + selected_);
    if (wasApplied) {
        applied_ = nullptr;
        Select(std::max(0, appliedBefore - 1));
    } else {
        selected_ = AppliedIndex();
    }
    if (window_)
        window_->ScaleListChanged();
    return RowCount() > 1;
}

void TArrangeModel::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    auto& list = params_.History;
    const int index = IndexOf(applied_);
    if (index >= 0) {
        std::rotate(list.begin(), list.begin() + index, list.end());
        // The row in force leaves the list; the scales hold its copy.
        list.erase(list.begin());
    }
    while (list.size() > TGraphParams::MaxHistory)
        list.pop_back();
    if (window_)
        window_->ScaleListChanged();
}

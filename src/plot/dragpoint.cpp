#include "plot/dragpoint.h"

#include "plot/curveplotter.h"

TDragCustom::TDragCustom(TCurvePLotter* owner, Extended x, Extended y, bool ctrlMovable, bool applyMatrices,
                         std::string resourceName, int hot)
    : TBitMapMarker(std::move(resourceName), hot, hot, x, y), Owner(owner), CtrlMovable(ctrlMovable)
{
    BasePosition = {x, y};
    if (applyMatrices && owner)
        if (const TDragMatrices* matrices = owner->DragMatricesOf(nullptr))
            BasePosition = matrices->ApplyInverse({x, y});
}

void TDragCustom::MoveTo(Extended x, Extended y)
{
    AnchorX = x;
    AnchorY = y;
}

TDragPoint::TDragPoint(TCurvePLotter* owner, Extended x, Extended y, int index, bool applyMatrices)
    : TDragCustom(owner, x, y, true, applyMatrices)
{
    Index = index;
}

void TDragPointList::Add(std::unique_ptr<TDragCustom> handle)
{
    if (handle)
        handles_.push_back(std::move(handle));
}

TDragCustom* TDragPointList::WithIndex(int index) const
{
    for (const auto& handle : handles_)
        if (handle->Index == index)
            return handle.get();
    return nullptr;
}

TDragCustom* TDragPointList::HandleAt(QPoint pixel, const TGraphParams& params) const
{
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it)
        if ((*it)->BoxContains(pixel, params))
            return it->get();
    return nullptr;
}

int TDragPointList::IndexAt(QPoint pixel, const TGraphParams& params) const
{
    const TDragCustom* handle = HandleAt(pixel, params);
    return handle ? handle->Index : NoDragPoint;
}

void TDragPointList::ApplyDragMatrices(const TDragMatrices& matrices)
{
    for (const auto& handle : handles_) {
        const TRealPoint p = matrices.Apply(handle->BasePosition);
        handle->MoveTo(p.x, p.y);
    }
}

void TDragPointList::Rebase()
{
    for (const auto& handle : handles_)
        handle->BasePosition = {handle->AnchorX, handle->AnchorY};
}

void TDragPointList::Clear()
{
    while (!handles_.empty())
        handles_.pop_back();
}

void TDragPointList::RemoveTransformHandles()
{
    std::erase_if(handles_,
                  [](const std::unique_ptr<TDragCustom>& handle) { return handle->IsTransformHandle(); });
}

void TDragPointList::Draw(Canvas& canvas, const TGraphParams& params) const
{
    for (const auto& handle : handles_)
        if (!handle->Owner || handle->Owner->DraggingAllowed())
            handle->Draw(canvas, params);
}

int TDragPointList::CursorAt(QPoint pixel, const TGraphParams& params, bool ctrlDown) const
{
    const TDragCustom* handle = HandleAt(pixel, params);
    return handle ? handle->CursorNumber(ctrlDown) : 0;
}

TRealPoint TDragPointList::CentrePosition() const
{
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it)
        if (dynamic_cast<const TCentrePoint*>(it->get()))
            return {(*it)->AnchorX, (*it)->AnchorY};
    return {0, 0};
}

QRect TDragPointList::KeepClear(QRect rect, const TGraphParams& params) const
{
    for (const auto& handle : handles_) {
        const QPoint pixel = handle->AnchorPixel(params);
        const QRect widened = rect.adjusted(-handle->HotX, -handle->HotY, handle->HotX, handle->HotY);
        if (widened.contains(pixel))
            rect.moveTop(pixel.y() - rect.height() - 2 * handle->HotY);
    }
    return rect;
}

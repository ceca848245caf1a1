#include "mouse/graphobjectmouse.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "plot/graphobject.h"

TGraphObjectMouse::TGraphObjectMouse(TGraphObject& object, TGraphSurface& surface)
    : TMouseControl(surface), target_(&object)
{
    if (!object.Selected) {
        object.Selected = true;
        object.Invalidate();
    }
}

TGraphObjectMouse::~TGraphObjectMouse()
{
    if (target_) {
        target_->Selected = false;
        target_->Invalidate();
    }
}

void TGraphObjectMouse::ForgetObject(const TGraphObject* object)
{
    if (object == target_)
        target_ = nullptr;
}

void TGraphObjectMouse::MousePress(QPoint pixel, Qt::KeyboardModifiers)
{
    if (firstClick_ || !target_)
        return;
    const TGraphParams& params = Surface.Params();
    buttonDown_ = true;
    moved_ = false;
    downPixel_ = pixel;
    startAnchorX_ = target_->AnchorX;
    startAnchorY_ = target_->AnchorY;
    startOffsetX_ = target_->OffsetX;
    startOffsetY_ = target_->OffsetY;
    atAnchor_ = target_->NearAnchor(pixel, params);
    hasOffset_ = target_->OffsetX != 0 || target_->OffsetY != 0;
}

void TGraphObjectMouse::MouseMove(QPoint pixel, Qt::KeyboardModifiers)
{
    if (!target_)
        return;
    const TGraphParams& params = Surface.Params();
    if (!buttonDown_) {
        if (target_->NearAnchor(pixel, params))
            Surface.SetToolCursor(TCursorSlot::Cross);
        else if (target_->BoxContains(pixel, params))
            Surface.SetToolCursor(TCursorSlot::SizeAll);
        else
            Surface.SetToolCursor(TCursorSlot::Default);
        return;
    }
    moved_ = true;
    target_->Invalidate();
    const TAxes& axes = *params.Axes;
    const int dx = pixel.x() - downPixel_.x(), dy = pixel.y() - downPixel_.y();
    if (atAnchor_) {
        // The anchor follows the pointer and the box stays where it was.
        target_->AnchorX = startAnchorX_ + dx / axes.XAxis->Scale;
        target_->AnchorY = startAnchorY_ + dy / axes.YAxis->Scale;
        target_->OffsetX = startOffsetX_ - dx;
        target_->OffsetY = startOffsetY_ - dy;
    } else if (hasOffset_) {
        target_->OffsetX = startOffsetX_ + dx;
        target_->OffsetY = startOffsetY_ + dy;
    } else {
        target_->AnchorX = startAnchorX_ + dx / axes.XAxis->Scale;
        target_->AnchorY = startAnchorY_ + dy / axes.YAxis->Scale;
    }
    target_->Invalidate();
}

bool TGraphObjectMouse::MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!target_)
        return false;
    if (firstClick_) {
        firstClick_ = false;
        return true;
    }
    const bool wasDown = buttonDown_;
    buttonDown_ = false;
    if (wasDown && moved_) {
        const TGraphParams& params = Surface.Params();
        if (atAnchor_ && target_->BoxContains(pixel, params))
            MouseMove(target_->BoxRect(params).topLeft(), modifiers);
        target_->Invalidate();
        if (!target_->NeedsLeader(params)) {
            // A box over its anchor takes the anchor with it.
            const TAxes& axes = *params.Axes;
            target_->AnchorX += target_->OffsetX / axes.XAxis->Scale;
            target_->AnchorY += target_->OffsetY / axes.YAxis->Scale;
            target_->OffsetX = 0;
            target_->OffsetY = 0;
        }
        target_->Invalidate();
        Surface.GraphObjectChanged(*target_);
        return true;
    }
    Surface.SetToolCursor(TCursorSlot::Default);
    return target_->Clicked(Surface);
}

bool TGraphObjectMouse::MousePressAgain(QPoint pixel, Qt::KeyboardModifiers)
{
    return target_ && target_->Hit(pixel, Surface.Params());
}

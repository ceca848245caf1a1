#include "app/mousecoords.h"

#include "app/coordinateeditor.h"
#include "graph/graphsurface.h"

TMouseCoords::TMouseCoords(TGraphSurface& surface, TCoordinateEditor* editor)
    : TMouseControl(surface), editor_(editor)
{
}

TMouseCoords::~TMouseCoords()
{
    if (editor_)
        editor_->MouseControlGone(this);
}

void TMouseCoords::MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!editor_)
        return;
    if (dragging_)
        editor_->DragTo(pixel);
    else
        editor_->Hover(pixel, modifiers);
}

bool TMouseCoords::MousePressAgain(QPoint, Qt::KeyboardModifiers)
{
    return editor_ != nullptr;
}

void TMouseCoords::MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!editor_)
        return;
    // The point under the mouse is found at the press too (the mouse may not have moved).
    editor_->Hover(pixel, modifiers);
    dragging_ = editor_->Press(pixel);
    if (dragging_)
        Surface.CaptureMouse(true);
}

bool TMouseCoords::MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (dragging_) {
        dragging_ = false;
        Surface.CaptureMouse(false);
        if (editor_) {
            editor_->DragTo(pixel);
            editor_->Release();
            editor_->Hover(pixel, modifiers);
        }
    }
    return editor_ != nullptr;
}

void TMouseCoords::PaintFeedback(Canvas& canvas) const
{
    if (editor_)
        editor_->PaintCurve(canvas);
}

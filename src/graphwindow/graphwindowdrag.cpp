// TGraphWindow's curve drags: a press on the selected line starts the drag
// it asks for, and while the drag runs the window shows a copy of a picture
// of the graph without the dragged line, taken at the press, with the line
// drawn over it at each move, instead of drawing every line again. The
// window's own picture is drawn again when the drag ends.
#include "graphwindow/graphwindow.h"

#include "graph/linesource.h"
#include "graph/mousecontrol.h"
#include "mouse/mousedrag.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"

#include <QPainter>

#include <utility>

void TGraphWindow::LineLeaving(const TEquationObject* line)
{
    if (auto* drag = dynamic_cast<TMouseDragCurve*>(tool_.get()))
        drag->LineLeaving(line);
    // A drag that let go of its line shows no more frames: the window's own picture serves.
    if (dragTool_ && !dragTool_->Curve) {
        DropDragBackground();
        InvalidatePicture(0);
    }
}

void TGraphWindow::FinishTool(std::unique_ptr<TMouseControl> tool)
{
    const bool drag = tool && tool.get() == dragTool_;
    EndTool(std::move(tool));
    if (!drag)
        return;
    // The window's own picture was not kept up while the line was drawn
    // over the picture of the rest: it is drawn again, with the line as
    // the drag left it.
    DropDragBackground();
    InvalidatePicture(0);
}

bool TGraphWindow::StartDrag(TCurvePLotter* curve, QPoint pixel, Qt::KeyboardModifiers modifiers, bool onLine)
{
    if (traceMode_) // tracing takes the press instead
        return false;
    bool taken = false;
    std::unique_ptr<TMouseDragCurve> drag = PressDrag(*this, curve, pixel, modifiers, onLine, taken);
    if (!drag) {
        if (taken)
            update(); // the click may have placed a point
        return taken;
    }
    HidePopup();
    TMouseDragCurve* started = drag.get();
    SetActiveTool(std::move(drag));
    // The picture of everything but the dragged line, over which each move
    // draws only the line (the lines drawn from it wait for the release).
    if (tool_.get() == started && TakeDragBackground(started->Curve))
        dragTool_ = started;
    return true;
}

bool TGraphWindow::TakeDragBackground(TCurvePLotter* curve)
{
    DropDragBackground();
    if (!curve || !lines_)
        return false;
    TChosenLines others;
    bool listed = false;
    for (int i = 0; i < lines_->LineCount(); ++i) {
        TEquationObject* line = lines_->LineAt(i);
        if (line == static_cast<TEquationObject*>(curve))
            listed = true;
        else
            others.lines.push_back(line);
    }
    if (!listed)
        return false;
    const TQuickDrawing quick;
    dragBackground_.Take(size(), devicePixelRatioF(), GraphFont(), *params_, others,
                         lines_->LineAt(selected_), viewGeneration_);
    dragLine_ = curve;
    return !dragBackground_.Picture().isNull();
}

void TGraphWindow::DropDragBackground()
{
    dragTool_ = nullptr;
    dragLine_ = nullptr;
    dragBackground_.Clear();
    dragFrame_ = QImage();
    dragFrameValid_ = false;
    dragFrameDrawing_ = nullptr;
}

bool TGraphWindow::PaintDragFrame(QPainter& painter, const QRect& rect)
{
    if (!dragTool_)
        return false;
    // The view changed under the drag, or another object took the line's place.
    TMouseDragCurve* drag = dragTool_;
    TCurvePLotter* curve = drag->Curve;
    if (dragLine_ != curve || !dragBackground_.Current(size(), devicePixelRatioF(), viewGeneration_)) {
        if (!TakeDragBackground(curve)) {
            // The line left the list under the drag: the window's own picture serves.
            repaintFrom_ = 0;
            ++pictureGeneration_;
            return false;
        }
        dragTool_ = drag;
    }
    if (!dragFrameValid_ || !curve->LineStore() || dragFrameDrawing_ != curve->LineStore()) {
        dragFrame_ = dragBackground_.Frame(std::move(dragFrame_));
        const TQuickDrawing quick;
        Canvas canvas(&dragFrame_);
        canvas.SetFont(GraphFont());
        TChosenLines dragged;
        dragged.lines.push_back(curve);
        DrawChosenLines(canvas, *params_, dragged, size(), lines_->LineAt(selected_));
        dragFrameDrawing_ = curve->LineStore();
        dragFrameValid_ = true;
    }
    // The frame is opaque (the background fills it): copied, not blended.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(rect, dragFrame_,
                      QRectF(QPointF(rect.topLeft()) * dragFrame_.devicePixelRatio(),
                             QSizeF(rect.size()) * dragFrame_.devicePixelRatio()));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
}

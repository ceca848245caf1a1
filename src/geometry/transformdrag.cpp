// Dragging the image of a transformation: a press on the image changes the
// first step's angle, factor or translation as the pointer moves; a step
// waiting for its centre takes it from a click; a centre's handle moves the
// centre. Every change writes the step's part of the line again at once, so
// the line always says what the graph shows.
#include "formula/markup.h"
#include "geometry/transformation.h"
#include "graph/axes.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "platform/mainwindowbase.h"
#include "plot/formulacurve.h"

#include <algorithm>
#include <cmath>
#include <utility>

const TAxes* TTransformation::DragAxes() const
{
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    return params ? params->Axes.get() : nullptr;
}

bool TTransformation::WaitsForCentre() const
{
    return !Components.empty() && Components[0] && Components[0]->NeedsCentre();
}

TYofX* TTransformation::WaitingLine() const
{
    TYofX* line = LineOfStep(0);
    return line && line->WaitsForClicks() ? line : nullptr;
}

TYofX* TTransformation::LineOfStep(int index) const
{
    if (index < 0 || index >= static_cast<int>(Components.size()) || !Components[index])
        return nullptr;
    return Components[index]->ConstructionLine();
}

int TTransformation::StepOfHandle(const TDragCustom* handle) const
{
    if (!handle)
        return lineDrag_ >= 0 ? lineDrag_ : SelectedComponent;
    if (handle->Owner == this)
        return handle->Index;
    for (int i = 0; i < static_cast<int>(Components.size()); ++i)
        if (TYofX* line = LineOfStep(i); line && handle->Owner == line)
            return i;
    return -1;
}

TDragPointList* TTransformation::DragPointList() const
{
    if (!dragPoints_)
        return nullptr;
    if (dragPoints_->Empty())
        for (int i = 0; i < static_cast<int>(Components.size()); ++i)
            if (TYofX* line = LineOfStep(i); line && line->DragPointList() && !line->DragPointList()->Empty())
                return line->DragPointList();
    return dragPoints_.get();
}

std::optional<TDragPress> TTransformation::StartLineDrag(int step, bool waiting,
                                                         std::optional<TDragPress> press)
{
    if (!press)
        return press;
    SelectedComponent = step;
    lineDrag_ = step;
    lineWasWaiting_ = waiting;
    Dragging = true;
    // The click that completes the line makes the image: the line says so at once.
    RewriteStep(step);
    DiscardLineStore();
    return press;
}

void TTransformation::RewriteStep(int index)
{
    const TAxes* axes = DragAxes();
    if (!axes || index < 0 || index >= static_cast<int>(Components.size()) || !Components[index])
        return;
    const std::string step = Components[index]->StepMarkup(*axes);
    if (step.empty())
        return;
    SetElements(ElementsFromText(ReplaceStep(Elements(), index, step)));
    SetLayoutOutOfDate(true);
    SetChanged(true);
}

void TTransformation::StepChanged(int index)
{
    RewriteStep(index);
    DiscardLineStore();
}

std::optional<TDragPress> TTransformation::DragControlAt(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    // Each press starts afresh: no line's drag is carried over from one that made no drag.
    lineDrag_ = -1;
    lineWasWaiting_ = false;
    if (!DraggingAllowed())
        return std::nullopt;
    // A mirror or invariant line waiting for its points takes the click as the next one.
    if (TYofX* line = WaitingLine())
        return StartLineDrag(0, true, line->DragControlAt(pixel, modifiers));
    if (std::optional<TDragPress> press = TCurvePLotter::DragControlAt(pixel, modifiers)) {
        const int step = std::max(StepOfHandle(press->Handle), 0);
        if (press->Handle && press->Handle->Owner != this) {
            // A handle of a step's line: the line starts its own drag.
            TYofX* line = LineOfStep(step);
            return line ? StartLineDrag(step, false, line->DragControlAt(pixel, modifiers)) : std::nullopt;
        }
        SelectedComponent = step;
        Dragging = true;
        return press;
    }
    const TAxes* axes = DragAxes();
    if (WaitsForCentre() && axes) {
        // The click places the centre, which stays under the pointer until the release.
        const bool enlargement = dynamic_cast<const TEnlarge*>(Components[0].get()) != nullptr;
        Components[0]->ApplyDragPoint(axes->PixelToRoundedValue(pixel));
        RewriteStep(0);
        dragPoints_ = std::make_unique<TDragPointList>();
        Components[0]->AddDragPoints(*dragPoints_, this, 0);
        DiscardLineStore();
        ShowStatus(enlargement ? "Drag shape to enlarge" : "Drag shape to rotate");
        if (dragPoints_->Empty())
            return std::nullopt;
        TDragPress press;
        press.Kind = TDragMouseKind::DragPoint;
        press.Handle = (*dragPoints_)[dragPoints_->Count() - 1];
        SelectedComponent = 0;
        Dragging = true;
        return press;
    }
    // A press on a step's mirror or invariant line (its construction, last
    // found under the mouse) moves that line.
    if (IsValid())
        if (TYofX* line = LineOfStep(SelectedComponent))
            return StartLineDrag(SelectedComponent, false, line->DragControlAt(pixel, modifiers));
    if (!IsValid() || Components.empty() || !Components[0] || !Components[0]->CanDragWhole())
        return std::nullopt;
    SelectedComponent = 0;
    Dragging = true;
    TDragPress press = Components[0]->WholeDrag();
    if (press.Kind == TDragMouseKind::DragCurve) {
        // A translation is dragged through matrices that hold it now.
        Extended x = 0, y = 0;
        const auto* matrix = dynamic_cast<const TMatrixTransform*>(Components[0].get());
        dragMatrices_ = TDragMatrices();
        if (matrix && matrix->Translation(x, y))
            dragMatrices_.SetTranslation(x, y);
    }
    return press;
}

int TTransformation::DragCursorAt(int currentCursor, QPoint pixel)
{
    if (WaitsForClicks())
        return crPickAPoint;
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    if (const TDragPointList* handles = DragPointList(); handles && params)
        if (const TDragCustom* handle = handles->HandleAt(pixel, *params))
            return handle->CursorNumber(false);
    // Over a step's construction: the line's own cursor, or a rotation's centre.
    if (IsValid() && SelectedComponent >= 0 && SelectedComponent < static_cast<int>(Components.size())) {
        if (TYofX* line = LineOfStep(SelectedComponent))
            return line->DragCursorAt(currentCursor, pixel);
        if (dynamic_cast<const TRotation*>(Components[SelectedComponent].get()))
            return crDragMove;
    }
    if (IsValid() && !Components.empty() && Components[0] && Components[0]->CanDragWhole())
        return Components[0]->WholeDragCursor();
    return currentCursor;
}

void TTransformation::SetDragValue(Extended value)
{
    if (Components.empty() || !Components[0])
        return;
    Components[0]->SetFromDrag(value);
    StepChanged(0);
}

void TTransformation::DragPointMoved(TDragCustom* handle)
{
    if (TYofX* line = lineDrag_ >= 0 ? LineOfStep(lineDrag_) : nullptr) {
        line->DragPointMoved(handle);
        StepChanged(lineDrag_);
        return;
    }
    const TAxes* axes = DragAxes();
    if (!handle || !axes || handle->Index < 0 || handle->Index >= static_cast<int>(Components.size()) ||
        !Components[handle->Index])
        return;
    Components[handle->Index]->ApplyDragPoint(RoundPoint(*axes, handle->AnchorX, handle->AnchorY));
    StepChanged(handle->Index);
}

bool TTransformation::MayMoveDragPoint(TDragPoint* handle, Extended& x, Extended& y)
{
    TYofX* line = lineDrag_ >= 0 ? LineOfStep(lineDrag_) : nullptr;
    return line && line->MayMoveDragPoint(handle, x, y);
}

void TTransformation::ApplyDragMatrices(TDragPoint* handle, const TDragMatrices& matrices)
{
    if (TYofX* line = lineDrag_ >= 0 ? LineOfStep(lineDrag_) : nullptr) {
        line->ApplyDragMatrices(handle, matrices);
        StepChanged(lineDrag_);
        return;
    }
    auto* matrix = Components.empty() ? nullptr : dynamic_cast<TMatrixTransform*>(Components[0].get());
    if (!matrix || !matrix->IsTranslation())
        return;
    dragMatrices_ = matrices;
    matrix->SetTranslation(matrices.T[0], matrices.T[1]);
    StepChanged(0);
}

TDragMatrices* TTransformation::DragMatricesOf(TDragPoint* handle)
{
    if (TYofX* line = lineDrag_ >= 0 ? LineOfStep(lineDrag_) : nullptr)
        return line->DragMatricesOf(handle);
    if (handle || Components.empty() || !Components[0] || !Components[0]->IsTranslation())
        return nullptr;
    return &dragMatrices_;
}

void TTransformation::FinishDrag(TDragPoint* handle)
{
    if (TYofX* line = lineDrag_ >= 0 ? LineOfStep(lineDrag_) : nullptr) {
        const int step = std::exchange(lineDrag_, -1);
        line->FinishDrag(handle);
        RewriteStep(step);
        // The line just placed: what the image is for comes next.
        if (lineWasWaiting_ && !line->WaitsForClicks()) {
            if (dynamic_cast<const TShear*>(Components[step].get()))
                ShowStatus("Drag the shape to shear");
            else if (dynamic_cast<const TStretch*>(Components[step].get()))
                ShowStatus("Drag the shape to stretch");
        }
        lineWasWaiting_ = false;
        Dragging = false;
        SelectedComponent = -1;
        DiscardLineStore();
        SetResultsChanged(true);
        return;
    }
    if (handle)
        DragPointMoved(handle);
    Dragging = false;
    SelectedComponent = -1;
    if (const TAxes* axes = DragAxes()) {
        // The translation keeps the figures its line shows.
        auto* matrix = Components.empty() ? nullptr : dynamic_cast<TMatrixTransform*>(Components[0].get());
        Extended x = 0, y = 0;
        if (matrix && matrix->Translation(x, y))
            matrix->SetTranslation(RoundForAxis(*axes, 'x', x), RoundForAxis(*axes, 'y', y));
    }
    DiscardLineStore();
    SetResultsChanged(true);
}

void TTransformation::BuildDragPoints(Canvas&, TGraphParams&)
{
    dragPoints_ = std::make_unique<TDragPointList>();
    for (std::size_t i = 0; i < Components.size(); ++i)
        if (Components[i])
            Components[i]->AddDragPoints(*dragPoints_, this, static_cast<int>(i));
}

void TTransformation::DropDragPoints(Canvas&, bool)
{
    dragPoints_.reset();
}

#include "geometry/handledcurve.h"

#include "graph/graphparams.h"

void THandledCurve::RebuildHandle()
{
    dragPoints_ = std::make_unique<TDragPointList>();
    dragPoints_->Add(MakeHandle());
}

void THandledCurve::BuildDragPoints(Canvas&, TGraphParams&)
{
    RebuildHandle();
}

void THandledCurve::DropDragPoints(Canvas&, bool)
{
    dragPoints_.reset();
}

void THandledCurve::DrawDragPoints(Canvas&, TGraphParams&)
{
    if (dragPoints_)
        RebuildHandle();
}

int THandledCurve::DragCursorAt(int currentCursor, QPoint pixel)
{
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    if (dragPoints_ && params)
        if (const TDragCustom* handle = dragPoints_->HandleAt(pixel, *params))
            return handle->CursorNumber(false);
    return currentCursor;
}

void THandledCurve::DefinitionChanged()
{
    DiscardLineStore();
    SetLayoutOutOfDate(true);
    SetChanged(true);
    SetResultsChanged(true);
}

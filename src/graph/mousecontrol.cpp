#include "graph/mousecontrol.h"

TMouseControl::~TMouseControl() = default;

void TMouseControl::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    FinishAction();
}

void EndTool(std::unique_ptr<TMouseControl> tool)
{
    if (tool)
        tool->Finish();
}

#include "graph/graphparams.h"
#include "graph/graphsurface.h"

#include <algorithm>
#include <utility>

bool SetViewScales(TGraphSurface& surface, long double xmin, long double xmax, long double ymin,
                   long double ymax, bool square)
{
    if (xmin > xmax)
        std::swap(xmin, xmax);
    if (ymin > ymax)
        std::swap(ymin, ymax);
    TGraphParams& params = surface.Params();
    const TAxes& axes = *params.Axes;
    auto transfer = std::make_unique<TRescaleDataTransfer>(xmin, xmax, ymin, ymax, axes.XAxis->ScalingText(),
                                                           axes.YAxis->ScalingText(), axes.GraphPaper);
    transfer->Square = square;
    return params.SetScales(std::move(transfer), surface.ScaleHost());
}

bool ScalesSquare(TGraphSurface& surface)
{
    const TAxes& axes = *surface.Params().Axes;
    return axes.Scales && axes.Scales->Square;
}

#include "mouse/mousezoomout.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "settings/configuration.h"

void TMouseZoomOut::MousePress(QPoint pixel, Qt::KeyboardModifiers)
{
    const TAxes& axes = *Surface.Params().Axes;
    const TRealPoint c = axes.PixelToValue(pixel);
    const Extended factor = Configuration.ZoomFactor / 200.0L;
    const Extended dx = (axes.XAxis->Max - axes.XAxis->Min) * factor;
    const Extended dy = (axes.YAxis->Max - axes.YAxis->Min) * factor;
    SetViewScales(Surface, c.x - dx, c.x + dx, c.y - dy, c.y + dy, ScalesSquare(Surface));
}

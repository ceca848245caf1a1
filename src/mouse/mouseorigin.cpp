#include "mouse/mouseorigin.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"

void TMouseOrigin::MousePress(QPoint pixel, Qt::KeyboardModifiers)
{
    const TAxes& axes = *Surface.Params().Axes;
    const TRealPoint c = axes.PixelToValue(pixel);
    SetViewScales(Surface, axes.XAxis->Min - c.x, axes.XAxis->Max - c.x, axes.YAxis->Min - c.y,
                  axes.YAxis->Max - c.y, ScalesSquare(Surface));
}

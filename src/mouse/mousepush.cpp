#include "mouse/mousepush.h"

#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "platform/canvas.h"
#include "settings/configuration.h"

#include <QPainter>

TMousePush::TMousePush(TGraphSurface& surface, QPoint press)
    : TMouseControl(surface), picture_(surface.GrabPicture()), press_(press), current_(press)
{
    Surface.CaptureMouse(true);
}

void TMousePush::MouseMove(QPoint pixel, Qt::KeyboardModifiers)
{
    if (pixel == current_)
        return;
    current_ = pixel;
    Surface.UpdateArea(QRect(QPoint(0, 0), Surface.ClientSize()));
}

void TMousePush::PaintFeedback(Canvas& canvas) const
{
    const QRect client(QPoint(0, 0), Surface.ClientSize());
    QPainter& painter = canvas.Painter();
    // What the moved picture uncovers is the graph's background.
    painter.fillRect(client, ToQColor(BackgroundColour));
    painter.drawImage(Displacement(), picture_);
}

void TMousePush::FinishAction()
{
    Surface.CaptureMouse(false);
    picture_ = QImage();
    const TAxes& axes = *Surface.Params().Axes;
    const QPoint d = Displacement();
    const Extended dx = d.x() / axes.XAxis->Scale;
    const Extended dy = d.y() / axes.YAxis->Scale;
    SetViewScales(Surface, axes.XAxis->Min - dx, axes.XAxis->Max - dx, axes.YAxis->Min - dy,
                  axes.YAxis->Max - dy, ScalesSquare(Surface));
    Surface.UpdateArea(QRect(QPoint(0, 0), Surface.ClientSize()));
}

#include "editor/canvascontrol.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

TCanvasControl::TCanvasControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TCanvasControl::~TCanvasControl() = default;

bool TCanvasControl::ContainsPoint(QPoint point) const
{
    return point.x() >= 0 && point.x() < width() && point.y() >= 0 && point.y() < height();
}

void TCanvasControl::Changed()
{
    if (OnChange)
        OnChange(this);
}

bool TCanvasControl::MouseDown(QMouseEvent* event)
{
    if (!RightButtonLatch || !RightButtonLatch->isChecked())
        return false;
    // The latch is used up by this press, whatever the menu does.
    RightButtonLatch->setChecked(false);
    ContextPopup(event->position().toPoint());
    return true;
}

void TCanvasControl::ContextPopup(QPoint point)
{
    bool handled = false;
    if (OnContextPopup)
        OnContextPopup(this, point, handled);
    if (!handled && PopupMenu)
        PopupMenu->popup(mapToGlobal(point));
}

void TCanvasControl::contextMenuEvent(QContextMenuEvent* event)
{
    ContextPopup(event->pos());
    event->accept();
}

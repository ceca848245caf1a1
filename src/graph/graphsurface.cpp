#include "graph/graphsurface.h"

TCursorSlot DragCursorSlot(int number)
{
    switch (number) {
    case 6:
        return TCursorSlot::DragStretch;
    case 7:
        return TCursorSlot::DragMove;
    case 8:
        return TCursorSlot::DragRotate;
    case 9:
        return TCursorSlot::DragEnlarge;
    case 10:
        return TCursorSlot::StretchHorz;
    case 11:
        return TCursorSlot::StretchVert;
    case 12:
        return TCursorSlot::DragPoint;
    case 13:
        return TCursorSlot::DragPointAlongCurve;
    case 14:
        return TCursorSlot::Dragging;
    case 15:
        return TCursorSlot::DraggingAlongCurve;
    case 19:
        return TCursorSlot::PickAPoint;
    case 20:
        return TCursorSlot::DragShear;
    default:
        return TCursorSlot::Default;
    }
}

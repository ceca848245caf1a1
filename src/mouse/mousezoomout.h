// The zoom-out tool: at the press the view grows by the "Zoom factor"
// setting about the pressed point, which becomes its centre.
#pragma once

#include "graph/mousecontrol.h"

class TMouseZoomOut : public TMouseControl {
public:
    using TMouseControl::TMouseControl;
    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
};

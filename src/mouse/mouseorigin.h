// The move-origin tool: at the press the pressed point becomes (0, 0) and
// the scale stays as it is.
#pragma once

#include "graph/mousecontrol.h"

class TMouseOrigin : public TMouseControl {
public:
    using TMouseControl::TMouseControl;
    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
};

// The drag-grid tool: the picture follows the pointer while the button is
// held (a copy of the window shifted, the uncovered part white, nothing
// recalculated), and at the end the scales move by the distance dragged.
#pragma once

#include "graph/mousecontrol.h"

#include <QImage>

class TMousePush : public TMouseControl {
public:
    // Captures the mouse and copies the window's picture.
    TMousePush(TGraphSurface& surface, QPoint press);
    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void PaintFeedback(Canvas& canvas) const override;
    [[nodiscard]] QPoint Displacement() const { return current_ - press_; }

protected:
    // Pans by the distance moved so far.
    void FinishAction() override;

private:
    QImage picture_;
    QPoint press_, current_;
};

// TMouseCoords: the mouse tool of mouse mode 206, through which the
// coordinate editor takes points from the graph: a press adds a point (or,
// with Shift over a point, takes that point), a drag moves it, and the list
// being edited is drawn over the graph's picture. It stays active between
// presses; the graph window owns it, the editor borrows it.
#pragma once

#include "graph/mousecontrol.h"

#include <QPointer>

class TCoordinateEditor;

class TMouseCoords : public TMouseControl {
public:
    TMouseCoords(TGraphSurface& surface, TCoordinateEditor* editor);
    ~TMouseCoords() override;

    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MousePressAgain(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void PaintFeedback(Canvas& canvas) const override;

    // The editor goes or detaches the tool: the tool does nothing from now on.
    void ForgetEditor() { editor_ = nullptr; }
    [[nodiscard]] bool Dragging() const { return dragging_; }

private:
    QPointer<TCoordinateEditor> editor_;
    bool dragging_ = false;
};

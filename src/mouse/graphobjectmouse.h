// TGraphObjectMouse: the tool that selects one graph object and moves it.
// The click that makes it only selects; a later press and drag moves the
// box (or, from the anchor, the anchor with the box kept in place), and the
// release keeps the new place. A tool whose object is freed lets it go.
#pragma once

#include "graph/mousecontrol.h"
#include "numbers/numerics.h"

class TGraphObject;

class TGraphObjectMouse : public TMouseControl {
public:
    // Selects object (borrowed).
    TGraphObjectMouse(TGraphObject& object, TGraphSurface& surface);
    // Clears the object's selection.
    ~TGraphObjectMouse() override;

    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    // A press off the object ends the tool.
    [[nodiscard]] bool MousePressAgain(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void ForgetObject(const TGraphObject* object) override;

    [[nodiscard]] TGraphObject* Target() const { return target_; }

private:
    TGraphObject* target_; // borrowed; nullptr once the object is gone
    bool firstClick_ = true;
    bool buttonDown_ = false;
    bool moved_ = false;
    bool atAnchor_ = false;
    bool hasOffset_ = false;
    QPoint downPixel_;
    int startOffsetX_ = 0, startOffsetY_ = 0;
    Extended startAnchorX_ = 0, startAnchorY_ = 0;
};

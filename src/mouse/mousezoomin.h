// The zoom-in tools: a click zooms by the "Zoom factor" setting about the
// pressed point, a drag of 20 pixels or more zooms to the rectangle dragged
// out; the proportional variant (Shift at the press) keeps the window's
// proportions and grows its rectangle about the press point.
#pragma once

#include "graph/mousecontrol.h"

#include <QRect>

class TMouseZoomIn : public TMouseControl {
public:
    // Captures the mouse; the rectangle starts hidden at the press pixel.
    TMouseZoomIn(TGraphSurface& surface, QPoint press);
    ~TMouseZoomIn() override;

    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void PaintFeedback(Canvas& canvas) const override;

    // The rectangle on show (meaningful while RectangleShown).
    [[nodiscard]] QRect Rectangle() const { return QRect(corner0_, corner1_).normalized(); }
    bool RectangleShown = false;

protected:
    // Zooms to the rectangle, or to the click rectangle when none is shown.
    void FinishAction() override;
    // The rectangle centred on the press, half the client size × 50 / "Zoom factor".
    [[nodiscard]] QRect ClickRectangle() const;
    void ShowRectangle(QPoint a, QPoint b, bool shown);
    // The pointer lies less than 20 pixels from the press both ways: a click.
    [[nodiscard]] bool IsClick(QPoint pixel) const;

    QPoint press_;
    QPoint corner0_, corner1_;
    bool rectangleKeepsSquare_ = false; // a dragged rectangle asks for scales that are not square
};

class TZoomInProportion : public TMouseZoomIn {
public:
    // The click rectangle is on show from the press.
    TZoomInProportion(TGraphSurface& surface, QPoint press);
    // Keeps the click rectangle (a press is no move).
    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    // Within 20 pixels of the press the click rectangle; further out the
    // rectangle of the window's shape about the press that holds the pointer.
    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
};

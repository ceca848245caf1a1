// The tools that place lines with the mouse: a horizontal, vertical or
// origin line through the pointer, the tangent or normal of a curve at the
// pointer, the segment from an axis or the origin to a curve, the start of an
// area function and the point a solution curve goes through. While the button is held the line follows the
// pointer, drawn over the window's cached picture; when the tool ends, the pointer's point (or the curve's
// parameter there) is handed back to fill the line being edited.
#pragma once

#include "geometry/straightline.h"
#include "graph/mousecontrol.h"

#include <QRect>

#include <functional>
#include <string>

// Receives the markup of the placed field when a placing tool ends.
using TPlacedField = std::function<void(const std::string& field)>;

// What the placing tools share: the segment shown over the picture, the
// mouse capture, and the field handed back for the last pointer position.
class TMousePlacing : public TMouseControl {
public:
    TMousePlacing(TGraphSurface& surface, TPlacedField placed);
    // With moved, the field for the pointer is also handed over at the press
    // and at every move, so the line being edited follows the pointer.
    void SetFollowing(TPlacedField moved) { moved_ = std::move(moved); }
    void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    void PaintFeedback(Canvas& canvas) const override;

protected:
    void FinishAction() override;
    // Works out what to show for the graph point under pixel; answers the
    // segment's pixel ends, false when none of it shows.
    virtual bool SegmentAt(QPoint pixel, QPoint& a, QPoint& b) = 0;
    // The markup put into the line being edited for pixel.
    virtual std::string FieldAt(QPoint pixel) = 0;

private:
    // The window area the segment covers in pixels, empty when nothing is drawn.
    [[nodiscard]] QRect Area() const;

    TPlacedField placed_;
    TPlacedField moved_;
    QPoint pixel_;
    QPoint a_, b_;
    bool drawn_ = false;
};

// Codes 406 to 408: the line of that kind through the pointer.
class TMouseStraightLine : public TMousePlacing {
public:
    TMouseStraightLine(TGraphSurface& surface, int kind, TPlacedField placed);

    // The line shown for the last pointer position.
    [[nodiscard]] const TLineForm& Shown() const { return line_.Line; }

protected:
    bool SegmentAt(QPoint pixel, QPoint& a, QPoint& b) override;
    std::string FieldAt(QPoint pixel) override;
    // The line for the graph point under pixel.
    virtual TLineForm LineAt(QPoint pixel);

    const int Kind;

private:
    TStraightLine line_{0, NoLineIntercept};
};

// Codes 401 and 402: the tangent or normal of curve at the parameter under
// the pointer, with its gradient in the status line.
class TMouseTangent : public TMouseStraightLine {
public:
    TMouseTangent(TGraphSurface& surface, TCurvePLotter& curve, bool isTangent, TPlacedField placed);

protected:
    TLineForm LineAt(QPoint pixel) override;
    std::string FieldAt(QPoint pixel) override;

private:
    TCurvePLotter& curve_;
    const bool isTangent_;
};

// Codes 411 to 413 (and 406 to 408 on a line under a curve): the segment from
// the y axis, the x axis or the origin to curve's point at the parameter
// under the pointer.
class TMouseline : public TMousePlacing {
public:
    TMouseline(TGraphSurface& surface, TCurvePLotter& curve, int kind, TPlacedField placed);

    // The segment shown for the last pointer position, in graph units.
    TRealPoint OnCurve, Other;

protected:
    bool SegmentAt(QPoint pixel, QPoint& a, QPoint& b) override;
    std::string FieldAt(QPoint pixel) override;

private:
    TCurvePLotter& curve_;
    const int kind_;
};

// Code 403: the start value of an area function of curve, the curve's
// parameter at the pointer written as the x axis's readout writes it.
class TMouseArea : public TMousePlacing {
public:
    TMouseArea(TGraphSurface& surface, TCurvePLotter& curve, TPlacedField placed);

protected:
    bool SegmentAt(QPoint pixel, QPoint& a, QPoint& b) override;
    std::string FieldAt(QPoint pixel) override;

private:
    TCurvePLotter& curve_;
};

// Code 212: the point a solution curve of a differential equation goes
// through, each coordinate written as its axis's readout writes it.
class TMouseDESoln : public TMousePlacing {
public:
    TMouseDESoln(TGraphSurface& surface, TPlacedField placed);

protected:
    bool SegmentAt(QPoint pixel, QPoint& a, QPoint& b) override;
    std::string FieldAt(QPoint pixel) override;
};

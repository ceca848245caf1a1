// The mouse tools that drag a curve on the graph: the whole curve moved,
// stretched, enlarged or turned through its drag matrices, one handle moved
// (changing the curve, sliding along its parent or the x axis, or alone),
// and the drags that change one step of a transformation by dragging its
// image. While the button is held nothing is recomputed from the curve's
// definition: the matrices (or the handle) change and the status line says
// by how much; the curve takes the change once, when the tool ends.
#pragma once

#include "graph/mousecontrol.h"
#include "numbers/numerics.h"
#include "plot/dragmatrices.h"
#include "plot/dragpoint.h"

#include <memory>
#include <string>

class TAxes;
class TCurvePLotter;

// The stretch factor along one axis: the press at d0 from the fixed point,
// the pointer at d. A pointer on the fixed point gives 1e-10 (the matrices
// stay invertible); a press closer than a hundredth of the axis's range
// gives 1; otherwise d / d0 rounded to "Mouse figures" figures.
[[nodiscard]] Extended StretchFactor(Extended d0, Extended d, Extended axisRange);
// The angle from direction a to direction b, in (-pi, pi].
[[nodiscard]] Extended TurnBetween(const TRealPoint& a, const TRealPoint& b);
// p put on the nearest of the eight directions (multiples of 45 degrees)
// from start, at the same distance.
[[nodiscard]] TRealPoint SnapDirection(const TRealPoint& start, const TRealPoint& p);

// Translation: the whole curve follows the pointer.
class TMouseDragCurve : public TMouseControl {
public:
    TMouseDragCurve(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel,
                    TDragCustom* handle = nullptr);
    ~TMouseDragCurve() override;

    TCurvePLotter* Curve;        // borrowed
    TDragMatrices StartMatrices; // the curve's matrices at the press
    TRealPoint StartPoint;       // the rounded graph point of the press
    TRealPoint LastPoint;        // the last point acted on
    bool Committed = false;
    TDragCustom* Handle; // the handle pressed (borrowed), or nullptr

    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    // The curve was replaced by another (the same line in a new class).
    void SetCurve(TCurvePLotter* curve) override { Curve = curve; }
    // line leaves the list (deleted, replaced, or the list emptied for Undo
    // or Open) and is about to be freed: when it is the dragged curve, the
    // drag lets go of it and of its handle, and ends without committing.
    void LineLeaving(const void* line);
    // Acts on the graph point p; true when the curve must be drawn again.
    virtual bool DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p);
    // The cursor number while the tool runs.
    [[nodiscard]] virtual int CursorNumber() const { return crDragging; }
    // Shift keeps the pointer on the eight directions from the press.
    [[nodiscard]] virtual bool ShiftSnaps() const { return true; }
    // The running readout, "" before the first move.
    [[nodiscard]] const std::string& StatusText() const { return status_; }

protected:
    // The graph point of pixel with each coordinate rounded by its axis.
    [[nodiscard]] TRealPoint RoundedPoint(QPoint pixel) const;
    // The graph drawn again and the line laid out again after a move changed the curve.
    void ShowChange();
    // The change composed after the start matrices, handed to the curve.
    void ApplyStep(const TDragMatrices& step);
    void SetStatus(std::string text);
    // Commits the drag once: the curve takes it and the change is recorded.
    void FinishAction() override;
    [[nodiscard]] const TAxes& Axes() const;
    [[nodiscard]] TDragPoint* PointHandle() const;

private:
    std::string status_;
};

// Stretch from the fixed point (the centre handle, or the origin).
class TMouseStretchCurve : public TMouseDragCurve {
public:
    enum class TDirections { Both, AcrossOnly, UpOnly, Equal };
    TMouseStretchCurve(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel, TDragCustom* handle,
                       TDirections directions = TDirections::Both);
    TRealPoint FixedPoint;
    bool DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p) override;
    [[nodiscard]] bool ShiftSnaps() const override { return false; }

private:
    TDirections directions_;
};

// Turns the curve about the fixed point; Shift turns by multiples of 45 degrees.
class TMouseRotateCurve : public TMouseStretchCurve {
public:
    TMouseRotateCurve(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel, TDragCustom* handle);
    bool DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p) override;
};

// Moves its handle, which changes the curve (a row, a vertex, a parameter).
class TMouseDragPoint : public TMouseDragCurve {
public:
    using TMouseDragCurve::TMouseDragCurve;
    bool DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p) override;

protected:
    // Moves the handle to p (its base by the same offset); false when it is there already.
    bool MoveHandle(const TRealPoint& p);
};

// The handle slides along the parent curve (or, on the axis, along y = 0).
class TMouseDragOnPrimary : public TMouseDragPoint {
public:
    TMouseDragOnPrimary(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel, TDragCustom* handle,
                        bool onAxis);
    void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] bool ShiftSnaps() const override { return false; }
    // The point of the path nearest p; false where the parent is not defined.
    [[nodiscard]] bool ProjectPoint(TRealPoint& p) const;

private:
    bool onAxis_;
};

// Moves a handle alone (Ctrl held, or a centre handle): the curve is asked
// first, unless it is a centre, and not told afterwards.
class TMouseDragDragPoint : public TMouseDragPoint {
public:
    TMouseDragDragPoint(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel, TDragCustom* handle,
                        bool ctrlDown, bool centre = false);
    bool DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p) override;
    [[nodiscard]] int CursorNumber() const override { return ctrlDown_ ? crDraggingAlongCurve : crDragging; }

protected:
    void FinishAction() override;

private:
    bool ctrlDown_;
    bool centre_;
};

// Drags of a transformation's image that change one number of its first
// step: the angle of a rotation, or the factor of an enlargement, stretch
// or shear. The curve hears of a value only when it changes.
class TMouseDragStepValue : public TMouseDragCurve {
public:
    enum class TKind { Rotation, Enlargement, Stretch, Shear };
    // start: the step's value now; centre: its centre (rotation,
    // enlargement); a line point and unit direction for the invariant line
    // (stretch, shear).
    TMouseDragStepValue(TGraphSurface& surface, TCurvePLotter* curve, QPoint pixel, TKind kind,
                        Extended start, TRealPoint centre, TRealPoint direction = {1, 0});
    bool DragTo(Qt::KeyboardModifiers modifiers, TRealPoint& p) override;
    [[nodiscard]] bool ShiftSnaps() const override { return false; }
    // The value the pointer at p gives.
    [[nodiscard]] Extended ValueAt(TRealPoint p, bool shift) const;
    [[nodiscard]] Extended LastValue() const { return last_; }

private:
    TKind kind_;
    Extended start_;
    TRealPoint centre_;
    TRealPoint direction_;
    Extended last_;
};

// The tool for a press on handle (Ctrl held moves a Ctrl-movable handle alone).
[[nodiscard]] std::unique_ptr<TMouseDragCurve> HandleTool(TGraphSurface& surface, TCurvePLotter* curve,
                                                          TDragCustom* handle, QPoint pixel, bool ctrlOnly);
// The drag a press at pixel starts on curve (the selected line, dragging
// allowed): a press on the line itself (onLine), on one of its handles, or
// anywhere while it waits for clicks. taken says whether the press was the
// curve's even when it starts no drag (a click that placed a point).
[[nodiscard]] std::unique_ptr<TMouseDragCurve> PressDrag(TGraphSurface& surface, TCurvePLotter* curve,
                                                         QPoint pixel, Qt::KeyboardModifiers modifiers,
                                                         bool onLine, bool& taken);
// The tool for the drag a press on curve starts, as the curve described it.
[[nodiscard]] std::unique_ptr<TMouseDragCurve> DragTool(TGraphSurface& surface, TCurvePLotter* curve,
                                                        const TDragPress& press, QPoint pixel);

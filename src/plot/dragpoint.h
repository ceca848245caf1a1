// Drag handles: the small squares that stand for single points of a curve
// (a row of a coordinate list, the centre or vertex of a shape) and the list
// a curve keeps of them. A handle remembers the position from which the
// curve's drag matrices map it, so that while the whole curve is dragged its
// handles follow the drawing without the curve being changed; the index tells
// the curve which of its points the handle stands for.
#pragma once

#include "numbers/numerics.h"
#include "plot/dragmatrices.h"
#include "plot/graphobject.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

class Canvas;
class TCurvePLotter;
class TGraphParams;

// The index the handle list answers when no handle is hit.
inline constexpr int NoDragPoint = -2;

// The cursor numbers of the drag handles and controls (the graph window
// turns them into cursors).
enum : int {
    crDragStretch = 6,
    crDragMove = 7,
    crDragRotate = 8,
    crDragEnlarge = 9,
    crStretchHorz = 10,
    crStretchVert = 11,
    crDragPoint = 12,
    crDragPointAlongCurve = 13,
    crDragging = 14,
    crDraggingAlongCurve = 15,
    crPickAPoint = 19,
    crDragShear = 20,
};

// Which mouse control drags a handle: the mouse tools make the control of
// that kind for a press on the handle.
enum class TDragMouseKind : std::uint8_t {
    DragCurve,   // the whole curve moves with the handle
    DragPoint,   // the handle moves and changes the curve
    OnPrimary,   // the handle slides along the parent curve
    OnAxis,      // the handle slides along the x axis
    CentrePoint, // a centre moves alone
    Rotate,      // the curve turns about the fixed point
    Stretch,     // the curve stretches from the fixed point in both directions
    StretchHorz, // ... across only
    StretchVert, // ... up and down only
    Enlarge,     // the curve grows or shrinks from the fixed point
    DragAlone,   // the handle moves alone (Ctrl held on a Ctrl-movable handle)
    // Drags of a transformation's image that change one number of its first step.
    StepRotation,
    StepEnlargement,
    StepStretch,
    StepShear,
};

class TDragCustom;

// What a press on a dragged curve starts. The curve says which drag and
// with what; the mouse tools make the control, so that curves need know
// nothing of mouse tools.
struct TDragPress {
    TDragMouseKind Kind = TDragMouseKind::DragCurve;
    TDragCustom* Handle = nullptr; // the handle pressed (borrowed), or nullptr
    Extended Start = 0;            // step drags: the angle (radians) or factor now
    TRealPoint
        Centre; // rotation and enlargement: the centre; stretch and shear: a point of the invariant line
    TRealPoint Direction{1, 0}; // stretch and shear: the invariant line's unit direction
    // The curve that took the pressed one's place in the list and is to be
    // dragged instead (a regular polygon becomes its list of points), borrowed;
    // nullptr for the curve pressed.
    TCurvePLotter* Replacement = nullptr;
};

class TDragCustom : public TBitMapMarker {
public:
    // A handle of owner (borrowed) at (x, y). With applyMatrices set, its base
    // position is (x, y) mapped back through the owner's current drag
    // matrices, so that a handle put on the drawn curve follows the matrices.
    // hot is the hot spot in both directions, so that the bitmap is centred
    // on the point.
    TDragCustom(TCurvePLotter* owner, Extended x, Extended y, bool ctrlMovable, bool applyMatrices,
                std::string resourceName = "DRAGPOINT", int hot = 7);

    TCurvePLotter* Owner = nullptr; // borrowed
    TRealPoint BasePosition;        // where the drag matrices map the handle from
    std::int32_t Index = -1;        // the row or vertex it stands for; -1 for none
    bool CtrlMovable = false;       // Ctrl and a press move the handle alone

    // The cursor number shown over the handle.
    [[nodiscard]] virtual int CursorNumber(bool ctrlDown) const
    {
        (void)ctrlDown;
        return crDragMove;
    }
    // The mouse control that drags this handle.
    [[nodiscard]] virtual TDragMouseKind MouseKind() const { return TDragMouseKind::DragCurve; }
    // The handle's class, as the command-line tool prints it.
    [[nodiscard]] virtual const char* KindName() const { return "TDragCustom"; }
    // One of the handles a whole curve is moved, turned, stretched or enlarged by.
    [[nodiscard]] virtual bool IsTransformHandle() const { return false; }
    // Moves the anchor (the handle's position) to (x, y).
    void MoveTo(Extended x, Extended y);
};

// A handle standing for one point of a coordinate list, shape or curve.
class TDragPoint : public TDragCustom {
public:
    TDragPoint(TCurvePLotter* owner, Extended x, Extended y, int index, bool applyMatrices = false);
    [[nodiscard]] int CursorNumber(bool ctrlDown) const override
    {
        return ctrlDown ? crDragPointAlongCurve : crDragPoint;
    }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::DragPoint; }
    [[nodiscard]] const char* KindName() const override { return "TDragPoint"; }
};

// A handle that slides along the parent curve: the point of a tangent.
class TDragOnPrimary : public TDragCustom {
public:
    TDragOnPrimary(TCurvePLotter* owner, Extended x, Extended y) : TDragCustom(owner, x, y, true, false) {}
    [[nodiscard]] int CursorNumber(bool) const override { return crDragPointAlongCurve; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::OnPrimary; }
    [[nodiscard]] const char* KindName() const override { return "TDragOnPrimary"; }
};

// A handle that slides along the x axis: the start of an area function.
class TDragOnAxis : public TDragCustom {
public:
    TDragOnAxis(TCurvePLotter* owner, Extended x, Extended y) : TDragCustom(owner, x, y, true, false) {}
    [[nodiscard]] int CursorNumber(bool) const override { return crDragPoint; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::OnAxis; }
    [[nodiscard]] const char* KindName() const override { return "TDragOnAxis"; }
};

// The transform handles a whole curve is moved, turned, stretched or
// enlarged by; none of them is moved alone with Ctrl.

// Moves the whole curve.
class TTranslatePoint : public TDragCustom {
public:
    TTranslatePoint(TCurvePLotter* owner, Extended x, Extended y, bool applyMatrices = false)
        : TDragCustom(owner, x, y, false, applyMatrices, "DRAGTRANSLATE")
    {
    }
    [[nodiscard]] int CursorNumber(bool) const override { return crDragging; }
    [[nodiscard]] const char* KindName() const override { return "TTranslatePoint"; }
    [[nodiscard]] bool IsTransformHandle() const override { return true; }
};

// The fixed point of a turn, stretch or enlargement; moved alone.
class TCentrePoint : public TDragCustom {
public:
    TCentrePoint(TCurvePLotter* owner, Extended x, Extended y, bool applyMatrices = false)
        : TDragCustom(owner, x, y, false, applyMatrices, "DRAGCENTRE")
    {
    }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::CentrePoint; }
    [[nodiscard]] const char* KindName() const override { return "TCentrePoint"; }
    [[nodiscard]] bool IsTransformHandle() const override { return true; }
};

// Turns the curve about the centre.
class TRotatePoint : public TDragCustom {
public:
    TRotatePoint(TCurvePLotter* owner, Extended x, Extended y, bool applyMatrices = false)
        : TDragCustom(owner, x, y, false, applyMatrices, "DRAGPOINTROTATE")
    {
    }
    [[nodiscard]] int CursorNumber(bool) const override { return crDragRotate; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::Rotate; }
    [[nodiscard]] const char* KindName() const override { return "TRotatePoint"; }
    [[nodiscard]] bool IsTransformHandle() const override { return true; }
};

// A corner: stretches the curve from the fixed point in both directions.
// The stretch handles are larger, their bitmaps centred with hot spot 9.
class TStretchPoint : public TDragCustom {
public:
    TStretchPoint(TCurvePLotter* owner, Extended x, Extended y, bool applyMatrices = false,
                  std::string resourceName = "DRAGENLARGEPOINT")
        : TDragCustom(owner, x, y, false, applyMatrices, std::move(resourceName), 9)
    {
    }
    [[nodiscard]] int CursorNumber(bool) const override { return crDragStretch; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::Stretch; }
    [[nodiscard]] const char* KindName() const override { return "TStretchPoint"; }
    [[nodiscard]] bool IsTransformHandle() const override { return true; }
};

class TStretchPointHorz : public TStretchPoint {
public:
    TStretchPointHorz(TCurvePLotter* owner, Extended x, Extended y, bool applyMatrices = false)
        : TStretchPoint(owner, x, y, applyMatrices, "DRAGSTRETCHHORZ")
    {
    }
    [[nodiscard]] int CursorNumber(bool) const override { return crStretchHorz; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::StretchHorz; }
    [[nodiscard]] const char* KindName() const override { return "TStretchPointHorz"; }
};

class TStretchPointVert : public TStretchPoint {
public:
    TStretchPointVert(TCurvePLotter* owner, Extended x, Extended y, bool applyMatrices = false)
        : TStretchPoint(owner, x, y, applyMatrices, "DRAGSTRETCHVERT")
    {
    }
    [[nodiscard]] int CursorNumber(bool) const override { return crStretchVert; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::StretchVert; }
    [[nodiscard]] const char* KindName() const override { return "TStretchPointVert"; }
};

// Enlarges the curve from the fixed point by one factor.
class TEnlargePoint : public TStretchPoint {
public:
    using TStretchPoint::TStretchPoint;
    [[nodiscard]] int CursorNumber(bool) const override { return crDragEnlarge; }
    [[nodiscard]] TDragMouseKind MouseKind() const override { return TDragMouseKind::Enlarge; }
    [[nodiscard]] const char* KindName() const override { return "TEnlargePoint"; }
};

// The handles of one curve in creation order (owned).
class TDragPointList {
public:
    TDragPointList() = default;
    TDragPointList(const TDragPointList&) = delete;
    TDragPointList& operator=(const TDragPointList&) = delete;

    void Add(std::unique_ptr<TDragCustom> handle);
    [[nodiscard]] int Count() const { return static_cast<int>(handles_.size()); }
    [[nodiscard]] bool Empty() const { return handles_.empty(); }
    // The handle at position i of the list (borrowed).
    [[nodiscard]] TDragCustom* operator[](int i) const { return handles_[static_cast<std::size_t>(i)].get(); }
    // The handle standing for index, or nullptr.
    [[nodiscard]] TDragCustom* WithIndex(int index) const;
    // The Index of the last handle hit at pixel, else NoDragPoint.
    [[nodiscard]] int IndexAt(QPoint pixel, const TGraphParams& params) const;
    // The last handle hit at pixel, or nullptr.
    [[nodiscard]] TDragCustom* HandleAt(QPoint pixel, const TGraphParams& params) const;
    // Every handle's position := the image of its base position.
    void ApplyDragMatrices(const TDragMatrices& matrices);
    // Every base position := the handle's position.
    void Rebase();
    // Frees every handle, the last first.
    void Clear();
    // Frees the transform handles; the handles of points stay.
    void RemoveTransformHandles();

    // Draws every handle whose owner may be dragged now.
    void Draw(Canvas& canvas, const TGraphParams& params) const;
    // Whether a handle is hit at pixel.
    [[nodiscard]] bool AnyHit(QPoint pixel, const TGraphParams& params) const
    {
        return HandleAt(pixel, params) != nullptr;
    }
    // The cursor number of the last handle hit at pixel, or 0 when none is.
    [[nodiscard]] int CursorAt(QPoint pixel, const TGraphParams& params, bool ctrlDown) const;
    // The position of the last centre handle, (0, 0) when there is none.
    [[nodiscard]] TRealPoint CentrePosition() const;
    // Moves rect (a pop-up's, in pixels) up so that it covers no handle:
    // over a handle, its top goes to the handle's pixel less its height and
    // twice the hot spot.
    [[nodiscard]] QRect KeepClear(QRect rect, const TGraphParams& params) const;

private:
    std::vector<std::unique_ptr<TDragCustom>> handles_;
};

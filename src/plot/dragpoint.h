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

#include <cstdint>
#include <memory>
#include <vector>

class TCurvePLotter;
class TGraphParams;

// The index the handle list answers when no handle is hit.
inline constexpr int NoDragPoint = -2;

class TDragCustom : public TBitMapMarker {
public:
    // A handle of owner (borrowed) at (x, y). With applyMatrices set, its base
    // position is (x, y) mapped back through the owner's current drag
    // matrices, so that a handle put on the drawn curve follows the matrices.
    TDragCustom(TCurvePLotter* owner, Extended x, Extended y, bool ctrlMovable, bool applyMatrices,
                std::string resourceName = "DRAGPOINT");

    TCurvePLotter* Owner = nullptr; // borrowed
    TRealPoint BasePosition;        // where the drag matrices map the handle from
    std::int32_t Index = -1;        // the row or vertex it stands for; -1 for none
    bool CtrlMovable = false;       // Ctrl and a press move the handle alone

    // The cursor number shown over the handle.
    [[nodiscard]] virtual int CursorNumber(bool ctrlDown) const
    {
        (void)ctrlDown;
        return 7;
    }
    // Moves the anchor (the handle's position) to (x, y).
    void MoveTo(Extended x, Extended y);
};

// A handle standing for one point of a coordinate list, shape or curve.
class TDragPoint : public TDragCustom {
public:
    TDragPoint(TCurvePLotter* owner, Extended x, Extended y, int index, bool applyMatrices = false);
    [[nodiscard]] int CursorNumber(bool ctrlDown) const override { return ctrlDown ? 13 : 12; }
};

// A handle that slides along the x axis: the start of an area function.
class TDragOnAxis : public TDragCustom {
public:
    TDragOnAxis(TCurvePLotter* owner, Extended x, Extended y) : TDragCustom(owner, x, y, true, false) {}
    [[nodiscard]] int CursorNumber(bool ctrlDown) const override
    {
        (void)ctrlDown;
        return 12;
    }
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

private:
    std::vector<std::unique_ptr<TDragCustom>> handles_;
};

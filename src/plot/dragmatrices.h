// TDragMatrices: the affine map p' = M·p + T through which an explicit curve
// is drawn while the mouse drags or transforms it, so that the picture moves
// without the formula being rewritten until the drag is committed.
#pragma once

#include "graph/axes.h"
#include "numbers/evalstate.h"
#include "numbers/numerics.h"

class TDragMatrices {
public:
    // M row by row and T; the identity by default.
    Extended M[2][2] = {{1, 0}, {0, 1}};
    Extended T[2] = {0, 0};

    // M·p + T.
    [[nodiscard]] TRealPoint Apply(const TRealPoint& p) const;
    // M⁻¹·(p − T); a singular M sets the status to 5 and answers p − T.
    [[nodiscard]] TRealPoint ApplyInverse(const TRealPoint& p) const;
    // The bounding box of the rectangle's four corners mapped by the inverse.
    [[nodiscard]] TAxisRanges InverseBounds(const TAxisRanges& rectangle) const;
    // Applies other first, then this map: M := M·M₂, T := M·T₂ + T.
    void Compose(const TDragMatrices& other);
    void SetTranslation(Extended tx, Extended ty);
    // Scales by (sx, sy) about the centre (cx, cy).
    void SetScale(Extended sx, Extended sy, Extended cx, Extended cy);
    // Turns by the angle a (radians, anticlockwise) about (cx, cy).
    void SetRotation(Extended a, Extended cx, Extended cy);
    void Reset();
    [[nodiscard]] bool IsIdentity() const;
};

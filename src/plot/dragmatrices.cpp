#include "plot/dragmatrices.h"

#include <algorithm>
#include <cmath>

TRealPoint TDragMatrices::Apply(const TRealPoint& p) const
{
    return {M[0][0] * p.x + M[0][1] * p.y + T[0], M[1][0] * p.x + M[1][1] * p.y + T[1]};
}

TRealPoint TDragMatrices::ApplyInverse(const TRealPoint& p) const
{
    const Extended dx = p.x - T[0];
    const Extended dy = p.y - T[1];
    const Extended det = M[0][0] * M[1][1] - M[0][1] * M[1][0];
    if (det == 0 || !std::isfinite(det)) {
        SetStatus(esUndefined);
        return {dx, dy};
    }
    return {(M[1][1] * dx - M[0][1] * dy) / det, (M[0][0] * dy - M[1][0] * dx) / det};
}

TAxisRanges TDragMatrices::InverseBounds(const TAxisRanges& r) const
{
    const TRealPoint corners[4] = {ApplyInverse({r.XMin, r.YMin}), ApplyInverse({r.XMin, r.YMax}),
                                   ApplyInverse({r.XMax, r.YMin}), ApplyInverse({r.XMax, r.YMax})};
    TAxisRanges box{corners[0].x, corners[0].x, corners[0].y, corners[0].y};
    for (const TRealPoint& c : corners) {
        box.XMin = std::min(box.XMin, c.x);
        box.XMax = std::max(box.XMax, c.x);
        box.YMin = std::min(box.YMin, c.y);
        box.YMax = std::max(box.YMax, c.y);
    }
    return box;
}

void TDragMatrices::Compose(const TDragMatrices& other)
{
    Extended m[2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            m[i][j] = M[i][0] * other.M[0][j] + M[i][1] * other.M[1][j];
    const Extended t0 = M[0][0] * other.T[0] + M[0][1] * other.T[1] + T[0];
    const Extended t1 = M[1][0] * other.T[0] + M[1][1] * other.T[1] + T[1];
    std::copy(&m[0][0], &m[0][0] + 4, &M[0][0]);
    T[0] = t0;
    T[1] = t1;
}

void TDragMatrices::SetTranslation(Extended tx, Extended ty)
{
    T[0] = tx;
    T[1] = ty;
}

void TDragMatrices::SetScale(Extended sx, Extended sy, Extended cx, Extended cy)
{
    M[0][0] = sx;
    M[0][1] = 0;
    M[1][0] = 0;
    M[1][1] = sy;
    T[0] = cx * (1 - sx);
    T[1] = cy * (1 - sy);
}

void TDragMatrices::SetRotation(Extended a, Extended cx, Extended cy)
{
    const Extended c = std::cos(a);
    const Extended s = std::sin(a);
    M[0][0] = c;
    M[0][1] = -s;
    M[1][0] = s;
    M[1][1] = c;
    T[0] = cx - (c * cx - s * cy);
    T[1] = cy - (s * cx + c * cy);
}

void TDragMatrices::Reset()
{
    *this = TDragMatrices{};
}

bool TDragMatrices::IsIdentity() const
{
    return M[0][0] == 1 && M[0][1] == 0 && M[1][0] == 0 && M[1][1] == 1 && T[0] == 0 && T[1] == 0;
}

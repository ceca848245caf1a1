// Thousands of short one-pixel segments (a direction field) written straight
// into the picture's pixels. The painter draws each line through its general
// stroker, which costs more than the field's own arithmetic; for the common
// case of an opaque hairline on a plain 32-bit image the same pixels the
// painter sets are set here: one per step along the longer axis from its
// lower end, the higher end left out.
#pragma once

#include <QPoint>

#include <span>

class QPainter;

// Draws the segments from pairs[0] to pairs[1], pairs[2] to pairs[3] and so
// on with painter's pen when that can be done directly; false (nothing
// drawn) when the painter's state needs its own drawing.
[[nodiscard]] bool DrawHairlinesDirect(QPainter& painter, std::span<const QPoint> pairs);

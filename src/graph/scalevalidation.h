// The rules a new scale must pass before it is applied: bounds within
// 1e20, a range neither vanishing nor enormous, minimum and maximum not too
// close for the figures a long double holds. The messages are shown on the
// status line by whoever applies the scale.
#pragma once

#include "numbers/evalstate.h"

#include <string>

// The message for one axis (letter 'x' or 'y'), empty when the bounds are
// valid. In step form max holds the step per 2 cm instead of a maximum.
[[nodiscard]] std::string ScaleRangeError(char letter, Extended min, Extended max, bool stepForm);

// The colour helpers shared by formula painting, curve colours and best-fit
// lines: lightening towards white or darkening towards black, the average of
// two colours, and grey levels for printing in grey. Colours are resolved to
// plain RGB first (the screens and printers we draw on show every RGB
// colour, so the nearest device colour is the colour itself).
#pragma once

#include "platform/colour.h"

// Each channel v becomes (10·v + 255·a) div (a + 10) for a >= 0 (towards
// white; a = 10 goes half-way) and 10·v div (10 - a) for a < 0 (towards black).
[[nodiscard]] TColour LightenColour(TColour colour, int amount);
// Each channel the sum of the two channel values div 2.
[[nodiscard]] TColour AverageColour(TColour first, TColour second);
// All three channels (r + g + b) div 3.
[[nodiscard]] TColour GreyColour(TColour colour);

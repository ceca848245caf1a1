// Fast 80-bit transcendental functions. The C library's long double sinl,
// expl and friends cost ten to forty times their double versions, which
// would make every trigonometric curve ten times slower than it need be; on
// x86 these run on the x87 unit's own instructions (exponentials as powers
// of two), elsewhere they fall back to the C library. Arguments must lie in
// the function's domain: callers check domains and report the status.
#pragma once

#include "numbers/evalstate.h"

// Sine and cosine of x radians, |x| <= 6.8e10, to within a few units in the
// last place of the long double result.
[[nodiscard]] Extended FastSin(Extended x);
[[nodiscard]] Extended FastCos(Extended x);
// Arctangent of x, and of y / x in the right quadrant.
[[nodiscard]] Extended FastAtan(Extended x);
[[nodiscard]] Extended FastAtan2(Extended y, Extended x);
// e to the power x and 2 to the power x; overflow and underflow follow the
// hardware (callers bound x first).
[[nodiscard]] Extended FastExp(Extended x);
[[nodiscard]] Extended FastExp2(Extended x);
// Natural and base-2 logarithms, x > 0.
[[nodiscard]] Extended FastLn(Extended x);
[[nodiscard]] Extended FastLog2(Extended x);
// Square root, x >= 0.
[[nodiscard]] Extended FastSqrt(Extended x);

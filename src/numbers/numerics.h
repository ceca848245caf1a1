// Number formatting and the small numeric helpers shared by the axes, the
// mouse tools and the curves. FormatNumber is the one way the program turns
// a value into the text it shows or writes into a formula.
#pragma once

#include "numbers/evalstate.h"

#include <cmath>
#include <string>

// The marker for a missing value; FormatNumber gives a one-character text
// holding 0x00 for it.
inline constexpr Extended MissingValue = 2e-37L;

// x rounded to the nearest whole number, halves to even (the rounding mode
// in force, which the program never changes). Unlike nearbyint it does not
// save and restore the floating-point state, which made it the most costly
// step of mapping a sample to a pixel.
[[nodiscard]] inline Extended RoundHalfEven(Extended x)
{
#if defined(__x86_64__) || defined(__i386__)
    Extended r;
    __asm__("frndint" : "=t"(r) : "0"(x));
    return r;
#else
    return std::rint(x);
#endif
}

// True when x is a whole number (also for the infinities; never for NaN).
[[nodiscard]] inline bool IsWhole(Extended x)
{
    return RoundHalfEven(x) == x;
}

// The decimal-point character of the settings in force ('.' by default).
inline char DecimalPoint = '.';

// x with figures (1 to 10) significant digits: plain decimal when the
// exponent is moderate, otherwise mantissa "*10^" exponent; forceExponent
// uses the exponent form whenever the exponent is not 0.
[[nodiscard]] std::string FormatNumber(int figures, bool forceExponent, Extended x);
// x rounded to the nearest multiple of 10^k; 0 when 10^k > |x|.
[[nodiscard]] Extended RoundToPowerOfTen(int k, Extended x);
// x rounded to k significant figures (0 stays 0).
[[nodiscard]] Extended RoundSignificant(int k, Extended x);
// The two values give the same 20-character scientific text; resets the status.
[[nodiscard]] bool NearlyEqual(Extended a, Extended b);
// |a - b| < 1e-8 after both are rounded to double.
[[nodiscard]] bool SameValue(Extended a, Extended b);
struct TRealPoint {
    Extended x = 0, y = 0;
};
[[nodiscard]] bool SamePoint(const TRealPoint& p, const TRealPoint& q);
// The greatest whole number not above x + 1e-11; |x| > 2147483647 gives 0 with status 5.
[[nodiscard]] Extended FloorWithTolerance(Extended x);
// 1 for x >= 0, -1 otherwise.
[[nodiscard]] inline Extended Sign(Extended x)
{
    return x >= 0 ? 1 : -1;
}
// The angle of (dx, dy) in radians.
[[nodiscard]] Extended Direction(Extended dx, Extended dy);
// Brings an angle into (-pi, pi] by adding or subtracting 2 pi once.
[[nodiscard]] Extended NormaliseAngle(Extended a);
// The normalised difference of the two directions: the turn from the first to the second.
[[nodiscard]] Extended AngleBetween(Extended dx1, Extended dy1, Extended dx2, Extended dy2);
// sqrt(a^2 + b^2).
[[nodiscard]] Extended Hypot(Extended a, Extended b);
struct TPolarPoint {
    Extended radius = 0, direction = 0;
};
[[nodiscard]] TPolarPoint ToPolar(const TRealPoint& point);
// Status 5 and false when |x| is not below bound; status 7 and false when x
// is not whole.
[[nodiscard]] bool CheckWhole(Extended bound, Extended x);

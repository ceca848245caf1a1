// The real functions and operations that evaluation nodes call, and the
// table that ties each function code (the keyword codes 200 to 223 and the
// extra codes of evaluator.h) to its function, its markup name and the code
// of its inverse. Functions never throw: a value outside the domain gives a
// fixed result and sets the evaluation status (5 undefined, 6 invalid,
// 7 not whole). Trigonometric functions work in the program's angle unit.
#pragma once

#include "numbers/evalstate.h"

#include <cmath>
#include <cstdint>
#include <limits>

// Bounds shared with the tests and the plotter.
inline constexpr Extended TrigArgumentBound = 6.8e10L;            // beyond it sin and cos are undefined
inline constexpr Extended CosineSnap = 7.276e-12L;                // smaller cosines are exactly 0
inline constexpr Extended OverflowValue = 1e37L;                  // the value reported with too-big results
inline constexpr Extended PowerBound = 8.2230127146229135103e36L; // e^85: the largest size a power may reach

// sin, cos, tan of an angle in the current unit; |x| > 6.8e10 gives 0 with
// status 5. Cosines below 7.276e-12 in size are exactly 0; tan at such a
// point gives 0 with status 5.
[[nodiscard]] Extended RealSin(Extended x);
[[nodiscard]] Extended RealCos(Extended x);
[[nodiscard]] Extended RealTan(Extended x);
// 1/cos, 1/sin, 1/tan without tracking (the tracked nodes are the usual form);
// a zero divisor gives 0 with status 5.
[[nodiscard]] Extended RealSec(Extended x);
[[nodiscard]] Extended RealCosec(Extended x);
[[nodiscard]] Extended RealCot(Extended x);
// Inverse trigonometric functions, answering in the current unit; arcsin
// and arccos of |y| > 1 give status 6; the reciprocal forms give status 5 at 0.
[[nodiscard]] Extended RealArcsin(Extended y);
[[nodiscard]] Extended RealArccos(Extended y);
[[nodiscard]] Extended RealArctan(Extended y);
[[nodiscard]] Extended RealArcsec(Extended x);
[[nodiscard]] Extended RealArccosec(Extended x);
[[nodiscard]] Extended RealArccot(Extended x);
// Hyperbolic functions: sinh and cosh of |x| > 80 give 1e37 with status 5;
// tanh of |x| > 40 is the sign of x.
[[nodiscard]] Extended RealSinh(Extended x);
[[nodiscard]] Extended RealCosh(Extended x);
[[nodiscard]] Extended RealTanh(Extended x);
// Inverse hyperbolic functions: arcosh below 1 and artanh of |x| >= 1 give status 6.
[[nodiscard]] Extended RealArsinh(Extended x);
[[nodiscard]] Extended RealArcosh(Extended x);
[[nodiscard]] Extended RealArtanh(Extended x);
// e^x: x > 80 gives 1e37 with status 5, x < -80 gives 0.
[[nodiscard]] Extended RealExp(Extended x);
// Natural and common logarithms: x <= 0 gives 0 with status 6.
[[nodiscard]] Extended RealLn(Extended x);
[[nodiscard]] Extended RealLog(Extended x);
// 10^x as exp(x ln 10), with the bounds of exp.
[[nodiscard]] Extended RealTenToThe(Extended x);
// Square root: x < 0 gives 0 with status 6.
[[nodiscard]] Extended RealSqrt(Extended x);
[[nodiscard]] Extended RealAbs(Extended x);
[[nodiscard]] Extended RealSquare(Extended x);
[[nodiscard]] Extended RealNegate(Extended x);
// The greatest whole number not above x.
[[nodiscard]] Extended RealInt(Extended x);
// x!: x must be whole (status 7) and lie from 0 to 33 (status 5 otherwise).
[[nodiscard]] Extended RealFactorial(Extended x);
// base^exponent with the rules of school arithmetic: |base| <= 1e-10 gives 0
// (status 5 for an exponent not above 0); results beyond e^85 give status 5;
// whole exponents 0 to 9 multiply exactly; a negative base takes whole
// exponents and reciprocals of whole odd numbers (odd roots), anything else
// gives status 6.
[[nodiscard]] Extended RealPower(Extended base, Extended exponent);

// What a negative base does to base^exponent for an exponent other than the
// whole numbers from 0 to 9: a whole exponent keeps the sign (even) or
// changes it (odd), the reciprocal of a whole odd number (an odd root)
// changes it, and anything else has no real value.
enum class TNegativeBase : std::uint8_t { KeepSign, ChangeSign, NoRealValue };
[[nodiscard]] TNegativeBase NegativeBasePower(Extended exponent);

// What RealPower works out afresh on every call, worked out once for a
// constant exponent other than the whole numbers from 0 to 9.
struct TConstantExponent {
    Extended exponent = 0;
    // For base sizes strictly between these, exponent * ln|base| is well
    // inside the bounds of e^85, so a base without a real power needs no
    // logarithm to tell.
    Extended low = 0, high = 0;
    TNegativeBase negativeBase = TNegativeBase::KeepSign;
    bool zeroUndefined = false; // a base of size 1e-10 or less gives status 5
};
[[nodiscard]] TConstantExponent ConstantExponent(Extended exponent);
// RealPower (base, facts.exponent) to the last bit, value and status alike.
// unsure is set where a base that is not finite may have been turned into
// a finite result (the fault flags then tell what happened, not the value).
[[nodiscard]] Extended RealConstantPower(Extended base, const TConstantExponent& facts, bool& unsure);

// Base sizes strictly between which base^n (n from 0 to 9) is certainly
// above 1e-10 and its power inside [e^-85, e^85]: e^(±85/n) with a margin
// of a thousandth, as doubles, which are cheap to compare with.
inline constexpr double WholePowerLow[10] = {1.001e-10,
                                             1.001e-10,
                                             1.001e-10,
                                             1.001e-10,
                                             5.911209302942984e-10,
                                             4.144077656503952e-08,
                                             7.04577738307314e-07,
                                             5.331608182372751e-06,
                                             2.432513209058879e-05,
                                             7.920707406648216e-05};
inline constexpr double WholePowerHigh[10] = {
    1.7976931348623157e308, 8.214789701908291e+36, 2.864712012088891e+18, 2016395914464.9204,
    1691699530.0811555,     24130797.80082172,     1419288.3845612404,    187560.48190228516,
    41109.70482198911,      12625.122336429884};

// base^exponent for a whole exponent from 0 to 9, exactly as RealPower
// computes it: the base multiplied by itself exponent times (exact for small
// powers, negative bases included). Inline, so that the compiled form of a
// formula squares as cheaply as native code. unsure is set where a base
// that is not finite, or a product that overflowed, is turned into a
// finite result.
[[nodiscard]] inline Extended RealWholePower(Extended base, int exponent, bool& unsure)
{
    Extended result = 1;
    const Extended magnitude = std::fabs(base);
    if (magnitude > WholePowerLow[exponent] && magnitude < WholePowerHigh[exponent]) {
        // The commonest case, where none of the bounds below can apply.
        for (int i = exponent; i > 0; --i)
            result *= base;
        return result;
    }
    if (!(magnitude > 1e-10L)) {
        // Zero to a zero power is undefined.
        if (exponent <= 0)
            SetStatus(esUndefined);
        if (base != base)
            unsure = true;
        return 0;
    }
    // The bound |t| > 85 on exponent * ln|base| is the bound e^85 on the
    // result, so no logarithm is needed here.
    for (int i = exponent; i > 0; --i)
        result *= base;
    if (exponent == 0 && !std::islessequal(std::fabs(base), std::numeric_limits<Extended>::max()))
        unsure = true; // an infinity to the power 0
    const Extended size = std::fabs(result);
    if (size > PowerBound) {
        unsure = true;
        SetStatus(esUndefined);
        return 0;
    }
    if (size < 1 / PowerBound)
        return 0;
    return result;
}

[[nodiscard]] inline Extended RealWholePower(Extended base, int exponent)
{
    bool unsure = false;
    return RealWholePower(base, exponent, unsure);
}

using TRealFunction = Extended (*)(Extended);

// One row of the function table.
struct TFunctionInfo {
    int code;
    const char* name; // the required part of the keyword, written in markup
    TRealFunction function;
    int inverseCode; // the function InvertTowards puts in, 0 when none
};

// The row of a function code, or nullptr for an unknown code.
[[nodiscard]] const TFunctionInfo* FunctionInfo(int code);
// The function of a code; an unknown code gives a function that answers 0
// with status 5, so a tree built with a bad code still evaluates safely.
[[nodiscard]] TRealFunction FunctionFor(int code);
// The markup name of a function code ("" when unknown).
[[nodiscard]] const char* FunctionName(int code);
// The code of the inverse function, 0 when there is none.
[[nodiscard]] int InverseFunctionCode(int code);

#include "expr/functions.h"

#include "expr/evaluator.h"
#include "expr/fastmath.h"
#include "numbers/numerics.h"

#include <cmath>
#include <limits>

namespace {

constexpr Extended HalfPi = Pi / 2;
constexpr Extended Ln10 = 2.30258509299404568401799145468436421L;
constexpr Extended Ln2 = 0.693147180559945309417232121458176568L;
// Below these sizes the series of the odd hyperbolic functions is used: the
// closed forms lose most of their figures to cancellation near 0.
constexpr Extended SeriesBound = 1e-5L;
// From here on ln 2x is arsinh x and arcosh x to the last figure (the
// neglected term is 1/4x^2); closer in it would be wrong in the sixth.
constexpr Extended LogarithmicBound = 1e10L;

// Exact powers of ten, so that log gives whole answers for them.
constexpr Extended PowersOfTen[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
                                    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
                                    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

[[nodiscard]] bool TrigArgumentOk(Extended x)
{
    if (std::fabs(x) <= TrigArgumentBound)
        return true;
    SetStatus(esUndefined); // also for NaN
    return false;
}

Extended UnknownFunction(Extended)
{
    SetStatus(esUndefined);
    return 0;
}

} // namespace

Extended RealSin(Extended x)
{
    if (!TrigArgumentOk(x))
        return 0;
    // As the cosine, an exact zero at the half turns (sin 180 is 0, not
    // -5e-20) lets cosec and cot report their poles. Near 0 itself the sine
    // is as small as its angle, and is kept.
    const Extended angle = x * AngleFactor;
    const Extended s = FastSin(angle);
    return std::fabs(s) < CosineSnap && std::fabs(angle) > 1 ? 0 : s;
}

Extended RealCos(Extended x)
{
    if (!TrigArgumentOk(x))
        return 0;
    // An exact zero at the poles lets tan, sec and cot report them as undefined.
    const Extended c = FastCos(x * AngleFactor);
    return std::fabs(c) < CosineSnap ? 0 : c;
}

Extended RealTan(Extended x)
{
    if (!TrigArgumentOk(x))
        return 0;
    const Extended c = RealCos(x);
    if (c == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return FastSin(x * AngleFactor) / c;
}

Extended RealSec(Extended x)
{
    const Extended c = RealCos(x);
    if (c == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return 1 / c;
}

Extended RealCosec(Extended x)
{
    const Extended s = RealSin(x);
    if (s == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return 1 / s;
}

Extended RealCot(Extended x)
{
    const Extended s = RealSin(x);
    if (s == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return RealCos(x) / s;
}

Extended RealArcsin(Extended y)
{
    if (!(std::fabs(y) <= 1)) {
        SetStatus(esInvalid);
        return 0;
    }
    if (y == 1)
        return HalfPi / AngleFactor;
    if (y == -1)
        return -HalfPi / AngleFactor;
    // (1 - y)(1 + y) keeps its figures near |y| = 1 where 1 - y^2 would not.
    return FastAtan2(y, FastSqrt((1 - y) * (1 + y))) / AngleFactor;
}

Extended RealArccos(Extended y)
{
    if (!(std::fabs(y) <= 1)) {
        SetStatus(esInvalid);
        return 0;
    }
    return HalfPi / AngleFactor - RealArcsin(y);
}

Extended RealArctan(Extended y)
{
    return FastAtan(y) / AngleFactor;
}

Extended RealArcsec(Extended x)
{
    if (x == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return RealArccos(1 / x);
}

Extended RealArccosec(Extended x)
{
    if (x == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return RealArcsin(1 / x);
}

Extended RealArccot(Extended x)
{
    if (x == 0) {
        SetStatus(esUndefined);
        return 0;
    }
    return RealArctan(1 / x);
}

Extended RealSinh(Extended x)
{
    if (!(std::fabs(x) <= 80)) {
        SetStatus(esUndefined);
        return OverflowValue;
    }
    if (std::fabs(x) < SeriesBound)
        return x + x * x * x / 6;
    const Extended e = FastExp(x);
    return (e - 1 / e) / 2;
}

Extended RealCosh(Extended x)
{
    if (!(std::fabs(x) <= 80)) {
        SetStatus(esUndefined);
        return OverflowValue;
    }
    const Extended e = FastExp(x);
    return (e + 1 / e) / 2;
}

Extended RealTanh(Extended x)
{
    if (std::fabs(x) > 40)
        return Sign(x);
    if (std::fabs(x) < SeriesBound)
        return x - x * x * x / 3;
    const Extended e2 = FastExp(2 * x);
    return (e2 - 1) / (e2 + 1);
}

Extended RealArsinh(Extended x)
{
    const Extended a = std::fabs(x);
    if (a >= LogarithmicBound)
        return Sign(x) * (FastLn(a) + Ln2);
    if (a < SeriesBound)
        return x - x * x * x / 6;
    // The odd symmetry avoids the cancellation of x + sqrt(x^2 + 1) for negative x.
    return Sign(x) * FastLn(a + FastSqrt(a * a + 1));
}

Extended RealArcosh(Extended x)
{
    if (!(x >= 1)) {
        SetStatus(esInvalid);
        return 0;
    }
    if (x >= LogarithmicBound)
        return Ln2 + FastLn(x);
    return FastLn(x + FastSqrt(x * x - 1));
}

Extended RealArtanh(Extended x)
{
    if (!(std::fabs(x) < 1)) {
        SetStatus(esInvalid);
        return 0;
    }
    if (std::fabs(x) < SeriesBound)
        return x + x * x * x / 3;
    return FastLn((1 + x) / (1 - x)) / 2;
}

Extended RealExp(Extended x)
{
    if (x > 80) {
        SetStatus(esUndefined);
        return OverflowValue;
    }
    if (x < -80)
        return 0;
    return FastExp(x); // as a power of two
}

Extended RealLn(Extended x)
{
    if (!(x > 0)) {
        SetStatus(esInvalid);
        return 0;
    }
    return FastLn(x);
}

Extended RealLog(Extended x)
{
    if (!(x > 0)) {
        SetStatus(esInvalid);
        return 0;
    }
    const Extended result = FastLn(x) / Ln10;
    // ln x / ln 10 can miss a whole answer by a unit in the last place, and
    // int(log 1000) must be 3: exact powers of ten give exact answers.
    const Extended whole = std::nearbyint(result);
    if (whole != result && whole >= 0 && whole <= 27 && std::fabs(result - whole) < 1e-15L &&
        PowersOfTen[static_cast<int>(whole)] == x)
        return whole;
    return result;
}

Extended RealTenToThe(Extended x)
{
    return RealExp(x * Ln10);
}

Extended RealSqrt(Extended x)
{
    if (x < 0) {
        SetStatus(esInvalid);
        return 0;
    }
    return FastSqrt(x);
}

Extended RealAbs(Extended x)
{
    return std::fabs(x);
}

Extended RealSquare(Extended x)
{
    return x * x;
}

Extended RealNegate(Extended x)
{
    return -x;
}

Extended RealInt(Extended x)
{
    return std::floor(x);
}

Extended RealFactorial(Extended x)
{
    if (!CheckWhole(65000, x))
        return 0;
    if (x > 33 || x < 0) {
        SetStatus(esUndefined);
        return 0;
    }
    Extended result = 1;
    const int n = static_cast<int>(x);
    for (int i = 2; i <= n; ++i)
        result *= i;
    return result;
}

TNegativeBase NegativeBasePower(Extended exponent)
{
    if (IsWhole(exponent))
        return std::fmod(exponent, 2) != 0 ? TNegativeBase::ChangeSign : TNegativeBase::KeepSign;
    // Only an odd root of a negative number is real: the exponent must be
    // the reciprocal of a whole odd number. The tolerance of a few units in
    // the last place accepts 1 / (1/3) computed as 3 + ulp.
    const Extended reciprocal = 1 / exponent;
    const Extended k = std::nearbyint(reciprocal);
    const bool wholeReciprocal =
        std::fabs(k) < 2140000000.0L && std::fabs(reciprocal - k) <= std::fabs(k) * 1e-17L;
    if (!wholeReciprocal || std::fmod(k, 2) == 0)
        return TNegativeBase::NoRealValue;
    return TNegativeBase::ChangeSign;
}

namespace {

// base^exponent by logarithms, for a base of size magnitude above 1e-10 and
// an exponent other than the whole numbers from 0 to 9: results beyond e^85
// give status 5 (unsure is set, as a base that is not finite gets there
// too), below e^-85 they are 0, and negativeBase () tells what a negative
// base does, worked out only for one.
template <class TRule>
Extended PowerByLogarithm(Extended base, Extended magnitude, Extended exponent, TRule&& negativeBase,
                          bool& unsure)
{
    const Extended log2Magnitude = FastLog2(magnitude);
    const Extended t = exponent * log2Magnitude * Ln2; // exponent * ln|base|
    if (t > 85) {
        unsure = true;
        SetStatus(esUndefined);
        return 0;
    }
    if (t < -85) {
        unsure = true;
        return 0;
    }
    Extended result = FastExp2(exponent * log2Magnitude);
    if (base < 0) {
        switch (negativeBase()) {
        case TNegativeBase::KeepSign:
            break;
        case TNegativeBase::ChangeSign:
            result = -result;
            break;
        case TNegativeBase::NoRealValue:
            SetStatus(esInvalid);
            return 0;
        }
    }
    return result;
}

} // namespace

Extended RealPower(Extended base, Extended exponent)
{
    const Extended magnitude = std::fabs(base);
    if (!(magnitude > 1e-10L)) {
        // Zero to a zero or negative power is undefined.
        if (!(exponent > 0))
            SetStatus(esUndefined);
        return 0;
    }
    if (IsWhole(exponent) && exponent >= 0 && exponent <= 9)
        return RealWholePower(base, static_cast<int>(exponent));
    bool unused = false;
    return PowerByLogarithm(
        base, magnitude, exponent, [exponent] { return NegativeBasePower(exponent); }, unused);
}

TConstantExponent ConstantExponent(Extended exponent)
{
    TConstantExponent facts;
    facts.exponent = exponent;
    facts.zeroUndefined = !(exponent > 0);
    facts.negativeBase = NegativeBasePower(exponent);
    // |exponent * ln|base|| < 84 for sure between 2^-l and 2^l, l below;
    // tiny exponents (and a NaN) leave every finite size inside.
    const Extended size = std::fabs(exponent);
    const Extended l = 84 / Ln2;
    if (size > l / 16000) {
        facts.high = std::exp2(l / size);
        facts.low = 1 / facts.high;
    } else if (size == size) {
        facts.high = std::numeric_limits<Extended>::infinity();
        facts.low = 0;
    }
    return facts;
}

Extended RealConstantPower(Extended base, const TConstantExponent& facts, bool& unsure)
{
    const Extended magnitude = std::fabs(base);
    if (!(magnitude > 1e-10L)) {
        if (facts.zeroUndefined)
            SetStatus(esUndefined);
        unsure = true; // also a NaN base
        return 0;
    }
    if (base < 0 && facts.negativeBase == TNegativeBase::NoRealValue && magnitude < facts.high &&
        magnitude > facts.low) {
        SetStatus(esInvalid);
        return 0;
    }
    return PowerByLogarithm(
        base, magnitude, facts.exponent, [&facts] { return facts.negativeBase; }, unsure);
}

namespace {

// Keyed by code; the names are the required parts of the keywords.
constexpr TFunctionInfo FunctionTable[] = {
    {200, "sin", RealSin, 209},
    {201, "cos", RealCos, 210},
    {202, "tan", RealTan, 211},
    {203, "sinh", RealSinh, 212},
    {204, "cosh", RealCosh, 213},
    {205, "tanh", RealTanh, 214},
    // sec, cosec and cot are normally the tracked nodes; the plain functions
    // serve any other use.
    {206, "sec", RealSec, 0},
    {207, "cosec", RealCosec, 0},
    {208, "cot", RealCot, 0},
    {209, "asin", RealArcsin, 200},
    {210, "acos", RealArccos, 201},
    {211, "atan", RealArctan, 202},
    {212, "asinh", RealArsinh, 203},
    {213, "acosh", RealArcosh, 204},
    {214, "atanh", RealArtanh, 205},
    {215, "asec", RealArcsec, 206},
    {216, "acosec", RealArccosec, 207},
    {217, "acot", RealArccot, 208},
    {218, "abs", RealAbs, 0},
    {219, "int", RealInt, 0},
    {220, "sqrt", RealSqrt, fcSquare},
    {221, "log", RealLog, fcTenToThe},
    {222, "ln", RealLn, 223},
    {223, "exp", RealExp, 222},
    {fcNegate, "-", RealNegate, fcNegate},
    {fcFactorial, "!", RealFactorial, 0},
    {fcSquare, "sqr", RealSquare, 220},
    {fcTenToThe, "10^", RealTenToThe, 221},
};

} // namespace

const TFunctionInfo* FunctionInfo(int code)
{
    for (const TFunctionInfo& info : FunctionTable)
        if (info.code == code)
            return &info;
    return nullptr;
}

TRealFunction FunctionFor(int code)
{
    const TFunctionInfo* info = FunctionInfo(code);
    return info ? info->function : UnknownFunction;
}

const char* FunctionName(int code)
{
    const TFunctionInfo* info = FunctionInfo(code);
    return info ? info->name : "";
}

int InverseFunctionCode(int code)
{
    const TFunctionInfo* info = FunctionInfo(code);
    return info ? info->inverseCode : 0;
}

// Fast 80-bit transcendental functions on the x87 unit's own instructions.
// The instructions are accurate only on small arguments (fsin and fcos reduce
// large ones with a 66-bit pi), so every function first brings its argument
// into the range where the instruction is good, with exact or compensated
// long double arithmetic, and only then hands it to the hardware.
#include "expr/fastmath.h"

#include <cmath>

#if defined(__x86_64__) || defined(__i386__)

#include <cstdint>
#include <cstring>

namespace {

// Adding and subtracting 1.5 * 2^63 rounds a long double of magnitude below
// 2^62 to an integer in the current rounding mode; the low bits of the sum's
// significand are then the integer's low bits.
constexpr Extended RoundingShifter = 0x1.8p63L;

constexpr Extended QuarterPi = 0xc90fdaa22168c235p-64L;
constexpr Extended TwoOverPi = 0x517cc1b727220a95p-63L;
// The largest argument the fast trigonometric path reduces; beyond it the C
// library does the (rare) work.
constexpr Extended TrigLimit = 0x1p36L;
// pi/2 in six pieces of at most 28 bits, together good to 2^-170: the
// remainder of an argument below 2^36 is never smaller than about 2^-66, so
// its relative error stays below 2^-68.
constexpr Extended HalfPi1 = 0x6487ed5p-26L;
constexpr Extended HalfPi2 = 0x110b461p-54L;
constexpr Extended HalfPi3 = 0x1a62633p-82L;
constexpr Extended HalfPi4 = 0xa2e037p-109L;
constexpr Extended HalfPi5 = 0xe689481p-142L;
constexpr Extended HalfPi6 = 0x2704453p-170L;
// For |x| <= ShortTrigLimit (quotients below 2^10) pi/2 in three pieces, two
// of 53 bits and a rounded rest, good to 2^-170 as well: a shorter chain.
constexpr Extended ShortTrigLimit = 1024.0L;
constexpr Extended ShortHalfPi1 = 0x3243f6a8885a3p-49L;
constexpr Extended ShortHalfPi2 = 0x8d313198a2e03p-105L;
constexpr Extended ShortHalfPi3 = 0xe0e6894812704453p-170L;

constexpr Extended Log2E = 0x2e2a8eca5705fc2fp-61L;
// ln 2 with a 48-bit head, so that n * Ln2Hi is exact for |n| < 2^16.
constexpr Extended Ln2Hi = 0xb17217f7d1cfp-48L;
constexpr Extended Ln2Lo = 0x79abc9e3b39803f3p-112L;
// Beyond these the exponentials have overflowed or underflowed completely;
// clamping keeps the reduced argument inside f2xm1's domain.
constexpr Extended ExpClamp = 11500.0L;
constexpr Extended Exp2Clamp = 16600.0L;

inline Extended HardSin(Extended x)
{
    asm("fsin" : "+t"(x));
    return x;
}

inline Extended HardCos(Extended x)
{
    asm("fcos" : "+t"(x));
    return x;
}

// 2^f - 1 for |f| <= 1.
inline Extended Hard2xm1(Extended f)
{
    asm("f2xm1" : "+t"(f));
    return f;
}

// m * 2^n for an integral n.
inline Extended HardScale(Extended m, Extended n)
{
    asm("fscale" : "+t"(m) : "u"(n));
    return m;
}

// y * log2(x).
inline Extended HardYLog2X(Extended y, Extended x)
{
    Extended result;
    asm("fyl2x" : "=t"(result) : "0"(x), "u"(y) : "st(1)");
    return result;
}

// y * log2(1 + x) for |x| < 1 - sqrt(2)/2.
inline Extended HardYLog2XP1(Extended y, Extended x)
{
    Extended result;
    asm("fyl2xp1" : "=t"(result) : "0"(x), "u"(y) : "st(1)");
    return result;
}

// The angle of the point (x, y), in the quadrant the signs give.
inline Extended HardAtan2(Extended y, Extended x)
{
    Extended result;
    asm("fpatan" : "=t"(result) : "0"(x), "u"(y) : "st(1)");
    return result;
}

// ln 2, rounded by the unit itself.
inline Extended HardLn2()
{
    Extended result;
    asm("fldln2" : "=t"(result));
    return result;
}

// Rounds to an integer (ties to even in the default mode); |x| < 2^62.
inline Extended RoundToInteger(Extended x)
{
    return (x + RoundingShifter) - RoundingShifter;
}

// Error-free sum a + b = s + e, s the rounded sum. Exact when |a| >= |b|,
// and also whenever the rounded sum itself is exact (then e is 0).
inline void FastTwoSum(Extended a, Extended b, Extended& s, Extended& e)
{
    s = a + b;
    e = b - (s - a);
}

// x = quadrant * pi/2 + (head + tail), |head| <= pi/4 (slightly more when
// the rounding mode is not to nearest), |tail| within about an ulp of head.
struct TReduced {
    unsigned quadrant;
    Extended head;
    Extended tail;
};

// Cody-Waite reduction modulo pi/2 for |x| <= TrigLimit. The quotient k has
// at most 36 bits, so every k * HalfPiN is exact. The first two differences
// are exact as well (their results have no more than 64 significant bits);
// the next two are added with their rounding errors kept. Where those
// differences cancel deeply (x next to a multiple of pi/2), they are exact
// too, which is what lets the cheap two-sum stand in for the general one.
inline TReduced ReduceHalfPi(Extended x)
{
    const Extended shifted = x * TwoOverPi + RoundingShifter;
    std::uint64_t significand;
    static_assert(sizeof(Extended) >= sizeof significand);
    std::memcpy(&significand, &shifted, sizeof significand); // little-endian: significand first
    const Extended k = shifted - RoundingShifter;

    TReduced reduced;
    reduced.quadrant = static_cast<unsigned>(significand) & 3U;
    if (std::islessequal(std::fabs(x), ShortTrigLimit)) {
        // x - k * ShortHalfPi1 is exact: below 1 in size, on a grid no finer than 2^-64.
        Extended e2;
        FastTwoSum(x - k * ShortHalfPi1, -(k * ShortHalfPi2), reduced.head, e2);
        reduced.tail = e2 - k * ShortHalfPi3;
        return reduced;
    }
    const Extended r2 = (x - k * HalfPi1) - k * HalfPi2;
    Extended s3, e3, s4, e4;
    FastTwoSum(r2, -(k * HalfPi3), s3, e3);
    FastTwoSum(s3, -(k * HalfPi4), s4, e4);
    reduced.head = s4;
    reduced.tail = (e3 + e4) - (k * HalfPi5 + k * HalfPi6);
    return reduced;
}

// Where fyl2xp1 applies to x - 1. The comparisons here and above are the
// quiet ones: a NaN flows through without raising the invalid flag, which
// callers read as a fault of their own.
inline bool NearOne(Extended x)
{
    return std::isgreater(x, 0.75L) && std::isless(x, 1.25L);
}

// sin(head + tail) for the reduced argument; the tail correction only needs
// cos(head) and sin(head) to a few bits, so short series do.
inline Extended SinReduced(Extended head, Extended tail)
{
    return HardSin(head) + tail * (1.0L - 0.5L * head * head);
}

inline Extended CosReduced(Extended head, Extended tail)
{
    return HardCos(head) - tail * head;
}

// sin(x + quadrantShift * pi/2).
inline Extended SinShifted(Extended x, unsigned quadrantShift)
{
    if (!std::islessequal(std::fabs(x), TrigLimit)) // also infinities and NaNs
        return quadrantShift == 0 ? sinl(x) : cosl(x);
    const TReduced r = ReduceHalfPi(x);
    const unsigned quadrant = r.quadrant + quadrantShift;
    const Extended value = (quadrant & 1U) ? CosReduced(r.head, r.tail) : SinReduced(r.head, r.tail);
    return (quadrant & 2U) ? -value : value;
}

} // namespace

Extended FastSin(Extended x)
{
    if (std::islessequal(std::fabs(x), QuarterPi))
        return HardSin(x);
    return SinShifted(x, 0);
}

Extended FastCos(Extended x)
{
    if (std::islessequal(std::fabs(x), QuarterPi))
        return HardCos(x);
    return SinShifted(x, 1);
}

Extended FastAtan(Extended x)
{
    return HardAtan2(x, 1.0L);
}

Extended FastAtan2(Extended y, Extended x)
{
    return HardAtan2(y, x);
}

Extended FastExp(Extended x)
{
    if (std::isgreater(x, ExpClamp))
        x = ExpClamp;
    else if (std::isless(x, -ExpClamp))
        x = -ExpClamp;
    // x = n ln2 + r with |r| <= ln2/2; n ln2 is taken off in two steps, the
    // first exact, so r keeps full precision even where |x| is in the thousands.
    const Extended n = RoundToInteger(x * Log2E);
    const Extended r = (x - n * Ln2Hi) - n * Ln2Lo;
    return HardScale(Hard2xm1(r * Log2E) + 1.0L, n);
}

Extended FastExp2(Extended x)
{
    if (std::isgreater(x, Exp2Clamp))
        x = Exp2Clamp;
    else if (std::isless(x, -Exp2Clamp))
        x = -Exp2Clamp;
    const Extended n = RoundToInteger(x);
    return HardScale(Hard2xm1(x - n) + 1.0L, n); // x - n is exact
}

Extended FastLn(Extended x)
{
    // Near 1, log2(1 + (x - 1)) keeps the relative precision that log2(x)
    // loses; x - 1 is exact there.
    if (NearOne(x))
        return HardYLog2XP1(HardLn2(), x - 1.0L);
    return HardYLog2X(HardLn2(), x);
}

Extended FastLog2(Extended x)
{
    if (NearOne(x))
        return HardYLog2XP1(1.0L, x - 1.0L);
    return HardYLog2X(1.0L, x);
}

Extended FastSqrt(Extended x)
{
    asm("fsqrt" : "+t"(x));
    return x;
}

#else // no x87 unit: the C library's long double functions

Extended FastSin(Extended x) { return sinl(x); }
Extended FastCos(Extended x) { return cosl(x); }
Extended FastAtan(Extended x) { return atanl(x); }
Extended FastAtan2(Extended y, Extended x) { return atan2l(y, x); }
Extended FastExp(Extended x) { return expl(x); }
Extended FastExp2(Extended x) { return exp2l(x); }
Extended FastLn(Extended x) { return logl(x); }
Extended FastLog2(Extended x) { return log2l(x); }
Extended FastSqrt(Extended x) { return sqrtl(x); }

#endif

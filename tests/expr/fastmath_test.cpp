// The fast 80-bit functions against the C library's long double versions,
// measured in units in the last place over each function's whole domain,
// with extra weight where a careless implementation goes wrong: arguments
// next to multiples of pi/2, huge angles, exponentials at the edge of
// overflow, logarithms next to 1.
//
// Bound: 3 ulps. During development both sides were measured against a
// 113-bit reference: the fast functions stay within about 1.1 ulp of the
// exact value, and so does the library (its sinl and cosl reach 1.35 ulp, its
// expl 1.15), so the two can honestly differ by 2 ulps; 3 leaves one ulp of
// headroom for the double rounding of subnormal exponentials.
#include "expr/fastmath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr long double MaxUlps = 3;

// The 80-bit layout: a 64-bit significand with an explicit integer bit, then
// 15 exponent bits and the sign. Counting the values from zero, a magnitude
// sits at exponent * 2^63 + fraction (subnormals join the normals seamlessly),
// so distances in ulps follow from the fields.
struct TFields {
    bool negative;
    long double exponent;
    std::int64_t fraction;
};

TFields Fields(Extended v)
{
    std::uint64_t significand;
    std::uint16_t signExponent;
    std::memcpy(&significand, &v, sizeof significand);
    std::memcpy(&signExponent, reinterpret_cast<const char*>(&v) + sizeof significand, sizeof signExponent);
    return {(signExponent & 0x8000U) != 0, static_cast<long double>(signExponent & 0x7fffU),
            static_cast<std::int64_t>(significand & 0x7fffffffffffffffULL)};
}

// Exact up to 2^64 ulps, which is far more than any test looks at.
long double UlpDistance(Extended a, Extended b)
{
    if (std::isnan(a) || std::isnan(b))
        return (std::isnan(a) && std::isnan(b)) ? 0 : std::numeric_limits<long double>::infinity();
    if (a == b)
        return 0; // also +0 against -0
    const TFields fa = Fields(a), fb = Fields(b);
    if (fa.negative != fb.negative) // across zero: both distances from zero add up
        return (fa.exponent + fb.exponent) * 0x1p63L + static_cast<long double>(fa.fraction) +
               static_cast<long double>(fb.fraction);
    const long double fractionDifference = static_cast<long double>(fa.fraction - fb.fraction);
    return std::fabs((fa.exponent - fb.exponent) * 0x1p63L + fractionDifference);
}

class TArguments {
public:
    // Full 64-bit significands with binary exponents spread evenly over
    // [minExponent, maxExponent], i.e. log-uniform magnitudes.
    void AddLogUniform(int count, int minExponent, int maxExponent, bool bothSigns)
    {
        std::uniform_int_distribution<int> exponent(minExponent, maxExponent);
        for (int i = 0; i < count; ++i) {
            const std::uint64_t significand = random_() | (std::uint64_t{1} << 63);
            Extended x = std::ldexp(static_cast<Extended>(significand), exponent(random_) - 64);
            if (bothSigns && (random_() & 1U))
                x = -x;
            values_.push_back(x);
        }
    }
    void AddUniform(int count, Extended low, Extended high)
    {
        for (int i = 0; i < count; ++i) {
            const Extended unit = static_cast<Extended>(random_() >> 1) * 0x1p-63L;
            values_.push_back(low + (high - low) * unit);
        }
    }
    // x and its neighbours up to `steps` ulps either way.
    void AddNeighbours(Extended x, int steps)
    {
        Extended up = x, down = x;
        values_.push_back(x);
        for (int i = 0; i < steps; ++i) {
            up = std::nextafter(up, std::numeric_limits<Extended>::infinity());
            down = std::nextafter(down, -std::numeric_limits<Extended>::infinity());
            values_.push_back(up);
            values_.push_back(down);
        }
    }
    void Add(Extended x) { values_.push_back(x); }
    [[nodiscard]] std::uint64_t Random() { return random_(); }
    [[nodiscard]] const std::vector<Extended>& Values() const { return values_; }

private:
    std::mt19937_64 random_{20240611};
    std::vector<Extended> values_;
};

struct TComparison {
    const char* name;
    std::function<Extended(Extended)> fast;
    std::function<Extended(Extended)> library;
};

// Checks every argument and reports the worst one, so that a failure names
// the argument to look at rather than flooding the log.
void ExpectCloseEverywhere(const TComparison& comparison, const std::vector<Extended>& arguments)
{
    long double worst = 0;
    Extended worstArgument = 0, worstFast = 0, worstLibrary = 0;
    for (const Extended x : arguments) {
        const Extended fast = comparison.fast(x);
        const Extended library = comparison.library(x);
        const long double distance = UlpDistance(fast, library);
        if (distance > worst) {
            worst = distance;
            worstArgument = x;
            worstFast = fast;
            worstLibrary = library;
        }
    }
    EXPECT_LE(worst, MaxUlps) << comparison.name << "(" << static_cast<double>(worstArgument)
                              << ", hex " << std::hexfloat << worstArgument << ") = " << worstFast
                              << ", library " << worstLibrary;
}

// Arguments next to multiples of pi/2 up to the largest angle accepted:
// the remainder there is tiny, so any error in the reduction shows in full.
TArguments NearHalfPiMultiples()
{
    TArguments arguments;
    constexpr Extended HalfPi = 1.57079632679489661923132169163975144L;
    for (int i = 0; i < 600; ++i) {
        // Quotients log-uniform up to 4.3e10 (6.8e10 / (pi/2)).
        const Extended k = std::floor(std::exp(static_cast<Extended>(arguments.Random() >> 11) * 0x1p-53L *
                                               std::log(4.3e10L))) + 1;
        const Extended x = k * HalfPi; // within about an ulp of k pi/2
        arguments.AddNeighbours((arguments.Random() & 1U) ? x : -x, 2);
    }
    return arguments;
}

TEST(FastMath, SineAndCosineFollowTheLibraryOverTheAcceptedRange)
{
    TArguments spread;
    spread.AddLogUniform(4000, -70, 36, true); // up to 6.87e10
    spread.AddUniform(2000, -30.0L, 30.0L);
    spread.AddNeighbours(6.8e10L, 3);
    spread.AddNeighbours(-6.8e10L, 3);
    spread.AddNeighbours(0x1p36L, 3);
    spread.AddNeighbours(0.785398163397448309616L, 3); // pi/4, where the reduction starts
    for (const Extended x : {0.0L, -0.0L, LDBL_TRUE_MIN, -LDBL_MIN, 1e-4000L})
        spread.Add(x);
    const TArguments nearMultiples = NearHalfPiMultiples();

    const TComparison comparisons[] = {
        {"sin", FastSin, [](Extended x) { return sinl(x); }},
        {"cos", FastCos, [](Extended x) { return cosl(x); }},
    };
    for (const TComparison& comparison : comparisons) {
        ExpectCloseEverywhere(comparison, spread.Values());
        ExpectCloseEverywhere(comparison, nearMultiples.Values());
    }
    EXPECT_TRUE(std::signbit(FastSin(-0.0L)));
    EXPECT_TRUE(std::isnan(FastSin(std::numeric_limits<Extended>::quiet_NaN())));
    EXPECT_TRUE(std::isnan(FastCos(std::numeric_limits<Extended>::quiet_NaN())));
}

TEST(FastMath, ExponentialsFollowTheLibraryUpToOverflowAndUnderflow)
{
    TArguments exp;
    exp.AddLogUniform(3000, -80, 13, true); // |x| from 1e-24 up to 8192
    exp.AddUniform(1000, 11340.0L, 11356.5L); // last finite results
    exp.AddUniform(1000, -11356.5L, -11340.0L); // last normal results
    exp.AddUniform(500, -11399.0L, -11356.5L); // subnormal results
    exp.AddUniform(1000, -3.0L, 3.0L);
    TArguments exp2;
    exp2.AddLogUniform(3000, -80, 14, true);
    exp2.AddUniform(1000, 16370.0L, 16384.0L);
    exp2.AddUniform(1000, -16445.0L, -16370.0L);
    exp2.AddUniform(1000, -3.0L, 3.0L);
    for (const Extended x : {0.0L, -0.0L, 11357.0L, -11400.0L, 1e30L, -1e30L, 16384.0L, -16446.0L,
                             std::numeric_limits<Extended>::infinity(),
                             -std::numeric_limits<Extended>::infinity()}) {
        exp.Add(x);
        exp2.Add(x);
    }

    ExpectCloseEverywhere({"exp", FastExp, [](Extended x) { return expl(x); }}, exp.Values());
    ExpectCloseEverywhere({"exp2", FastExp2, [](Extended x) { return exp2l(x); }}, exp2.Values());
}

TEST(FastMath, ExponentialsOverflowToInfinityAndUnderflowToZero)
{
    const struct {
        Extended (*function)(Extended);
        Extended x;
        Extended expected;
    } cases[] = {
        {FastExp, 11357.0L, std::numeric_limits<Extended>::infinity()},
        {FastExp, 1e4000L, std::numeric_limits<Extended>::infinity()},
        {FastExp, -11400.0L, 0.0L},
        {FastExp, -1e4000L, 0.0L},
        {FastExp2, 16384.0L, std::numeric_limits<Extended>::infinity()},
        {FastExp2, -16446.0L, 0.0L},
        // Whole powers of two are exact.
        {FastExp2, 10.0L, 1024.0L},
        {FastExp2, -3.0L, 0.125L},
        {FastExp2, -16445.0L, LDBL_TRUE_MIN},
        {FastExp, 0.0L, 1.0L},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.function(c.x), c.expected) << "x = " << static_cast<double>(c.x);
}

TEST(FastMath, LogarithmsFollowTheLibraryFromSubnormalsToTheLargestValue)
{
    TArguments arguments;
    arguments.AddLogUniform(4000, -16445, 16384, false);
    arguments.AddLogUniform(1000, -4, 4, false);
    // Next to 1, where log2(x) computed directly would lose its relative precision.
    for (int i = 0; i < 2000; ++i) {
        const int scale = -64 - static_cast<int>(arguments.Random() % 60);
        const Extended offset = std::ldexp(static_cast<Extended>(arguments.Random() | 1U), scale);
        arguments.Add((i & 1) ? 1.0L + offset : 1.0L - offset);
    }
    arguments.AddNeighbours(1.0L, 4);
    arguments.AddNeighbours(0.75L, 2); // where the method changes
    arguments.AddNeighbours(1.25L, 2);
    arguments.Add(LDBL_TRUE_MIN);
    arguments.Add(LDBL_MAX);

    ExpectCloseEverywhere({"ln", FastLn, [](Extended x) { return logl(x); }}, arguments.Values());
    ExpectCloseEverywhere({"log2", FastLog2, [](Extended x) { return log2l(x); }}, arguments.Values());
    EXPECT_EQ(FastLn(1.0L), 0.0L);
    EXPECT_EQ(FastLog2(1.0L), 0.0L);
    EXPECT_EQ(FastLog2(8.0L), 3.0L);
    EXPECT_EQ(FastLog2(0x1p-16000L), -16000.0L);
}

TEST(FastMath, ArctangentsFollowTheLibraryInEveryQuadrant)
{
    TArguments arguments;
    arguments.AddLogUniform(4000, -80, 80, true);
    arguments.AddUniform(1000, -3.0L, 3.0L);
    arguments.Add(std::numeric_limits<Extended>::infinity());
    arguments.Add(-std::numeric_limits<Extended>::infinity());
    ExpectCloseEverywhere({"atan", FastAtan, [](Extended x) { return atanl(x); }}, arguments.Values());

    // atan2 over pairs: the ratio log-uniform, both signs of both operands.
    TArguments pairs;
    pairs.AddLogUniform(6000, -60, 60, true);
    const auto& v = pairs.Values();
    long double worst = 0;
    for (std::size_t i = 0; i + 1 < v.size(); i += 2)
        worst = std::max(worst, UlpDistance(FastAtan2(v[i], v[i + 1]), atan2l(v[i], v[i + 1])));
    EXPECT_LE(worst, MaxUlps);

    // Axes and signed zeros land in the right quadrant.
    constexpr Extended Inf = std::numeric_limits<Extended>::infinity();
    const Extended specials[] = {0.0L, -0.0L, 1.0L, -1.0L, Inf, -Inf};
    for (const Extended y : specials)
        for (const Extended x : specials)
            EXPECT_EQ(UlpDistance(FastAtan2(y, x), atan2l(y, x)), 0)
                << "atan2(" << static_cast<double>(y) << ", " << static_cast<double>(x) << ")";
}

TEST(FastMath, SquareRootIsCorrectlyRounded)
{
    TArguments arguments;
    arguments.AddLogUniform(4000, -16445, 16384, false);
    for (const Extended x : {0.0L, -0.0L, 1.0L, 4.0L, LDBL_TRUE_MIN, LDBL_MAX})
        arguments.Add(x);
    for (const Extended x : arguments.Values()) {
        const Extended fast = FastSqrt(x);
        ASSERT_EQ(UlpDistance(fast, sqrtl(x)), 0) << std::hexfloat << x;
    }
    EXPECT_TRUE(std::signbit(FastSqrt(-0.0L)));
}

// The evaluator reads division by zero, overflow and invalid from the
// floating-point flags, so a function must raise none of them inside its
// domain, nor when a NaN merely passes through it.
TEST(FastMath, RaisesNoFaultFlagsInsideTheDomain)
{
    TArguments angles, exponents, positives;
    angles.AddLogUniform(500, -70, 36, true);
    angles.Add(6.8e10L);
    angles.Add(2e11L); // handed on to the library beyond the reduction's range
    exponents.AddLogUniform(500, -70, 13, true);
    exponents.Add(11356.0L);
    positives.AddLogUniform(500, -16445, 16384, false);
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    for (TArguments* arguments : {&angles, &exponents, &positives})
        arguments->Add(nan);

    const struct {
        const char* name;
        Extended (*function)(Extended);
        const TArguments& arguments;
    } cases[] = {
        {"sin", FastSin, angles},       {"cos", FastCos, angles},     {"atan", FastAtan, angles},
        {"exp", FastExp, exponents},    {"exp2", FastExp2, exponents}, {"ln", FastLn, positives},
        {"log2", FastLog2, positives},  {"sqrt", FastSqrt, positives},
    };
    for (const auto& c : cases) {
        for (const Extended x : c.arguments.Values()) {
            std::feclearexcept(FE_ALL_EXCEPT);
            volatile Extended result = c.function(x);
            static_cast<void>(result);
            ASSERT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0)
                << c.name << "(" << static_cast<double>(x) << ")";
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    volatile Extended angle = FastAtan2(0.0L, -0.0L);
    static_cast<void>(angle);
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

} // namespace

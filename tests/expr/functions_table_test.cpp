// The built-in functions at their domain edges, in degrees and radians, the
// power and factorial rules, number formatting and the numeric helpers.
#include "expr/evaluator.h"
#include "expr/functions.h"
#include "numbers/numerics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Restores the angle unit and the decimal point whatever a test does.
class FunctionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedFactor_ = AngleFactor;
        savedPoint_ = DecimalPoint;
        ResetStatus();
    }
    void TearDown() override
    {
        AngleFactor = savedFactor_;
        DecimalPoint = savedPoint_;
        ResetStatus();
    }

private:
    Extended savedFactor_ = DegreesFactor;
    char savedPoint_ = '.';
};

struct TFunctionCase {
    const char* label;
    TRealFunction function;
    Extended argument;
    Extended expected;
    std::uint8_t status;
    bool exact; // the value must be exactly the expected one
};

void CheckCases(const TFunctionCase* cases, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const TFunctionCase& c = cases[i];
        ResetStatus();
        const Extended value = c.function(c.argument);
        EXPECT_EQ(EvaluationStatus, c.status) << c.label;
        if (c.exact) {
            EXPECT_EQ(value, c.expected) << c.label;
        } else {
            EXPECT_NEAR(static_cast<double>(value), static_cast<double>(c.expected),
                        1e-15 * std::max(1.0, std::fabs(static_cast<double>(c.expected))))
                << c.label;
        }
        if (c.status == esNormal && !c.exact) { // the 80-bit result, not just a double one
            EXPECT_LE(std::fabs(value - c.expected), 1e-17L * std::max(Extended(1), std::fabs(c.expected)))
                << c.label;
        }
    }
}

TEST_F(FunctionsTest, TrigonometryInDegreesAtItsEdges)
{
    AngleFactor = DegreesFactor;
    const TFunctionCase cases[] = {
        {"sin 90", RealSin, 90, 1, esNormal, false},
        {"sin 30", RealSin, 30, 0.5L, esNormal, false},
        {"sin -270", RealSin, -270, 1, esNormal, false},
        {"cos 90 is exactly 0", RealCos, 90, 0, esNormal, true},
        {"cos 270 is exactly 0", RealCos, 270, 0, esNormal, true},
        {"sin 180 is exactly 0", RealSin, 180, 0, esNormal, true},
        {"sin -360 is exactly 0", RealSin, -360, 0, esNormal, true},
        {"sin of a tiny angle is kept", RealSin, 1e-12L, 1e-12L * DegreesFactor, esNormal, false},
        {"cos 60", RealCos, 60, 0.5L, esNormal, false},
        {"cos 180", RealCos, 180, -1, esNormal, false},
        {"sin 1e11", RealSin, 1e11L, 0, esUndefined, true},
        {"cos -1e11", RealCos, -1e11L, 0, esUndefined, true},
        {"sin at the bound", RealSin, 6.8e10L, std::sin(6.8e10L * DegreesFactor), esNormal, false},
        {"tan 45", RealTan, 45, 1, esNormal, false},
        {"tan 90", RealTan, 90, 0, esUndefined, true},
        {"tan 1e11", RealTan, 1e11L, 0, esUndefined, true},
        {"sec 60", RealSec, 60, 2, esNormal, false},
        {"sec 90", RealSec, 90, 0, esUndefined, true},
        {"cosec 30", RealCosec, 30, 2, esNormal, false},
        {"cot 45", RealCot, 45, 1, esNormal, false},
        {"cot 90 is 0", RealCot, 90, 0, esNormal, true},
        {"cot 180", RealCot, 180, 0, esUndefined, true},
        {"cosec 360", RealCosec, 360, 0, esUndefined, true},
        {"arcsin 1", RealArcsin, 1, 90, esNormal, false},
        {"arcsin -1", RealArcsin, -1, -90, esNormal, false},
        {"arcsin 0.5", RealArcsin, 0.5L, 30, esNormal, false},
        {"arcsin beyond 1", RealArcsin, 1.0000001L, 0, esInvalid, true},
        {"arccos 1", RealArccos, 1, 0, esNormal, false},
        {"arccos 0", RealArccos, 0, 90, esNormal, false},
        {"arccos -1", RealArccos, -1, 180, esNormal, false},
        {"arccos 0.5", RealArccos, 0.5L, 60, esNormal, false},
        {"arccos -2", RealArccos, -2, 0, esInvalid, true},
        {"arctan 1", RealArctan, 1, 45, esNormal, false},
        {"arctan -1e30", RealArctan, -1e30L, -90, esNormal, false},
        {"asec 2", RealArcsec, 2, 60, esNormal, false},
        {"asec 0", RealArcsec, 0, 0, esUndefined, true},
        {"asec 0.5", RealArcsec, 0.5L, 0, esInvalid, true},
        {"acosec 2", RealArccosec, 2, 30, esNormal, false},
        {"acosec 0", RealArccosec, 0, 0, esUndefined, true},
        {"acot 1", RealArccot, 1, 45, esNormal, false},
        {"acot 0", RealArccot, 0, 0, esUndefined, true},
    };
    CheckCases(cases, std::size(cases));
}

TEST_F(FunctionsTest, TrigonometryInRadians)
{
    AngleFactor = RadiansFactor;
    const TFunctionCase cases[] = {
        {"sin pi/2", RealSin, Pi / 2, 1, esNormal, false},
        {"sin 1", RealSin, 1, std::sin(1.0L), esNormal, false},
        {"cos pi", RealCos, Pi, -1, esNormal, false},
        {"cos pi/2 snaps to 0", RealCos, Pi / 2, 0, esNormal, true},
        {"cos just beyond the snap", RealCos, Pi / 2 - 1e-11L, std::cos(Pi / 2 - 1e-11L), esNormal, false},
        {"sin 1e11", RealSin, 1e11L, 0, esUndefined, true},
        {"sin 6e10", RealSin, 6e10L, std::sin(6e10L), esNormal, false},
        {"tan 1", RealTan, 1, std::tan(1.0L), esNormal, false},
        {"arcsin 1", RealArcsin, 1, Pi / 2, esNormal, false},
        {"arcsin 0.3", RealArcsin, 0.3L, std::asin(0.3L), esNormal, false},
        {"arcsin near 1", RealArcsin, 0.999999999L, std::asin(0.999999999L), esNormal, false},
        {"arccos 0.3", RealArccos, 0.3L, std::acos(0.3L), esNormal, false},
        {"arctan 1", RealArctan, 1, Pi / 4, esNormal, false},
        {"acot 2", RealArccot, 2, std::atan(0.5L), esNormal, false},
    };
    CheckCases(cases, std::size(cases));
}

TEST_F(FunctionsTest, HyperbolicFunctionsAndTheirInverses)
{
    const TFunctionCase cases[] = {
        {"sinh 0", RealSinh, 0, 0, esNormal, true},
        {"sinh 1", RealSinh, 1, std::sinh(1.0L), esNormal, false},
        {"sinh -2", RealSinh, -2, std::sinh(-2.0L), esNormal, false},
        {"sinh small", RealSinh, 1e-7L, std::sinh(1e-7L), esNormal, false},
        {"sinh 80", RealSinh, 80, std::sinh(80.0L), esNormal, false},
        {"sinh 81", RealSinh, 81, OverflowValue, esUndefined, true},
        {"sinh -81", RealSinh, -81, OverflowValue, esUndefined, true},
        {"cosh 0", RealCosh, 0, 1, esNormal, false},
        {"cosh -3", RealCosh, -3, std::cosh(3.0L), esNormal, false},
        {"cosh 81", RealCosh, 81, OverflowValue, esUndefined, true},
        {"tanh 50", RealTanh, 50, 1, esNormal, true},
        {"tanh -50", RealTanh, -50, -1, esNormal, true},
        {"tanh 0.5", RealTanh, 0.5L, std::tanh(0.5L), esNormal, false},
        {"tanh small", RealTanh, -3e-6L, std::tanh(-3e-6L), esNormal, false},
        {"arsinh 1", RealArsinh, 1, std::asinh(1.0L), esNormal, false},
        {"arsinh -40", RealArsinh, -40, std::asinh(-40.0L), esNormal, false},
        {"arsinh 100", RealArsinh, 100, std::asinh(100.0L), esNormal, false},
        {"arsinh -1e6", RealArsinh, -1e6L, std::asinh(-1e6L), esNormal, false},
        {"arsinh 1e12", RealArsinh, 1e12L, std::asinh(1e12L), esNormal, false},
        {"arcosh 0.5", RealArcosh, 0.5L, 0, esInvalid, true},
        {"arcosh 1", RealArcosh, 1, 0, esNormal, false},
        {"arcosh 2", RealArcosh, 2, std::acosh(2.0L), esNormal, false},
        {"arcosh 100", RealArcosh, 100, std::acosh(100.0L), esNormal, false},
        {"arcosh 1e15", RealArcosh, 1e15L, std::acosh(1e15L), esNormal, false},
        {"artanh 1", RealArtanh, 1, 0, esInvalid, true},
        {"artanh -1", RealArtanh, -1, 0, esInvalid, true},
        {"artanh 0.5", RealArtanh, 0.5L, std::atanh(0.5L), esNormal, false},
        {"artanh small", RealArtanh, 2e-6L, std::atanh(2e-6L), esNormal, false},
    };
    CheckCases(cases, std::size(cases));
}

TEST_F(FunctionsTest, ExponentialsLogarithmsRootsAndWholeNumbers)
{
    const TFunctionCase cases[] = {
        {"exp 1", RealExp, 1, std::exp(1.0L), esNormal, false},
        {"exp -3.5", RealExp, -3.5L, std::exp(-3.5L), esNormal, false},
        {"exp 80", RealExp, 80, std::exp(80.0L), esNormal, false},
        {"exp 100", RealExp, 100, OverflowValue, esUndefined, true},
        {"exp -100", RealExp, -100, 0, esNormal, true},
        {"ln 0", RealLn, 0, 0, esInvalid, true},
        {"ln -1", RealLn, -1, 0, esInvalid, true},
        {"ln 10", RealLn, 10, std::log(10.0L), esNormal, false},
        {"log -1", RealLog, -1, 0, esInvalid, true},
        {"log 1000 is exactly 3", RealLog, 1000, 3, esNormal, true},
        {"log 1e27", RealLog, 1e27L, 27, esNormal, true},
        {"log 0.01", RealLog, 0.01L, -2, esNormal, false},
        {"log 2", RealLog, 2, std::log10(2.0L), esNormal, false},
        {"10^2", RealTenToThe, 2, 100, esNormal, false},
        {"10^81", RealTenToThe, 81, OverflowValue, esUndefined, true},
        {"sqrt 2", RealSqrt, 2, std::sqrt(2.0L), esNormal, false},
        {"sqrt 0", RealSqrt, 0, 0, esNormal, true},
        {"sqrt -1", RealSqrt, -1, 0, esInvalid, true},
        {"abs -3", RealAbs, -3, 3, esNormal, true},
        {"square -3", RealSquare, -3, 9, esNormal, true},
        {"negate 2", RealNegate, 2, -2, esNormal, true},
        {"int 2.7", RealInt, 2.7L, 2, esNormal, true},
        {"int -2.5", RealInt, -2.5L, -3, esNormal, true},
        {"int -2", RealInt, -2, -2, esNormal, true},
        {"5!", RealFactorial, 5, 120, esNormal, true},
        {"0!", RealFactorial, 0, 1, esNormal, true},
        {"33!", RealFactorial, 33, 8.68331761881188649551819440128e36L, esNormal, false},
        {"2.5!", RealFactorial, 2.5L, 0, esNotWhole, true},
        {"34!", RealFactorial, 34, 0, esUndefined, true},
        {"-1!", RealFactorial, -1, 0, esUndefined, true},
        {"65000.5! is too big before not whole", RealFactorial, 65000.5L, 0, esUndefined, true},
    };
    CheckCases(cases, std::size(cases));
}

TEST_F(FunctionsTest, PowerFollowsTheSchoolRules)
{
    struct TPowerCase {
        Extended base, exponent, expected;
        std::uint8_t status;
        bool exact;
    };
    const TPowerCase cases[] = {
        {-8, 1.0L / 3, -2, esNormal, false},
        {-8, -1.0L / 3, -0.5L, esNormal, false},
        {-32, 0.2L, -2, esNormal, false},
        {-8, 0.5L, 0, esInvalid, true},
        {-16, 0.25L, 0, esInvalid, true},
        {-8, 0.3333333L, 0, esInvalid, true},
        {-2, 3, -8, esNormal, true},
        {-2, 2.5L, 0, esInvalid, true},
        {-2, 10, 1024, esNormal, false},
        {-2, 11, -2048, esNormal, false},
        {-2, -1, -0.5L, esNormal, false},
        {3, 4, 81, esNormal, true},
        {1.1L, 9, 1.1L * 1.1L * 1.1L * 1.1L * 1.1L * 1.1L * 1.1L * 1.1L * 1.1L, esNormal, true},
        {7, 0, 1, esNormal, true},
        {2, 0.5L, std::sqrt(2.0L), esNormal, false},
        {10, -2, 0.01L, esNormal, false},
        {0, 0, 0, esUndefined, true},
        {0, -1, 0, esUndefined, true},
        {0, 2, 0, esNormal, true},
        {1e-11L, 2, 0, esNormal, true},
        {2, 1000, 0, esUndefined, true},
        {2, -1000, 0, esNormal, true},
        {10, 36.9L, std::pow(10.0L, 36.9L), esNormal, false},
        {10, 37, 0, esUndefined, true},
    };
    for (const TPowerCase& c : cases) {
        ResetStatus();
        const Extended value = RealPower(c.base, c.exponent);
        const std::string label = std::to_string(static_cast<double>(c.base)) + "^" +
                                  std::to_string(static_cast<double>(c.exponent));
        EXPECT_EQ(EvaluationStatus, c.status) << label;
        if (c.exact) {
            EXPECT_EQ(value, c.expected) << label;
        } else {
            EXPECT_LE(std::fabs(value - c.expected), 1e-17L * std::max(Extended(1), std::fabs(c.expected)))
                << label << " gave " << static_cast<double>(value);
        }
    }
}

TEST_F(FunctionsTest, TableGivesFunctionsNamesAndInverses)
{
    struct TRow {
        int code;
        const char* name;
        int inverse;
    };
    const TRow rows[] = {
        {200, "sin", 209},  {201, "cos", 210},         {202, "tan", 211},        {203, "sinh", 212},
        {204, "cosh", 213}, {205, "tanh", 214},        {209, "asin", 200},       {210, "acos", 201},
        {211, "atan", 202}, {212, "asinh", 203},       {213, "acosh", 204},      {214, "atanh", 205},
        {215, "asec", 206}, {216, "acosec", 207},      {217, "acot", 208},       {218, "abs", 0},
        {219, "int", 0},    {220, "sqrt", fcSquare},   {221, "log", fcTenToThe}, {222, "ln", 223},
        {223, "exp", 222},  {fcNegate, "-", fcNegate}, {fcFactorial, "!", 0},
    };
    for (const TRow& row : rows) {
        EXPECT_STREQ(FunctionName(row.code), row.name) << row.code;
        EXPECT_EQ(InverseFunctionCode(row.code), row.inverse) << row.code;
    }
    // Each function of the table is the one its name says.
    AngleFactor = RadiansFactor;
    EXPECT_EQ(FunctionFor(222)(1), 0);
    EXPECT_NEAR(static_cast<double>(FunctionFor(213)(2)), std::acosh(2.0), 1e-15);
    // An unknown code still gives a safe function.
    ResetStatus();
    EXPECT_EQ(FunctionFor(999)(5), 0);
    EXPECT_EQ(EvaluationStatus, esUndefined);
    EXPECT_EQ(FunctionInfo(999), nullptr);
}

TEST_F(FunctionsTest, FormatNumberWithSignificantFigures)
{
    struct TFormatCase {
        int figures;
        bool forceExponent;
        Extended value;
        const char* expected;
    };
    const TFormatCase cases[] = {
        {8, false, 123.4L, "123.4"},
        {8, false, 0.5L, "0.5"},
        {8, false, 0.1L, "0.1"},
        {8, false, 1.0L / 3, "0.33333333"},
        {8, false, 2.0L / 3, "0.66666667"},
        {8, false, 1e-7L, "0.0000001"},
        {8, false, 1e-8L, "1*10^-8"},
        {8, false, 1e-9L, "1*10^-9"},
        {8, false, 12345678901.0L, "12345679000"},
        {8, false, 1234567890123.0L, "1.2345679*10^12"},
        {8, false, 1e11L, "100000000000"},
        {8, false, 1e12L, "1*10^12"},
        {8, false, 1e20L, "1*10^20"},
        {8, false, -2.5L, "-2.5"},
        {8, false, -0.00123L, "-0.00123"},
        {8, false, 100, "100"},
        {8, false, 0, "0"},
        {8, false, -0.0L, "0"},
        {8, false, 9.999999999L, "10"},
        {8, true, 1500, "1.5*10^3"},
        {8, true, 1.5L, "1.5"},
        {8, true, 0.015L, "1.5*10^-2"},
        {3, false, 1234, "1230"},
        {3, false, 12345, "1.23*10^4"},
        {3, false, 0.001234L, "1.23*10^-3"},
        {3, false, 0.01234L, "0.0123"},
        {1, false, 0.25L, "2*10^-1"},
        {1, false, 2.5L, "2"},
        {10, false, Pi, "3.141592654"},
    };
    for (const TFormatCase& c : cases)
        EXPECT_EQ(FormatNumber(c.figures, c.forceExponent, c.value), c.expected)
            << static_cast<double>(c.value) << " with " << c.figures;
    EXPECT_EQ(FormatNumber(8, false, MissingValue), std::string(1, '\0'));
    DecimalPoint = ',';
    EXPECT_EQ(FormatNumber(8, false, 0.5L), "0,5");
    EXPECT_EQ(FormatNumber(8, false, 1.25e-9L), "1,25*10^-9");
}

TEST_F(FunctionsTest, RoundingHelpers)
{
    EXPECT_EQ(RoundToPowerOfTen(-2, 1.234L), 1.23L);
    EXPECT_EQ(RoundToPowerOfTen(1, 16), 20);
    EXPECT_EQ(RoundToPowerOfTen(1, 15), 20); // half to even
    EXPECT_EQ(RoundToPowerOfTen(1, 25), 20);
    EXPECT_EQ(RoundToPowerOfTen(0, -2.5L), -2);
    EXPECT_EQ(RoundToPowerOfTen(1, 6), 0); // 10 > 6
    EXPECT_EQ(RoundToPowerOfTen(-3, 1e30L), 1e30L);
    EXPECT_EQ(RoundSignificant(3, 12345), 12300);
    EXPECT_EQ(RoundSignificant(2, 0.0012345L), 0.0012L);
    EXPECT_EQ(RoundSignificant(2, -0.0996L), -0.1L);
    EXPECT_EQ(RoundSignificant(3, 0), 0);

    EXPECT_EQ(FloorWithTolerance(2.999999999999L), 3);
    EXPECT_EQ(FloorWithTolerance(-0.5L), -1);
    ResetStatus();
    EXPECT_EQ(FloorWithTolerance(3e9L), 0);
    EXPECT_EQ(EvaluationStatus, esUndefined);

    ResetStatus();
    EXPECT_TRUE(CheckWhole(10, 3));
    EXPECT_EQ(EvaluationStatus, esNormal);
    EXPECT_FALSE(CheckWhole(10, 10));
    EXPECT_EQ(EvaluationStatus, esUndefined);
    EXPECT_FALSE(CheckWhole(10, 2.5L));
    EXPECT_EQ(EvaluationStatus, esNotWhole);
}

TEST_F(FunctionsTest, ComparisonHelpers)
{
    SetStatus(esInvalid);
    EXPECT_TRUE(NearlyEqual(1, 1 + 1e-15L));
    EXPECT_EQ(EvaluationStatus, esNormal);
    EXPECT_FALSE(NearlyEqual(1, 1.000001L));
    EXPECT_FALSE(NearlyEqual(1, -1));
    EXPECT_FALSE(NearlyEqual(NAN, NAN));
    EXPECT_TRUE(SameValue(1, 1 + 1e-9L));
    EXPECT_FALSE(SameValue(1, 1.0001L));
    EXPECT_TRUE(SamePoint({1, 2}, {1 + 1e-10L, 2}));
    EXPECT_FALSE(SamePoint({1, 2}, {1, 2.1L}));
}

TEST_F(FunctionsTest, AngleHelpers)
{
    const struct {
        Extended dx, dy, direction;
    } directions[] = {
        {1, 0, 0}, {0, 1, Pi / 2}, {0, -1, -Pi / 2}, {-1, 0, Pi}, {1, 1, Pi / 4}, {-1, -1, Pi * 5 / 4},
    };
    for (const auto& d : directions)
        EXPECT_NEAR(static_cast<double>(Direction(d.dx, d.dy)), static_cast<double>(d.direction), 1e-15)
            << static_cast<double>(d.dx) << "," << static_cast<double>(d.dy);
    EXPECT_NEAR(static_cast<double>(NormaliseAngle(Pi * 5 / 4)), -0.75 * M_PI, 1e-15);
    EXPECT_NEAR(static_cast<double>(NormaliseAngle(-Pi)), M_PI, 1e-15);
    EXPECT_NEAR(static_cast<double>(NormaliseAngle(1)), 1, 1e-15);
    EXPECT_NEAR(static_cast<double>(AngleBetween(1, 0, 0, 1)), M_PI / 2, 1e-15);
    EXPECT_NEAR(static_cast<double>(AngleBetween(1, 0, -1, -1)), -0.75 * M_PI, 1e-15);
    EXPECT_EQ(Hypot(3, 4), 5);
    const TPolarPoint polar = ToPolar({0, -2});
    EXPECT_EQ(polar.radius, 2);
    EXPECT_NEAR(static_cast<double>(polar.direction), -M_PI / 2, 1e-15);
}

} // namespace

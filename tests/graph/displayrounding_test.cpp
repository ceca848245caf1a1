// The rounding of readouts and of numbers written into formulas from the
// mouse, by the "Mouse figures" setting and by the axes' precision.
#include "graph/displayrounding.h"

#include "graph/axes.h"

#include "graphtesting.h"

#include <limits>

namespace {

using DisplayRoundingTest = GraphTest;

double D(Extended x)
{
    return static_cast<double>(x);
}

} // namespace

TEST_F(DisplayRoundingTest, RoundDisplayKeepsTheMouseFigures)
{
    struct Row {
        int figures;
        Extended value, rounded;
        const char* text;
    };
    const Row rows[] = {
        {2, 3.14159L, 3.14L, "3.14"},
        {2, 0.012345L, 0.01L, "0.01"},
        {2, 1234.5L, 1230, "1230"},
        {2, 0.004L, 0, "0"},
        {2, -2.71828L, -2.72L, "-2.72"},
        {3, 0.012345L, 0.012L, "0.012"},
        {5, 3.14159265L, 3.14159L, "3.14159"},
        // Below the unit the nearest multiple is still the answer: 0 only under half of it.
        {2, 0.0078125L, 0.01L, "0.01"},
        {2, 0.0051L, 0.01L, "0.01"},
        {2, -0.0051L, -0.01L, "-0.01"},
        {2, 0.0049L, 0, "0"},
    };
    for (const Row& row : rows) {
        Configuration.MouseFigures = static_cast<std::uint8_t>(row.figures);
        EXPECT_NEAR(D(RoundDisplay(row.value)), D(row.rounded), 1e-15) << D(row.value);
        EXPECT_EQ(DisplayText(row.value), row.text) << D(row.value);
    }
}

TEST_F(DisplayRoundingTest, AxisRoundingFollowsTheAxisStep)
{
    TFixedScaleHost host(700, 500, GraphTestFont());
    TAxes axes(&host); // x step 2: Digits 1
    ASSERT_EQ(axes.XAxis->Digits, 1);
    EXPECT_NEAR(D(RoundForAxis(axes, 'x', 3.14159L)), 3.1, 1e-15);
    EXPECT_NEAR(D(RoundForAxis(axes, 'x', 0.12345L)), 0.12, 1e-15); // one figure more below 1
    EXPECT_EQ(RoundForAxis(axes, 'z', 0.12345L), 0.12345L);
    EXPECT_EQ(AxisValueText(axes, 'y', 2.71828L), "2.7");
    const TRealPoint p = RoundPoint(axes, 1.2345L, -6.789L);
    EXPECT_NEAR(D(p.x), 1.2, 1e-15);
    EXPECT_NEAR(D(p.y), -6.8, 1e-15);
    const TRealPoint points[] = {{1.234L, -5}, {0, 0.5L}};
    EXPECT_EQ(PointListText(points), "(1.23,-5) (0,0.5) ");
}

TEST_F(DisplayRoundingTest, TermsAndSumsReadLikeFormulas)
{
    struct Term {
        const char* name;
        bool first;
        Extended value;
        const char* text;
    };
    const Term terms[] = {
        {"x", true, 1, "x"},      {"x", false, 1, "+x"},     {"x", false, -1, "-x"},
        {"x", false, 0.001L, ""}, {"x", true, 2.5L, "2.5x"}, {"", false, 3, "+3"},
        {"", false, 1, "+1"},     {"", true, -0.5L, "-0.5"}, {"y", false, -2, "-2y"},
    };
    for (const Term& row : terms)
        EXPECT_EQ(TermText(row.name, row.first, row.value), row.text) << row.name << " " << D(row.value);

    const std::string names[] = {"x", "y", ""};
    struct Sum {
        Extended a, b, c;
        bool bracket;
        const char* text;
    };
    const Sum sums[] = {
        {2, -1, 3, false, "2x-y+3"}, {2, -1, 3, true, "(2x-y+3)"}, {1, 0, 0, true, "x"},
        {0, 1, 0, true, "y"},        {0, 0, 0, true, "0"},         {0, -1, 2, false, "-y+2"},
        {0, 0, 4, true, "(4)"},
    };
    for (const Sum& row : sums) {
        const Extended values[] = {row.a, row.b, row.c};
        EXPECT_EQ(SumText(names, values, true, row.bracket), row.text);
    }
}

TEST_F(DisplayRoundingTest, PixelsRoundHalvesToEvenAndRefuseWhatNoIntCanHold)
{
    struct Case {
        Extended x;
        bool ok;
        int pixel;
    };
    const Case cases[] = {
        {2.5L, true, 2},
        {3.5L, true, 4},
        {-2.5L, true, -2},
        {-0.4L, true, 0},
        {-7.6L, true, -8},
        {2147483647.4L, true, 2147483647},
        {-2147483647.4L, true, -2147483647},
        {2147483647.6L, false, 0},
        {-2147483648.6L, false, 0},
        {1e300L, false, 0},
        {std::numeric_limits<Extended>::quiet_NaN(), false, 0},
    };
    for (const Case& c : cases) {
        int pixel = 0;
        EXPECT_EQ(RoundToPixel(c.x, pixel), c.ok) << static_cast<double>(c.x);
        if (c.ok) {
            EXPECT_EQ(pixel, c.pixel) << static_cast<double>(c.x);
        }
    }
}

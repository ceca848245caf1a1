// One axis: the value-to-pixel mapping, automatic scaling (steps,
// subdivisions, label margin, crossing, label offset and factor), graph paper,
// panning and the coordinate readout.
#include "graph/axis.h"
#include "graph/displayrounding.h"
#include "graph/metafilesizestore.h"
#include "graph/scalevalidation.h"

#include "commalocale.h"
#include "graphtesting.h"

#include <cmath>
#include <string>

namespace {

// An x axis fitted as the graph window fits it, with "0" 8 pixels wide.
TAxis FittedX(int length, Extended min, Extended max)
{
    TAxis axis(akHorizontal, length);
    axis.AutoScale(0, length, axis.MarginFor(8), 24, max, min);
    return axis;
}

using AxisTest = GraphTest;

} // namespace

TEST_F(AxisTest, ValueToPixelRoundsHalfToEvenAndClampsFarValues)
{
    TAxis axis(akHorizontal, 100);
    axis.Origin = 0;
    axis.Scale = 1;
    axis.Min = 0;
    axis.Max = 100;
    struct Row {
        Extended value;
        int pixel;
        std::uint8_t status;
    };
    const Row rows[] = {
        {2.5L, 2, esNormal},      {3.5L, 4, esNormal},  {-2.5L, -2, esNormal},
        {10.49L, 10, esNormal},   {600, 600, esNormal}, {700, 700, esNormal},
        {700.5L, 100, esClamped}, {-601, 0, esClamped}, {NAN, 0, esUndefined},
    };
    for (const Row& row : rows) {
        ResetStatus();
        EXPECT_EQ(axis.ValueToPixel(row.value), row.pixel) << static_cast<double>(row.value);
        EXPECT_EQ(EvaluationStatus, row.status) << static_cast<double>(row.value);
    }
    ResetStatus();
    axis.Scale = 1e30L;
    axis.Max = 1e30L;
    EXPECT_EQ(axis.ValueToPixel(5), 0);
    EXPECT_EQ(EvaluationStatus, esUndefined);
    ResetStatus();
}

TEST_F(AxisTest, PixelToValueInvertsTheMapping)
{
    const TAxis axis = FittedX(700, -8, 8);
    for (int pixel : {0, 1, 349, 350, 699, 700})
        EXPECT_EQ(axis.ValueToPixel(axis.PixelToValue(pixel)), pixel);
    EXPECT_EQ(axis.LengthToPixels(2), 88); // 87.5 rounds to even
    EXPECT_NEAR(static_cast<double>(axis.WindowExtent()), 16.0, 1e-12);
}

TEST_F(AxisTest, DefaultRangeGetsStepTwoWithTwoSubdivisions)
{
    const TAxis axis = FittedX(700, -8, 8);
    EXPECT_EQ(axis.Scale, 43.75L);
    EXPECT_EQ(axis.Origin, 350);
    EXPECT_EQ(axis.Step, 2);
    EXPECT_EQ(axis.Subdivisions, 2);
    EXPECT_EQ(axis.CrossPixel, 350);
    EXPECT_EQ(axis.Digits, 1);
    EXPECT_EQ(axis.Min, -8);
    EXPECT_EQ(axis.Max, 8);
    EXPECT_FALSE(axis.HasLabelNote());
}

TEST_F(AxisTest, StepMantissaFollowsTheRoundedGap)
{
    // Ranges well away from zero, so no label margin moves them; the gap on a
    // 700-pixel axis is 100 pixels, so J = range / 7.
    struct Row {
        Extended j;
        Extended step;
        int subdivisions;
    };
    const Row rows[] = {
        {2.4L, 2, 2},     {2.6L, 5, 5},     {5.4L, 5, 5}, {5.6L, 10, 1},
        {0.24L, 0.2L, 2}, {0.07L, 0.1L, 1}, {31, 50, 5},
    };
    for (const Row& row : rows) {
        const TAxis axis = FittedX(700, 100, 100 + 7 * row.j);
        EXPECT_NEAR(static_cast<double>(axis.Step), static_cast<double>(row.step), 1e-12) << double(row.j);
        EXPECT_EQ(axis.Subdivisions, row.subdivisions) << double(row.j);
    }
}

TEST_F(AxisTest, ZeroIsKeptOutOfTheLabelMargin)
{
    const TAxis lowered = FittedX(400, -0.1L, 10);
    EXPECT_EQ(lowered.Origin, 32);
    EXPECT_LT(lowered.Min, -0.1L);

    const TAxis offWindow = FittedX(400, 0.5L, 10);
    EXPECT_LT(offWindow.Origin, 0);
    EXPECT_EQ(offWindow.Min, 0.5L);

    // The y axis keeps zero one and a half character heights above the bottom.
    TAxis y(akVertical, 300);
    y.AutoScale(300, 0, y.MarginFor(14), 42, 10, -0.1L);
    EXPECT_EQ(y.Origin, 300 - 21);
}

TEST_F(AxisTest, TheOtherAxisSitsOnATickInsideTheWindow)
{
    // Entirely above zero: the first tick right of the 32-pixel margin.
    const TAxis above = FittedX(700, 100.3L, 116.3L);
    const Extended atMargin = above.PixelToValue(32);
    const Extended tick = std::round(above.PixelToValue(above.CrossPixel) / above.Step) * above.Step;
    EXPECT_EQ(above.ValueToPixel(tick), above.CrossPixel);
    EXPECT_GT(tick, atMargin);
    EXPECT_LE(tick - above.Step, atMargin);

    // A previous scale far away does not disturb the crossing.
    TAxis moved = FittedX(700, -8, 8);
    moved.AutoScale(0, 700, 32, 24, 116.3L, 100.3L);
    EXPECT_EQ(moved.CrossPixel, above.CrossPixel);

    // Entirely below zero with a tick at the right edge: one tick further in.
    const TAxis below = FittedX(700, -20, -4);
    EXPECT_EQ(below.CrossPixel, below.ValueToPixel(-6));
    const TAxis belowOffTick = FittedX(700, -20, -5);
    EXPECT_EQ(belowOffTick.CrossPixel, belowOffTick.ValueToPixel(-6));
}

TEST_F(AxisTest, AnEdgeValueOnATickOfADecimalStepIsThatTick)
{
    // -0.5 / 0.1 is -4.999... in binary: the edge is still the tick -5, and
    // the other axis goes one tick further in, inside the window
    struct {
        int kind, length;
        Extended min, max, expected;
    } cases[] = {
        {akHorizontal, 800, -1, -0.5L, -0.6L},
        {akVertical, 600, -1, -0.5L, -0.6L},
        {akHorizontal, 800, 5, 6, 5.2L},
        {akVertical, 600, -7, -6.5L, -6.6L},
    };
    for (const auto& row : cases) {
        TAxis axis(row.kind, row.length);
        if (row.kind == akHorizontal)
            axis.AutoScale(0, row.length, axis.MarginFor(8), 24, row.max, row.min);
        else
            axis.AutoScale(row.length, 0, axis.MarginFor(14), 42, row.max, row.min);
        const std::string label = std::to_string(static_cast<double>(row.min)) + " to " +
                                  std::to_string(static_cast<double>(row.max));
        EXPECT_EQ(axis.CrossPixel, axis.ValueToPixel(row.expected))
            << label << ", step " << double(axis.Step);
        EXPECT_GT(axis.CrossPixel, 0) << label;
        EXPECT_LT(axis.CrossPixel, row.length) << label;
    }
}

TEST_F(AxisTest, ThePowerOfTenOfTheLabelsRoundsHalfToEven)
{
    // Round(log10 step - 0.5): a step of 10^k lies exactly half-way between
    // k - 1 and k, and goes to the even one
    struct {
        Extended min, max, step, factor;
    } cases[] = {
        {-2.456e-6L, 2.456e-6L, 1e-6L, 1e-6L}, // -2 ... 2 x 10^-6
        {-2.456e7L, 2.456e7L, 1e7L, 1e6L},     // -20 ... 20 x 10^6
        {-2.456e-7L, 2.456e-7L, 1e-7L, 1e-8L}, // -10 ... 10 x 10^-8
        {-2.456e8L, 2.456e8L, 1e8L, 1e8L},     // -2 ... 2 x 10^8
        {-4.9e-6L, 4.9e-6L, 2e-6L, 1e-6L},     // 2 x 10^k: no tie
    };
    auto expectCases = [&](const char* locale) {
        for (const auto& row : cases) {
            TAxis axis(akHorizontal, 800);
            axis.AutoScale(0, 800, axis.MarginFor(8), 24, row.max, row.min);
            ASSERT_NEAR(static_cast<double>(axis.Step / row.step), 1, 1e-12)
                << double(row.step) << " under " << locale;
            EXPECT_NEAR(static_cast<double>(axis.LabelFactor / row.factor), 1, 1e-12)
                << double(row.step) << " under " << locale;
        }
    };
    // The tie is found in the step's decimal figures, which a decimal-comma
    // locale must not change.
    commalocale::UnderEachLocale(expectCases);
}

TEST_F(AxisTest, LargeValuesAreLabelledRelativeToAnOffset)
{
    const TAxis axis = FittedX(700, 100000, 100010);
    EXPECT_EQ(axis.Step, 2);
    EXPECT_EQ(axis.CrossPixel, axis.ValueToPixel(100002));
    EXPECT_EQ(axis.LabelOffset, 100000);
    EXPECT_EQ(axis.LabelFactor, 1);
    for (int k = 0; k <= 10; k += 2)
        EXPECT_EQ(axis.LabelValue(100000 + k), k);
    EXPECT_EQ(axis.LabelMarkup(axis.ValueToPixel(100004)), "4{\xB4+100000");
}

TEST_F(AxisTest, TinyStepsAreLabelledWithAPowerOfTen)
{
    TAxis axis(akHorizontal, 700);
    axis.AutoScale(0, 700, 32, 24, 0.00016L, 0.00002L);
    EXPECT_NEAR(static_cast<double>(axis.Step), 0.00002, 1e-18);
    EXPECT_NEAR(static_cast<double>(axis.LabelFactor), 1e-5, 1e-20);
    EXPECT_EQ(axis.LabelOffset, 0);
    EXPECT_EQ(axis.LabelValue(0.00006L), 6);
    const std::string markup = axis.LabelMarkup(axis.ValueToPixel(0.00006L));
    EXPECT_NE(markup.find("10{^{-5}"), std::string::npos) << markup;
}

TEST_F(AxisTest, BadBoundsAreMendedBeforeFitting)
{
    TAxis swapped = FittedX(700, 8, -8);
    EXPECT_EQ(swapped.Min, -8);
    EXPECT_EQ(swapped.Max, 8);
    const TAxis flat = FittedX(700, 3, 3);
    EXPECT_GT(flat.Max, flat.Min);
    const TAxis huge = FittedX(700, -1e40L, 1e40L);
    EXPECT_LE(huge.Max, 1.0001e30L);
    EXPECT_TRUE(std::isfinite(static_cast<double>(huge.Scale)));
}

TEST_F(AxisTest, NiceNumbersAndDecadeRounding)
{
    struct Nice {
        Extended x, nice;
    };
    const Nice nice[] = {{0.1L, 0.1L}, {0.16L, 0.2L}, {0.3L, 0.5L}, {1, 1},  {1.4L, 1},         {1.6L, 2},
                         {4, 5},       {7, 10},       {35, 50},     {-3, 5}, {0.0007L, 0.001L}, {0, 0}};
    for (const Nice& row : nice)
        EXPECT_NEAR(static_cast<double>(NiceNumber(row.x)), static_cast<double>(row.nice), 1e-12)
            << static_cast<double>(row.x);
    struct Decade {
        Extended step, x, rounded;
    };
    const Decade decades[] = {{2, 5.714L, 5.71L},    {50, 123.456L, 123.5L},    {500, 123.456L, 123},
                              {0.5L, 5.714L, 5.71L}, {0.05L, 0.12345L, 0.123L}, {2, -8, -8}};
    for (const Decade& row : decades)
        EXPECT_NEAR(static_cast<double>(RoundToStepDecade(row.step, row.x)), static_cast<double>(row.rounded),
                    1e-12);
}

TEST_F(AxisTest, GraphPaperPutsOneStepOnTwentyMillimetres)
{
    TAxis axis = FittedX(700, -8, 8);
    axis.SetGraphPaper(8);
    EXPECT_TRUE(axis.GraphPaperMode());
    EXPECT_NEAR(static_cast<double>(axis.Scale * axis.Step), 20 / (25.4 / 96), 1e-9);
    EXPECT_NEAR(static_cast<double>(axis.MinorStep()), static_cast<double>(axis.Step / 2), 1e-15);
    // The step is a nice number close to the old scale's units per 2 cm.
    EXPECT_EQ(axis.Step, 2);

    TAxis fromMin(akVertical, 500);
    fromMin.GraphPaperFrom(500, 14, 1, -3);
    EXPECT_EQ(fromMin.ValueToPixel(-3), 500);
    EXPECT_NEAR(static_cast<double>(fromMin.ShownMax()), -3 + 500 * 25.4 / 96 / 20, 1e-9);
}

TEST_F(AxisTest, PanMovesTheRangeUnlessItLeavesTheValidRange)
{
    TAxis axis = FittedX(700, -8, 8);
    EXPECT_TRUE(axis.Pan(10, 8));
    EXPECT_EQ(axis.Origin, 420);
    EXPECT_NEAR(static_cast<double>(axis.Min), -9.6, 1e-12);
    EXPECT_NEAR(static_cast<double>(axis.Max), 6.4, 1e-12);

    TAxis far = FittedX(700, 0.9e20L, 1e20L);
    const Extended origin = far.Origin;
    const Extended max = far.Max;
    EXPECT_FALSE(far.Pan(-10, 8));
    EXPECT_EQ(far.Origin, origin);
    EXPECT_EQ(far.Max, max);
}

TEST_F(AxisTest, ValueTextShowsTheFiguresTheStepAllows)
{
    struct Row {
        int digits, figures;
        Extended scale;
        int pixel;
        const char* text;
    };
    const Row rows[] = {
        {1, 2, 1000, 1234, "1.2"}, {0, 2, 1000, 1234, "1.234"},  {-1, 2, 10000, 1234, "0.1234"},
        {4, 2, 1, 12345, "12300"}, {3, 2, 1, 1234, "1230"},      {2, 2, 1, 7, " 7"},
        {4, 2, 1, 40, "0"},        {1, 3, 1000, -1234, "-1.23"}, {1, 2, 1000, -1, "0.0"},
    };
    for (const Row& row : rows) {
        TAxis axis(akHorizontal, 100);
        axis.Digits = static_cast<std::int8_t>(row.digits);
        axis.Scale = row.scale;
        Configuration.MouseFigures = static_cast<std::uint8_t>(row.figures);
        EXPECT_EQ(axis.ValueText(row.pixel), row.text) << row.digits << " " << row.pixel;
    }
    Configuration.DecimalPoint = ',';
    PublishSettings();
    TAxis axis(akHorizontal, 100);
    axis.Scale = 1000;
    Configuration.MouseFigures = 2;
    EXPECT_EQ(axis.ValueText(1234), "1,2");
}

TEST_F(AxisTest, MinorTicksAndDisplayRounding)
{
    TAxis axis = FittedX(700, -8, 8); // step 2, two subdivisions, Digits 1
    EXPECT_EQ(axis.MinorStep(), 1);
    EXPECT_EQ(axis.SnapToMinor(2.4L), 2);
    EXPECT_TRUE(axis.IsOnMinorTick(3.004L));
    EXPECT_FALSE(axis.IsOnMinorTick(3.2L));
    EXPECT_NEAR(static_cast<double>(axis.RoundToDisplay(3.14159L)), 3.1, 1e-15);
    EXPECT_EQ(axis.RoundToDisplay(0.04L), 0);
    EXPECT_NEAR(static_cast<double>(axis.RoundToDisplay(0.06L)), 0.1, 1e-15); // nearest, also below the unit
    EXPECT_NEAR(static_cast<double>(axis.RoundToDisplay(-0.07L)), -0.1, 1e-15);
    EXPECT_NEAR(static_cast<double>(axis.RoundToDisplay(0.25L)), 0.3, 1e-15); // halves away from zero
}

TEST_F(AxisTest, ScaleRulesGiveTheirMessages)
{
    struct Row {
        char letter;
        Extended min, max;
        bool stepForm;
        const char* message;
    };
    const Row rows[] = {
        {'x', -8, 8, false, ""},
        {'x', -1e21L, 0, false, "Value of x is out of range"},
        {'y', 0, 2e20L, false, "Value of y is out of range"},
        {'x', -0.6e20L, 0.6e20L, false, "Value of x is out of range"},
        {'x', 1, 1 + 1e-21L, false, "Value of x is out of range"},
        {'y', 1e6L, 1e6L + 0.5L, false, "Min and max values of y are too close"},
        {'x', 1e7L, 1, true, "Min and max values of x are too close"},
        {'x', -5, 1, true, ""},
        {'x', -5, 0, true, "Value of x is out of range"},
        {'x', NAN, 1, false, "Value of x is out of range"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScaleRangeError(row.letter, row.min, row.max, row.stepForm), row.message)
            << static_cast<double>(row.min) << " " << static_cast<double>(row.max);
}

TEST_F(AxisTest, PrintingAndPictureHelpersKeepTheRange)
{
    TAxis axis = FittedX(700, -8, 8);
    const int four = axis.ValueToPixel(4);
    axis.ScaleBy(2);
    EXPECT_EQ(axis.ValueToPixel(4), 2 * four);
    EXPECT_EQ(axis.CrossPixel, 700);
    EXPECT_EQ(axis.Min, -8);
    EXPECT_EQ(axis.Max, 0); // the value now at pixel Length

    TAxis paper = FittedX(700, -8, 8);
    paper.SetGraphPaper(8);
    // A printer with 24 pixels per millimetre: one step per 20 mm of paper.
    paper.FitToDevice(100, 2400);
    EXPECT_NEAR(static_cast<double>(paper.Scale * paper.Step), 480, 1e-9);
    EXPECT_EQ(paper.ValueToPixel(paper.Min), 0);
    EXPECT_NEAR(static_cast<double>(paper.Max), static_cast<double>(paper.Min + 100 / 20.0L * paper.Step),
                1e-9);
    TAxis y(akVertical, 500);
    y.AutoScale(500, 0, -21, 42, 5, -5);
    y.SetGraphPaper(14);
    y.FitToDevice(50, 1200);
    EXPECT_EQ(y.ValueToPixel(y.Min), 1200); // the minimum at the far (bottom) edge
    EXPECT_LT(y.Scale, 0);

    TAxis scaled = FittedX(700, -8, 8);
    scaled.SetScalingText("2");
    const std::unique_ptr<TAxis> copy = TAxis::CreateCopy(scaled);
    scaled.SetScalingText({});
    EXPECT_EQ(copy->ScalingValue(), 2); // the scaling was cloned, not shared
    EXPECT_EQ(copy->Step, 2);
}

TEST_F(AxisTest, SizeStoreAlternatesAcrossAndDown)
{
    TMetaFileSizeStore store({100, 400}, {80, 300});
    EXPECT_EQ(store.Next().pixels, 400);
    EXPECT_EQ(store.Next().millimetres, 80);
    EXPECT_EQ(store.Next().millimetres, 100);
}

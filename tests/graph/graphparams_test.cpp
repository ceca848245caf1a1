// Scale changes as the commands make them: validation that leaves the scales
// alone, the history of 14, previous and next, zoom about zero and off it,
// square, positive, trigonometric and graph-paper scales, and the document
// text of the scales.
#include "graph/graphparams.h"

#include "graph/displayrounding.h"
#include "settings/mathswriter.h"

#include "graphtesting.h"

#include <cmath>

namespace {

class GraphParamsTest : public GraphTest {
protected:
    TFixedScaleHost host{700, 500, GraphTestFont()};

    static std::unique_ptr<TRescaleDataTransfer> Range(Extended xmin, Extended xmax, Extended ymin,
                                                       Extended ymax)
    {
        return std::make_unique<TRescaleDataTransfer>(xmin, xmax, ymin, ymax);
    }
};

double D(Extended x)
{
    return static_cast<double>(x);
}

} // namespace

TEST_F(GraphParamsTest, StartsWithDefaultScalesMatchingTheWindow)
{
    TGraphParams params(&host);
    const TAxes& axes = *params.Axes;
    EXPECT_EQ(axes.XAxis->Min, -8);
    EXPECT_EQ(axes.XAxis->Max, 8);
    EXPECT_NEAR(D(axes.YAxis->Max), 5.71, 1e-12); // 8 x 500 / 700 to two figures, by the step's decade
    EXPECT_NEAR(D(axes.YAxis->Min), -5.71, 1e-12);
    EXPECT_TRUE(params.History.empty());
    EXPECT_FALSE(params.ScalesChanged());
    EXPECT_EQ(axes.ValueToPixel(0, 0), QPoint(350, 250));
    EXPECT_EQ(params.Width, 700);
    EXPECT_EQ(TGraphParams::SamplePoints(), 1000);
}

TEST_F(GraphParamsTest, InvalidScalesChangeNothingAndReportWhy)
{
    TGraphParams params(&host);
    EXPECT_FALSE(params.SetScales(Range(-1e21L, 0, -1, 1), &host));
    EXPECT_FALSE(params.SetScales(Range(-1, 1, 1e6L, 1e6L + 0.5L), &host));
    ASSERT_EQ(mainWindow.messages.size(), 2u);
    EXPECT_EQ(mainWindow.messages[0], "Value of x is out of range");
    EXPECT_EQ(mainWindow.messages[1], "Min and max values of y are too close");
    EXPECT_EQ(mainWindow.beeps, 2);
    EXPECT_TRUE(params.History.empty());
    EXPECT_EQ(params.Axes->XAxis->Min, -8);
    EXPECT_FALSE(params.ScalesChanged());
}

TEST_F(GraphParamsTest, HistoryKeepsFourteenAndPreviousThenNextReturns)
{
    TGraphParams params(&host);
    for (int i = 1; i <= 15; ++i)
        ASSERT_TRUE(params.SetScales(Range(-i, i, -i, i), &host));
    EXPECT_EQ(params.History.size(), TGraphParams::MaxHistory);
    EXPECT_TRUE(params.ScalesChanged());
    EXPECT_NEAR(D(params.History.front()->XMaxValue()), 14, 1e-12); // newest first
    EXPECT_NEAR(D(params.History.back()->XMaxValue()), 1, 1e-12);   // the default fell off

    const TAxisRanges current = params.Axes->GetRanges();
    params.PreviousScales(&host);
    EXPECT_NEAR(D(params.Axes->XAxis->Max), 14, 1e-12);
    EXPECT_EQ(params.History.size(), TGraphParams::MaxHistory);
    params.NextScales(&host);
    EXPECT_EQ(params.Axes->GetRanges().XMin, current.XMin);
    EXPECT_EQ(params.Axes->GetRanges().YMax, current.YMax);

    params.ClearHistory(&host);
    EXPECT_TRUE(params.History.empty());
    params.PreviousScales(&host); // nothing to go back to
    EXPECT_EQ(params.Axes->GetRanges().XMin, current.XMin);
}

TEST_F(GraphParamsTest, ZoomFactorsComeFromTheSetting)
{
    EXPECT_NEAR(D(TGraphParams::ZoomInFactor()), 0.495, 1e-15);
    EXPECT_EQ(TGraphParams::ZoomOutFactor(), 2);
}

TEST_F(GraphParamsTest, ZoomAboutZeroKeepsZeroInPlace)
{
    TGraphParams params(&host);
    const int zero = params.Axes->XAxis->ValueToPixel(0);
    params.ZoomAxis(akHorizontal, &host, TGraphParams::ZoomOutFactor());
    EXPECT_EQ(params.Axes->XAxis->Min, -16);
    EXPECT_EQ(params.Axes->XAxis->Max, 16);
    EXPECT_EQ(params.Axes->XAxis->ValueToPixel(0), zero);
    EXPECT_NEAR(D(params.Axes->YAxis->Max), 5.71, 1e-12); // the other axis is untouched

    ASSERT_TRUE(params.SetScales(Range(100, 116, -1, 1), &host));
    params.ZoomAxis(akHorizontal, &host, 2);
    EXPECT_EQ(params.Axes->XAxis->Min, 92);
    EXPECT_EQ(params.Axes->XAxis->Max, 124);
}

TEST_F(GraphParamsTest, SquareScalesGiveEqualUnitsAndSurviveNewWindowSizes)
{
    TGraphParams params(&host);
    params.ResetScales(&host);
    EXPECT_TRUE(params.Axes->Scales->Square);
    EXPECT_TRUE(host.squareChecked);
    EXPECT_EQ(params.History.size(), 1u); // the unsquared default
    EXPECT_NEAR(D(params.Axes->XAxis->Scale), D(-params.Axes->YAxis->Scale), 1e-9);

    host.Resize(900, 400);
    params.Axes->ApplyScales(params.Axes->Scales->Clone(), &host);
    EXPECT_NEAR(D(params.Axes->XAxis->Scale), D(-params.Axes->YAxis->Scale), 1e-9);

    params.ToggleSquare(&host);
    EXPECT_FALSE(params.Axes->Scales->Square);
    EXPECT_FALSE(host.squareChecked);
}

TEST_F(GraphParamsTest, PositiveScalesStartAtZeroWithTheSameExtents)
{
    TGraphParams params(&host);
    params.PositiveScales(&host);
    const QSize chars = CharSize(host);
    // Zero is moved clear of the other axis's labels on both axes.
    EXPECT_EQ(params.Axes->XAxis->ValueToPixel(0), 4 * chars.width());
    EXPECT_NEAR(params.Axes->YAxis->ValueToPixel(0), 500 - 3 * chars.height() / 2, 1);
    EXPECT_NEAR(D(params.Axes->XAxis->Max), 16, 1e-9);
    EXPECT_NEAR(D(params.Axes->YAxis->Max), 11.42, 0.02);
}

TEST_F(GraphParamsTest, TrigonometricScalesStepInNinetiesOrPi)
{
    TGraphParams params(&host);
    params.TrigonometricScales(&host);
    EXPECT_EQ(params.Axes->XAxis->ScalingText(), "90");
    EXPECT_NEAR(D(params.Axes->XAxis->Max), 360, 1e-9);
    EXPECT_NEAR(D(std::remainder(params.Axes->XAxis->Step, 90.0L)), 0, 1e-12);
    EXPECT_NEAR(D(params.Axes->YAxis->Max), 1.5, 1e-12);

    Configuration.AngleFactor = 1;
    params.TrigonometricScales(&host);
    EXPECT_EQ(params.Axes->XAxis->ScalingText(), "{p");
    EXPECT_TRUE(params.Axes->XAxis->ScalingIsSymbol());
    EXPECT_NEAR(D(params.Axes->XAxis->ScalingValue()), D(Pi), 1e-15);
    EXPECT_NEAR(D(std::remainder(params.Axes->XAxis->Step, Pi)), 0, 1e-12);

    Configuration.PolarGrid = 1;
    params.TrigonometricScales(&host);
    EXPECT_TRUE(params.Axes->Scales->Square);
    EXPECT_TRUE(params.Axes->XAxis->ScalingText().empty());
}

TEST_F(GraphParamsTest, GraphPaperOnAndOffKeepsTheRangeShown)
{
    TGraphParams params(&host);
    params.ToggleGraphPaper(&host);
    EXPECT_TRUE(params.GraphPaperOn());
    EXPECT_TRUE(params.Axes->Scales->StepForm);
    EXPECT_EQ(params.Axes->XAxis->Subdivisions, GraphPaperSubdivisions);
    const Extended twoCentimetres = 20 / MillimetresPerPixelX;
    EXPECT_NEAR(D(params.Axes->XAxis->Scale * params.Axes->XAxis->Step), D(twoCentimetres), 1e-9);
    EXPECT_NEAR(D(params.Axes->Scales->XMaxValue()), D(params.Axes->XAxis->Step), 1e-15);

    // Refitting in graph paper keeps 2 cm per step.
    params.Axes->Recalculate(&host);
    EXPECT_NEAR(D(params.Axes->XAxis->Scale * params.Axes->XAxis->Step), D(twoCentimetres), 1e-9);

    const Extended shownMax = params.Axes->XAxis->ShownMax();
    params.ToggleGraphPaper(&host);
    EXPECT_FALSE(params.GraphPaperOn());
    EXPECT_FALSE(params.Axes->Scales->StepForm);
    EXPECT_EQ(params.Axes->XAxis->Subdivisions, 1);
    // A later refit starts from the range that was shown, not from the step.
    params.Axes->Recalculate(&host);
    EXPECT_NEAR(D(params.Axes->XAxis->Max), D(shownMax), 0.05);
}

TEST_F(GraphParamsTest, FirstOffsetLabellingIsPointedOut)
{
    TGraphParams params(&host);
    ASSERT_TRUE(params.SetScales(Range(100000, 100010, -1, 1), &host));
    ASSERT_EQ(mainWindow.messages.size(), 1u);
    EXPECT_EQ(mainWindow.messages[0], "Note the scaling on the axis");
    ASSERT_TRUE(params.SetScales(Range(100000, 100020, -1, 1), &host));
    EXPECT_EQ(mainWindow.messages.size(), 1u); // only the first such change
}

TEST_F(GraphParamsTest, ScalesAreWrittenAsScalingRecords)
{
    TGraphParams params(&host);
    ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(-4, 4, -3, 3, "2", ""), &host));
    TMathsWriter writer;
    params.WriteScales(writer);
    const std::string& text = writer.Text();
    EXPECT_EQ(text.rfind("Accuracy = 10\r\nx scaling: ", 0), 0u) << text;
    EXPECT_NE(text.find("Scaling\r\n\tx-axis\r\n\t\tmin = -4.000000E+0000\r\n\t\tmax =  4.000000E+0000\r\n"
                        "\ty-axis\r\n\t\tmin = -3.000000E+0000\r\n\t\tmax =  3.000000E+0000\r\n"
                        "\tSquare: 0\r\n\t2 mm graph: 0\r\n\tx scaling: 2\r\n"),
              std::string::npos)
        << text;
    // One record for the scales in force and one for the earlier default.
    std::size_t records = 0;
    for (std::size_t at = text.find("Scaling\r\n"); at != std::string::npos;
         at = text.find("Scaling\r\n", at + 1))
        ++records;
    EXPECT_EQ(records, 2u);
}

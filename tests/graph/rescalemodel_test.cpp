// The Rescale dialog's work on the scales: Autoscale rounding, Last Scales
// running through the stored scales, Apply and Cancel leaving exactly one
// new entry or none, and the repairs: later Applies never drop stored
// scales, graph-paper steps shown as maxima, typed pairs not rounded.
#include "graph/rescalemodel.h"

#include "graph/graphparams.h"
#include "graph/scalehost.h"

#include "graphtesting.h"

#include <cmath>
#include <limits>

namespace {

double D(Extended x)
{
    return static_cast<double>(x);
}

TScaleEntries Entries(Extended xmin, Extended xmax, Extended ymin, Extended ymax)
{
    return {std::make_unique<TRealReader>(xmin), std::make_unique<TRealReader>(xmax),
            std::make_unique<TRealReader>(ymin), std::make_unique<TRealReader>(ymax)};
}

class RescaleModelTest : public GraphTest {
protected:
    TFixedScaleHost host{700, 500, GraphTestFont()};
    TGraphParams params{&host};

    void Store(int count)
    {
        for (int n = 1; n <= count; ++n)
            ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(-n, n, -n, n), &host));
    }
    [[nodiscard]] Extended XMax() const { return params.Axes->XAxis->Max; }
};

} // namespace

TEST(RoundAutoscalePair, RoundsToAboutThreeFiguresOfTheRange)
{
    struct Row {
        long double min, max, roundedMin, roundedMax;
    };
    // The design's worked cases, and one each side of a halfway k.
    const Row rows[] = {
        {-3.21L, 7.89L, -3.2L, 7.9L},            // k = -1
        {0.001234L, 0.00567L, 0.0012L, 0.0057L}, // k = -4
        {2.3L, 1234.5L, 0, 1230},                // k = 1: 2.3 is below 10
        {-1, 1, -1, 1},                          // k = -2
        {-1234.4L, 1234.4L, -1200, 1200},        // k = 2
    };
    for (const Row& row : rows) {
        Extended min = row.min, max = row.max;
        EXPECT_TRUE(RoundAutoscalePair(min, max)) << D(row.min);
        EXPECT_NEAR(D(min), D(row.roundedMin), 1e-12) << D(row.min) << " " << D(row.max);
        EXPECT_NEAR(D(max), D(row.roundedMax), 1e-12) << D(row.min) << " " << D(row.max);
    }
}

TEST(RoundAutoscalePair, LeavesPairsWithoutAWidthAlone)
{
    // A constant curve suggests the same bound twice: log10 of 0 has no k.
    const Extended inf = std::numeric_limits<Extended>::infinity();
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    const std::pair<Extended, Extended> pairs[] = {{3, 3}, {0, 0}, {-inf, 2}, {1, nan}};
    for (auto [lo, hi] : pairs) {
        Extended min = lo, max = hi;
        EXPECT_FALSE(RoundAutoscalePair(min, max));
        EXPECT_TRUE(min == lo || (std::isnan(min) && std::isnan(lo)));
        EXPECT_TRUE(max == hi || (std::isnan(max) && std::isnan(hi)));
    }
}

TEST_F(RescaleModelTest, AutoscaleReplacesAndRoundsOnlyThePairsTheCurveConcerns)
{
    TRescaleModel model(params, &host);
    // -pi to pi typed for x; a y = f(x) curve suggests y only.
    TScaleEntries typed{std::make_unique<TRealString>(-Pi, "-{p"), std::make_unique<TRealString>(Pi, "{p"),
                        std::make_unique<TRealReader>(-1), std::make_unique<TRealReader>(1)};
    const TScaleEntries shown = model.Autoscale(typed, [](TAxisRanges& r) {
        r.YMin = -3.21L;
        r.YMax = 7.89L;
    });
    EXPECT_EQ(shown.xmin->GetText(10, 0), "-{p");
    EXPECT_EQ(shown.xmax->GetText(10, 0), "{p");
    EXPECT_NEAR(D(shown.ymin->Value()), -3.2, 1e-12);
    EXPECT_NEAR(D(shown.ymax->Value()), 7.9, 1e-12);
    EXPECT_TRUE(model.EntriesFilled());
    EXPECT_FALSE(model.Applied());
    EXPECT_TRUE(params.History.empty()); // nothing applied
}

TEST_F(RescaleModelTest, AutoscaleWithAFlatSuggestionKeepsItUnrounded)
{
    TRescaleModel model(params, &host);
    const TScaleEntries shown = model.Autoscale(Entries(-8, 8, -5, 5), [](TAxisRanges& r) {
        r.YMin = 2.5L;
        r.YMax = 2.5L;
    });
    EXPECT_EQ(D(shown.ymin->Value()), 2.5);
    EXPECT_EQ(D(shown.ymax->Value()), 2.5);
    EXPECT_EQ(D(shown.xmin->Value()), -8);
}

TEST_F(RescaleModelTest, LastScalesRunsThroughTheStoredScalesNewestFirst)
{
    Store(3); // the list now holds the scales for 2, 1 and the default
    TRescaleModel model(params, &host);
    std::vector<double> shown;
    for (int press = 0; press < 5; ++press) {
        const auto entries = model.LastScales();
        ASSERT_TRUE(entries);
        shown.push_back(D(entries->xmax->Value()));
    }
    EXPECT_EQ(shown, (std::vector<double>{2, 1, 8, 2, 1}));
    EXPECT_EQ(model.LastScalesCount(), 5);
    EXPECT_TRUE(model.EntriesFilled());

    params.ClearHistory(&host);
    TRescaleModel empty(params, &host);
    EXPECT_FALSE(empty.LastScales());
    EXPECT_FALSE(empty.EntriesFilled());
}

TEST_F(RescaleModelTest, GraphPaperStepsAreShownAsMaximaAtOpeningAndByLastScales)
{
    params.ToggleGraphPaper(&host);
    ASSERT_TRUE(params.Axes->Scales->StepForm);
    const Extended step = params.Axes->XAxis->Step;
    const Extended shownMax = params.Axes->Scales->XMaxValue(*params.Axes);
    ASSERT_NE(D(step), D(shownMax));
    // The graph-paper scale goes into the list.
    ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(-3, 3, -2, 2, "", "", true), &host));
    ASSERT_TRUE(params.History.front()->StepForm);

    TRescaleModel model(params, &host);
    const TScaleEntries initial = model.Initial();
    EXPECT_NE(D(initial.xmax->Value()), D(params.Axes->XAxis->Step)); // a maximum, not the step
    EXPECT_GT(D(initial.xmax->Value()), D(initial.xmin->Value()));
    // Without the resolving the stored step would be shown as the maximum,
    // and applying it would give x from the minimum to one step.
    const auto last = model.LastScales();
    ASSERT_TRUE(last);
    EXPECT_NEAR(D(last->xmax->Value()), D(shownMax), 1e-9);
    EXPECT_TRUE(params.History.front()->StepForm); // the stored entry keeps its steps
}

TEST_F(RescaleModelTest, ApplyTwiceThenCancelLeavesScalesAndListAsBefore)
{
    Store(2);
    const std::size_t before = params.History.size();
    const Extended xmaxBefore = XMax();
    TRescaleModel model(params, &host);
    std::string message;
    TScaleEntries first = Entries(-4, 4, -3, 3);
    ASSERT_EQ(model.Apply(first, message), TRescaleModel::TApplyResult::Applied);
    EXPECT_EQ(XMax(), 4);
    EXPECT_EQ(params.History.size(), before + 1);
    TScaleEntries second = Entries(-6, 6, -3, 3);
    ASSERT_EQ(model.Apply(second, message), TRescaleModel::TApplyResult::Applied);
    EXPECT_EQ(XMax(), 6);
    EXPECT_EQ(params.History.size(), before + 1); // one entry however often Apply is pressed
    model.UndoApplied();
    EXPECT_EQ(XMax(), xmaxBefore);
    EXPECT_EQ(params.History.size(), before);
    EXPECT_FALSE(model.Applied());
}

TEST_F(RescaleModelTest, LaterAppliesKeepEveryStoredScaleWhenTheListIsFull)
{
    Store(static_cast<int>(TGraphParams::MaxHistory) + 1);
    ASSERT_EQ(params.History.size(), TGraphParams::MaxHistory);
    const Extended oldest = params.History.back()->XMaxValue();
    TRescaleModel model(params, &host);
    std::string message;
    for (int n = 0; n < 4; ++n) {
        TScaleEntries entries = Entries(-20 - n, 20 + n, -3, 3);
        ASSERT_EQ(model.Apply(entries, message), TRescaleModel::TApplyResult::Applied);
    }
    // The first Apply dropped the oldest to keep the scale from before; the
    // later ones dropped nothing more.
    ASSERT_EQ(params.History.size(), TGraphParams::MaxHistory);
    EXPECT_EQ(D(params.History.front()->XMaxValue()), 15);
    EXPECT_NE(D(params.History.back()->XMaxValue()), D(oldest));
    EXPECT_EQ(D(params.History.back()->XMaxValue()), 2);
    EXPECT_EQ(XMax(), 23);
}

TEST_F(RescaleModelTest, InvalidEntriesChangeNothingAndSayWhy)
{
    TRescaleModel model(params, &host);
    std::string message;
    const Extended before = XMax();
    const struct {
        TScaleEntries entries;
        std::string message;
    } rows[] = {
        {Entries(-1e21L, 1, -1, 1), "Value of x is out of range"},
        {Entries(-1, 1, 5, 5), "Value of y is out of range"},
        {Entries(-1, 1, 1e6L, 1e6L + 0.5L), "Min and max values of y are too close"},
    };
    for (const auto& row : rows) {
        TScaleEntries entries = row.entries.Clone();
        EXPECT_EQ(model.Apply(entries, message), TRescaleModel::TApplyResult::Invalid);
        EXPECT_EQ(message, row.message);
    }
    TScaleEntries missing = Entries(-1, 1, -1, 1);
    missing.ymax.reset();
    EXPECT_EQ(model.Apply(missing, message), TRescaleModel::TApplyResult::Invalid);
    EXPECT_EQ(XMax(), before);
    EXPECT_TRUE(params.History.empty());
    EXPECT_FALSE(model.Applied());
    model.UndoApplied(); // nothing to take back
    EXPECT_EQ(XMax(), before);
}

TEST_F(RescaleModelTest, ApplyKeepsTheAxisScalingsAndTurnsSquareOff)
{
    params.TrigonometricScales(&host); // in degrees: the x scaling is 90
    params.ToggleSquare(&host);
    ASSERT_TRUE(params.Axes->Scales->Square);
    TRescaleModel model(params, &host);
    std::string message;
    TScaleEntries entries = Entries(-2 * Pi, 2 * Pi, -2, 2);
    ASSERT_EQ(model.Apply(entries, message), TRescaleModel::TApplyResult::Applied);
    EXPECT_EQ(params.Axes->Scales->XScalingText, "90");
    EXPECT_FALSE(params.Axes->Scales->Square);
    EXPECT_FALSE(host.squareChecked);
}

TEST_F(RescaleModelTest, GraphPaperMaximaSnapToWholeStepsAndTheEntriesShowThem)
{
    params.ToggleGraphPaper(&host);
    TRescaleModel model(params, &host);
    std::string message;
    TScaleEntries entries = Entries(0, 7.3L, 0, 4.1L);
    ASSERT_EQ(model.Apply(entries, message), TRescaleModel::TApplyResult::Applied);
    // The shown maxima are what was applied: a whole number of nice steps from the minimum.
    const Extended xmax = entries.xmax->Value();
    EXPECT_NE(D(xmax), 7.3);
    EXPECT_TRUE(params.GraphPaperOn());
    EXPECT_TRUE(params.Axes->Scales->GraphPaper);
}

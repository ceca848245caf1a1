// Statistics of a data set: the gathered sums, quartiles and modes, the
// values and verdict read from them, and the formula texts, including data
// without spread, data far from 0 with little spread, and points that cannot
// be used.
#include "geometry/geometrytesting.h"
#include "geometry/statistics.h"

#include <cmath>
#include <limits>

namespace {

TGatherStatistics Gathered(const std::vector<TRealPoint>& points)
{
    TGatherStatistics stats;
    GatherPoints(points, stats);
    return stats;
}

class Statistics : public GeometryFixture {};

TEST_F(Statistics, QuartilesMedianAndExtremes)
{
    struct Case {
        std::vector<Extended> sorted;
        Extended min, lower, median, upper, max;
    };
    const Case cases[] = {
        {{}, 0, 0, 0, 0, 0},
        {{7}, 7, 7, 7, 7, 7},
        {{2, 8}, 2, 2, 5, 8, 8},
        {{1, 2, 3}, 1, 1, 2, 3, 3},
        {{1, 2, 3, 4}, 1, 1.25, 2.5, 3.75, 4},
        {{1, 2, 3, 4, 5}, 1, 1.5, 3, 4.5, 5},
        {{1, 2, 3, 4, 5, 6, 7}, 1, 2, 4, 6, 7},
    };
    for (const Case& c : cases) {
        Extended min = -1, lower = -1, median = -1, upper = -1, max = -1;
        FiveValues(c.sorted, min, lower, median, upper, max);
        SCOPED_TRACE(c.sorted.size());
        EXPECT_DOUBLE_EQ(double(min), double(c.min));
        EXPECT_DOUBLE_EQ(double(lower), double(c.lower));
        EXPECT_DOUBLE_EQ(double(median), double(c.median));
        EXPECT_DOUBLE_EQ(double(upper), double(c.upper));
        EXPECT_DOUBLE_EQ(double(max), double(c.max));
    }
}

TEST_F(Statistics, ModeIsTheSingleMostFrequentValue)
{
    struct Case {
        std::vector<Extended> sorted;
        const char* mode;
    };
    const Case cases[] = {
        {{}, ""},
        {{1, 2, 3}, ""},
        {{3, 3, 5, 5}, ""},
        {{3, 3, 3, 5, 5}, "3"},
        {{3, 3, 5, 5, 5}, "5"},
        {{1, 2, 2, 3}, "2"},
        {{0.25, 0.25, 1}, "0.25"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModeText(c.sorted), c.mode) << c.sorted.size();
}

TEST_F(Statistics, ValuesOfAStraightDataSet)
{
    const TGatherStatistics stats = Gathered({{1, 2}, {2, 4}, {3, 6}});
    EXPECT_EQ(stats.Count, 3);
    EXPECT_DOUBLE_EQ(double(stats.Sum[saX]), 6);
    EXPECT_DOUBLE_EQ(double(stats.SumSquares[saY]), 56);
    EXPECT_DOUBLE_EQ(double(stats.SumXY), 28);
    EXPECT_DOUBLE_EQ(double(Mean(stats, saX)), 2);
    EXPECT_DOUBLE_EQ(double(StandardDeviation(stats, saX)), std::sqrt(2.0 / 3.0));
    EXPECT_DOUBLE_EQ(double(Range(stats, saY)), 4);
    EXPECT_DOUBLE_EQ(double(Correlation(stats)), 1);
    EXPECT_DOUBLE_EQ(double(RegressionSlope(stats, saX)), 2);
    EXPECT_DOUBLE_EQ(double(RegressionSlope(stats, saY)), 0.5);
    EXPECT_EQ(CorrelationVerdict(stats), "Very strong positive correlation");
    EXPECT_EQ(RegressionYOnXText(stats), "y=2x");
    EXPECT_EQ(RegressionXOnYText(stats), "x=0.5y");
    EXPECT_EQ(LineOfBestFitText(stats), "y=2x");
    EXPECT_EQ(stats.Mode[saX], "");
}

TEST_F(Statistics, VerdictTruncatesThePercentage)
{
    struct Case {
        Extended r;
        bool positive;
        const char* verdict;
    };
    const Case cases[] = {
        {0, true, "Little or no correlation"},          {0.399L, false, "Little or no correlation"},
        {0.45L, true, "Weak positive correlation"},     {-0.45L, false, "Weak negative correlation"},
        {0.599L, true, "Weak positive correlation"},    {0.6L, false, "Good negative correlation"},
        {0.85L, true, "Strong positive correlation"},   {0.9L, true, "Very strong positive correlation"},
        {1, false, "Very strong negative correlation"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerdictText(c.r, c.positive), c.verdict) << double(c.r);
}

// Data without spread on an axis has r = 1 only by convention: it is not
// called a correlation, whichever way the (zero) slope points.
TEST_F(Statistics, NoSpreadClaimsNoCorrelation)
{
    const std::vector<TRealPoint> sets[] = {
        {{1, 5}, {2, 5}, {3, 5}},
        {{4, 2}},
        {{2, 1}, {2, 3}, {2, 8}},
    };
    for (const auto& points : sets) {
        const TGatherStatistics stats = Gathered(points);
        EXPECT_DOUBLE_EQ(double(Correlation(stats)), 1);
        EXPECT_EQ(CorrelationVerdict(stats), "Little or no correlation") << points.size();
    }
}

// Spread is judged against the size of the values, so the unit of the data
// does not change its slope or correlation.
TEST_F(Statistics, SmallSpreadKeepsItsSlope)
{
    struct Case {
        std::vector<TRealPoint> points;
        Extended slopeYOnX, bestFitSlope;
    };
    const Case cases[] = {
        {{{1000, 1}, {1000.0001L, 2}, {1000.0002L, 3}}, 10000, 10000},
        {{{1e-9L, 1}, {2e-9L, 2}, {3e-9L, 3}}, 1e9L, 1e9L},
        {{{1e10L, 3}, {1e10L + 1, 1}, {1e10L + 2, -1}}, -2, -2},
    };
    for (const Case& c : cases) {
        const TGatherStatistics stats = Gathered(c.points);
        SCOPED_TRACE(double(c.slopeYOnX));
        EXPECT_NEAR(double(RegressionSlope(stats, saX) / c.slopeYOnX), 1, 1e-9);
        EXPECT_NEAR(double(LineOfBestFit(stats).Slope / c.bestFitSlope), 1, 1e-9);
        EXPECT_LE(std::fabs(Correlation(stats)), 1);
        EXPECT_NEAR(double(std::fabs(Correlation(stats))), 1, 1e-9);
        EXPECT_FALSE(LineOfBestFit(stats).Vertical);
    }
}

TEST_F(Statistics, ColumnOfPointsIsFittedByAVerticalLine)
{
    const TGatherStatistics column = Gathered({{2, 1}, {2, 3}, {2, 8}});
    EXPECT_TRUE(LineOfBestFit(column).Vertical);
    EXPECT_DOUBLE_EQ(double(LineOfBestFit(column).Intercept), 2);
    EXPECT_EQ(LineOfBestFitText(column), "x=2");

    const TGatherStatistics single = Gathered({{4, 2}});
    EXPECT_FALSE(LineOfBestFit(single).Vertical);
    EXPECT_EQ(LineOfBestFitText(single), "y=2");
}

// A small coefficient keeps its figures: rounding to a fixed number of
// decimal places would drop the term and fit a different curve.
TEST_F(Statistics, CoefficientsKeepTheirSignificantFigures)
{
    struct Case {
        Extended a, b;
        const char* text;
    };
    const Case cases[] = {
        {0.004, 1, "0.004e{^{x}+1"},
        {0.0012345L, -0.00098765L, "0.0012e{^{x}-0.00099"},
        {-1, 2.5, "-e{^{x}+2.5"},
        {0, 0, "0"},
    };
    const std::string names[] = {"e{^{x}", ""};
    for (const Case& c : cases) {
        const Extended values[] = {c.a, c.b};
        EXPECT_EQ(FittedSumText(names, values), c.text);
    }
}

// Rows that are gaps, that cannot be computed, or whose change of
// coordinate fails are left out of every sum and of the count.
TEST_F(Statistics, UnusablePointsAreLeftOut)
{
    auto list = List({TRealPoint{0, 1}, std::nullopt, TRealPoint{1, 3}, TRealPoint{100, 50},
                      TRealPoint{std::numeric_limits<double>::quiet_NaN(), 7}});
    TGatherStatistics stats;
    list->GatherStatistics(stats);
    EXPECT_EQ(stats.Count, 3);
    EXPECT_DOUBLE_EQ(double(stats.Sum[saY]), 54);

    const TPointTransform exponential = [](TRealPoint& p) {
        if (p.x > 80)
            return false;
        p.x = std::exp(p.x);
        return true;
    };
    list->GatherStatistics(stats, exponential);
    EXPECT_EQ(stats.Count, 2);
    EXPECT_DOUBLE_EQ(double(stats.Sum[saY]), 4);
    EXPECT_DOUBLE_EQ(double(stats.Max[saX]), std::exp(1.0L));
}

} // namespace

namespace {

TStatsOptions OptionsWith(std::initializer_list<int> on)
{
    TStatsOptions options;
    options.flags.fill(false);
    options.Min = options.Max = false;
    for (int flag : on)
        options.flags[static_cast<std::size_t>(flag)] = true;
    return options;
}

} // namespace

TEST_F(Statistics, StatisticsLineTexts)
{
    const TGatherStatistics stats = Gathered({{1, 2}, {2, 4}, {3, 6}, {4, 8}});
    TStatsOptions sums = OptionsWith({soShowY});
    sums.SumShown = sums.SumSquaresShown = true;
    TStatsOptions extremes = OptionsWith({soShowX, soNumberOfValues});
    extremes.Min = extremes.Max = true;
    struct Case {
        TStatsOptions options;
        const char* text;
    };
    const Case cases[] = {
        {TStatsOptions{}, "n=4; {mx=2.5; {sx=1.12; Min x=1; Max x=4; Range x=3; "
                          "{my=5; {sy=2.24; Min y=2; Max y=8; Range y=6; "},
        {OptionsWith({soShowX, soMedian, soLowerQuartile, soUpperQuartile, soInterQuartileRange}),
         "Median x=2.5; LQ x=1.25; UQ x=3.75; IQ range x=2.5; "},
        {sums, "{Sy=20; {Sy{^{2}=120; "},
        {extremes, "n=4; Min x=1; Max x=4; "},
        {OptionsWith({soMean}), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatsLineText(stats, c.options), c.text);
}

// One row per axis shown, the count in front of the first.
TEST_F(Statistics, StatisticsLineRows)
{
    const TGatherStatistics stats = Gathered({{1, 2}, {3, 4}});
    struct Case {
        TStatsOptions options;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {OptionsWith({soShowX, soShowY, soNumberOfValues, soMean}), {"n=2; {mx=2; ", "{my=3; "}},
        {OptionsWith({soShowY, soNumberOfValues, soRange}), {"n=2; Range y=2; "}},
        {OptionsWith({soNumberOfValues}), {"n=2; "}},
        {OptionsWith({soShowX}), {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatsLineRows(stats, c.options), c.rows);
}

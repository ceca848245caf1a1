// The grids of the Statistics window: which rows and columns the options
// give, the values in them, and the text the Copy command makes of them.
#include "geometry/geometrytesting.h"
#include "geometry/statsgrid.h"

namespace {

TGatherStatistics Gathered(const std::vector<TRealPoint>& points)
{
    TGatherStatistics stats;
    GatherPoints(points, stats);
    return stats;
}

TStatsOptions Only(std::initializer_list<int> on)
{
    TStatsOptions options;
    options.flags.fill(false);
    for (int flag : on)
        options.flags[static_cast<std::size_t>(flag)] = true;
    return options;
}

class StatsGrid : public GeometryFixture {};

TEST_F(StatsGrid, RowsAndColumnsFollowTheOptions)
{
    const TGatherStatistics line = Gathered({{1, 2}, {2, 4}, {3, 6}});
    const TGatherStatistics repeats = Gathered({{1, 5}, {2, 5}, {3, 7}, {4, 9}});
    struct Case {
        const TGatherStatistics* stats;
        TStatsOptions options;
        TStatsGrid axes, general;
    };
    const Case cases[] = {
        {&line,
         TStatsOptions{},
         {{"", "x", "y"}, {"Mean", "2", "4"}, {"Range", "2", "4"}, {"Standard deviation", "0.82", "1.63"}},
         {{"Number of values", "3"}}},
        // With only y shown, the single column is y.
        {&repeats,
         Only({soShowY, soMedian, soMode, soLowerQuartile, soUpperQuartile, soInterQuartileRange}),
         {{"", "y"},
          {"Median", "6"},
          {"Mode", "5"},
          {"Lower quartile", "5"},
          {"Upper quartile", "8.5"},
          {"Inter-quartile range", "3.5"}},
         {}},
        {&line,
         Only({soCorrelation, soCorrelationCoefficient, soLineOfBestFit, soRegressionYOnX, soRegressionXOnY}),
         {},
         {{"Correlation", "Very strong positive correlation"},
          {"Coefficient of correlation", "1"},
          {"Line of best fit", "y=2x"},
          {"Regression line y on x", "y=2x"},
          {"Regression line x on y", "x=0.5y"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AxisStatsGrid(*c.stats, c.options), c.axes);
        EXPECT_EQ(GeneralStatsGrid(*c.stats, c.options), c.general);
    }
}

TEST_F(StatsGrid, CopiedTextHasTabsAndCrLf)
{
    const TStatsGrid axes = {{"", "x"}, {"Mean", "2"}};
    const TStatsGrid general = {{"Number of values", "3"}, {"Regression line y on x", "y=2x"}};
    EXPECT_EQ(StatsGridText(axes, general),
              "\tx\r\nMean\t2\r\nNumber of values\t3\r\nRegression line y on x\ty=2x\r\n");
    EXPECT_EQ(StatsGridText({}, {}), "");
}

} // namespace

// The statistics of a data set: one gathering pass fills a plain record of
// sums, quartiles, medians and modes, from which the means, spreads,
// regression lines, correlation and its verdict in words are read, and the
// formula texts the Statistics window and the best-fit lines show. Points
// that cannot be computed (or whose coordinate change fails) are left out of
// everything, so the count is the number of points actually used.
#pragma once

#include "numbers/numerics.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The axes of the record: x, then y.
enum : int { saX = 0, saY = 1 };

struct TGatherStatistics {
    std::int32_t Count = 0;
    Extended Sum[2] = {0, 0};
    Extended SumSquares[2] = {0, 0};
    Extended SumXY = 0;
    Extended Min[2] = {0, 0};
    Extended LowerQuartile[2] = {0, 0};
    Extended Median[2] = {0, 0};
    Extended UpperQuartile[2] = {0, 0};
    Extended Max[2] = {0, 0};
    std::string Mode[2]; // 10 significant figures, empty without a single most frequent value
    // Sums of squares and products about the means (n·variance and n·covariance),
    // taken in a second pass so that data far from 0 with little spread keeps its
    // slope and correlation instead of losing them to cancellation.
    Extended CentredSquares[2] = {0, 0};
    Extended CentredProduct = 0;
};

// A change applied to each point before it is gathered; false leaves the
// point out (its new coordinate cannot be computed).
using TPointTransform = bool (*)(TRealPoint& point);

// Fills stats (zeroed first) from points, in the order given; without
// orderStatistics only the sums are gathered (no sorting: quartiles, medians,
// extremes and modes stay 0 and empty).
void GatherPoints(std::span<const TRealPoint> points, TGatherStatistics& stats, bool orderStatistics = true);

// Min, quartiles, median and Max of values sorted in ascending order.
void FiveValues(std::span<const Extended> sorted, Extended& min, Extended& lower, Extended& median,
                Extended& upper, Extended& max);
// The most frequent of the sorted values with 10 figures; empty when two or
// more values are equally most frequent, or when every value differs.
[[nodiscard]] std::string ModeText(std::span<const Extended> sorted);

// Values read from the record, 0 for an empty record; axis is saX or saY.
[[nodiscard]] Extended Mean(const TGatherStatistics& stats, int axis);
[[nodiscard]] Extended Variance(const TGatherStatistics& stats, int axis);
[[nodiscard]] Extended StandardDeviation(const TGatherStatistics& stats, int axis);
[[nodiscard]] Extended Range(const TGatherStatistics& stats, int axis);
[[nodiscard]] Extended InterQuartileRange(const TGatherStatistics& stats, int axis);
// True when the values of axis do not spread: their standard deviation is
// negligible beside the size of the values themselves (so the test does not
// depend on the unit the data is measured in).
[[nodiscard]] bool NoSpread(const TGatherStatistics& stats, int axis);
// v, or 0 when it is below the rounding noise of a sum whose terms are of
// size scale (a coefficient that should vanish but came out as 1e-17).
[[nodiscard]] Extended DropNoise(Extended v, Extended scale);
// The regression of the other axis on axis: slope and intercept (slope 0
// below two points, 1000000 when axis does not spread).
[[nodiscard]] Extended RegressionSlope(const TGatherStatistics& stats, int axis);
[[nodiscard]] Extended RegressionIntercept(const TGatherStatistics& stats, int axis);
// The correlation coefficient, within [-1, 1]; 1 when there are no points or
// either axis does not spread.
[[nodiscard]] Extended Correlation(const TGatherStatistics& stats);

// The line of best fit through the mean point: y = Slope·x + Intercept, or,
// when the x values do not spread but the y values do, the vertical line
// x = Intercept (Vertical set).
struct TBestFitLine {
    Extended Slope = 0;
    Extended Intercept = 0;
    bool Vertical = false;
};
[[nodiscard]] TBestFitLine LineOfBestFit(const TGatherStatistics& stats);

// "Little or no correlation", "Weak positive correlation" ... from |r|;
// "Little or no correlation" when either axis does not spread.
[[nodiscard]] std::string CorrelationVerdict(const TGatherStatistics& stats);
// The verdict for r (p = 100·|r| with its fraction dropped) with the sign
// word of the slope from p = 40 on.
[[nodiscard]] std::string VerdictText(Extended r, bool positiveSlope);

// The formula texts (markup), coefficients rounded to "Mouse figures"
// significant figures: "y=" and the regression of y on x, "x=" and that of x
// on y, "y=" and the line of best fit ("x=" and its value when vertical).
[[nodiscard]] std::string RegressionYOnXText(const TGatherStatistics& stats);
[[nodiscard]] std::string RegressionXOnYText(const TGatherStatistics& stats);
[[nodiscard]] std::string LineOfBestFitText(const TGatherStatistics& stats);
// The sum of the terms (markup) with coefficients rounded to "Mouse figures"
// significant figures, "0" when every term drops out.
[[nodiscard]] std::string FittedSumText(std::span<const std::string> names, std::span<const Extended> values);

class TMathsWriter;

// Which statistics are shown, in the order of the "Stats options" block.
struct TStatsOptions {
    static constexpr int Count = 16;
    // "Show x: ", "Show y: ", the per-axis statistics, the general ones.
    static const std::array<std::string_view, Count> Labels;
    std::array<bool, Count> flags{true,  true, true, false, false, true,  false, false,
                                  false, true, true, false, false, false, false, false};
    // Only for a statistics line, and never stored: its extremes and sums.
    bool Min = true;
    bool Max = true;
    bool SumShown = false;
    bool SumSquaresShown = false;
    bool operator==(const TStatsOptions&) const = default;
};

// The places of the options in flags.
enum : int {
    soShowX,
    soShowY,
    soMean,
    soMedian,
    soMode,
    soRange,
    soLowerQuartile,
    soUpperQuartile,
    soInterQuartileRange,
    soStandardDeviation,
    soNumberOfValues,
    soCorrelation,
    soCorrelationCoefficient,
    soLineOfBestFit,
    soRegressionYOnX,
    soRegressionXOnY,
};

// The program's statistics options (taken when a document has none, and
// copied by each statistics line when it is made).
inline TStatsOptions StatsOptions;

// The "Stats options" block: its heading line, then one line per flag.
void WriteStatsOptions(const TStatsOptions& options, TMathsWriter& writer);

// The text (markup) of a statistics line after its heading: "n=" and the
// count when shown, then the x items and the y items, each ending in "; ".
[[nodiscard]] std::string StatsLineText(const TGatherStatistics& stats, const TStatsOptions& options);
// The same text in rows: the count and the x items, then the y items (one
// row when only one axis is shown, or none).
[[nodiscard]] std::vector<std::string> StatsLineRows(const TGatherStatistics& stats,
                                                     const TStatsOptions& options);

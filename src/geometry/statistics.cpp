#include "geometry/statistics.h"

#include "graph/displayrounding.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cmath>

namespace {

// A standard deviation this small beside the size of the values is rounding
// noise of the sums, not a spread of the data.
constexpr Extended NegligibleSpread = 1e-12L;

} // namespace

void FiveValues(std::span<const Extended> sorted, Extended& min, Extended& lower, Extended& median,
                Extended& upper, Extended& max)
{
    const std::size_t n = sorted.size();
    if (n == 0) {
        min = lower = median = upper = max = 0;
        return;
    }
    min = sorted.front();
    max = sorted.back();
    if (n < 3) {
        lower = min;
        upper = max;
        median = (min + max) / 2;
        return;
    }
    // Position i·(n + 1)/4 counted from 1, between two values when it is not whole.
    auto at = [&](std::size_t i) {
        const std::size_t t = i * (n + 1);
        const std::size_t q = t / 4;
        const std::size_t r = t % 4;
        if (r == 0)
            return sorted[q - 1];
        return (sorted[q - 1] * static_cast<Extended>(4 - r) + sorted[q] * static_cast<Extended>(r)) / 4;
    };
    lower = at(1);
    median = at(2);
    upper = at(3);
}

std::string ModeText(std::span<const Extended> sorted)
{
    std::string mode;
    std::size_t best = 1;
    std::size_t run = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        run = (i > 0 && sorted[i] == sorted[i - 1]) ? run + 1 : 1;
        if (run > best) {
            mode = FormatNumber(10, false, sorted[i]);
            best = run;
        } else if (run == best) {
            mode.clear(); // a tie has no mode
        }
    }
    return mode;
}

void GatherPoints(std::span<const TRealPoint> points, TGatherStatistics& stats, bool orderStatistics)
{
    stats = TGatherStatistics{};
    const std::size_t n = points.size();
    stats.Count = static_cast<std::int32_t>(n);
    if (n == 0)
        return;
    for (const TRealPoint& p : points) {
        stats.Sum[saX] += p.x;
        stats.Sum[saY] += p.y;
        stats.SumSquares[saX] += p.x * p.x;
        stats.SumSquares[saY] += p.y * p.y;
        stats.SumXY += p.x * p.y;
    }
    const Extended meanX = stats.Sum[saX] / static_cast<Extended>(n);
    const Extended meanY = stats.Sum[saY] / static_cast<Extended>(n);
    for (const TRealPoint& p : points) {
        const Extended dx = p.x - meanX;
        const Extended dy = p.y - meanY;
        stats.CentredSquares[saX] += dx * dx;
        stats.CentredSquares[saY] += dy * dy;
        stats.CentredProduct += dx * dy;
    }
    if (!orderStatistics)
        return;
    std::vector<Extended> values[2];
    values[saX].reserve(n);
    values[saY].reserve(n);
    for (const TRealPoint& p : points) {
        values[saX].push_back(p.x);
        values[saY].push_back(p.y);
    }
    for (int axis : {saX, saY}) {
        std::sort(values[axis].begin(), values[axis].end());
        FiveValues(values[axis], stats.Min[axis], stats.LowerQuartile[axis], stats.Median[axis],
                   stats.UpperQuartile[axis], stats.Max[axis]);
        stats.Mode[axis] = ModeText(values[axis]);
    }
}

Extended Mean(const TGatherStatistics& stats, int axis)
{
    return stats.Count > 0 ? stats.Sum[axis] / stats.Count : 0;
}

Extended Variance(const TGatherStatistics& stats, int axis)
{
    return stats.Count > 0 ? stats.CentredSquares[axis] / stats.Count : 0;
}

Extended StandardDeviation(const TGatherStatistics& stats, int axis)
{
    const Extended variance = Variance(stats, axis);
    return variance > 0 ? std::sqrt(variance) : 0;
}

Extended Range(const TGatherStatistics& stats, int axis)
{
    return stats.Max[axis] - stats.Min[axis];
}

Extended InterQuartileRange(const TGatherStatistics& stats, int axis)
{
    return stats.UpperQuartile[axis] - stats.LowerQuartile[axis];
}

bool NoSpread(const TGatherStatistics& stats, int axis)
{
    const Extended sd = StandardDeviation(stats, axis);
    // The root mean square stands for the size of the values (it needs no sorting).
    const Extended size = stats.Count > 0 ? std::sqrt(stats.SumSquares[axis] / stats.Count) : 0;
    return sd == 0 || sd <= NegligibleSpread * size;
}

Extended RegressionSlope(const TGatherStatistics& stats, int axis)
{
    if (stats.Count < 2)
        return 0;
    if (NoSpread(stats, axis))
        return 1000000;
    return stats.CentredProduct / stats.CentredSquares[axis];
}

Extended DropNoise(Extended v, Extended scale)
{
    return std::fabs(v) <= 1e-12L * std::fabs(scale) ? 0 : v;
}

Extended RegressionIntercept(const TGatherStatistics& stats, int axis)
{
    const Extended mean = Mean(stats, 1 - axis);
    const Extended moved = RegressionSlope(stats, axis) * Mean(stats, axis);
    return DropNoise(mean - moved, std::fabs(mean) + std::fabs(moved));
}

Extended Correlation(const TGatherStatistics& stats)
{
    if (stats.Count == 0 || NoSpread(stats, saX) || NoSpread(stats, saY))
        return 1;
    const Extended r =
        stats.CentredProduct / std::sqrt(stats.CentredSquares[saX] * stats.CentredSquares[saY]);
    return std::clamp(r, Extended(-1), Extended(1));
}

TBestFitLine LineOfBestFit(const TGatherStatistics& stats)
{
    TBestFitLine line;
    if (NoSpread(stats, saX)) {
        // Data in a column is fitted by the column itself, not by a level
        // line across it.
        line.Vertical = !NoSpread(stats, saY);
        line.Intercept = line.Vertical ? Mean(stats, saX) : Mean(stats, saY);
        return line;
    }
    if (!NoSpread(stats, saY))
        line.Slope = Sign(Correlation(stats)) * StandardDeviation(stats, saY) / StandardDeviation(stats, saX);
    line.Intercept = Mean(stats, saY) - Mean(stats, saX) * line.Slope;
    return line;
}

std::string VerdictText(Extended r, bool positiveSlope)
{
    const int p = static_cast<int>(std::trunc(100 * std::fabs(r)));
    const char* verdict = "";
    if (p < 40)
        verdict = "Little or no";
    else if (p < 60)
        verdict = "Weak";
    else if (p < 80)
        verdict = "Good";
    else if (p < 90)
        verdict = "Strong";
    else if (p <= 100)
        verdict = "Very strong";
    const char* sign = p < 40 ? "" : positiveSlope ? "positive " : "negative ";
    return std::string(verdict) + " " + sign + "correlation";
}

std::string CorrelationVerdict(const TGatherStatistics& stats)
{
    // Without spread on either axis r carries no information (it is taken
    // as 1 only to stay defined), so no correlation is claimed.
    if (stats.Count == 0 || NoSpread(stats, saX) || NoSpread(stats, saY))
        return VerdictText(0, false);
    return VerdictText(Correlation(stats), LineOfBestFit(stats).Slope > 0);
}

std::string FittedSumText(std::span<const std::string> names, std::span<const Extended> values)
{
    return SumText(names, values, true, false, true);
}

std::string RegressionYOnXText(const TGatherStatistics& stats)
{
    const std::string names[] = {"x", ""};
    const Extended values[] = {RegressionSlope(stats, saX), RegressionIntercept(stats, saX)};
    return "y=" + FittedSumText(names, values);
}

std::string RegressionXOnYText(const TGatherStatistics& stats)
{
    const std::string names[] = {"y", ""};
    const Extended values[] = {RegressionSlope(stats, saY), RegressionIntercept(stats, saY)};
    return "x=" + FittedSumText(names, values);
}

std::string LineOfBestFitText(const TGatherStatistics& stats)
{
    const TBestFitLine line = LineOfBestFit(stats);
    if (line.Vertical) {
        const std::string names[] = {""};
        const Extended values[] = {line.Intercept};
        return "x=" + FittedSumText(names, values);
    }
    const std::string names[] = {"x", ""};
    const Extended values[] = {line.Slope, line.Intercept};
    return "y=" + FittedSumText(names, values);
}

const std::array<std::string_view, TStatsOptions::Count> TStatsOptions::Labels = {
    "Show x: ",
    "Show y: ",
    "Mean",
    "Median",
    "Mode",
    "Range",
    "Lower quartile",
    "Upper quartile",
    "Inter-quartile range",
    "Standard deviation",
    "Number of values",
    "Correlation",
    "Coefficient of correlation",
    "Line of best fit",
    "Regression line y on x",
    "Regression line x on y"};

void WriteStatsOptions(const TStatsOptions& options, TMathsWriter& writer)
{
    writer.WriteLine("Stats options");
    for (std::size_t i = 0; i < TStatsOptions::Labels.size(); ++i)
        writer.WriteLine(std::string(TStatsOptions::Labels[i]) + (options.flags[i] ? "1" : "0"), 1);
}

std::string StatsLineText(const TGatherStatistics& stats, const TStatsOptions& options)
{
    std::string text;
    for (const std::string& row : StatsLineRows(stats, options))
        text += row;
    return text;
}

std::vector<std::string> StatsLineRows(const TGatherStatistics& stats, const TStatsOptions& options)
{
    auto on = [&options](int flag) { return options.flags[static_cast<std::size_t>(flag)]; };
    auto value = [](Extended v) { return FiguresText(v); };
    const std::string count = on(soNumberOfValues) ? "n=" + std::to_string(stats.Count) + "; " : "";
    std::vector<std::string> rows;
    for (int axis : {saX, saY}) {
        if (!on(axis == saX ? soShowX : soShowY))
            continue;
        std::string text = rows.empty() ? count : "";
        const std::string letter = axis == saX ? "x" : "y";
        auto item = [&text, &letter](const std::string& name, const std::string& shown) {
            text += name + letter + "=" + shown + "; ";
        };
        if (on(soMean))
            item("{m", value(Mean(stats, axis)));
        if (on(soStandardDeviation))
            item("{s", value(StandardDeviation(stats, axis)));
        if (options.SumShown)
            item("{S", value(stats.Sum[axis]));
        if (options.SumSquaresShown)
            text += "{S" + letter + "{^{2}=" + value(stats.SumSquares[axis]) + "; ";
        if (options.Min)
            item("Min ", value(stats.Min[axis]));
        if (options.Max)
            item("Max ", value(stats.Max[axis]));
        if (on(soRange))
            item("Range ", value(Range(stats, axis)));
        if (on(soMedian))
            item("Median ", value(stats.Median[axis]));
        if (on(soLowerQuartile))
            item("LQ ", value(stats.LowerQuartile[axis]));
        if (on(soUpperQuartile))
            item("UQ ", value(stats.UpperQuartile[axis]));
        if (on(soInterQuartileRange))
            item("IQ range ", value(InterQuartileRange(stats, axis)));
        rows.push_back(text);
    }
    if (rows.empty())
        rows.push_back(count);
    return rows;
}

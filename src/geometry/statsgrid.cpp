#include "geometry/statsgrid.h"

#include "formula/markup.h"
#include "geometry/coordrows.h"
#include "graph/displayrounding.h"

#include <exception>

namespace {

// A formula's markup as plain text (x{^{2} as x^2); a text that is not markup as it stands.
std::string PlainMarkupText(const std::string& markup)
{
    try {
        return PlainLineText(ElementsFromText(markup).get());
    } catch (const std::exception&) {
        return markup;
    }
}

bool On(const TStatsOptions& options, int flag)
{
    return options.flags[static_cast<std::size_t>(flag)];
}

} // namespace

TStatsGrid AxisStatsGrid(const TGatherStatistics& stats, const TStatsOptions& options)
{
    std::vector<int> axes;
    if (On(options, soShowX))
        axes.push_back(saX);
    if (On(options, soShowY))
        axes.push_back(saY);
    if (axes.empty())
        return {};
    TStatsGrid grid;
    std::vector<std::string> header{""};
    for (int axis : axes)
        header.push_back(axis == saX ? "x" : "y");
    grid.push_back(header);
    struct TRow {
        int flag;
        const char* label;
    };
    const TRow rows[] = {
        {soMean, "Mean"},
        {soMedian, "Median"},
        {soMode, "Mode"},
        {soRange, "Range"},
        {soLowerQuartile, "Lower quartile"},
        {soUpperQuartile, "Upper quartile"},
        {soInterQuartileRange, "Inter-quartile range"},
        {soStandardDeviation, "Standard deviation"},
    };
    for (const TRow& row : rows) {
        if (!On(options, row.flag))
            continue;
        std::vector<std::string> cells{row.label};
        for (int axis : axes) {
            switch (row.flag) {
            case soMean:
                cells.push_back(FiguresText(Mean(stats, axis)));
                break;
            case soMedian:
                cells.push_back(FiguresText(stats.Median[axis]));
                break;
            case soMode:
                cells.push_back(stats.Mode[axis]);
                break;
            case soRange:
                cells.push_back(FiguresText(Range(stats, axis)));
                break;
            case soLowerQuartile:
                cells.push_back(FiguresText(stats.LowerQuartile[axis]));
                break;
            case soUpperQuartile:
                cells.push_back(FiguresText(stats.UpperQuartile[axis]));
                break;
            case soInterQuartileRange:
                cells.push_back(FiguresText(InterQuartileRange(stats, axis)));
                break;
            default:
                cells.push_back(FiguresText(StandardDeviation(stats, axis)));
                break;
            }
        }
        grid.push_back(cells);
    }
    return grid;
}

TStatsGrid GeneralStatsGrid(const TGatherStatistics& stats, const TStatsOptions& options)
{
    TStatsGrid grid;
    if (On(options, soNumberOfValues))
        grid.push_back({"Number of values", std::to_string(stats.Count)});
    if (On(options, soCorrelation))
        grid.push_back({"Correlation", CorrelationVerdict(stats)});
    if (On(options, soCorrelationCoefficient))
        grid.push_back({"Coefficient of correlation", FiguresText(Correlation(stats))});
    if (On(options, soLineOfBestFit))
        grid.push_back({"Line of best fit", PlainMarkupText(LineOfBestFitText(stats))});
    if (On(options, soRegressionYOnX))
        grid.push_back({"Regression line y on x", PlainMarkupText(RegressionYOnXText(stats))});
    if (On(options, soRegressionXOnY))
        grid.push_back({"Regression line x on y", PlainMarkupText(RegressionXOnYText(stats))});
    return grid;
}

std::string StatsGridText(const TStatsGrid& axes, const TStatsGrid& general)
{
    std::string text;
    for (const TStatsGrid* grid : {&axes, &general}) {
        for (const auto& row : *grid) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                if (i > 0)
                    text += '\t';
                text += row[i];
            }
            text += "\r\n";
        }
    }
    return text;
}

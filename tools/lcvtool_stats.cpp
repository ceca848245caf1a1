// lcvtool stats: reads a document as the program opens it and prints the
// Statistics window for one of its data sets exactly as the window's Copy
// command puts it on the clipboard, with the document's statistics options
// and "Mouse figures".
#include "lcvtool.h"
#include "lcvtool_arguments.h"
#include "lcvtool_document.h"

#include "document/document.h"
#include "geometry/coordcurve.h"
#include "geometry/statsgrid.h"
#include "settings/configuration.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

int RunStats(const std::vector<std::string>& arguments)
{
    TToolArguments command("stats");
    command.Arguments("DOC.lcv N", "the document and the line of its data set (from 1, as lines counts)");
    if (const auto status = command.Parse(arguments))
        return *status;
    const std::vector<std::string> names = command.Positional();
    if (names.size() < 2)
        return command.Refuse(names.empty() ? "DOC.lcv is missing" : "N is missing");
    if (names.size() > 2)
        return command.Refuse("unexpected argument " + names[2]);
    int line = 0;
    const std::string& number = names[1];
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), line);
    if (parsed.ec != std::errc() || parsed.ptr != number.data() + number.size() || line < 1)
        return command.Refuse("N needs a line number from 1, not " + number);
    const TFontApplication fonts;

    TDocument document;
    if (!OpenToolDocument(names[0], document))
        return 1;

    const auto* set = dynamic_cast<const TDataPoints*>(document.lines.LineAt(line - 1));
    if (!set) {
        std::fprintf(stderr, "error: line %d is not a data-point set\n", line);
        return 1;
    }
    TGatherStatistics stats;
    set->GatherStatistics(stats);
    const std::string text =
        StatsGridText(AxisStatsGrid(stats, StatsOptions), GeneralStatsGrid(stats, StatsOptions));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

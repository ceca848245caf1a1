// The two grids of the Statistics window as rows of texts: the statistics of
// each axis (a header row with the axes shown, then one row per statistic
// chosen) and the general ones (count, correlation, fitted lines). Built
// here, below the widgets, so that the window, its Copy command and the
// command-line tool show the same cells.
#pragma once

#include "geometry/statistics.h"

#include <string>
#include <vector>

// Rows of cells, the label first.
using TStatsGrid = std::vector<std::vector<std::string>>;

// The per-axis grid: no rows when neither axis is shown.
[[nodiscard]] TStatsGrid AxisStatsGrid(const TGatherStatistics& stats, const TStatsOptions& options);
// The general grid: no rows when no general statistic is chosen. Formulas
// are in plain text (e^x, x^2).
[[nodiscard]] TStatsGrid GeneralStatsGrid(const TGatherStatistics& stats, const TStatsOptions& options);
// The grids as the Copy command puts them on the clipboard: cells separated
// by tabs, rows ended by CR LF, the per-axis grid first.
[[nodiscard]] std::string StatsGridText(const TStatsGrid& axes, const TStatsGrid& general);

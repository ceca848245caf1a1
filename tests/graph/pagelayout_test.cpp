// The printed page's arithmetic: the margin and layout factors that fit the
// window onto a page, where the graph and equations go with and without
// Fill page, and the size of the print preview's picture. Expected values
// are worked out by hand from the rules (margin = longer side div 20, the
// window scaled to fit inside the margins keeping its proportions).
#include "graph/pagelayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// A4 at 600 dots per inch.
constexpr int A4Width = 4960, A4Height = 7016;

TEST(PageLayout, TheWindowIsScaledToFitInsideMarginsOfATwentiethOfTheLongerSide)
{
    struct Row {
        std::string what;
        int width, height;
        long double aspect;
        int siteWidth, siteHeight;
        int margin;
        long double fx, fy;
    };
    const Row rows[] = {
        // 4:3 on portrait A4: the width limits (4260 / 800); 600 x 5.325 fits in 6316.
        {"4:3 portrait", A4Width, A4Height, 1, 800, 600, 350, 5.325L, 5.325L},
        // On landscape the height limits: 6316 / 800 x 600 > 4260, so 4260 / 600 both ways.
        {"4:3 landscape", A4Height, A4Width, 1, 800, 600, 350, 7.1L, 7.1L},
        // Printer pixels twice as dense down: fy = 2 fx by the width would need 1800 > 900.
        {"aspect 2", 1000, 1000, 2, 100, 100, 50, 4.5L, 9},
        {"aspect 2 wide window", 1000, 1000, 2, 400, 50, 50, 2.25L, 4.5L},
        {"tall window", 2000, 1000, 1, 100, 400, 100, 2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto f = PageLayoutFactors(row.width, row.height, row.aspect, row.siteWidth, row.siteHeight);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(f->Margin, row.margin);
        EXPECT_NEAR(static_cast<double>(f->FactorAcross), static_cast<double>(row.fx), 1e-9);
        EXPECT_NEAR(static_cast<double>(f->FactorDown), static_cast<double>(row.fy), 1e-9);
    }
}

TEST(PageLayout, AnEmptyDockSiteOrPageHasNothingToScale)
{
    struct Row {
        std::string what;
        int width, height, siteWidth, siteHeight;
        long double aspect;
    };
    const Row rows[] = {
        {"no dock site", A4Width, A4Height, 0, 0, 1},
        {"site without width", A4Width, A4Height, 0, 600, 1},
        {"site without height", A4Width, A4Height, 800, 0, 1},
        {"negative site", A4Width, A4Height, -5, 600, 1},
        {"no page", 0, 0, 800, 600, 1},
        {"no aspect", A4Width, A4Height, 800, 600, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(PageLayoutFactors(row.width, row.height, row.aspect, row.siteWidth, row.siteHeight));
        TWindowPanels panels;
        panels.Site = QRect(0, 0, row.siteWidth, row.siteHeight);
        panels.Graph = panels.Site;
        EXPECT_FALSE(PlacePanels(QSize(row.width, row.height), row.aspect, panels, TPrintChoices{}));
    }
}

TEST(PageLayout, PanelsArePlacedAsInTheWindowOrFillThePage)
{
    // The dock site under a 30-pixel toolbar: equations 200 wide on the
    // left, the graph on the right; the lines need 100 pixels.
    TWindowPanels window;
    window.Site = QRect(0, 30, 800, 600);
    window.Equations = QRect(0, 30, 200, 600);
    window.Graph = QRect(200, 30, 600, 600);
    window.EquationsHeight = 100;
    TWindowPanels hidden = window;
    hidden.Equations = QRect();
    TWindowPanels longList = window;
    longList.EquationsHeight = 5000;

    struct Row {
        std::string what;
        TWindowPanels panels;
        bool fill, equations;
        QRect graph, lines;
    };
    // f = 5.325, margin 350, inside (350, 350) 4260 x 6316.
    const Row rows[] = {
        {"as in the window", window, false, true, QRect(1415, 350, 3195, 3195), QRect(350, 350, 1065, 3195)},
        {"without equations", window, false, false, QRect(1415, 350, 3195, 3195), QRect()},
        {"equations panel hidden", hidden, false, true, QRect(1415, 350, 3195, 3195), QRect()},
        // 100 x 5.325 = 532.5 rounds to 533: the graph fills below it.
        {"fill with equations", window, true, true, QRect(350, 883, 4260, 5783), QRect(350, 350, 1065, 533)},
        {"fill without equations", window, true, false, QRect(350, 350, 4260, 6316), QRect()},
        // The lines never take more than half of the page.
        {"fill under a long list", longList, true, true, QRect(350, 3508, 4260, 3158),
         QRect(350, 350, 1065, 3158)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TPrintChoices choices;
        choices.FillPage = row.fill;
        choices.PrintEquations = row.equations;
        const auto placement = PlacePanels(QSize(A4Width, A4Height), 1, row.panels, choices);
        ASSERT_TRUE(placement.has_value());
        EXPECT_EQ(placement->Inside, QRect(350, 350, 4260, 6316));
        EXPECT_EQ(placement->Graph, row.graph);
        EXPECT_EQ(placement->Equations, row.lines);
        EXPECT_TRUE(placement->Inside.contains(placement->Graph));
    }
}

TEST(PageLayout, APageWithoutTheGraphOrTheEquationsIsNotPlaced)
{
    // Only another panel (say the commentary) stands in the dock site.
    TWindowPanels panels;
    panels.Site = QRect(0, 0, 300, 300);
    for (const bool fill : {false, true}) {
        TPrintChoices choices;
        choices.FillPage = fill;
        EXPECT_FALSE(PlacePanels(QSize(A4Width, A4Height), 1, panels, choices)) << fill;
    }
}

TEST(PageLayout, ThePreviewHasThePagesProportionsCentredInItsArea)
{
    struct Row {
        std::string what;
        QSize area, page;
        long double aspect;
        QRect panel;
    };
    const Row rows[] = {
        // 400 / 7016 < 500 / 4960: the height limits; 400 / 7016 x 4960 = 282.8.
        {"portrait", QSize(500, 400), QSize(A4Width, A4Height), 1, QRect(118, 10, 283, 400)},
        // 400 / 4960 > 500 / 7016: the width limits; 500 / 7016 x 4960 = 353.5.
        {"landscape", QSize(500, 400), QSize(A4Height, A4Width), 1, QRect(10, 33, 500, 353)},
        // Screen pixels twice as dense down: half as many across for the same paper.
        {"aspect 2", QSize(300, 300), QSize(100, 100), 2, QRect(85, 10, 150, 300)},
        {"no page", QSize(300, 300), QSize(), 1, QRect()},
        {"no area", QSize(0, 300), QSize(100, 100), 1, QRect()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(PreviewPanelRect(row.area, row.page, row.aspect), row.panel);
    }
}

} // namespace

// The arithmetic of a printed page, free of widgets and printers: the margin
// and the factors that scale the window's panels onto the page, where the
// graph and the equations go, and how large the print preview's picture is.
// The print preview and printing both lay their page out with it, so the
// preview shows exactly what is printed.
#pragma once

#include "numbers/numerics.h"

#include <QRect>
#include <QSize>

#include <optional>

// The program-wide print choices, kept for the run (the print colour option
// lives with the settings beside the record).
struct TPrintChoices {
    bool FillPage = false;
    bool PrintEquations = true;
    int AlignAcross = 1; // 0 left, 1 centre, 2 right
    int AlignUpDown = 1; // 0 bottom, 1 centre, 2 top
};
inline TPrintChoices PrintChoices{};

// The margin in page pixels and the factors from window pixels to page pixels.
struct TLayoutFactors {
    int Margin = 0;
    Extended FactorAcross = 1, FactorDown = 1;
};

// The window's dock site scaled to fit inside margins of one twentieth of
// the page's longer side, keeping its proportions (aspect: the device's
// pixels per inch down over across). Nothing when the dock site or the area
// inside the margins is empty: there is nothing to scale.
[[nodiscard]] std::optional<TLayoutFactors> PageLayoutFactors(int pageWidth, int pageHeight, Extended aspect,
                                                              int siteWidth, int siteHeight);

// The panels of the window as they stand in the dock site (window pixels).
struct TWindowPanels {
    QRect Site;              // the dock site
    QRect Graph;             // the graph area
    QRect Equations;         // the equations area; empty when the panel is hidden or floats
    int EquationsHeight = 0; // the room the lines need, in window pixels
};

// Where the panels go on the page (page pixels).
struct TPagePlacement {
    TLayoutFactors Factors;
    QRect Inside;    // the page inside the margins
    QRect Graph;     // the graph's frame
    QRect Equations; // empty when the equations are not printed
};

// Places the panels: each where it stands in the window, scaled by the
// factors, inside the margins; with Fill page the graph takes the whole area
// inside the margins below the room the equations need (at most half of it).
// Nothing when there is nothing to scale or neither panel would be printed.
[[nodiscard]] std::optional<TPagePlacement>
PlacePanels(QSize page, Extended aspect, const TWindowPanels& panels, const TPrintChoices& choices);

// The preview panel for a page in an area of the dialog (both in pixels):
// as large as fits the area with the page's proportions at the screen's
// pixel aspect, centred in it, offset by 10 pixels. Empty for an empty page.
[[nodiscard]] QRect PreviewPanelRect(QSize area, QSize page, Extended aspect);

// The one page drawing: the main window's equations and graph laid out on a
// page as they stand in the window, on any paint device. The print preview
// draws it into its picture, "Print" and print-to-file onto the printer, and
// `lumacurve --print-pdf` into a PDF, so all of them show the same page.
#pragma once

#include "graph/pagelayout.h"

#include <QSize>
#include <QString>

#include <optional>
#include <string>

class QPainter;
class QPrinter;
class TLumacurveForm;

// The page a drawing goes on.
struct TPageDevice {
    QSize Pixels;                // the printable page in device pixels
    qreal MillimetresAcross = 0; // the same page in millimetres
    qreal MillimetresDown = 0;
    Extended Aspect = 1; // pixels per inch down over across
};

// The printer's printable page from its page layout. No job is begun, so a
// printer that writes a file leaves the file as it was.
[[nodiscard]] TPageDevice MeasurePrinter(const QPrinter& printer);

// The panels of the window as they stand now, in the window's pixels.
[[nodiscard]] TWindowPanels WindowPanels(const TLumacurveForm& form);

// Draws the page: the title line with the print name, the graph in its
// frame and, when chosen, the equations. Every program-wide value it
// changes (page colour, millimetres per pixel, the axes) is put back on
// every path. Answers the placement, or nothing (and draws nothing) when
// the window shows no panel to print.
std::optional<TPagePlacement> DrawPage(TLumacurveForm& form, QPainter& painter, const TPageDevice& device,
                                       const TPrintChoices& choices, const QString& printName);

// Prints the page on the printer. A PDF is written beside its file first
// and put in its place only when complete, so a failure never leaves the
// old file replaced by a blank or partial page. On failure answers nothing
// and sets error.
std::optional<TPagePlacement> PrintPage(TLumacurveForm& form, QPrinter& printer, const TPrintChoices& choices,
                                        const QString& printName, QString* error = nullptr);

// Prints the page into the PDF file on A4 (landscape when asked) at 600
// dots per inch, the whole sheet being the page, as --print-pdf does.
std::optional<TPagePlacement> PrintPdf(TLumacurveForm& form, const QString& file, bool landscape,
                                       const TPrintChoices& choices, QString* error = nullptr);

// "margin: M factors: FX FY": the margin in printer pixels and the factors
// with 6 significant digits, whatever the user's locale.
[[nodiscard]] std::string PlacementReport(const TPagePlacement& placement);

// The font families that documents and preferences name, resolved to faces
// installed with the program. Left to fontconfig, "Arial" would become
// whichever face the fonts other packages installed prefer, so formulas, the
// whiteboard and axis labels would be laid out differently from machine to
// machine; the families documents name are therefore mapped explicitly.
#pragma once

#include <QFont>
#include <QString>

#include <string_view>

// The installed family the program draws with for the named one: "Arial",
// "Times New Roman" and "Courier New" (and "Helvetica", "Times", "Courier")
// become the metric-compatible Liberation faces, "Symbol" the formula face
// DejaVu Sans (its characters are drawn from their Unicode equivalents), an
// installed family stays itself, and any other becomes DejaVu Sans.
[[nodiscard]] QString ResolvedFamily(std::string_view family);

// A font of the resolved family, of the given point size (Qt's default when
// -1) and the default style.
[[nodiscard]] QFont FamilyFont(std::string_view family, int pointSize = -1);

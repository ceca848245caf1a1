// The look of one equation line as the Customise curve dialog offers it:
// which of the ten table colours it has (or another, "More"), its thickness,
// and its shading and labelling switches where the line has them; and the
// rules by which a choice is applied to the line.
#pragma once

#include "platform/colour.h"

#include <cstdint>

class TEquationObject;

// The property bits that decide what the dialog offers for a line.
inline constexpr std::uint32_t NoRenameProperty = 0x100000;
inline constexpr std::uint32_t ShadeProperty = 0x200000;
inline constexpr std::uint32_t LabelProperty = 0x400000;
// The line switches the dialog sets: shading on, and labels suppressed.
inline constexpr std::uint16_t ShadeSwitch = 4;
inline constexpr std::uint16_t NoLabelSwitch = 2;

// The colour buttons: ten table colours, then "More".
inline constexpr int TableColourCount = 10;
inline constexpr int MoreColoursButton = TableColourCount;

struct TCurveStyle {
    int colourButton = 0;     // 0 to 9 a table colour, MoreColoursButton another
    TColour colour = clBlack; // the colour itself (the table's or another)
    int thickness = 1;        // 1 to 9
    bool shadeShown = false;  // the line can be shaded
    bool shade = false;
    bool labelShown = false; // the line can be labelled
    bool label = true;
    bool renameAllowed = true;
};

// The button of a colour: the table position whose colour it is, else MoreColoursButton.
[[nodiscard]] int CurveColourButton(TColour colour);
// The colour of a button (the table's), or other for More.
[[nodiscard]] TColour ButtonColour(int button, TColour other);
// The look of a line as the dialog shows it.
[[nodiscard]] TCurveStyle CurveStyleOf(const TEquationObject& line);
// Gives the line the chosen colour and thickness, and the switches it has
// (Shade, and Label the opposite of the label-suppressing switch). Answers
// whether anything changed.
bool ApplyCurveStyle(TEquationObject& line, const TCurveStyle& style);
// Passes changed settings on to a line: the line thickness setting when
// thickness, the coordinate label and shade settings when labelOrShade.
// Answers whether the line changed.
bool ApplySettingsToLine(TEquationObject& line, bool thickness, bool labelOrShade);

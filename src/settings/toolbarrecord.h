// The text forms the docking layer shares with documents and the whiteboard
// preferences: Toolbar records (side, visibility, position and row of one
// toolbar) and a whole arrangement (the toolbar records, then the font and
// background colour lines). Pure text: the widgets apply what is parsed here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One toolbar's place. Docked: left, top, row and 0; floating: left, top,
// client width and client height.
struct TToolbarPlace {
    std::string name;
    std::string side = "Top"; // "Floating", "Left", "Top", "Right" or "Bottom"
    bool visible = true;
    std::array<int, 4> bounds{0, 0, 0, 0};
    bool alone = false;

    // The record's text with CR LF line ends.
    [[nodiscard]] std::string Text() const;
    // True when the side word names no dock side (compared without regard to case).
    [[nodiscard]] bool Floating() const;
};

// A whiteboard arrangement: toolbars, equations font and background colour,
// and whether the graph is drawn for legibility on a projector (stronger
// shading, curve colours whose neighbours differ in hue and lightness,
// thicker lines for new curves).
struct TArrangement {
    std::vector<TToolbarPlace> toolbars;
    std::string fontName;
    int fontSize = 0;
    long backgroundColour = 0;
    bool highContrast = false;

    [[nodiscard]] std::string Text() const;
};

// The built-in whiteboard preferences.
[[nodiscard]] TArrangement DefaultWhiteboardArrangement();
// Reads an arrangement's text; nullopt when it holds no toolbar record or
// its font and colour lines are missing or malformed. Without a high
// contrast line (preferences stored by earlier versions) it is off.
[[nodiscard]] std::optional<TArrangement> ParseArrangement(std::string_view text);
// Reads the toolbar records at the start of the text, stopping at the first
// line that does not belong to one; malformed records are skipped.
[[nodiscard]] std::vector<TToolbarPlace> ParseToolbarRecords(std::string_view text,
                                                             std::size_t* consumed = nullptr);

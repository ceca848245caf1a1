// The description table: the numbered fixed texts ("Tangent at ",
// "Coordinates", "Data points" ...) that lines of derived objects show, how
// the markup reader recognises them, and the token and object kind each one
// stands for when the parser reads a fixed-description line.
#pragma once

#include <span>
#include <string_view>

class TMathsReader;

// Descriptions are numbered 1 to DescriptionCount; 0 means none.
inline constexpr int DescriptionCount = 59;

// Descriptions with a special role in the table.
enum : int {
    dnCompassPoints = 21,
    dnEmpty = 32,     // shown empty, written as the copyright sign of entry 33
    dnCopyright = 33, // read back as dnEmpty
    dnDegrees = 46,   // the angle-unit marks: "o" / "r" on screen,
    dnRadians = 47,   // 0xAA / 0xAB in markup
};

// The text of a description: the screen text, or (forMarkup) the text the
// markup holds for it. Number 32 shows nothing but is written as entry 33's
// text. Unknown numbers give an empty text.
[[nodiscard]] std::string_view DescriptionText(int number, bool forMarkup = false);

// The description numbers in the order the markup reader tries them (48 tries).
[[nodiscard]] std::span<const int> DescriptionReadingOrder();

// Tries every readable description against the reader's next characters
// (without regard to letter case) and consumes the first one that matches.
// Answers the description number it stands for (entry 33 stands for 32), or 0
// with nothing consumed. locked tells whether the match makes a locked
// description. Documents older than "2.0006" spell entry 21 "Compass".
[[nodiscard]] int MatchDescription(TMathsReader& reader, bool& locked);

// One record of the description token table.
struct TDescriptionToken {
    int number;
    int token;
    int kind;
};

// The 42 records of the description token table, by description number.
[[nodiscard]] std::span<const TDescriptionToken> DescriptionTokenTable();
// The record of a description number, or nullptr when it has none.
[[nodiscard]] const TDescriptionToken* FindDescriptionToken(int number);
// The token a description stands for; 602 for descriptions without a record.
[[nodiscard]] int DescriptionToken(int number);
// The kind of object a description names (reported when a line holding it is
// taken up for editing); 0 for descriptions that name none.
[[nodiscard]] int DescribedKind(int number);

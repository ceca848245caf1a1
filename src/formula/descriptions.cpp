#include "formula/descriptions.h"

#include "settings/mathsreader.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Screen texts, index = description number. The texts are code-page bytes:
// entry 33 is the copyright sign 0xA9.
constexpr std::array<std::string_view, DescriptionCount + 1> ScreenTexts = {
    "",                         // 0: none
    "Gradient function",        // 1
    "Tangent at ",              // 2
    "Normal at ",               // 3
    "Area from ",               // 4
    "Coordinates",              // 5
    "Data points",              // 6
    "Horizontal line ",         // 7
    "Vertical line ",           // 8
    "Origin line ",             // 9
    "to ",                      // 10
    "through ",                 // 11
    "Matrix",                   // 12
    "Translation",              // 13
    "Rotation about",           // 14
    "Reflection in",            // 15
    "Enlargement centre",       // 16
    "Shear line",               // 17
    "Stretch line",             // 18
    "repeats",                  // 19
    "factor",                   // 20
    "compass points",           // 21
    "Invariant",                // 22
    "angle",                    // 23
    "Line ",                    // 24
    "intercept ",               // 25
    "centre",                   // 26
    "Invariant line",           // 27
    "Mirror line",              // 28
    "Horizontal line ",         // 29
    "Vertical line ",           // 30
    "Origin line ",             // 31
    "",                         // 32
    "\xA9",                     // 33
    "Square",                   // 34
    "Triangle",                 // 35
    "Pentagon",                 // 36
    "Hexagon",                  // 37
    "Octagon",                  // 38
    "Polygon with",             // 39
    "Polygon",                  // 40
    "sides of length",          // 41
    "vertex",                   // 42
    "  (family of",             // 43
    ", step",                   // 44
    ")",                        // 45
    "o",                        // 46
    "r",                        // 47
    "turn",                     // 48
    " clockwise",               // 49
    " anticlockwise",           // 50
    "Best fit straight line",   // 51
    "Best fit exponential",     // 52
    "Best fit ln",              // 53
    "Best fit quadratic",       // 54
    "Best fit straight y on x", // 55
    "Best fit straight x on y", // 56
    "Polynomial",               // 57
    "Stats:  ",                 // 58
    "Intersect with ",          // 59
};

// Numbers 10, 11, 26 to 31, 45 and 59 are never read back: their texts are
// ordinary words or duplicates that would swallow plain formula text.
constexpr std::array<int, 48> ReadingOrder = {
    1,  2,  3,  4,  5,  6,  7,  8,  9,  21, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 23, 24, 25, 33,
    34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58,
};
// The tries that make locked descriptions: numbers 1 to 9 and 21, the words
// that open a derived object's line.
constexpr std::size_t LockedTries = 10;

constexpr std::array<TDescriptionToken, 42> TokenTable = {{
    {1, 609, 0},    {2, 610, 401},  {3, 611, 402},  {4, 612, 403},  {5, 614, 206},  {6, 614, 206},
    {7, 406, 406},  {8, 407, 407},  {9, 408, 408},  {10, 409, 0},   {12, 700, 0},   {13, 701, 0},
    {14, 702, 0},   {15, 703, 0},   {16, 704, 0},   {17, 705, 0},   {18, 706, 0},   {19, 707, 0},
    {20, 708, 0},   {21, 800, 0},   {22, 722, 0},   {23, 723, 0},   {24, 724, 0},   {25, 725, 0},
    {29, 406, 411}, {30, 407, 412}, {31, 408, 413}, {34, 751, 206}, {35, 750, 206}, {36, 752, 206},
    {37, 753, 206}, {38, 755, 206}, {39, 760, 0},   {40, 0, 206},   {51, 616, 0},   {52, 617, 0},
    {53, 618, 0},   {54, 619, 0},   {55, 620, 0},   {56, 621, 0},   {57, 622, 0},   {58, 623, 0},
}};

// The word token given to descriptions that have no record.
constexpr int UnlistedDescriptionToken = 602;

} // namespace

std::string_view DescriptionText(int number, bool forMarkup)
{
    if (number < 1 || number > DescriptionCount)
        return {};
    if (forMarkup) {
        switch (number) {
        case dnEmpty:
            return ScreenTexts[dnCopyright];
        case dnDegrees:
            return "\xAA";
        case dnRadians:
            return "\xAB";
        default:
            break;
        }
    }
    return ScreenTexts[static_cast<std::size_t>(number)];
}

std::span<const int> DescriptionReadingOrder()
{
    return ReadingOrder;
}

int MatchDescription(TMathsReader& reader, bool& locked)
{
    // Every character of every text run read asks here: the texts are
    // sorted once by their first letter (case folded, as keywords match),
    // and only those starting with the next character are tried, in the
    // reading order.
    const auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
    };
    struct TCandidate {
        std::size_t order; // the place in the reading order
        std::string_view text;
    };
    static const std::array<std::vector<TCandidate>, 256> byFirst = [&] {
        std::array<std::vector<TCandidate>, 256> table;
        for (std::size_t i = 0; i < ReadingOrder.size(); ++i) {
            const int number = ReadingOrder[i];
            const std::string_view text = DescriptionText(number, true);
            if (!text.empty())
                table[fold(text.front())].push_back({i, text});
            // Documents before 2.0006 wrote the compass points as "Compass".
            if (number == dnCompassPoints && (text.empty() || fold(text.front()) != fold('C')))
                table[fold('C')].push_back({i, {}});
        }
        return table;
    }();
    char next = 0;
    if (!reader.Peek(next)) {
        locked = false;
        return 0;
    }
    const std::vector<TCandidate>& candidates = byFirst[fold(next)];
    if (candidates.empty()) {
        locked = false;
        return 0;
    }
    const bool oldCompass = reader.VersionBelow("2.0006");
    for (const TCandidate& candidate : candidates) {
        const int number = ReadingOrder[candidate.order];
        std::string_view text = candidate.text;
        if (number == dnCompassPoints)
            text = oldCompass ? std::string_view("Compass") : DescriptionText(number, true);
        if (text.empty() || fold(text.front()) != fold(next) || !reader.MatchKeyword(text))
            continue;
        locked = candidate.order < LockedTries;
        return number == dnCopyright ? dnEmpty : number;
    }
    locked = false;
    return 0;
}

std::span<const TDescriptionToken> DescriptionTokenTable()
{
    return TokenTable;
}

const TDescriptionToken* FindDescriptionToken(int number)
{
    const auto* found = std::lower_bound(TokenTable.begin(), TokenTable.end(), number,
                                         [](const TDescriptionToken& r, int n) { return r.number < n; });
    return found != TokenTable.end() && found->number == number ? found : nullptr;
}

int DescriptionToken(int number)
{
    const TDescriptionToken* record = FindDescriptionToken(number);
    return record ? record->token : UnlistedDescriptionToken;
}

int DescribedKind(int number)
{
    const TDescriptionToken* record = FindDescriptionToken(number);
    return record ? record->kind : 0;
}

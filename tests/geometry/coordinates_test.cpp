// The rows of a coordinate list in columns: plain decimals line their
// decimal points up in every row, and anything else is laid out as a plain
// "(x, y)" element lays it out.
#include "formula/formulalayout.h"
#include "geometry/coordinates.h"
#include "settings/configuration.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TCellPlace {
    int point; // where the decimal point (or the end of a whole number) stands
    int end;   // where the cell's room ends
};

// Lays out cell index of an element showing x and y, from the cell's start.
TCellPlace Place(TCoordEditObject& element, const std::string& x, const std::string& y, int index)
{
    SetCoordinateTexts(element, x, y);
    TCellLayout layout;
    element.CellLayout(index, layout);
    const std::string& own = index == 0 ? x : y;
    const std::string whole = own.substr(0, own.find('.'));
    return {layout.gapBefore + FormulaTextWidth(whole, CurrentHeight),
            layout.gapBefore + FormulaTextWidth(own, CurrentHeight) + layout.gapAfter};
}

} // namespace

TEST(CoordinateRows, DecimalPointsOfPlainNumbersStandInOneColumn)
{
    Configuration = DefaultConfiguration;
    // Numbers within the template "00.0" fill the same room; a longer
    // fraction widens its own row only, its point still in the column.
    struct Row {
        std::string x, y;
        bool fits;
    };
    const Row rows[] = {{"1", "2.5", true}, {"0.15", "3", false}, {"-2.25", "-1.125", false},
                        {"3", "-2", true},  {"12", "0.5", true},  {"-7.5", "10", true}};
    for (int index = 0; index < 2; ++index) {
        SCOPED_TRACE(index == 0 ? "x" : "y");
        TTabbedCoordEditObject first;
        const TCellPlace expected = Place(first, rows[0].x, rows[0].y, index);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.x + ", " + row.y);
            TTabbedCoordEditObject element;
            const TCellPlace place = Place(element, row.x, row.y, index);
            EXPECT_EQ(place.point, expected.point);
            if (row.fits) {
                EXPECT_EQ(place.end, expected.end);
            }
        }
    }
}

TEST(CoordinateRows, AnythingButPlainDecimalsIsLaidOutUnaligned)
{
    Configuration = DefaultConfiguration;
    // An expression, a second point, a sign inside: the row is not aligned
    // (neither of its numbers), exactly as the plain element lays it out.
    const std::pair<std::string, std::string> rows[] = {
        {"k", "2"}, {"1.2.3", "4"}, {"3-1", "2"}, {"1", "2e3"}, {"-", "1"}};
    for (const auto& [x, y] : rows) {
        SCOPED_TRACE(x + ", " + y);
        for (int index = 0; index < 2; ++index) {
            TTabbedCoordEditObject tabbed;
            TCoordEditObject plain;
            SetCoordinateTexts(tabbed, x, y);
            SetCoordinateTexts(plain, x, y);
            TCellLayout aligned, unaligned;
            tabbed.CellLayout(index, aligned);
            plain.CellLayout(index, unaligned);
            EXPECT_EQ(aligned.gapBefore, unaligned.gapBefore);
            EXPECT_EQ(aligned.gapAfter, unaligned.gapAfter);
        }
    }
}

// Markup that once hung or crashed the program, found by fuzzing: each row is
// the input (or the rule that builds it) and what must happen instead. The
// markup comes from documents, the clipboard, the guide channel and the
// automation interface, so every row must end in a list or a read error.
#include "formula/elementdump.h"

#include "formula/editor.h"
#include "formula/markup.h"
#include "settings/mathsreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Repeat(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

// Cells nested depth deep, each opening with the next structured element.
std::string Nested(const std::string& open, const std::string& close, int depth, const std::string& core)
{
    return Repeat(open, depth) + core + Repeat(close, depth);
}

TEST(MarkupRegress, TestingNestedCellsForEmptinessTakesTimeInProportionToTheElements)
{
    // Testing a line for emptiness asked a structured element at the start
    // of a cell twice, once directly and once through the cell's anchor, so
    // each level of nesting doubled the work: 2^60 for these lines.
    struct TRow {
        const char* what;
        std::string markup;
        bool empty;
    };
    const std::vector<TRow> rows = {
        {"fractions in numerators", Nested("{/{", "}{1}", MaxCellNesting - 1, "x"), false},
        {"fractions with empty cells", Nested("{/{", "}{}", MaxCellNesting - 1, ""), true},
        {"square roots around nothing", Nested("{sqrt{", "}", MaxCellNesting - 1, ""), true},
        {"indices around a symbol", Nested("{^{", "}", MaxCellNesting - 1, "{p"), false},
        {"matrices of one cell", Nested("{Mtrx \x01\x01{", "}", MaxCellNesting - 1, ""), true},
        {"field lists", Nested(std::string("{fix \x01\x00{", 8), "}", MaxCellNesting - 1, ""), true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        TElementList list;
        ASSERT_NO_THROW(list = ElementsFromText(row.markup));
        const std::string before = elementdump::Dump(list.get());
        EXPECT_EQ(Tidy(list, tmTest), row.empty);
        // The test changes nothing.
        EXPECT_EQ(elementdump::Dump(list.get()), before);
        // The other modes walk the same nesting.
        for (const int mode : {tmPaste, tmReplace, tmFinish})
            (void)Tidy(list, mode);
    }
}

TEST(MarkupRegress, HostileNestingAndDimensionsAreReadErrors)
{
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"100000 nested fractions", Repeat("{/{", 100000)},
        {"100000 nested indices", Nested("{^{", "}", 100000, "x")},
        {"one level too deep", Nested("{sqrt{", "}", MaxCellNesting + 1, "x")},
        {"matrix of 255 by 255", std::string("{Mtrx \xFF\xFF") + Repeat("{1}", 100)},
        {"matrix with no columns", std::string("{Mtrx \x01\x00", 8) + "{1}"},
        {"field list of 255 fields", std::string("{fix \xFF\x00", 7) + Repeat("{1}", 255)},
    };
    for (const auto& [what, markup] : rows) {
        SCOPED_TRACE(what);
        EXPECT_THROW((void)ElementsFromText(markup), eReaderror);
        TMathsReader reader(markup + "\r\n");
        EXPECT_THROW((void)ReadElementLine(reader, '\r'), eReaderror);
    }
}

} // namespace

// The undo history's snapshots: what they leave out (the empty line being
// typed) and what a change of the selection alone does to the steps.
#include "document/undohistory.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TEditor> Line(const char* markup)
{
    auto line = std::make_unique<TEditor>();
    line->SetElements(ElementsFromText(markup));
    return line;
}

int Count(const std::string& text, const std::string& what)
{
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(UndoSnapshot, LeavesOutTheEmptyLineBeingTypedAndKeepsTheSelectionOnItsLine)
{
    auto first = Line("y=x");
    auto blank = Line("");
    auto second = Line("y=2x");
    auto emptyCells = Line("{/{}{}"); // a structure counts: it is kept
    const std::vector<TEquationObject*> lines{first.get(), blank.get(), second.get(), emptyCells.get()};
    const std::vector<TEquationObject*> without{first.get(), second.get(), emptyCells.get()};
    // The selection names the same line; on the blank line it names none.
    const struct {
        int selected, kept;
    } rows[] = {{0, 0}, {1, -1}, {2, 1}, {3, 2}, {-1, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.selected);
        const std::string snapshot = UndoSnapshot(lines, row.selected);
        EXPECT_EQ(snapshot, UndoSnapshot(without, row.kept));
        EXPECT_EQ(Count(snapshot, "Curve\r\n"), 3);
        EXPECT_EQ(Count(snapshot, "Curve\r\n\r\n"), 0);
        EXPECT_NE(snapshot.find("Selected curve no: " + std::to_string(row.kept)), std::string::npos);
    }
}

TEST(UndoHistory, AChangeOfTheSelectionAloneKeepsTheStepsRedoBringsBack)
{
    const auto snapshot = [](const std::string& lines, int selected) {
        return lines + "Selected curve no: " + std::to_string(selected) + "\r\n";
    };
    TUndoHistory history;
    history.Record(snapshot("", -1));
    history.Record(snapshot("Curve y=x\r\n", 0));
    history.Record(snapshot("Curve y=x\r\nCurve y=2x\r\n", 1));
    ASSERT_TRUE(history.Undo());
    // Selecting the other line: no step, the present entry takes the selection.
    EXPECT_FALSE(history.Record(snapshot("Curve y=x\r\n", -1)));
    EXPECT_EQ(history.Count(), 3);
    EXPECT_EQ(history.Index(), 1);
    EXPECT_EQ(history.Entry(1), snapshot("Curve y=x\r\n", -1));
    ASSERT_TRUE(history.CanRedo());
    EXPECT_EQ(*history.Redo(), snapshot("Curve y=x\r\nCurve y=2x\r\n", 1));
    // A real change still drops what Redo would bring back.
    ASSERT_TRUE(history.Undo());
    EXPECT_TRUE(history.Record(snapshot("Curve y=3\r\n", 0)));
    EXPECT_EQ(history.Count(), 3);
    EXPECT_FALSE(history.CanRedo());
}

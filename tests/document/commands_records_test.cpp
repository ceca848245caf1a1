// Toolbar records and whiteboard arrangements as text, and the undo history.
#include "document/undohistory.h"
#include "settings/toolbarrecord.h"

#include <gtest/gtest.h>

TEST(ToolbarRecords, WrittenRecordsReadBackAndBrokenOnesAreSkipped)
{
    const TToolbarPlace keypad{"ToolbarKeypad", "Floating", true, {47, 94, 96, 168}, true};
    EXPECT_EQ(keypad.Text(),
              "Toolbar: ToolbarKeypad\r\n\tFloating\r\n\t1\r\n\t47\r\n\t94\r\n\t96\r\n\t168\r\n\t1\r\n");
    const TToolbarPlace zoom{"ToolBarZoom", "Left", false, {0, 204, 0, 0}, false};
    const std::string broken = "Toolbar: Broken\r\n\tTop\r\n\tx\r\n";
    const auto records = ParseToolbarRecords(keypad.Text() + broken + zoom.Text());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "ToolbarKeypad");
    EXPECT_TRUE(records[0].Floating());
    EXPECT_EQ(records[0].bounds[2], 96);
    EXPECT_EQ(records[1].name, "ToolBarZoom");
    EXPECT_FALSE(records[1].visible);
    EXPECT_FALSE(records[1].Floating());
    EXPECT_EQ(records[1].bounds[1], 204);
}

TEST(ToolbarRecords, SideWordsAreFoundInAnyLetterCase)
{
    const char* docked[] = {"TOP", "bottom", "Left side", "xRightx"};
    for (const char* side : docked)
        EXPECT_FALSE((TToolbarPlace{"T", side}).Floating()) << side;
    EXPECT_TRUE((TToolbarPlace{"T", "Floating"}).Floating());
    EXPECT_TRUE((TToolbarPlace{"T", ""}).Floating());
}

TEST(WhiteboardArrangement, DefaultArrangementAndRoundTrip)
{
    const TArrangement built = DefaultWhiteboardArrangement();
    ASSERT_EQ(built.toolbars.size(), 3u);
    EXPECT_EQ(built.fontName, "Arial");
    EXPECT_EQ(built.fontSize, 26);
    EXPECT_EQ(built.backgroundColour, 16121855);
    const auto read = ParseArrangement(built.Text());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Text(), built.Text());
    // Text that lost its font and colour lines is not an arrangement.
    EXPECT_FALSE(ParseArrangement(built.toolbars[0].Text()));
    EXPECT_FALSE(ParseArrangement("rubbish"));
    EXPECT_FALSE(ParseArrangement(""));
}

namespace {
std::string Snapshot(const std::string& lines, int selected)
{
    return lines + "Selected curve no: " + std::to_string(selected) + "\r\n";
}
} // namespace

TEST(UndoHistory, FiveStepsAreKeptAndTheIndexStaysInRange)
{
    TUndoHistory history;
    for (int n = 0; n < 6; ++n)
        history.Record(Snapshot("Curve " + std::to_string(n) + "\r\n", 0));
    EXPECT_EQ(history.Count(), 5);
    EXPECT_EQ(history.Index(), 4);
    EXPECT_EQ(history.Entry(0), Snapshot("Curve 1\r\n", 0)); // the oldest was dropped
    // A selection-only change after trimming replaces the last entry, inside the list.
    EXPECT_FALSE(history.Record(Snapshot("Curve 5\r\n", 3)));
    EXPECT_EQ(history.Count(), 5);
    EXPECT_EQ(history.Entry(history.Index()), Snapshot("Curve 5\r\n", 3));
    int undone = 0;
    while (history.Undo())
        ++undone;
    EXPECT_EQ(undone, 4);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_TRUE(history.CanRedo());
}

TEST(UndoHistory, UndoRedoAndANewChangeDropsRedo)
{
    TUndoHistory history;
    history.Record(Snapshot("", -1));
    history.Record(Snapshot("Curve y=x\r\n", 0));
    history.Record(Snapshot("Curve y=x\r\nCurve y=2x\r\n", 1));
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(*history.Redo(), Snapshot("Curve y=x\r\nCurve y=2x\r\n", 1));
    ASSERT_TRUE(history.Undo());
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(history.Index(), 0);
    EXPECT_TRUE(history.Record(Snapshot("Curve y=3\r\n", 0)));
    EXPECT_EQ(history.Count(), 2);
    EXPECT_FALSE(history.CanRedo());
}

// The "Arrange scale list" dialog's work on the scales: rows for the scale in
// force and each stored scale, selecting puts a row in force, moving and
// deleting keep track of the row in force, and finishing leaves that row as
// the scales with the others rotated behind it.
#include "graph/arrangemodel.h"

#include "graph/graphparams.h"
#include "graph/scalehost.h"

#include "graphtesting.h"

#include <vector>

namespace {

class ArrangeModelTest : public GraphTest {
protected:
    TFixedScaleHost host{700, 500, GraphTestFont()};
    TGraphParams params{&host};

    // Scales with x from -n to n for n = 1 ... count; the last is in force.
    void Store(int count)
    {
        for (int n = 1; n <= count; ++n)
            ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(-n, n, -n, n), &host));
    }
    // The x maxima of the list, in order.
    [[nodiscard]] std::vector<int> List() const
    {
        std::vector<int> maxima;
        for (const auto& entry : params.History)
            maxima.push_back(static_cast<int>(entry->XMaxValue()));
        return maxima;
    }
    [[nodiscard]] int InForce() const { return static_cast<int>(params.Axes->XAxis->Max); }
};

} // namespace

TEST(ArrangeBoundText, PadsToThreeCharactersBeforeThePoint)
{
    const struct {
        long double value;
        const char* text;
    } rows[] = {{2, "  2"}, {-2.5L, " -2.5"}, {123456, "123460"}, {0.125L, "  0.125"}, {-12, "-12"}};
    for (const auto& row : rows)
        EXPECT_EQ(ArrangeBoundText(TRealReader(row.value)), row.text) << static_cast<double>(row.value);
    EXPECT_EQ(ArrangeBoundText(TRealString(Pi, "{p")), " {p");
}

TEST_F(ArrangeModelTest, RowsAreTheScaleInForceThenTheStoredOnes)
{
    Store(2); // in force 2; stored 1, default 8
    TArrangeModel model(params, &host);
    ASSERT_EQ(model.RowCount(), 3);
    EXPECT_EQ(model.AppliedIndex(), 0);
    EXPECT_EQ(model.RowTexts(0)[1], "  2");
    EXPECT_EQ(model.RowTexts(1)[1], "  1");
    EXPECT_EQ(model.RowTexts(2)[0], " -8");
    EXPECT_EQ(model.RowTexts(3)[0], ""); // no such row
}

TEST_F(ArrangeModelTest, ClosingKeepsTheSelectedRowAndRotatesTheRest)
{
    // Rows 0..3 hold 3 (in force), 2, 1 and the default 8.
    Store(3);
    {
        TArrangeModel model(params, &host);
        model.Select(2);
        EXPECT_EQ(InForce(), 1); // shown at once
        EXPECT_EQ(model.AppliedIndex(), 2);
    }
    EXPECT_EQ(InForce(), 1);
    // The rows after it, then the former scale in force and the rows before it.
    EXPECT_EQ(List(), (std::vector<int>{8, 3, 2}));
}

TEST_F(ArrangeModelTest, SelectingRowZeroAgainRestoresTheFormerState)
{
    Store(3);
    const std::vector<int> before = List();
    {
        TArrangeModel model(params, &host);
        model.Select(3);
        EXPECT_EQ(InForce(), 8);
        model.Select(0);
    }
    EXPECT_EQ(InForce(), 3);
    EXPECT_EQ(List(), before);
}

TEST_F(ArrangeModelTest, DeletingRowsKeepsTheDialogOpenUntilOneIsLeft)
{
    Store(2);
    TArrangeModel model(params, &host);
    ASSERT_EQ(model.RowCount(), 3);
    model.Select(1);
    EXPECT_TRUE(model.DeleteSelected()); // the row in force: the row above goes in force
    EXPECT_EQ(model.RowCount(), 2);
    EXPECT_EQ(model.AppliedIndex(), 0);
    EXPECT_EQ(InForce(), 2);
    EXPECT_FALSE(model.DeleteSelected()); // one row left: the dialog closes
    EXPECT_EQ(model.RowCount(), 1);
    EXPECT_EQ(InForce(), 8);
    model.Finish();
    EXPECT_TRUE(params.History.empty());
    EXPECT_EQ(InForce(), 8);
}

TEST_F(ArrangeModelTest, TheScaleInForceIsACopySoDeletingItsRowFreesNothingTwice)
{
    // Row 0 stands for the scale in force. Were it the scale object itself,
    // deleting the row would free the scales the axes still hold.
    Store(2);
    const TRescaleDataTransfer* scales = params.Axes->Scales.get();
    TArrangeModel model(params, &host);
    EXPECT_NE(params.History.front().get(), scales);
    EXPECT_TRUE(model.DeleteSelected());
    EXPECT_EQ(InForce(), 1); // the next row went in force
    model.Finish();
    EXPECT_EQ(List(), (std::vector<int>{8}));
    EXPECT_EQ(InForce(), 1);
}

TEST_F(ArrangeModelTest, AMovedRowStaysSelectedAndTheRowInForceIsFollowed)
{
    Store(3); // rows: 3 (in force), 2, 1, 8
    {
        TArrangeModel model(params, &host);
        model.Select(1); // 2 in force
        EXPECT_TRUE(model.MoveSelected(3));
        EXPECT_EQ(model.Selected(), 3);
        EXPECT_EQ(model.AppliedIndex(), 3);  // the moved row is the one in force
        model.Select(0);                     // 3 in force
        EXPECT_TRUE(model.MoveSelected(99)); // below the last row: to the end
        EXPECT_EQ(model.AppliedIndex(), 3);
        EXPECT_FALSE(model.MoveSelected(3)); // onto itself
        // Rows now 1, 8, 2, 3. Moving another row over the one in force does not lose it.
        model.Select(3);
        model.Select(0);
        ASSERT_EQ(InForce(), 1);
        EXPECT_TRUE(model.MoveSelected(2));
        EXPECT_EQ(model.AppliedIndex(), 2);
        EXPECT_EQ(InForce(), 1);
    }
    // Rows were 8, 2, 1, 3 with 1 in force: closing keeps 1 and rotates.
    EXPECT_EQ(InForce(), 1);
    EXPECT_EQ(List(), (std::vector<int>{3, 8, 2}));
}

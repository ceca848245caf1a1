// Formula layout: measures of tabs, fractions, indices, square roots and
// lines checked against numbers worked out from the layout rules, and the
// painted bars checked pixel by pixel at device pixel ratios 1 and 2.
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "settings/configuration.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Lays out lines at H = 16 (S = 12, fraction gap G = 4) and puts the
// previous height back afterwards.
class FormulaLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = SetFormulaHeight(16);
        FormulaReferenceHeight = 16;
    }
    void TearDown() override { SetFormulaHeight(previous_); }

    static std::unique_ptr<TEditor> Line(std::string_view markup)
    {
        auto line = std::make_unique<TEditor>();
        line->SetElements(ElementsFromText(markup));
        MeasureLine(*line);
        return line;
    }
    // The first element after the anchor.
    template <class T> static T* First(TEditor& line) { return dynamic_cast<T*>(line.Elements()->next); }

    static int W(std::string_view text, int height) { return FormulaTextWidth(text, height); }
    static int T(int height) { return FormulaTextHeight(height); }

private:
    int previous_ = 16;
};

TEST_F(FormulaLayout, TabsEndOnStopsOfOneMAndAreAtLeastOneMWide)
{
    const int m = TabUnit();
    ASSERT_GT(m, 4);
    // The stops of the worked example (M = 10: 0 -> 20, 5 -> 20, 12 -> 30) in units of M.
    const struct {
        int x, end;
    } rows[] = {{0, 2 * m}, {m / 2, 2 * m}, {m + 2, 3 * m}, {2 * m - 1, 3 * m}, {2 * m, 4 * m}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.x);
        EXPECT_EQ(TabEnd(row.x), row.end);
        EXPECT_GE(TabEnd(row.x) - row.x, m);
    }
    // In a line the tab starts where the text before it ends.
    auto line = Line("ab\tc");
    auto* tab = line->Elements()->next->next;
    EXPECT_EQ(tab->layoutX, W("ab", 16));
    EXPECT_EQ(tab->layoutX + tab->layoutWidth, TabEnd(W("ab", 16)));
}

TEST_F(FormulaLayout, FractionsCentreTheNarrowerCellAndStackAroundHalfTheSmallHeight)
{
    const int g = 4;
    const int s = 12;
    const struct {
        const char* markup;
        int numerator, denominator; // widths of the cells, the empty box counted
        int below;                  // height of the denominator: S when empty
    } rows[] = {
        {"{/{11}{1}", W("11", s), W("1", s), T(s)},
        {"{/{1}{1234}", W("1", s), W("1234", s), T(s)},
        {"{/{123}{}", W("123", s), EmptyCellWidth, s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.markup);
        auto line = Line(row.markup);
        auto* fraction = First<TFractionObject>(*line);
        ASSERT_TRUE(fraction);
        const int widest = std::max(row.numerator, row.denominator);
        EXPECT_EQ(fraction->layoutWidth, g + widest + g);
        EXPECT_EQ(fraction->CellRecord(0).dx, g + (widest - row.numerator) / 2);
        EXPECT_EQ(fraction->CellRecord(1).dx, g + (widest - row.denominator) / 2);
        // The numerator ends S/2 below the text row's top, the denominator starts there.
        EXPECT_EQ(fraction->CellRecord(0).dy, s / 2 - T(s));
        EXPECT_EQ(fraction->CellRecord(1).dy, s / 2);
        EXPECT_EQ(line->raise, T(s) - s / 2);
        EXPECT_EQ(line->height, std::max(16 + line->raise, T(s) + row.below));
        EXPECT_EQ(line->width, fraction->layoutWidth);
    }
}

TEST_F(FormulaLayout, IndicesRiseAQuarterOfTheirHeightAndNestedOnesKeepTheSmallHeight)
{
    auto line = Line("x{^{2{^{3}}");
    auto* index = dynamic_cast<TSuperscriptEditObject*>(line->Elements()->next->next);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->layoutX, W("x", 16));
    EXPECT_EQ(index->CellRecord(0).fontHeight, 12);
    auto* inner = dynamic_cast<TSuperscriptEditObject*>(index->Cell(0)->next->next);
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->CellRecord(0).fontHeight, 12);
    // 3S/4 + raise - height, with the index's own raise from its inner index.
    const int innerRise = 9 - T(12);
    EXPECT_EQ(inner->CellRecord(0).dy, innerRise);
    EXPECT_EQ(index->CellRecord(0).raise, -innerRise);
    EXPECT_EQ(index->CellRecord(0).dy, 9 + (-innerRise) - index->CellRecord(0).height);
    EXPECT_EQ(line->raise, -index->CellRecord(0).dy + index->CellRecord(0).raise);
}

TEST_F(FormulaLayout, SquareRootsLeaveRoomForTheRadicalSign)
{
    auto line = Line("{sqrt{1}");
    auto* root = First<TSquareRootEditObject>(*line);
    ASSERT_TRUE(root);
    const int h = T(16);
    EXPECT_EQ(root->CellRecord(0).height, h);
    EXPECT_EQ(root->CellRecord(0).dx, h / 2);
    EXPECT_EQ(root->layoutWidth, h / 2 + W("1", 16) + h / 4);
    EXPECT_EQ(line->raise, h / 5);
    EXPECT_EQ(line->height, h + h / 5);
}

TEST_F(FormulaLayout, DerivedLinesSitLevelWithTheirParents)
{
    auto parent = Line("{/{1}{2}");
    TEditor child;
    child.SetElements(ElementsFromText("y=1"));
    child.SetParent(parent.get());
    MeasureLine(child);
    EXPECT_EQ(child.raise, parent->raise);
    EXPECT_EQ(child.height, T(16) + parent->raise);
}

TEST_F(FormulaLayout, MatricesWithAnyNumberOfRowsStackInsideTheLine)
{
    for (int rows = 1; rows <= 4; ++rows) {
        SCOPED_TRACE(rows);
        std::string markup = "{Mtrx ";
        markup += static_cast<char>(rows);
        markup += '\x01';
        for (int r = 0; r < rows; ++r)
            markup += "{y}";
        auto line = Line(markup);
        auto* matrix = First<TMatrixEditObject>(*line);
        ASSERT_TRUE(matrix);
        // Every row lies inside the line's height and follows the one above.
        for (int r = 0; r < rows; ++r) {
            const TSubList& cell = matrix->CellRecord(r);
            EXPECT_GE(line->raise + cell.dy - cell.raise, 0);
            EXPECT_LE(line->raise + cell.dy - cell.raise + cell.height, line->height);
            if (r > 0) {
                EXPECT_EQ(cell.dy, matrix->CellRecord(r - 1).dy + matrix->CellRecord(r - 1).height);
            }
        }
    }
}

TEST_F(FormulaLayout, FractionBarsAreCrispAtDevicePixelRatiosOneAndTwo)
{
    auto line = Line("{/{123}{}");
    auto* fraction = First<TFractionObject>(*line);
    for (int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        QImage image((line->leftMargin + line->width) * ratio, line->height * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            Canvas canvas(&image);
            canvas.MoveTo(0, 0);
            PaintLine(canvas, *line);
        }
        // The bar: from 2 pixels after the element's start to 2 before its end,
        // half the line height below the text row's top, one logical pixel thick.
        const int x0 = line->leftMargin + 2;
        const int x1 = line->leftMargin + fraction->layoutWidth - 2;
        const int y = line->raise + 8;
        for (int dy = 0; dy < ratio; ++dy) {
            for (int x = x0 * ratio; x < x1 * ratio; ++x)
                ASSERT_EQ(image.pixel(x, y * ratio + dy), qRgb(0, 0, 0)) << x;
            EXPECT_EQ(image.pixel(x0 * ratio - 1, y * ratio + dy), qRgb(255, 255, 255));
            EXPECT_EQ(image.pixel(x1 * ratio, y * ratio + dy), qRgb(255, 255, 255));
        }
        EXPECT_EQ(image.pixel((x0 + 1) * ratio, (y + 1) * ratio), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel((x0 + 1) * ratio, y * ratio - 1), qRgb(255, 255, 255));
    }
}

TEST(DisplayColour, BlendsWithColouredBackgroundsAndGoesMonochromeWhenPrinting)
{
    const TColour savedBackground = BackgroundColour;
    const std::uint8_t savedOption = PrintColourOption;
    QImage image(4, 4, QImage::Format_RGB32);
    Canvas canvas(&image);
    const struct {
        TColour background;
        bool printing;
        int option;
        TColour colour, shown;
    } rows[] = {
        {clWhite, false, 0, RgbColour(10, 20, 30), RgbColour(10, 20, 30)},
        {RgbColour(0, 0, 0), false, 0, RgbColour(0, 255, 51), RgbColour(255, 0, 204)},
        {RgbColour(200, 200, 200), false, 0, RgbColour(255, 0, 51), RgbColour(200, 0, 40)},
        {RgbColour(200, 200, 200), false, 0, RgbColour(200, 200, 200), RgbColour(200, 200, 200)},
        {RgbColour(100, 0, 200), false, 0, RgbColour(0, 255, 255), RgbColour(255, 0, 200)},
        {clWhite, true, 2, RgbColour(255, 0, 0), clBlack},
        {clWhite, true, 1, RgbColour(100, 100, 100), RgbColour(100, 100, 100)},
        {clWhite, true, 1, RgbColour(255, 0, 1), RgbColour(85, 85, 85)}, // the channels' mean
        {clWhite, false, 2, RgbColour(255, 0, 0), RgbColour(255, 0, 0)},
    };
    for (const auto& row : rows) {
        BackgroundColour = row.background;
        PrintColourOption = static_cast<std::uint8_t>(row.option);
        canvas.SetPrinting(row.printing);
        EXPECT_EQ(DisplayColour(canvas, row.colour), row.shown) << std::hex << row.colour;
    }
    BackgroundColour = savedBackground;
    PrintColourOption = savedOption;
}

} // namespace

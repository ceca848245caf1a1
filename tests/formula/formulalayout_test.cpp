// Formula layout: measures of tabs, fractions, indices, square roots and
// lines checked against numbers worked out from the layout rules, and the
// painted bars checked pixel by pixel at device pixel ratios 1 and 2.
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "settings/configuration.h"

#include <QFontInfo>
#include <QFontMetrics>
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
        // The worked numbers below are those of this font.
        ASSERT_EQ(QFontInfo(FormulaFont(16)).family(), "DejaVu Sans");
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

TEST_F(FormulaLayout, FractionsCentreTheNarrowerCellAndStackTheirCellsAroundTheBar)
{
    const int g = 4;
    const int s = 12;
    const struct {
        const char* markup;
        int numerator, denominator; // widths of the cells, the empty box counted
    } rows[] = {
        {"{/{11}{1}", W("11", s), W("1", s)},
        {"{/{1}{1234}", W("1", s), W("1234", s)},
        {"{/{123}{}", W("123", s), EmptyCellWidth},
    };
    // DejaVu Sans at 16 pixels: ascent 15, the middle of "=" 5.0 above the
    // baseline, so the one-pixel bar lies on row 9 of the text row.
    const int bar = 9;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.markup);
        auto line = Line(row.markup);
        auto* fraction = First<TFractionObject>(*line);
        ASSERT_TRUE(fraction);
        const int widest = std::max(row.numerator, row.denominator);
        EXPECT_EQ(fraction->layoutWidth, g + widest + g);
        EXPECT_EQ(fraction->CellRecord(0).dx, g + (widest - row.numerator) / 2);
        EXPECT_EQ(fraction->CellRecord(1).dx, g + (widest - row.denominator) / 2);
        // The numerator's row, descenders and all, ends a pixel above the bar;
        // the denominator's figures, brackets and tall letters start a pixel
        // below it: at 12 pixels they reach 9.2 above the baseline (10 whole
        // pixels), the ascent is 11, so the row starts 1 pixel higher.
        const TSubList& numerator = fraction->CellRecord(0);
        const TSubList& denominator = fraction->CellRecord(1);
        EXPECT_EQ(numerator.dy + numerator.height, bar - 1);
        EXPECT_EQ(denominator.dy, bar + 2 - 1);
        // The line holds both cells.
        EXPECT_EQ(line->raise, -numerator.dy);
        EXPECT_GE(line->height, line->raise + denominator.dy + denominator.height);
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
    // A one-row index starts S/4 = 3 pixels above the text row; the outer
    // index holds the inner one's 3 pixels above its row and rises no further,
    // since nothing of it hangs below its row.
    EXPECT_EQ(inner->CellRecord(0).dy, -3);
    EXPECT_EQ(index->CellRecord(0).raise, 3);
    EXPECT_EQ(index->CellRecord(0).height, T(12) + 3);
    EXPECT_EQ(index->CellRecord(0).dy, -3);
    EXPECT_EQ(line->raise, 6);
    EXPECT_EQ(line->height, T(16) + 6);
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
        // on row 9 of the text row (the middle of "=" in DejaVu Sans at 16
        // pixels), one logical pixel thick.
        const int x0 = line->leftMargin + 2;
        const int x1 = line->leftMargin + fraction->layoutWidth - 2;
        const int y = line->raise + 9;
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

namespace {

// A line laid out and painted in a family at a height and a device pixel
// ratio, with what the tests below read off it.
struct TPaintedLine {
    std::unique_ptr<TEditor> line;
    QImage image; // the line's rectangle and 12 pixels below it, white underneath
    int ratio = 1;
    // Ink: a pixel clearly darker than the white background.
    [[nodiscard]] bool Ink(int x, int y) const { return qGray(image.pixel(x, y)) < 160; }
};

TPaintedLine PaintIn(const char* family, int height, int ratio, std::string_view markup)
{
    TPaintedLine painted;
    const std::string savedFamily = FormulaFontName;
    FormulaFontName = family;
    const int savedHeight = SetFormulaHeight(height);
    painted.ratio = ratio;
    painted.line = std::make_unique<TEditor>();
    painted.line->SetElements(ElementsFromText(markup));
    MeasureLine(*painted.line);
    const TEditor& line = *painted.line;
    painted.image =
        QImage((line.leftMargin + line.width + 4) * ratio, (line.height + 12) * ratio, QImage::Format_RGB32);
    painted.image.setDevicePixelRatio(ratio);
    painted.image.fill(Qt::white);
    {
        Canvas canvas(&painted.image);
        canvas.MoveTo(0, 0);
        PaintLine(canvas, *painted.line);
    }
    SetFormulaHeight(savedHeight);
    FormulaFontName = savedFamily;
    return painted;
}

// The family the documents of many users name, and the one the program ships with.
constexpr const char* Families[] = {"Arial", "DejaVu Sans"};

} // namespace

TEST(FormulaLayoutInAnyFont, IndicesStandAboutFourTenthsOfAnEmAboveTheirBase)
{
    for (const char* family : Families)
        for (int h : {13, 16, 20, 26}) {
            SCOPED_TRACE(std::string(family) + " " + std::to_string(h));
            const std::string savedFamily = FormulaFontName;
            FormulaFontName = family;
            const int savedHeight = SetFormulaHeight(h);
            TEditor line;
            line.SetElements(ElementsFromText("x{^{2}"));
            MeasureLine(line);
            auto* index = dynamic_cast<TSuperscriptEditObject*>(line.Elements()->next->next);
            ASSERT_TRUE(index);
            const int s = SmallHeight();
            // Baselines, each a font's ascent below the top of its row.
            const QFontMetrics base(FormulaFont(h));
            const QFontMetrics small(FormulaFont(s));
            const int rise = base.ascent() - (index->CellRecord(0).dy + small.ascent());
            EXPECT_GE(rise, 0.35 * h);
            EXPECT_LE(rise, 0.47 * h);
            SetFormulaHeight(savedHeight);
            FormulaFontName = savedFamily;
        }
}

TEST(FormulaLayoutInAnyFont, FractionBarsLeaveClearSpaceAboveAndBelow)
{
    for (const char* family : Families)
        for (int h : {13, 16, 26})
            for (int ratio : {1, 2})
                for (const char* markup : {"y={/{1}{2}", "{/{13}{24}", "{/{gy}{(p)}", "{/{x{^{2}}{x-1}"}) {
                    SCOPED_TRACE(std::string(family) + " " + std::to_string(h) + " x" +
                                 std::to_string(ratio) + " " + markup);
                    const TPaintedLine painted = PaintIn(family, h, ratio, markup);
                    const TEditor& line = *painted.line;
                    const auto* fraction = dynamic_cast<const TFractionObject*>(LastElement(line.Elements()));
                    ASSERT_TRUE(fraction);
                    // The bar: the device rows black from 2 pixels after the
                    // fraction's start to 2 before its end.
                    const int x0 = (line.leftMargin + fraction->layoutX + 2) * ratio;
                    const int x1 = (line.leftMargin + fraction->layoutX + fraction->layoutWidth - 2) * ratio;
                    std::vector<int> bar;
                    for (int y = 0; y < painted.image.height(); ++y) {
                        bool full = true;
                        for (int x = x0; x < x1 && full; ++x)
                            full = painted.Ink(x, y);
                        if (full)
                            bar.push_back(y);
                    }
                    ASSERT_FALSE(bar.empty());
                    ASSERT_EQ(bar.back() - bar.front() + 1, static_cast<int>(bar.size())) << "one bar";
                    // A logical pixel above and below the bar holds no ink.
                    for (int y : {bar.front() - ratio, bar.back() + 1})
                        for (int dy = 0; dy < ratio; ++dy)
                            for (int x = x0; x < x1; ++x)
                                ASSERT_FALSE(painted.Ink(x, y + dy)) << "ink at " << x << ", " << y + dy;
                    // Both cells have ink, above and below the bar.
                    bool above = false, below = false;
                    for (int x = x0; x < x1; ++x) {
                        for (int y = 0; y < bar.front(); ++y)
                            above = above || painted.Ink(x, y);
                        for (int y = bar.back() + 1; y < painted.image.height(); ++y)
                            below = below || painted.Ink(x, y);
                    }
                    EXPECT_TRUE(above);
                    EXPECT_TRUE(below);
                }
}

TEST(FormulaLayoutInAnyFont, EveryGlyphStaysInsideItsLine)
{
    for (const char* family : Families)
        for (int h : {13, 16, 26})
            for (int ratio : {1, 2})
                for (const char* markup : {"gjpqy", "y=x{^{g}", "{/{gy}{jp}", "{sqrt{gy}", "g{^{{/{1}{q}}",
                                           "{Mtrx \x02\x01{gy}{jp}"}) {
                    SCOPED_TRACE(std::string(family) + " " + std::to_string(h) + " x" +
                                 std::to_string(ratio) + " " + markup);
                    const TPaintedLine painted = PaintIn(family, h, ratio, markup);
                    // Nothing is painted in the 12 pixels below the line: the next
                    // line's background would cut it off.
                    for (int y = painted.line->height * ratio; y < painted.image.height(); ++y)
                        for (int x = 0; x < painted.image.width(); ++x)
                            ASSERT_FALSE(painted.Ink(x, y)) << "ink at " << x << ", " << y;
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

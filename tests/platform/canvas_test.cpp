// The drawing layer as the drawing code relies on it: pixels where the
// coordinates put them, the pen moving on after lines and text, colour values
// of both forms, the Symbol stand-in, clipping, XOR and alpha shading,
// hairlines that stay one device pixel wide at device pixel ratio 2, and a
// drawing scaled onto a page keeping its lines and millimetres.
#include "platform/canvas.h"
#include "platform/codepage.h"
#include "platform/colour.h"
#include "platform/symbolfont.h"
#include "testfonts.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage WhiteImage(int width, int height, qreal ratio = 1)
{
    QImage image(static_cast<int>(width * ratio), static_cast<int>(height * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    return image;
}

bool IsDark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

QFont TestFont()
{
    return DejaVuSans(14);
}

} // namespace

TEST(CanvasLines, LineToLeavesOutTheEndPixelAndMovesThePen)
{
    QImage image = WhiteImage(40, 20);
    {
        Canvas canvas(&image);
        canvas.MoveTo(2, 5);
        canvas.LineTo(10, 5);
        EXPECT_EQ(canvas.PenPos(), QPoint(10, 5));
        canvas.LineTo(10, 12); // continues from the pen
    }
    for (int x = 2; x < 10; ++x)
        EXPECT_TRUE(IsDark(image, x, 5)) << x;
    EXPECT_FALSE(IsDark(image, 1, 5));
    EXPECT_TRUE(IsDark(image, 10, 6)); // the second segment starts at the first's end
    EXPECT_FALSE(IsDark(image, 10, 12));
    EXPECT_FALSE(IsDark(image, 5, 4));
    EXPECT_FALSE(IsDark(image, 5, 6));
}

TEST(CanvasLines, HairlinesStayOneDevicePixelWideAtRatioTwo)
{
    QImage image = WhiteImage(40, 30, 2);
    {
        Canvas canvas(&image);
        EXPECT_EQ(canvas.Width(), 40);
        EXPECT_EQ(canvas.Height(), 30);
        canvas.MoveTo(0, 10);
        canvas.LineTo(40, 10);
        canvas.MoveTo(25, 0);
        canvas.LineTo(25, 30);
    }
    // Logical row 10 is device row 20, exactly one row, not smeared over two.
    EXPECT_TRUE(IsDark(image, 8, 20));
    EXPECT_FALSE(IsDark(image, 8, 19));
    EXPECT_FALSE(IsDark(image, 8, 21));
    EXPECT_TRUE(IsDark(image, 50, 40));
    EXPECT_FALSE(IsDark(image, 49, 40));
    EXPECT_FALSE(IsDark(image, 51, 40));
}

TEST(CanvasLines, HairlinesAndMillimetresScaleWithADrawingScaledUpOntoAPage)
{
    QImage image = WhiteImage(160, 120);
    const int deviceMillimetres = Canvas(&image).MillimetresToPixelsY(20);
    {
        QPainter painter(&image);
        painter.scale(4, 4); // as a window's drawing fills a printed page
        Canvas canvas(&painter);
        canvas.MoveTo(2, 10);
        canvas.LineTo(38, 10);
        // A tick of so many millimetres is as long on the page as unscaled.
        EXPECT_NEAR(canvas.MillimetresToPixelsY(20) * 4, deviceMillimetres, 4);
    }
    int dark = 0;
    for (int y = 30; y < 50; ++y)
        dark += IsDark(image, 80, y) ? 1 : 0;
    EXPECT_EQ(dark, 4); // one window pixel, not one device pixel
}

TEST(CanvasLines, WidePensScaleWithTheDevice)
{
    QImage image = WhiteImage(40, 30, 2);
    {
        Canvas canvas(&image);
        canvas.SetPenWidth(3);
        canvas.MoveTo(5, 10);
        canvas.LineTo(35, 10);
    }
    int dark = 0;
    for (int y = 10; y < 30; ++y)
        dark += IsDark(image, 40, y) ? 1 : 0;
    EXPECT_EQ(dark, 6); // three logical pixels
}

TEST(CanvasShapes, RectangleAndFillLeaveOutRightAndBottom)
{
    QImage image = WhiteImage(30, 30);
    {
        Canvas canvas(&image);
        canvas.SetBrush({RgbColour(255, 0, 0), TBrushStyle::Solid});
        canvas.Rectangle(5, 5, 15, 12);
        canvas.FillRect(QRect(20, 20, 4, 3));
    }
    EXPECT_TRUE(IsDark(image, 5, 5));
    EXPECT_TRUE(IsDark(image, 14, 11));  // the outline's last column and row
    EXPECT_FALSE(IsDark(image, 15, 8));  // right edge excluded
    EXPECT_FALSE(IsDark(image, 10, 12)); // bottom edge excluded
    EXPECT_EQ(QColor(image.pixel(10, 8)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(23, 22)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(24, 22)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(23, 23)), QColor(Qt::white));
}

TEST(CanvasText, TextOutDrawsBelowThePointAndMovesThePenOn)
{
    QImage image = WhiteImage(120, 40);
    int width = 0;
    int height = 0;
    {
        Canvas canvas(&image);
        canvas.SetFont(TestFont());
        canvas.SetBrushStyle(TBrushStyle::Clear);
        width = canvas.TextWidth(std::string_view("E1"));
        height = canvas.TextHeight();
        canvas.TextOut(10, 8, std::string_view("E1"));
        EXPECT_EQ(canvas.PenPos(), QPoint(10 + width, 8));
        canvas.TextAtPen(std::string_view("E"));
        EXPECT_EQ(canvas.PenPos().x(), 10 + width + canvas.TextWidth(std::string_view("E")));
    }
    int top = 99, bottom = -1, left = 999;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (IsDark(image, x, y)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
            }
    EXPECT_GE(top, 8);
    EXPECT_LT(bottom, 8 + height);
    EXPECT_GE(left, 10);
    EXPECT_LE(left, 12);
}

TEST(CanvasText, OpaqueBrushGivesTextABackground)
{
    QImage image = WhiteImage(60, 30);
    image.fill(Qt::black);
    {
        Canvas canvas(&image);
        canvas.SetFont(TestFont());
        canvas.SetFontColour(clBlack);
        canvas.SetBrush({clWhite, TBrushStyle::Solid});
        canvas.TextOut(5, 5, std::string_view("-"));
        canvas.SetBrushStyle(TBrushStyle::Clear);
        canvas.TextOut(35, 5, std::string_view("-"));
    }
    EXPECT_EQ(QColor(image.pixel(6, 6)), QColor(Qt::white));  // the background box
    EXPECT_EQ(QColor(image.pixel(36, 6)), QColor(Qt::black)); // transparent
}

TEST(CanvasText, SymbolFontShowsSymbolCodePoints)
{
    QImage image = WhiteImage(10, 10);
    Canvas canvas(&image);
    canvas.SetSymbolFont(TestFont());
    EXPECT_EQ(canvas.DisplayText("p\xB1q"), QString::fromUtf8("π±θ"));
    canvas.SetFont(TestFont());
    EXPECT_EQ(canvas.DisplayText("p\xB1"), QString::fromUtf8("p±"));
}

TEST(SymbolFont, CodePointsMapToUnicode)
{
    struct Row {
        unsigned char code;
        char16_t unicode;
    };
    const Row rows[] = {
        {'p', u'π'}, {'q', u'θ'},  {0xB1, u'±'}, {0xB4, u'×'}, {0xA3, u'≤'}, {0xB3, u'≥'},
        {'<', u'<'}, {'>', u'>'},  {'S', u'Σ'},  {'m', u'μ'},  {'s', u'σ'},  {0xB0, u'°'},
        {'D', u'Δ'}, {0xD6, u'√'}, {0xA5, u'∞'}, {'2', u'2'},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SymbolToUnicode(row.code), row.unicode) << int(row.code);
        EXPECT_EQ(UnicodeToSymbol(row.unicode), row.code) << int(row.code);
    }
    EXPECT_EQ(UnicodeToSymbol(u'€' + 1), 0);
}

TEST(CodePage, TextCrossesToUnicodeAndBack)
{
    const std::string text = "a\x80\xE9\x96z";
    const QString unicode = AnsiToQString(text);
    EXPECT_EQ(unicode, QString::fromUtf8("a€é–z"));
    EXPECT_EQ(QStringToAnsi(unicode), text);
    EXPECT_EQ(QStringToAnsi(QString::fromUtf8("π")), "?");
}

TEST(Colours, ValuesOfBothFormsResolve)
{
    struct Row {
        TColour value;
        QColor expected;
    };
    const Row rows[] = {
        {RgbColour(10, 20, 30), QColor(10, 20, 30)},
        {0x0000FF, QColor(255, 0, 0)}, // red in the low byte
        {PaletteIndex(0), QColor(0, 0, 0)},
        {PaletteIndex(7), QColor(192, 192, 192)},
        {PaletteIndex(13), QColor(255, 0, 0)},
        {PaletteIndex(16), QColor(0, 0, 255)},
        {PaletteIndex(12), QColor(128, 128, 128)},
        {PaletteIndex(99), QColor(0, 0, 0)},
        {PaletteRgbFlag | RgbColour(1, 2, 3), QColor(1, 2, 3)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ToQColor(row.value), row.expected) << std::hex << row.value;
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RgbColour(1, 2, 3));
}

TEST(CanvasModes, XorTwiceRestoresThePicture)
{
    QImage image = WhiteImage(20, 20);
    {
        Canvas canvas(&image);
        canvas.SetPen({clWhite, 1, TPenStyle::Solid, TPenMode::Xor});
        canvas.MoveTo(2, 10);
        canvas.LineTo(18, 10);
    }
    EXPECT_TRUE(IsDark(image, 5, 10)); // white xor white is black
    {
        Canvas canvas(&image);
        canvas.SetPen({clWhite, 1, TPenStyle::Solid, TPenMode::Xor});
        canvas.MoveTo(2, 10);
        canvas.LineTo(18, 10);
    }
    EXPECT_FALSE(IsDark(image, 5, 10));
}

TEST(CanvasClipping, ExcludedAndIntersectedAreasStayUntouched)
{
    QImage image = WhiteImage(40, 20);
    {
        Canvas canvas(&image);
        canvas.SetBrush({clBlack, TBrushStyle::Solid});
        canvas.ExcludeClipRect(QRect(10, 0, 5, 20));
        EXPECT_TRUE(canvas.HasClip());
        canvas.FillRect(QRect(0, 0, 40, 20));
        canvas.ClearClip();
        EXPECT_EQ(canvas.ClipBox(), QRect(0, 0, 40, 20));
        canvas.SetClipRect(QRect(30, 5, 5, 5));
        EXPECT_EQ(canvas.ClipBox(), QRect(30, 5, 5, 5));
    }
    EXPECT_TRUE(IsDark(image, 9, 10));
    EXPECT_FALSE(IsDark(image, 12, 10));
    EXPECT_TRUE(IsDark(image, 15, 10));
}

TEST(CanvasAlpha, OneLayerBlendsOverlapsOnce)
{
    QImage image = WhiteImage(40, 20);
    {
        Canvas canvas(&image);
        canvas.SetPenStyle(TPenStyle::Clear);
        canvas.SetBrush({RgbColour(0, 0, 255), TBrushStyle::Solid});
        canvas.BeginAlphaLayer(128);
        EXPECT_TRUE(canvas.InAlphaLayer());
        const QPoint a[] = {{0, 0}, {25, 0}, {25, 20}, {0, 20}};
        const QPoint b[] = {{15, 0}, {40, 0}, {40, 20}, {15, 20}};
        canvas.Polygon(a);
        canvas.Polygon(b);
        canvas.EndAlphaLayer();
    }
    const QColor single(image.pixel(5, 10));
    const QColor overlap(image.pixel(20, 10));
    EXPECT_EQ(single, overlap);
    EXPECT_NEAR(single.red(), 127, 2);
    EXPECT_EQ(single.blue(), 255);
}

TEST(CanvasPainter, ABorrowedPainterGetsItsStateBack)
{
    QImage image = WhiteImage(20, 20);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::red, 5));
    {
        Canvas canvas(&painter);
        canvas.SetPen({clBlack, 1, TPenStyle::Dash, TPenMode::Copy});
        canvas.MoveTo(0, 0);
        canvas.LineTo(10, 0);
    }
    EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
    EXPECT_EQ(painter.pen().width(), 5);
    painter.end();
    EXPECT_TRUE(IsDark(image, 0, 0));
}

TEST(CanvasShapes, ArcsRunCounterClockwiseFromStartToEnd)
{
    QImage image = WhiteImage(40, 40);
    {
        Canvas canvas(&image);
        // The upper half of a circle: from the ray to the right round to the left.
        canvas.Arc(0, 0, 41, 41, 40, 20, 0, 20);
    }
    EXPECT_TRUE(IsDark(image, 20, 0));
    EXPECT_FALSE(IsDark(image, 20, 39));
}

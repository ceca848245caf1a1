// Pictures of the axes as the user sees them: the axis lines, ticks, grid
// lines, polar grid, graph paper and labels must sit where the value-to-pixel
// mapping puts them, at more than one scale, and stay crisp on a device with
// device pixel ratio 2.
#include "graph/graphparams.h"
#include "graph/rescaledatatransfer.h"

#include "platform/canvas.h"

#include "graphtesting.h"
#include "testpictures.h"

#include <QFontMetrics>
#include <QImage>

#include <cmath>
#include <utility>

namespace {

bool IsWhite(QRgb p)
{
    return qRed(p) > 245 && qGreen(p) > 245 && qBlue(p) > 245;
}
bool IsBlack(QRgb p)
{
    return qGray(p) < 64;
}
bool IsGrey(QRgb p)
{
    return QColor(p) == QColor(192, 192, 192);
}

// The bounding box of dark pixels (label ink) inside a rectangle.
QRect InkBox(const QImage& image, const QRect& area)
{
    QRect box;
    for (int y = std::max(area.top(), 0); y <= std::min(area.bottom(), image.height() - 1); ++y)
        for (int x = std::max(area.left(), 0); x <= std::min(area.right(), image.width() - 1); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

class AxesDrawTest : public GraphTest {
protected:
    QImage image{700, 500, QImage::Format_RGB32};
    TFixedScaleHost host{700, 500, GraphTestFont(), &image};

    void Render(const TGraphParams& params)
    {
        image.fill(Qt::white);
        Canvas canvas(&image);
        params.Axes->Draw(canvas, QRect(0, 0, 700, 500));
    }
    [[nodiscard]] int Column(const TGraphParams& params, Extended x) const
    {
        return params.Axes->XAxis->ValueToPixel(x);
    }
    [[nodiscard]] int Row(const TGraphParams& params, Extended y) const
    {
        return params.Axes->YAxis->ValueToPixel(y);
    }
    // Axis lines, grid lines on every minor tick, clear space between.
    void ExpectCartesianPicture(const TGraphParams& params)
    {
        const TAxis& x = *params.Axes->XAxis;
        const TAxis& y = *params.Axes->YAxis;
        const int axisRow = y.CrossPixel;
        const int axisColumn = x.CrossPixel;
        // The x axis, one pixel high, away from the y labels by the y axis.
        for (int c = 0; c < 700; c += 7) {
            if (std::abs(c - axisColumn) < 60)
                continue;
            EXPECT_TRUE(IsBlack(image.pixel(c, axisRow))) << c;
            EXPECT_FALSE(IsBlack(image.pixel(c, axisRow - 1))) << c;
            EXPECT_FALSE(IsBlack(image.pixel(c, axisRow + 1))) << c;
        }
        for (int r = 0; r < 500; r += 5) {
            if (std::abs(r - axisRow) < 30)
                continue;
            EXPECT_TRUE(IsBlack(image.pixel(axisColumn, r))) << r;
            EXPECT_FALSE(IsBlack(image.pixel(axisColumn + 1, r))) << r;
        }
        // A row and a column between the horizontal and vertical grid lines.
        const int clearRow = y.ValueToPixel(y.Min + 1.5L * y.MinorStep());
        const int clearColumn = x.ValueToPixel(x.Min + 1.5L * x.MinorStep());
        for (Extended v = std::ceil(x.Min / x.MinorStep()) * x.MinorStep(); v < x.Max; v += x.MinorStep()) {
            const int c = x.ValueToPixel(v);
            if (c == axisColumn || c <= 0 || c >= 699)
                continue;
            EXPECT_TRUE(IsGrey(image.pixel(c, clearRow))) << static_cast<double>(v);
            EXPECT_TRUE(IsWhite(image.pixel(c + 2, clearRow)) || IsGrey(image.pixel(c + 2, clearRow)));
        }
        for (Extended v = std::ceil(y.Min / y.MinorStep()) * y.MinorStep(); v < y.Max; v += y.MinorStep()) {
            const int r = y.ValueToPixel(v);
            if (r == axisRow || r <= 0 || r >= 499)
                continue;
            EXPECT_TRUE(IsGrey(image.pixel(clearColumn, r))) << static_cast<double>(v);
        }
        EXPECT_TRUE(IsWhite(image.pixel(clearColumn, clearRow)));
    }
};

} // namespace

TEST_F(AxesDrawTest, DefaultScalesDrawAxesAndGridWhereTheMappingPutsThem)
{
    TGraphParams params(&host);
    Render(params);
    EXPECT_EQ(params.Axes->YAxis->CrossPixel, 250);
    EXPECT_EQ(params.Axes->XAxis->CrossPixel, 350);
    ExpectCartesianPicture(params);
}

TEST_F(AxesDrawTest, AnotherScaleMovesEverythingWithTheMapping)
{
    TGraphParams params(&host);
    ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(3, 50, -3, 20), &host));
    EXPECT_EQ(params.Axes->XAxis->Step, 10);
    EXPECT_EQ(params.Axes->XAxis->Subdivisions, 1);
    Render(params);
    ExpectCartesianPicture(params);
}

TEST_F(AxesDrawTest, LabelsAreCentredOnTheirTicks)
{
    TGraphParams params(&host);
    Render(params);
    const int tickLength = 6; // 1.5 mm at 96 pixels per inch
    const int labelHeight = QFontMetrics(GraphTestFont(), &image).height();
    // "2" under the x axis, centred on its tick, starting below the tick.
    const int t = Column(params, 2);
    const QRect xLabel = InkBox(image, QRect(t - 20, 251, 41, 40));
    ASSERT_FALSE(xLabel.isEmpty());
    EXPECT_GE(xLabel.top(), 250 + tickLength);
    EXPECT_LT(xLabel.bottom(), 250 + tickLength + labelHeight);
    EXPECT_NEAR(xLabel.center().x(), t, 2);
    // "-4" left of the y axis, ending before the tick, centred on its row.
    const int r = Row(params, -4);
    const QRect yLabel = InkBox(image, QRect(290, r - 20, 59, 41));
    ASSERT_FALSE(yLabel.isEmpty());
    EXPECT_LT(yLabel.right(), 350 - tickLength);
    EXPECT_GE(yLabel.right(), 350 - tickLength - 3);
    EXPECT_NEAR(yLabel.center().y(), r, 2);
    // No label where no major tick is.
    EXPECT_TRUE(InkBox(image, QRect(Column(params, 3) - 3, 256, 7, 12)).isEmpty());

    // With ticks at the window's edges (x from -10 to 10, y from -8 to 8) the
    // edge ticks carry no label: cut in half it would read as another number
    // ("-10" as "0").
    TGraphParams edges(&host);
    ASSERT_TRUE(edges.SetScales(std::make_unique<TRescaleDataTransfer>(-10, 10, -8, 8), &host));
    Render(edges);
    ASSERT_EQ(Column(edges, -10), 0);
    ASSERT_EQ(Row(edges, 8), 0);
    const int axisRow = Row(edges, 0), axisColumn = Column(edges, 0);
    const QRect xBand(0, axisRow + 1, 700, tickLength + labelHeight);
    EXPECT_TRUE(InkBox(image, xBand.adjusted(0, 0, -690, 0)).isEmpty());
    EXPECT_TRUE(InkBox(image, xBand.adjusted(690, 0, 0, 0)).isEmpty());
    const Extended next = -10 + edges.Axes->XAxis->Step;
    EXPECT_FALSE(InkBox(image, QRect(Column(edges, next) - 15, axisRow + 1, 30, 20)).isEmpty())
        << "the next fits";
    const QRect yBand(axisColumn - 60, 0, 60 - tickLength, 500);
    EXPECT_TRUE(InkBox(image, yBand.adjusted(0, 0, 0, -495)).isEmpty());
    EXPECT_TRUE(InkBox(image, yBand.adjusted(0, 495, 0, 0)).isEmpty());

    Configuration.LabelAxes = false;
    Render(params);
    EXPECT_TRUE(InkBox(image, QRect(t - 20, 251, 41, 40)).isEmpty());
}

TEST_F(AxesDrawTest, TheScaleNoteOfTheYAxisStaysInsideTheWindow)
{
    // labels x 10^5 on both axes; the x axis lies in the lower half, so the
    // y note stands at the top of the window, exponent included
    TGraphParams params(&host);
    ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(-1e6L, 1e6L, -1e6L, 1e6L), &host));
    const TAxis& y = *params.Axes->YAxis;
    ASSERT_NE(y.LabelFactor, 1);
    Render(params);
    KeepForInspection(image, "axes_note.png");
    // The note ends with the exponent, its rightmost ink near the top right
    // of the y axis: the exponent must be whole, not cut by the window's top
    // edge (its ink starts below row 0).
    const int axisColumn = params.Axes->XAxis->CrossPixel;
    int rightmost = -1;
    for (int x = axisColumn; x < axisColumn + 100; ++x)
        if (!InkBox(image, QRect(x, 0, 1, 30)).isEmpty())
            rightmost = x;
    ASSERT_GT(rightmost, axisColumn);
    const QRect exponent = InkBox(image, QRect(rightmost - 3, 0, 4, 30));
    EXPECT_GE(exponent.top(), 1);
}

TEST_F(AxesDrawTest, WithoutGridTheAxesCarryTicks)
{
    Configuration.Grid = false;
    TGraphParams params(&host);
    Render(params);
    const int major = Column(params, 4);
    const int minor = Column(params, 3);
    for (int r = 251; r < 256; ++r) {
        EXPECT_TRUE(IsBlack(image.pixel(major, r))) << r;
        EXPECT_TRUE(IsGrey(image.pixel(minor, r))) << r;
    }
    EXPECT_TRUE(IsWhite(image.pixel(minor, 256)));
    EXPECT_TRUE(IsWhite(image.pixel(major, 100))); // no grid line
    const int row = Row(params, 2);
    for (int c = 344; c < 350; ++c)
        EXPECT_TRUE(IsBlack(image.pixel(c, row))) << c;

    Configuration.DrawAxes = false;
    Render(params);
    EXPECT_TRUE(InkBox(image, image.rect()).isEmpty());
}

TEST_F(AxesDrawTest, TicksAreOneAndAHalfMillimetresOnEveryDevice)
{
    // the screen metrics in force say 96 dots per inch; the device drawn on
    // decides: 6 pixels at 96, 18 at 300, 4 at 72 dots per inch
    Configuration.Grid = false;
    TGraphParams params(&host);
    const int axisRow = params.Axes->YAxis->CrossPixel;
    const int major = Column(params, 4);
    for (const auto& [dpi, expected] : {std::pair{96, 6}, std::pair{300, 18}, std::pair{72, 4}}) {
        image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
        image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
        Render(params);
        int length = 0;
        while (IsBlack(image.pixel(major, axisRow + length)))
            ++length;
        EXPECT_EQ(length, expected) << dpi << " dpi";
    }
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
}

TEST_F(AxesDrawTest, PolarGridDrawsCirclesAndDiametersInsteadOfLines)
{
    TGraphParams params(&host);
    Render(params);
    auto greyInColumn = [&](int column) {
        int grey = 0;
        for (int r = 0; r < 500; ++r)
            grey += IsGrey(image.pixel(column, r)) ? 1 : 0;
        return grey;
    };
    const int column = Column(params, 3);
    EXPECT_GT(greyInColumn(column), 400);

    Configuration.PolarGrid = 1;
    Render(params);
    EXPECT_LT(greyInColumn(column), 250);
    // Circles every tenth of a step (0.2), diameters every 10 degrees.
    auto inkNear = [&](Extended radius, Extended degrees) {
        const Extended a = degrees * Pi / 180;
        const QPoint p = params.Axes->ValueToPixel(radius * std::cos(a), radius * std::sin(a));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (!IsWhite(image.pixel(p.x() + dx, p.y() + dy)))
                    return true;
        return false;
    };
    EXPECT_TRUE(inkNear(2.0L, 5));
    EXPECT_TRUE(inkNear(4.2L, 125));
    EXPECT_FALSE(inkNear(2.1L, 5));
    EXPECT_FALSE(inkNear(4.3L, 125));
    EXPECT_TRUE(inkNear(3.05L, 40)); // on a diameter between two circles
    // The axes are still drawn over the grid.
    EXPECT_TRUE(IsBlack(image.pixel(600, 250)));
}

TEST_F(AxesDrawTest, GraphPaperUsesItsThreeColours)
{
    TGraphParams params(&host);
    params.ToggleGraphPaper(&host);
    Render(params);
    const TAxis& x = *params.Axes->XAxis;
    const TAxis& y = *params.Axes->YAxis;
    const Extended minor = x.Step / 10;
    const int row = y.ValueToPixel(y.Step * 1.25L); // between two 2 mm lines
    EXPECT_EQ(QColor(image.pixel(x.ValueToPixel(3 * x.Step), row)), QColor(143, 191, 143));
    EXPECT_EQ(QColor(image.pixel(x.ValueToPixel(2.5L * x.Step), row)), QColor(191, 223, 191));
    EXPECT_EQ(QColor(image.pixel(x.ValueToPixel(2 * x.Step + minor), row)), QColor(239, 255, 239));
    EXPECT_TRUE(IsWhite(image.pixel(x.ValueToPixel(2 * x.Step + 1.5L * minor), row)));
    // Lines are 2 mm apart.
    EXPECT_NEAR(static_cast<double>(minor * x.Scale), 2 / (25.4 / 96), 1e-9);
}

TEST_F(AxesDrawTest, LineWidthFollowsTheThickLinesSetting)
{
    Configuration.ThickLines = 3;
    TGraphParams params(&host);
    Render(params);
    int dark = 0;
    for (int r = 240; r < 260; ++r)
        dark += IsBlack(image.pixel(600, r)) ? 1 : 0;
    EXPECT_EQ(dark, 3);
}

TEST_F(AxesDrawTest, DevicePixelRatioTwoKeepsHairlinesOneDevicePixelWide)
{
    QImage sharp(1400, 1000, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2);
    sharp.fill(Qt::white);
    TFixedScaleHost sharpHost(700, 500, GraphTestFont(), &sharp);
    TGraphParams params(&sharpHost);
    TGraphParams reference(&host);
    // The same logical picture: the mapping does not depend on the ratio.
    EXPECT_EQ(params.Axes->ValueToPixel(2, 2), reference.Axes->ValueToPixel(2, 2));
    {
        Canvas canvas(&sharp);
        EXPECT_EQ(canvas.Bounds(), QRect(0, 0, 700, 500));
        params.Axes->Draw(canvas, canvas.Bounds());
    }
    const TAxis& x = *params.Axes->XAxis;
    const TAxis& y = *params.Axes->YAxis;
    const int between = 2 * x.ValueToPixel(4.5L); // a device column between grid lines
    EXPECT_TRUE(IsBlack(sharp.pixel(between, 2 * y.CrossPixel)));
    EXPECT_TRUE(IsWhite(sharp.pixel(between, 2 * y.CrossPixel - 1)));
    EXPECT_TRUE(IsWhite(sharp.pixel(between, 2 * y.CrossPixel + 1)));
    const int gridColumn = 2 * x.ValueToPixel(3);
    const int clearRow = 2 * y.ValueToPixel(2.5L);
    EXPECT_TRUE(IsGrey(sharp.pixel(gridColumn, clearRow)));
    EXPECT_TRUE(IsWhite(sharp.pixel(gridColumn - 1, clearRow)));
    EXPECT_TRUE(IsWhite(sharp.pixel(gridColumn + 1, clearRow)));
    const int axisColumn = 2 * x.CrossPixel;
    EXPECT_TRUE(IsBlack(sharp.pixel(axisColumn, clearRow)));
    EXPECT_TRUE(IsWhite(sharp.pixel(axisColumn + 1, clearRow)));
    EXPECT_TRUE(IsWhite(sharp.pixel(axisColumn - 1, clearRow)));
}

TEST_F(AxesDrawTest, TheScaleNoteOfTheXAxisStaysInsideTheWindow)
{
    // x labels 0, 2, ... 10 with the note "+100000"; the window shows y from
    // -0.5 to 10, so the x axis runs near its bottom with the labels under it.
    TGraphParams params(&host);
    ASSERT_TRUE(params.SetScales(std::make_unique<TRescaleDataTransfer>(100000, 100010, -0.5L, 10), &host));
    const TAxis& x = *params.Axes->XAxis;
    ASSERT_EQ(x.LabelOffset, 100000);
    ASSERT_GT(params.Axes->YAxis->CrossPixel, 470);
    // Drawn on a picture taller than the window, to see what falls below it.
    QImage tall(700, 600, QImage::Format_RGB32);
    tall.fill(Qt::white);
    {
        Canvas canvas(&tall);
        params.Axes->Draw(canvas, QRect(0, 0, 700, 500));
    }
    EXPECT_TRUE(InkBox(tall, QRect(0, 500, 700, 100)).isEmpty());
    // The note is drawn: a run of ink wider than any label at the right end.
    const QRect note = InkBox(tall, QRect(560, 0, 140, 500).adjusted(0, 0, 0, 0));
    EXPECT_GT(note.width(), 40);
}

// The view tools driven with the mouse on a real graph window: each press,
// move and release sequence gives the scales the tools promise, and each
// change enters the scale history once.
#include "graphwindow/graphwindowtesting.h"

#include "mouse/mousepush.h"
#include "mouse/mousezoomin.h"
#include "settings/configuration.h"
#include "testpictures.h"

#include <QPainter>

#include <set>

using graphwindowtesting::GraphWindowTest;

namespace {

class ViewModeTest : public GraphWindowTest {
protected:
    void ExpectRanges(long double xmin, long double xmax, long double ymin, long double ymax,
                      double tolerance, const char* what)
    {
        const TAxisRanges r = Ranges();
        EXPECT_NEAR(static_cast<double>(r.XMin), static_cast<double>(xmin), tolerance) << what;
        EXPECT_NEAR(static_cast<double>(r.XMax), static_cast<double>(xmax), tolerance) << what;
        EXPECT_NEAR(static_cast<double>(r.YMin), static_cast<double>(ymin), tolerance) << what;
        EXPECT_NEAR(static_cast<double>(r.YMax), static_cast<double>(ymax), tolerance) << what;
    }
};

} // namespace

TEST_F(ViewModeTest, EachToolGivesTheScalesItPromises)
{
    struct TRow {
        const char* what;
        int mode;
        long double fromX, fromY, toX, toY; // graph points of the press and the release
        Qt::KeyboardModifiers modifiers;
        long double xmin, xmax, ymin, ymax;
    };
    // Window 400 x 400 showing -10 .. 10 both ways (20 pixels a unit), zoom factor 200.
    const TRow rows[] = {
        {"zoom-in click", mmZoomIn, 2, 4, 2, 4, Qt::NoModifier, -3, 7, -1, 9},
        {"zoom-in drag of 19 pixels is a click", mmZoomIn, 2, 4, 2.95, 3.05, Qt::NoModifier, -3, 7, -1, 9},
        {"zoom-in drag of 20 pixels uses the rectangle", mmZoomIn, 2, 4, 3, 3, Qt::NoModifier, 2, 3, 3, 4},
        {"zoom-in rectangle dragged right to left", mmZoomIn, 5, -2, 1, -6, Qt::NoModifier, 1, 5, -6, -2},
        {"proportional zoom-in keeps the shape", mmZoomIn, 0, 0, 1, 3, Qt::ShiftModifier, -3, 3, -3, 3},
        {"proportional zoom-in click", mmZoomIn, 2, 4, 2, 4, Qt::ShiftModifier, -3, 7, -1, 9},
        {"proportional zoom-in drag of 19 pixels is a click", mmZoomIn, 2, 4, 2.95L, 3.05L, Qt::ShiftModifier,
         -3, 7, -1, 9},
        {"zoom out about 2", mmZoomOut, 2, 0, 2, 0, Qt::NoModifier, -18, 22, -20, 20},
        {"move origin to (3, -1)", mmOrigin, 3, -1, 3, -1, Qt::NoModifier, -13, 7, -9, 11},
        {"drag grid follows the pointer", mmPush, 0, 0, 2, 1, Qt::NoModifier, -12, 8, -11, 9},
        {"drag grid back where it started", mmPush, 0, 0, 0, 0, Qt::NoModifier, -10, 10, -10, 10},
    };
    for (const TRow& row : rows) {
        SetScales(-10, 10, -10, 10);
        window->SetMouseMode(row.mode);
        const std::size_t history = window->Params().History.size();
        Drag(Pixel(row.fromX, row.fromY), Pixel(row.toX, row.toY), row.modifiers);
        ExpectRanges(row.xmin, row.xmax, row.ymin, row.ymax, 1e-9, row.what);
        EXPECT_EQ(window->Params().History.size(),
                  std::min<std::size_t>(history + 1, TGraphParams::MaxHistory))
            << row.what;
        EXPECT_EQ(window->ActiveTool(), nullptr) << row.what;
        EXPECT_EQ(window->MouseMode(), row.mode) << row.what; // the mode stays for the next press
    }
}

TEST_F(ViewModeTest, TheZoomRectangleIsDrawnOverThePictureWhileDragging)
{
    window->SetMouseMode(mmZoomIn);
    const QImage before = window->grab().toImage();
    QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(window.get(), QPoint(200, 160));
    auto* tool = dynamic_cast<TMouseZoomIn*>(window->ActiveTool());
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->RectangleShown);
    const QImage during = window->grab().toImage();
    // Dashes along the top edge of the rectangle; inside it the picture is unchanged.
    int marked = 0;
    for (int x = 101; x < 200; ++x)
        marked += during.pixel(x, 100) != before.pixel(x, 100) ? 1 : 0;
    EXPECT_GT(marked, 20);
    EXPECT_EQ(during.pixel(150, 130), before.pixel(150, 130));
    // Back under 20 pixels: the rectangle goes and the picture is as before.
    QTest::mouseMove(window.get(), QPoint(110, 110));
    EXPECT_FALSE(tool->RectangleShown);
    EXPECT_EQ(window->grab().toImage(), before);
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(110, 110));
}

TEST_F(ViewModeTest, ARightPressNeitherStartsNorFeedsATool)
{
    window->SetMouseMode(mmPush);
    Drag(Pixel(0, 0), Pixel(3, 3), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(window->ActiveTool(), nullptr);
    ExpectRanges(-10, 10, -10, 10, 1e-9, "right drag");
    // A right click during a left drag leaves the drag to the left button.
    QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, Pixel(0, 0));
    QTest::mouseMove(window.get(), Pixel(1, 0));
    QTest::mouseClick(window.get(), Qt::RightButton, Qt::NoModifier, Pixel(1, 0));
    ASSERT_NE(window->ActiveTool(), nullptr);
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, Pixel(1, 0));
    EXPECT_EQ(window->ActiveTool(), nullptr);
    ExpectRanges(-11, 9, -10, 10, 1e-9, "left drag with a right click");
}

TEST_F(ViewModeTest, ChangingTheModeFinishesATheToolInProgress)
{
    window->SetMouseMode(mmPush);
    QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, Pixel(0, 0));
    QTest::mouseMove(window.get(), Pixel(2, 0));
    ASSERT_NE(dynamic_cast<TMousePush*>(window->ActiveTool()), nullptr);
    window->SetMouseMode(mmNone);
    EXPECT_EQ(window->ActiveTool(), nullptr);
    ExpectRanges(-12, 8, -10, 10, 1e-9, "drag grid finished by a mode change");
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, Pixel(2, 0));
    ExpectRanges(-12, 8, -10, 10, 1e-9, "the release after it does nothing more");
}

TEST_F(ViewModeTest, DragGridUncoversTheGraphBackground)
{
    const TColour saved = BackgroundColour;
    BackgroundColour = RgbColour(255, 255, 200);
    window->SetMouseMode(mmPush);
    QTest::mousePress(window.get(), Qt::LeftButton, Qt::NoModifier, Pixel(0, 0));
    QTest::mouseMove(window.get(), Pixel(2, 0));
    const QImage picture = window->grab().toImage();
    // The picture moved right: the strip on the left is the background, not white.
    EXPECT_EQ(picture.pixelColor(2, window->height() / 3).rgb(), qRgb(255, 255, 200));
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::NoModifier, Pixel(2, 0));
    BackgroundColour = saved;
}

TEST_F(ViewModeTest, ModeCodesFollowTheirRules)
{
    struct TRow {
        int current, code, result;
    };
    const TRow rows[] = {
        {mmZoomIn, mmKeepViewMode, mmZoomIn},
        {mmNone, mmKeepViewMode, mmNone},
        {mmTangent, mmKeepViewMode, mmNone},
        {mmPush, mmEndViewMode, mmNone},
        {mmArea, mmEndViewMode, mmArea},
        {mmOrigin, mmReset, mmNone},
        {mmNone, mmZoomOut | MouseActivationFlag, mmZoomOut},
    };
    for (const TRow& row : rows) {
        window->SetMouseMode(row.current);
        EXPECT_EQ(window->SetMouseMode(row.code), row.current);
        EXPECT_EQ(window->MouseMode(), row.result) << row.current << " " << row.code;
    }
    EXPECT_TRUE(window->ActivationFlag());
    EXPECT_EQ(window->CursorSlot(), TCursorSlot::ZoomOut);
    EXPECT_FALSE(TGraphWindow::CursorFor(TCursorSlot::ZoomOut).pixmap().isNull());
}

TEST_F(ViewModeTest, EveryDragCursorIsDrawnFromItsOwnPicture)
{
    QImage sheet(12 * 40, 40, QImage::Format_ARGB32);
    sheet.fill(QColor(230, 230, 230));
    QPainter painter(&sheet);
    int column = 0;
    std::set<qint64> pictures;
    for (const int number : {6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 19, 20}) {
        const QCursor cursor = TGraphWindow::CursorFor(DragCursorSlot(number));
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << number;
        const QPixmap picture = cursor.pixmap();
        ASSERT_FALSE(picture.isNull()) << number;
        EXPECT_EQ(cursor.hotSpot(), QPoint(16, 16)) << number;
        pictures.insert(picture.cacheKey());
        painter.drawPixmap(column++ * 40 + 4, 4, picture);
    }
    painter.end();
    EXPECT_EQ(pictures.size(), 12u); // no two numbers share a cursor
    KeepForInspection(sheet, "drag-cursors.png");
}

TEST_F(ViewModeTest, ZoomingPastTheSmallestScaleIsRefusedAndTheViewStays)
{
    window->SetMouseMode(mmZoomIn);
    for (int i = 0; i < 80; ++i)
        Click(QPoint(200, 200));
    const TAxisRanges last = Ranges();
    EXPECT_GT(last.XMax, last.XMin);
    EXPECT_TRUE(std::isfinite(static_cast<double>(last.XMin)));
    EXPECT_GT(status.beeps, 0); // the refusal was reported
    // Zooming out again still works.
    window->SetMouseMode(mmZoomOut);
    Click(QPoint(200, 200));
    EXPECT_GT(Ranges().XMax - Ranges().XMin, last.XMax - last.XMin);
}

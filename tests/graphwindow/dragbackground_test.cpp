// A dragged line is drawn over a picture of the rest of the graph taken at
// the press, not by repainting every line at each move. What the window
// shows during the drag must still be what a full repaint of the same
// lines shows: the other lines all there, the dragged line only where it
// is now, over its halo, with its handles. Checked against a second window
// that repaints the same lines in full, at every step of a drag.
#include "graph/axes.h"
#include "graphwindow/graphwindowtesting.h"
#include "mouse/mousedrag.h"
#include "plot/formulacurve.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace graphwindowtesting;

class DragBackground : public GraphWindowTest {
protected:
    void TearDown() override
    {
        reference.reset();
        PlotHost = nullptr;
        host.reset();
        GraphWindowTest::TearDown();
    }
    // Shows the lines (the dragged one last, so that a full repaint draws it
    // over the others too) and selects the last by a click at on.
    void ShowSelected(const std::vector<std::string>& texts, TRealPoint on)
    {
        ShowLines(texts);
        host = std::make_unique<TListHost>(*window, *lines);
        PlotHost = host.get();
        window->repaint();
        Click(Pixel(on.x, on.y));
        ASSERT_EQ(window->SelectedIndex(), static_cast<int>(texts.size()) - 1);
        reference = std::make_unique<TGraphWindow>();
        reference->resize(Width, Height);
        reference->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(reference.get()));
        reference->SetMouseMode(mmNone);
        const TAxisRanges r = Ranges();
        ASSERT_TRUE(reference->Params().SetScales(
            std::make_unique<TRescaleDataTransfer>(r.XMin, r.XMax, r.YMin, r.YMax), reference.get()));
        reference->SetLineSource(lines.get());
        reference->SelectLine(window->SelectedIndex());
    }
    static QImage Shown(TGraphWindow& shown)
    {
        return shown.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The pixels where the window differs from the full repaint of the same lines.
    int DifferingPixels()
    {
        reference->LinesChanged(0);
        const QImage a = Shown(*window), b = Shown(*reference);
        EXPECT_EQ(a.size(), b.size());
        int differing = 0;
        for (int y = 0; y < std::min(a.height(), b.height()); ++y)
            for (int x = 0; x < std::min(a.width(), b.width()); ++x)
                differing += a.pixel(x, y) != b.pixel(x, y);
        return differing;
    }
    [[nodiscard]] TCurvePLotter* Dragged() const { return window->CurveAt(window->SelectedIndex()); }

    std::unique_ptr<TListHost> host;
    std::unique_ptr<TGraphWindow> reference;
};

TEST_F(DragBackground, TheWindowShowsDuringADragWhatAFullRepaintShows)
{
    struct TRow {
        const char* what;
        std::vector<std::string> texts; // the dragged line last
        TRealPoint select, press;
        std::vector<TRealPoint> moves;
        bool handle;
    };
    const TRow rows[] = {
        {"a cubic moved whole over a sine, a circle and a shaded region",
         {"y=sin x", "x{^{2}+y{^{2}=16", "y<x-6", "y=x{^{3}-3x"},
         {2.5L, 8.125L},
         {2.5L, 8.125L},
         {{3, 8.125L}, {3.5L, 6}, {1, 2}, {-2, -1}},
         false},
        {"a quadratic pulled by its vertex beside a sine",
         {"y=sin x", "y=x{^{2}-4x+3"},
         {5, 8},
         {2, -1},
         {{2.5L, -2}, {3, -4}, {1, 1}},
         true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        ShowSelected(row.texts, row.select);
        ASSERT_EQ(DifferingPixels(), 0) << "before the press";
        const QImage atPress = Shown(*window);
        const std::uint16_t switches = Dragged()->Switches();
        const int builds = window->DragBackgroundBuilds();
        QTest::mousePress(window.get(), Qt::LeftButton, {}, Pixel(row.press.x, row.press.y));
        auto* drag = dynamic_cast<TMouseDragCurve*>(window->ActiveTool());
        ASSERT_NE(drag, nullptr);
        EXPECT_EQ(dynamic_cast<TMouseDragPoint*>(drag) != nullptr, row.handle);
        EXPECT_EQ(DifferingPixels(), 0) << "at the press";
        for (const TRealPoint& to : row.moves) {
            QTest::mouseMove(window.get(), Pixel(to.x, to.y));
            ASSERT_EQ(window->ActiveTool(), drag);
            EXPECT_EQ(DifferingPixels(), 0) << "moved to (" << double(to.x) << ", " << double(to.y) << ")";
            // The line is hidden from the picture of the rest without a
            // change to the switches that documents save.
            EXPECT_EQ(Dragged()->Switches(), switches);
        }
        // The line did move, and the rest was drawn once for the whole drag.
        EXPECT_NE(Shown(*window), atPress);
        EXPECT_EQ(window->DragBackgroundBuilds(), builds + 1);
        const TRealPoint last = row.moves.back();
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, Pixel(last.x, last.y));
        EXPECT_EQ(window->ActiveTool(), nullptr);
        // The window's own picture follows the committed line.
        EXPECT_EQ(DifferingPixels(), 0) << "after the release";
        reference.reset();
    }
}

TEST_F(DragBackground, ALineThatLeavesUnderADragGivesTheWindowItsOwnPictureBack)
{
    ShowSelected({"y=sin x", "y=2x+1"}, {1, 3});
    QTest::mousePress(window.get(), Qt::LeftButton, {}, Pixel(1, 3));
    QTest::mouseMove(window.get(), Pixel(2, 3));
    ASSERT_NE(window->ActiveTool(), nullptr);
    int paints = 0;
    window->PaintEvent = [&paints](bool before) { paints += before; };
    QCoreApplication::processEvents();
    paints = 0;
    // The line is deleted while the button is held (Undo, a deletion): the
    // window repaints at once, without waiting for the release.
    window->LineLeaving(lines->lines.back().get());
    reference->SelectLine(-1);
    window->SelectLine(-1);
    lines->lines.pop_back();
    window->LinesChanged(0);
    QCoreApplication::processEvents();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(DifferingPixels(), 0);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, Pixel(2, 3));
    EXPECT_EQ(DifferingPixels(), 0);
}

TEST_F(DragBackground, TheRestIsTakenAgainWhenTheViewChangesUnderTheDrag)
{
    ShowSelected({"y=sin x", "y=2x+1"}, {1, 3});
    QTest::mousePress(window.get(), Qt::LeftButton, {}, Pixel(1, 3));
    QTest::mouseMove(window.get(), Pixel(2, 3));
    SetScales(-5, 5, -5, 5);
    ASSERT_TRUE(
        reference->Params().SetScales(std::make_unique<TRescaleDataTransfer>(-5, 5, -5, 5), reference.get()));
    EXPECT_EQ(DifferingPixels(), 0);
    EXPECT_EQ(window->DragBackgroundBuilds(), 2);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, Pixel(2, 3));
}

} // namespace

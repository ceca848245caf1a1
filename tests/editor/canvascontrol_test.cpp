// The canvas control's share of the mouse: the keypad's right-button latch
// turns the next press into a context click and is used up by it.
#include "editor/canvascontrol.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TProbeControl : public TCanvasControl {
public:
    int presses = 0;
    TDrawObject* ObjectAt(QPoint) override { return nullptr; }
    void HintFlags(QPoint, std::uint32_t&) override {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (MouseDown(event))
            return;
        ++presses;
    }
};

TEST(CanvasControl, RightButtonLatchTurnsOnePressIntoAContextClick)
{
    QAction latch;
    latch.setCheckable(true);
    RightButtonLatch = &latch;
    TProbeControl control;
    control.resize(200, 100);
    std::vector<QPoint> popups;
    control.OnContextPopup = [&](TCanvasControl*, QPoint point, bool& handled) {
        popups.push_back(point);
        handled = true;
    };

    latch.setChecked(true);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], QPoint(30, 40));
    EXPECT_FALSE(latch.isChecked());
    EXPECT_EQ(control.presses, 0);

    // The latch is spent: the next press is an ordinary one.
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(31, 41));
    EXPECT_EQ(popups.size(), 1u);
    EXPECT_EQ(control.presses, 1);
    RightButtonLatch = nullptr;
}

TEST(CanvasControl, ContainsPointIsHalfOpen)
{
    TProbeControl control;
    control.resize(20, 10);
    EXPECT_TRUE(control.ContainsPoint({0, 0}));
    EXPECT_TRUE(control.ContainsPoint({19, 9}));
    EXPECT_FALSE(control.ContainsPoint({20, 5}));
    EXPECT_FALSE(control.ContainsPoint({5, 10}));
    EXPECT_FALSE(control.ContainsPoint({-1, 5}));
}

} // namespace

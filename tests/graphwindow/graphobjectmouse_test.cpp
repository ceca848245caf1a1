// Graph objects on a real graph window: nested hiding, leaders, and the
// object tool that selects on the first click and moves on a later drag.
#include "graphwindow/graphwindowtesting.h"

#include "mouse/graphobjectmouse.h"
#include "platform/canvas.h"
#include "plot/graphobject.h"
#include "plot/tracemarker.h"

using graphwindowtesting::GraphWindowTest;

namespace {

// An annotation-like object with a 40 x 20 box.
class TBoxObject : public TGraphObject {
public:
    using TGraphObject::TGraphObject;
    [[nodiscard]] QRect BoxRect(const TGraphParams& params) const override
    {
        const QPoint a = AnchorPixel(params);
        return QRect(a.x() + OffsetX, a.y() + OffsetY, 40, 20);
    }
    bool Clicked(TGraphSurface& surface) override
    {
        (void)surface;
        ++clicks;
        return keepTool;
    }
    int clicks = 0;
    bool keepTool = true;
};

class GraphObjectTest : public GraphWindowTest {
protected:
    TBoxObject* Place(long double x, long double y, int offsetX = 0, int offsetY = 0)
    {
        auto object = std::make_unique<TBoxObject>(x, y);
        object->OffsetX = offsetX;
        object->OffsetY = offsetY;
        TBoxObject* raw = object.get();
        window->AddGraphObject(std::move(object));
        return raw;
    }
};

} // namespace

TEST_F(GraphObjectTest, HidingNestsAndAHiddenObjectIsNotDrawn)
{
    TBoxObject* object = Place(0, 0, 30, 30);
    object->Hide();
    object->Hide();
    object->Show();
    EXPECT_FALSE(object->IsShown());
    object->Show();
    EXPECT_TRUE(object->IsShown());
    object->Show(); // one show too many changes nothing
    EXPECT_EQ(object->HideCount, 0);
}

TEST_F(GraphObjectTest, ALeaderIsDrawnOnlyForABoxAwayFromItsAnchor)
{
    struct TRow {
        int offsetX, offsetY;
        bool leader;
    };
    const TRow rows[] = {{0, 0, false},  {-5, -5, false}, {-45, -25, false}, {-46, 0, true},
                         {30, 30, true}, {6, 0, true},    {0, -26, true}};
    for (const TRow& row : rows) {
        TBoxObject object(0, 0);
        object.OffsetX = row.offsetX;
        object.OffsetY = row.offsetY;
        EXPECT_EQ(object.NeedsLeader(window->Params()), row.leader) << row.offsetX << ", " << row.offsetY;
    }
    // The leader and its arrowhead are drawn from the box to the anchor.
    Place(0, 0, 60, 60);
    window->SetMouseMode(mmNone);
    const QImage picture = window->CopyScreen();
    const QPoint a = Pixel(0, 0);
    EXPECT_LT(qGray(picture.pixel(a + QPoint(30, 30))), 128);
    // One arrowhead stroke runs from the anchor towards (10, 4), the other towards (4, 10).
    auto darkNear = [&](QPoint p) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (qGray(picture.pixel(p + QPoint(dx, dy))) < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(darkNear(a + QPoint(8, 3)));
    EXPECT_TRUE(darkNear(a + QPoint(3, 8)));
    EXPECT_FALSE(darkNear(a + QPoint(8, 14)));
}

TEST_F(GraphObjectTest, TheFirstClickSelectsAndALaterDragMovesTheBox)
{
    TBoxObject* object = Place(0, 0, 40, 40);
    const QPoint inBox = Pixel(0, 0) + QPoint(50, 50);
    Click(inBox);
    auto* tool = dynamic_cast<TGraphObjectMouse*>(window->ActiveTool());
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(object->Selected);
    EXPECT_EQ(object->OffsetX, 40); // the first click only selects
    Drag(inBox, inBox + QPoint(20, -10));
    EXPECT_EQ(object->OffsetX, 60);
    EXPECT_EQ(object->OffsetY, 30);
    EXPECT_EQ(object->AnchorX, 0);
    EXPECT_EQ(window->ActiveTool(), tool);
    // A click without a move asks the object; it may let the tool go.
    object->keepTool = false;
    Click(inBox + QPoint(20, -10));
    EXPECT_EQ(object->clicks, 1);
    EXPECT_EQ(window->ActiveTool(), nullptr);
    EXPECT_FALSE(object->Selected);
}

TEST_F(GraphObjectTest, DraggingTheAnchorIntoTheBoxTakesTheAnchorThere)
{
    TBoxObject* object = Place(0, 0, 40, 40);
    const QPoint anchor = Pixel(0, 0);
    Click(anchor);
    ASSERT_NE(window->ActiveTool(), nullptr);
    Drag(anchor, anchor + QPoint(45, 45));
    EXPECT_EQ(object->OffsetX, 0);
    EXPECT_EQ(object->OffsetY, 0);
    // The anchor went to the box's top-left corner: 40 pixels is 2 units.
    EXPECT_NEAR(static_cast<double>(object->AnchorX), 2, 1e-9);
    EXPECT_NEAR(static_cast<double>(object->AnchorY), -2, 1e-9);
}

TEST_F(GraphObjectTest, APressElsewhereEndsTheToolAndReachesTheGraph)
{
    ShowLines({"y=x"});
    TBoxObject* object = Place(-5, 5, 10, 10);
    Click(Pixel(-5, 5));
    ASSERT_NE(window->ActiveTool(), nullptr);
    Click(Pixel(3, 3)); // on the line
    EXPECT_EQ(window->ActiveTool(), nullptr);
    EXPECT_FALSE(object->Selected);
    EXPECT_EQ(window->SelectedIndex(), 0);
    // A tool whose object is freed forgets it and touches nothing after.
    TBoxObject* second = Place(5, -5);
    Click(Pixel(5, -5));
    ASSERT_NE(window->ActiveTool(), nullptr);
    window->ClearGraphObjects();
    (void)second;
    EXPECT_EQ(window->ActiveTool(), nullptr);
}

TEST_F(GraphObjectTest, MarkersDrawTheirImageWithTheHotSpotOnTheAnchor)
{
    TBitMapMarker marker("TRACE", 7, 7, 1, 1);
    EXPECT_EQ(marker.BitmapWidth, 16);
    EXPECT_EQ(marker.BitmapHeight, 16);
    EXPECT_EQ(marker.BoxRect(window->Params()).topLeft(), Pixel(1, 1) - QPoint(8, 8));
    window->AddMarker(&marker);
    for (qreal ratio : {1.0, 2.0}) {
        QImage image(QSize(Width, Height) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            Canvas canvas(&image);
            marker.Draw(canvas, window->Params());
        }
        // The ring is red; the corners of the box stay clear.
        const QPoint p = Pixel(1, 1);
        const QRgb ring =
            image.pixel(static_cast<int>((p.x() + 0.5) * ratio), static_cast<int>((p.y() - 5.5) * ratio));
        EXPECT_GT(qRed(ring), 150) << ratio;
        EXPECT_LT(qGreen(ring), 120) << ratio;
        EXPECT_EQ(image.pixel(static_cast<int>((p.x() - 7) * ratio), static_cast<int>((p.y() - 7) * ratio)),
                  qRgb(255, 255, 255));
    }
    window->RemoveMarker(&marker);
}

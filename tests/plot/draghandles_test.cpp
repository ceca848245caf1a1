// The drag handles: each kind's bitmap, size, cursor and the control that
// drags it, and the handle list's searches (which handle a press or hover
// finds, the centre, a pop-up kept clear of the handles).
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "plot/dragpoint.h"
#include "plot_testcurve.h"
#include "testpictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

namespace {

class DragHandles : public PlotFixture {};

TEST_F(DragHandles, EachKindHasItsBitmapCursorAndControlCentredOnItsPoint)
{
    using K = TDragMouseKind;
    struct TRow {
        const char* kind;
        std::function<std::unique_ptr<TDragCustom>()> make;
        const char* bitmap;
        int size;
        int cursor, ctrlCursor;
        TDragMouseKind mouse;
        bool ctrlMovable;
    };
    const TRow rows[] = {
        {"custom", [] { return std::make_unique<TDragCustom>(nullptr, 1, 2, false, false); }, "DRAGPOINT", 16,
         7, 7, K::DragCurve, false},
        {"point", [] { return std::make_unique<TDragPoint>(nullptr, 1, 2, 3); }, "DRAGPOINT", 16, 12, 13,
         K::DragPoint, true},
        {"on primary", [] { return std::make_unique<TDragOnPrimary>(nullptr, 1, 2); }, "DRAGPOINT", 16, 13,
         13, K::OnPrimary, true},
        {"on axis", [] { return std::make_unique<TDragOnAxis>(nullptr, 1, 2); }, "DRAGPOINT", 16, 12, 12,
         K::OnAxis, true},
        {"translate", [] { return std::make_unique<TTranslatePoint>(nullptr, 1, 2); }, "DRAGTRANSLATE", 16,
         14, 14, K::DragCurve, false},
        {"centre", [] { return std::make_unique<TCentrePoint>(nullptr, 1, 2); }, "DRAGCENTRE", 16, 7, 7,
         K::CentrePoint, false},
        {"rotate", [] { return std::make_unique<TRotatePoint>(nullptr, 1, 2); }, "DRAGPOINTROTATE", 16, 8, 8,
         K::Rotate, false},
        {"stretch", [] { return std::make_unique<TStretchPoint>(nullptr, 1, 2); }, "DRAGENLARGEPOINT", 20, 6,
         6, K::Stretch, false},
        {"stretch across", [] { return std::make_unique<TStretchPointHorz>(nullptr, 1, 2); },
         "DRAGSTRETCHHORZ", 20, 10, 10, K::StretchHorz, false},
        {"stretch up", [] { return std::make_unique<TStretchPointVert>(nullptr, 1, 2); }, "DRAGSTRETCHVERT",
         20, 11, 11, K::StretchVert, false},
        {"enlarge", [] { return std::make_unique<TEnlargePoint>(nullptr, 1, 2); }, "DRAGENLARGEPOINT", 20, 9,
         9, K::Enlarge, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.kind);
        const std::unique_ptr<TDragCustom> handle = row.make();
        EXPECT_EQ(handle->ResourceName, row.bitmap);
        EXPECT_EQ(handle->CursorNumber(false), row.cursor);
        EXPECT_EQ(handle->CursorNumber(true), row.ctrlCursor);
        EXPECT_EQ(handle->MouseKind(), row.mouse);
        EXPECT_EQ(handle->CtrlMovable, row.ctrlMovable);
        // The drawing exists at both pixel ratios, and its box is centred on the point.
        std::string file = row.bitmap;
        std::transform(file.begin(), file.end(), file.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage image = ResourceImage("markers", file, ratio);
            ASSERT_FALSE(image.isNull()) << file;
            EXPECT_EQ(image.width(), static_cast<int>(row.size * ratio));
        }
        const QRect box = handle->BoxRect(*params);
        EXPECT_EQ(box.size(), QSize(row.size, row.size));
        const QPoint point = Pixel(1, 2);
        EXPECT_EQ(box.left() + row.size / 2, point.x());
        EXPECT_EQ(box.top() + row.size / 2, point.y());
        EXPECT_TRUE(handle->BoxContains(point, *params));
        EXPECT_FALSE(handle->BoxContains(point + QPoint(row.size, 0), *params));
        // Drawn side by side for a person to look at.
        handle->MoveTo(-6 + 1.0L * static_cast<Extended>(&row - rows), 2);
        handle->Draw(*canvas, *params);
    }
    KeepForInspection(Finished().copy(QRect(Pixel(-7, 3), Pixel(6, 1))), "drag-handles.png");
}

TEST_F(DragHandles, EveryDragCursorNumberHasACursorOfItsOwn)
{
    std::set<TCursorSlot> found;
    for (const int number : {6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 19, 20}) {
        const TCursorSlot slot = DragCursorSlot(number);
        EXPECT_NE(slot, TCursorSlot::Default) << number;
        found.insert(slot);
    }
    EXPECT_EQ(found.size(), 12u);
    for (const int other : {0, 5, 16, 18, 21, -1})
        EXPECT_EQ(DragCursorSlot(other), TCursorSlot::Default) << other;
}

TEST_F(DragHandles, TheListFindsTheLastHandleHitAndKeepsAPopupClear)
{
    TDragPointList list;
    // Two handles on the same point: the later one is found first.
    list.Add(std::make_unique<TDragPoint>(nullptr, 0, 0, 4));
    list.Add(std::make_unique<TCentrePoint>(nullptr, 0, 0));
    list.Add(std::make_unique<TRotatePoint>(nullptr, 3, 0));
    list.Add(std::make_unique<TCentrePoint>(nullptr, -2, 1));
    const QPoint origin = Pixel(0, 0);
    EXPECT_EQ(list.CursorAt(origin, *params, false), 7);
    EXPECT_EQ(list.CursorAt(Pixel(3, 0) + QPoint(7, -8), *params, false), 8);
    EXPECT_EQ(list.CursorAt(Pixel(1.5, 0), *params, false), 0);
    EXPECT_TRUE(list.AnyHit(origin, *params));
    EXPECT_FALSE(list.AnyHit(Pixel(1.5, 0), *params));
    // The index of a handle without one is -1; of no handle, -2.
    EXPECT_EQ(list.IndexAt(origin, *params), -1);
    EXPECT_EQ(list.IndexAt(Pixel(1.5, 0), *params), NoDragPoint);

    // The last centre handle's position; none: the origin.
    EXPECT_EQ(list.CentrePosition().x, -2);
    EXPECT_EQ(list.CentrePosition().y, 1);
    TDragPointList none;
    none.Add(std::make_unique<TDragPoint>(nullptr, 5, 5, 0));
    EXPECT_EQ(none.CentrePosition().x, 0);
    EXPECT_EQ(none.CentrePosition().y, 0);

    // A pop-up over a handle moves up above it; one beside it stays.
    const QPoint rotate = Pixel(3, 0);
    const QRect over(rotate.x() - 20, rotate.y() - 5, 60, 30);
    const QRect moved = list.KeepClear(over, *params);
    EXPECT_EQ(moved.top(), rotate.y() - 30 - 14);
    EXPECT_EQ(moved.size(), over.size());
    EXPECT_FALSE(moved.adjusted(-7, -7, 7, 7).contains(rotate));
    const QRect beside(rotate.x() + 40, rotate.y() - 5, 60, 30);
    EXPECT_EQ(list.KeepClear(beside, *params), beside);

    // Matrices move handles from their bases; re-basing takes the positions.
    TDragMatrices shift;
    shift.SetTranslation(1, -1);
    list.ApplyDragMatrices(shift);
    EXPECT_EQ(list[2]->AnchorX, 4);
    EXPECT_EQ(list[2]->AnchorY, -1);
    EXPECT_EQ(list[2]->BasePosition.x, 3);
    list.Rebase();
    EXPECT_EQ(list[2]->BasePosition.x, 4);
}

} // namespace

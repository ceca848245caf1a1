// Dragging lines on the graph in the main window, as a user does it: a
// press on the selected line starts the drag its place asks for (a handle,
// or the whole line), the status line follows the move, the release commits
// once (one undo step, the document modified), and the setting and the
// toggle command decide whether lines may be dragged at all.
#include "app/lumacurveform.h"
#include "document/document.h"
#include "equations/equationswindow.h"
#include "geometry/coordcurve.h"
#include "geometry/transformation.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"
#include "testpictures.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

class DragCurvesForm : public GraphFormTest {
protected:
    void SetUp() override
    {
        GraphFormTest::SetUp();
        ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
        flag = dynamic_cast<TCoordCurve*>(equations->SelectedObject());
        ASSERT_NE(flag, nullptr);
        WaitForPicture();
        form->SetModified(false);
    }
    std::vector<TRealPoint> Points() const
    {
        std::vector<TRealPoint> points;
        for (int i = 0; i < flag->PointCount(); ++i)
            points.push_back(flag->PointAt(i)->Point());
        return points;
    }
    // Presses at from, moves in steps to to, and releases there.
    void Drag(TRealPoint from, TRealPoint to, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mousePress(graph, Qt::LeftButton, modifiers, Pixel(from.x, from.y));
        for (int step = 1; step <= 4; ++step) {
            const Extended f = step / 4.0L;
            Move(Pixel(from.x + f * (to.x - from.x), from.y + f * (to.y - from.y)), modifiers);
            if (step == 2)
                midStatus = form->MessageLabel()->text();
        }
        QTest::mouseRelease(graph, Qt::LeftButton, modifiers, Pixel(to.x, to.y));
    }
    void Move(QPoint pixel, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(pixel), graph->mapToGlobal(QPointF(pixel)), Qt::NoButton,
                         buttons, modifiers);
        QApplication::sendEvent(graph, &move);
    }
    static void ExpectPoints(const std::vector<TRealPoint>& got, const std::vector<TRealPoint>& want,
                             const char* what)
    {
        ASSERT_EQ(got.size(), want.size()) << what;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(double(got[i].x), double(want[i].x), 1e-9) << what << ", point " << i;
            EXPECT_NEAR(double(got[i].y), double(want[i].y), 1e-9) << what << ", point " << i;
        }
    }

    TCoordCurve* flag = nullptr;
    QString midStatus;
};

// The flag's points: (1,1) (1,3) (2,2) (1,2).
const std::vector<TRealPoint> FlagAt{{1, 1}, {1, 3}, {2, 2}, {1, 2}};

TEST_F(DragCurvesForm, APressOnTheSelectedLineDragsItAndTheReleaseCommitsOnce)
{
    ExpectPoints(Points(), FlagAt, "at first");
    struct TRow {
        const char* what;
        TRealPoint from, to;
        std::vector<TRealPoint> after;
        const char* status; // while moving, "" for none asked
    };
    const TRow rows[] = {
        // Halfway along the segment from (1,1) to (1,3) there is no handle: the whole flag moves.
        {"whole move", {1, 1.5}, {3, 0.5}, {{3, 0}, {3, 2}, {4, 1}, {3, 1}}, "Drag curve by [1,-0.5]"},
        // A vertex's handle moves that vertex alone.
        {"vertex", {4, 1}, {5, 4}, {{3, 0}, {3, 2}, {5, 4}, {3, 1}}, ""},
    };
    int undoSteps = 0;
    for (const TRow& row : rows) {
        Drag(row.from, row.to);
        WaitForPicture();
        ExpectPoints(Points(), row.after, row.what);
        if (*row.status) {
            EXPECT_EQ(midStatus.toStdString(), row.status) << row.what;
        }
        EXPECT_TRUE(form->Modified()) << row.what;
        EXPECT_EQ(graph->ActiveTool(), nullptr) << row.what << ": the drag ended with the release";
        KeepForInspection(form->grab().toImage(), QString("drag-%1.png").arg(row.what).replace(' ', '-'));
        ++undoSteps;
        form->SetModified(false);
    }
    // One undo step per drag, back to where the flag began.
    for (int i = 0; i < undoSteps; ++i)
        ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    flag = dynamic_cast<TCoordCurve*>(equations->ItemAt(equations->Count() - 1));
    ASSERT_NE(flag, nullptr);
    ExpectPoints(Points(), FlagAt, "after undoing both drags");
}

// Undo in the middle of a drag frees the dragged line: the drag lets go of
// it (it used to move and commit the freed line at the next move and the
// release, which the sanitizer run reports).
TEST_F(DragCurvesForm, UndoDuringADragEndsItWithoutTouchingTheFreedLine)
{
    Drag({1, 1.5}, {2, 1.5}); // one step to undo
    WaitForPicture();
    QTest::mousePress(graph, Qt::LeftButton, {}, Pixel(2, 1.5));
    Move(Pixel(3, 1.5));
    ASSERT_NE(graph->ActiveTool(), nullptr);
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    const int count = equations->Count();
    Move(Pixel(4, 1.5));
    Move(Pixel(5, 2));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, Pixel(5, 2));
    WaitForPicture();
    EXPECT_EQ(graph->ActiveTool(), nullptr);
    EXPECT_EQ(equations->Count(), count);
    flag = dynamic_cast<TCoordCurve*>(equations->ItemAt(equations->Count() - 1));
    ASSERT_NE(flag, nullptr);
    ExpectPoints(Points(), FlagAt, "the flag as Undo left it; the release commits nothing");
}

TEST_F(DragCurvesForm, NothingDragsWhenDraggingIsOffLockedOrTracing)
{
    enum class TWay { ToggleOff, Locked, Tracing };
    struct TRow {
        const char* what;
        TWay way;
    };
    const TRow rows[] = {
        {"the toggle command off", TWay::ToggleOff},
        {"locked", TWay::Locked},
        {"tracing", TWay::Tracing},
    };
    for (const TRow& row : rows) {
        Configuration = DefaultConfiguration;
        form->Commands().Action("ActionDynamicCUrves")->setChecked(true);
        if (row.way == TWay::ToggleOff)
            form->Commands().Action("ActionDynamicCUrves")->trigger();
        else if (row.way == TWay::Locked)
            Configuration.Unlocked = false;
        else
            form->Commands().Action("ActionTraceOnOff")->trigger();
        Drag({1, 1.5}, {3, 0.5});
        WaitForPicture();
        ExpectPoints(Points(), FlagAt, row.what);
        EXPECT_FALSE(form->Modified()) << row.what;
        if (form->Commands().Action("ActionTraceOnOff")->isChecked())
            form->Commands().Action("ActionTraceOnOff")->trigger();
    }
}

TEST_F(DragCurvesForm, HoveringTheSelectedLineShowsTheDragsCursor)
{
    Move(Pixel(1, 1.5), {}, Qt::NoButton);
    EXPECT_EQ(graph->CursorSlot(), DragCursorSlot(crDragMove)) << "on a side: the whole flag moves";
    Move(Pixel(2, 2), {}, Qt::NoButton);
    EXPECT_EQ(graph->CursorSlot(), DragCursorSlot(crDragPoint)) << "on a vertex's handle";
    EXPECT_EQ(graph->window()->focusWidget(), graph) << "over a point handle the window takes the arrows";
}

// With dragging on, Translate, Rotate and Enlarge make the image at once; a
// rotation or enlargement waits for a click to place its centre (anywhere on
// the graph), then a drag of the image sets its angle or factor, and the line
// says so at every step.
TEST_F(DragCurvesForm, TransformCommandsMakeAnImageThatIsDraggedIntoPlace)
{
    struct TRow {
        const char* what;
        const char* command;
        bool needsCentre;
        TRealPoint from, to; // the drag of the image
        Qt::KeyboardModifiers modifiers;
        const char* firstStatus;
        const char* inLine; // the dragged value, as the line shows it
        TRealPoint image;   // where the flag's corner (1,1) goes
    };
    const TRow rows[] = {
        {"translate",
         "ActionTranslate",
         false,
         {1, 1.5},
         {3, 0.5},
         {},
         "Drag the object to translate",
         "{2}{-1}",
         {3, 0}},
        // A quarter turn about the origin, Shift keeping the angle on 45 degrees.
        {"rotate",
         "ActionRotate",
         true,
         {1, 2},
         {-2.1, 0.9},
         Qt::ShiftModifier,
         "Click to fix centre",
         "{90",
         {-1, 1}},
        {"enlarge", "ActionEnlarge", true, {1, 2}, {2, 4}, {}, "Click to fix centre", "{2}", {2, 2}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        // The flag is selected (selecting the selected line again would edit it).
        if (equations->SelectedObject() != flag)
            equations->SelectLine(0);
        const int before = equations->Count();
        ASSERT_TRUE(form->Commands().Trigger(row.command));
        ASSERT_EQ(equations->Count(), before + 1);
        auto* image = dynamic_cast<TTransformation*>(equations->SelectedObject());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(form->MessageLabel()->text().toStdString(), row.firstStatus);
        EXPECT_EQ(image->WaitsForClicks(), row.needsCentre);
        if (row.needsCentre) {
            // Anywhere on the graph the pointer asks for the centre; a click places it.
            Move(Pixel(-4, 3), {}, Qt::NoButton);
            EXPECT_EQ(graph->CursorSlot(), DragCursorSlot(crPickAPoint));
            QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(0, 0));
            ASSERT_FALSE(image->WaitsForClicks());
            EXPECT_NE(equations->List().LineMarkup(before).find("{coords{0}{0}"), std::string::npos)
                << equations->List().LineMarkup(before);
            EXPECT_EQ(form->MessageLabel()->text().toStdString(), row.command == std::string("ActionRotate")
                                                                      ? "Drag shape to rotate"
                                                                      : "Drag shape to enlarge");
        }
        WaitForPicture();
        form->SetModified(false);
        Drag(row.from, row.to, row.modifiers);
        WaitForPicture();
        const std::string line = equations->List().LineMarkup(before);
        EXPECT_NE(line.find(row.inLine), std::string::npos) << line;
        KeepForInspection(form->grab().toImage(), QString("drag-image-%1.png").arg(row.what));
        EXPECT_TRUE(form->Modified());
        TTransform map;
        ASSERT_TRUE(image->Composite(map));
        const TRealPoint corner = map.Apply({1, 1});
        EXPECT_NEAR(double(corner.x), double(row.image.x), 1e-9);
        EXPECT_NEAR(double(corner.y), double(row.image.y), 1e-9);
        ExpectPoints(Points(), FlagAt, "the parent stays where it is");
    }
}

// "New line" waits for two clicks anywhere on the graph; until then the
// curve is no work to save, and the clicks make the line through them.
TEST_F(DragCurvesForm, ANewLineIsPlacedByTwoClicksAndIsSavedOnlyThen)
{
    const std::string before = EquationListText(equations->List().Lines(), 0);
    ASSERT_TRUE(form->Commands().Trigger("ActionNewDynamicLine"));
    const int index = equations->Count() - 1;
    auto* line = dynamic_cast<TCurvePLotter*>(equations->ItemAt(index));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->WaitsForClicks());
    EXPECT_EQ(form->MessageLabel()->text().toStdString(),
              "Click 2 more points to complete the straight line.");
    EXPECT_EQ(EquationListText(equations->List().Lines(), 0), before)
        << "a curve waiting for clicks is not saved";
    Move(Pixel(-5, 5), {}, Qt::NoButton);
    EXPECT_EQ(graph->CursorSlot(), DragCursorSlot(crPickAPoint));
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(-4, -3));
    KeepForInspection(form->grab().toImage(), "drag-newline-one-point.png");
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(-2, 1));
    WaitForPicture();
    line = dynamic_cast<TCurvePLotter*>(equations->ItemAt(index));
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(line->WaitsForClicks());
    EXPECT_EQ(equations->List().LineMarkup(index), "y=2x+5");
    KeepForInspection(form->grab().toImage(), "drag-newline-placed.png");
    EXPECT_NE(EquationListText(equations->List().Lines(), 0).find("y=2x+5"), std::string::npos);
}

} // namespace

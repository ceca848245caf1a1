// Dragging lines on the graph in the main window, as a user does it: a
// press on the selected line starts the drag its place asks for (a handle,
// or the whole line), the status line follows the move, the release commits
// once (one undo step, the document modified), and the setting and the
// toggle command decide whether lines may be dragged at all.
#include "app/lumacurveform.h"
#include "document/document.h"
#include "equations/equationswindow.h"
#include "formula/markup.h"
#include "geometry/coordcurve.h"
#include "geometry/polygon.h"
#include "geometry/transformation.h"
#include "graph/axes.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"
#include "testpictures.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
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
TEST_F(DragCurvesForm, UndoDuringADragTakesBackThatDragOnly)
{
    Drag({1, 1.5}, {2, 1.5}); // one step to undo
    WaitForPicture();
    QTest::mousePress(graph, Qt::LeftButton, {}, Pixel(2, 1.5));
    Move(Pixel(3, 1.5));
    ASSERT_NE(graph->ActiveTool(), nullptr);
    // The drag under way ends as its own step, which Undo takes back: the
    // first drag stays, and the second can be redone.
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(graph->ActiveTool(), nullptr);
    const int count = equations->Count();
    Move(Pixel(4, 1.5));
    Move(Pixel(5, 2));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, Pixel(5, 2));
    WaitForPicture();
    EXPECT_EQ(equations->Count(), count);
    flag = dynamic_cast<TCoordCurve*>(equations->ItemAt(equations->Count() - 1));
    ASSERT_NE(flag, nullptr);
    const std::vector<TRealPoint> once{{2, 1}, {2, 3}, {3, 2}, {2, 2}};
    ExpectPoints(Points(), once, "the first drag stays; the release after Undo commits nothing");
    form->UpdateCommands();
    ASSERT_TRUE(form->Commands().Action("ActionRedo")->isEnabled()) << "the undone drag can be redone";
    ASSERT_TRUE(form->Commands().Trigger("ActionRedo"));
    flag = dynamic_cast<TCoordCurve*>(equations->ItemAt(equations->Count() - 1));
    ASSERT_NE(flag, nullptr);
    const std::vector<TRealPoint> twice{{3, 1}, {3, 3}, {4, 2}, {3, 2}};
    ExpectPoints(Points(), twice, "Redo gives the second drag back");
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

// Reflect, Stretch and Shear wait for two clicks that place the mirror or
// invariant line (an upright one included); then the image is dragged to
// set the factor, and the line's own handles move the line.
TEST_F(DragCurvesForm, MirrorAndInvariantLinesArePlacedByClicksThenTheImageIsDragged)
{
    struct TRow {
        const char* what;
        const char* command;
        const char* prompt;
        TRealPoint click1, click2;
        const char* afterClicks; // the status once the line is placed
        const char* lineText;    // the placed line, as the transformation's line shows it
        TRealPoint from, to;     // the drag of the image or of the line's second handle (none if equal)
        const char* inLine;      // in the line after the drag
        TRealPoint image;        // where the flag's corner (1,1) goes
    };
    const TRow rows[] = {
        {"reflect in an upright line",
         "ActionReflect",
         "Click 2 more points to complete the mirror line.",
         {0, -1},
         {0, 1},
         "",
         "x=0",
         {0, 0},
         {0, 0},
         "x=0",
         {-1, 1}},
        // The second handle pulled to (1, 1): the mirror becomes y = 2x - 1, through the corner.
        {"reflect, mirror moved",
         "ActionReflect",
         "Click 2 more points to complete the mirror line.",
         {0, -1},
         {0, 1},
         "",
         "x=0",
         {0, 1},
         {1, 1},
         "y=2x-1",
         {1, 1}},
        {"stretch",
         "ActionStretch",
         "Click 2 more points to complete the invariant line.",
         {-2, 0},
         {2, 0},
         "Drag the shape to stretch",
         "y=0",
         {1, 2},
         {1, 4},
         "{2}",
         {1, 2}},
        {"shear",
         "ActionShear",
         "Click 2 more points to complete the invariant line.",
         {-2, 0},
         {2, 0},
         "Drag the shape to shear",
         "y=0",
         {1, 2},
         {3, 2},
         "{1}",
         {2, 1}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        if (equations->SelectedObject() != flag)
            equations->SelectLine(0);
        const int before = equations->Count();
        const std::string saved = EquationListText(equations->List().Lines(), 0);
        ASSERT_TRUE(form->Commands().Trigger(row.command));
        ASSERT_EQ(equations->Count(), before + 1);
        auto* image = dynamic_cast<TTransformation*>(equations->SelectedObject());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(form->MessageLabel()->text().toStdString(), row.prompt);
        EXPECT_TRUE(image->WaitsForClicks());
        EXPECT_EQ(EquationListText(equations->List().Lines(), 0), saved)
            << "an image waiting for its line is not saved";
        Move(Pixel(3, -3), {}, Qt::NoButton);
        EXPECT_EQ(graph->CursorSlot(), DragCursorSlot(crPickAPoint));
        QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(row.click1.x, row.click1.y));
        EXPECT_TRUE(image->WaitsForClicks());
        QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(row.click2.x, row.click2.y));
        WaitForPicture();
        ASSERT_FALSE(image->WaitsForClicks());
        ASSERT_TRUE(image->IsValid());
        EXPECT_EQ(form->MessageLabel()->text().toStdString(), row.afterClicks);
        EXPECT_NE(equations->List().LineMarkup(before).find(row.lineText), std::string::npos)
            << equations->List().LineMarkup(before);
        KeepForInspection(form->grab().toImage(), QString("drag-line-placed-%1.png").arg(row.what));
        if (row.from.x != row.to.x || row.from.y != row.to.y) {
            form->SetModified(false);
            Drag(row.from, row.to);
            WaitForPicture();
            EXPECT_TRUE(form->Modified());
        }
        const std::string line = equations->List().LineMarkup(before);
        EXPECT_NE(line.find(row.inLine), std::string::npos) << line;
        KeepForInspection(form->grab().toImage(), QString("drag-line-image-%1.png").arg(row.what));
        TTransform map;
        ASSERT_TRUE(image->Composite(map));
        const TRealPoint corner = map.Apply({1, 1});
        EXPECT_NEAR(double(corner.x), double(row.image.x), 1e-9) << line;
        EXPECT_NEAR(double(corner.y), double(row.image.y), 1e-9) << line;
        ExpectPoints(Points(), FlagAt, "the parent stays where it is");
        // The saved line reads back as the same step.
        EXPECT_NE(EquationListText(equations->List().Lines(), 0).find(row.inLine), std::string::npos);
    }
}

// A shape placed by its centre and a vertex keeps its form: the vertex
// handle turns and resizes it, the centre handle and a press on a side move
// it whole. A regular polygon given by its sides becomes the list of its
// vertices at the press, and the vertex pressed moves; Undo gives it back.
TEST_F(DragCurvesForm, ShapesAreDraggedByTheirHandlesAndSides)
{
    // A regular polygon given by its sides: the press makes it its list of vertices.
    ASSERT_TRUE(equations->AddLineWith(
        ElementsFromText("{fix \x06\x15{Polygon with}{4}{sides of length}{2}{centre}{{coords{4}{0}}"), 0,
        false, 0));
    ASSERT_TRUE(equations->FinishEdit());
    const int at = equations->Count() - 1;
    auto* polygon = dynamic_cast<TPolygon*>(equations->ItemAt(at));
    ASSERT_NE(polygon, nullptr);
    std::vector<TRealPoint> vertices = polygon->Vertices();
    ASSERT_EQ(vertices.size(), 4u);
    for (TRealPoint& v : vertices)
        v = {std::round(v.x * 1e6) / 1e6, std::round(v.y * 1e6) / 1e6};
    // The line entered stays selected (selecting it again would open it for editing).
    ASSERT_EQ(equations->SelectedIndex(), at);
    WaitForPicture();
    form->SetModified(false);
    Drag(vertices[0], {vertices[0].x + 1, vertices[0].y});
    WaitForPicture();
    auto* list = dynamic_cast<TCoordCurve*>(equations->ItemAt(at));
    ASSERT_NE(list, nullptr) << equations->List().LineMarkup(at);
    EXPECT_TRUE(form->Modified());
    ASSERT_EQ(list->PointCount(), 4);
    std::vector<TRealPoint> moved = vertices;
    moved[0].x += 1;
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(double(list->PointAt(i)->Point().x), double(moved[i].x), 1e-9) << "vertex " << i;
        EXPECT_NEAR(double(list->PointAt(i)->Point().y), double(moved[i].y), 1e-9) << "vertex " << i;
    }
    KeepForInspection(form->grab().toImage(), "drag-polygon-vertex.png");
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_NE(dynamic_cast<TPolygon*>(equations->ItemAt(at)), nullptr)
        << "one undo step gives the polygon back";
    ASSERT_TRUE(form->Commands().Trigger("ActionSquare"));
    auto* square = dynamic_cast<TDragPolygon*>(equations->SelectedObject());
    ASSERT_NE(square, nullptr);
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(0, 0));
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(2, 0));
    ASSERT_TRUE(square->Complete());
    WaitForPicture();
    const int index = equations->List().IndexOf(square);
    struct TRow {
        const char* what;
        TRealPoint from, to;
        TRealPoint centre, vertex; // afterwards
    };
    const TRow rows[] = {
        {"the vertex turns and resizes", {2, 0}, {0, 3}, {0, 0}, {0, 3}},
        {"the centre carries the vertex", {0, 0}, {1, 1}, {1, 1}, {1, 4}},
        // The side from (0,3) to (-3,0) moved 1 to the right, after the two drags above.
        {"a side moves it whole", {-0.5, 2.5}, {0.5, 2.5}, {2, 1}, {2, 4}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        form->SetModified(false);
        Drag(row.from, row.to);
        WaitForPicture();
        ASSERT_EQ(equations->ItemAt(index), square);
        EXPECT_TRUE(form->Modified());
        EXPECT_NEAR(double(square->Centre->Point().x), double(row.centre.x), 1e-9);
        EXPECT_NEAR(double(square->Centre->Point().y), double(row.centre.y), 1e-9);
        EXPECT_NEAR(double(square->Vertex->Point().x), double(row.vertex.x), 1e-9);
        EXPECT_NEAR(double(square->Vertex->Point().y), double(row.vertex.y), 1e-9);
        const std::string line = equations->List().LineMarkup(index);
        const std::string vertex =
            "{vertex}{{coords{" + DisplayText(row.vertex.x) + "}{" + DisplayText(row.vertex.y) + "}";
        EXPECT_NE(line.find(vertex), std::string::npos) << line;
    }
    KeepForInspection(form->grab().toImage(), "drag-square.png");
}

// The popup's "Equation type..." writes a quadratic expanded, factorised or
// as a completed square, each one step of its own; "New line..." starts a
// line (or quadratic) whose first point is where the menu was opened.
TEST_F(DragCurvesForm, ThePopupWritesAQuadraticInItsFormsAndStartsALineAtTheClick)
{
    ASSERT_TRUE(equations->AddLineWith(ElementsFromText("y=x{^{2}-4x+3"), 0, false, 0));
    ASSERT_TRUE(equations->FinishEdit());
    const int index = equations->Count() - 1;
    WaitForPicture();
    QMenu* popup = form->GraphPopup();
    auto item = [popup](const char* text) -> QAction* {
        for (QAction* action : popup->findChildren<QAction*>())
            if (action->text() == text)
                return action;
        return nullptr;
    };
    auto openPopup = [&](QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, graph->mapToGlobal(at));
        QCoreApplication::sendEvent(graph, &event);
        popup->hide();
    };
    auto heading = [popup](const char* title) -> QAction* {
        for (QMenu* menu : popup->findChildren<QMenu*>())
            if (menu->title() == title)
                return menu->menuAction();
        return nullptr;
    };
    QAction* forms = heading("Equation type...");
    QAction* newLine = heading("New line...");
    ASSERT_NE(forms, nullptr);
    ASSERT_NE(newLine, nullptr);
    openPopup(Pixel(-4, -4));
    EXPECT_FALSE(forms->isEnabled()) << "nothing under the click";
    const struct {
        const char* item;
        const char* line;
    } rows[] = {
        {"Factorised", "y=(x-1)(x-3)"},
        {"Completed square", "y=(x-2){^{2}-1"},
        {"Normal", "y=x{^{2}-4x+3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        openPopup(Pixel(0, 3));
        ASSERT_TRUE(forms->isEnabled());
        const std::string before = equations->List().LineMarkup(index);
        form->SetModified(false);
        ASSERT_NE(item(row.item), nullptr);
        item(row.item)->trigger();
        EXPECT_EQ(equations->List().LineMarkup(index), row.line);
        EXPECT_EQ(equations->Line(), nullptr) << "the line is not opened for editing";
        EXPECT_TRUE(form->Modified());
        if (row.line != before) {
            // One undo step each.
            ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
            EXPECT_EQ(equations->List().LineMarkup(index), before);
            ASSERT_TRUE(form->Commands().Trigger("ActionRedo"));
            EXPECT_EQ(equations->List().LineMarkup(index), row.line);
        }
    }
    // A typed straight line has no other forms.
    openPopup(Pixel(0, 1));
    EXPECT_FALSE(forms->isEnabled()) << "y=x is not a quadratic";

    // "New line..." with "straight": the click on the graph is the first point.
    ASSERT_NE(item("straight"), nullptr);
    openPopup(Pixel(-4, -4));
    ASSERT_TRUE(newLine->isEnabled());
    item("straight")->trigger();
    const int placed = equations->Count() - 1;
    auto* line = dynamic_cast<TCurvePLotter*>(equations->ItemAt(placed));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->WaitsForClicks());
    EXPECT_EQ(form->MessageLabel()->text().toStdString(),
              "Click 1 more point to complete the straight line.");
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(-2, 0));
    WaitForPicture();
    line = dynamic_cast<TCurvePLotter*>(equations->ItemAt(placed));
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(line->WaitsForClicks());
    EXPECT_EQ(equations->List().LineMarkup(placed), "y=2x+4");
    // From the equations window there is no point to start from.
    QContextMenuEvent event(QContextMenuEvent::Mouse, equations->LineRect(0).center(),
                            equations->mapToGlobal(equations->LineRect(0).center()));
    QCoreApplication::sendEvent(equations, &event);
    popup->hide();
    EXPECT_FALSE(newLine->isEnabled());
}

} // namespace

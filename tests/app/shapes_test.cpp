// Points and shapes in the main window, driven as a user drives them: the
// Shapes and Stats commands, typing rows into the coordinate editor and
// clicking points on the graph, placing a square with two presses, the
// coordinate list, the popup's shape items, and the windows letting go of a
// list that leaves the equations list.
#include "app/coordinateeditor.h"
#include "app/coordinatelister.h"
#include "app/lumacurveform.h"
#include "app/shapework.h"
#include "equations/equationswindow.h"
#include "expr/parser.h"
#include "formula/markup.h"
#include "geometry/polygon.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"

#include <QAction>
#include <QDockWidget>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class ShapesForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        Configuration = DefaultConfiguration;
        form = MakeQuietForm<TLumacurveForm>();
        ASSERT_NE(form, nullptr);
        shapes = form->Shapes();
        ASSERT_NE(shapes, nullptr);
        editor = shapes->Editor();
        graph = form->GraphArea();
        equations = form->Equations();
    }
    void TearDown() override
    {
        form->SetModified(false);
        form.reset();
        Configuration = DefaultConfiguration;
    }

    [[nodiscard]] QPoint Pixel(Extended x, Extended y) const
    {
        return graph->Params().Axes->ValueToPixel(x, y);
    }
    TCoordCurve* Selected() const { return dynamic_cast<TCoordCurve*>(equations->SelectedObject()); }
    // Types a row into the grid and presses Enter.
    void TypeRow(const char* text)
    {
        QTest::keyClicks(editor->Grid(), text);
        QTest::keyClick(editor->Grid(), Qt::Key_Return);
    }
    static TRealPoint At(const TCoordCurve& list, int row)
    {
        const TCoordinates* point = list.PointAt(row);
        return point ? point->Point() : TRealPoint{NAN, NAN};
    }

    std::unique_ptr<TLumacurveForm> form;
    TShapeWork* shapes = nullptr;
    TCoordinateEditor* editor = nullptr;
    TGraphWindow* graph = nullptr;
    TEquationsWindow* equations = nullptr;
};

} // namespace

TEST_F(ShapesForm, NewShapeOpensTheEditorOnAListThatRowsAreTypedInto)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    ASSERT_EQ(equations->Count(), 1);
    TCoordCurve* list = Selected();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(shapes->EditorPanel()->isVisible());
    EXPECT_EQ(editor->Curve(), list);
    EXPECT_TRUE(editor->Active());
    EXPECT_EQ(graph->MouseMode(), mmCoordinates);
    // A list just begun: New shape again shows the editor and makes no second list.
    EXPECT_TRUE(editor->IsFreshEntry());
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    EXPECT_EQ(equations->Count(), 1);

    TypeRow("1,2");
    TypeRow("3.5,-1");
    EXPECT_EQ(list->RowCount(), 3) << "Enter leaves a blank row to type into";
    EXPECT_EQ(At(*list, 0).x, 1);
    EXPECT_EQ(At(*list, 1).y, -1);
    // Enter on an empty row makes a gap; on an empty last row after a gap it adds nothing.
    QTest::keyClick(editor->Grid(), Qt::Key_Return);
    EXPECT_EQ(list->RowCount(), 4);
    QTest::keyClick(editor->Grid(), Qt::Key_Return);
    EXPECT_EQ(list->RowCount(), 4);

    ASSERT_NE(editor->Action("ActionOk"), nullptr);
    editor->Action("ActionOk")->trigger();
    EXPECT_EQ(editor->Curve(), nullptr);
    EXPECT_EQ(list->RowCount(), 2) << "the blank rows at the end go";
    EXPECT_FALSE(shapes->EditorPanel()->isVisible());
    EXPECT_EQ(graph->MouseMode(), mmNone);
}

TEST_F(ShapesForm, AListWithoutPointsOrWithOneIsNoFault)
{
    // A list just begun holds only the row being typed, and a list may hold
    // only gaps: nothing is drawn, and the status line must not call it complex.
    for (const char* command : {"ActionNewShape", "ActionDataPoints"}) {
        SCOPED_TRACE(command);
        form->MessageLabel()->clear();
        ASSERT_TRUE(form->Commands().Trigger(command));
        QApplication::processEvents();
        graph->repaint();
        EXPECT_EQ(form->MessageLabel()->text().toStdString(), "");
        ASSERT_NE(editor->Action("ActionOk"), nullptr);
        editor->Action("ActionOk")->trigger();
    }
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    QTest::keyClick(editor->Grid(), Qt::Key_Return);
    QTest::keyClick(editor->Grid(), Qt::Key_Return);
    QApplication::processEvents();
    graph->repaint();
    EXPECT_EQ(form->MessageLabel()->text().toStdString(), "");
    // The first point, in the middle of the window, is not off the screen
    // though no line joins it yet.
    TypeRow("1,2");
    QApplication::processEvents();
    graph->repaint();
    EXPECT_EQ(form->MessageLabel()->text().toStdString(), "");
}

TEST_F(ShapesForm, ARowThatCannotBeReadStaysInEditingWithItsFault)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    TCoordCurve* list = Selected();
    ASSERT_NE(list, nullptr);
    TypeRow("1,");
    EXPECT_TRUE(form->MessageLabel()->text().contains("You must put a formula here"))
        << form->MessageLabel()->text().toStdString();
    EXPECT_EQ(list->PointAt(0), nullptr);
    EXPECT_NE(editor->Grid()->Line(), nullptr) << "the row stays in editing";
    // Finish is refused while the row is at fault.
    EXPECT_FALSE(editor->Finish());
    EXPECT_EQ(editor->Curve(), list);
    QTest::keyClicks(editor->Grid(), "4");
    QTest::keyClick(editor->Grid(), Qt::Key_Return);
    EXPECT_EQ(At(*list, 0).y, 4);
}

TEST_F(ShapesForm, ClickingOnTheGraphAddsPointsAndShiftDragsOne)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    TCoordCurve* list = Selected();
    ASSERT_NE(list, nullptr);
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1, 1));
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(3, 2));
    ASSERT_EQ(list->PointCount(), 2);
    EXPECT_NEAR(double(At(*list, 0).x), 1, 0.05);
    EXPECT_NEAR(double(At(*list, 1).y), 2, 0.05);
    EXPECT_TRUE(editor->Active()) << "a click on the graph keeps the editor active";
    EXPECT_TRUE(editor->MarkerShown());

    // Shift within a few pixels of a point shows the hand; without Shift the mode's cursor.
    const QPoint near = Pixel(At(*list, 0).x, At(*list, 0).y) + QPoint(3, -3);
    QMouseEvent shifted(QEvent::MouseMove, QPointF(near), graph->mapToGlobal(QPointF(near)), Qt::NoButton,
                        Qt::NoButton, Qt::ShiftModifier);
    QApplication::sendEvent(graph, &shifted);
    EXPECT_EQ(graph->CursorSlot(), TCursorSlot::Hand);
    EXPECT_EQ(editor->HoverIndex(), 0);
    QMouseEvent plain(QEvent::MouseMove, QPointF(near), graph->mapToGlobal(QPointF(near)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &plain);
    EXPECT_EQ(graph->CursorSlot(), TCursorSlot::Coords);

    // Shift and a drag move that point; no row is added.
    QTest::mousePress(graph, Qt::LeftButton, Qt::ShiftModifier, near);
    QTest::mouseMove(graph, Pixel(-2, -3));
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::ShiftModifier, Pixel(-2, -3));
    EXPECT_EQ(list->PointCount(), 2);
    EXPECT_NEAR(double(At(*list, 0).x), -2, 0.05);
    EXPECT_NEAR(double(At(*list, 0).y), -3, 0.05);
    // The graph shows the list where it is now, not where it was: the segment from
    // (1, 1) to (3, 2) is gone, the one from (-2, -3) to (3, 2) is there.
    graph->repaint();
    const QImage shown = graph->grab().toImage();
    auto ink = [&](Extended x, Extended y) {
        const QPoint p = Pixel(x, y);
        int dark = 0;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                dark += qGray(shown.pixel(p + QPoint(dx, dy))) < 100;
        return dark > 0;
    };
    EXPECT_FALSE(ink(2, 1.5)) << "the old segment stays on the graph";
    EXPECT_TRUE(ink(0.5, -0.5)) << "the new segment is not drawn";
}

TEST_F(ShapesForm, AListOpenedInTheEditorIsDrawnOnlyWhereItIsNow)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    TCoordCurve* flag = Selected();
    ASSERT_NE(flag, nullptr);
    graph->repaint();
    shapes->OpenCoordinateEditor(flag);
    ASSERT_EQ(editor->Curve(), flag);
    // Shift and a drag take (1, 1) to (-2, -3).
    QTest::mousePress(graph, Qt::LeftButton, Qt::ShiftModifier, Pixel(1, 1));
    QTest::mouseMove(graph, Pixel(-2, -3));
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::ShiftModifier, Pixel(-2, -3));
    ASSERT_NEAR(double(At(*flag, 0).x), -2, 0.05);
    graph->repaint();
    const QImage shown = graph->grab().toImage();
    auto dark = [&](Extended x, Extended y) {
        const QPoint p = Pixel(x, y);
        return qGray(shown.pixel(p)) < 100 || qGray(shown.pixel(p + QPoint(1, 0))) < 100 ||
               qGray(shown.pixel(p - QPoint(1, 0))) < 100;
    };
    // The sides from (1, 1) went with it: the picture from before the editor opened is not shown.
    EXPECT_FALSE(dark(1, 1.5));
    EXPECT_TRUE(dark(-0.5, 0)) << "the side from (-2, -3) to (1, 3)";
}

TEST_F(ShapesForm, DataPointsHaveNoClosedOrJoinedAndSwapExchangesThem)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionDataPoints"));
    auto* set = dynamic_cast<TDataPoints*>(Selected());
    ASSERT_NE(set, nullptr);
    EXPECT_FALSE(editor->Action("ActionClosed")->isVisible());
    EXPECT_FALSE(editor->Action("ActionJoined")->isVisible());
    TypeRow("1,2");
    ASSERT_TRUE(editor->Finish());
    form->UpdateCommands();
    EXPECT_TRUE(form->Commands().Action("ActionSwapxy")->isEnabled());
    ASSERT_TRUE(form->Commands().Trigger("ActionSwapxy"));
    EXPECT_EQ(At(*set, 0).x, 2);
    EXPECT_EQ(At(*set, 0).y, 1);
}

TEST_F(ShapesForm, TheFlagHasAnAreaAndTheAreaCommandNeedsAClosedShape)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    TCoordCurve* flag = Selected();
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->PointCount(), 4);
    EXPECT_TRUE(flag->Closed);
    form->UpdateCommands();
    ASSERT_TRUE(form->Commands().Trigger("ActionArea"));
    EXPECT_EQ(form->LastMessage(), "The area of the polygon is 0.5");
    // A curve offers its area function; an open list has no area.
    equations->setFocus();
    QTest::keyClicks(equations, "y=x");
    QTest::keyClick(equations, Qt::Key_Return);
    equations->SelectLine(1);
    form->UpdateCommands();
    EXPECT_TRUE(form->Commands().Action("ActionArea")->isEnabled());
    EXPECT_FALSE(form->Commands().Action("ActionSwapxy")->isEnabled());
}

TEST_F(ShapesForm, ASquareIsPlacedWithTwoPresses)
{
    Configuration.DragCurves = true;
    ASSERT_TRUE(form->Commands().Trigger("ActionSquare"));
    auto* square = dynamic_cast<TDragPolygon*>(equations->SelectedObject());
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(form->MessageLabel()->text(), "Click one point to place the centre of the Square");
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(0, 0));
    EXPECT_EQ(form->MessageLabel()->text(), "Click one vertex of the Square");
    EXPECT_FALSE(square->Complete());
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(2, 0));
    ASSERT_TRUE(square->Complete());
    EXPECT_EQ(form->MessageLabel()->text(), "");
    EXPECT_NEAR(double(square->Area()), 8, 0.2);
    EXPECT_EQ(graph->ActiveTool(), nullptr) << "the placing ends with the shape";
    // The line shows both points.
    EXPECT_NE(ElementsToText(square->Elements()).find("{vertex}{{coords{2}{0}"), std::string::npos)
        << ElementsToText(square->Elements());

    // With dragging off the command gives a line to fill in.
    Configuration.DragCurves = false;
    ASSERT_TRUE(form->Commands().Trigger("ActionTriangle"));
    ASSERT_NE(equations->Line(), nullptr);
    EXPECT_EQ(ElementsToText(equations->Line()->Elements()),
              std::string("{fix \x05\x0b{Triangle}{sides of length}{}{centre}{{coords{}{}}"));
}

TEST_F(ShapesForm, TheCoordinateListFollowsTheSelectionInAFixedPitchFont)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    ASSERT_TRUE(form->Commands().Trigger("ActionCoordList"));
    TCoordinateLister* lister = shapes->Lister();
    EXPECT_TRUE(shapes->ListerPanel()->isVisible());
    EXPECT_EQ(lister->ShownLines(),
              (std::vector<std::string>{"A(1 ,1 )", "B(1 ,3 )", "C(2 ,2 )", "D(1 ,2 )"}));
    EXPECT_TRUE(QFontInfo(lister->List()->font()).fixedPitch());
    // The window keeps the listed line while it is closed (it is listed again when shown). A line
    // deleted meanwhile must not stay behind as a pointer to freed memory.
    lister->findChild<QAction*>("Close")->trigger();
    EXPECT_FALSE(shapes->ListerPanel()->isVisible());
    ASSERT_TRUE(form->Commands().Trigger("ActionDeleteCurve"));
    EXPECT_EQ(lister->Listed(), nullptr);
    EXPECT_TRUE(lister->ShownLines().empty());
    // The same when Undo replaces every line.
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    ASSERT_TRUE(form->Commands().Trigger("ActionCoordList"));
    ASSERT_NE(lister->Listed(), nullptr);
    lister->findChild<QAction*>("Close")->trigger();
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(lister->Listed(), nullptr);
}

TEST_F(ShapesForm, TheEditorLetsGoOfAListThatIsDeletedOrUndone)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    TypeRow("1,1");
    TCoordCurve* list = Selected();
    ASSERT_EQ(editor->Curve(), list);
    // Undo settles the editor's input as a step of its own, then steps back to where the editing began.
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(editor->Curve(), nullptr);
    ASSERT_EQ(equations->Count(), 2);
    auto* begun = dynamic_cast<TCoordCurve*>(equations->ItemAt(1));
    ASSERT_NE(begun, nullptr);
    EXPECT_EQ(begun->PointCount(), 0);
    ASSERT_TRUE(form->Commands().Trigger("ActionRedo"));
    ASSERT_EQ(equations->Count(), 2);
    EXPECT_EQ(dynamic_cast<TCoordCurve*>(equations->ItemAt(1))->PointCount(), 1);

    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    TCoordCurve* doomed = editor->Curve();
    ASSERT_NE(doomed, nullptr);
    EXPECT_TRUE(equations->DeleteCurve(doomed).isEmpty());
    // The editor let go of it and closed; the graph takes no more points.
    EXPECT_EQ(editor->Curve(), nullptr);
    EXPECT_FALSE(shapes->EditorPanel()->isVisible());
    EXPECT_NE(graph->MouseMode(), mmCoordinates);
    // The graph keeps drawing and the editor takes no more points for the freed list.
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1, 1));
    graph->repaint();

    // New frees every line: the editor must not keep the one it was editing.
    ASSERT_TRUE(form->Commands().Trigger("ActionNewShape"));
    ASSERT_NE(editor->Curve(), nullptr);
    form->SetModified(false);
    ASSERT_TRUE(form->Commands().Trigger("ActionFileNew"));
    EXPECT_EQ(equations->Count(), 0);
    EXPECT_EQ(editor->Curve(), nullptr);
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(2, 2));
    graph->repaint();
}

TEST_F(ShapesForm, ThePopupDeletesAPointAndTogglesLabelAndShade)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    TCoordCurve* flag = Selected();
    ASSERT_NE(flag, nullptr);
    shapes->PopupOpening(flag, Pixel(2, 2), true);
    QAction* deletePoint = nullptr;
    QAction* label = nullptr;
    QAction* shade = nullptr;
    for (QAction* action : form->GraphPopup()->findChildren<QAction*>()) {
        if (action->text() == "Delete point")
            deletePoint = action;
        else if (action->text() == "Label")
            label = action;
        else if (action->text() == "Shade")
            shade = action;
    }
    ASSERT_TRUE(deletePoint && label && shade);
    EXPECT_TRUE(deletePoint->isVisible());
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(label->isChecked());
    EXPECT_TRUE(shade->isVisible()) << "a closed list may be shaded";
    deletePoint->trigger();
    EXPECT_EQ(flag->PointCount(), 3);
    shapes->PopupOpening(flag, Pixel(5, 5), true);
    EXPECT_FALSE(deletePoint->isVisible()) << "no point under the click";
    label->trigger();
    EXPECT_TRUE(flag->LabelsSuppressed());
    shapes->PopupOpening(flag, Pixel(5, 5), true);
    shade->trigger();
    EXPECT_EQ(flag->Shaded(), !Configuration.ShadeShapes);
}

TEST_F(ShapesForm, EditingAListLineOpensTheEditorWithItsFirstLetter)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    TCoordCurve* flag = Selected();
    ASSERT_NE(flag, nullptr);
    EXPECT_FALSE(shapes->EditorPanel()->isVisible());
    // Taking the selected line up for editing opens the coordinate editor instead of a formula line.
    equations->SelectLine(equations->SelectedIndex());
    QCoreApplication::processEvents();
    EXPECT_EQ(equations->Line(), nullptr);
    EXPECT_EQ(editor->Curve(), flag);
    EXPECT_TRUE(shapes->EditorPanel()->isVisible());
    EXPECT_EQ(flag->RowCount(), 4);

    QLineEdit* first = editor->FirstLetterEdit();
    EXPECT_EQ(first->text(), "A");
    first->selectAll();
    QTest::keyClicks(first, "b");
    EXPECT_EQ(first->text(), "B");
    EXPECT_EQ(flag->LabelFrom, 'B');
    first->selectAll();
    QTest::keyClicks(first, "1");
    EXPECT_EQ(flag->LabelFrom, 'B') << "only letters start the labels";
    // Without labels there is no first letter to give.
    editor->Action("ActionLabelPoints")->trigger();
    EXPECT_TRUE(flag->LabelsSuppressed());
    QCoreApplication::processEvents();
    EXPECT_FALSE(first->isVisible());
}

TEST_F(ShapesForm, AShapeCommandWaitsForALineWithAFault)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionPolygon"));
    ASSERT_NE(equations->Line(), nullptr);
    EXPECT_EQ(ElementsToText(equations->Line()->Elements()),
              std::string("{fix \x06\x15{Polygon with}{}{sides of length}{}{centre}{{coords{}{}}"));
    // The empty fields cannot be entered: the fault shows on the status line, no list is made.
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    EXPECT_EQ(equations->Count(), 1);
    EXPECT_NE(equations->Line(), nullptr);
    EXPECT_TRUE(form->MessageLabel()->text().contains("You must put a formula here"))
        << form->MessageLabel()->text().toStdString();
    // Filled in, the line becomes a polygon and the command goes on.
    for (const char* field : {"5", "2"}) {
        QTest::keyClicks(equations, field);
        QTest::keyClick(equations, Qt::Key_Tab);
    }
    // Into the centre's x and y (put there directly: the field list's Tab passes the point by).
    TCoordEditObject* centre = nullptr;
    for (TEditorObject* e = equations->Line()->Elements(); e && !centre; e = e->next)
        if (auto* fields = dynamic_cast<TFixedList*>(e))
            centre = dynamic_cast<TCoordEditObject*>(NextNonBlankElement(fields->Cell(5)));
    ASSERT_NE(centre, nullptr);
    for (int cell = 0; cell < 2; ++cell) {
        equations->Line()->SetCaret(centre->Cell(cell), 0);
        QTest::keyClicks(equations, "0");
    }
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    ASSERT_EQ(equations->Count(), 2) << form->MessageLabel()->text().toStdString() << " in "
                                     << (equations->Line() ? ElementsToText(equations->Line()->Elements())
                                                           : "");
    auto* polygon = dynamic_cast<TPolygon*>(equations->ItemAt(0));
    ASSERT_NE(polygon, nullptr) << ElementsToText(equations->ItemAt(0)->Elements());
    EXPECT_EQ(polygon->SideCount(), 5);
}

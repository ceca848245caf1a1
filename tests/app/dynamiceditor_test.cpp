// The dynamic constant editor in the main window, driven as a user drives
// it: the commands that open it, its keys and buttons, the graph it
// animates, box errors without a message box, the presses it drops after a
// slow redraw, and the main window's changes of lines around it (Undo,
// New, Open, Delete curve) with the undo step and modified document a
// played value leaves.
#include "app/declaredconstanteditor.h"
#include "app/helpwindow.h"
#include "app/lumacurveform.h"
#include "document/documentsamples.h"
#include "editor/mathseditor.h"
#include "entry/declarationlines.h"
#include "equations/equationswindow.h"
#include "formula/markup.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>

namespace {

// A document: a = 1 with step 0.5, y = a (red), y = -3 and b = 2.
std::string Document()
{
    const std::string& sample = documentsamples::Curves;
    std::string text = sample.substr(0, sample.find("Curve\r\n"));
    auto record = [](const std::string& line, const char* colour, const char* step) {
        std::string r = "Curve\r\n" + line + "\r\n\tcolour = " + colour +
                        "\r\n\tstyle = 0\r\n\tSwitches = 0\r\n\tLine thickness = 1\r\n";
        if (step)
            r += std::string("\tStep: ") + step + "\r\n";
        return r;
    };
    return text + record("a=1", "16777216", "0.5") + record("y=a", "255", nullptr) +
           record("y=-3", "16711680", nullptr) + record("b=2", "16777216", "0.2") +
           "Selected curve no: 1\r\n";
}

class DynamicEditorForm : public QuietFormTest<TLumacurveForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        Configuration.RepeatsDelay = 20; // 200 ms between played steps: no tick lands unasked
        path = dir.filePath("dynamic.lcv");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(Document()));
        file.close();
        ASSERT_TRUE(form->OpenFile(path));
        Configuration.RepeatsDelay = 20;
        equations = form->Equations();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form->FreeDynamicEditor();
        QuietFormTest::TearDown();
    }
    // Selects the constant's line and opens the editor with the command.
    void OpenEditor(int line = 0)
    {
        equations->SelectLine(line);
        QApplication::processEvents();
        ASSERT_TRUE(form->Commands().Trigger("ActionDynamicConstants"));
        QApplication::processEvents();
        editor = form->DynamicEditor();
        ASSERT_NE(editor, nullptr);
        valueBox = editor->findChild<TMathsEditor*>("VariableEdit");
        stepBox = editor->findChild<TMathsEditor*>("StepEditor");
        ASSERT_TRUE(valueBox && stepBox);
    }
    QToolButton* Button(const char* name) { return editor->findChild<QToolButton*>(name); }
    TDynamicConstantEditing& Editing() { return editor->Editing(); }
    std::string Value() { return Editing().ValueText(); }
    std::string LineText(int index) { return ElementsToText(equations->ItemAt(index)->Elements()); }
    void Key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        Settle();
    }
    // Runs what is pending, a closed editor's freeing too.
    static void Settle()
    {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Whether the graph window shows the red of y = a within a pixel of (x, y).
    bool RedNear(long double x, long double y)
    {
        TGraphWindow* graph = form->GraphArea();
        const QImage picture = graph->GrabPicture();
        const QPoint pixel = graph->Params().Axes->ValueToPixel(x, y);
        const qreal ratio = picture.devicePixelRatio();
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QPoint p = (QPointF(pixel) * ratio).toPoint() + QPoint(dx, dy);
                if (picture.rect().contains(p) && picture.pixelColor(p) == QColor(255, 0, 0))
                    return true;
            }
        return false;
    }

    QString path;
    TEquationsWindow* equations = nullptr;
    QPointer<TDeclaredConstantEditor> editor;
    TMathsEditor* valueBox = nullptr;
    TMathsEditor* stepBox = nullptr;
};

TEST_F(DynamicEditorForm, CommandsFollowTheSelectedAndTheEditedLine)
{
    QAction* dynamic = form->Commands().Action("ActionDynamicConstants");
    QAction* family = form->Commands().Action("ActionFamily");
    equations->SelectLine(1); // y = a
    QApplication::processEvents();
    EXPECT_TRUE(dynamic->isEnabled());
    EXPECT_FALSE(family->isEnabled());
    equations->SelectLine(0); // a = 1
    QApplication::processEvents();
    EXPECT_TRUE(dynamic->isEnabled());
    EXPECT_TRUE(family->isEnabled());
    // Editing the constant's line disables both.
    ASSERT_TRUE(equations->StartEdit(false));
    form->UpdateCommands();
    EXPECT_FALSE(dynamic->isEnabled());
    EXPECT_FALSE(family->isEnabled());
}

TEST_F(DynamicEditorForm, OpensOnTheSelectedConstantAndBlocksDragging)
{
    Configuration.DragCurves = true;
    Configuration.Unlocked = true;
    auto* curve = dynamic_cast<TCurvePLotter*>(equations->ItemAt(1));
    ASSERT_NE(curve, nullptr);
    EXPECT_TRUE(curve->DraggingAllowed());
    OpenEditor(3); // b = 2
    QDockWidget* panel = form->findChild<QDockWidget*>("DynamicEditorDockPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowTitle(), "Dynamic constant editor");
    auto* list = editor->findChild<QComboBox*>("CurrentConstant");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "a");
    EXPECT_EQ(list->currentText(), "b");
    EXPECT_EQ(valueBox->LineText(), "2");
    EXPECT_EQ(stepBox->LineText(), "0.2");
    EXPECT_EQ(Button("Forward")->toolTip(), "Step forward");
    EXPECT_EQ(Button("CloseButton")->toolTip(), "Finish");
    EXPECT_FALSE(curve->DraggingAllowed()) << "no curve is dragged while the editor exists";
    // Selecting another constant line follows it.
    equations->SelectLine(0);
    QApplication::processEvents();
    EXPECT_EQ(list->currentText(), "a");
    EXPECT_EQ(valueBox->LineText(), "1");
    // Finish closes it.
    QTest::mouseClick(Button("CloseButton"), Qt::LeftButton);
    Settle();
    EXPECT_EQ(form->DynamicEditor(), nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(curve->DraggingAllowed());
}

TEST_F(DynamicEditorForm, KeysStepPlayStopAndClose)
{
    OpenEditor();
    ASSERT_TRUE(valueBox->hasFocus());
    EXPECT_TRUE(Editing().Active());
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    EXPECT_EQ(Value(), "1.5");
    EXPECT_EQ(LineText(0), "a=1.5");
    Key(Qt::Key_Less, Qt::ShiftModifier);
    Key(Qt::Key_Less, Qt::ShiftModifier);
    EXPECT_EQ(Value(), "0.5");
    EXPECT_EQ(Editing().Direction(), 0);
    // Ctrl plays and holds the fast button down; Space stops.
    Key(Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(Editing().Direction(), 1);
    EXPECT_TRUE(Button("FastForward")->isChecked());
    EXPECT_EQ(Value(), "1");
    Key(Qt::Key_Space);
    EXPECT_EQ(Editing().Direction(), 0);
    EXPECT_FALSE(Button("FastForward")->isChecked());
    // A comma without Shift is typed; "<" never is.
    Key(Qt::Key_End);
    Key(Qt::Key_Comma);
    Key(Qt::Key_Less);
    EXPECT_EQ(valueBox->LineText(), "1,");
    // Escape closes; the played value is one undo step and the document is modified.
    const int steps = form->UndoHistory().Count();
    valueBox->Clear();
    QTest::keyClicks(valueBox, "2");
    Key(Qt::Key_Escape);
    EXPECT_EQ(form->DynamicEditor(), nullptr);
    EXPECT_EQ(LineText(0), "a=2");
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->UndoHistory().Count(), steps + 1);
    // Saved, the document holds the value reached.
    ASSERT_TRUE(form->SaveDocument(path));
    const QByteArray saved = Read(path);
    EXPECT_TRUE(saved.contains("Curve\r\na=2\r\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\tStep:  5.000000E-0001\r\n"));
}

TEST_F(DynamicEditorForm, ButtonsStepOnceThenHoldASecond)
{
    OpenEditor();
    QTest::mousePress(Button("Forward"), Qt::LeftButton);
    EXPECT_EQ(Value(), "1.5");
    QTimer* timer = editor->findChild<QTimer*>("Timer");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    QTest::mouseRelease(Button("Forward"), Qt::LeftButton);
    EXPECT_FALSE(timer->isActive());
    Settle(); // (a click comes in a later round of the event loop than the step's redraw)
    QTest::mouseClick(Button("FastBack"), Qt::LeftButton);
    EXPECT_EQ(Value(), "1");
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_TRUE(Button("FastBack")->isChecked());
    QTest::mouseClick(Button("Stop"), Qt::LeftButton);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(Button("FastBack")->isChecked());
}

TEST_F(DynamicEditorForm, TheGraphShowsEachFrame)
{
    OpenEditor();
    EXPECT_TRUE(RedNear(1, 1));
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    EXPECT_TRUE(RedNear(1, 2));
    EXPECT_FALSE(RedNear(1, 1));
    // A frame for a new size: the picture of the rest is drawn again for it.
    TGraphWindow* graph = form->GraphArea();
    graph->parentWidget()->parentWidget()->resize(graph->width() - 60, graph->height());
    QApplication::processEvents();
    const int builds = Editing().BackgroundBuilds();
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    EXPECT_EQ(Editing().BackgroundBuilds(), builds + 1);
    EXPECT_TRUE(RedNear(1, 2.5L));
    EXPECT_EQ(graph->GrabPicture().size(), graph->size() * graph->devicePixelRatioF());
}

TEST_F(DynamicEditorForm, PressesQueuedDuringARedrawAreDroppedButStopIsNot)
{
    OpenEditor();
    Key(Qt::Key_Period, Qt::ControlModifier);
    ASSERT_EQ(Editing().Direction(), 1);
    const std::string playing = Value();
    // A slow redraw: meanwhile the user clicked Step forward, then Stop.
    Editing().RedrawUsers();
    for (QToolButton* button : {Button("Forward"), Button("Stop")})
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const QPoint centre = button->rect().center();
            QCoreApplication::postEvent(
                button, new QMouseEvent(type, centre, button->mapToGlobal(centre), Qt::LeftButton,
                                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                        Qt::NoModifier));
        }
    QApplication::processEvents();
    EXPECT_EQ(Editing().Direction(), 0) << "Stop was clicked";
    EXPECT_EQ(Value(), playing) << "the step asked for during the redraw was dropped";
    // Once the queue has drained, the buttons work again.
    QApplication::processEvents();
    QTest::mouseClick(Button("Forward"), Qt::LeftButton);
    EXPECT_NE(Value(), playing);
}

TEST_F(DynamicEditorForm, BoxErrorsShowInTheBoxWithoutAMessageBox)
{
    OpenEditor();
    valueBox->Clear();
    QTest::keyClicks(valueBox, "a+1");
    Key(Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(Editing().Direction(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(form->MessageLabel()->text(), "A name cannot refer to itself");
    EXPECT_TRUE(valueBox->hasFocus());
    QTest::mouseClick(Button("CloseButton"), Qt::LeftButton);
    Settle();
    EXPECT_NE(form->DynamicEditor(), nullptr) << "Finish does not close with a box in error";
    EXPECT_EQ(LineText(0), "a=1");
}

TEST_F(DynamicEditorForm, LeavingTheEditorEndsThePeriod)
{
    OpenEditor();
    EXPECT_TRUE(equations->IdleSuspended());
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    const int steps = form->UndoHistory().Count();
    // A click in the equations window: the main window becomes active.
    form->activateWindow();
    QApplication::processEvents();
    equations->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(Editing().Active());
    EXPECT_FALSE(equations->IdleSuspended());
    EXPECT_EQ(form->UndoHistory().Count(), steps + 1);
    editor->window()->activateWindow(); // a click in the floating editor
    QApplication::processEvents();
    valueBox->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(Editing().Active());
}

TEST_F(DynamicEditorForm, UndoWhilePlayingEndsThePeriodFirstAndTheEditorFollowsTheRestoredLines)
{
    OpenEditor();
    Key(Qt::Key_Period, Qt::ControlModifier);
    Key(Qt::Key_Space);
    ASSERT_EQ(Value(), "1.5");
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    QApplication::processEvents();
    ASSERT_NE(form->DynamicEditor(), nullptr);
    EXPECT_EQ(LineText(0), "a=1");
    EXPECT_EQ(Value(), "1");
    // The editor acts on the restored line: a step changes it, and its curve.
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    EXPECT_EQ(LineText(0), "a=1.5");
    EXPECT_TRUE(RedNear(1, 1.5L));
    ASSERT_TRUE(form->Commands().Trigger("ActionRedo") || true);
}

TEST_F(DynamicEditorForm, NewDeleteAndOpenCloseTheEditor)
{
    OpenEditor();
    form->ClearAll(false);
    QApplication::processEvents();
    EXPECT_EQ(form->DynamicEditor(), nullptr) << "a document without constants closes it";

    ASSERT_TRUE(form->OpenFile(path));
    OpenEditor();
    equations->SelectLine(1);
    ASSERT_TRUE(form->Commands().Trigger("ActionDeleteCurve"));
    QApplication::processEvents();
    EXPECT_EQ(form->DynamicEditor(), nullptr);

    OpenEditor();
    Key(Qt::Key_Greater, Qt::ShiftModifier);
    form->SetModified(false);
    ASSERT_TRUE(form->OpenFile(path));
    QApplication::processEvents();
    EXPECT_EQ(form->DynamicEditor(), nullptr);
    EXPECT_EQ(LineText(0), "a=1");
}

TEST_F(DynamicEditorForm, FamilyStartsFieldsInTheLineAndEndsAShownFamily)
{
    equations->SelectLine(0);
    QApplication::processEvents();
    ASSERT_TRUE(form->Commands().Trigger("ActionFamily"));
    ASSERT_NE(equations->Line(), nullptr);
    QTest::keyClicks(equations, "3");
    QTest::keyClick(equations, Qt::Key_Tab);
    QTest::keyClicks(equations, "0.25");
    QTest::keyClick(equations, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Family.extraMembers, 2);
    EXPECT_EQ(Family.name, "a");
    EXPECT_TRUE(form->Commands().Action("ActionFamily")->isChecked());
    if (equations->SelectedIndex() != 0)
        equations->SelectLine(0);
    QApplication::processEvents();
    ASSERT_TRUE(form->Commands().Trigger("ActionFamily"));
    EXPECT_EQ(Family.constant, nullptr);
    EXPECT_FALSE(form->Commands().Action("ActionFamily")->isChecked());
    EXPECT_EQ(LineText(0), "a=1");
}

TEST_F(DynamicEditorForm, F1OpensItsHelpTopic)
{
    OpenEditor();
    Key(Qt::Key_F1);
    ASSERT_NE(form->HelpWindow(), nullptr);
    EXPECT_TRUE(form->HelpWindow()->CurrentPage().toString().endsWith("topic206.html"))
        << form->HelpWindow()->CurrentPage().toString().toStdString();
}

} // namespace

// The equations window driven as a user drives it: lines typed and entered
// with Enter become objects, faults keep the line with the message and the
// caret, clicks and arrow keys move the selection, lines are reordered by
// dropping them, derived lines follow and vanish with their primaries, and
// whole lines are copied and cut as markup.
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "equations/equationsscrollingwidget.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "platform/canvas.h"
#include "platform/codepage.h"
#include "plot/curveplotter.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"
#include "shownpicture.h"
#include "testfonts.h"
#include "testpictures.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A derived line under a curve that counts its recalculations.
class TFakeDerived : public TDependentCurvePlotter {
public:
    explicit TFakeDerived(TCurvePLotter* primary) : TDependentCurvePlotter(primary)
    {
        SetElements(ElementsFromText("Gradient function"));
    }
    void DrawOnGraph(Canvas&, TGraphParams&) override {}
    void Recalculate() override { ++recalculations; }
    int recalculations = 0;
};

// The window with its message boxes recorded instead of shown.
class TTestWindow : public TEquationsWindow {
public:
    std::vector<std::string>* messages = nullptr;

protected:
    void ShowMessage(const QString& text, QMessageBox::Icon, int) override
    {
        if (messages)
            messages->push_back(text.toStdString());
    }
};

class EquationsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FamilyEnd();
        box = std::make_unique<TEquationsScrolling>();
        window = new TTestWindow;
        window->messages = &messages;
        window->setFont(DejaVuSans(16));
        box->SetEquationsWindow(window);
        label = std::make_unique<QLabel>();
        window->ErrorReporter = label.get();
        window->OnSelectCurve = [this](TEquationsWindow*, TEquationObject* object, bool select) {
            if (select)
                selections.push_back(object);
        };
        window->OnLinesChanged = [this] { ++linesChanged; };
        box->resize(420, 240);
        box->show();
        window->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        box.reset();
        FamilyEnd();
        Configuration.DefineConstants = false;
    }

    void Type(const char* text) { QTest::keyClicks(window, text); }
    void Enter() { QTest::keyClick(window, Qt::Key_Return); }
    void TypeLine(const char* text)
    {
        Type(text);
        Enter();
        QApplication::processEvents();
    }
    // Enters a line given as markup (structures the keyboard builds in steps).
    void EnterMarkup(const char* markup)
    {
        ASSERT_TRUE(window->StartEdit(true));
        window->SetElements(ElementsFromText(markup));
        Enter();
        QApplication::processEvents();
    }
    QPoint Middle(int index) const { return window->LineRect(index).center(); }
    void Click(QPoint point) { QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, point); }
    // Hands a drag event straight to the window, as the drag manager would
    // once a drag is over it.
    void Deliver(QEvent& event) { static_cast<QObject*>(window)->event(&event); }
    std::string Markup(int index) const { return window->List().LineMarkup(index); }

    std::unique_ptr<TEquationsScrolling> box;
    TTestWindow* window = nullptr; // owned by the box
    std::unique_ptr<QLabel> label;
    std::vector<std::string> messages;
    std::vector<TEquationObject*> selections;
    int linesChanged = 0;
};

TEST_F(EquationsWindowTest, TypedLinesBecomeObjectsOnEnter)
{
    TypeLine("y=x");
    TypeLine("x=3");
    ASSERT_EQ(window->Count(), 2);
    EXPECT_NE(dynamic_cast<TYofX*>(window->ItemAt(0)), nullptr);
    EXPECT_NE(dynamic_cast<TXofY*>(window->ItemAt(1)), nullptr);
    EXPECT_EQ(window->Line(), nullptr);
    EXPECT_EQ(window->SelectedIndex(), 1);
    ASSERT_FALSE(selections.empty());
    EXPECT_EQ(selections.back(), window->ItemAt(1));
    EXPECT_GT(linesChanged, 0) << "the graph hears of new lines";
    // The second line starts where the first ends.
    EXPECT_EQ(window->LineRect(1).top(), window->LineRect(0).bottom() + 1);
}

TEST_F(EquationsWindowTest, AFaultyLineStaysWithTheMessageAndTheCaretAtTheFault)
{
    TypeLine("y=x");
    struct {
        const char* typed;
        const char* message;
    } rows[] = {
        {"sin x=0.5", EntryMessage::NeedsBoth},
        {"r<2", EntryMessage::NoInequality},
        {"y=2t", EntryMessage::NextFormula},
    };
    for (const auto& row : rows) {
        Type(row.typed);
        Enter();
        EXPECT_TRUE(label->text().contains(row.message)) << row.typed << ": " << label->text().toStdString();
        ASSERT_NE(window->Line(), nullptr) << row.typed;
        EXPECT_EQ(window->Count(), 2) << row.typed;
        EXPECT_EQ(window->SelectedObject(), window->Line()) << row.typed;
        EXPECT_NE(dynamic_cast<TYofX*>(window->ItemAt(0)), nullptr);
        // Abandon the line for the next row.
        window->DeleteObject(window->Line());
        EXPECT_EQ(window->Line(), nullptr);
        EXPECT_EQ(window->Count(), 1);
    }
    // The prompt put the caret after "x=": typing goes on from there.
    Type("y=2t");
    Enter();
    Type("t");
    Enter();
    EXPECT_TRUE(label->text().contains(EntryMessage::ParameterRange)) << label->text().toStdString();
    Type("0 to 1");
    Enter();
    EXPECT_EQ(window->Line(), nullptr) << label->text().toStdString();
    EXPECT_NE(dynamic_cast<TYParametric*>(window->ItemAt(1)), nullptr);
}

TEST_F(EquationsWindowTest, TypingIntoAnEmptyDenominatorAfterAFailedEnterWorks)
{
    Type("y=");
    QTest::keyClick(window, Qt::Key_Slash, Qt::ControlModifier);
    Type("1");
    Enter();
    ASSERT_NE(window->Line(), nullptr);
    EXPECT_FALSE(label->text().isEmpty());
    // The caret waits in the empty denominator.
    Type("x");
    window->repaint();
    Enter();
    EXPECT_EQ(window->Line(), nullptr) << label->text().toStdString();
    EXPECT_NE(dynamic_cast<TYofX*>(window->ItemAt(0)), nullptr);
}

TEST_F(EquationsWindowTest, ClicksAndArrowKeysMoveTheSelection)
{
    TypeLine("y=x");
    TypeLine("y=2x");
    TypeLine("y=3x");
    Click(Middle(0));
    EXPECT_EQ(window->SelectedIndex(), 0);
    EXPECT_EQ(window->Line(), nullptr) << "a first click only selects";
    QTest::keyClick(window, Qt::Key_Right);
    EXPECT_EQ(window->SelectedIndex(), 1);
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_EQ(window->SelectedIndex(), 2);
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_EQ(window->SelectedIndex(), 2) << "no line below the last";
    QTest::keyClick(window, Qt::Key_Left);
    EXPECT_EQ(window->SelectedIndex(), 1);

    // A second click edits the line; another click finishes it first.
    TEquationObject* curve = window->ItemAt(1);
    Click(Middle(1));
    ASSERT_NE(window->Line(), nullptr);
    EXPECT_EQ(window->ItemAt(1), window->Line());
    QTest::keyClick(window, Qt::Key_End);
    Type("+1");
    Click(Middle(0));
    EXPECT_EQ(window->Line(), nullptr);
    EXPECT_EQ(window->ItemAt(1), curve) << "the curve keeps its identity";
    EXPECT_EQ(Markup(1), "y=2x+1");
    EXPECT_EQ(window->SelectedIndex(), 0);

    // A click while the edit has a fault keeps the edit.
    Click(Middle(0));
    ASSERT_NE(window->Line(), nullptr);
    QTest::keyClick(window, Qt::Key_End);
    Type("+");
    Click(Middle(2));
    EXPECT_NE(window->Line(), nullptr);
    EXPECT_EQ(window->SelectedIndex(), 0);

    // A click below the last line starts a new one at the end.
    window->DeleteObject(window->Line());
    Click(QPoint(20, window->LineRect(30000).bottom() + 10));
    ASSERT_NE(window->Line(), nullptr);
    EXPECT_EQ(window->SelectedIndex(), window->Count() - 1);
}

TEST_F(EquationsWindowTest, AChangeOfKindIsRefusedWithTheMessage)
{
    TypeLine("y=x");
    Click(Middle(0));
    Click(Middle(0));
    ASSERT_NE(window->Line(), nullptr);
    QTest::keyClick(window, Qt::Key_End);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(window, Qt::Key_Backspace);
    Type("x=3");
    EXPECT_EQ(Markup(0), "x=3");
    Enter();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "You cannot change this equation to a different type.");
    ASSERT_EQ(window->Count(), 2);
    EXPECT_NE(dynamic_cast<TYofX*>(window->ItemAt(0)), nullptr);
    EXPECT_EQ(Markup(0), "y=x");
    EXPECT_NE(dynamic_cast<TXofY*>(window->ItemAt(1)), nullptr);
}

TEST_F(EquationsWindowTest, DerivedLinesFollowTheirPrimaryAndGoWithIt)
{
    TypeLine("y=x");
    TypeLine("y=2");
    auto* curve = dynamic_cast<TCurvePLotter*>(window->ItemAt(0));
    ASSERT_NE(curve, nullptr);
    auto derived = std::make_unique<TFakeDerived>(curve);
    TFakeDerived* gradient = derived.get();
    EXPECT_EQ(window->InsertObject(std::move(derived)), 1) << "under its primary";
    EXPECT_GT(window->LineRect(1).left(), window->LineRect(0).left()) << "indented";
    QApplication::processEvents();

    Click(Middle(0));
    Click(Middle(0));
    QTest::keyClick(window, Qt::Key_End);
    Type("+1");
    Enter();
    QApplication::processEvents(); // the idle work runs
    EXPECT_EQ(window->ItemAt(0), curve);
    EXPECT_EQ(window->ItemAt(1), gradient);
    EXPECT_EQ(gradient->recalculations, 1);
    EXPECT_FALSE(gradient->MustRecalculate());

    EXPECT_TRUE(window->DeleteCurve(curve).isEmpty());
    EXPECT_EQ(window->Line(), nullptr) << "deleting selects, it does not edit";
    ASSERT_EQ(window->Count(), 1);
    EXPECT_NE(dynamic_cast<TYofX*>(window->ItemAt(0)), nullptr);
    EXPECT_EQ(window->SelectedIndex(), 0);
}

TEST_F(EquationsWindowTest, DroppingALineMovesItWithItsDerivedLines)
{
    TypeLine("y=x");
    auto* curve = dynamic_cast<TCurvePLotter*>(window->ItemAt(0));
    window->InsertObject(std::make_unique<TFakeDerived>(curve));
    TypeLine("y=2");
    TypeLine("y=3");
    Click(Middle(0));
    ASSERT_EQ(window->SelectedIndex(), 0);
    ASSERT_EQ(window->Line(), nullptr);
    ASSERT_EQ(window->LineAt(Middle(3)), 3);
    EXPECT_EQ(window->List().DropTarget(3), 3);
    EXPECT_TRUE(window->CanDropAt(Middle(3)));

    std::unique_ptr<QMimeData> data(window->LineMimeData());
    const QPoint between = Middle(1); // the derived line of the dragged curve
    QDragMoveEvent refused(between, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    Deliver(refused);
    EXPECT_FALSE(refused.isAccepted());

    const QPoint last = Middle(3);
    QDragMoveEvent accepted(last, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    Deliver(accepted);
    EXPECT_TRUE(accepted.isAccepted());
    QDropEvent drop(QPointF(last), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    Deliver(drop);
    EXPECT_EQ(Markup(0), "y=2");
    EXPECT_EQ(Markup(1), "y=3");
    EXPECT_EQ(window->ItemAt(2), curve);
    EXPECT_EQ(window->ItemAt(3)->GetParent(), curve);
    EXPECT_EQ(window->SelectedObject(), curve);
    EXPECT_EQ(window->List().LineAt(2), curve) << "the graph draws in the new order";

    // A payload from another window is not accepted.
    TEquationsWindow other;
    std::unique_ptr<QMimeData> foreign(other.LineMimeData());
    QDragMoveEvent stranger(last, Qt::MoveAction, foreign.get(), Qt::LeftButton, Qt::NoModifier);
    Deliver(stranger);
    EXPECT_FALSE(stranger.isAccepted());
}

TEST_F(EquationsWindowTest, WholeLinesAreCopiedAndCutAsMarkup)
{
    Configuration.DefineConstants = true;
    TypeLine("a=2");
    TypeLine("y=ax");
    ASSERT_EQ(window->SelectedIndex(), 1);
    window->CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Markup(1));

    // Cutting a constant leaves the curve that uses it waiting for it.
    Click(Middle(0));
    window->CutToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "a=2");
    ASSERT_EQ(window->Count(), 1);
    EXPECT_NE(dynamic_cast<TNeedsDefinitions*>(window->ItemAt(0)), nullptr);
}

TEST_F(EquationsWindowTest, ClearingWhileALineIsTypedFreesItSafely)
{
    TypeLine("y=x");
    Type("y=2x");
    ASSERT_NE(window->Line(), nullptr);
    window->ClearAll();
    EXPECT_EQ(window->Line(), nullptr);
    EXPECT_EQ(window->Count(), 0);
    EXPECT_EQ(window->SelectedIndex(), -1);
    window->repaint();
    TypeLine("y=3");
    EXPECT_EQ(window->Count(), 1);
}

TEST_F(EquationsWindowTest, ManyLinesScrollByWholeLines)
{
    for (int i = 0; i < 30; ++i)
        TypeLine(("y=" + std::to_string(i) + "x").c_str());
    QApplication::processEvents();
    QScrollBar* bar = box->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    const QRect last = window->LineRect(window->Count() - 1);
    EXPECT_LE(last.bottom(), bar->value() + box->viewport()->height()) << "the last entered line is in view";
    EXPECT_GE(last.top(), bar->value());
    bar->setValue(0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), window->LineRect(1).top());
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int line = window->LineAtY(bar->value());
    EXPECT_EQ(bar->value(), window->LineRect(line).top()) << "pages land on a line's top";
}

TEST_F(EquationsWindowTest, ALongLineBeingTypedScrollsToKeepTheCaretInView)
{
    Type("y=0.1x^3-0.2x^2+0.3x-0.4+0.5x-0.6x+0.7x-0.8+0.9x-1.1x+1.2-1.3x+1.4");
    QApplication::processEvents();
    QScrollBar* bar = box->horizontalScrollBar();
    EXPECT_GT(bar->value(), 0) << "the end of the line is out of sight";
    TEditor* line = window->Line();
    ASSERT_NE(line, nullptr);
    const int caret = line->offsetX + line->CaretRect().x() - bar->value();
    EXPECT_GE(caret, 0);
    EXPECT_LE(caret, box->viewport()->width());
}

TEST_F(EquationsWindowTest, TheWindowLooksRight)
{
    EnterMarkup("y=x{^{2}");
    auto* curve = dynamic_cast<TCurvePLotter*>(window->ItemAt(0));
    ASSERT_NE(curve, nullptr);
    window->InsertObject(std::make_unique<TFakeDerived>(curve));
    EnterMarkup("x{^{2}+y{^{2}=4");
    EnterMarkup("y={/{1}{x}");
    Type("y=2x");
    QApplication::processEvents();
    const QImage picture = box->grab().toImage();
    KeepForInspection(picture, "equationswindow.png");
    // The edited line has its tinted background; a selected line not being
    // edited a dotted frame; the derived line is indented one tab stop.
    const QRect edited = window->LineRect(window->SelectedIndex());
    EXPECT_EQ(picture.pixelColor(window->mapTo(box.get(), edited.topLeft() + QPoint(1, 1))),
              QColor(248, 248, 240));
    EXPECT_EQ(picture.pixelColor(window->mapTo(box.get(), QPoint(edited.right() + 5, edited.top() + 1))),
              QColor(Qt::white));
    EXPECT_EQ(window->LineRect(1).left(),
              window->LineRect(0).left() + FormulaTextWidth("M", FormulaReferenceHeight));

    Enter();
    Click(Middle(1));
    QApplication::processEvents();
    const QImage selected = box->grab().toImage();
    KeepForInspection(selected, "equationswindow_selected.png");
    const QRect frame = window->LineRect(1);
    int dots = 0;
    for (int y = frame.top(); y <= frame.bottom(); ++y)
        dots += selected.pixelColor(window->mapTo(box.get(), QPoint(frame.left(), y))) != QColor(Qt::white);
    EXPECT_GT(dots, 2) << "a dotted frame";
    EXPECT_LT(dots, frame.height()) << "dotted, not solid";
}

TEST_F(EquationsWindowTest, CommandsStartLinesWithTheirElements)
{
    std::vector<int> modes;
    window->SetGraphMouseMode = [&](int mode) { modes.push_back(mode); };
    TypeLine("y=x");
    modes.clear();
    ASSERT_TRUE(window->AddMatrixLine(12, 2, 2));
    ASSERT_NE(window->Line(), nullptr);
    EXPECT_EQ(window->SelectedIndex(), 1);
    EXPECT_NE(Markup(1).find("Matrix"), std::string::npos) << Markup(1);
    EXPECT_NE(dynamic_cast<TFixedList*>(window->Line()->Elements()->next), nullptr);
    EXPECT_EQ(modes, std::vector<int>{400}) << "selecting resets the graph's mouse mode";

    // A line under the selected curve, with a mode for the graph.
    window->DeleteObject(window->Line());
    Click(Middle(0));
    modes.clear();
    ASSERT_TRUE(window->AddLineWith(ElementsFromText("Gradient function"), 212, true, 0));
    EXPECT_EQ(window->Line()->GetParent(), window->ItemAt(0));
    EXPECT_EQ(modes.back(), 212);
    EXPECT_GT(window->LineRect(1).left(), window->LineRect(0).left());
}

TEST_F(EquationsWindowTest, PrintedPagesHaveATitleAndNoSelectionMarks)
{
    EnterMarkup("y=x{^{2}");
    Type("y=2x"); // being edited, selected
    QImage page(400, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    int header = 0;
    {
        Canvas canvas(&page);
        header = window->PrintHeader(canvas, page.width(), 2, "Lumacurve", "Homework");
        window->PrintLines(canvas, QPoint(0, header));
    }
    KeepForInspection(page, "equationswindow_print.png");
    EXPECT_GT(header, 10);
    // The title is centred: ink on both sides of the middle, none at the edges.
    auto inkIn = [&](int x0, int x1, int y0, int y1) {
        int ink = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                ink += page.pixelColor(x, y) != QColor(Qt::white);
        return ink;
    };
    EXPECT_GT(inkIn(100, 200, 0, header), 0);
    EXPECT_GT(inkIn(200, 300, 0, header), 0);
    EXPECT_EQ(inkIn(0, 20, 0, header), 0);
    // The edited line has no tinted background on paper.
    const QRect edited = window->LineRect(1).translated(0, header);
    EXPECT_EQ(page.pixelColor(edited.topLeft() + QPoint(1, 1)), QColor(Qt::white));
    EXPECT_GT(inkIn(0, 200, header, header + window->LineRect(30000).bottom()), 0) << "the lines are printed";
}

TEST_F(EquationsWindowTest, LinesBelowFollowWhenTheEditedLineGrowsOrShrinks)
{
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    for (const char* text : {"y=1", "y=2", "y=3", "y=4"})
        TypeLine(text);
    Click(Middle(1));
    Click(Middle(1));
    ASSERT_EQ(window->Line(), window->ItemAt(1));
    QTest::keyClick(window, Qt::Key_End);
    (void)shownpicture::Shown(window);
    const int before = window->LineRect(2).top();
    // A fraction makes the line taller; a second one inside it taller still.
    Type("+");
    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(shownpicture::StaleMarks(window), QRect());
    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(shownpicture::StaleMarks(window), QRect());
    EXPECT_GT(window->LineRect(2).top(), before);
    // Deleting them makes it shorter again.
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(window, Qt::Key_Backspace);
        QTest::keyClick(window, Qt::Key_Right);
        QTest::keyClick(window, Qt::Key_Backspace);
    }
    EXPECT_EQ(Markup(1), "y=2+");
    EXPECT_EQ(window->LineRect(2).top(), before);
    EXPECT_EQ(shownpicture::StaleMarks(window), QRect());
    QApplication::setCursorFlashTime(flash);
}

TEST_F(EquationsWindowTest, WholeLinesKeepEveryCodePageCharacterThroughTheClipboard)
{
    // The symbols the keyboard types, the angle marks (descriptions 46 and
    // 47, written as 0xAA and 0xAB) and every other 8-bit Symbol code.
    std::vector<std::string> markups = {"y={\xB1"
                                        "2x",
                                        "y=2{\xB4"
                                        "x",
                                        "y{\xA3"
                                        "x",
                                        "y{\xB3"
                                        "x",
                                        "r=2{q",
                                        "y=sin(x{^{\xAA})",
                                        "y={p"};
    for (int code = 0x80; code <= 0xFF; ++code)
        markups.push_back(std::string("a={") + static_cast<char>(code));
    for (const std::string& markup : markups) {
        SCOPED_TRACE(markup);
        auto line = std::make_unique<TEditor>();
        line->SetElements(ElementsFromText(markup));
        TEquationObject* placed = line.get();
        window->InsertObject(std::move(line));
        window->SetSelected(window->List().IndexOf(placed));
        ASSERT_EQ(window->SelectedObject(), placed);
        ASSERT_EQ(window->Line(), nullptr);
        const std::string written = ElementsToText(placed->Elements());
        // Copy and drag text hold the characters the code page stands for.
        window->CopyToClipboard();
        EXPECT_EQ(QApplication::clipboard()->text(), AnsiToQString(written));
        std::unique_ptr<QMimeData> dragged(window->LineMimeData());
        EXPECT_EQ(dragged->text(), AnsiToQString(written));
        // Cut, then pasted into a new line (the Edit menu's Paste), the line
        // comes back as it was.
        window->CutToClipboard();
        EXPECT_EQ(window->List().IndexOf(placed), -1);
        window->PasteFromClipboard();
        ASSERT_NE(window->Line(), nullptr);
        EXPECT_EQ(ElementsToText(window->Line()->Elements()), written);
        window->DeleteObject(window->Line());
    }
    EXPECT_TRUE(messages.empty());
}

} // namespace

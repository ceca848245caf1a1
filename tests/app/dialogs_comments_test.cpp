// Comment boxes on the graph as a user makes them: the Comment box command
// puts a box at the centre and edits it at once, words and maths typed in,
// braces refused, Escape keeping what was typed, Delete after "Are you
// sure?", a click on a selected box editing it, dragging it, saving and
// reading it back, and New emptying the graph of them.
#include "app/annotatedlg.h"
#include "document/document.h"
#include "editor/mathseditor.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "plot/annotation.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QAction>
#include <QKeyEvent>
#include <QPushButton>

namespace {

class CommentBoxes : public QuietFormTest<TLumacurveForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        ASSERT_TRUE(form);
        graph = form->GraphArea();
        // The pointer away from the graph, so the command makes a new box.
        QCursor::setPos(form->mapToGlobal(QPoint(2, 2)));
    }
    std::vector<TAnnotation*> Boxes() const
    {
        std::vector<TAnnotation*> boxes;
        for (const auto& object : graph->GraphObjects())
            if (auto* box = dynamic_cast<TAnnotation*>(object.get()))
                boxes.push_back(box);
        return boxes;
    }
    // Runs the Comment box command, typing text and leaving by key (Return, Escape).
    void NewBox(const char* text, Qt::Key leave = Qt::Key_Return)
    {
        WhenShown<TAnnotateDlg>([text, leave](TAnnotateDlg& dialog) {
            QTest::keyClicks(dialog.Edit(), text);
            QTest::keyClick(dialog.Edit(), leave);
        });
        ASSERT_TRUE(form->Commands().Trigger("ActionCommentBox"));
        QApplication::processEvents();
    }

    TGraphWindow* graph = nullptr;
    TBoxAnswerer boxes;
};

} // namespace

TEST_F(CommentBoxes, TheCommandPutsANewBoxAtTheCentreAndEditsIt)
{
    NewBox("Note: a=2");
    const auto made = Boxes();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->Markup(), "Note: a=2");
    const TAxis& x = *graph->Params().Axes->XAxis;
    EXPECT_EQ(static_cast<double>(made[0]->AnchorX), static_cast<double>((x.Min + x.Max) / 2));
    EXPECT_TRUE(form->Modified());
    // The box is drawn where it stands: its box holds the text's pixels.
    const QRect box = made[0]->BoxRect(graph->Params());
    EXPECT_GT(box.width(), 20);
    const QImage picture = graph->GrabPicture();
    KeepForInspection(picture, "commentbox-graph.png");
    int dark = 0;
    for (int y = box.top(); y < box.bottom(); ++y)
        for (int xp = box.left(); xp < box.right(); ++xp)
            dark += qGray(picture.pixel(QPoint(xp, y) * picture.devicePixelRatio())) < 100 ? 1 : 0;
    EXPECT_GT(dark, 20);
}

TEST_F(CommentBoxes, ABoxClosedWithoutTextIsRemoved)
{
    NewBox("");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(CommentBoxes, BracesAreRefusedSoTheBoxReadsBackFromItsDocument)
{
    WhenShown<TAnnotateDlg>([](TAnnotateDlg& dialog) {
        QTest::keyClicks(dialog.Edit(), "a{b}c");
        // An e acute, which the code page has, typed as a keyboard sends it.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
        QApplication::sendEvent(dialog.Edit(), &press);
        QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    });
    ASSERT_TRUE(form->Commands().Trigger("ActionCommentBox"));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0]->Markup(), "abc\xE9");
    const QString path = dir.filePath("box.lcv");
    ASSERT_TRUE(form->SaveDocument(path));
    ASSERT_TRUE(form->OpenFile(path));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0]->Markup(), "abc\xE9");
}

TEST_F(CommentBoxes, EscapeKeepsWhatWasTyped)
{
    // Leaving the dialog without OK must not lose the text (and with it the box).
    NewBox("kept", Qt::Key_Escape);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0]->Markup(), "kept");
}

TEST_F(CommentBoxes, DeleteAsksAndOnlyYesRemovesTheBox)
{
    NewBox("first");
    ASSERT_EQ(Boxes().size(), 1u);
    // The pointer on the box: the command edits it.
    QCursor::setPos(graph->mapToGlobal(Boxes()[0]->BoxRect(graph->Params()).center()));
    boxes.answers = {QMessageBox::No};
    WhenShown<TAnnotateDlg>([](TAnnotateDlg& dialog) {
        EXPECT_EQ(dialog.Edit()->LineText(), "first");
        QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        QTest::mouseClick(dialog.OKButton(), Qt::LeftButton);
    });
    ASSERT_TRUE(form->Commands().Trigger("ActionCommentBox"));
    ASSERT_EQ(Boxes().size(), 1u);
    boxes.answers = {QMessageBox::Yes};
    WhenShown<TAnnotateDlg>(
        [](TAnnotateDlg& dialog) { QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton); });
    ASSERT_TRUE(form->Commands().Trigger("ActionCommentBox"));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Are you sure?", "Are you sure?"}));
}

TEST_F(CommentBoxes, AClickOnASelectedBoxEditsItAndDeletingFreesItAfterItsTool)
{
    NewBox("click me");
    ASSERT_EQ(Boxes().size(), 1u);
    form->SetModified(false);
    const QPoint inside = Boxes()[0]->BoxRect(graph->Params()).center();
    // The first click selects; the second, without a move, edits.
    QTest::mouseClick(graph, Qt::LeftButton, {}, inside);
    ASSERT_NE(graph->ActiveTool(), nullptr);
    EXPECT_TRUE(Boxes()[0]->Selected);
    boxes.answers = {QMessageBox::Yes};
    WhenShown<TAnnotateDlg>(
        [](TAnnotateDlg& dialog) { QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton); });
    QTest::mouseClick(graph, Qt::LeftButton, {}, inside);
    QApplication::processEvents();
    // The box went once its tool had let go of it (a sanitizer build sees a
    // write to a freed box otherwise).
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(graph->ActiveTool(), nullptr);
    EXPECT_TRUE(form->Modified());
}

TEST_F(CommentBoxes, DraggingABoxMovesItAndIsAChangeToSave)
{
    NewBox("drag");
    ASSERT_EQ(Boxes().size(), 1u);
    TAnnotation* box = Boxes()[0];
    form->SetModified(false);
    const QPoint inside = box->BoxRect(graph->Params()).center();
    QTest::mouseClick(graph, Qt::LeftButton, {}, inside); // selects
    QTest::mousePress(graph, Qt::LeftButton, {}, inside);
    QTest::mouseMove(graph, inside + QPoint(30, 20));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, inside + QPoint(30, 20));
    // Without an offset the anchor moves with the box.
    EXPECT_EQ(graph->Params().Axes->ValueToPixel(box->AnchorX, box->AnchorY),
              graph->Params().Axes->ValueToPixel(0, 0) + QPoint(30, 20));
    EXPECT_TRUE(form->Modified());
}

TEST_F(CommentBoxes, NewAndClearCurvesEmptyTheGraphOfBoxes)
{
    for (const char* action : {"ActionFileNew", "ActionClearCurves"}) {
        NewBox("gone");
        ASSERT_EQ(Boxes().size(), 1u);
        form->SetModified(false);
        ASSERT_TRUE(form->Commands().Trigger(action));
        EXPECT_TRUE(Boxes().empty()) << action;
        const QString path = dir.filePath("empty.lcv");
        ASSERT_TRUE(form->SaveDocument(path));
        EXPECT_FALSE(Read(path).contains("Annotation")) << action;
    }
}

TEST_F(CommentBoxes, TheColourIsTakenOnlyWhenTheColourDialogIsAccepted)
{
    NewBox("colour");
    ASSERT_EQ(Boxes().size(), 1u);
    TAnnotation& box = *Boxes()[0];
    TAnnotateDlg dialog(box, form.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    KeepForInspection(dialog.grab().toImage(), "commentbox.png");
    // Cancelled: the colour stays.
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialog.ColourClick();
    EXPECT_EQ(dialog.Edit()->Line()->colour, clBlack);
    dialog.accept();
    EXPECT_EQ(box.GetColour(), clBlack);
    EXPECT_EQ(box.Markup(), "colour");
}

// The window keeps the boxes with its picture between changes: what it shows
// follows every change of a box, a move and an edit of its words alike.
TEST_F(CommentBoxes, TheWindowShowsEveryChangeOfABox)
{
    const QImage empty = graph->grab().toImage();
    NewBox("ABCD");
    ASSERT_EQ(Boxes().size(), 1u);
    TAnnotation* box = Boxes()[0];
    const auto dark = [](const QImage& picture, QRect area) {
        int count = 0;
        for (int y = area.top(); y < area.bottom(); ++y)
            for (int x = area.left(); x < area.right(); ++x)
                count += qGray(picture.pixel(QPoint(x, y) * picture.devicePixelRatio())) < 100 ? 1 : 0;
        return count;
    };
    const QRect before = box->BoxRect(graph->Params());
    const QImage first = graph->grab().toImage();
    ASSERT_GT(dark(first, before), 20);
    EXPECT_EQ(graph->grab().toImage(), first) << "an unchanged box repaints the same";

    // Moved well clear of where it stood: the old place is empty, the new one holds it.
    const QPoint inside = before.center();
    QTest::mouseClick(graph, Qt::LeftButton, {}, inside); // selects
    QTest::mousePress(graph, Qt::LeftButton, {}, inside);
    QTest::mouseMove(graph, inside + QPoint(0, 150));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, inside + QPoint(0, 150));
    QTest::mouseClick(graph, Qt::LeftButton, {}, graph->rect().topLeft() + QPoint(5, 5)); // lets go
    QApplication::processEvents();
    const QRect after = box->BoxRect(graph->Params());
    ASSERT_FALSE(after.intersects(before));
    const QImage moved = graph->grab().toImage();
    const qreal ratio = graph->devicePixelRatio();
    const QRect oldPlace(before.topLeft() * ratio, before.size() * ratio);
    EXPECT_EQ(moved.copy(oldPlace), empty.copy(oldPlace)) << "the old place shows the graph alone";
    EXPECT_GT(dark(moved, after), 20);

    // The same number of letters in another order: the box keeps its size, the words change.
    const QRect shownBox(after.topLeft() * ratio, after.size() * ratio);
    QTest::mouseClick(graph, Qt::LeftButton, {}, after.center()); // selects
    QApplication::processEvents();
    const QImage unedited = graph->grab().toImage().copy(shownBox);
    WhenShown<TAnnotateDlg>([](TAnnotateDlg& dialog) {
        QTest::keyClick(dialog.Edit(), Qt::Key_End);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(dialog.Edit(), Qt::Key_Backspace);
        QTest::keyClicks(dialog.Edit(), "DCBA");
        QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    });
    QTest::mouseClick(graph, Qt::LeftButton, {}, after.center()); // edits
    QApplication::processEvents();
    ASSERT_EQ(box->Markup(), "DCBA");
    ASSERT_EQ(box->BoxRect(graph->Params()), after);
    ASSERT_TRUE(box->Selected);
    const QImage edited = graph->grab().toImage().copy(shownBox);
    EXPECT_NE(edited, unedited) << "the box shows its new words";
}

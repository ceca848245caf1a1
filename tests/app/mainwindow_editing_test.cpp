// Typing lines in the main window as a user does: parse errors on the status
// line rather than in a box, and the undo history, which records each entered
// line as one step and never the empty line being typed.
#include "app/lumacurveform.h"
#include "document/undohistory.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class EditingForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = MakeQuietForm<TLumacurveForm>();
        ASSERT_NE(form, nullptr);
        equations = form->Equations();
        // A box that comes up is noted and closed, so that a test never hangs on it.
        watcher.setInterval(20);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                boxes.push_back(box ? box->text().toStdString() : std::string("?"));
                if (box)
                    box->done(QMessageBox::Ok); // a box with OK and Help ignores closing
                else
                    modal->close();
            }
        });
        watcher.start();
    }
    void TearDown() override
    {
        watcher.stop();
        form->SetModified(false);
        form.reset();
        Configuration = DefaultConfiguration;
    }

    void Type(const char* text) { QTest::keyClicks(equations, text); }
    void Enter()
    {
        QTest::keyClick(equations, Qt::Key_Return);
        QApplication::processEvents();
    }
    void TypeLine(const char* text)
    {
        Type(text);
        Enter();
    }
    // A click on the graph, away from every line.
    void ClickGraph()
    {
        TGraphWindow* graph = form->GraphArea();
        QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(graph->width() - 5, 5));
        QApplication::processEvents();
    }
    bool Trigger(const char* action)
    {
        const bool done = form->Commands().Trigger(action);
        QApplication::processEvents();
        return done;
    }
    std::string Saved()
    {
        const QString path = dir.filePath("saved.lcv");
        if (!form->SaveDocument(path))
            return {};
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    static int Count(const std::string& text, const std::string& what)
    {
        int count = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++count;
        return count;
    }

    std::unique_ptr<TLumacurveForm> form;
    TEquationsWindow* equations = nullptr;
    QTimer watcher;
    std::vector<std::string> boxes;
    QTemporaryDir dir;
};

} // namespace

TEST_F(EditingForm, AParseErrorIsShownOnTheStatusLineAndTheCaretGoesToIt)
{
    equations->setFocus();
    Type("y=2+");
    // The caret is taken away from the fault before Enter.
    QTest::keyClick(equations, Qt::Key_Home);
    Enter();
    EXPECT_TRUE(boxes.empty()) << "no box: " << (boxes.empty() ? "" : boxes.front());
    const QString shown = form->MessageLabel()->text();
    EXPECT_FALSE(shown.trimmed().isEmpty());
    EXPECT_TRUE(shown.startsWith(' ') && shown.endsWith(' ')) << shown.toStdString();
    TEditor* line = equations->Line();
    ASSERT_NE(line, nullptr) << "the line stays in editing";
    EXPECT_GT(line->caret.x, line->leftMargin) << "the caret went to the fault";
    // Typing goes on at the fault and clears the message.
    TypeLine("1");
    EXPECT_EQ(equations->Line(), nullptr);
    EXPECT_EQ(equations->List().LineMarkup(0), "y=2+1");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(EditingForm, EachEnteredLineIsOneUndoStepWithoutTheLineBeingTyped)
{
    equations->setFocus();
    TypeLine("y=x");
    const int first = form->UndoHistory().Count();
    TypeLine("y=2x");
    TypeLine("y=3x");
    // Two more lines, two more steps; none of them holds an empty line.
    EXPECT_EQ(form->UndoHistory().Count(), first + 2);
    for (int i = 0; i < form->UndoHistory().Count(); ++i)
        EXPECT_EQ(Count(form->UndoHistory().Entry(i), "Curve\r\n\r\n"), 0) << form->UndoHistory().Entry(i);
    // A new line typed below the last, Enter, a click on the graph, Undo:
    // the file saved then has no empty record.
    Type("y=4x");
    Enter();
    ClickGraph();
    ASSERT_TRUE(Trigger("ActionUndo"));
    EXPECT_EQ(equations->Count(), 3);
    const std::string saved = Saved();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(Count(saved, "Curve\r\n"), 3) << saved;
    EXPECT_EQ(Count(saved, "Curve\r\n\r\n"), 0) << saved;
}

TEST_F(EditingForm, UndoAndRedoWhileTypingANewLineLeaveNoInvisibleLine)
{
    equations->setFocus();
    TypeLine("y=x");
    TypeLine("y=2x");
    // A new line is being typed.
    Type("y=3");
    ASSERT_NE(equations->Line(), nullptr);
    ASSERT_TRUE(Trigger("ActionUndo"));
    ASSERT_TRUE(Trigger("ActionRedo"));
    EXPECT_EQ(equations->Line(), nullptr);
    ASSERT_EQ(equations->Count(), 2);
    for (int i = 0; i < equations->Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(dynamic_cast<TEditor*>(equations->ItemAt(i)), nullptr) << "a plain, empty line";
        EXPECT_FALSE(equations->List().LineMarkup(i).empty());
    }
}

TEST_F(EditingForm, ChangingOnlyTheSelectionRecordsNoStepAndKeepsRedo)
{
    equations->setFocus();
    TypeLine("y=x");
    TypeLine("y=2x");
    TypeLine("y=3x");
    const int steps = form->UndoHistory().Count();
    ASSERT_TRUE(Trigger("ActionUndo"));
    ASSERT_TRUE(form->Commands().Action("ActionRedo")->isEnabled());
    // Clicking a line twice edits it; leaving it unchanged changes nothing.
    const QPoint first = equations->LineRect(0).center();
    QTest::mouseClick(equations, Qt::LeftButton, {}, first);
    QTest::mouseClick(equations, Qt::LeftButton, {}, first);
    ASSERT_NE(equations->Line(), nullptr);
    QTest::mouseClick(equations, Qt::LeftButton, {}, equations->LineRect(1).center());
    QApplication::processEvents();
    EXPECT_EQ(equations->Line(), nullptr);
    EXPECT_EQ(form->UndoHistory().Count(), steps);
    EXPECT_TRUE(form->Commands().Action("ActionRedo")->isEnabled());
    ASSERT_TRUE(Trigger("ActionRedo"));
    EXPECT_EQ(equations->Count(), 3);
}

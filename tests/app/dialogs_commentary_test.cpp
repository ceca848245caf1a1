// The commentary panel as a teacher and a pupil use it: Introduction makes
// it editable, typing is a change the save prompt asks about until a save
// succeeds (a failed save keeps it), a document with a commentary opens
// with the panel shown read only, OK hides it, and New empties it.
#include "app/commentary.h"
#include "document/commentarytext.h"

#include "dialogtesting.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QDockWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

class CommentaryPanel : public QuietFormTest<TAnsweringForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        ASSERT_TRUE(form);
        commentary = form->Commentary();
        ASSERT_NE(commentary, nullptr);
        panel = form->Panel("CommentaryDockPanel");
        ASSERT_NE(panel, nullptr);
    }
    void TypeIntroduction(const char* text)
    {
        ASSERT_TRUE(form->Commands().Trigger("ActionIntroduction"));
        QApplication::processEvents();
        QTest::keyClicks(commentary->Memo(), text);
    }
    TCommentary* commentary = nullptr;
    QDockWidget* panel = nullptr;
};

} // namespace

TEST_F(CommentaryPanel, StartsHiddenEmptyAndReadOnly)
{
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->windowTitle(), "Introduction");
    EXPECT_TRUE(commentary->Text().isEmpty());
    EXPECT_FALSE(commentary->Editable());
    EXPECT_FALSE(commentary->IsModified());
}

TEST_F(CommentaryPanel, IntroductionMakesItEditableAndTypingIsAChangeToSave)
{
    TypeIntroduction("Find the roots.");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(commentary->Editable());
    EXPECT_TRUE(commentary->FontButton()->isVisible());
    EXPECT_EQ(commentary->Text(), "Find the roots.");
    KeepForInspection(panel->grab().toImage(), "commentary.png");
    EXPECT_FALSE(form->Modified());
    EXPECT_TRUE(commentary->IsModified());
    form->saveAnswer = QMessageBox::Cancel;
    EXPECT_FALSE(form->AskToSave());
    EXPECT_EQ(form->saveAsked, 1);
}

TEST_F(CommentaryPanel, OnlyASaveThatSucceedsMarksItSaved)
{
    TypeIntroduction("Notes");
    // A folder that does not exist: the save fails and the change is kept.
    EXPECT_FALSE(form->SaveDocument(dir.filePath("missing/folder/notes.lcv")));
    EXPECT_TRUE(commentary->IsModified());
    const QString path = dir.filePath("notes.lcv");
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_FALSE(commentary->IsModified());
    EXPECT_TRUE(Read(path).contains("Commentary: 5\r\nNotes\r\n"));
}

TEST_F(CommentaryPanel, ADocumentWithACommentaryOpensWithThePanelShownReadOnly)
{
    TypeIntroduction("Line one");
    QTest::keyClick(commentary->Memo(), Qt::Key_Return);
    QTest::keyClicks(commentary->Memo(), "Line two");
    const QString path = dir.filePath("intro.lcv");
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_TRUE(Read(path).contains("Commentary: 18\r\nLine one\r\nLine two\r\n"));
    ASSERT_TRUE(form->Commands().Trigger("ActionFileNew"));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(commentary->Text().isEmpty());
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(commentary->Text(), "Line one\nLine two");
    EXPECT_FALSE(commentary->Editable());
    EXPECT_FALSE(commentary->FontButton()->isVisible());
    EXPECT_FALSE(commentary->IsModified());
    // Typing in read-only text changes nothing; OK hides the panel.
    QTest::keyClicks(commentary->Memo(), "xyz");
    EXPECT_EQ(commentary->Text(), "Line one\nLine two");
    QTest::mouseClick(commentary->OKButton(), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(CommentaryPanel, ADocumentWithoutOneLeavesThePanelHidden)
{
    const QString path = dir.filePath("plain.lcv");
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_FALSE(Read(path).contains("Commentary"));
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(CommentaryPanel, TheFontIsTakenOnlyWhenTheFontDialogIsAccepted)
{
    TypeIntroduction("x");
    const QFont before = commentary->Memo()->font();
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    commentary->FontClick();
    EXPECT_EQ(commentary->Memo()->font(), before);
}

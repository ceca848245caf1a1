// The paths where work could be lost: Yes to the save question saves before
// the window closes, a save that fails keeps the window open and the document
// modified, and the toolbar arrangement saved with Custom > Save toolbars
// comes back with Load toolbars.
#include "equations/equationswindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

class SaveWork : public QuietFormTest<TAnsweringForm> {
protected:
    void SetUp() override
    {
        QuietFormTest::SetUp();
        if (form)
            form->saveAnswer = QMessageBox::Yes;
    }
    // Opens a copy of the example at path and adds the line "y=3x" to it.
    void OpenAndChange(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(Example, path));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_TRUE(form->OpenFile(path));
        TEquationsWindow* equations = form->Equations();
        QApplication::setActiveWindow(form.get());
        equations->setFocus();
        QTest::keyClicks(equations, "y=3x");
        QTest::keyClick(equations, Qt::Key_Return);
        ASSERT_EQ(equations->Count(), 5);
        ASSERT_TRUE(form->Modified());
    }
};

} // namespace

TEST_F(SaveWork, YesToTheSaveQuestionSavesBeforeClosing)
{
    const QString path = dir.filePath("lesson.lcv");
    OpenAndChange(path);
    ASSERT_FALSE(Read(path).contains("\r\ny=3x\r\n"));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(form->saveAsked, 1);
    EXPECT_FALSE(form->Modified());
    EXPECT_TRUE(Read(path).contains("\r\nCurve\r\ny=3x\r\n")) << Read(path).data();
}

TEST_F(SaveWork, YesToTheSaveQuestionSavesBeforeANewDocument)
{
    const QString path = dir.filePath("lesson.lcv");
    OpenAndChange(path);
    ASSERT_TRUE(form->Commands().Trigger("ActionFileNew"));
    EXPECT_EQ(form->saveAsked, 1);
    EXPECT_EQ(form->Equations()->Count(), 0);
    EXPECT_TRUE(Read(path).contains("\r\nCurve\r\ny=3x\r\n")) << Read(path).data();
}

TEST_F(SaveWork, AFailedSaveKeepsTheWindowOpenAndTheDocumentModified)
{
    const QString path = dir.filePath("folder/lesson.lcv");
    OpenAndChange(path);
    // The document's folder is replaced by a file: the save cannot be written.
    ASSERT_TRUE(QDir(dir.filePath("folder")).removeRecursively());
    QFile blocker(dir.filePath("folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->saveAsked, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Modified());
    EXPECT_FALSE(form->LastMessage().isEmpty());
    EXPECT_EQ(form->DocumentPath().toStdString(), QFileInfo(path).absoluteFilePath().toStdString());
    // New and Clear curves keep the lines too.
    for (const char* command : {"ActionFileNew", "ActionClearCurves"}) {
        ASSERT_TRUE(form->Commands().Trigger(command)) << command;
        EXPECT_EQ(form->Equations()->Count(), 5) << command;
        EXPECT_TRUE(form->Modified()) << command;
    }
    EXPECT_EQ(form->saveAsked, 3);
    // Once the folder is back, Yes saves and the window closes.
    ASSERT_TRUE(QFile::remove(dir.filePath("folder")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("folder")));
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(Read(path).contains("\r\nCurve\r\ny=3x\r\n"));
}

TEST_F(SaveWork, SavedToolbarsComeBackWhenLoaded)
{
    // The arrangement lives in the user's settings folder, which here is the test's own.
    const QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    ASSERT_FALSE(config.isEmpty());
    EXPECT_TRUE(TDockSiteWindow::BarsFile().startsWith(config + "/"))
        << TDockSiteWindow::BarsFile().toStdString();
    EXPECT_TRUE(TDockSiteWindow::BarsFile().endsWith("/Bars.ini"));
    EXPECT_FALSE(QFileInfo::exists(TDockSiteWindow::BarsFile()));
    // Nothing saved yet: Load says so and changes nothing.
    ASSERT_TRUE(form->Commands().Trigger("ActionLoadToolbars"));
    EXPECT_EQ(form->MessageLabel()->text().toStdString(), "No toolbar arrangement has been saved yet");
    EXPECT_FALSE(form->Bar("ToolBarStats")->isVisible());

    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarStats", "Bottom", true}));
    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarZoom", "Left", true}));
    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarInsert", "Top", false}));
    ASSERT_TRUE(form->Commands().Trigger("ActionSaveToolbars"));
    EXPECT_TRUE(QFileInfo::exists(TDockSiteWindow::BarsFile()));

    // Moved about, then loaded: each bar is back where it was saved.
    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarStats", "Top", false}));
    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarZoom", "Top", true}));
    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarInsert", "Right", true}));
    ASSERT_TRUE(form->Commands().Trigger("ActionLoadToolbars"));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->toolBarArea(form->Bar("ToolBarStats")), Qt::BottomToolBarArea);
    EXPECT_TRUE(form->Bar("ToolBarStats")->isVisible());
    EXPECT_EQ(form->toolBarArea(form->Bar("ToolBarZoom")), Qt::LeftToolBarArea);
    EXPECT_TRUE(form->Bar("ToolBarZoom")->isVisible());
    EXPECT_FALSE(form->Bar("ToolBarInsert")->isVisible());
}

// The main window with documents: opening names the save target, failed
// opens and saves change nothing, undo and redo across changes, lines
// waiting for definitions stop a save, and Escape stops a drawing.
#include "app/lumacurveform.h"
#include "app/startupwindow.h"
#include "document/document.h"
#include "entry/declarationlines.h"
#include "equations/equationswindow.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/equationdisplayform.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "platform/drawinginterrupt.h"
#include "settings/configuration.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

class DocumentForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = MakeQuietForm<TLumacurveForm>();
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override
    {
        form->SetModified(false);
        form.reset();
        Configuration = DefaultConfiguration;
    }
    bool Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QTemporaryDir dir;
    std::unique_ptr<TLumacurveForm> form;
};

} // namespace

TEST_F(DocumentForm, OpeningNamesTheWindowAndTheFullPathIsWhereSaveWrites)
{
    ASSERT_TRUE(form->OpenFile(Example));
    EXPECT_EQ(form->windowTitle(), "Lumacurve : Trigonometry");
    EXPECT_EQ(form->DocumentPath(), Example);
    EXPECT_EQ(form->Equations()->Count(), 4);
    EXPECT_TRUE(Configuration.Radians());
    EXPECT_TRUE(form->Commands().Action("ActionRadians")->isChecked());
    EXPECT_FALSE(form->Modified());

    const QString copy = dir.filePath("copy.lcv");
    ASSERT_TRUE(form->SaveDocument(copy));
    EXPECT_EQ(form->DocumentPath(), copy);
    EXPECT_EQ(form->windowTitle(), "Lumacurve : copy");
    // What was saved opens again with the same lines.
    ASSERT_TRUE(form->OpenFile(copy));
    EXPECT_EQ(form->Equations()->Count(), 4);
}

TEST_F(DocumentForm, EscapeHeldDownAbandonsTheGraphsDrawing)
{
    ASSERT_TRUE(form->OpenFile(Example));
    TGraphWindow* graph = form->GraphArea();
    auto redraw = [&] {
        graph->RedrawAll();
        (void)graph->grab();
    };
    auto escape = [](QEvent::Type type) {
        QKeyEvent key(type, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &key);
    };
    redraw();
    EXPECT_TRUE(DrawingCompleted);
    escape(QEvent::KeyPress);
    redraw();
    EXPECT_FALSE(DrawingCompleted) << "the drawing ran on with Escape down";
    escape(QEvent::KeyRelease);
    redraw();
    EXPECT_TRUE(DrawingCompleted);
}

TEST_F(DocumentForm, CurvesShowTheBusyCursorOnceTheStartUpPictureIsGone)
{
    QPointer<TStartupWindow> startup = form->findChild<TStartupWindow*>();
    ASSERT_FALSE(startup.isNull());
    EXPECT_FALSE(BusyCursorFlag) << "the busy cursor would cover the start-up picture";
    QTest::mouseClick(startup.data(), Qt::LeftButton);
    for (int wait = 0; wait < 300 && !startup.isNull(); ++wait)
        QTest::qWait(10);
    ASSERT_TRUE(startup.isNull());
    EXPECT_TRUE(BusyCursorFlag);
    // Pictures are drawn without it, and leave it on.
    ASSERT_TRUE(form->OpenFile(Example));
    (void)form->GraphArea()->RenderImage(1);
    EXPECT_TRUE(BusyCursorFlag);
}

TEST_F(DocumentForm, AFailedOpenKeepsTheDocumentAndItsName)
{
    ASSERT_TRUE(form->OpenFile(Example));
    const QString junk = dir.filePath("junk.lcv");
    ASSERT_TRUE(Write(junk, "this is not a document at all"));
    EXPECT_FALSE(form->OpenFile(junk));
    EXPECT_FALSE(form->LastMessage().isEmpty());
    EXPECT_EQ(form->DocumentPath(), Example);
    EXPECT_EQ(form->Equations()->Count(), 4);
    const QString newer = dir.filePath("newer.lcv");
    ASSERT_TRUE(Write(newer, "Lumacurve for windows version 3.2\r\n"));
    EXPECT_FALSE(form->OpenFile(newer));
    EXPECT_EQ(form->LastMessage(), "You need the latest version of Lumacurve");
    EXPECT_EQ(form->Equations()->Count(), 4);
}

TEST_F(DocumentForm, ADamagedDocumentOpensWithWhatCouldBeRead)
{
    const QString damaged = dir.filePath("damaged.lcv");
    ASSERT_TRUE(Write(damaged,
                      "Lumacurve for windows version 3.101\r\nCurve\r\ny=2x\r\n\tcolour = 255\r\nCurve\r\n"
                      "y=)(\r\nSelected curve no: 0\r\n"));
    ASSERT_TRUE(form->OpenFile(damaged));
    EXPECT_TRUE(form->LastMessage().startsWith("I got stuck but have done my best."));
    EXPECT_GE(form->Equations()->Count(), 1);
    EXPECT_EQ(form->DocumentName(), "damaged");
}

TEST_F(DocumentForm, AFailedSaveKeepsTheModifiedFlagAndTheName)
{
    ASSERT_TRUE(form->OpenFile(Example));
    form->SetModified(true);
    // A folder stands where the file would go.
    EXPECT_FALSE(form->SaveDocument(dir.path()));
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->DocumentPath(), Example);
    EXPECT_FALSE(form->LastMessage().isEmpty());
}

TEST_F(DocumentForm, UndoAndRedoStepThroughChanges)
{
    ASSERT_TRUE(form->OpenFile(Example));
    // The state before opening is one step back.
    EXPECT_TRUE(form->Commands().Action("ActionUndo")->isEnabled());
    EXPECT_FALSE(form->Commands().Action("ActionRedo")->isEnabled());
    // Two changes: a line removed each time.
    for (int n = 0; n < 2; ++n) {
        TEquationsWindow* equations = form->Equations();
        equations->DeleteObject(equations->ItemAt(equations->Count() - 1));
        form->UndoPostAction();
    }
    EXPECT_EQ(form->Equations()->Count(), 2);
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(form->Equations()->Count(), 3);
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(form->Equations()->Count(), 4);
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(form->Equations()->Count(), 0);
    EXPECT_FALSE(form->Commands().Action("ActionUndo")->isEnabled());
    ASSERT_TRUE(form->Commands().Trigger("ActionRedo"));
    EXPECT_EQ(form->Equations()->Count(), 4);
    ASSERT_TRUE(form->Commands().Trigger("ActionRedo"));
    EXPECT_EQ(form->Equations()->Count(), 3);
    EXPECT_TRUE(form->Commands().Action("ActionRedo")->isEnabled());
    // New is a step of its own: Undo brings the lines back.
    form->SetModified(false);
    ASSERT_TRUE(form->Commands().Trigger("ActionFileNew"));
    EXPECT_EQ(form->Equations()->Count(), 0);
    EXPECT_EQ(form->windowTitle(), "Lumacurve");
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(form->Equations()->Count(), 3);
}

TEST_F(DocumentForm, LinesWaitingForDefinitionsStopASave)
{
    const QString waiting = dir.filePath("waiting.lcv");
    ASSERT_TRUE(
        Write(waiting, "Lumacurve for windows version 3.101\r\nCurve\r\ny=kx\r\nSelected curve no: 0\r\n"));
    ASSERT_TRUE(form->OpenFile(waiting));
    bool anyWaiting = false;
    for (int n = 0; n < form->Equations()->Count(); ++n)
        anyWaiting = anyWaiting || dynamic_cast<TNeedsDefinitions*>(form->Equations()->ItemAt(n));
    if (!anyWaiting)
        GTEST_SKIP() << "entry made no waiting line of y=kx";
    EXPECT_FALSE(form->SaveDocument(dir.filePath("out.lcv")));
    EXPECT_EQ(form->LastMessage(), "You must define all constants and functions before saving");
    EXPECT_FALSE(QFile::exists(dir.filePath("out.lcv")));
}

TEST_F(DocumentForm, ScaleCommandsFollowTheStoredScaleList)
{
    EXPECT_FALSE(form->Commands().Action("ActionUndoZoom")->isEnabled());
    ASSERT_TRUE(form->Commands().Trigger("ActionTrigScales"));
    EXPECT_TRUE(form->Commands().Action("ActionUndoZoom")->isEnabled());
    EXPECT_TRUE(form->Commands().Action("ActionClearScaleList")->isEnabled());
    ASSERT_TRUE(form->Commands().Trigger("ActionClearScaleList"));
    EXPECT_FALSE(form->Commands().Action("ActionUndoZoom")->isEnabled());
    EXPECT_FALSE(form->Commands().Action("ActionLastScales")->isEnabled());
    ASSERT_TRUE(form->Commands().Trigger("HorzZoomOutBtn"));
    EXPECT_TRUE(form->Modified());
}

TEST_F(DocumentForm, ThePopUpEquationIsTheFormulaAsTheEquationsWindowShowsIt)
{
    ASSERT_TRUE(form->OpenFile(Example));
    TGraphWindow* graph = form->GraphArea();
    TEquationsWindow* equations = form->Equations();
    ASSERT_NE(graph, nullptr);
    QCoreApplication::processEvents();
    // The example's second line is y = x² − 3: point the mouse at (2.5, 3.25),
    // far from the other curves.
    const QPoint onCurve = graph->Params().Axes->ValueToPixel(2.5, 3.25);
    QTest::mouseMove(graph, onCurve);
    TEquationDisplay* display = graph->EquationDisplay();
    ASSERT_EQ(display->ShownIndex(), 1);
    TEquationObject* line = equations->List().LineAt(1);
    ASSERT_NE(line, nullptr);
    ASSERT_GT(line->width, 0);
    // Laid out, not typed out: the box is the line's own measure with the
    // same margin on either side.
    const int margins = display->width() - line->width;
    EXPECT_GT(margins, 0);
    EXPECT_EQ(margins % 2, 0);
    EXPECT_EQ(display->height() - line->height, margins / 2);
    const QImage picture = display->grab().toImage();
    int coloured = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            coloured += c.blue() > 150 && c.red() < 100 && c.green() < 100;
        }
    EXPECT_GT(coloured, 20) << "the formula is drawn in its line's colour";
}

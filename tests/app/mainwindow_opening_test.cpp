// The main window opening and saving documents as a user does: what becomes
// the save target (a document, number pairs, a name on the command line that
// is no file yet, the default document), what New leaves behind, the scales
// a document is saved with, and where older documents put their panels.
#include "app/lumacurveform.h"
#include "entry/declarationlines.h"
#include "equations/equationswindow.h"
#include "graph/axes.h"
#include "graph/axis.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Example = QStringLiteral(LUMACURVE_SOURCE_DIR "/resources/examples/Trigonometry.lcv");

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The lines of text from the first line equal to first up to (not including)
// the first line after it that does not start with a tab.
QByteArray Block(const QByteArray& text, const QByteArray& first)
{
    const qsizetype start = text.indexOf("\r\n" + first + "\r\n");
    if (start < 0)
        return {};
    qsizetype end = start + first.size() + 4;
    while (end < text.size() && text[end] == '\t')
        end = text.indexOf("\r\n", end) + 2;
    return text.mid(start + 2, end - start - 2);
}

class Opening : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (form) {
            form->SetModified(false);
            form.reset();
        }
        ResetProgramState();
    }
    // Starts a form as the program starts with options.
    void Start(TStartOptions options = TestStartOptions())
    {
        form = MakeQuietForm<TAnsweringForm>(options);
        ASSERT_NE(form, nullptr);
        for (int wait = 0; wait < 200 && !form->Started(); ++wait)
            QTest::qWait(10);
        ASSERT_TRUE(form->Started());
    }
    void TypeLine(const char* text)
    {
        QApplication::setActiveWindow(form.get());
        form->Equations()->setFocus();
        QTest::keyClicks(form->Equations(), text);
        QTest::keyClick(form->Equations(), Qt::Key_Return);
    }
    QTemporaryDir dir;
    std::unique_ptr<TAnsweringForm> form;
};

} // namespace

TEST_F(Opening, NumberPairsAreANewDocumentThatSaveAsksANameFor)
{
    Start();
    const QString lesson = dir.filePath("lesson.lcv");
    ASSERT_TRUE(QFile::copy(Example, lesson));
    ASSERT_TRUE(form->OpenFile(lesson));
    const QString data = dir.filePath("heights.txt");
    ASSERT_TRUE(Write(data, "2 5\r\n4 7\r\n"));
    ASSERT_TRUE(form->OpenFile(data));
    // Read, not damaged: the status line says so and no box comes up.
    EXPECT_EQ(form->MessageLabel()->text(), "Read as one set of 2 data points.");
    EXPECT_TRUE(form->LastMessage().isEmpty()) << form->LastMessage().toStdString();
    EXPECT_EQ(form->Equations()->Count(), 1);
    EXPECT_EQ(form->windowTitle(), "Lumacurve");
    // Save asks for a name, suggesting the file's own with ".lcv"; the document before is untouched.
    const QByteArray before = Read(lesson);
    form->saveName.clear();
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_EQ(form->saveSuggested, QStringList{dir.filePath("heights.lcv")});
    EXPECT_EQ(Read(lesson), before);
    form->saveName = dir.filePath("heights.lcv");
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_TRUE(Read(dir.filePath("heights.lcv")).contains("\t\t( 4.000000E+0000, 7.000000E+0000)\r\n"));
    EXPECT_EQ(form->windowTitle(), "Lumacurve : heights");
    EXPECT_EQ(Read(lesson), before);
    // A number left over is damage the user is told of.
    ASSERT_TRUE(Write(data, "2 5\r\n4 7\r\n9\r\n"));
    ASSERT_TRUE(form->OpenFile(data));
    EXPECT_TRUE(form->LastMessage().startsWith("I got stuck but have done my best.") &&
                form->LastMessage().contains("line 3:"))
        << form->LastMessage().toStdString();
}

TEST_F(Opening, NewAndClearCurvesLeaveNoTextBoxesBehind)
{
    Start();
    const QByteArray withBox = Read(Example).replace(
        "Whiteboard0\r\n", "Whiteboard0\r\nAnnotation\r\n\tPosition: \r\n\t\t 1.000000E+0000\r\n"
                           "\t\t 2.000000E+0000\r\n\tLine: \r\n\t\t5\r\n\t\t5\r\n\tcolour = 255\r\nnote\r\n");
    const QString boxed = dir.filePath("boxed.lcv");
    ASSERT_TRUE(Write(boxed, withBox));
    for (const char* command : {"ActionFileNew", "ActionClearCurves"}) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(form->OpenFile(boxed));
        const QString saved = dir.filePath(QString(command) + ".lcv");
        ASSERT_TRUE(form->SaveDocument(saved));
        ASSERT_TRUE(Read(saved).contains("Annotation\r\n")); // the box was read and is kept
        ASSERT_TRUE(form->Commands().Trigger(command));
        EXPECT_EQ(form->Equations()->Count(), 0);
        ASSERT_TRUE(form->SaveDocument(saved));
        EXPECT_FALSE(Read(saved).contains("Annotation")) << Read(saved).toStdString();
    }
}

TEST_F(Opening, ADocumentNamedOnTheCommandLineThatIsNoFileYetStartsEmpty)
{
    TStartOptions options;
    options.arguments << dir.filePath("lesson");
    Start(options);
    EXPECT_TRUE(form->OpenedCleanly());
    EXPECT_TRUE(form->LastMessage().isEmpty()) << form->LastMessage().toStdString();
    EXPECT_EQ(form->Equations()->Count(), 0);
    EXPECT_EQ(form->windowTitle(), "Lumacurve : lesson");
    TypeLine("y=2x");
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_TRUE(form->saveSuggested.isEmpty()) << "Save asked for the name it was given";
    EXPECT_TRUE(Read(dir.filePath("lesson.lcv")).contains("Curve\r\ny=2x\r\n"));
}

TEST_F(Opening, TheDefaultDocumentGivesTheStartButIsNoSaveTarget)
{
    // The user's data folder (the test's own: tests/testmain.cpp gives every test private folders).
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    ASSERT_FALSE(folder.isEmpty());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString defaults = folder + "/Lumacurve.lcv";
    const QByteArray template_ = Read(Example);
    ASSERT_TRUE(Write(defaults, template_));
    TStartOptions options;
    options.noDefaultDocument = false;
    Start(options);
    EXPECT_EQ(form->Equations()->Count(), 4) << "the default document was not opened";
    EXPECT_TRUE(Configuration.Radians());
    EXPECT_EQ(form->windowTitle(), "Lumacurve");
    TypeLine("y=3");
    form->saveName.clear();
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_EQ(form->saveSuggested, QStringList{"Lumacurve.lcv"});
    EXPECT_EQ(Read(defaults), template_);
}

TEST_F(Opening, OpenThenSaveWritesBackTheScalesItRead)
{
    Start();
    const QByteArray original = Read(Example)
                                    .replace("min = -6.500000E+0000", "min = -6.000000E+0000")
                                    .replace("max =  6.500000E+0000", "max =  6.000000E+0000");
    const QByteArray window = "Window: Lumacurve\r\nMain Window: \r\n\tLeft:  0.000000E+0000\r\n"
                              "\tWide:  5.000000E-0001\r\n\tTop:  0.000000E+0000\r\n"
                              "\tHigh:  5.000000E-0001\r\n\tState: 0\r\n";
    const QByteArray scaling = Block(original, "Scaling");
    ASSERT_TRUE(scaling.contains("min = -6.000000E+0000")) << scaling.toStdString();
    // Half the screen (smaller than the window is), the same window, and no Window record.
    for (const QByteArray& placement : {window, QByteArray(), window}) {
        QByteArray text = original;
        text.replace("Whiteboard0\r\n", placement + "Whiteboard0\r\n");
        const QString path = dir.filePath("scales.lcv");
        ASSERT_TRUE(Write(path, text));
        ASSERT_TRUE(form->OpenFile(path));
        const TAxes& axes = *form->GraphParams().Axes;
        EXPECT_EQ(static_cast<double>(axes.XAxis->Min), -6);
        EXPECT_EQ(static_cast<double>(axes.XAxis->Max), 6);
        EXPECT_EQ(static_cast<double>(axes.YAxis->Min), -5);
        EXPECT_EQ(static_cast<double>(axes.YAxis->Max), 5);
        ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
        EXPECT_EQ(Block(Read(path), "Scaling"), scaling);
        // And once more from what was saved.
        ASSERT_TRUE(form->OpenFile(path));
        ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
        EXPECT_EQ(Block(Read(path), "Scaling"), scaling);
    }
}

TEST_F(Opening, OlderDocumentsShowTheirToolbarsWhereTheyStandAndPlaceTheEquationsPanel)
{
    Start();
    const QByteArray older = "Lumacurve for windows version 2.0008\r\n"
                             "Insert tools: 1\r\nZoom tools: 0\r\nAngleMeasure tools: 1\r\n"
                             "Equations window\r\n\tVisible: 1\r\n\tAlign = 1\r\n\tLeft:  0.000000E+0000\r\n"
                             "\tWide:  1.000000E+0000\r\n\tTop:  0.000000E+0000\r\n"
                             "\tHigh:  3.000000E-0001\r\n"
                             "Curve\r\ny=x\r\nSelected curve no: 0\r\n";
    const QString path = dir.filePath("older.lcv");
    ASSERT_TRUE(Write(path, older));
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_TRUE(form->LastMessage().isEmpty()) << form->LastMessage().toStdString();
    QToolBar* insert = form->Bar("ToolBarInsert");
    EXPECT_EQ(form->toolBarArea(insert), Qt::BottomToolBarArea);
    EXPECT_TRUE(insert->isVisible());
    EXPECT_FALSE(form->Bar("ToolBarZoom")->isVisible());
    EXPECT_TRUE(form->Bar("ToolBarAngle")->isVisible());
    EXPECT_EQ(form->toolBarArea(form->Bar("ToolBarAngle")), Qt::TopToolBarArea);
    QDockWidget* equations = form->Panel("EquationsDockPanel");
    EXPECT_EQ(form->dockWidgetArea(equations), Qt::TopDockWidgetArea);
    EXPECT_TRUE(equations->isVisible());
    EXPECT_FALSE(equations->isFloating());
    // About the height the block gives (a fraction of the screen; the window's own bars take their share).
    const double high = 0.3 * form->screen()->availableGeometry().height();
    EXPECT_GT(equations->height(), 0.8 * high);
    EXPECT_LT(equations->height(), 1.1 * high);
    // Hidden by its flag.
    ASSERT_TRUE(Write(path, QByteArray(older).replace("\tVisible: 1", "\tVisible: 0")));
    ASSERT_TRUE(form->OpenFile(path));
    EXPECT_FALSE(equations->isVisible());
}

TEST_F(Opening, AFamilyOutlivesDeletingItsLineAndSaving)
{
    Start();
    const QByteArray family = "m=2{fix \x05\x05{  (family of}{3}{, step}{0.25}{)}";
    const QString path = dir.filePath("family.lcv");
    ASSERT_TRUE(Write(path, "Lumacurve for windows version 3.101\r\nCurve\r\n" + family +
                                "\r\n\tStep:  2.500000E-0001\r\nCurve\r\ny=mx\r\nSelected curve no: 0\r\n"));
    ASSERT_TRUE(form->OpenFile(path));
    ASSERT_EQ(form->Equations()->Count(), 2);
    const auto* m = dynamic_cast<TDynamicConstantEquation*>(form->Equations()->ItemAt(0));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Family.constant, &m->Constant());
    // Deleted and brought back by Undo: still a family of three.
    ASSERT_TRUE(form->Commands().Trigger("ActionDeleteCurve"));
    ASSERT_EQ(form->Equations()->Count(), 1);
    EXPECT_EQ(Family.constant, nullptr);
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    ASSERT_EQ(form->Equations()->Count(), 2);
    m = dynamic_cast<TDynamicConstantEquation*>(form->Equations()->ItemAt(0));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Family.constant, &m->Constant());
    EXPECT_EQ(Family.extraMembers, 2);
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_TRUE(Read(path).contains("Curve\r\n" + family + "\r\n")) << Read(path).toStdString();
    FamilyEnd();
}

// Commands of the main window as a user meets them: the angle measure, Delete
// curve's refusal, the start-up screen's key, closing the equations panel,
// faults on the status line and commands chosen while a faulty line is being edited,
// pictures without the windows' furniture, the start maximised, the
// whiteboard's keypad, greyed submenus, projector legibility and Escape in a message box.
#include "app/helpwindow.h"
#include "app/lumacurveform.h"
#include "app/startupwindow.h"
#include "equations/equationswindow.h"
#include "formula/equationobject.h"
#include "formula/formulalayout.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "plot/polylinestore.h"
#include "settings/configuration.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// Closes every message box that comes up by pressing Escape, noting its text
// and whether Escape closed it (if not, OK does, so that no test hangs).
class TBoxWatcher {
public:
    TBoxWatcher()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->text();
            QTest::keyClick(box, Qt::Key_Escape);
            if (box->isVisible()) {
                ++escapeIgnored;
                box->done(QMessageBox::Ok);
            }
        });
        timer_.start(10);
    }
    QStringList texts;
    int escapeIgnored = 0;

private:
    QTimer timer_;
};

// Dark pixels in a 9 by 9 box around a point of the picture.
int DarkAround(const QImage& picture, QPoint at)
{
    int dark = 0;
    for (int y = at.y() - 4; y <= at.y() + 4; ++y)
        for (int x = at.x() - 4; x <= at.x() + 4; ++x)
            if (picture.rect().contains(x, y) && qGray(picture.pixel(x, y)) < 80)
                ++dark;
    return dark;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        form = MakeQuietForm<TAnsweringForm>();
        ASSERT_NE(form, nullptr);
        for (int wait = 0; wait < 200 && !form->Started(); ++wait)
            QTest::qWait(10);
        QApplication::setActiveWindow(form.get());
        equations = form->Equations();
        equations->setFocus();
    }
    void TearDown() override
    {
        form->SetModified(false);
        form.reset();
        ResetProgramState();
    }
    void TypeLine(const QString& text)
    {
        QTest::keyClicks(equations, text);
        QTest::keyClick(equations, Qt::Key_Return);
        // A line just entered is drawn once the events pending are handled.
        TGraphWindow* graph = form->GraphArea();
        WaitFor([graph] { return graph->RepaintFrom() == std::numeric_limits<int>::max(); });
    }
    // Chooses a command from the menu bar with the mouse.
    void Choose(const char* menuName, const char* command)
    {
        QMenu* menu = form->findChild<QMenu*>(menuName);
        ASSERT_NE(menu, nullptr) << menuName;
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); })) << menuName;
        QAction* action = form->Commands().Action(command);
        ASSERT_TRUE(action->isEnabled()) << command;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QTest::qWait(30);
    }
    QTemporaryDir settingsDir;
    std::unique_ptr<TAnsweringForm> form;
    TEquationsWindow* equations = nullptr;
};

} // namespace

TEST_F(Commands, DegreesAndRadiansDrawEveryCurveAgainInTheNewUnit)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionRadians"));
    TypeLine("y=sin x");
    TGraphWindow* graph = form->GraphArea();
    const QPoint peak = graph->Params().Axes->ValueToPixel(std::acos(0.0L), 1); // sin(pi/2) = 1
    ASSERT_TRUE(graph->rect().contains(peak));
    EXPECT_GT(DarkAround(graph->grab().toImage(), peak), 3);
    // In degrees sin(1.57) is 0.027: the curve runs along the axis, far from the peak.
    ASSERT_TRUE(form->Commands().Trigger("ActionDegrees"));
    EXPECT_FALSE(Configuration.Radians());
    EXPECT_EQ(DarkAround(graph->grab().toImage(), peak), 0) << "the curve is still drawn in radians";
    EXPECT_TRUE(form->Commands().Action("ActionDegrees")->isChecked());
    EXPECT_FALSE(form->Commands().Action("ActionRadians")->isChecked());
    ASSERT_TRUE(form->Commands().Trigger("ActionRadians"));
    EXPECT_GT(DarkAround(graph->grab().toImage(), peak), 3);
}

TEST_F(Commands, DeleteCurveSaysWhyItKeepsAConstantInUse)
{
    TypeLine("k=2");
    TypeLine("y=kx");
    ASSERT_EQ(equations->Count(), 2);
    equations->ItemAt(1)->SetSwitch(0x8000, true); // the curve is hidden
    equations->SelectLine(0);
    ASSERT_TRUE(form->Commands().Trigger("ActionDeleteCurve"));
    EXPECT_EQ(equations->Count(), 2);
    EXPECT_EQ(form->LastMessage(), "You must delete the shapes and\n\rhidden curves that use this first.");
}

TEST_F(Commands, AKeyThatClosesTheStartUpScreenIsTyped)
{
    QPointer<TStartupWindow> startup = form->findChild<TStartupWindow*>();
    ASSERT_FALSE(startup.isNull());
    QTest::keyClick(startup.data(), Qt::Key_Y);
    ASSERT_TRUE(WaitFor([&] { return startup.isNull(); }));
    ASSERT_NE(equations->Line(), nullptr) << "nothing reached the equations window";
    EXPECT_EQ(equations->LineText(), "y");
    QTest::keyClicks(equations, "=3");
    EXPECT_EQ(equations->LineText(), "y=3");
}

TEST_F(Commands, ClosingTheEquationsPanelAsksAndKeepsAFaultyLineInSight)
{
    QDockWidget* panel = form->Panel("EquationsDockPanel");
    form->closeEquationsAnswer = false;
    panel->close();
    EXPECT_EQ(form->closeEquationsAsked, 1);
    EXPECT_TRUE(panel->isVisible());
    // A line with a fault: the fault is shown on the status line and the panel stays, without a question.
    TBoxWatcher boxes;
    QTest::keyClicks(equations, "y=(x");
    form->closeEquationsAnswer = true;
    panel->close();
    EXPECT_EQ(form->MessageLabel()->text().trimmed(), "Right bracket missing");
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(form->closeEquationsAsked, 1);
    EXPECT_TRUE(panel->isVisible());
    QTest::keyClicks(equations, ")");
    panel->close();
    EXPECT_EQ(form->closeEquationsAsked, 2);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(equations->Count(), 1) << "the corrected line was entered";
    // The Equations window button brings it back.
    ASSERT_TRUE(form->Commands().Trigger("ActionEquationsWindow"));
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(Commands, AFaultGoesToTheStatusLineAndMenuCommandsEndTheEditingFirst)
{
    TBoxWatcher boxes;
    QLabel* status = form->MessageLabel();
    // Shows the fault once more (true) when the status line, cleared first, shows it after the command.
    auto faultShownBy = [&](const char* menu, const char* command) {
        status->clear();
        Choose(menu, command);
        return status->text().trimmed() == "Right bracket missing";
    };
    TypeLine("y=(x");
    ASSERT_EQ(status->text().trimmed(), "Right bracket missing");
    ASSERT_NE(equations->Line(), nullptr);
    // A view command: the fault is shown again, then the command runs.
    EXPECT_TRUE(faultShownBy("Zoom1", "ActionZoomin"));
    EXPECT_EQ(form->GraphArea()->MouseMode(), 301);
    EXPECT_NE(equations->Line(), nullptr);
    // A command that needs the line finished is refused after the fault was shown.
    EXPECT_TRUE(faultShownBy("File1", "ActionFileSave"));
    EXPECT_TRUE(form->saveSuggested.isEmpty());
    EXPECT_NE(equations->Line(), nullptr);
    // Corrected, the line is entered by the next command, which runs.
    QTest::keyClicks(equations, ")");
    EXPECT_FALSE(faultShownBy("Zoom1", "ActionZoomout"));
    EXPECT_EQ(equations->Line(), nullptr);
    EXPECT_EQ(equations->Count(), 1);
    EXPECT_EQ(form->GraphArea()->MouseMode(), 302);
    // Typing goes on through the commands that work on the line.
    QTest::mouseClick(equations, Qt::LeftButton, {}, equations->LineRect(1).center() + QPoint(0, 20));
    QTest::keyClicks(equations, "y=");
    ASSERT_TRUE(form->Commands().Trigger("ActionInsPi"));
    EXPECT_NE(equations->Line(), nullptr);
    EXPECT_TRUE(boxes.texts.isEmpty()) << "a fault was shown in a box";
}

TEST_F(Commands, PicturesHoldTheWindowsContentsWithoutFurnitureOrSelectionMarks)
{
    TypeLine("y=x");
    TypeLine("y=2");
    equations->SelectLine(0);
    ASSERT_EQ(equations->Line(), nullptr);
    const QColor furniture = form->palette().color(QPalette::Window); // title bars, scroll bars, buttons
    auto picture = [&](const char* command) {
        QGuiApplication::clipboard()->clear();
        EXPECT_TRUE(form->Commands().Trigger(command)) << command;
        const QImage image = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
        return image.convertToFormat(QImage::Format_RGB32);
    };
    const QImage screen = picture("Actioncopyscreen");
    ASSERT_FALSE(screen.isNull());
    int furnished = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            furnished += QColor(screen.pixel(x, y)) == furniture;
    EXPECT_LT(furnished, screen.width()) << "the picture holds the panels' furniture";
    // The dotted frame of the selected line is on screen, not in the picture (drawn at twice the size).
    const QRect selected = equations->LineRect(0);
    const QImage lines = picture("ActionCopyEquations");
    int framed = 0;
    for (int x = 2 * selected.left(); x < 2 * selected.right(); ++x)
        framed += qGray(lines.pixel(x, 2 * selected.top())) < 200;
    EXPECT_EQ(framed, 0);
    const QImage shown = equations->grab().toImage();
    int onScreen = 0;
    for (int x = selected.left(); x < selected.right(); ++x)
        onScreen += qGray(shown.pixel(x, selected.top())) < 200;
    EXPECT_GT(onScreen, 0) << "the frame this test looks for is not drawn at all";
}

TEST_F(Commands, AnOrdinaryStartIsMaximisedAndAScreenshotIsNot)
{
    form->ShowForStart();
    EXPECT_TRUE(WaitFor([&] { return form->isMaximized(); }, 500));
    form->SetModified(false);
    form.reset();
    TStartOptions screenshot = TestStartOptions();
    screenshot.screenshot = true;
    form = MakeQuietForm<TAnsweringForm>(screenshot);
    ASSERT_NE(form, nullptr);
    form->resize(1280, 800);
    form->ShowForStart();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(form->size(), QSize(1280, 800));
}

TEST_F(Commands, TheWhiteboardKeypadCoversNeitherTheInsertToolbarNorTheLines)
{
    TypeLine("y=x");
    ASSERT_TRUE(form->Commands().Trigger("ActionWhiteboard"));
    QToolBar* keypad = form->Bar("ToolbarKeypad");
    QToolBar* insert = form->Bar("ToolBarInsert");
    ASSERT_TRUE(keypad->isVisible());
    EXPECT_EQ(form->toolBarArea(insert), Qt::LeftToolBarArea);
    const QRect keys(keypad->mapToGlobal(QPoint()), keypad->size());
    const QRect bar(insert->mapToGlobal(QPoint()), insert->size());
    auto* scroller = form->findChild<QScrollArea*>("EquationsScroller");
    const QRect lines(scroller->mapToGlobal(QPoint()), scroller->size());
    const QRect graph(form->GraphArea()->mapToGlobal(QPoint()), form->GraphArea()->size());
    EXPECT_FALSE(keys.intersects(bar));
    EXPECT_FALSE(keys.intersects(lines));
    EXPECT_TRUE(graph.contains(keys)) << "beside the graph";
}

TEST_F(Commands, SubmenuHeadingsAreGreyedWhenAllTheirItemsAre)
{
    struct TRow {
        const char* menu;
        bool enabled;
    };
    // Nothing that draws regressions works yet; the shapes, the curves placed by clicks,
    // the straight lines through a point and the insert commands do.
    for (const TRow& row : {TRow{"Polygon", true}, TRow{"Newdynamiccurve", true}, TRow{"Regression", false},
                            TRow{"Straightlines", true}, TRow{"Insert", true}}) {
        QMenu* menu = form->menuBar()->findChild<QMenu*>(row.menu);
        ASSERT_NE(menu, nullptr) << row.menu;
        bool any = false;
        for (QAction* item : menu->actions())
            any = any || (!item->isSeparator() && item->isEnabled());
        EXPECT_EQ(any, row.enabled) << row.menu;
        EXPECT_EQ(menu->menuAction()->isEnabled(), row.enabled) << row.menu;
    }
}

TEST_F(Commands, HighContrastIsTheWhiteboardsChoiceAndDocumentsKeepTheDesignsLook)
{
    TypeLine("y<x");
    TGraphWindow* graph = form->GraphArea();
    // A point well inside the shaded side, away from the line, the axes and the grid.
    const QPoint shaded = graph->Params().Axes->ValueToPixel(2.45L, -2.55L);
    auto tint = [&] {
        const QColor c = graph->grab().toImage().pixelColor(shaded);
        return 255 * 3 - c.red() - c.green() - c.blue();
    };
    const int faint = tint();
    const TColour second = CurveColour(1);
    EXPECT_EQ(DefaultLineThickness, 1);
    ASSERT_TRUE(form->Commands().Trigger("ActionWhiteboard"));
    EXPECT_TRUE(HighContrast);
    EXPECT_GT(tint(), 3 * faint) << "the shading is as faint as before";
    EXPECT_EQ(DefaultLineThickness, 3);
    TypeLine("y=2");
    EXPECT_EQ(equations->ItemAt(1)->thickness, 3);
    // Neighbouring colours differ in hue and in lightness (luminance, as the eye weighs the channels).
    const auto luminance = [](const QColor& c) {
        return 0.2126 * c.red() + 0.7152 * c.green() + 0.0722 * c.blue();
    };
    for (int n = 0; n < 10; ++n) {
        const QColor a = ToQColor(CurveColour(n)), b = ToQColor(CurveColour(n + 1));
        const int hues = std::abs(a.hslHue() - b.hslHue());
        const bool greyInvolved = a.hslSaturation() == 0 || b.hslSaturation() == 0;
        EXPECT_TRUE(greyInvolved || std::min(hues, 360 - hues) >= 40) << n;
        EXPECT_GE(std::abs(luminance(a) - luminance(b)), 40) << n;
    }
    // Leaving the whiteboard gives the design's look back.
    ASSERT_TRUE(form->Commands().Trigger("ActionWhiteboard"));
    EXPECT_FALSE(HighContrast);
    EXPECT_EQ(CurveColour(1), second);
    EXPECT_EQ(DefaultLineThickness, 1);
    EXPECT_EQ(tint(), faint);
    // The choice is stored with the whiteboard preferences.
    form->StoreWhiteboardPreferences();
    ASSERT_TRUE(TLumacurveForm::StoredWhiteboardPreferences());
    EXPECT_FALSE(TLumacurveForm::StoredWhiteboardPreferences()->highContrast);
    ASSERT_TRUE(form->Commands().Trigger("ActionWhiteboard"));
    EXPECT_FALSE(HighContrast);
}

TEST_F(Commands, EscapeClosesAMessageBoxWithHelpAsOKDoes)
{
    // A line too long to take more brings up the formula's box, with OK and Help.
    TBoxWatcher boxes;
    QTest::keyClicks(equations, QString(170, 'W'));
    ASSERT_FALSE(boxes.texts.isEmpty());
    EXPECT_EQ(boxes.texts.front(), "The formula is too long.");
    EXPECT_EQ(boxes.escapeIgnored, 0) << "Escape left the box open";
    EXPECT_FALSE(form->HelpWindow()->isVisible()) << "Escape answered Help";
}

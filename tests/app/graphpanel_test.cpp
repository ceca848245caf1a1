// The graph panel of the main window as a user drives it: the scroll bars
// pan the graph and are recentred later, a line just entered
// is drawn visibly, and Demo draw draws every line with the pencil,
// selecting each, pausing between them, with curves not draggable meanwhile.
#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "platform/drawinginterrupt.h"
#include "settings/configuration.h"

#include <QApplication>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// What the drawings were doing each time they polled the keyboard.
class TWatchingInterrupt : public TDrawingInterrupt {
public:
    TInterruptRequest Poll() override
    {
        visible += (DrawMode & dmDrawVisibly) ? 1 : 0;
        pencil += DrawMode == (dmDemonstration | dmDrawVisibly) ? 1 : 0;
        draggable += DraggableCurvesInUse(false) ? 1 : 0;
        ++polls;
        return {};
    }
    int polls = 0, visible = 0, pencil = 0, draggable = 0;
};

class GraphPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        form = MakeQuietForm<TLumacurveForm>();
        ASSERT_NE(form, nullptr);
        Configuration.RepeatsDelay = 0; // the pencil does not wait
    }
    void TearDown() override
    {
        InstallDrawingInterrupt(nullptr);
        form->SetModified(false);
        form.reset();
        Configuration = DefaultConfiguration;
    }
    void Type(const std::vector<const char*>& lines)
    {
        TEquationsWindow* equations = form->Equations();
        QApplication::setActiveWindow(form.get());
        equations->setFocus();
        for (const char* line : lines) {
            QTest::keyClicks(equations, line);
            QTest::keyClick(equations, Qt::Key_Return);
            QTest::qWait(20); // the line settles and is drawn
        }
    }
    [[nodiscard]] TAxisRanges Ranges() const { return form->GraphArea()->Params().Axes->GetRanges(); }
    // The graph point at the window's top-left pixel.
    [[nodiscard]] TRealPoint Corner() const
    {
        return form->GraphArea()->Params().Axes->PixelToValue(QPoint(0, 0));
    }

    QTemporaryDir settingsDir;
    std::unique_ptr<TLumacurveForm> form;
};

} // namespace

TEST_F(GraphPanel, ScrollBarsPanTheGraphAndComeBackToTheMiddle)
{
    auto* horizontal = form->findChild<QScrollBar*>("HorzScrollBar");
    auto* vertical = form->findChild<QScrollBar*>("VertScrollBar");
    ASSERT_NE(horizontal, nullptr);
    ASSERT_NE(vertical, nullptr);
    TGraphWindow* graph = form->GraphArea();
    const TRealPoint before = Corner();
    // The window's extents in x and y.
    const long double width = graph->Params().Axes->XAxis->WindowExtent();
    const long double height = graph->Params().Axes->YAxis->WindowExtent();
    // The right arrow: the view moves right by 1 % of the window.
    horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_NEAR(static_cast<double>(Corner().x - before.x), static_cast<double>(width / 100),
                static_cast<double>(width) * 1e-9);
    EXPECT_EQ(horizontal->value(), 51);
    // The thumb dragged down by 10: the view moves down by 10 %.
    vertical->setSliderDown(true);
    vertical->setSliderPosition(60);
    vertical->setSliderDown(false);
    EXPECT_NEAR(static_cast<double>(Corner().y - before.y), static_cast<double>(-height / 10),
                static_cast<double>(height) * 1e-9);
    // Five seconds after the last movement the bars are back in the middle
    // and the view stays where it was moved to.
    QTimer* timer = form->ScrollBarTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 5000);
    const TAxisRanges moved = Ranges();
    timer->start(1);
    QTest::qWait(30);
    EXPECT_EQ(horizontal->value(), 50);
    EXPECT_EQ(vertical->value(), 50);
    EXPECT_EQ(Ranges().XMin, moved.XMin);
    EXPECT_EQ(Ranges().YMin, moved.YMin);
}

TEST_F(GraphPanel, ALineJustEnteredIsDrawnVisiblyAndWithThePencilWhenDemonstrating)
{
    TWatchingInterrupt watch;
    InstallDrawingInterrupt(&watch);
    Type({"y=x{^{2}"});
    EXPECT_GT(watch.visible, 0);
    EXPECT_EQ(watch.pencil, 0);
    // With the demonstration setting the pencil draws the next one.
    Configuration.DemonstrationDraw = true;
    watch = TWatchingInterrupt();
    Type({"y=2x"});
    EXPECT_GT(watch.pencil, 0);
    EXPECT_EQ(watch.draggable, 0);
    EXPECT_EQ(DrawMode & dmDrawVisibly, 0);
}

TEST_F(GraphPanel, DemoDrawDrawsEveryLineSelectingEachAndPausingBetweenThem)
{
    Type({"y=x", "y=2x", "y=3x"});
    ASSERT_EQ(form->Equations()->Count(), 3);
    Configuration.Pause = true;
    TWatchingInterrupt watch;
    InstallDrawingInterrupt(&watch);
    // The press-a-key box is answered as it comes up; the line selected then is noted.
    std::vector<int> selectedAtPauses;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box->objectName() != QStringLiteral("PressSomething"))
            return;
        selectedAtPauses.push_back(form->Equations()->SelectedIndex());
        QTest::keyClick(box, Qt::Key_Space);
    });
    answer.start();
    ASSERT_TRUE(form->Commands().Trigger("ActionDemoDraw"));
    QTest::qWait(50); // the drawing starts once the menu has gone
    answer.stop();
    EXPECT_EQ(selectedAtPauses, (std::vector<int>{0, 1})); // none after the last line
    EXPECT_EQ(form->Equations()->SelectedIndex(), 2);
    EXPECT_EQ(form->GraphArea()->SelectedIndex(), 2);
    EXPECT_GT(watch.pencil, 0);
    EXPECT_EQ(watch.draggable, 0) << "curves could be dragged during the demonstration";
    EXPECT_EQ(DrawMode, 0);
    EXPECT_TRUE(DraggableCurvesInUse(false));
}

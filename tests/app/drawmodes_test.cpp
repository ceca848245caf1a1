// The draw modes of the graph window: drawing visibly pushes the picture to
// the screen while it is computed, demonstration drawing selects each line
// first and pauses between lines, Escape stops the remaining lines, and the
// press-a-key box lets a held drawing go on.
#include "graphwindow/graphwindowtesting.h"

#include "app/presssomethingdlg.h"

#include <QApplication>
#include <QTimer>

using graphwindowtesting::GraphWindowTest;

namespace {

// Counts polls; presses Escape from poll escapeAt on (0: never).
class TCountingInterrupt : public TDrawingInterrupt {
public:
    TInterruptRequest Poll() override
    {
        ++polls;
        return {escapeAt > 0 && polls >= escapeAt, false};
    }
    int polls = 0;
    int escapeAt = 0;
};

class DrawModeTest : public GraphWindowTest {
protected:
    void SetUp() override
    {
        GraphWindowTest::SetUp();
        InstallDrawingInterrupt(&interrupt);
        window->PaintEvent = [this](bool before) { paints += before ? 1 : 0; };
        window->DemonstrateLine = [this](int index) { demonstrated.push_back(index); };
        window->PauseBetweenLines = [this] { ++pauses; };
        Configuration.RepeatsDelay = 0; // the demonstration pencil does not wait
    }
    void TearDown() override
    {
        InstallDrawingInterrupt(nullptr);
        DrawMode = 0;
        GraphWindowTest::TearDown();
    }
    TCountingInterrupt interrupt;
    int paints = 0;
    int pauses = 0;
    std::vector<int> demonstrated;
};

} // namespace

TEST_F(DrawModeTest, DrawingVisiblyShowsThePictureWhileItIsComputed)
{
    Configuration.Accuracy = 40; // long enough to be seen drawing
    ShowLines({"y=sin x", "y=x{^{3}-3x"});
    paints = 0;
    window->DrawVisibly();
    EXPECT_GT(paints, 1);
    EXPECT_EQ(DrawMode & dmDrawVisibly, 0);
    EXPECT_TRUE(demonstrated.empty()); // not a demonstration
    EXPECT_EQ(pauses, 0);
    // A line entered at the end is drawn visibly alone.
    DrawMode = dmDemonstration;
    auto more = graphwindowtesting::EnterLines({"y=x"});
    lines->lines.push_back(std::move(more->lines.front()));
    window->LinesChanged(2);
    window->DrawVisibly(2);
    EXPECT_EQ(demonstrated, (std::vector<int>{2}));
}

TEST_F(DrawModeTest, ADemonstrationSelectsEachLineAndPausesBetweenThem)
{
    ShowLines({"y=x", "y=2x", "y=3x"});
    lines->lines[1]->SetSwitches(HiddenLineSwitch);
    DrawMode = dmDemonstration;
    Configuration.Pause = true;
    window->DrawVisibly();
    EXPECT_EQ(demonstrated, (std::vector<int>{0, 2}));
    EXPECT_EQ(pauses, 1); // after the first visible line; none after the last
    EXPECT_EQ(DrawMode, dmDemonstration);
}

TEST_F(DrawModeTest, EscapeStopsTheRemainingLines)
{
    ShowLines({"y=x", "y=-x"});
    DrawMode = dmDemonstration;
    interrupt.escapeAt = 1;
    window->DrawVisibly();
    EXPECT_EQ(demonstrated, (std::vector<int>{0}));
    // The next drawing starts afresh and completes.
    interrupt.escapeAt = 0;
    demonstrated.clear();
    window->DrawVisibly();
    EXPECT_EQ(demonstrated, (std::vector<int>{0, 1}));
}

TEST_F(DrawModeTest, ThePauseBoxWaitsForAKeyAndKeepsTheDrawingFlags)
{
    DrawingCompleted = true;
    BusyCursorFlag = true;
    bool seen = false;
    QTimer::singleShot(50, [&] {
        QWidget* box = QApplication::activeModalWidget();
        seen = box && box->objectName() == QStringLiteral("PressSomething") && TPressSomething::Waiting();
        if (box)
            QTest::keyClick(box, Qt::Key_Space);
    });
    TPressSomething::WaitForKey(window.get());
    EXPECT_TRUE(seen);
    EXPECT_FALSE(TPressSomething::Waiting());
    EXPECT_TRUE(DrawingCompleted);
    EXPECT_TRUE(BusyCursorFlag);
    BusyCursorFlag = false;
    const auto shown = std::find(status.messages.begin(), status.messages.end(), "Press a key");
    ASSERT_NE(shown, status.messages.end());
    EXPECT_NE(std::find(shown, status.messages.end(), ""), status.messages.end()); // cleared after
    EXPECT_EQ(status.messages.back(), "");
    EXPECT_GE(status.beeps, 1);
}

TEST_F(DrawModeTest, TheSelectedLineIsComputedOnceWhenDrawnVisibly)
{
    ShowLines({"y=sin x"});
    auto* curve = dynamic_cast<TCurvePLotter*>(lines->lines[0].get());
    ASSERT_NE(curve, nullptr);
    // The plotter polls between samples: the polls count the work.
    auto polls = [&] {
        curve->DiscardLineStore();
        interrupt.polls = 0;
        window->DrawVisibly();
        return interrupt.polls;
    };
    const int unselected = polls();
    EXPECT_GT(unselected, 0);
    window->SelectLine(0);
    EXPECT_EQ(polls(), unselected) << "the halo's curve was computed again";
}

TEST_F(DrawModeTest, LinesBeforeTheFirstDrawnVisiblyAreReplayedNotComputed)
{
    // The plotter polls between samples: the polls count the work.
    auto polls = [&](int stale, int first) {
        window->LinesChanged(stale);
        interrupt.polls = 0;
        window->DrawVisibly(first);
        return interrupt.polls;
    };
    ShowLines({"y=x{^{3}-3x"});
    const int alone = polls(0, 0);
    EXPECT_GT(alone, 0);
    ShowLines({"y=sin x", "y=x{^{3}-3x"});
    // Only the second line is drawn visibly, whether the picture was stale
    // from it on or as a whole (a line entered before others, a redraw):
    // the first comes from its stored drawing.
    EXPECT_EQ(polls(1, 1), alone);
    EXPECT_EQ(polls(0, 1), alone);
    EXPECT_TRUE(demonstrated.empty());
}

TEST_F(DrawModeTest, ASelectedLineDrawnVisiblyGetsItsHaloOnlyOnceDrawn)
{
    ShowLines({"y=2x+1"});
    window->SelectLine(0);
    window->repaint();
    // Beside the line the halo shows once the line is drawn.
    const QPoint beside = window->Params().Axes->ValueToPixel(0.25L, 1.5L) + QPoint(2, 0);
    const QRgb white = qRgb(255, 255, 255);
    ASSERT_NE(window->grab().toImage().pixel(beside), white);
    // While the line is being drawn again, what shows at its first poll is
    // the picture without the halo of its last drawing.
    class TLookAtFirstPoll : public TDrawingInterrupt {
    public:
        explicit TLookAtFirstPoll(QWidget& window) : window_(window) {}
        TInterruptRequest Poll() override
        {
            if (first.isNull())
                first = window_.grab().toImage();
            return {};
        }
        QImage first;

    private:
        QWidget& window_;
    } look(*window);
    InstallDrawingInterrupt(&look);
    window->DrawVisibly();
    InstallDrawingInterrupt(&interrupt);
    ASSERT_FALSE(look.first.isNull());
    EXPECT_EQ(look.first.pixel(beside), white);
    EXPECT_NE(window->grab().toImage().pixel(beside), white);
}

TEST_F(DrawModeTest, EscapeInADemonstrationThatMovedTheSelectionStopsForGood)
{
    ShowLines({"y=x", "y=2x", "y=3x"});
    window->SelectLine(0);
    window->repaint();
    window->DemonstrateLine = [this](int index) {
        demonstrated.push_back(index);
        window->SelectLine(index);
    };
    // The first line takes 1001 polls: Escape comes while the second is drawn.
    interrupt.polls = 0;
    interrupt.escapeAt = 1500;
    window->DrawVisibly(0, true);
    EXPECT_EQ(demonstrated, (std::vector<int>{0, 1}));
    EXPECT_EQ(window->SelectedIndex(), 1);
    EXPECT_EQ(interrupt.polls, 1500) << "the abandoned drawing started again";
}

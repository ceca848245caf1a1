// The busy cursor of long calculations: shown once one has lasted its delay,
// kept across the curves of one repaint, taken away when the event loop runs
// again, and out of the way of the box that holds a paused drawing.
#include "platform/drawinginterrupt.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;

// The application's cursor now: 'W' the wait cursor, '.' any other.
char CursorNow()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor ? 'W' : '.';
}

struct TSteps {
    TKeyboardInterrupt& interrupt;
    std::string& log;

    void Note() { log += CursorNow(); }
    // One curve's calculation, polling the keyboard once.
    void Calculate()
    {
        interrupt.BeginBusy();
        (void)interrupt.Poll();
        interrupt.EndBusy();
        Note();
    }
    void EventLoop()
    {
        QCoreApplication::processEvents();
        Note();
    }
};

// One calculation, then back to the event loop.
void CalculateThenReturn(TSteps& s)
{
    s.Calculate();
    s.EventLoop();
}

TEST(BusyCursor, ShowsOnceACalculationLastsAndGoesWhenTheEventLoopRuns)
{
    struct TCase {
        const char* name;
        std::chrono::milliseconds delay;
        void (*steps)(TSteps&);
        const char* log; // the cursor at each note
    };
    const TCase cases[] = {
        {"a calculation that lasts shows it until the event loop runs", 0ms, CalculateThenReturn, "W."},
        {"the curves of one repaint share it", 0ms,
         [](TSteps& s) {
             for (int curve = 0; curve < 3; ++curve)
                 s.Calculate();
             s.EventLoop();
         },
         "WWW."},
        {"a quick calculation never shows it", 1h, CalculateThenReturn, ".."},
        {"the pause box gets the ordinary cursor, the drawing then the busy one again", 0ms,
         [](TSteps& s) {
             s.interrupt.BeginBusy();
             (void)s.interrupt.Poll();
             s.Note();
             s.interrupt.Pause(); // notes the cursor the box sees
             s.Note();
             s.interrupt.EndBusy();
             s.EventLoop();
         },
         "W.W."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string log;
        {
            TKeyboardInterrupt interrupt(c.delay);
            TSteps steps{interrupt, log};
            interrupt.SetPauseHandler([&steps] { steps.Note(); });
            c.steps(steps);
        }
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(CursorNow(), '.');
    }
    // A poller freed while the cursor shows takes it away.
    {
        TKeyboardInterrupt interrupt(0ms);
        interrupt.BeginBusy();
        (void)interrupt.Poll();
        EXPECT_EQ(CursorNow(), 'W');
    }
    EXPECT_EQ(CursorNow(), '.');
}

// A keyboard whose platform state the test sets; counts the platform queries.
class TScriptedKeyboard : public TKeyboardInterrupt {
public:
    TScriptedKeyboard() : TKeyboardInterrupt(std::chrono::hours(1)) {}
    TInterruptRequest keys;
    int queries = 0;

protected:
    TInterruptRequest PlatformKeys() override
    {
        ++queries;
        return keys;
    }
};

TEST(KeyboardInterrupt, ADrawingThatStartsReadsTheKeysAfresh)
{
    TScriptedKeyboard keyboard;
    InstallDrawingInterrupt(&keyboard);
    {
        // Escape held: the drawing is abandoned at its first poll.
        keyboard.keys = {true, false};
        const TDrawingScope drawing;
        EXPECT_TRUE(keyboard.Poll().abandon);
    }
    // Escape let go. Within the pollers' interval the platform is not asked
    // again, but a new drawing must not inherit the old answer: its first
    // poll asks, and then sees no Escape.
    keyboard.keys = {false, false};
    {
        const TDrawingScope drawing;
        const TDrawingScope nested; // a curve drawn within the same drawing asks nothing more
        const int queries = keyboard.queries;
        EXPECT_FALSE(keyboard.Poll().abandon);
        EXPECT_EQ(keyboard.queries, queries + 1);
    }
    // Ctrl held the drawing with the pause box: once the box lets it go, the
    // next poll asks again instead of pausing on the old answer.
    int pauses = 0;
    keyboard.SetPauseHandler([&pauses] { ++pauses; });
    keyboard.keys = {false, true};
    {
        const TDrawingScope drawing;
        EXPECT_TRUE(keyboard.Poll().pause);
        keyboard.Pause();
        keyboard.keys = {false, false};
        EXPECT_FALSE(keyboard.Poll().pause);
    }
    EXPECT_EQ(pauses, 1);
    InstallDrawingInterrupt(nullptr);
}

} // namespace

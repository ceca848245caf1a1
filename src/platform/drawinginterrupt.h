// How a long drawing stays responsive without running the event loop: the
// plotter polls the keyboard between samples (Escape abandons the drawing,
// Ctrl pauses it while drawing visibly) through one program-wide poller that
// never dispatches events, so no timer, repaint or other evaluation can run
// in the middle of an evaluation. Also the program-wide drawing flags that
// timers and the graph window read.
#pragma once

#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>

class QEvent;

// What the keyboard asks of a drawing at one poll.
struct TInterruptRequest {
    bool abandon = false; // Escape is down
    bool pause = false;   // Ctrl is down
};

// The keyboard as a drawing sees it. The base class never interrupts.
class TDrawingInterrupt {
public:
    virtual ~TDrawingInterrupt() = default;
    // The requests in force now; must not dispatch events or evaluate anything.
    [[nodiscard]] virtual TInterruptRequest Poll() { return {}; }
    // Holds a drawing that asked to pause until the user lets it go on.
    virtual void Pause() {}
    // A long calculation starts (shows the busy cursor) and ends.
    virtual void BeginBusy() {}
    virtual void EndBusy() {}
    // A drawing starts: what the keyboard said during an earlier one (an
    // Escape that abandoned it) no longer holds.
    virtual void DrawingStarts() {}
};

// Installs the program-wide poller (borrowed; nullptr restores the one that
// never interrupts).
void InstallDrawingInterrupt(TDrawingInterrupt* interrupt);
// The poller in force.
[[nodiscard]] TDrawingInterrupt& DrawingInterrupt();

// True while any curve is being drawn. Timers that evaluate (playing
// constants, simulated drags, the start-up screen) must skip their tick
// while it holds, because evaluation state is program-wide.
[[nodiscard]] bool DrawingInProgress();

// Marks a drawing for its lifetime; scopes nest. The outermost one tells
// the poller in force that a drawing starts.
class TDrawingScope {
public:
    TDrawingScope();
    ~TDrawingScope();
    TDrawingScope(const TDrawingScope&) = delete;
    TDrawingScope& operator=(const TDrawingScope&) = delete;
};

// Set by the graph window before it draws its lines; Escape clears it so
// that the remaining lines of that paint are not drawn. Each thread has its
// own: a worker's abandoned computation reaches the drawing thread through
// its stop flag.
inline thread_local bool DrawingCompleted = true;
// The stop of a computation shared out among threads: its own flag, and
// the stop of the computation it is part of (a curve split into bands while
// the drawing computes several curves), which stops it too.
struct TComputationStop {
    std::atomic<bool>* flag = nullptr;
    const TComputationStop* outer = nullptr;
    [[nodiscard]] bool Raised() const
    {
        for (const TComputationStop* stop = this; stop; stop = stop->outer)
            if (stop->flag->load(std::memory_order_relaxed))
                return true;
        return false;
    }
};
// On a thread computing curves for a drawing (a worker, or the drawing
// thread doing its share): the stop it polls instead of the keyboard
// (nullptr while the drawing thread draws).
inline thread_local const TComputationStop* ComputationStop = nullptr;
// Set on the drawing thread while it computes its share: its checks of the
// stop poll Escape too (one check in ComputationPollInterval, as a check
// may come with every evaluation), and Escape raises the outermost stop.
inline thread_local bool ComputationPollsKeyboard = false;
inline thread_local unsigned ComputationChecks = 0;
inline constexpr unsigned ComputationPollInterval = 64;
// Polls Escape for the computation stop; true when it stopped the computation.
bool PollKeyboardForComputation(const TComputationStop& stop);
// True when the computation this thread works for was stopped (false
// outside one).
[[nodiscard]] inline bool ComputationStopped()
{
    const TComputationStop* stop = ComputationStop;
    if (!stop)
        return false;
    if (ComputationPollsKeyboard && ++ComputationChecks % ComputationPollInterval == 0 &&
        PollKeyboardForComputation(*stop))
        return true;
    return stop->Raised();
}
// While set, a curve being calculated shows the busy cursor.
inline bool BusyCursorFlag = false;

// Sets a program-wide switch for its lifetime and puts it back afterwards
// (pictures and the quick redraws that follow the mouse turn the busy-cursor
// flag off; a plot turns tracking on).
class TSwitchScope {
public:
    TSwitchScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag = value; }
    ~TSwitchScope() { flag_ = saved_; }
    TSwitchScope(const TSwitchScope&) = delete;
    TSwitchScope& operator=(const TSwitchScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

// A clock for pollers. Drawings poll between every two evaluations, and
// reading the clock costs as much as evaluating a simple formula, so while
// polls come quickly it is read only every few of them: as many as arrive
// in about a quarter of a millisecond, at most MaximumStride. Polls that
// come slowly read it every time, so an answer is late by at most that
// many polls.
template <class TClock = std::chrono::steady_clock> class TPollClock {
public:
    static constexpr int MaximumStride = 16;

    // True when at least interval has passed since the last time it
    // answered true (the first time, since the clock's epoch).
    [[nodiscard]] bool Due(typename TClock::duration interval)
    {
        if (--countdown_ > 0)
            return false;
        const auto now = TClock::now();
        const auto gap = now - lastRead_;
        lastRead_ = now;
        if (gap < std::chrono::microseconds(250))
            stride_ = std::min(stride_ * 2, MaximumStride);
        else if (gap > std::chrono::microseconds(500))
            stride_ = std::max(stride_ / 2, 1);
        countdown_ = stride_;
        if (now - lastDue_ < interval)
            return false;
        lastDue_ = now;
        return true;
    }
    // The next polls come slowly (the poller waits between them): each
    // reads the clock until the pace is measured again.
    void ReadEveryPoll() { stride_ = countdown_ = 1; }

private:
    int stride_ = 1;
    int countdown_ = 1;
    typename TClock::time_point lastRead_{};
    typename TClock::time_point lastDue_{};
};

// The Qt poller. Ctrl is read with QGuiApplication::queryKeyboardModifiers;
// Escape from a key-state record fed by an application event filter and, on
// X11, from the server's keymap, which sees a key pressed while events are
// not being dispatched. Physical key state is only believed while the
// application is active, so keys typed into other programs are ignored.
// Platform queries are made at most every 10 ms.
//
// The busy cursor is shown only once a calculation has lasted busyDelay, so
// that quick repaints never make the cursor flicker, and stays until the
// event loop runs again, so that the curves of one repaint share it.
class TKeyboardInterrupt : public QObject, public TDrawingInterrupt {
public:
    static constexpr std::chrono::milliseconds DefaultBusyDelay{200};

    // Installs itself as an event filter of the application (one must exist).
    explicit TKeyboardInterrupt(std::chrono::milliseconds busyDelay = DefaultBusyDelay);
    ~TKeyboardInterrupt() override;

    [[nodiscard]] TInterruptRequest Poll() override;
    // Runs the pause handler when one is set; otherwise waits while Ctrl
    // stays down and Escape is not pressed.
    void Pause() override;
    void BeginBusy() override;
    void EndBusy() override;
    // The next poll asks the platform afresh, however recently it last did.
    void DrawingStarts() override;

    // The press-a-key box of the user interface (may be empty).
    void SetPauseHandler(std::function<void()> handler) { pauseHandler_ = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and Ctrl as the platform reports them now; neither while the
    // application is not active.
    [[nodiscard]] virtual TInterruptRequest PlatformKeys();

private:
    void QueryPlatform();
    [[nodiscard]] bool PlatformEscapeDown();
    void ShowBusy(bool shown);
    void FinishBusy();

    bool escapeRecorded_ = false;
    bool escapeQueried_ = false;
    bool ctrlQueried_ = false;
    int busyDepth_ = 0;
    bool busyStarted_ = false; // since the event loop last ran
    bool busyShown_ = false;
    bool finishQueued_ = false; // taking the cursor away waits for the event loop
    std::chrono::milliseconds busyDelay_;
    std::chrono::steady_clock::time_point busyStart_{};
    int escapeKeycode_ = -1; // X11 keycode of Escape; 0 when not found
    bool queryDue_ = true;   // the next poll asks the platform whatever the clock says
    TPollClock<> queryClock_;
    std::function<void()> pauseHandler_;
};

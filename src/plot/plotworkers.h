// The worker threads that compute curves beside each other: how many there
// are (one per core, capped by the LUMACURVE_THREADS environment variable;
// one means every curve is computed on the drawing thread as it is drawn),
// and the running of one computation on them. The thread that hands out the
// work computes its share too, beside standing helper threads that wait
// idle between drawings. Each thread computes from the evaluation state of
// the thread that hands out the work (angle factor, family iteration) and
// polls a stop flag instead of the keyboard; the drawing thread polls Escape
// as it computes and waits, without running the event loop, so nothing a
// computation reads can change while it runs.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

// The number of workers in force: the setter's, else the cores Qt counts,
// capped by LUMACURVE_THREADS when it holds a number of at least 1.
[[nodiscard]] int PlotWorkerCount();
// Sets the number of workers for this program (at least 1), whatever the
// cores; 0 goes back to the cores and the environment.
void SetPlotWorkerCount(int count);

// Runs task (0 ... count − 1), each once, on the calling thread and up to
// workers − 1 helpers, and returns when every task is done or stop was
// raised (a raised stop leaves the tasks not yet started undone; a running
// task sees it through ComputationStopped). Called from a task, the work is
// part of the outer computation: it shares that one's helpers and stops
// with it. Tasks must not throw. With pollKeyboard the calling thread polls
// the drawing interrupt and raises stop when Escape abandons the drawing;
// answers false when this computation or one it is part of was stopped.
bool RunOnWorkers(int count, int workers, const std::function<void(int task)>& task, std::atomic<bool>& stop,
                  bool pollKeyboard);

// A computation whose tasks the drawing thread awaits one by one in order
// (computing a task itself when no helper has taken it yet, else helping
// with the rest) while up to workers − 1 helpers take the next ones, so that
// the drawing thread draws what is done while the rest is computed. Escape,
// polled by the drawing thread with pollKeyboard, stops it.
class TSharedComputation {
public:
    TSharedComputation(int count, int workers, std::function<void(int task)> task, bool pollKeyboard);
    // Finishes, abandoning the tasks nobody has taken.
    ~TSharedComputation();
    TSharedComputation(const TSharedComputation&) = delete;
    TSharedComputation& operator=(const TSharedComputation&) = delete;

    // Waits until task is done, taking it on this thread if nobody has (or
    // helping with the rest meanwhile); false when the computation was stopped
    // before the task was done, or the task is not one of these.
    bool Await(int task);
    // True once Escape, or an abandoning Finish, stopped the computation.
    [[nodiscard]] bool Stopped() const;
    // Waits for the helpers to leave: with abandon, tasks nobody has taken
    // are not run, else this thread runs them beside the helpers. After it
    // no thread touches what the tasks compute.
    void Finish(bool abandon);

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

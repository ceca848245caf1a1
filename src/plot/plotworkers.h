// The worker threads that compute curves beside each other: how many there
// are (one per core, capped by the LUMACURVE_THREADS environment variable;
// one means every curve is computed on the drawing thread as it is drawn),
// and the running of one computation on them. Each worker starts from the
// evaluation state of the thread that hands it the work (angle factor,
// family iteration) and polls a stop flag instead of the keyboard; the
// drawing thread waits for them polling Escape, without running the event
// loop, so nothing a computation reads can change while it runs.
#pragma once

#include <atomic>
#include <functional>

// The number of workers in force: the setter's, else the cores Qt counts,
// capped by LUMACURVE_THREADS when it holds a number of at least 1.
[[nodiscard]] int PlotWorkerCount();
// Sets the number of workers for this program (at least 1), whatever the
// cores; 0 goes back to the cores and the environment.
void SetPlotWorkerCount(int count);

// Runs task (0 ... count − 1), each once, on min (count, workers) threads
// and returns when every task is done or stop was raised (a raised stop
// leaves the tasks not yet started undone; a running task sees it through
// ComputationStop). Tasks must not throw. With pollKeyboard the calling
// thread polls the drawing interrupt while it waits and raises stop when
// Escape abandons the drawing; answers false when stop was raised.
bool RunOnWorkers(int count, int workers, const std::function<void(int task)>& task, std::atomic<bool>& stop,
                  bool pollKeyboard);

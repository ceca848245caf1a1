#include "plot/plotworkers.h"

#include "expr/declarations.h"
#include "numbers/evalstate.h"
#include "platform/drawinginterrupt.h"

#include <QThread>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::atomic<int> ChosenWorkers{0};

// LUMACURVE_THREADS as a whole number of at least 1, or 0 when unset or not one.
int EnvironmentCap()
{
    const char* text = std::getenv("LUMACURVE_THREADS");
    if (!text)
        return 0;
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [at, error] = std::from_chars(text, end, value);
    return error == std::errc() && at == end && value >= 1 ? value : 0;
}

} // namespace

int PlotWorkerCount()
{
    if (const int chosen = ChosenWorkers.load(std::memory_order_relaxed); chosen > 0)
        return chosen;
    static const int fromCores = [] {
        const int cores = std::max(1, QThread::idealThreadCount());
        const int cap = EnvironmentCap();
        return cap > 0 ? std::min(cores, cap) : cores;
    }();
    return fromCores;
}

void SetPlotWorkerCount(int count)
{
    ChosenWorkers.store(std::max(0, count), std::memory_order_relaxed);
}

bool RunOnWorkers(int count, int workers, const std::function<void(int task)>& task, std::atomic<bool>& stop,
                  bool pollKeyboard)
{
    const int threads = std::min(count, std::max(1, workers));
    if (threads <= 0)
        return !stop.load();
    // Escape already down abandons the computation before it starts, as the
    // first poll of a drawing on this thread would.
    if (pollKeyboard && DrawingInterrupt().Poll().abandon)
        stop.store(true);
    if (stop.load())
        return false;
    // What a worker's evaluation starts from, read on this thread.
    const Extended angleFactor = AngleFactor;
    const TFamilyState family = Family;
    const std::atomic<bool>* outerStop = ComputationStop;

    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;
    {
        std::vector<std::jthread> pool;
        pool.reserve(static_cast<std::size_t>(threads));
        for (int w = 0; w < threads; ++w)
            pool.emplace_back([&] {
                AngleFactor = angleFactor;
                Family = family;
                Tracking = false;
                ResetStatus();
                DrawingCompleted = true;
                ComputationStop = &stop;
                for (int i = next.fetch_add(1); i < count && !stop.load(std::memory_order_relaxed);
                     i = next.fetch_add(1))
                    task(i);
                const std::lock_guard lock(mutex);
                if (--running == 0)
                    finished.notify_all();
            });
        // Escape, or the stop of the computation this one is part of (a
        // worker splitting its curve), stops these workers too.
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(5), [&] { return running == 0; })) {
            lock.unlock();
            if ((pollKeyboard && DrawingInterrupt().Poll().abandon) ||
                (outerStop && outerStop->load(std::memory_order_relaxed)))
                stop.store(true);
            lock.lock();
        }
    } // the threads are joined here
    return !stop.load();
}

// The computations shared out among the drawing thread and its helpers:
// every task runs once whatever the order the drawing thread awaits them in,
// work started inside a task shares the drawing's helpers and stops with it,
// finishing abandons or completes what nobody took, Escape stops a drawing
// the drawing thread waits for, and each task starts from the evaluation
// state of the thread that handed it out, which gets its own back.
#include "expr/declarations.h"
#include "numbers/evalstate.h"
#include "platform/drawinginterrupt.h"
#include "plot/plotworkers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// Counts the threads inside tasks at once, and the most there ever were.
class TConcurrency {
public:
    void Enter()
    {
        const int now = ++inside_;
        int most = most_.load();
        while (now > most && !most_.compare_exchange_weak(most, now)) {
        }
    }
    void Leave() { --inside_; }
    [[nodiscard]] int Most() const { return most_.load(); }

private:
    std::atomic<int> inside_{0};
    std::atomic<int> most_{0};
};

// Busy for about the given time, so that other threads get to take tasks.
void Spin(std::chrono::microseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
    }
}

class PlotWorkersPool : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetPlotWorkerCount(0);
        InstallDrawingInterrupt(nullptr);
    }
};

TEST_F(PlotWorkersPool, EveryTaskRunsOnceInWhateverOrderItIsAwaited)
{
    enum class TOrder { Forward, Backward, None };
    for (const int workers : {1, 2, 4})
        for (const int count : {0, 1, 5, 40})
            for (const TOrder order : {TOrder::Forward, TOrder::Backward, TOrder::None}) {
                SCOPED_TRACE(std::to_string(workers) + " workers, " + std::to_string(count) +
                             " tasks, order " + std::to_string(static_cast<int>(order)));
                std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
                TSharedComputation computation(
                    count, workers,
                    [&](int task) {
                        Spin(std::chrono::microseconds(50));
                        ++runs[static_cast<std::size_t>(task)];
                    },
                    false);
                for (int k = 0; k < count && order != TOrder::None; ++k) {
                    const int task = order == TOrder::Forward ? k : count - 1 - k;
                    EXPECT_TRUE(computation.Await(task));
                    // Awaited, the task is done: its effect is there to see.
                    EXPECT_EQ(runs[static_cast<std::size_t>(task)].load(), 1);
                }
                // Finishing without abandoning runs what is left.
                computation.Finish(false);
                EXPECT_FALSE(computation.Stopped());
                for (const auto& run : runs)
                    EXPECT_EQ(run.load(), 1);
                EXPECT_FALSE(computation.Await(count)); // not one of its tasks
                EXPECT_FALSE(computation.Await(-1));
            }
}

TEST_F(PlotWorkersPool, FinishingAbandonsWhatNobodyTookAndNothingRunsAfterIt)
{
    std::atomic<int> runs{0};
    std::atomic<bool> afterFinish{false};
    std::atomic<int> lateRuns{0};
    {
        TSharedComputation computation(
            200, 2,
            [&](int) {
                if (afterFinish)
                    ++lateRuns;
                Spin(std::chrono::microseconds(200));
                ++runs;
            },
            false);
        EXPECT_TRUE(computation.Await(0));
        computation.Finish(true);
        afterFinish = true;
        EXPECT_TRUE(computation.Stopped());
    }
    EXPECT_GE(runs.load(), 1);
    EXPECT_LT(runs.load(), 200);
    EXPECT_EQ(lateRuns.load(), 0);
}

TEST_F(PlotWorkersPool, WorkInsideATaskSharesTheDrawingsHelpersAndStopsWithIt)
{
    for (const int workers : {2, 3}) {
        SCOPED_TRACE(std::to_string(workers) + " workers");
        TConcurrency concurrency;
        std::vector<std::atomic<int>> inner(6 * 8);
        std::mutex mutex;
        std::set<std::thread::id> threads;
        TSharedComputation computation(
            6, workers,
            [&](int task) {
                std::atomic<bool> stop{false};
                const bool done = RunOnWorkers(
                    8, workers,
                    [&](int part) {
                        concurrency.Enter();
                        {
                            const std::lock_guard lock(mutex);
                            threads.insert(std::this_thread::get_id());
                        }
                        Spin(std::chrono::microseconds(300));
                        ++inner[static_cast<std::size_t>(task * 8 + part)];
                        concurrency.Leave();
                    },
                    stop, false);
                EXPECT_TRUE(done);
            },
            false);
        for (int task = 0; task < 6; ++task)
            EXPECT_TRUE(computation.Await(task));
        computation.Finish(true);
        for (const auto& run : inner)
            EXPECT_EQ(run.load(), 1);
        // The drawing thread and its helpers, never more at once.
        EXPECT_LE(concurrency.Most(), workers);
        EXPECT_LE(static_cast<int>(threads.size()), workers);
        EXPECT_GE(static_cast<int>(threads.size()), 2);
    }

    // The outer computation stopped: the work inside sees it and gives up.
    std::atomic<bool> outer{false};
    std::atomic<int> parts{0};
    std::atomic<bool> innerAnswer{true};
    const bool outerAnswer = RunOnWorkers(
        1, 2,
        [&](int) {
            std::atomic<bool> stop{false};
            innerAnswer = RunOnWorkers(
                500, 2,
                [&](int part) {
                    ++parts;
                    if (part == 3)
                        outer = true;
                    Spin(std::chrono::microseconds(20));
                },
                stop, false);
        },
        outer, false);
    EXPECT_FALSE(outerAnswer);
    EXPECT_FALSE(innerAnswer.load());
    EXPECT_LT(parts.load(), 500);
}

// Escape from the given poll on.
class TEscapeFrom : public TDrawingInterrupt {
public:
    explicit TEscapeFrom(int from) : from_(from) {}
    TInterruptRequest Poll() override { return {++polls_ >= from_, false}; }

private:
    int from_;
    std::atomic<int> polls_{0};
};

TEST_F(PlotWorkersPool, EscapeStopsADrawingWhileTheDrawingThreadWaitsOrComputes)
{
    // Escape down at the start: nothing runs.
    {
        TEscapeFrom escape(1);
        InstallDrawingInterrupt(&escape);
        std::atomic<int> runs{0};
        TSharedComputation computation(
            4, 2, [&](int) { ++runs; }, true);
        EXPECT_FALSE(computation.Await(0));
        EXPECT_TRUE(computation.Stopped());
        computation.Finish(true);
        EXPECT_EQ(runs.load(), 0);
    }
    // Escape later, while a helper computes the awaited task and while the
    // drawing thread computes one itself: the tasks see the stop.
    for (const int from : {2, 200}) {
        SCOPED_TRACE("Escape from poll " + std::to_string(from));
        TEscapeFrom escape(from);
        InstallDrawingInterrupt(&escape);
        std::atomic<int> stopped{0};
        TSharedComputation computation(
            2, 2,
            [&](int) {
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (std::chrono::steady_clock::now() < end)
                    if (ComputationStopped()) {
                        ++stopped;
                        return;
                    }
            },
            true);
        EXPECT_FALSE(computation.Await(1));
        EXPECT_TRUE(computation.Stopped());
        computation.Finish(true);
        EXPECT_GE(stopped.load(), 1);
        InstallDrawingInterrupt(nullptr);
    }
}

TEST_F(PlotWorkersPool, TasksStartFromTheHandingThreadsStateWhichGetsItsOwnBack)
{
    const Extended angle = AngleFactor;
    const TFamilyState family = Family;
    AngleFactor = 0.5L;
    Family.memberIndex = 3;
    Family.extraMembers = 7;
    Tracking = true;
    Variables.x = 42;
    std::vector<Extended> angles(12);
    std::vector<int> members(12);
    TSharedComputation computation(
        12, 3,
        [&](int task) {
            angles[static_cast<std::size_t>(task)] = AngleFactor;
            members[static_cast<std::size_t>(task)] = Family.memberIndex;
            // A task may change its thread's state freely.
            AngleFactor = 9;
            Family.memberIndex = 99;
            Variables.x = -1;
            Spin(std::chrono::microseconds(100));
        },
        false);
    for (int task = 0; task < 12; ++task)
        EXPECT_TRUE(computation.Await(task));
    computation.Finish(true);
    for (int task = 0; task < 12; ++task) {
        EXPECT_EQ(angles[static_cast<std::size_t>(task)], 0.5L) << task;
        EXPECT_EQ(members[static_cast<std::size_t>(task)], 3) << task;
    }
    // The drawing thread computed some of them, and has its own state back.
    EXPECT_EQ(AngleFactor, 0.5L);
    EXPECT_EQ(Family.memberIndex, 3);
    EXPECT_TRUE(Tracking);
    EXPECT_EQ(Variables.x, 42);
    EXPECT_EQ(ComputationStop, nullptr);
    AngleFactor = angle;
    Family = family;
    Tracking = false;
}

} // namespace

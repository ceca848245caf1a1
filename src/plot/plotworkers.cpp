#include "plot/plotworkers.h"

#include "expr/declarations.h"
#include "numbers/evalstate.h"
#include "platform/drawinginterrupt.h"

#include <QThread>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
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

namespace {

// One computation shared out: its tasks are taken by whichever of its
// threads asks next. A computation started inside another (a curve split
// into bands while the drawing computes several curves) belongs to the same
// drawing, whose outermost computation holds the drawing's share of helpers.
struct TJob {
    enum : std::uint8_t { Free, Taken, Done };

    explicit TJob(int taskCount, const std::function<void(int task)>& run)
        : count(taskCount), task(&run),
          states(new std::atomic<std::uint8_t>[static_cast<std::size_t>(taskCount)]), free(taskCount)
    {
        for (int i = 0; i < count; ++i)
            states[static_cast<std::size_t>(i)].store(Free, std::memory_order_relaxed);
    }

    int count = 0;
    const std::function<void(int task)>* task = nullptr;
    std::unique_ptr<std::atomic<std::uint8_t>[]> states;
    std::atomic<int> free; // tasks nobody has taken yet
    TComputationStop stop;
    TJob* root = this;
    // What the evaluation starts from, read on the thread that started the job.
    Extended angleFactor = 0;
    TFamilyState family;
    // Guarded by the pool's mutex:
    int helpersWanted = 0; // on the outermost job: helpers the drawing may use at once
    int helpers = 0;       // on the outermost job: helpers working for the drawing now
    int running = 0;       // threads other than the starting one inside this job now

    [[nodiscard]] bool TasksLeft() const
    {
        return free.load(std::memory_order_relaxed) > 0 && !stop.Raised();
    }
    [[nodiscard]] std::atomic<std::uint8_t>& State(int i) const
    {
        return states[static_cast<std::size_t>(i)];
    }
    // Takes task i if nobody has.
    bool Claim(int i)
    {
        std::uint8_t expected = Free;
        if (!State(i).compare_exchange_strong(expected, Taken))
            return false;
        free.fetch_sub(1, std::memory_order_relaxed);
        return true;
    }
    // Takes the first task nobody has taken; −1 when none is left.
    int Take()
    {
        for (int i = 0; i < count && free.load(std::memory_order_relaxed) > 0; ++i)
            if (Claim(i))
                return i;
        return -1;
    }
};

// The job whose task this thread is running, if any.
thread_local TJob* ThisThreadsJob = nullptr;

// Sets this thread up to compute for job from the job's evaluation state,
// and puts back its own state afterwards.
class TJobState {
public:
    explicit TJobState(TJob& job)
        : job_(job), angleFactor_(AngleFactor), family_(Family), completed_(DrawingCompleted),
          stop_(ComputationStop), outerJob_(ThisThreadsJob)
    {
        ComputationStop = &job.stop;
        ThisThreadsJob = &job;
    }
    // Before each task: the evaluation state the job's tasks start from,
    // whatever the task before left.
    void StartTask() const
    {
        AngleFactor = job_.angleFactor;
        Family = job_.family;
        Tracking = false;
        ResetStatus();
        DrawingCompleted = true;
    }
    ~TJobState()
    {
        ThisThreadsJob = outerJob_;
        ComputationStop = stop_;
        DrawingCompleted = completed_;
        Family = family_;
        AngleFactor = angleFactor_;
    }
    TJobState(const TJobState&) = delete;
    TJobState& operator=(const TJobState&) = delete;

private:
    TJob& job_;
    const TEvaluationStateSaver saver_;
    Extended angleFactor_;
    TFamilyState family_;
    bool completed_;
    const TComputationStop* stop_;
    TJob* outerJob_;
};

// The standing helper threads: started as drawings first need them and kept,
// idle on a condition variable, until the program ends.
class TPool {
public:
    static TPool& Instance()
    {
        static TPool pool;
        return pool;
    }

    // Offers job's tasks to up to helpers other threads (the outermost job of
    // a drawing; a job inside one shares that one's helpers).
    void Start(TJob& job, int helpers)
    {
        {
            const std::lock_guard lock(mutex_);
            if (job.root == &job)
                job.helpersWanted = helpers;
            const auto wanted = static_cast<std::size_t>(std::max(0, job.root->helpersWanted));
            while (helpers_.size() < wanted) {
                const int index = static_cast<int>(helpers_.size());
                helpers_.push_back(std::make_unique<THelper>());
                helpers_.back()->thread = std::jthread([this, index] { Serve(index); });
            }
            jobs_.push_back(&job);
            // The helpers the drawing may use are woken (always the first
            // ones, so that the same threads keep the same work and the
            // others stay idle), as many as there are tasks besides the one
            // the starting thread takes.
            const auto wake = std::min(wanted, static_cast<std::size_t>(std::max(0, job.count - 1)));
            for (std::size_t i = 0; i < wake; ++i)
                helpers_[i]->wake.notify_one();
        }
        // Threads waiting for their own helpers may take these tasks too.
        if (job.root != &job)
            finished_.notify_all();
    }

    // Runs up to most of job's tasks on this thread, in order.
    void RunTasks(TJob& job, int most = std::numeric_limits<int>::max())
    {
        const TJobState state(job);
        for (int done = 0, i = 0; done < most && !ComputationStopped() && (i = job.Take()) >= 0; ++done) {
            state.StartTask();
            (*job.task)(i);
            Finished(job, i);
        }
    }

    // Runs task i of job on this thread.
    void RunTask(TJob& job, int i)
    {
        const TJobState state(job);
        state.StartTask();
        (*job.task)(i);
        Finished(job, i);
    }

    // Waits until task i of job is done, helping with the drawing's other
    // work meanwhile (one task at a time, so that i is seen soon after it is
    // done). With pollKeyboard, Escape raises the drawing's stop.
    void Await(TJob& job, int i, bool pollKeyboard)
    {
        std::unique_lock lock(mutex_);
        while (job.State(i).load(std::memory_order_acquire) != TJob::Done && !job.stop.Raised())
            HelpOrWait(lock, job, pollKeyboard, true);
    }

    // Takes job out of the offers and waits for its helpers to leave it,
    // helping with the rest of the drawing's work meanwhile.
    void Finish(TJob& job, bool pollKeyboard)
    {
        std::unique_lock lock(mutex_);
        std::erase(jobs_, &job);
        while (job.running > 0)
            HelpOrWait(lock, job, pollKeyboard, false);
    }

    ~TPool()
    {
        // The threads are told to stop, woken and joined before the mutex goes.
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        for (const std::unique_ptr<THelper>& helper : helpers_)
            helper->wake.notify_one();
        for (const std::unique_ptr<THelper>& helper : helpers_)
            helper->thread.join();
    }

private:
    TPool() = default;

    // A task of job done: whoever waits for it may go on.
    void Finished(TJob& job, int i)
    {
        job.State(i).store(TJob::Done, std::memory_order_release);
        {
            const std::lock_guard lock(mutex_);
        }
        finished_.notify_all();
    }

    // One step of waiting for job: a task of the drawing's other work if
    // there is one, else a short wait (polling Escape, with pollKeyboard).
    // Only with rootTasks may that be one of the drawing's own curves: a
    // thread finishing a curve helps with the parts of curves, so that it
    // does not start another before its own is done. Called under the
    // mutex, which it may let go meanwhile.
    void HelpOrWait(std::unique_lock<std::mutex>& lock, TJob& job, bool pollKeyboard, bool rootTasks)
    {
        if (TJob* other = Offered(job.root, rootTasks)) {
            ++other->running;
            lock.unlock();
            // The drawing's own list of curves one at a time; the bands of a curve all.
            RunTasks(*other, other == job.root ? 1 : std::numeric_limits<int>::max());
            lock.lock();
            if (--other->running == 0)
                finished_.notify_all();
            return;
        }
        finished_.wait_for(lock, std::chrono::milliseconds(5));
        if (pollKeyboard) {
            lock.unlock();
            if (DrawingInterrupt().Poll().abandon)
                job.root->stop.flag->store(true);
            lock.lock();
        }
    }

    // The newest job with tasks left: of the given drawing (its outermost
    // job too when rootTasks), or (root null) of any drawing with room for
    // one more helper and among whose helpers helper is. Called under the mutex.
    TJob* Offered(const TJob* root, bool rootTasks = true, int helper = 0)
    {
        for (auto job = jobs_.rbegin(); job != jobs_.rend(); ++job) {
            TJob* candidate = *job;
            if (root ? candidate->root == root && (rootTasks || candidate != root)
                     : candidate->root->helpers < candidate->root->helpersWanted &&
                           helper < candidate->root->helpersWanted)
                if (candidate->TasksLeft())
                    return candidate;
        }
        return nullptr;
    }

    // The loop of helper index: it waits on its own condition variable.
    void Serve(int index)
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            TJob* job = nullptr;
            helpers_[static_cast<std::size_t>(index)]->wake.wait(
                lock, [&] { return stopping_ || (job = Offered(nullptr, true, index)) != nullptr; });
            if (!job)
                return; // stopped
            TJob& root = *job->root;
            ++root.helpers;
            ++job->running;
            lock.unlock();
            RunTasks(*job);
            lock.lock();
            --root.helpers;
            if (--job->running == 0)
                finished_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable finished_; // a task was done, a helper left a job, or a drawing's job was added
    std::vector<TJob*> jobs_;          // the jobs whose tasks are offered, oldest first
    bool stopping_ = false;            // the program ends: the threads return
    struct THelper {
        std::condition_variable wake;
        std::jthread thread;
    };
    std::vector<std::unique_ptr<THelper>> helpers_; // joined in the destructor
};

// Readies job to be started by this thread: its stop, the drawing it is part
// of and the evaluation state its tasks start from.
void Prepare(TJob& job, std::atomic<bool>& stop)
{
    job.stop = {&stop, ComputationStop};
    // Started while this thread computes for a drawing: part of that drawing's work.
    if (ThisThreadsJob)
        job.root = ThisThreadsJob->root;
    job.angleFactor = AngleFactor;
    job.family = Family;
}

// Escape already down abandons a computation before it starts, as the first
// poll of a drawing on this thread would.
bool StoppedBeforeStart(std::atomic<bool>& stop, bool pollKeyboard)
{
    if (pollKeyboard && DrawingInterrupt().Poll().abandon)
        stop.store(true);
    return stop.load();
}

// While set, this thread's checks of the stop poll Escape too (when asked).
class TKeyboardPolling {
public:
    explicit TKeyboardPolling(bool poll) : saved_(ComputationPollsKeyboard)
    {
        ComputationPollsKeyboard = saved_ || poll;
    }
    ~TKeyboardPolling() { ComputationPollsKeyboard = saved_; }
    TKeyboardPolling(const TKeyboardPolling&) = delete;
    TKeyboardPolling& operator=(const TKeyboardPolling&) = delete;

private:
    bool saved_;
};

} // namespace

bool RunOnWorkers(int count, int workers, const std::function<void(int task)>& task, std::atomic<bool>& stop,
                  bool pollKeyboard)
{
    if (count <= 0)
        return !stop.load();
    if (StoppedBeforeStart(stop, pollKeyboard))
        return false;
    TJob job(count, task);
    Prepare(job, stop);
    const TKeyboardPolling polling(pollKeyboard);
    TPool& pool = TPool::Instance();
    // The drawing may use a helper for each worker but this thread, also for
    // the work its tasks share out in turn.
    pool.Start(job, std::max(1, workers) - 1);
    pool.RunTasks(job);
    pool.Finish(job, pollKeyboard);
    return !job.stop.Raised();
}

struct TSharedComputation::TState {
    TState(int count, const std::function<void(int task)>& run) : task(run), job(count, task) {}
    std::function<void(int task)> task;
    TJob job;
    std::atomic<bool> stop{false};
    bool pollKeyboard = false;
    bool finished = false;
};

TSharedComputation::TSharedComputation(int count, int workers, std::function<void(int task)> task,
                                       bool pollKeyboard)
    : state_(std::make_unique<TState>(std::max(0, count), task))
{
    state_->pollKeyboard = pollKeyboard;
    TJob& job = state_->job;
    Prepare(job, state_->stop);
    if (StoppedBeforeStart(state_->stop, pollKeyboard) || job.count == 0) {
        state_->finished = true;
        return;
    }
    TPool::Instance().Start(job, std::max(1, workers) - 1);
}

TSharedComputation::~TSharedComputation()
{
    Finish(true);
}

bool TSharedComputation::Await(int task)
{
    TState& state = *state_;
    TJob& job = state.job;
    if (state.finished || task < 0 || task >= job.count || job.stop.Raised())
        return false;
    const TKeyboardPolling polling(state.pollKeyboard);
    TPool& pool = TPool::Instance();
    if (job.Claim(task))
        pool.RunTask(job, task);
    else
        pool.Await(job, task, state.pollKeyboard);
    return !job.stop.Raised() && job.State(task).load(std::memory_order_acquire) == TJob::Done;
}

bool TSharedComputation::Stopped() const
{
    return state_->job.stop.Raised();
}

void TSharedComputation::Finish(bool abandon)
{
    TState& state = *state_;
    if (state.finished)
        return;
    state.finished = true;
    if (abandon && state.job.free.load() > 0)
        state.stop.store(true);
    const TKeyboardPolling polling(state.pollKeyboard);
    TPool& pool = TPool::Instance();
    if (!abandon)
        pool.RunTasks(state.job);
    pool.Finish(state.job, state.pollKeyboard);
}

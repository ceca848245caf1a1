// The guide channel's cost, from a tutoring program's side through the built
// guide interface library, against a real main window holding the 18-curve
// standard set (the window runs its event loop on the main thread; the
// benchmarks run on a thread of their own, as the tutoring program would be
// another process). Baselines, in the same run: a bare Unix-socket round trip
// of the same 16-byte frame and 4-byte reply to a plain echoing thread, the
// same with a connection made for it, and with a shared block created, filled
// and removed around it; for the drag, its steps times the 50 ms step. Wall
// time, since a call waits for the window's event loop. Ends with a plain
// table.
#include "app/guidelink.h"
#include "automation/guidereceiver.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "guidelib/guideprotocol.h"
#include "standardform.h"
#include "standardset.h"
#include "tablereporter.h"

#include <QApplication>
#include <QScreen>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

// The library's exports used here, as its header declares them (the header cannot be included beside the
// program's: its Family is a program-wide variable there).
extern "C" {
int32_t zoomin(const char* x, const char* y);
int32_t Rescale(const char* xMin, const char* yMin, const char* xMax, const char* yMax);
int32_t ChangeConstantBy(const char* name, const char* increment);
int32_t ClickMoveMouse(const char* startX, const char* startY, const char* endX, const char* endY,
                       const char* action);
}

namespace {

struct TWorld {
    std::unique_ptr<standardset::TStandardSet> set;
    std::unique_ptr<TLumacurveForm> form;
    std::string echoPath;  // the baseline's echoing socket
    std::string blockName; // the block the library makes (the baseline's is its own)
    int echoListener = -1;
    std::thread echo;
    std::atomic<int> dragSteps{0}; // the steps of the last drag measured
};

TWorld* World = nullptr;

// Runs FUNCTION on the window's thread and waits for its answer.
template <class Function> auto OnWindow(Function function)
{
    decltype(function()) answer{};
    QMetaObject::invokeMethod(
        qApp, [&] { answer = function(); }, Qt::BlockingQueuedConnection);
    return answer;
}

bool ReadAll(int connection, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = recv(connection, bytes, size, 0);
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

sockaddr_un Address(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// The baseline's receiver: answers every 16-byte frame of a connection with 4 bytes, nothing else.
void Echo(int listener)
{
    for (;;) {
        const int connection = accept(listener, nullptr, nullptr);
        if (connection < 0)
            return;
        TGuideFrame frame{};
        while (ReadAll(connection, &frame, sizeof frame)) {
            const TGuideReply reply = 0;
            if (send(connection, &reply, sizeof reply, MSG_NOSIGNAL) != sizeof reply)
                break;
        }
        close(connection);
    }
}

int ConnectEcho()
{
    const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(World->echoPath);
    if (connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(connection);
        return -1;
    }
    return connection;
}

// One frame to the echoing thread and its reply.
bool RoundTrip(int connection, int code)
{
    const TGuideFrame frame{GUIDE_MESSAGE, GUIDE_TARGET_MAIN, code, 0};
    TGuideReply reply = -1;
    return send(connection, &frame, sizeof frame, MSG_NOSIGNAL) == sizeof frame &&
           ReadAll(connection, &reply, sizeof reply) && reply == 0;
}

// A block as the library makes one: created, sized, mapped, filled, unmapped; then removed after the
// frame.
bool MakeBlock(const std::string& name, const unsigned char* fields)
{
    const int descriptor = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    bool done = ftruncate(descriptor, GUIDE_BLOCK_SIZE) == 0;
    void* memory = done ? mmap(nullptr, GUIDE_BLOCK_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0)
                        : MAP_FAILED;
    if (memory != MAP_FAILED) {
        std::memcpy(memory, fields, GUIDE_BLOCK_SIZE);
        munmap(memory, GUIDE_BLOCK_SIZE);
    } else {
        done = false;
    }
    close(descriptor);
    return done;
}

bool MakeWorld(std::string& error)
{
    const std::string unique = std::to_string(getpid());
    const std::string socketPath = "/tmp/lumacurve-guide-bench-" + unique + ".socket";
    World->blockName = "/lumacurve-guide-bench-" + unique;
    World->echoPath = "/tmp/lumacurve-guide-echo-" + unique + ".socket";
    setenv(GUIDE_SOCKET_ENV, socketPath.c_str(), 1);
    setenv(GUIDE_BLOCK_ENV, World->blockName.c_str(), 1);
    World->set = standardset::MakeStandardSet();
    World->form = MakeStandardSetForm(*World->set, false);
    // Started, with the start-up screen closed as a guide's first call closes it.
    for (int wait = 0; wait < 500 && !World->form->Started(); ++wait)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    World->form->GuideLink()->CloseStartupScreen();
    QCoreApplication::processEvents();
    if (World->form->GuideLink() == nullptr || !World->form->GuideLink()->Receiver()->Listening()) {
        error = "the main window does not listen for guide commands";
        return false;
    }
    unlink(World->echoPath.c_str());
    World->echoListener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(World->echoPath);
    if (bind(World->echoListener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(World->echoListener, 4) != 0) {
        error = "the baseline's socket cannot listen";
        return false;
    }
    World->echo = std::thread(Echo, World->echoListener);
    return true;
}

// Waits on the benchmark's thread until the window's simulated drag has ended.
void WaitForDrag()
{
    while (OnWindow([] { return World->form->GuideLink()->Dragging(); }))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Lets the window settle (the events its last command posted run), then waits until the graph has drawn
// every line again.
void WaitForPicture()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    while (
        OnWindow([] { return World->form->GraphArea()->RepaintFrom() != std::numeric_limits<int>::max(); }))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void RegisterBenchmarks()
{
    const auto add = [](const char* name, auto body) {
        return benchmark::RegisterBenchmark(name, body)->Unit(benchmark::kMicrosecond)->UseRealTime();
    };
    add("bare/round trip", [](benchmark::State& state) {
        const int connection = ConnectEcho();
        for (auto _ : state)
            if (!RoundTrip(connection, 10))
                state.SkipWithError("the echo failed");
        close(connection);
    });
    // What the library does for a plain command, with the receiver doing nothing: a connection, the
    // question of the window on top, the command.
    add("bare/connect and two round trips", [](benchmark::State& state) {
        for (auto _ : state) {
            const int connection = ConnectEcho();
            if (connection < 0 || !RoundTrip(connection, GUIDE_CODE_TOP_WINDOW) || !RoundTrip(connection, 10))
                state.SkipWithError("the echo failed");
            close(connection);
        }
    });
    add("bare/round trip with a block", [](benchmark::State& state) {
        const int connection = ConnectEcho();
        const std::string name = World->blockName + "-bare";
        unsigned char fields[GUIDE_BLOCK_SIZE] = {'-', '8'};
        for (auto _ : state) {
            if (!MakeBlock(name, fields) || !RoundTrip(connection, 1))
                state.SkipWithError("the block or the echo failed");
            shm_unlink(name.c_str());
        }
        close(connection);
    });
    add("bare/connect, two round trips and a block", [](benchmark::State& state) {
        const std::string name = World->blockName + "-bare";
        unsigned char fields[GUIDE_BLOCK_SIZE] = {'-', '8'};
        for (auto _ : state) {
            const int connection = ConnectEcho();
            if (connection < 0 || !MakeBlock(name, fields) || !RoundTrip(connection, GUIDE_CODE_TOP_WINDOW) ||
                !RoundTrip(connection, 1))
                state.SkipWithError("the block or the echo failed");
            shm_unlink(name.c_str());
            close(connection);
        }
    });
    // Code 10 is sent by the zoom export and does nothing in the program.
    add("library/zoomin (code 10, no-op)", [](benchmark::State& state) {
        for (auto _ : state)
            if (zoomin("1", "1") != 1)
                state.SkipWithError("the program did not answer");
    });
    // A block command whose work is nothing: code 15 on a constant the document does not have.
    add("library/ChangeConstantBy, no such constant (code 15)", [](benchmark::State& state) {
        for (auto _ : state)
            if (ChangeConstantBy("nosuch", "1") != 1)
                state.SkipWithError("the program did not answer");
    });
    // A block command with work: new scales, the same each time (the redraw they cause is left out).
    add("library/Rescale (code 1)", [](benchmark::State& state) {
        for (auto _ : state) {
            if (Rescale("-8", "-5", "8", "5") != 1)
                state.SkipWithError("the program did not answer");
            state.PauseTiming();
            WaitForPicture();
            state.ResumeTiming();
        }
    });
    // The same command's work without the channel: run in the window's thread (reached from this one as
    // a frame would be), its fields decoded once.
    add("window/Rescale's work run in the window (code 1)", [](benchmark::State& state) {
        std::string block(GUIDE_BLOCK_SIZE, '\0');
        const char* const bounds[] = {"-8", "-5", "8", "5"};
        for (std::size_t field = 0; field < 4; ++field)
            block.replace(field * GUIDE_FIELD_SIZE, 2, bounds[field]);
        TGuideCommand command;
        command.code = 1;
        command.fields = DecodeGuideFields(block);
        for (auto _ : state) {
            if (OnWindow([&command] { return World->form->GuideLink()->RunGuideCommand(command); }) != 0)
                state.SkipWithError("the command failed");
            state.PauseTiming();
            WaitForPicture();
            state.ResumeTiming();
        }
    });
    // A "Drag grid" drag across a quarter of the graph, there and back, from the call to its release.
    add("drag/Drag grid to its release", [](benchmark::State& state) {
        bool back = false;
        for (auto _ : state) {
            state.PauseTiming();
            WaitForPicture();
            const auto [from, to] = OnWindow([back] {
                const TAxis& x = *World->form->GraphParams().Axes->XAxis;
                const double quarter = static_cast<double>(x.Max - x.Min) / 4;
                const double centre = static_cast<double>(x.Max + x.Min) / 2;
                return back ? std::pair(centre + quarter, centre - quarter / 2)
                            : std::pair(centre - quarter / 2, centre + quarter);
            });
            const int steps = OnWindow([from = from, to = to] {
                TGraphWindow* graph = World->form->GraphArea();
                const TAxes& axes = *graph->Params().Axes;
                const QSize screen = graph->screen() != nullptr ? graph->screen()->size() : QSize(1024, 768);
                return GuideDragSteps(axes.ValueToPixel(from, 0), axes.ValueToPixel(to, 0), screen,
                                      TGuideLink::MaxDragSteps);
            });
            World->dragSteps = steps;
            const std::string start = std::to_string(from), end = std::to_string(to);
            state.ResumeTiming();
            if (ClickMoveMouse(start.c_str(), "0", end.c_str(), "0", "Drag grid") != 1)
                state.SkipWithError("the program did not answer");
            WaitForDrag();
            back = !back;
        }
    })->Iterations(4);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // Every command raises the window; off screen that only prints a warning, which a desktop's raise does
    // not: it is dropped so as not to time writes to standard error.
    static const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("This plugin does not support")))
                previous(type, context, message);
        });
    World = new TWorld;
    std::string error;
    if (!MakeWorld(error)) {
        std::fprintf(stderr, "guide_bench: %s\n", error.c_str());
        return 1;
    }
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter(true);
    // The window's event loop runs here; the benchmarks on their own thread, as a guide program would.
    std::thread runner([&reporter] {
        benchmark::RunSpecifiedBenchmarks(&reporter);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    runner.join();
    const double step = TGuideLink::DragStep;
    const double dragBaseline = World->dragSteps * step / 1000;
    std::printf("\nwindow 1280 x 800, 18-curve standard set, drag of %d steps, wall time\n",
                World->dragSteps.load());
    std::printf("measure\tms\tbaseline\tbaseline_ms\tratio\tgoal\n");
    reporter.PrintRatios(
        {
            {"library/zoomin (code 10, no-op)", "bare/round trip", "<= 5x"},
            {"library/ChangeConstantBy, no such constant (code 15)", "bare/round trip with a block",
             "<= 1.5x"},
            {"library/Rescale (code 1)", "bare/round trip with a block", "<= 1.5x"},
            // What one call of the library sends: a connection, the question of the window on top and the
            // command, with its block (the zoom export sends one too).
            {"library/zoomin (code 10, no-op)", "bare/connect, two round trips and a block",
             "(the receiver)"},
            {"library/ChangeConstantBy, no such constant (code 15)",
             "bare/connect, two round trips and a block", "(the receiver)"},
            {"library/Rescale (code 1)", "window/Rescale's work run in the window (code 1)", "(the channel)"},
        },
        "/real_time", 4);
    const double drag = reporter.Milliseconds("drag/Drag grid to its release/iterations:4/real_time");
    std::printf("%s\t%.1f\t%s\t%.1f\t%.3f\t%s\n", "drag/Drag grid to its release", drag, "steps x 50 ms",
                dragBaseline * 1000, dragBaseline > 0 ? drag / (dragBaseline * 1000) : 0.0, "<= 1.1x");
    benchmark::Shutdown();
    shutdown(World->echoListener, SHUT_RDWR);
    close(World->echoListener);
    World->echo.join();
    unlink(World->echoPath.c_str());
    World->form.reset();
    delete World;
    return 0;
}

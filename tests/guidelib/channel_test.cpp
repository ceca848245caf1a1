// How the guide interface library reaches the program and uses the shared block: no program or a program
// that goes away answers 0 (and never kills the caller), a program started later is reached, the block
// is this user's alone, a leftover block is replaced and every block is removed, texts are read only up
// to their NUL, and calls from two threads do not share the block.
#include "fakereceiver.h"
#include "lumatutor.h"
#include "unixsocket.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct TExport {
    const char* name;
    std::function<int(const char*)> call; // every text parameter gets the text given
};

// Every export that sends something, its texts all TEXT.
const std::vector<TExport>& SendingExports()
{
    static const std::vector<TExport> exports = {
        {"OpenLCVFile", [](const char* t) { return OpenLCVFile(t, t); }},
        {"Rescale", [](const char* t) { return Rescale(t, t, t, t); }},
        {"FileNew", [](const char*) { return FileNew(); }},
        {"ClearCurves", [](const char*) { return ClearCurves(); }},
        {"DefaultScales", [](const char*) { return DefaultScales(); }},
        {"InsertCurve", [](const char* t) { return InsertCurve(t, t, t, t); }},
        {"Positivescales", [](const char*) { return Positivescales(); }},
        {"Trigscales", [](const char*) { return Trigscales(); }},
        {"Radians", [](const char*) { return Radians(); }},
        {"Degrees", [](const char*) { return Degrees(); }},
        {"zoomin", [](const char* t) { return zoomin(t, t); }},
        {"ClickMoveMouse", [](const char* t) { return ClickMoveMouse(t, t, t, t, t); }},
        {"OpenDynamicEditor", [](const char* t) { return OpenDynamicEditor(t, t); }},
        {"ChangeDynamicConstant", [](const char* t) { return ChangeDynamicConstant(t, t, t, t, t); }},
        {"ChangeConstantTo", [](const char* t) { return ChangeConstantTo(t, t); }},
        {"ChangeConstantBy", [](const char* t) { return ChangeConstantBy(t, t); }},
        {"CloseDialogs", [](const char*) { return CloseDialogs(); }},
        {"SquareScales", [](const char*) { return SquareScales(); }},
        {"SelectCurve", [](const char*) { return SelectCurve(1); }},
        {"DeleteCurve", [](const char*) { return DeleteCurve(1); }},
        {"DeleteSecondaries", [](const char*) { return DeleteSecondaries(1); }},
        {"Redraw", [](const char*) { return Redraw(); }},
        {"DemoDraw", [](const char*) { return DemoDraw(); }},
        {"Family", [](const char* t) { return Family(t, t, t, t); }},
        {"NumberQuestion", [](const char* t) { return NumberQuestion(t, t, t, t, t); }},
        {"CoordQuestion", [](const char* t) { return CoordQuestion(t, t, t, t, t, t); }},
        {"RadioQuestion", [](const char* t) { return RadioQuestion(t, t, t, t, t, t, t, t, t, t); }},
        {"CheckQuestion", [](const char* t) { return CheckQuestion(t, t, t, t, t, t, t, t, t, t); }},
        {"OpenCoordinateEditor", [](const char*) { return OpenCoordinateEditor(1); }},
        {"MessagesonOff", [](const char*) { return MessagesonOff(1); }},
        {"CoordinateLabellingOnOff", [](const char*) { return CoordinateLabellingOnOff(1); }},
        {"SetLineThickness", [](const char*) { return SetLineThickness(2); }},
        {"NextFile", [](const char*) { return NextFile(); }},
        {"LastFile", [](const char*) { return LastFile(); }},
    };
    return exports;
}

// Sets (or with nullptr unsets) an environment variable for one scope.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~TScopedVariable()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

std::string PrivateName(const char* what)
{
    return std::string("/tmp/lumatutor-test-") + what + "-" + std::to_string(getpid());
}

TEST(GuideChannel, WithoutTheProgramEveryExportAnswersZero)
{
    const std::string missing = PrivateName("missing");
    const std::string block = "/lumatutor-test-missing-" + std::to_string(getpid());
    TScopedVariable socketPath(GUIDE_SOCKET_ENV, missing.c_str());
    TScopedVariable blockName(GUIDE_BLOCK_ENV, block.c_str());
    for (const TExport& test : SendingExports()) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(test.call("1"), 0);
        EXPECT_FALSE(BlockExists(block));
    }
    EXPECT_EQ(Logon(nullptr), 0);
}

TEST(GuideChannel, ASocketNobodyListensOnAnswersZero)
{
    std::string path;
    {
        TFakeReceiver gone;
        path = gone.SocketPath();
    }
    // The socket file stays behind a program that died.
    ASSERT_TRUE(LeaveDeadSocket(path));
    TScopedVariable socketPath(GUIDE_SOCKET_ENV, path.c_str());
    EXPECT_EQ(Redraw(), 0);
    EXPECT_EQ(OpenLCVFile("a", "1"), 0);
    unlink(path.c_str());
}

TEST(GuideChannel, AProgramStartedAfterTheFirstCallIsReached)
{
    const std::string path = PrivateName("later");
    {
        TScopedVariable socketPath(GUIDE_SOCKET_ENV, path.c_str());
        EXPECT_EQ(Redraw(), 0);
    }
    TFakeReceiver receiver(path);
    EXPECT_EQ(Redraw(), 1);
    EXPECT_EQ(receiver.Frames().size(), 2u);
}

TEST(GuideChannel, AProgramGoneMidwayAnswersZeroWithoutKillingTheCaller)
{
    const struct {
        const char* what;
        int closeAfter;
        int32_t top;
    } cases[] = {
        {"closed before answering", 0, GUIDE_TARGET_MAIN},
        {"closed after the top-window answer", 1, GUIDE_TARGET_MAIN},
        {"closed before the start-up screen's frame", 1, GUIDE_TARGET_STARTUP_SCREEN},
        {"closed after the start-up screen's answer", 2, GUIDE_TARGET_STARTUP_SCREEN},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        TFakeReceiver receiver;
        receiver.SetCloseAfter(test.closeAfter);
        receiver.SetTopWindow(test.top);
        EXPECT_EQ(Redraw(), 0);
        EXPECT_EQ(OpenLCVFile("a", "1"), 0);
        EXPECT_FALSE(BlockExists(receiver.BlockName()));
    }
}

TEST(GuideChannel, CloseDialogsAnswersWhetherTheProgramWasReached)
{
    TFakeReceiver receiver;
    receiver.SetCloseAfter(0);
    EXPECT_EQ(CloseDialogs(), 0) << "no answer to the top-window question";
}

TEST(GuideChannel, TheSocketDefaultsToTheRuntimeFolder)
{
    const std::string folder = PrivateName("runtime");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    {
        TScopedVariable runtime("XDG_RUNTIME_DIR", folder.c_str());
        TFakeReceiver receiver(folder + "/" GUIDE_WINDOW_CLASS, false);
        TScopedVariable socketPath(GUIDE_SOCKET_ENV, nullptr);
        EXPECT_EQ(Redraw(), 1);
        EXPECT_EQ(receiver.Frames().size(), 2u);
        TScopedVariable emptySocketPath(GUIDE_SOCKET_ENV, "");
        EXPECT_EQ(Redraw(), 1) << "an empty variable counts as unset";
    }
    rmdir(folder.c_str());
}

TEST(GuideChannel, TheSocketFallsBackToTmpWithTheUserId)
{
    const std::string path = "/tmp/" GUIDE_WINDOW_CLASS "-" + std::to_string(getuid());
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0)
        GTEST_SKIP() << path << " is in use";
    TScopedVariable runtime("XDG_RUNTIME_DIR", nullptr);
    TFakeReceiver receiver(path, false);
    TScopedVariable socketPath(GUIDE_SOCKET_ENV, nullptr);
    EXPECT_EQ(Redraw(), 1);
}

TEST(GuideChannel, ASocketPathTooLongAnswersZero)
{
    const std::string path = "/tmp/" + std::string(200, 'p');
    TScopedVariable socketPath(GUIDE_SOCKET_ENV, path.c_str());
    EXPECT_EQ(Redraw(), 0);
}

TEST(GuideChannel, ALeftoverBlockOfThisUserIsReplaced)
{
    for (const mode_t mode : {0600u, 0400u, 0644u}) {
        SCOPED_TRACE(mode);
        TFakeReceiver receiver;
        const int leftover = shm_open(receiver.BlockName().c_str(), O_CREAT | O_EXCL | O_RDWR, mode);
        ASSERT_GE(leftover, 0);
        ASSERT_EQ(ftruncate(leftover, GUIDE_BLOCK_SIZE), 0);
        ASSERT_EQ(pwrite(leftover, "stale", 5, 0), 5);
        close(leftover);

        EXPECT_EQ(OpenLCVFile("fresh", "1"), 1);
        const auto frames = receiver.Frames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].Field(1), "fresh");
        EXPECT_EQ(frames[1].blockMode, 0600u);
        EXPECT_FALSE(BlockExists(receiver.BlockName()));
    }
}

TEST(GuideChannel, ABlockThatCannotBeMadeSendsNothing)
{
    TFakeReceiver receiver;
    TScopedVariable blockName(GUIDE_BLOCK_ENV, "/no/such/folder");
    EXPECT_EQ(OpenLCVFile("a", "1"), 0);
    EXPECT_EQ(InsertCurve("y=x", "1", "", ""), 0);
    EXPECT_TRUE(receiver.Frames().empty());
    EXPECT_EQ(Redraw(), 1) << "plain commands need no block";
}

// Two pages, the second unreadable: a text placed at the end of the first is read past its end only by
// a fault.
class TGuardedPage {
public:
    TGuardedPage()
    {
        size_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* pages = mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED || mprotect(static_cast<char*>(pages) + size_, size_, PROT_NONE) != 0)
            std::abort();
        pages_ = static_cast<char*>(pages);
    }
    ~TGuardedPage() { munmap(pages_, 2 * size_); }
    TGuardedPage(const TGuardedPage&) = delete;
    TGuardedPage& operator=(const TGuardedPage&) = delete;

    // BYTES copied so that their last byte is the page's last.
    const char* AtEnd(const std::string& bytes)
    {
        char* start = pages_ + size_ - bytes.size();
        std::memcpy(start, bytes.data(), bytes.size());
        return start;
    }

private:
    char* pages_ = nullptr;
    size_t size_ = 0;
};

TEST(GuideChannel, TextsAreReadOnlyUpToTheirEnd)
{
    TGuardedPage page;
    const struct {
        const char* what;
        std::string bytes;
    } texts[] = {
        {"a short text", std::string("ab", 3)},
        {"the empty text", std::string(1, '\0')},
        {"100 bytes without NUL", std::string(100, 'c')},
        {"a formula ending in #", std::string(99, 'd') + "#"},
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(text.what);
        const char* placed = page.AtEnd(text.bytes);
        TFakeReceiver receiver;
        for (const TExport& test : SendingExports()) {
            SCOPED_TRACE(test.name);
            EXPECT_EQ(test.call(placed), 1);
        }
    }
    TFakeReceiver receiver;
    const char* logon = page.AtEnd(std::string(4 * GUIDE_FIELD_SIZE, 'e'));
    EXPECT_EQ(Logon(logon), 1);
    ASSERT_EQ(receiver.Frames().size(), 2u);
    EXPECT_EQ(receiver.Frames()[1].Field(4), std::string(100, 'e'));
}

TEST(GuideChannel, CallsFromTwoThreadsDoNotShareTheBlock)
{
    TFakeReceiver receiver;
    receiver.SetDelay(std::chrono::milliseconds(1));
    constexpr int Rounds = 40;
    int openedA = 0, rescaledB = 0;
    std::thread first([&] {
        for (int round = 0; round < Rounds; ++round)
            openedA += OpenLCVFile("thread A", "1");
    });
    std::thread second([&] {
        for (int round = 0; round < Rounds; ++round)
            rescaledB += Rescale("B1", "B2", "B3", "B4");
    });
    first.join();
    second.join();
    EXPECT_EQ(openedA, Rounds);
    EXPECT_EQ(rescaledB, Rounds);
    const auto frames = receiver.Frames();
    ASSERT_EQ(frames.size(), 4u * Rounds);
    for (size_t index = 0; index < frames.size(); index += 2) {
        const auto& question = frames[index];
        const auto& command = frames[index + 1];
        EXPECT_EQ(question.frame.code, GUIDE_CODE_TOP_WINDOW) << "frame " << index;
        const std::string expected = command.frame.code == 0 ? "thread A" : "B1";
        EXPECT_EQ(question.Field(1), expected) << "frame " << index;
        EXPECT_EQ(command.Field(1), expected) << "frame " << index;
    }
}

} // namespace

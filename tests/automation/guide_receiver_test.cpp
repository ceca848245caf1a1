// The guide command channel's receiver, driven in process over its socket
// against a real offscreen main window, with socket and block names of the
// test's own: the fields' reading, the block's checks, the frames' rules, the
// busy gate and a table of commands with what they do to the window.
#include "app/coordinateeditor.h"
#include "app/guidelink.h"
#include "app/mainwindow_testing.h"
#include "app/shapework.h"
#include "automation/guidereceiver.h"
#include "document/curvestyle.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "expr/declarations.h"
#include "geometry/coordcurve.h"
#include "graph/rescaledatatransfer.h"
#include "guidelib/guideprotocol.h"
#include "platform/busygate.h"
#include "settings/configuration.h"
#include "unixsocket.h"

#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<int> Serial{0};

// Makes the shared block NAME with SIZE bytes holding the fields (field 1 first).
bool WriteBlock(const std::string& name, const std::vector<std::string>& fields,
                off_t size = GUIDE_BLOCK_SIZE)
{
    shm_unlink(name.c_str());
    const int descriptor = shm_open(name.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    bool done = ftruncate(descriptor, size) == 0;
    if (done && size >= GUIDE_BLOCK_SIZE) {
        char block[GUIDE_BLOCK_SIZE] = {};
        for (std::size_t i = 0; i < fields.size() && i < GUIDE_FIELD_COUNT; ++i)
            std::memcpy(block + i * GUIDE_FIELD_SIZE, fields[i].data(),
                        std::min<std::size_t>(fields[i].size(), GUIDE_FIELD_SIZE));
        done = pwrite(descriptor, block, sizeof block, 0) == static_cast<ssize_t>(sizeof block);
    }
    close(descriptor);
    return done;
}

// A guide's end of one connection; it waits by handling the window's events.
class TClient {
public:
    explicit TClient(const QString& path)
    {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof address.sun_path - 1);
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~TClient()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    TClient(const TClient&) = delete;
    TClient& operator=(const TClient&) = delete;
    [[nodiscard]] bool Connected() const { return fd_ >= 0; }
    bool Send(const void* data, std::size_t size)
    {
        return fd_ >= 0 && ::send(fd_, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
    }
    bool SendFrame(int code, int subCode, int target = GUIDE_TARGET_MAIN, int message = GUIDE_MESSAGE)
    {
        const TGuideFrame frame{message, target, code, subCode};
        return Send(&frame, sizeof frame);
    }
    // The reply, or none when the connection closed or nothing came in time.
    std::optional<std::int32_t> Reply(int milliseconds = 3000)
    {
        std::int32_t reply = 0;
        std::size_t got = 0;
        for (int waited = 0; waited <= milliseconds; waited += 5) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 0) > 0) {
                const ssize_t read = recv(fd_, reinterpret_cast<char*>(&reply) + got, sizeof reply - got, 0);
                if (read <= 0)
                    return std::nullopt;
                got += static_cast<std::size_t>(read);
                if (got == sizeof reply)
                    return reply;
            }
            QTest::qWait(5);
        }
        return std::nullopt;
    }
    // Whether the receiver closed the connection within the time.
    bool ClosedWithin(int milliseconds)
    {
        for (int waited = 0; waited <= milliseconds; waited += 5) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 0) > 0) {
                char byte = 0;
                if (recv(fd_, &byte, 1, MSG_DONTWAIT) <= 0)
                    return true;
            }
            QTest::qWait(5);
        }
        return false;
    }

private:
    int fd_ = -1;
};

class GuideChannel : public GraphFormTest {
protected:
    void SetUp() override
    {
        const std::string unique = std::to_string(getpid()) + "-" + std::to_string(Serial++);
        socketPath = QString::fromStdString("/tmp/lumacurve-guide-test-" + unique + ".socket");
        blockName = "/lumacurve-guide-test-" + unique;
        setenv(GUIDE_SOCKET_ENV, socketPath.toLocal8Bit().constData(), 1);
        setenv(GUIDE_BLOCK_ENV, blockName.c_str(), 1);
        GraphFormTest::SetUp();
        ASSERT_NE(form->GuideLink(), nullptr);
        ASSERT_TRUE(form->GuideLink()->Receiver()->Listening());
    }
    void TearDown() override
    {
        GraphFormTest::TearDown();
        shm_unlink(blockName.c_str());
        unsetenv(GUIDE_SOCKET_ENV);
        unsetenv(GUIDE_BLOCK_ENV);
    }
    // Sends one command with its fields on a connection of its own; its reply.
    std::optional<std::int32_t> Command(int code, int subCode, const std::vector<std::string>& fields = {})
    {
        if (!WriteBlock(blockName, fields))
            return std::nullopt;
        TClient client(socketPath);
        if (!client.SendFrame(code, subCode))
            return std::nullopt;
        const auto reply = client.Reply();
        shm_unlink(blockName.c_str());
        QApplication::processEvents();
        return reply;
    }
    [[nodiscard]] const TAxis& XAxis() const { return *form->GraphParams().Axes->XAxis; }

    QString socketPath;
    std::string blockName;
    QTemporaryDir dir;
};

} // namespace

// ---- the fields -----------------------------------------------------------------------------

TEST(GuideFields, NumbersAreReadWithoutTheLocaleAndWholeFieldsNeedWholeNumbers)
{
    struct TCase {
        const char* text;
        bool number;
        double value;
        bool whole;
    };
    const TCase cases[] = {
        {"12", true, 12, true},           {"  -3", true, -3, true}, {"2.5", true, 2.5, false},
        {"1e3", true, 1000, true},        {"1,5", false, 0, false}, {"", false, 0, false},
        {"abc", false, 0, false},         {"nan", false, 0, false}, {"inf", false, 0, false},
        {"0x10", false, 0, false},        {"4 ", false, 0, false},  {"1e999", false, 0, false},
        {"3000000000", true, 3e9, false},
    };
    for (const auto& c : cases) {
        std::string block(GUIDE_BLOCK_SIZE, '\0');
        block.replace(GUIDE_FIELD_SIZE, std::strlen(c.text), c.text);
        const TGuideParameters fields = DecodeGuideFields(block);
        EXPECT_EQ(fields[1].isNumber, c.number) << c.text;
        if (c.number) {
            EXPECT_DOUBLE_EQ(fields[1].value, c.value) << c.text;
        }
        int whole = 0;
        EXPECT_EQ(fields[1].Whole(whole), c.whole) << c.text;
        EXPECT_FALSE(fields[0].isNumber);
    }
}

TEST(GuideFields, TextsAreEightBitAndAFullFieldEndsAtItsHundredthByte)
{
    std::string block(GUIDE_BLOCK_SIZE, '\0');
    block.replace(0, 3, "x\xb2\x80");
    block.replace(GUIDE_FIELD_SIZE * 2, GUIDE_FIELD_SIZE, std::string(GUIDE_FIELD_SIZE, 'a'));
    block.replace(GUIDE_FIELD_SIZE * 3, 1, "b");
    const TGuideParameters fields = DecodeGuideFields(block);
    EXPECT_EQ(fields[0].text, QString::fromUtf8("x\u00b2\u20ac"));
    EXPECT_EQ(fields[2].bytes, std::string(GUIDE_FIELD_SIZE, 'a'));
    EXPECT_EQ(fields[3].bytes, "b");
    // A short block leaves the fields beyond it empty.
    EXPECT_TRUE(DecodeGuideFields("7").at(4).bytes.empty());
    EXPECT_TRUE(DecodeGuideFields("7").at(0).isNumber);
}

// ---- the block and the peer -------------------------------------------------------------------

TEST(GuideBlock, OnlyAWholeBlockOfOurOwnIsRead)
{
    const std::string name = "/lumacurve-guide-block-" + std::to_string(getpid());
    QString why;
    shm_unlink(name.c_str());
    EXPECT_FALSE(ReadGuideBlock(name, why).has_value());
    EXPECT_FALSE(why.isEmpty());
    // Mapping a block shorter than 500 bytes would fault on reading it.
    for (off_t size : {0, 10, GUIDE_BLOCK_SIZE - 1}) {
        ASSERT_TRUE(WriteBlock(name, {}, size));
        why.clear();
        EXPECT_FALSE(ReadGuideBlock(name, why).has_value()) << size;
        EXPECT_TRUE(why.contains("small")) << why.toStdString();
    }
    ASSERT_TRUE(WriteBlock(name, {"one", "two"}, GUIDE_BLOCK_SIZE + 100));
    const auto block = ReadGuideBlock(name, why);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->size(), static_cast<std::size_t>(GUIDE_BLOCK_SIZE));
    EXPECT_EQ(DecodeGuideFields(*block)[1].bytes, "two");
    shm_unlink(name.c_str());
}

TEST(GuideFrames, EachFrameGoesWhereItsTargetAndCodeSay)
{
    struct TCase {
        std::int32_t frame[4];
        TGuideRoute route;
        int code;
    };
    const TCase cases[] = {
        {{GUIDE_MESSAGE, GUIDE_TARGET_MAIN, 17, 0}, TGuideRoute::Run, 17},
        {{GUIDE_MESSAGE, GUIDE_TARGET_MAIN, 0x10011, 0}, TGuideRoute::Run, 17}, // 16 bits of code
        {{GUIDE_MESSAGE, GUIDE_TARGET_MAIN, GUIDE_CODE_TOP_WINDOW, 0}, TGuideRoute::TopWindow, 16},
        {{GUIDE_MESSAGE, GUIDE_TARGET_COORDINATE_EDITOR, 7, 1}, TGuideRoute::AnswerZero, 7},
        {{GUIDE_MESSAGE, GUIDE_TARGET_DYNAMIC_EDITOR, 16, 1}, TGuideRoute::AnswerZero, 16},
        {{GUIDE_MESSAGE, GUIDE_TARGET_STARTUP_SCREEN, 3, 0}, TGuideRoute::CloseStartupScreen, 3},
        {{GUIDE_MESSAGE, 4, 3, 0}, TGuideRoute::Drop, 0},
        {{GUIDE_MESSAGE, -1, 3, 0}, TGuideRoute::Drop, 0},
        {{GUIDE_MESSAGE + 1, GUIDE_TARGET_MAIN, 3, 0}, TGuideRoute::Drop, 0},
    };
    for (const auto& c : cases) {
        const TGuideFrameRoute route = RouteGuideFrame(c.frame);
        EXPECT_EQ(route.route, c.route) << c.frame[0] << " " << c.frame[1] << " " << c.frame[2];
        if (c.route != TGuideRoute::Drop) {
            EXPECT_EQ(route.command.code, c.code) << c.frame[2];
        }
    }
    EXPECT_EQ(RouteGuideFrame({GUIDE_MESSAGE, 0, 12, -7}).command.subCode, -7);
    // A frame arrives in pieces; more than one, or anything while the connection's command is pending,
    // breaks the protocol.
    struct TBytes {
        long long available;
        bool pending;
        TGuideBytes state;
    };
    const TBytes bytes[] = {
        {0, false, TGuideBytes::Partial}, {15, false, TGuideBytes::Partial}, {16, false, TGuideBytes::Frame},
        {17, false, TGuideBytes::Broken}, {0, true, TGuideBytes::Partial},   {1, true, TGuideBytes::Broken},
        {16, true, TGuideBytes::Broken},
    };
    for (const auto& b : bytes)
        EXPECT_EQ(GuideBytesState(b.available, b.pending), b.state) << b.available << " " << b.pending;
}

TEST(GuidePeer, OnlyConnectionsOfThisUserAreTaken)
{
    int pair[2] = {-1, -1};
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_TRUE(ConnectionFromOwnUser(pair[0]));
    close(pair[0]);
    close(pair[1]);
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_FALSE(ConnectionFromOwnUser(pipeEnds[0])); // no peer to ask
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    EXPECT_FALSE(ConnectionFromOwnUser(-1));
}

// ---- the commands -------------------------------------------------------------------------

TEST_F(GuideChannel, ScalingNeedsFourNumbersAndKeepsTheWindowWorking)
{
    EXPECT_EQ(Command(1, 0, {"-5", " -4", "5", "4"}), 0);
    EXPECT_DOUBLE_EQ(XAxis().Min, -5);
    EXPECT_DOUBLE_EQ(XAxis().Max, 5);
    EXPECT_DOUBLE_EQ(form->GraphParams().Axes->YAxis->Max, 4);
    EXPECT_FALSE(form->GraphParams().GraphPaperOn());
    EXPECT_EQ(Command(1, 0, {"-2", "-2", "two", "2"}), 0);
    EXPECT_DOUBLE_EQ(XAxis().Max, 5);
}

TEST_F(GuideChannel, SettingsCommandsTakeTheirSubCodes)
{
    struct TCase {
        int code, subCode;
        bool radians, labels;
        int thickness;
    };
    const TCase cases[] = {
        {7, 1, true, true, 1},   {7, 0, false, true, 1},  {24, 0, false, false, 1}, {24, 1, false, true, 1},
        {25, 3, false, true, 3}, {25, 0, false, true, 3}, {25, 70, false, true, 9}, {25, -4, false, true, 9},
        {21, 2, false, true, 9}, {10, 0, false, true, 9}, {999, 1, false, true, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Command(c.code, c.subCode), 0) << c.code << " " << c.subCode;
        EXPECT_EQ(Configuration.Radians(), c.radians) << c.code << " " << c.subCode;
        EXPECT_EQ(Configuration.LabelCoordinates, c.labels) << c.code << " " << c.subCode;
        EXPECT_EQ(Configuration.ThickLines, c.thickness) << c.code << " " << c.subCode;
    }
    EXPECT_EQ(Command(23, 1), 0);
    EXPECT_TRUE(form->GuideLink()->MessagesOn());
    EXPECT_EQ(Command(23, 7), 0);
    EXPECT_FALSE(form->GuideLink()->MessagesOn());
}

TEST_F(GuideChannel, LinesAreInsertedSelectedAndDeleted)
{
    EXPECT_EQ(Command(17, 0, {"y=2x", "3"}), 0);
    EXPECT_EQ(Command(17, 0, {"y=x+1"}), 0);
    ASSERT_EQ(equations->Count(), 2);
    EXPECT_EQ(CurveStyleOf(*equations->ItemAt(0)).colourButton, 3);
    EXPECT_EQ(Command(12, 0), 0);
    EXPECT_EQ(equations->SelectedIndex(), 0);
    EXPECT_EQ(Command(12, 5), 0); // no such line
    EXPECT_EQ(equations->SelectedIndex(), 0);
    EXPECT_EQ(Command(13, 1), 0);
    ASSERT_EQ(equations->Count(), 1);
    EXPECT_EQ(equations->List().LineMarkup(0), "y=2x");
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(Command(2, 0), 0);
    EXPECT_EQ(equations->Count(), 0);
    EXPECT_FALSE(form->Modified());
}

TEST_F(GuideChannel, BadMarkupGivesTheEntrysErrorAndAddsNothing)
{
    EXPECT_EQ(Command(17, 0, {"y={Mtrx \x01\x01"}), 0);
    EXPECT_EQ(equations->Count(), 0);
    EXPECT_EQ(form->MessageLabel()->text(), EntryMessage::CannotPaste);
    EXPECT_EQ(Command(17, 0, {"y=x^2", "", "1", "1"}), 0);
    ASSERT_EQ(equations->Count(), 1);
    // Fields 3 and 4 naming one line: it is replaced, and the new line has no primary.
    EXPECT_EQ(Command(17, 0, {"y=3", "", "1", "1"}), 0);
    ASSERT_EQ(equations->Count(), 1);
    EXPECT_EQ(equations->List().LineMarkup(0), "y=3");
}

TEST_F(GuideChannel, FamilyMakesItsConstantAndKeepsItsSizeInRange)
{
    EXPECT_EQ(Command(20, 0, {"a", "2", "150", "1"}), 0);
    EXPECT_EQ(equations->Count(), 0);
    EXPECT_EQ(Command(20, 0, {"a", "2", "3", "0.5"}), 0);
    ASSERT_EQ(equations->Count(), 1);
    EXPECT_EQ(Family.extraMembers, 2);
    EXPECT_EQ(Family.name, "a");
    // Not a name, or a name the language has: nothing stays entered.
    for (const char* name : {"b=1", "y", "x", " ", "a b"}) {
        EXPECT_EQ(Command(20, 0, {name, "2", "3", "0.5"}), 0) << name;
        EXPECT_EQ(equations->Count(), 1) << name;
    }
    // Another letter case names the same constant.
    EXPECT_EQ(Command(20, 0, {"A", "1", "4", "1"}), 0);
    EXPECT_EQ(equations->Count(), 1);
    EXPECT_EQ(Family.extraMembers, 3);
}

TEST_F(GuideChannel, EditorsIgnoreFramesAndTheTopWindowIsAnswered)
{
    TClient client(socketPath);
    ASSERT_TRUE(WaitFor([this] { return form->Started(); }));
    ASSERT_TRUE(client.SendFrame(7, 1, GUIDE_TARGET_COORDINATE_EDITOR));
    EXPECT_EQ(client.Reply(), 0);
    ASSERT_TRUE(client.SendFrame(7, 1, GUIDE_TARGET_DYNAMIC_EDITOR));
    EXPECT_EQ(client.Reply(), 0);
    // The start-up screen is on top until any frame to it closes it.
    ASSERT_TRUE(client.SendFrame(GUIDE_CODE_TOP_WINDOW, 0));
    EXPECT_EQ(client.Reply(), GUIDE_TARGET_STARTUP_SCREEN);
    ASSERT_TRUE(client.SendFrame(7, 1, GUIDE_TARGET_STARTUP_SCREEN));
    EXPECT_EQ(client.Reply(), 0);
    QApplication::processEvents();
    ASSERT_TRUE(client.SendFrame(GUIDE_CODE_TOP_WINDOW, 0));
    EXPECT_EQ(client.Reply(), GUIDE_TARGET_MAIN);
    EXPECT_FALSE(Configuration.Radians());
}

TEST_F(GuideChannel, AnUnreadableBlockIsReportedAndAnswered)
{
    shm_unlink(blockName.c_str());
    TClient client(socketPath);
    ASSERT_TRUE(client.SendFrame(1, 0));
    EXPECT_EQ(client.Reply(), -1);
    EXPECT_TRUE(form->MessageLabel()->text().startsWith("Link between Lumacurve and Lumatutor not working"))
        << form->MessageLabel()->text().toStdString();
    // Commands without fields go on working.
    ASSERT_TRUE(client.SendFrame(7, 1));
    EXPECT_EQ(client.Reply(), 0);
    EXPECT_TRUE(Configuration.Radians());
}

TEST_F(GuideChannel, ExerciseSeriesOpenOneAfterAnother)
{
    QDir folder(dir.path());
    TypeLine("y=x");
    for (const char* name : {"ex 1.lcv", "ex 2.lcv", "ex 3.lcv", "single.lcv"})
        ASSERT_TRUE(form->SaveDocument(folder.filePath(name)));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(Command(0, 0, {"ex 1", "2"}), 0);
    EXPECT_EQ(form->GuideLink()->SeriesName(), "ex 1");
    EXPECT_EQ(form->GuideLink()->AnswerLine(), 1);
    EXPECT_TRUE(form->DocumentPath().endsWith("ex 1.lcv"));
    EXPECT_EQ(Command(26, 0), 0);
    EXPECT_EQ(form->GuideLink()->SeriesName(), "ex 2");
    EXPECT_EQ(Command(26, 0), 0);
    EXPECT_EQ(Command(26, 0), 0); // past the last: nothing opens
    EXPECT_EQ(form->GuideLink()->SeriesName(), "ex 3");
    EXPECT_EQ(Command(27, 0), 0);
    EXPECT_TRUE(form->DocumentPath().endsWith("ex 2.lcv"));
    EXPECT_EQ(Command(0, 0, {"single"}), 0);
    EXPECT_TRUE(form->GuideLink()->SeriesName().isEmpty());
    EXPECT_TRUE(form->DocumentPath().endsWith("single.lcv"));
    // Missing names are reported only while the guide wants messages; a name with a folder is never opened.
    EXPECT_EQ(Command(0, 0, {""}), 0);
    EXPECT_EQ(Command(23, 1), 0);
    EXPECT_EQ(Command(0, 0, {""}), 0);
    EXPECT_EQ(form->LastMessage(), "File not found");
    EXPECT_EQ(Command(0, 0, {"../ex 1"}), 0);
    EXPECT_EQ(form->LastMessage(), "../ex 1 not found");
    EXPECT_TRUE(form->DocumentPath().endsWith("single.lcv"));
    QDir::setCurrent(before);
}

TEST_F(GuideChannel, DragsChooseTheirToolWithoutPuttingItDown)
{
    TypeLine("y=x");
    ASSERT_TRUE(form->Commands().Trigger("ActionDragGrid"));
    const Extended min = XAxis().Min;
    const Extended step = (XAxis().Max - XAxis().Min) / 10;
    const std::string far = std::to_string(static_cast<double>(step));
    const QPoint start = graph->Params().Axes->ValueToPixel(0, 0);
    const QPoint end = graph->Params().Axes->ValueToPixel(step, 0);
    EXPECT_EQ(Command(8, 303, {"0", "0", far, "0"}), 0);
    // One wait a step: the button is let go straight after the last step, not a step's wait later.
    int ticks = 0;
    for (QTimer* timer : form->GuideLink()->findChildren<QTimer*>())
        if (timer->interval() == TGuideLink::DragStep)
            QObject::connect(timer, &QTimer::timeout, [&ticks] { ++ticks; });
    EXPECT_TRUE(WaitFor([this] { return !form->GuideLink()->Dragging(); }, 12000));
    EXPECT_NE(XAxis().Min, min);
    EXPECT_EQ(form->Commands().CheckedMode(), 305);
    EXPECT_EQ(ticks, GuideDragSteps(start, end, graph->screen()->size(), TGuideLink::MaxDragSteps));
}

// ---- the menu commands a code runs --------------------------------------------------------------

TEST_F(GuideChannel, ScaleCodesRunTheZoomMenusScales)
{
    const TAxis& y = *form->GraphParams().Axes->YAxis;
    const auto square = [this] {
        const TRescaleDataTransfer* scales = form->GraphParams().Axes->Scales.get();
        return scales != nullptr && scales->Square;
    };
    const auto squareChecked = [this] { return form->Commands().Action("ActionSquareScales")->isChecked(); };
    EXPECT_EQ(Command(1, 0, {"-5", "-4", "5", "4"}), 0);
    const Extended xExtent = XAxis().Max - XAxis().Min;
    const Extended yExtent = y.Max - y.Min;
    // Positive scales run from the origin over the extents shown, the origin at the lower left just clear
    // of the labels.
    EXPECT_EQ(Command(4, 0), 0);
    EXPECT_NEAR(double(XAxis().Max), double(xExtent), 1e-9);
    EXPECT_NEAR(double(y.Max), double(yExtent), 1e-9);
    EXPECT_TRUE(XAxis().Min <= 0 && XAxis().Min > -xExtent / 10) << double(XAxis().Min);
    EXPECT_TRUE(y.Min <= 0 && y.Min > -yExtent / 10) << double(y.Min);
    struct TCase {
        const char* what;
        int code, subCode;
        double xMin, xMax, yMin, yMax; // NaN: not checked
        double within;                 // the shown bounds are rounded at the step's decade
        bool square;
    };
    const double any = std::nan("");
    const double pi = 3.14159265358979323846;
    const TCase cases[] = {
        // Trig scales follow the angle measure: a whole turn either way of the origin.
        {"trig in degrees", 5, 0, -360, 360, -1.5, 1.5, 1e-9, false},
        {"radians", 7, 1, -360, 360, -1.5, 1.5, 1e-9, false},
        {"trig in radians", 5, 0, -2 * pi, 2 * pi, -1.5, 1.5, 0.005, false},
        // Square scales is the menu's toggle: on, then off again with the scales kept.
        {"square on", 6, 0, any, any, any, any, 0, true},
        {"square off", 6, 0, any, any, any, any, 0, false},
        // Reset scales: the default scales, made square, about the origin.
        {"reset", 3, 0, any, any, any, any, 0, true},
    };
    for (const auto& c : cases) {
        form->SetModified(false);
        EXPECT_EQ(Command(c.code, c.subCode), 0) << c.what;
        const auto near = [&c](double expected, Extended value) {
            return std::isnan(expected) ||
                   std::fabs(expected - double(value)) <= c.within * (1 + std::fabs(expected));
        };
        EXPECT_TRUE(near(c.xMin, XAxis().Min)) << c.what << " " << double(XAxis().Min);
        EXPECT_TRUE(near(c.xMax, XAxis().Max)) << c.what << " " << double(XAxis().Max);
        EXPECT_TRUE(near(c.yMin, y.Min)) << c.what << " " << double(y.Min);
        EXPECT_TRUE(near(c.yMax, y.Max)) << c.what << " " << double(y.Max);
        EXPECT_EQ(square(), c.square) << c.what;
        EXPECT_EQ(squareChecked(), c.square) << c.what;
        if (c.code != 7) {
            EXPECT_TRUE(form->Modified()) << c.what;
        }
    }
    // The default scales are centred on the origin and hold at least x from -8 to 8.
    EXPECT_DOUBLE_EQ(double(XAxis().Min), -double(XAxis().Max));
    EXPECT_DOUBLE_EQ(double(y.Min), -double(y.Max));
    EXPECT_GE(double(XAxis().Max), 8 - 1e-9);
    // A square made while the scales were wide of the window's shape is not the default's.
    EXPECT_LT(double(XAxis().Max), 20);
}

TEST_F(GuideChannel, DeleteSecondariesTakesTheLinesThatDependOnTheChosenLine)
{
    TypeLine("a=2");
    TypeLine("y=ax");
    TypeLine("y=x^2");
    ASSERT_EQ(equations->Count(), 3);
    // The gradient of the parabola depends on it.
    EXPECT_EQ(Command(12, 2), 0);
    ASSERT_TRUE(form->Commands().Trigger("ActionGradient"));
    ASSERT_EQ(equations->Count(), 4);
    const std::string gradient = equations->List().LineMarkup(3);
    struct TCase {
        int subCode;
        std::vector<std::string> left;
    };
    const TCase cases[] = {
        {4, {"a=2", "y=ax", "y=x^2", gradient}}, // no such line: nothing changes
        {-1, {"a=2", "y=ax", "y=x^2", gradient}},
        {1, {"a=2", "y=ax", "y=x^2", gradient}}, // nothing depends on y=ax
        {2, {"a=2", "y=ax", "y=x^2"}},           // the parabola's gradient goes, the parabola stays
        {0, {"a=2", "y=x^2"}},                   // the constant's users go
    };
    for (const auto& c : cases) {
        form->SetModified(false);
        EXPECT_EQ(Command(14, c.subCode), 0) << c.subCode;
        std::vector<std::string> left;
        for (int i = 0; i < equations->Count(); ++i)
            left.push_back(equations->List().LineMarkup(i));
        EXPECT_EQ(left, c.left) << c.subCode;
        if (c.subCode >= 0 && c.subCode < 4) {
            EXPECT_EQ(equations->SelectedIndex(), c.subCode);
            EXPECT_TRUE(form->Modified()) << c.subCode;
        }
    }
}

TEST_F(GuideChannel, RedrawAndDemoDrawDrawTheGraphsAgain)
{
    TypeLine("y=x");
    TypeLine("y=2x");
    TypeLine("y=3x");
    WaitForPicture();
    // Redraw: the picture goes stale and is drawn again in full.
    const unsigned generation = graph->PictureGeneration();
    EXPECT_EQ(Command(18, 1), 0);
    EXPECT_NE(graph->PictureGeneration(), generation);
    EXPECT_TRUE(WaitFor([this] { return graph->RepaintFrom() == std::numeric_limits<int>::max(); }));
    // Demo draw selects each line as it draws it, so the last one drawn stays selected (the pencil is
    // quick here: it would take its seconds a curve).
    Configuration.RepeatsDelay = 0;
    EXPECT_EQ(Command(12, 0), 0);
    ASSERT_EQ(equations->SelectedIndex(), 0);
    EXPECT_EQ(Command(19, 1), 0);
    EXPECT_TRUE(WaitFor([this] { return equations->SelectedIndex() == 2; }));
    WaitForPicture();
    EXPECT_EQ(equations->Count(), 3);
}

TEST_F(GuideChannel, ACoordinateListOpensInTheCoordinateEditor)
{
    TypeLine("y=x");
    ASSERT_TRUE(form->Commands().Trigger("ActionFlag"));
    ASSERT_EQ(equations->Count(), 2);
    auto* list = dynamic_cast<TCoordCurve*>(equations->ItemAt(1));
    ASSERT_NE(list, nullptr);
    TShapeWork* shapes = form->Shapes();
    // Line numbers count from 1; a line that is no coordinate list, or none at all, opens nothing.
    for (int subCode : {0, 1, 3, -2}) {
        EXPECT_EQ(Command(22, subCode), 0) << subCode;
        EXPECT_FALSE(shapes->EditorPanel() != nullptr && shapes->EditorPanel()->isVisible()) << subCode;
    }
    EXPECT_EQ(Command(22, 2), 0);
    ASSERT_NE(shapes->Editor(), nullptr);
    EXPECT_EQ(shapes->Editor()->Curve(), list);
    ASSERT_NE(shapes->EditorPanel(), nullptr);
    EXPECT_TRUE(shapes->EditorPanel()->isVisible());
    // The guide is told that the editor is the window on top.
    TClient client(socketPath);
    ASSERT_TRUE(client.SendFrame(GUIDE_CODE_TOP_WINDOW, 0));
    EXPECT_EQ(client.Reply(), GUIDE_TARGET_COORDINATE_EDITOR);
}

// ---- the frames and the busy gate ---------------------------------------------------------------

TEST_F(GuideChannel, MalformedFramesCloseTheirConnectionOnly)
{
    struct TCase {
        const char* what;
        std::vector<char> bytes;
    };
    TGuideFrame good{GUIDE_MESSAGE, GUIDE_TARGET_MAIN, 7, 1};
    TGuideFrame wrong{1045, GUIDE_TARGET_MAIN, 7, 1};
    TGuideFrame stranger{GUIDE_MESSAGE, 9, 7, 1};
    std::vector<char> oversized(reinterpret_cast<char*>(&good), reinterpret_cast<char*>(&good) + sizeof good);
    oversized.insert(oversized.end(), 4, 0);
    const TCase cases[] = {
        {"wrong message", {reinterpret_cast<char*>(&wrong), reinterpret_cast<char*>(&wrong) + sizeof wrong}},
        {"unknown target",
         {reinterpret_cast<char*>(&stranger), reinterpret_cast<char*>(&stranger) + sizeof stranger}},
        {"oversized", oversized},
        {"short", {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& c : cases) {
        TClient client(socketPath);
        ASSERT_TRUE(client.Send(c.bytes.data(), c.bytes.size())) << c.what;
        EXPECT_TRUE(client.ClosedWithin(TGuideReceiver::PartialFrameTimeout + 2000)) << c.what;
        EXPECT_FALSE(Configuration.Radians()) << c.what;
    }
    EXPECT_EQ(Command(7, 1), 0);
    EXPECT_TRUE(Configuration.Radians());
    EXPECT_TRUE(WaitFor([this] { return form->GuideLink()->Receiver()->Connections() == 0; }));
}

TEST_F(GuideChannel, SeveralFramesShareAConnectionAndAFrameWaitsWhileBusy)
{
    TClient client(socketPath);
    ASSERT_TRUE(client.SendFrame(25, 4));
    EXPECT_EQ(client.Reply(), 0);
    {
        TBusyScope busy;
        ASSERT_TRUE(client.SendFrame(7, 1));
        EXPECT_FALSE(client.Reply(300).has_value());
        EXPECT_FALSE(Configuration.Radians());
        EXPECT_EQ(form->GuideLink()->Receiver()->Waiting(), 1);
    }
    EXPECT_EQ(client.Reply(), 0);
    EXPECT_TRUE(Configuration.Radians());
    EXPECT_EQ(Configuration.ThickLines, 4);
}

TEST_F(GuideChannel, ASecondProgramRunsWithoutTheChannelAndAStaleSocketIsReplaced)
{
    TGuideReceiver* first = form->GuideLink()->Receiver();
    auto second = MakeQuietForm<TLumacurveForm>();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->GuideLink()->Receiver()->Listening());
    second.reset();
    EXPECT_TRUE(first->Listening());
    EXPECT_EQ(Command(7, 1), 0);
    EXPECT_TRUE(Configuration.Radians());
    // A socket file nobody listens on is taken over.
    form.reset();
    const std::string unique = "/tmp/lumacurve-guide-stale-" + std::to_string(getpid()) + ".socket";
    unlink(unique.c_str());
    ASSERT_TRUE(LeaveDeadSocket(unique));
    setenv(GUIDE_SOCKET_ENV, unique.c_str(), 1);
    form = MakeQuietForm<TLumacurveForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->GuideLink()->Receiver()->Listening());
    socketPath = QString::fromStdString(unique);
    EXPECT_EQ(Command(7, 0), 0);
    EXPECT_FALSE(Configuration.Radians());
    form.reset();
    unlink(unique.c_str());
}

TEST_F(GuideChannel, AnEnteredLineIsCheckedAgainstTheAnswerLine)
{
    QDir folder(dir.path());
    TypeLine("y=x");
    for (const char* name : {"ck 1.lcv", "ck 2.lcv", "ck 3.lcv"})
        ASSERT_TRUE(form->SaveDocument(folder.filePath(name)));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList asked;
    form->GuideLink()->AskQuestion = [&asked](const QString& question) {
        asked << question;
        return true;
    };
    EXPECT_EQ(Command(23, 1), 0);
    EXPECT_EQ(Command(0, 0, {"ck 1", "1"}), 0);
    ASSERT_EQ(form->GuideLink()->SeriesName(), "ck 1");
    // A match asks to go on; Yes opens the next document once the edit has ended.
    TypeLine("y=x");
    ASSERT_TRUE(WaitFor([&asked] { return !asked.isEmpty(); }));
    EXPECT_TRUE(asked.front().startsWith("Well done. Equations match."));
    ASSERT_TRUE(WaitFor([this] { return form->DocumentPath().endsWith("ck 2.lcv"); }));
    EXPECT_EQ(form->GuideLink()->SeriesName(), "ck 2");
    EXPECT_EQ(equations->Line(), nullptr);
    EXPECT_EQ(equations->Count(), 1);
    EXPECT_FALSE(form->Modified());
    // A curve that differs is to be tried again.
    TypeLine("y=5");
    ASSERT_TRUE(
        WaitFor([this] { return form->MessageLabel()->text() == "The curves do not match.  Try again!"; }));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(form->GuideLink()->SeriesName(), "ck 2");
    // At the last document the series is completed.
    EXPECT_EQ(Command(26, 0), 0);
    TypeLine("y=x");
    ASSERT_TRUE(WaitFor([this] { return form->GuideLink()->SeriesName().isEmpty(); }));
    EXPECT_EQ(form->LastMessage(), "You have completed ck files.  Go back to the guide");
    QDir::setCurrent(before);
}

TEST(GuideDrag, StepsFollowTheDistanceAndStayBounded)
{
    struct TCase {
        QPoint start, end;
        QSize screen;
        int steps;
    };
    const TCase cases[] = {
        {{0, 0}, {10, 0}, {1024, 768}, 1},
        {{0, 0}, {5, 3}, {1024, 768}, 0},
        {{100, 100}, {0, 0}, {1000, 800}, 22},
        {{0, 0}, {1000, 800}, {1000, 800}, 200},
        {{-2000000000, 0}, {2000000000, 0}, {1024, 768}, 200},
        {{0, 0}, {10, 0}, {0, 0}, 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GuideDragSteps(c.start, c.end, c.screen, TGuideLink::MaxDragSteps), c.steps)
            << c.start.x() << "," << c.start.y() << " " << c.end.x() << "," << c.end.y();
}

TEST_F(GuideChannel, DynamicConstantCommandsAddSetAndStep)
{
    TypeLine("a=1");
    ASSERT_EQ(equations->Count(), 1);
    auto* line = dynamic_cast<TDynamicConstantEquation*>(equations->ItemAt(0));
    ASSERT_NE(line, nullptr);
    struct TCase {
        int subCode;
        std::vector<std::string> fields;
        double value, step;
    };
    const double step = static_cast<double>(line->Constant().Step().Value());
    const TCase cases[] = {
        {0, {"A", "2"}, 3, step},               // a value alone is added
        {0, {"a", "5", "", "", "0.5"}, 5, 0.5}, // with a step it is set
        {0, {"b", "9"}, 5, 0.5},                // no such constant
        {1, {"a", "", "", "", "0.25"}, 5, 0.25},
        {0, {"a", "two"}, 5, 0.25},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Command(15, c.subCode, c.fields), 0) << c.fields[0] << c.fields[1];
        line = dynamic_cast<TDynamicConstantEquation*>(equations->ItemAt(0));
        ASSERT_NE(line, nullptr);
        EXPECT_DOUBLE_EQ(static_cast<double>(line->Constant().Value()), c.value)
            << c.fields[0] << c.fields[1];
        EXPECT_DOUBLE_EQ(static_cast<double>(line->Constant().Step().Value()), c.step)
            << c.fields[0] << c.fields[1];
    }
    EXPECT_NE(form->DynamicEditor(), nullptr);
}

TEST_F(GuideChannel, AWaitingFrameOfAClientThatLeftIsDropped)
{
    {
        TBusyScope busy;
        TClient client(socketPath);
        ASSERT_TRUE(client.SendFrame(7, 1));
        ASSERT_TRUE(WaitFor([this] { return form->GuideLink()->Receiver()->Waiting() == 1; }));
    } // the client leaves, then the program is idle
    EXPECT_TRUE(WaitFor([this] { return form->GuideLink()->Receiver()->Waiting() == 0; }));
    QTest::qWait(50);
    EXPECT_FALSE(Configuration.Radians());
    EXPECT_EQ(Command(7, 1), 0);
    EXPECT_TRUE(Configuration.Radians());
}

// What each export of the guide interface library sends: its code and sub-code after the frames that
// bring the program forward, and the fields of the shared block at the moment of the command.
#include "fakereceiver.h"
#include "lumatutor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using TCall = std::function<int()>;

// The frame that asks which window is on top, with which every command starts.
void ExpectTopWindowQuestion(const TFakeReceiver::TRecorded& recorded)
{
    EXPECT_EQ(recorded.frame.message, GUIDE_MESSAGE);
    EXPECT_EQ(recorded.frame.target, GUIDE_TARGET_MAIN);
    EXPECT_EQ(recorded.frame.code, GUIDE_CODE_TOP_WINDOW);
    EXPECT_EQ(recorded.frame.subCode, 0);
}

// Runs CALL, which must succeed, against RECEIVER; the frames it sent, which must be the top-window
// question and then the command.
std::vector<TFakeReceiver::TRecorded> CommandFrames(const TFakeReceiver& receiver, const TCall& call)
{
    EXPECT_EQ(call(), 1);
    const auto frames = receiver.Frames();
    EXPECT_EQ(frames.size(), 2u);
    if (!frames.empty())
        ExpectTopWindowQuestion(frames[0]);
    return frames;
}

struct TPlainCase {
    const char* what;
    TCall call;
    int32_t code;
    int32_t subCode;
};

TEST(GuideCommands, PlainCommandsSendTheirCodeAndSubCode)
{
    const std::vector<TPlainCase> cases = {
        {"FileNew", [] { return FileNew(); }, 2, 1},
        {"ClearCurves", [] { return ClearCurves(); }, 2, 0},
        {"DefaultScales", [] { return DefaultScales(); }, 3, 0},
        {"Positivescales", [] { return Positivescales(); }, 4, 0},
        {"Trigscales", [] { return Trigscales(); }, 5, 0},
        {"SquareScales", [] { return SquareScales(); }, 6, 0},
        {"Radians", [] { return Radians(); }, 7, 1},
        {"Degrees", [] { return Degrees(); }, 7, 0},
        {"SelectCurve 1 is index 0", [] { return SelectCurve(1); }, 12, 0},
        {"SelectCurve 0 is index -1", [] { return SelectCurve(0); }, 12, -1},
        {"SelectCurve takes the low 16 bits", [] { return SelectCurve(0x10003); }, 12, 2},
        {"DeleteCurve", [] { return DeleteCurve(3); }, 13, 2},
        {"DeleteSecondaries", [] { return DeleteSecondaries(2); }, 14, 1},
        {"Redraw", [] { return Redraw(); }, 18, 1},
        {"DemoDraw", [] { return DemoDraw(); }, 19, 1},
        {"OpenCoordinateEditor passes the number unchanged", [] { return OpenCoordinateEditor(3); }, 22, 3},
        {"MessagesonOff 1", [] { return MessagesonOff(1); }, 23, 1},
        {"MessagesonOff 0", [] { return MessagesonOff(0); }, 23, 0},
        {"CoordinateLabellingOnOff", [] { return CoordinateLabellingOnOff(1); }, 24, 1},
        {"SetLineThickness", [] { return SetLineThickness(3); }, 25, 3},
        {"NextFile", [] { return NextFile(); }, 26, 0},
        {"LastFile", [] { return LastFile(); }, 27, 0},
    };
    for (const TPlainCase& test : cases) {
        SCOPED_TRACE(test.what);
        TFakeReceiver receiver;
        const auto frames = CommandFrames(receiver, test.call);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].frame.message, GUIDE_MESSAGE);
        EXPECT_EQ(frames[1].frame.target, GUIDE_TARGET_MAIN);
        EXPECT_EQ(frames[1].frame.code, test.code);
        EXPECT_EQ(frames[1].frame.subCode, test.subCode);
        EXPECT_FALSE(frames[1].blockPresent) << "a plain command makes no block";
    }
}

struct TBlockCase {
    const char* what;
    TCall call;
    int32_t code;
    int32_t subCode;
    std::vector<std::string> fields; // five
};

TEST(GuideCommands, BlockCommandsFillTheirFields)
{
    // clang-format off
    const std::vector<TBlockCase> cases = {
        {"OpenLCVFile", [] { return OpenLCVFile("Lines 1", "2"); }, 0, 0, {"Lines 1", "2", "", "", ""}},
        {"Rescale repeats y max", [] { return Rescale("-5", "-4", "5", "4"); }, 1, 0,
         {"-5", "-4", "5", "4", "4"}},
        {"InsertCurve", [] { return InsertCurve("y=x", "3", "2", "1"); }, 17, 0, {"y=x", "3", "2", "1", ""}},
        {"zoomin repeats x", [] { return zoomin("1.5", "2"); }, 10, 301, {"1.5", "2", "1.5", "1.5", "1.5"}},
        {"ClickMoveMouse repeats end y", [] { return ClickMoveMouse("0", "1", "2", "3", "Tangent"); }, 8, 401,
         {"0", "1", "2", "3", "3"}},
        {"OpenDynamicEditor repeats the step", [] { return OpenDynamicEditor("a", "0.5"); }, 15, 1,
         {"a", "0.5", "0.5", "0.5", "0.5"}},
        {"ChangeDynamicConstant", [] { return ChangeDynamicConstant("a", "1", "-2", "2", "0.1"); }, 15, 0,
         {"a", "1", "-2", "2", "0.1"}},
        {"ChangeConstantTo sets the value through fields 2 and 4", [] { return ChangeConstantTo("a", "7"); },
         15, 0, {"a", "7", "", "7", ""}},
        {"ChangeConstantBy", [] { return ChangeConstantBy("a", "-1"); }, 15, 0, {"a", "-1", "", "", ""}},
        {"Family", [] { return Family("k", "1", "5", "0.5"); }, 20, 0, {"k", "1", "5", "0.5", ""}},
        {"NumberQuestion", [] { return NumberQuestion("q", "1", "2", "3", "4"); }, 21, 2,
         {"q", "1", "2", "3", "4"}},
        {"NULL texts are empty", [] { return OpenLCVFile(nullptr, nullptr); }, 0, 0, {"", "", "", "", ""}},
        {"a long text fills its field", [] { return OpenLCVFile(std::string(150, 'n').c_str(), "1"); },
         0, 0, {std::string(100, 'n'), "1", "", "", ""}},
    };
    // clang-format on
    for (const TBlockCase& test : cases) {
        SCOPED_TRACE(test.what);
        TFakeReceiver receiver;
        const auto frames = CommandFrames(receiver, test.call);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].frame.code, test.code);
        EXPECT_EQ(frames[1].frame.subCode, test.subCode);
        for (const auto& recorded : frames) {
            ASSERT_TRUE(recorded.blockPresent) << "the block exists while every frame is sent";
            EXPECT_EQ(recorded.blockMode, 0600u);
            for (int field = 1; field <= GUIDE_FIELD_COUNT; ++field) {
                EXPECT_EQ(recorded.Field(field), test.fields[field - 1]) << "field " << field;
                EXPECT_TRUE(recorded.FieldZeroFilled(field)) << "field " << field;
            }
        }
        EXPECT_FALSE(BlockExists(receiver.BlockName())) << "the block is removed after the command";
    }
}

TEST(GuideCommands, InsertCurveConvertsItsFormula)
{
    const std::string full98 = std::string(98, 'a');
    const struct {
        std::string formula;
        std::string sent;
    } cases[] = {
        {"y=[fix #2#1]x", "y={fix \x02\x01}x"},
        {"[/[1][x]]", "{/{1}{x}}"},
        {"[Mtrx #3#2]", "{Mtrx \x03\x02}"},
        {"a#0b", "a0b"}, // "#0" would make a NUL that cuts the formula
        {"a##b", "a#b"}, // a "#" before a byte not above "0" is dropped and the byte kept
        {"a# b", "a b"},
        {"x+1#", "x+1"}, // a "#" before the NUL is dropped
        {"#[", "+"},     // "[" is 91, so the byte 43
        {"#\xff", "\xcf"},
        {full98 + "#2", full98 + "\x02"},                    // "#" and its byte are the field's last two
        {std::string(99, 'b') + "#", std::string(99, 'b')},  // "#" in the field's last byte is dropped
        {std::string(99, 'b') + "#2", std::string(99, 'b')}, // the byte after the field is not read
        {"", ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.formula);
        TFakeReceiver receiver;
        const auto frames =
            CommandFrames(receiver, [&] { return InsertCurve(test.formula.c_str(), "1", "", ""); });
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].Field(1), test.sent);
        EXPECT_TRUE(frames[1].FieldZeroFilled(1));
        EXPECT_EQ(frames[1].Field(2), "1");
    }
}

TEST(GuideCommands, ClickMoveMouseMatchesActionNamesInAnyCase)
{
    const struct {
        const char* name;
        int32_t code;
    } cases[] = {
        {"Zoom in", 301},
        {"zoom IN", 301},
        {"ZOOM OUT", 302},
        {"move origin", 304},
        {"Drag Grid", 303},
        {"tangent", 401},
        {"NORMAL", 402},
        {"horizontal line to curve", 411},
        {"Vertical Line To Curve", 412},
        {"line from origin to curve", 413},
        {"Horizontal line", 406},
        {"vertical line", 407},
        {"Line Through Origin", 408},
        {"Zoom", 0},
        {"Zoom in ", 0},
        {"Area", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name ? test.name : "NULL");
        TFakeReceiver receiver;
        const auto frames =
            CommandFrames(receiver, [&] { return ClickMoveMouse("0", "0", "1", "1", test.name); });
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].frame.code, 8);
        EXPECT_EQ(frames[1].frame.subCode, test.code);
    }
}

// The bytes of fields 1 to 4 up to their first zero.
std::string Joined(const TFakeReceiver::TRecorded& recorded)
{
    std::string joined(reinterpret_cast<const char*>(recorded.block.data()), 4 * GUIDE_FIELD_SIZE);
    return joined.substr(0, joined.find('\0'));
}

TEST(GuideCommands, QuestionsJoinTheirTextsCutAt400Bytes)
{
    const std::string sep(1, '\x7f');
    const std::string a(99, 'a'), b(99, 'b'), c(99, 'c'), d(99, 'd'), e(99, 'e'), f(99, 'f');
    const struct {
        const char* what;
        TCall call;
        int32_t subCode;
        std::string joined;
    } cases[] = {
        {"CoordQuestion of six long texts",
         [&] { return CoordQuestion(a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str(), f.c_str()); }, 3,
         a + sep + b + sep + c + sep + d + sep},
        {"CoordQuestion of short texts", [] { return CoordQuestion("Where?", "x", "y", "", nullptr, "1"); },
         3, "Where?" + sep + "x" + sep + "y" + sep + sep + sep + "1" + sep},
        {"RadioQuestion", [] { return RadioQuestion("Pick", "A", "B", "C", "D", "E", "F", "G", "H", "2"); },
         4,
         "Pick" + sep + "A" + sep + "B" + sep + "C" + sep + "D" + sep + "E" + sep + "F" + sep + "G" + sep +
             "H" + sep + "2" + sep},
        {"CheckQuestion", [] { return CheckQuestion("Tick", "1", "2", "3", "4", "5", "6", "7", "8", "9"); },
         5,
         "Tick" + sep + "1" + sep + "2" + sep + "3" + sep + "4" + sep + "5" + sep + "6" + sep + "7" + sep +
             "8" + sep + "9" + sep},
        {"a text cut in the middle",
         [&] {
             const std::string x(100, 'x'), y(100, 'y');
             return CoordQuestion(x.c_str(), x.c_str(), x.c_str(), y.c_str(), "z", "z");
         },
         3,
         std::string(100, 'x') + sep + std::string(100, 'x') + sep + std::string(100, 'x') + sep +
             std::string(97, 'y')},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        TFakeReceiver receiver;
        const auto frames = CommandFrames(receiver, test.call);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].frame.code, 21);
        EXPECT_EQ(frames[1].frame.subCode, test.subCode);
        EXPECT_EQ(Joined(frames[1]), test.joined);
        for (size_t index = test.joined.size(); index < 4 * GUIDE_FIELD_SIZE; ++index)
            ASSERT_EQ(frames[1].block[index], 0) << "byte " << index;
        EXPECT_EQ(frames[1].Field(5), "");
    }
}

TEST(GuideCommands, LogonPassesFourFields)
{
    char fields[4 * GUIDE_FIELD_SIZE] = {};
    const char* texts[] = {"pupil", "class 7", "", "2026"};
    for (int index = 0; index < 4; ++index)
        std::snprintf(fields + index * GUIDE_FIELD_SIZE, GUIDE_FIELD_SIZE, "%s", texts[index]);
    TFakeReceiver receiver;
    EXPECT_EQ(Logon(fields), 1);
    EXPECT_EQ(Logon(nullptr), 1);
    const auto frames = receiver.Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1].frame.code, 21);
    EXPECT_EQ(frames[1].frame.subCode, 1);
    for (int field = 1; field <= 4; ++field)
        EXPECT_EQ(frames[1].Field(field), texts[field - 1]);
    EXPECT_EQ(frames[1].Field(5), "");
    for (int field = 1; field <= 5; ++field)
        EXPECT_EQ(frames[3].Field(field), "") << "Logon(NULL) sends empty fields";
}

TEST(GuideCommands, BringingForwardClosesTheStartUpScreen)
{
    const struct {
        int32_t top;
        bool secondFrame;
    } cases[] = {
        {GUIDE_TARGET_MAIN, false},
        {GUIDE_TARGET_COORDINATE_EDITOR, true},
        {GUIDE_TARGET_DYNAMIC_EDITOR, true},
        {GUIDE_TARGET_STARTUP_SCREEN, true},
        {7, false},
        {-1, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.top);
        for (const bool plain : {true, false}) {
            TFakeReceiver receiver;
            receiver.SetTopWindow(test.top);
            EXPECT_EQ(plain ? Redraw() : OpenLCVFile("a", "1"), 1);
            const auto frames = receiver.Frames();
            ASSERT_EQ(frames.size(), test.secondFrame ? 3u : 2u);
            ExpectTopWindowQuestion(frames[0]);
            if (test.secondFrame) {
                EXPECT_EQ(frames[1].frame.target, test.top);
                EXPECT_EQ(frames[1].frame.code, 0);
                EXPECT_EQ(frames[1].frame.subCode, 0);
            }
            EXPECT_EQ(frames.back().frame.target, GUIDE_TARGET_MAIN);
            EXPECT_EQ(frames.back().frame.code, plain ? 18 : 0);
        }
    }
}

TEST(GuideCommands, CloseDialogsOnlyBringsTheProgramForward)
{
    for (const int32_t top : {GUIDE_TARGET_MAIN, GUIDE_TARGET_STARTUP_SCREEN}) {
        TFakeReceiver receiver;
        receiver.SetTopWindow(top);
        EXPECT_EQ(CloseDialogs(), 1) << "the program was reached";
        const auto frames = receiver.Frames();
        ASSERT_EQ(frames.size(), top == GUIDE_TARGET_MAIN ? 1u : 2u);
        ExpectTopWindowQuestion(frames[0]);
    }
}

TEST(GuideCommands, LumatutorHelpDoesNothing)
{
    TFakeReceiver receiver;
    EXPECT_EQ(LumatutorHelp(12), 0);
    EXPECT_TRUE(receiver.Frames().empty());
}

TEST(GuideCommands, AnswerOtherThanZeroMeansNotHandled)
{
    TFakeReceiver receiver;
    receiver.SetReply(18, 5);
    receiver.SetReply(0, 1);
    EXPECT_EQ(Redraw(), 0);
    EXPECT_EQ(OpenLCVFile("a", "1"), 0);
    EXPECT_EQ(DemoDraw(), 1);
}

} // namespace

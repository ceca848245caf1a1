// The guide channel's receiver on untrusted bytes, as it reads them from a connection and the shared
// block: the input is a connection's bytes (the first 16 a frame), then the block's contents, of whatever
// size the input leaves. The frame's route, the size rules of the unread bytes, the block read back
// through shared memory and the five fields decoded from it are each compared with a plain restatement
// of the rules.
#include "automation/guideframes.h"
#include "fuzzsupport.h"
#include "guidelib/guideprotocol.h"

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using fuzzsupport::Check;

// The frame's route against the protocol's rules.
void CheckRoute(const std::int32_t (&frame)[4])
{
    const TGuideFrameRoute route = RouteGuideFrame(frame);
    const bool known = frame[1] >= GUIDE_TARGET_MAIN && frame[1] <= GUIDE_TARGET_STARTUP_SCREEN;
    Check((route.route == TGuideRoute::Drop) == (frame[0] != GUIDE_MESSAGE || !known),
          "a frame is dropped that is ours, or kept that is not");
    if (route.route == TGuideRoute::Drop)
        return;
    Check(route.command.code == (frame[2] & 0xFFFF), "the code is not the low 16 bits");
    Check(route.command.subCode == frame[3], "the sub-code is not the frame's");
    Check(route.command.code >= 0 && route.command.code <= 0xFFFF, "the code is out of 16 bits");
    const TGuideRoute expected = frame[1] == GUIDE_TARGET_STARTUP_SCREEN ? TGuideRoute::CloseStartupScreen
                                 : frame[1] != GUIDE_TARGET_MAIN         ? TGuideRoute::AnswerZero
                                 : route.command.code == GUIDE_CODE_TOP_WINDOW ? TGuideRoute::TopWindow
                                                                               : TGuideRoute::Run;
    Check(route.route == expected, "the frame goes to the wrong place");
}

// The unread bytes' state for every count around a frame, with and without a command pending.
void CheckBytes(long long available)
{
    for (const bool pending : {false, true}) {
        const TGuideBytes state = GuideBytesState(available, pending);
        if (available > GuideFrameBytes || (pending && available > 0))
            Check(state == TGuideBytes::Broken, "bytes beyond the protocol are taken");
        else
            Check(state == (available == GuideFrameBytes ? TGuideBytes::Frame : TGuideBytes::Partial),
                  "a frame is missed or a partial frame taken");
    }
}

// The fields against the block's bytes: each up to its NUL within its 100 bytes.
void CheckFields(const std::string& block, const TGuideParameters& fields)
{
    for (std::size_t index = 0; index < fields.size(); ++index) {
        const TGuideField& field = fields[index];
        const std::size_t start = index * GUIDE_FIELD_SIZE;
        std::string_view slot = start < block.size() ? std::string_view(block).substr(start, GUIDE_FIELD_SIZE)
                                                     : std::string_view();
        slot = slot.substr(0, slot.find('\0'));
        Check(field.bytes == slot, "a field is not its bytes up to the NUL");
        Check(field.text.size() == static_cast<qsizetype>(field.bytes.size()), "a byte is not one character");
        if (field.isNumber) {
            Check(std::isfinite(field.value), "a number field holds no finite value");
            Check(!field.bytes.empty() && field.bytes.back() != ' ' && field.bytes.back() != '\t',
                  "a field with trailing blanks is a number");
            long double value = 0;
            Check(ParseDocumentReal(field.bytes, value), "a number field does not read as a number");
        } else {
            Check(field.value == 0, "a text field holds a value");
        }
        // The whole numbers the commands ask for: any, a line number, a colour, a family size.
        const int ranges[][2] = {{-1000000000, 1000000000}, {1, 3}, {0, 15}, {1, 99}};
        for (const auto& range : ranges) {
            int whole = -7;
            const bool taken = field.Whole(whole, range[0], range[1]);
            const bool expected = field.isNumber && field.value == std::floor(field.value) &&
                                  field.value >= range[0] && field.value <= range[1];
            Check(taken == expected, "a whole number is refused or a fraction or stranger taken");
            Check(taken ? whole == static_cast<int>(field.value) : whole == -7, "a whole number is misread");
        }
    }
}

// The block through shared memory as the receiver reads it: whole blocks of 500 bytes or more are read
// (their first 500 bytes), shorter ones refused with a reason.
void CheckBlock(const std::string& contents)
{
    static const std::string name = "/lumacurve-fuzz-guide-" + std::to_string(getpid());
    const int descriptor = shm_open(name.c_str(), O_CREAT | O_TRUNC | O_RDWR | O_CLOEXEC, 0600);
    Check(descriptor >= 0, "the fuzzer's own block cannot be made");
    Check(ftruncate(descriptor, static_cast<off_t>(contents.size())) == 0, "the block cannot be sized");
    Check(pwrite(descriptor, contents.data(), contents.size(), 0) == static_cast<ssize_t>(contents.size()),
          "the block cannot be written");
    close(descriptor);
    QString why;
    const auto block = ReadGuideBlock(name, why);
    shm_unlink(name.c_str());
    if (contents.size() < GUIDE_BLOCK_SIZE) {
        Check(!block.has_value() && !why.isEmpty(), "a short block is read");
        CheckFields(contents, DecodeGuideFields(contents));
        return;
    }
    Check(block.has_value(), "a whole block is refused");
    Check(*block == contents.substr(0, GUIDE_BLOCK_SIZE), "the block read differs from the one written");
    CheckFields(*block, DecodeGuideFields(*block));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t frame[4] = {};
    if (size > 0)
        std::memcpy(frame, data, std::min<std::size_t>(size, sizeof frame));
    CheckRoute(frame);
    const long long available = static_cast<long long>(std::min<std::size_t>(size, 40));
    CheckBytes(available);
    CheckBytes(available - 20);
    // The rest is the block, at most a little over its size.
    const std::string contents = size > sizeof frame
                                     ? std::string(reinterpret_cast<const char*>(data) + sizeof frame,
                                                   std::min<std::size_t>(size - sizeof frame, 600))
                                     : std::string();
    const TGuideFrameRoute route = RouteGuideFrame(frame);
    if (route.route == TGuideRoute::Run && GuideCodeReadsBlock(route.command.code))
        CheckBlock(contents);
    else
        CheckFields(contents, DecodeGuideFields(contents));
    return 0;
}

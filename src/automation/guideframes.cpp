// The guide channel as the receiver reads it: the bytes of a connection, the frames' routes, the shared
// block and its fields.
#include "automation/guideframes.h"

#include "guidelib/guideprotocol.h"
#include "platform/codepage.h"
#include "settings/mathsreader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

TGuideBytes GuideBytesState(long long available, bool commandPending)
{
    if (available > GuideFrameBytes || (available > 0 && commandPending))
        return TGuideBytes::Broken;
    return available == GuideFrameBytes ? TGuideBytes::Frame : TGuideBytes::Partial;
}

TGuideFrameRoute RouteGuideFrame(const std::int32_t (&frame)[4])
{
    TGuideFrameRoute route;
    if (frame[0] != GUIDE_MESSAGE)
        return route;
    route.command.code = frame[2] & 0xFFFF;
    route.command.subCode = frame[3];
    switch (frame[1]) {
    case GUIDE_TARGET_COORDINATE_EDITOR:
    case GUIDE_TARGET_DYNAMIC_EDITOR:
        route.route = TGuideRoute::AnswerZero;
        break;
    case GUIDE_TARGET_STARTUP_SCREEN:
        route.route = TGuideRoute::CloseStartupScreen;
        break;
    case GUIDE_TARGET_MAIN:
        route.route = route.command.code == GUIDE_CODE_TOP_WINDOW ? TGuideRoute::TopWindow : TGuideRoute::Run;
        break;
    default:
        break;
    }
    return route;
}

bool TGuideField::Whole(int& out, int lowest, int highest) const
{
    if (!isNumber || value != std::floor(value) || value < lowest || value > highest)
        return false;
    out = static_cast<int>(value);
    return true;
}

std::optional<std::string> ReadGuideBlock(const std::string& name, QString& why)
{
    const int descriptor = shm_open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0);
    if (descriptor < 0) {
        why = QStringLiteral("the shared block cannot be opened (%1)")
                  .arg(QString::fromLocal8Bit(strerror(errno)));
        return std::nullopt;
    }
    std::optional<std::string> block;
    struct stat status {};
    // Mapping more than the object holds would fault on reading; another user's block is not the guide's.
    if (fstat(descriptor, &status) != 0)
        why = QStringLiteral("the shared block cannot be examined");
    else if (status.st_uid != getuid())
        why = QStringLiteral("the shared block belongs to another user");
    else if (!S_ISREG(status.st_mode) || status.st_size < GUIDE_BLOCK_SIZE)
        why = QStringLiteral("the shared block is too small");
    else if (void* memory = mmap(nullptr, GUIDE_BLOCK_SIZE, PROT_READ, MAP_SHARED, descriptor, 0);
             memory == MAP_FAILED)
        why = QStringLiteral("the shared block cannot be mapped");
    else {
        block.emplace(static_cast<const char*>(memory), GUIDE_BLOCK_SIZE);
        munmap(memory, GUIDE_BLOCK_SIZE);
    }
    close(descriptor);
    return block;
}

TGuideParameters DecodeGuideFields(const std::string& block)
{
    TGuideParameters fields;
    for (std::size_t index = 0; index < fields.size(); ++index) {
        const std::size_t start = index * GUIDE_FIELD_SIZE;
        std::string bytes = start < block.size() ? block.substr(start, GUIDE_FIELD_SIZE) : std::string();
        if (const auto end = bytes.find('\0'); end != std::string::npos)
            bytes.resize(end);
        TGuideField& field = fields[index];
        field.text = AnsiToQString(bytes);
        // Leading blanks only: a number followed by anything, blanks too, is text.
        long double value = 0;
        field.isNumber =
            !bytes.empty() && bytes.back() != ' ' && bytes.back() != '\t' && ParseDocumentReal(bytes, value);
        field.isNumber = field.isNumber && std::isfinite(static_cast<double>(value));
        field.value = field.isNumber ? static_cast<double>(value) : 0;
        field.bytes = std::move(bytes);
    }
    return fields;
}

bool GuideCodeReadsBlock(int code)
{
    switch (code) {
    case 0:
    case 1:
    case 8:
    case 15:
    case 17:
    case 20:
        return true;
    default:
        return false;
    }
}

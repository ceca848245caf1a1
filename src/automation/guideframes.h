// The guide channel as the receiver reads it, free of sockets and windows:
// the size rules of a connection's unread bytes, where a whole frame goes,
// the shared block and the decoding of its five fields.
#pragma once

#include "automation/guidehost.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// The bytes of one frame: four native 32-bit integers.
inline constexpr long long GuideFrameBytes = sizeof(std::int32_t) * 4;

// What a connection's unread bytes are: a frame still arriving, one whole frame, or a break of the protocol
// (more than a frame, or any byte while that connection's command waits or runs: the sender waits for
// each answer).
enum class TGuideBytes { Partial, Frame, Broken };
[[nodiscard]] TGuideBytes GuideBytesState(long long available, bool commandPending);

// Where a whole frame goes: dropped with its connection (another message, an unknown target), answered 0
// at once (the editors take no commands), the start-up screen closed, the window on top answered, or the
// command run in the main window.
enum class TGuideRoute { Drop, AnswerZero, CloseStartupScreen, TopWindow, Run };
struct TGuideFrameRoute {
    TGuideRoute route = TGuideRoute::Drop;
    TGuideCommand command; // code (low 16 bits) and sub-code; the fields are read later
};
[[nodiscard]] TGuideFrameRoute RouteGuideFrame(const std::int32_t (&frame)[4]);

// The 500 bytes of the shared block, when it exists, belongs to this user and is big enough; else why not.
[[nodiscard]] std::optional<std::string> ReadGuideBlock(const std::string& name, QString& why);
// The five fields of a block's bytes (missing bytes count as NUL).
[[nodiscard]] TGuideParameters DecodeGuideFields(const std::string& block);
// Whether a command reads the shared block.
[[nodiscard]] bool GuideCodeReadsBlock(int code);

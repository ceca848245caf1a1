// A stand-in for the program's side of the guide channel: it listens on a Unix socket of its own under
// /tmp (named through LUMACURVE_GUIDE_SOCKET, with the block's name through LUMACURVE_GUIDE_BLOCK),
// answers frames from a thread, and records each frame with a copy of the shared block as it was when
// the frame arrived.
#pragma once

#include "guideprotocol.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TFakeReceiver {
public:
    struct TRecorded {
        TGuideFrame frame{};
        bool blockPresent = false;
        unsigned blockMode = 0;
        std::array<unsigned char, GUIDE_BLOCK_SIZE> block{};

        // Field N (1 first) up to its NUL, at most its 100 bytes.
        std::string Field(int number) const;
        // Whether every byte of field N after its text is zero.
        bool FieldZeroFilled(int number) const;
    };

    // Listens at SOCKETPATH, or at a fresh path of this process's under /tmp when empty; the socket's
    // and the block's variables are set for the library (the socket's only when NAMESOCKET).
    explicit TFakeReceiver(std::string socketPath = {}, bool nameSocket = true);
    ~TFakeReceiver();
    TFakeReceiver(const TFakeReceiver&) = delete;
    TFakeReceiver& operator=(const TFakeReceiver&) = delete;

    // The answer to the top-window question (code 16).
    void SetTopWindow(int32_t target) { topWindow_ = target; }
    // The answer to frames of CODE (0 unless set).
    void SetReply(int32_t code, int32_t reply);
    // Closes each connection after answering its first COUNT frames (0: at the first, unanswered); the
    // last answer goes out after the connection stopped reading, so a further frame meets a closed socket.
    void SetCloseAfter(int count) { closeAfter_ = count; }
    // Waits this long before answering each frame.
    void SetDelay(std::chrono::milliseconds delay) { delayMs_ = static_cast<int>(delay.count()); }

    [[nodiscard]] std::vector<TRecorded> Frames() const;
    [[nodiscard]] const std::string& BlockName() const { return blockName_; }
    [[nodiscard]] const std::string& SocketPath() const { return socketPath_; }

private:
    void Serve();
    void ServeConnection(int connection);
    TRecorded Record(const TGuideFrame& frame) const;

    std::string socketPath_;
    std::string blockName_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<int32_t> topWindow_{GUIDE_TARGET_MAIN};
    std::atomic<int> closeAfter_{-1};
    std::atomic<int> delayMs_{0};
    mutable std::mutex mutex_;
    std::map<int32_t, int32_t> replies_;
    std::vector<TRecorded> frames_;
    std::thread thread_;
};

// Whether the shared-memory object NAME exists.
bool BlockExists(const std::string& name);

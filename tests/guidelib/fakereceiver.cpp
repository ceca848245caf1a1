// The fake receiver of the guide channel tests.
#include "fakereceiver.h"

#include "unixsocket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::atomic<int> Serial{0};

bool ReadAll(int connection, void* data, size_t size)
{
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        const ssize_t got = recv(connection, bytes, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

} // namespace

std::string TFakeReceiver::TRecorded::Field(int number) const
{
    const auto* start = block.data() + (number - 1) * GUIDE_FIELD_SIZE;
    size_t length = 0;
    while (length < GUIDE_FIELD_SIZE && start[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(start), length);
}

bool TFakeReceiver::TRecorded::FieldZeroFilled(int number) const
{
    const auto* start = block.data() + (number - 1) * GUIDE_FIELD_SIZE;
    for (size_t index = Field(number).size(); index < GUIDE_FIELD_SIZE; ++index) {
        if (start[index] != 0)
            return false;
    }
    return true;
}

TFakeReceiver::TFakeReceiver(std::string socketPath, bool nameSocket)
{
    const std::string unique = std::to_string(getpid()) + "-" + std::to_string(Serial++);
    socketPath_ = socketPath.empty() ? "/tmp/lumatutor-test-" + unique + ".socket" : std::move(socketPath);
    blockName_ = "/lumatutor-test-" + unique;
    unlink(socketPath_.c_str());
    shm_unlink(blockName_.c_str());

    listener_ = BoundUnixSocket(socketPath_);
    if (listener_ < 0 || listen(listener_, 8) != 0)
        throw std::runtime_error("the fake receiver cannot listen at " + socketPath_);
    if (nameSocket)
        setenv(GUIDE_SOCKET_ENV, socketPath_.c_str(), 1);
    setenv(GUIDE_BLOCK_ENV, blockName_.c_str(), 1);
    thread_ = std::thread([this] { Serve(); });
}

TFakeReceiver::~TFakeReceiver()
{
    stop_ = true;
    thread_.join();
    close(listener_);
    unlink(socketPath_.c_str());
    shm_unlink(blockName_.c_str());
    unsetenv(GUIDE_SOCKET_ENV);
    unsetenv(GUIDE_BLOCK_ENV);
}

void TFakeReceiver::SetReply(int32_t code, int32_t reply)
{
    std::lock_guard lock(mutex_);
    replies_[code] = reply;
}

std::vector<TFakeReceiver::TRecorded> TFakeReceiver::Frames() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

void TFakeReceiver::Serve()
{
    while (!stop_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 20) <= 0)
            continue;
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            ServeConnection(connection);
            close(connection);
        }
    }
}

void TFakeReceiver::ServeConnection(int connection)
{
    TGuideFrame frame{};
    for (int answered = 0; ReadAll(connection, &frame, sizeof frame); ++answered) {
        TRecorded recorded = Record(frame);
        int32_t reply = 0;
        {
            std::lock_guard lock(mutex_);
            frames_.push_back(recorded);
            if (frame.code == GUIDE_CODE_TOP_WINDOW)
                reply = topWindow_;
            else if (const auto found = replies_.find(frame.code); found != replies_.end())
                reply = found->second;
        }
        if (answered == closeAfter_)
            return;
        if (delayMs_ > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
        // Taking no more before the last answer makes the sender's next write fail at once (EPIPE).
        const bool last = answered + 1 == closeAfter_;
        if (last)
            shutdown(connection, SHUT_RD);
        if (send(connection, &reply, sizeof reply, MSG_NOSIGNAL) != sizeof reply || last)
            return;
    }
}

TFakeReceiver::TRecorded TFakeReceiver::Record(const TGuideFrame& frame) const
{
    TRecorded recorded;
    recorded.frame = frame;
    const int descriptor = shm_open(blockName_.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (descriptor < 0)
        return recorded;
    struct stat status {};
    if (fstat(descriptor, &status) == 0 && status.st_size >= GUIDE_BLOCK_SIZE) {
        void* memory = mmap(nullptr, GUIDE_BLOCK_SIZE, PROT_READ, MAP_SHARED, descriptor, 0);
        if (memory != MAP_FAILED) {
            std::memcpy(recorded.block.data(), memory, GUIDE_BLOCK_SIZE);
            munmap(memory, GUIDE_BLOCK_SIZE);
            recorded.blockPresent = true;
            recorded.blockMode = status.st_mode & 0777;
        }
    }
    close(descriptor);
    return recorded;
}

bool BlockExists(const std::string& name)
{
    const int descriptor = shm_open(name.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (descriptor < 0)
        return false;
    close(descriptor);
    return true;
}

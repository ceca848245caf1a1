// A Unix-domain stream socket bound to a path, for tests that play the program's end of the guide
// channel or leave a socket file behind as a program that died would.
#pragma once

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A stream socket bound to path (not listening yet), or -1 when it cannot be made.
inline int BoundUnixSocket(const std::string& path)
{
    const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

// Leaves a socket file at path that nobody listens on; answers whether it was made.
inline bool LeaveDeadSocket(const std::string& path)
{
    const int descriptor = BoundUnixSocket(path);
    if (descriptor < 0)
        return false;
    close(descriptor);
    return true;
}

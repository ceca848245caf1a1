/* The sending side of the guide channel: the receiver's socket and the shared block. */
#define _GNU_SOURCE /* MSG_NOSIGNAL, SOCK_CLOEXEC, O_CLOEXEC */
#include "guidelib/guidechannel.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

/* The value of environment variable NAME when it is set and not empty, else NULL. */
static const char* Setting(const char* name)
{
    const char* value = getenv(name);
    return (value != NULL && value[0] != '\0') ? value : NULL;
}

/* Writes the receiver's socket path into PATH (SIZE bytes); 1 when it fits. */
static int SocketPath(char* path, size_t size)
{
    const char* chosen = Setting(GUIDE_SOCKET_ENV);
    const char* runtime = Setting("XDG_RUNTIME_DIR");
    int length;
    if (chosen != NULL)
        length = snprintf(path, size, "%s", chosen);
    else if (runtime != NULL)
        length = snprintf(path, size, "%s/%s", runtime, GUIDE_WINDOW_CLASS);
    else
        length = snprintf(path, size, "%s/%s-%lu", GUIDE_SOCKET_FALLBACK_FOLDER, GUIDE_WINDOW_CLASS,
                          (unsigned long)getuid());
    return length > 0 && (size_t)length < size;
}

int GuideConnect(void)
{
    struct sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (!SocketPath(address.sun_path, sizeof address.sun_path))
        return -1;
    const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0)
        return -1;
    int status = connect(connection, (const struct sockaddr*)&address, sizeof address);
    if (status != 0 && errno == EINTR) {
        /* The connection goes on being made; a second call tells when it is there. */
        status = connect(connection, (const struct sockaddr*)&address, sizeof address);
        if (status != 0 && errno == EISCONN)
            status = 0;
    }
    if (status != 0) {
        close(connection);
        return -1;
    }
    return connection;
}

void GuideDisconnect(int connection)
{
    if (connection >= 0)
        close(connection);
}

/* Writes all SIZE bytes of DATA; 1 when done. A receiver gone away gives 0, never SIGPIPE. */
static int WriteAll(int connection, const void* data, size_t size)
{
    const unsigned char* bytes = data;
    while (size > 0) {
        const ssize_t written = send(connection, bytes, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return 0;
        bytes += written;
        size -= (size_t)written;
    }
    return 1;
}

/* Reads exactly SIZE bytes into DATA; 0 on an error or when the other side closes first. */
static int ReadAll(int connection, void* data, size_t size)
{
    unsigned char* bytes = data;
    while (size > 0) {
        const ssize_t got = recv(connection, bytes, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        bytes += got;
        size -= (size_t)got;
    }
    return 1;
}

int GuideSendFrame(int connection, int32_t target, int32_t code, int32_t subCode, int32_t* reply)
{
    const TGuideFrame frame = {GUIDE_MESSAGE, target, code & 0xFFFF, subCode};
    TGuideReply answer = 0;
    if (connection < 0 || !WriteAll(connection, &frame, sizeof frame) ||
        !ReadAll(connection, &answer, sizeof answer))
        return 0;
    *reply = answer;
    return 1;
}

static int OpenNewBlock(const char* name)
{
    return shm_open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

/* Removes a block left under NAME by this user (a sender that died while sending); 1 when removed. A
 * block of another user is left alone. */
static int RemoveOwnLeftover(const char* name)
{
    const int descriptor = shm_open(name, O_RDONLY | O_CLOEXEC, 0);
    if (descriptor < 0)
        return errno == ENOENT; /* gone meanwhile: try again */
    struct stat status;
    const int own = fstat(descriptor, &status) == 0 && status.st_uid == geteuid();
    close(descriptor);
    return own && shm_unlink(name) == 0;
}

/* Sizes and fills the block just made; 1 on success. */
static int FillBlock(int descriptor, const unsigned char* fields)
{
    if (ftruncate(descriptor, GUIDE_BLOCK_SIZE) != 0)
        return 0;
    void* memory = mmap(NULL, GUIDE_BLOCK_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (memory == MAP_FAILED)
        return 0;
    memcpy(memory, fields, GUIDE_BLOCK_SIZE);
    munmap(memory, GUIDE_BLOCK_SIZE);
    return 1;
}

int GuideCreateBlock(TGuideBlock* block, const unsigned char* fields)
{
    const char* chosen = Setting(GUIDE_BLOCK_ENV);
    const int length =
        snprintf(block->name, sizeof block->name, "%s", chosen != NULL ? chosen : GUIDE_BLOCK_NAME);
    block->descriptor = -1;
    if (length <= 0 || (size_t)length >= sizeof block->name)
        return 0;
    int descriptor = OpenNewBlock(block->name);
    if (descriptor < 0 && errno == EEXIST && RemoveOwnLeftover(block->name))
        descriptor = OpenNewBlock(block->name);
    if (descriptor < 0)
        return 0;
    block->descriptor = descriptor;
    if (!FillBlock(descriptor, fields)) {
        GuideRemoveBlock(block);
        return 0;
    }
    return 1;
}

void GuideRemoveBlock(TGuideBlock* block)
{
    if (block->descriptor < 0)
        return;
    close(block->descriptor);
    block->descriptor = -1;
    shm_unlink(block->name);
}

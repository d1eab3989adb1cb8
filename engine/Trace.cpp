#include "engine/Trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vorex {

std::string TraceFolder() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir)
        return dir;
    return "/tmp";
}

namespace {

// A viewer that stops reading must not stop the engine: each piece waits a short
// while for room in the viewer's queue, then the rest of the text is dropped.
constexpr int kPieceWaitMs = 250;

bool SendPiece(int sock, const char (&piece)[4]) {
    for (;;) {
        if (send(sock, piece, sizeof piece, MSG_DONTWAIT | MSG_NOSIGNAL) == sizeof piece)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return false;
        pollfd p{sock, POLLOUT, 0};
        if (poll(&p, 1, kPieceWaitMs) <= 0)
            return false;
    }
}

} // namespace

void Trace(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SendTrace(text);
}

void SendTrace(const std::string& text) {
    const std::string folder = TraceFolder();
    sockaddr_un viewer{};
    viewer.sun_family = AF_UNIX;
    const std::string path = folder + "/NvkTracer";
    if (path.size() >= sizeof viewer.sun_path)
        return;
    std::memcpy(viewer.sun_path, path.c_str(), path.size() + 1);

    const int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return;
    // connect() fails unless a viewer has bound the socket: then nothing else is done.
    if (connect(sock, reinterpret_cast<const sockaddr*>(&viewer), sizeof viewer) != 0) {
        close(sock);
        return;
    }
    const std::string lockPath = folder + "/NvkTracerLock";
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock >= 0)
        flock(lock, LOCK_EX);
    for (size_t at = 0; at < text.size(); at += 4) {
        char piece[4] = {0, 0, 0, 0};
        std::memcpy(piece, text.data() + at, std::min<size_t>(4, text.size() - at));
        if (!SendPiece(sock, piece))
            break;
    }
    if (lock >= 0) {
        flock(lock, LOCK_UN);
        close(lock);
    }
    close(sock);
}

} // namespace vorex

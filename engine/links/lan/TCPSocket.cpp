#include "engine/links/lan/TCPSocket.h"

#include "engine/links/lan/LanDiscovery.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace vorex::lan {

namespace {

constexpr auto kHostResolveTimeout = std::chrono::milliseconds(200);

// Non-blocking connect that waits at most timeoutMs, or until `abortFd` (when not -1)
// becomes readable; the socket stays blocking-free.
bool ConnectWithin(int fd, const sockaddr_in& to, int timeoutMs, int abortFd, int& error) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
        return true;
    error = errno;
    if (error != EINPROGRESS)
        return false;
    pollfd p[2] = {{fd, POLLOUT, 0}, {abortFd, POLLIN, 0}};
    if (poll(p, abortFd >= 0 ? 2 : 1, timeoutMs) <= 0) {
        error = ETIMEDOUT;
        return false;
    }
    if (p[1].revents & POLLIN) {
        error = ECANCELED;
        return false;
    }
    socklen_t len = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
    return error == 0;
}

} // namespace

HostPort SplitHostPort(const std::string& name) {
    HostPort hp;
    const size_t dash = name.rfind('-');
    if (dash == std::string::npos) {
        hp.host = name;
        return hp;
    }
    hp.host = name.substr(0, dash);
    unsigned long port = 0;
    size_t i = dash + 1;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && port <= 65535; ++i)
        port = port * 10 + static_cast<unsigned long>(name[i] - '0');
    hp.port = port <= 65535 ? static_cast<uint16_t>(port) : 0;
    return hp;
}

CTCPSocket::CTCPSocket(LanEnvironment env) : env_(std::move(env)), adapters_(env_.adapters) {}

CTCPSocket::~CTCPSocket() {
    Close();
}

void CTCPSocket::Close() {
    CloseTaken(fd_.exchange(-1));
}

void CTCPSocket::CloseTaken(int fd) {
    if (fd < 0)
        return;
    // Wakes a receive blocked on the socket; it lets go of the descriptor before it is
    // closed, so that a number the system hands out again is never read by mistake.
    shutdown(fd, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(readLock_);
    close(fd);
}

bool CTCPSocket::Connect(int attempts) {
    const auto ip = Ipv4::Parse(host_);
    const auto local = adapters_.LocalAddress().empty() ? std::optional<Ipv4>(Ipv4{})
                                                        : Ipv4::Parse(adapters_.LocalAddress());
    if (!ip || !local || port_ == 0)
        return false;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on); // a failure is ignored
        // Requests are small and wait for their answer: send each at once.
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const sockaddr_in from = SocketAddress(*local, 0);
        int error = 0;
        if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0 &&
            ConnectWithin(fd, SocketAddress(*ip, port_), kConnectTimeoutMs, abortFd_, error)) {
            // Blocking from here on, so that a wait for an answer is a single receive;
            // a send that cannot go out within the connect time-out fails.
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            const timeval sendLimit{kConnectTimeoutMs / 1000, 0};
            setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
            receiveLimitMs_ = 0;
            fd_ = fd;
            connected_ = true;
            return true;
        }
        close(fd);
        if (error != EADDRINUSE && error != EADDRNOTAVAIL)
            return false;
    }
    return false;
}

bool CTCPSocket::ConnectToReader(const std::string& name) {
    std::string text = name;
    const size_t open = name.find('[');
    if (open != std::string::npos) {
        const size_t close = name.find(']', open);
        text = close == std::string::npos
                   ? std::string()
                   : LanDiscovery(env_).ResolveBracketName(name.substr(open, close - open + 1),
                                                           kHostResolveTimeout);
    }
    const HostPort hp = SplitHostPort(text);
    host_ = hp.host;
    port_ = hp.port;
    if (host_.empty())
        return false;
    adapters_.SelectFor(host_);
    return Connect(6);
}

bool CTCPSocket::EnsureConnected() {
    if (connected_)
        return true;
    if (host_.empty())
        return false;
    return Connect(1);
}

bool CTCPSocket::SendBlock(const uint8_t* bytes, size_t count) {
    if (!EnsureConnected())
        return false;
    size_t done = 0;
    while (done < count) {
        const int fd = fd_.load();
        if (fd < 0)
            break; // closed by the reader: this send fails, the next one reconnects
        const ssize_t n = send(fd, bytes + done, count - done, MSG_NOSIGNAL);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    if (done == count)
        return true;
    OnConnectionClosed();
    return false;
}

int CTCPSocket::Receive(int flags, bool deliver) {
    int ended = -1;
    {
        std::lock_guard<std::mutex> lock(readLock_);
        const int fd = fd_.load();
        if (fd < 0)
            return -1;
        uint8_t buffer[4096];
        const ssize_t n = recv(fd, buffer, sizeof buffer, flags);
        if (n > 0) {
            if (deliver && receiver_)
                receiver_(buffer, static_cast<size_t>(n));
            return static_cast<int>(n);
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return 0;
        // The reader closed the connection (or it broke): close the socket, leaving the
        // connected flag set, unless someone else closed it meanwhile.
        int expected = fd;
        if (!fd_.compare_exchange_strong(expected, -1))
            return -1;
        ended = fd;
    }
    CloseTaken(ended);
    return -1;
}

bool CTCPSocket::SetReceiveLimit(long ms) {
    if (ms == receiveLimitMs_)
        return true;
    const int fd = fd_.load();
    const timeval limit{ms / 1000, (ms % 1000) * 1000};
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) != 0)
        return false;
    receiveLimitMs_ = ms;
    return true;
}

void CTCPSocket::WaitForInput(std::chrono::steady_clock::time_point until, int interruptFd) {
    using namespace std::chrono;
    const auto left = until - steady_clock::now();
    if (left <= left.zero())
        return;
    // A long wait blocks in a single receive under the socket's receive time-out. The
    // system rounds that time-out up to its clock tick, so it stays at least
    // kReceiveTickMs short of `until` (in steps of that size, so that it seldom has to
    // be set anew); the rest of the wait, like every short one, polls with an exact
    // time-out.
    const long blockMs =
        (duration_cast<milliseconds>(left).count() / kReceiveTickMs - 1) * kReceiveTickMs;
    if (blockMs > 0 && fd_.load() >= 0 && SetReceiveLimit(blockMs)) {
        Receive(0, true);
        return;
    }
    const auto ns = duration_cast<nanoseconds>(left).count();
    const timespec timeout{static_cast<time_t>(ns / 1000000000),
                           static_cast<long>(ns % 1000000000)};
    const int fd = fd_.load();
    pollfd fds[2] = {{interruptFd, POLLIN, 0}, {fd, POLLIN, 0}};
    if (ppoll(fds, fd >= 0 ? 2 : 1, &timeout, nullptr) <= 0)
        return;
    if (fds[0].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t r = read(interruptFd, &count, sizeof count);
    }
    if (fd >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
        Receive(MSG_DONTWAIT, true);
}

void CTCPSocket::DrainInput() {
    // Bounded, so that a reader that never stops sending cannot hold the caller here.
    for (int i = 0; i < 64 && Receive(MSG_DONTWAIT, false) > 0; ++i) {
    }
}

void CTCPSocket::OnConnectionClosed() {
    connected_ = false;
    Close();
}

} // namespace vorex::lan

#include "TCPSocket.h"

#include "LanDiscovery.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorex::lan {

namespace {

constexpr auto kResolveTimeout = std::chrono::milliseconds(200);

// Non-blocking connect that waits at most timeoutMs; the socket stays blocking-free.
bool ConnectWithin(int fd, const sockaddr_in& to, int timeoutMs, int& error) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
        return true;
    error = errno;
    if (error != EINPROGRESS)
        return false;
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, timeoutMs) <= 0) {
        error = ETIMEDOUT;
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
    const int fd = fd_.exchange(-1);
    if (fd >= 0)
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
            ConnectWithin(fd, SocketAddress(*ip, port_), kConnectTimeoutMs, error)) {
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
                                                           kResolveTimeout);
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
        const ssize_t n = fd < 0 ? -1 : send(fd, bytes + done, count - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, kConnectTimeoutMs) > 0)
                continue;
        }
        OnConnectionClosed();
        return false;
    }
    return true;
}

void CTCPSocket::OnReadable() {
    const int fd = fd_.load();
    if (fd < 0)
        return;
    uint8_t buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
        if (receiver_)
            receiver_(buffer, static_cast<size_t>(n));
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    Close(); // the connected flag stays set
}

void CTCPSocket::OnConnectionClosed() {
    connected_ = false;
    Close();
}

} // namespace vorex::lan

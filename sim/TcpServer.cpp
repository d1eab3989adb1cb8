#include "sim/TcpServer.h"

#include "sim/AnswerQueue.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vsim {

TcpServer::TcpServer(ReaderModel& model) : model_(model) {}

TcpServer::~TcpServer() {
    Stop();
}

bool TcpServer::Start(const std::string& host, uint16_t port) {
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) != 1) {
        error_ = "\"" + host + "\" is no IPv4 address";
        return false;
    }
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr = address;
    if (listen_ < 0 || bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listen_, 4) != 0) {
        error_ =
            "cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    socklen_t len = sizeof a;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    host_ = host;
    port_ = ntohs(a.sin_port);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    stop_ = false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void TcpServer::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t w = write(wake_, &one, sizeof one);
        thread_.join();
    }
    for (int* fd : {&listen_, &wake_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

std::string TcpServer::LastPeerAddress() const {
    std::lock_guard<std::mutex> lock(peerLock_);
    return peer_;
}

void TcpServer::Serve() {
    AnswerQueue pending;
    int client = -1;
    uint8_t buffer[4096];
    auto drop = [&] {
        if (client >= 0)
            close(client);
        client = -1;
        pending.Clear();
    };
    while (!stop_) {
        pollfd fds[3] = {{wake_, POLLIN, 0}, {listen_, POLLIN, 0}, {client, POLLIN, 0}};
        const int r = ppoll(fds, client >= 0 ? 3 : 2, pending.Timeout(), nullptr);
        if (r < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            continue; // stop requested
        if (fds[1].revents & POLLIN) {
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            const int fd = accept4(listen_, reinterpret_cast<sockaddr*>(&peer), &len,
                                   SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
                drop();
                client = fd;
                const int on = 1;
                setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                char text[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
                {
                    std::lock_guard<std::mutex> lock(peerLock_);
                    peer_ = text;
                }
                ++connections_;
            }
        }
        if (client >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = read(client, buffer, sizeof buffer);
            if (n > 0)
                pending.Add(model_.Feed(buffer, static_cast<size_t>(n), Clock::now(), 0));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                drop();
        }
        Output o;
        while (client >= 0 && pending.TakeDue(Clock::now(), o)) {
            if (!WriteAll(client, o.bytes) || o.dropLink) {
                if (o.dropLink)
                    ++drops_;
                drop();
            }
        }
    }
    drop();
}

} // namespace vsim

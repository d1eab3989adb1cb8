#pragma once
// Serves a ReaderModel over TCP, as a reader with a network interface does: one
// listening socket, one connection at a time (a new connection replaces the old one).
// A drop_link fault closes the connection after its answer; the server keeps
// listening, so the host can connect again.
#include "sim/ReaderModel.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace vsim {

class TcpServer {
public:
    explicit TcpServer(ReaderModel& model);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Listens on host:port (port 0: any free port). False with Error() set on failure.
    bool Start(const std::string& host, uint16_t port);
    void Stop();
    const std::string& Host() const { return host_; }
    uint16_t Port() const { return port_; }
    // The name to open: "host-port".
    std::string PortName() const { return host_ + "-" + std::to_string(port_); }
    const std::string& Error() const { return error_; }

    int Connections() const { return connections_; } // accepted so far
    int Drops() const { return drops_; }             // closed by a fault
    std::string LastPeerAddress() const;             // address the last client came from

private:
    void Serve();

    ReaderModel& model_;
    std::string host_;
    uint16_t port_ = 0;
    int listen_ = -1;
    int wake_ = -1;
    std::string error_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> drops_{0};
    mutable std::mutex peerLock_;
    std::string peer_;
};

} // namespace vsim

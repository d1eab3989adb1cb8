#pragma once
// The TCP connection to a LAN reader. The link's worker connects; sends run on the
// sending thread (or the worker for queued blocks), reads on the thread that waits for
// an answer. The owner serialises the calls.
#include "engine/links/lan/LanAdapters.h"
#include "engine/links/lan/LanDatagram.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>

namespace vorex::lan {

// Host and port of a LAN name without brackets: "a.b.c.d-port" or "a.b.c.d" (port
// 10001). The port is the number after the last "-".
struct HostPort {
    std::string host;
    uint16_t port = kDefaultTcpPort;
};
HostPort SplitHostPort(const std::string& name);

class CTCPSocket {
public:
    using Receiver = std::function<void(const uint8_t* bytes, size_t count)>;
    static constexpr int kConnectTimeoutMs = 3000;

    explicit CTCPSocket(LanEnvironment env);
    ~CTCPSocket();
    CTCPSocket(const CTCPSocket&) = delete;
    CTCPSocket& operator=(const CTCPSocket&) = delete;

    void SetReceiver(Receiver receiver) { receiver_ = std::move(receiver); }
    // A connect in progress gives up as soon as this descriptor becomes readable.
    void SetAbortFd(int fd) { abortFd_ = fd; }

    // Resolves a bracketed name by discovery, picks the adapter that reaches the host
    // and connects from its address.
    bool ConnectToReader(const std::string& name);
    // Reconnects when the connection was closed; true when connected.
    bool EnsureConnected();
    // Sends the whole block; a failure closes the socket and clears the connected flag.
    bool SendBlock(const uint8_t* bytes, size_t count);
    // Waits until input arrives (and hands it to the receiver on this thread),
    // `interruptFd` (an eventfd) is signalled, the socket is closed or `until` passes;
    // may return early. When the reader closed the connection the socket is closed but
    // the connected flag stays, so the next send fails once and the one after it
    // reconnects.
    void WaitForInput(std::chrono::steady_clock::time_point until, int interruptFd);
    // Reads and drops everything waiting on the socket; a connection the reader closed
    // is closed as in WaitForInput.
    void DrainInput();
    // The connection broke: clears the connected flag and closes the socket.
    void OnConnectionClosed();
    void Close();

    int Fd() const { return fd_.load(); }
    bool Connected() const { return connected_; }
    // Connected and the socket still open: a send needs no (re)connect.
    bool Usable() const { return connected_ && fd_.load() >= 0; }
    const std::string& Host() const { return host_; }
    uint16_t Port() const { return port_; }
    const std::string& LocalAddress() const { return adapters_.LocalAddress(); }

private:
    bool Connect(int attempts);
    // One receive (flags as for recv); the bytes go to the receiver when `deliver`.
    // Returns their count, 0 when none came, -1 when the socket is (now) closed.
    int Receive(int flags, bool deliver);
    bool SetReceiveLimit(long ms);
    // Closes a descriptor already taken out of fd_.
    void CloseTaken(int fd);

    static constexpr long kReceiveTickMs = 20; // above the system's clock tick

    LanEnvironment env_;
    AdapterSelection adapters_;
    Receiver receiver_;
    std::atomic<int> fd_{-1};
    int abortFd_ = -1;
    std::mutex readLock_; // held while a receive uses the descriptor
    // The socket's receive time-out, 0 = none set; a reconnect on the worker resets it.
    std::atomic<long> receiveLimitMs_{0};
    bool connected_ = false;
    std::string host_;
    uint16_t port_ = kDefaultTcpPort;
};

} // namespace vorex::lan

#pragma once
// The TCP connection to a LAN reader. All calls run on the link's worker thread; the
// received bytes go to the receiver as they arrive.
#include "LanAdapters.h"
#include "LanDatagram.h"

#include <atomic>
#include <functional>
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

    // Resolves a bracketed name by discovery, picks the adapter that reaches the host
    // and connects from its address.
    bool ConnectToReader(const std::string& name);
    // Reconnects when the connection was closed; true when connected.
    bool EnsureConnected();
    // Sends the whole block; a failure closes the socket and clears the connected flag.
    bool SendBlock(const uint8_t* bytes, size_t count);
    // The socket is readable: hands what arrived to the receiver. When the reader
    // closed the connection the socket is closed but the connected flag stays, so the
    // next send fails once and the one after it reconnects.
    void OnReadable();
    // The connection broke: clears the connected flag and closes the socket.
    void OnConnectionClosed();
    void Close();

    int Fd() const { return fd_.load(); }
    bool Connected() const { return connected_; }
    const std::string& Host() const { return host_; }
    uint16_t Port() const { return port_; }
    const std::string& LocalAddress() const { return adapters_.LocalAddress(); }

private:
    bool Connect(int attempts);

    LanEnvironment env_;
    AdapterSelection adapters_;
    Receiver receiver_;
    std::atomic<int> fd_{-1};
    bool connected_ = false;
    std::string host_;
    uint16_t port_ = kDefaultTcpPort;
};

} // namespace vorex::lan

#pragma once
// One UDP socket of the datagram protocol, bound to a local adapter address, that sends
// requests to one reader or as a broadcast and waits for their answers.
#include "engine/links/lan/LanDatagram.h"

#include <chrono>
#include <functional>
#include <string>

namespace vorex::lan {

struct Datagram {
    uint8_t type = 0;
    Ipv4 sender;
    Bytes payload;
};

class DatagramChannel {
public:
    // Quiet time after which a wait for an answer gives up.
    static constexpr std::chrono::milliseconds kQuietTime{500};

    DatagramChannel() = default;
    ~DatagramChannel();
    DatagramChannel(const DatagramChannel&) = delete;
    DatagramChannel& operator=(const DatagramChannel&) = delete;

    // Binds a UDP socket to localAddress (empty = any), port 0, broadcasts allowed.
    // host: the reader ("255.255.255.255" means broadcast); broadcast: where broadcasts
    // go on this adapter; port: the readers' datagram port.
    bool Open(const std::string& localAddress, const std::string& host,
              const std::string& broadcast, uint16_t port);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Host() const { return host_; }
    void SetHost(const std::string& host) { host_ = host; }

    bool Send(const Bytes& datagram, bool broadcast);
    // Waits for an answer that `accept` takes; any other datagram restarts the quiet
    // time. False when the quiet time passes without a datagram.
    bool WaitFor(const std::function<bool(const Datagram&)>& accept, Datagram& answer,
                 std::chrono::milliseconds quiet = kQuietTime);
    // Next datagram within `timeout`, false when none came.
    bool Receive(Datagram& out, std::chrono::milliseconds timeout);

    // Record query of records 0..15: an answer of the expected type with at least 120
    // payload bytes from the host.
    bool QueryRecord(int record, Bytes& answer, bool broadcast);
    // Record write; the first answer of the write's answer type is taken.
    bool WriteRecord(int record, const Bytes& payload);
    // Broadcast probe; a 0xF7 answer with at least 26 payload bytes from the host.
    bool ProbeReader(Bytes& answer);
    bool SendAddressSetup(const Bytes& setup, bool extended);
    bool SendRestart();

private:
    bool ToHostIsBroadcast() const { return host_ == "255.255.255.255"; }

    int fd_ = -1;
    std::string host_;
    std::string broadcast_;
    uint16_t port_ = kDatagramPort;
    Ipv4 localAddress_;
    uint16_t localPort_ = 0;
};

} // namespace vorex::lan

#include "engine/links/lan/DatagramChannel.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorex::lan {

namespace {

using Clock = std::chrono::steady_clock;

// Largest datagram read; longer ones are cut (the readers send at most 513 bytes).
constexpr size_t kMaxDatagram = 2048;

} // namespace

DatagramChannel::~DatagramChannel() {
    Close();
}

bool DatagramChannel::Open(const std::string& localAddress, const std::string& host,
                           const std::string& broadcast, uint16_t port) {
    Close();
    host_ = host;
    broadcast_ = broadcast;
    port_ = port;
    Ipv4 local;
    if (!localAddress.empty()) {
        const auto parsed = Ipv4::Parse(localAddress);
        if (!parsed)
            return false;
        local = *parsed;
    }
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    const sockaddr_in bindTo = SocketAddress(local, 0);
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&bindTo), sizeof bindTo) != 0) {
        Close();
        return false;
    }
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on); // a failure is ignored
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &len);
    localAddress_ = Ipv4::FromValue(ntohl(bound.sin_addr.s_addr));
    localPort_ = ntohs(bound.sin_port);
    return true;
}

void DatagramChannel::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool DatagramChannel::Send(const Bytes& datagram, bool broadcast) {
    if (fd_ < 0 || datagram.empty())
        return false;
    // Broadcasts go to the adapter's broadcast address; without one nothing is sent.
    const std::string& target = broadcast || ToHostIsBroadcast() ? broadcast_ : host_;
    const auto ip = Ipv4::Parse(target);
    if (!ip)
        return false;
    const sockaddr_in to = SocketAddress(*ip, port_);
    const ssize_t n = sendto(fd_, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return n == static_cast<ssize_t>(datagram.size());
}

bool DatagramChannel::Receive(Datagram& out, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    uint8_t buffer[kMaxDatagram];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0)
            return false;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) {
            if (Clock::now() >= deadline)
                return false;
            continue;
        }
        out.sender = Ipv4::FromValue(ntohl(from.sin_addr.s_addr));
        // The socket's own broadcast, should it come back, is not an answer.
        if (out.sender == localAddress_ && ntohs(from.sin_port) == localPort_)
            continue;
        if (!SplitDatagram(buffer, static_cast<size_t>(n), out.type, out.payload))
            out = Datagram{0, out.sender, {}}; // too short: still restarts the quiet time
        return true;
    }
}

bool DatagramChannel::WaitFor(const std::function<bool(const Datagram&)>& accept, Datagram& answer,
                              std::chrono::milliseconds quiet) {
    // Other datagrams restart the quiet time, but a stream of them does not hold the
    // caller for ever.
    const auto giveUp = Clock::now() + 20 * quiet;
    Datagram d;
    while (Clock::now() < giveUp && Receive(d, quiet)) {
        if (accept(d)) {
            answer = std::move(d);
            return true;
        }
    }
    return false;
}

bool DatagramChannel::QueryRecord(int record, Bytes& answer, bool broadcast) {
    if (fd_ < 0 || record < 0 || record > kLastRecord)
        return false;
    if (!Send(RecordQuery(record), broadcast))
        return false;
    const uint8_t type = QueryAnswerType(record);
    Datagram d;
    if (!WaitFor(
            [&](const Datagram& g) {
                return g.type == type && g.payload.size() >= kRecordMinBytes &&
                       g.sender.Text() == host_;
            },
            d))
        return false;
    answer = std::move(d.payload);
    return true;
}

bool DatagramChannel::WriteRecord(int record, const Bytes& payload) {
    if (fd_ < 0 || record < 0 || record > kLastRecord)
        return false;
    if (!Send(RecordWrite(record, payload), false))
        return false;
    const uint8_t type = WriteAnswerType(record);
    Datagram d;
    return WaitFor([&](const Datagram& g) { return g.type == type; }, d);
}

bool DatagramChannel::ProbeReader(Bytes& answer) {
    if (!Send(ProbeRequest(), true))
        return false;
    Datagram d;
    if (!WaitFor(
            [&](const Datagram& g) {
                return g.type == kProbeAnswerType && g.payload.size() >= kProbeMinBytes &&
                       g.sender.Text() == host_;
            },
            d))
        return false;
    answer = std::move(d.payload);
    return true;
}

bool DatagramChannel::SendAddressSetup(const Bytes& setup, bool extended) {
    return Send(AddressSetupRequest(setup, extended), true);
}

bool DatagramChannel::SendRestart() {
    return Send(RestartRequest(), false);
}

} // namespace vorex::lan

#include "sim/LanResponder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vsim {

using namespace vorex::lan;

namespace {

constexpr size_t kModelAt = 93;

int BoundSocket(const Ipv4& address, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    // Several responders share the port: each hears the broadcasts.
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address.Value());
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

Bytes Datagram(uint8_t type, const Bytes& payload) {
    Bytes d{0x00, 0x00, 0x00, type};
    d.insert(d.end(), payload.begin(), payload.end());
    return d;
}

} // namespace

LanRecords LanRecords::Make(const std::string& name, const std::string& address, unsigned hostBits,
                            const std::string& gateway, uint16_t port, const std::string& model) {
    LanRecords r;
    Record0 f;
    f.address = Ipv4::Parse(address).value_or(Ipv4{});
    f.hostBits = hostBits;
    f.gateway = Ipv4::Parse(gateway).value_or(Ipv4{});
    f.port = port;
    f.name = name;
    StoreRecord0(r.record0, f);
    StoreRecord3Name(r.record3, name);
    // Address setups are broadcast and picked by MAC: each name gets its own.
    uint32_t hash = 2166136261u;
    for (char c : name)
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    r.mac = {0x00,
             0x20,
             0x4A,
             static_cast<uint8_t>(hash >> 16),
             static_cast<uint8_t>(hash >> 8),
             static_cast<uint8_t>(hash)};
    std::fill(r.record2.begin(), r.record2.end(), 0);
    for (size_t i = 0; i < model.size() && kModelAt + i + 1 < r.record2.size(); ++i)
        r.record2[kModelAt + i] = static_cast<uint8_t>(model[i]);
    return r;
}

Record0 LanRecords::Fields() const {
    return ReadRecord0(record0).value_or(Record0{});
}

std::string LanRecords::Model() const {
    return ModelText(record2);
}

LanResponder::LanResponder(LanRecords records, std::string answerFrom, uint16_t datagramPort,
                           std::string broadcast)
    : records_(std::move(records)), answerFrom_(std::move(answerFrom)), port_(datagramPort),
      broadcast_(std::move(broadcast)) {}

LanResponder::~LanResponder() {
    Stop();
}

bool LanResponder::BindUnicast(const std::string& address) {
    const auto ip = Ipv4::Parse(address);
    const int fd = ip ? BoundSocket(*ip, port_) : -1;
    if (fd < 0)
        return false;
    if (unicastFd_ >= 0)
        close(unicastFd_);
    unicastFd_ = fd;
    answerFrom_ = address;
    return true;
}

bool LanResponder::Start() {
    const auto broadcast = Ipv4::Parse(broadcast_);
    broadcastFd_ = broadcast ? BoundSocket(*broadcast, port_) : -1;
    if (broadcastFd_ < 0 || !BindUnicast(answerFrom_)) {
        error_ = "cannot listen for datagrams on " + answerFrom_ + ":" + std::to_string(port_) +
                 ": " + std::strerror(errno);
        Stop();
        return false;
    }
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    stop_ = false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void LanResponder::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t w = write(wake_, &one, sizeof one);
        thread_.join();
    }
    for (int* fd : {&broadcastFd_, &unicastFd_, &wake_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

LanRecords LanResponder::Records() {
    std::lock_guard<std::mutex> lock(lock_);
    return records_;
}

std::string LanResponder::AnswerFrom() {
    std::lock_guard<std::mutex> lock(lock_);
    return answerFrom_;
}

std::vector<uint8_t> LanResponder::Requests() {
    std::lock_guard<std::mutex> lock(lock_);
    return requests_;
}

std::vector<bool> LanResponder::Setups() {
    std::lock_guard<std::mutex> lock(lock_);
    return setups_;
}

void LanResponder::Serve() {
    uint8_t buffer[2048];
    while (!stop_) {
        pollfd fds[3] = {{wake_, POLLIN, 0}, {broadcastFd_, POLLIN, 0}, {unicastFd_, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0)
            continue;
        for (int i = 1; i < 3; ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(fds[i].fd, buffer, sizeof buffer, 0,
                                       reinterpret_cast<sockaddr*>(&from), &len);
            if (n > 0 && !silent_) {
                std::lock_guard<std::mutex> lock(lock_);
                Handle(buffer, static_cast<size_t>(n), from);
            }
        }
    }
}

void LanResponder::Answer(const Bytes& datagram, const sockaddr_in& to) {
    sendto(unicastFd_, datagram.data(), datagram.size(), MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void LanResponder::Handle(const uint8_t* data, size_t size, const sockaddr_in& from) {
    uint8_t type = 0;
    Bytes payload;
    if (!SplitDatagram(data, size, type, payload))
        return;
    requests_.push_back(type);
    Bytes* records[16] = {&records_.record0, nullptr, &records_.record2, &records_.record3};
    if (type == 0xF8 || (type > 0xE0 && type <= 0xEF)) { // record query
        const int r = type == 0xF8 ? 0 : type - 0xE0;
        const Bytes empty(kRecordMinBytes);
        Answer(Datagram(QueryAnswerType(r), records[r] ? *records[r] : empty), from);
    } else if (type == 0xFD || (type > 0xC0 && type <= 0xCF)) { // record write
        const int r = type == 0xFD ? 0 : type - 0xC0;
        if (records[r] && payload.size() >= kRecordMinBytes)
            *records[r] = payload;
        Answer(Datagram(WriteAnswerType(r), {}), from);
    } else if (type == 0xF6) { // probe
        Bytes answer(kProbeMinBytes);
        if (records_.makerTag) {
            answer[11] = 'N';
            answer[12] = 'V';
            answer[13] = 'K';
        }
        std::copy(records_.mac.begin(), records_.mac.end(), answer.begin() + 20);
        Answer(Datagram(kProbeAnswerType, answer), from);
    } else if (type == 0xFC && payload.size() >= 10 &&
               std::equal(payload.begin(), payload.begin() + 8, "IP-SETUP")) {
        ApplySetup(Bytes(payload.begin() + 10, payload.end()), payload[8] == 'E');
    } else if (type == 0x03 && payload.size() >= 2 && payload[0] == 0x58 && payload[1] == 0x33)
        MoveTo(records_.Fields().address); // a record-0 write takes effect now
}

void LanResponder::MoveTo(const Ipv4& address) {
    // A reader with a fixed address answers from it; one that obtains its address
    // automatically keeps the one it has. Only loopback addresses are taken.
    if (!address.IsZero() && address.bytes[0] == 127 && address.Text() != answerFrom_)
        BindUnicast(address.Text());
}

void LanResponder::ApplySetup(const Bytes& setup, bool extended) {
    Record0 f = records_.Fields();
    if (extended) {
        if (setup.size() < 36 ||
            !std::equal(records_.mac.begin(), records_.mac.end(), setup.begin()))
            return;
        std::copy(setup.begin() + 6, setup.begin() + 10, f.address.bytes.begin());
        f.port = static_cast<uint16_t>(setup[10] | setup[11] << 8);
        Ipv4 mask;
        std::copy(setup.begin() + 12, setup.begin() + 16, mask.bytes.begin());
        f.hostBits = HostBitsOfMask(mask);
        std::copy(setup.begin() + 16, setup.begin() + 20, f.gateway.bytes.begin());
        f.name.assign(setup.begin() + 20, std::find(setup.begin() + 20, setup.begin() + 36, 0));
        StoreRecord3Name(records_.record3, f.name);
    } else {
        if (setup.size() < 6 || setup[0] != records_.mac[4] || setup[1] != records_.mac[5])
            return;
        std::copy(setup.begin() + 2, setup.begin() + 6, f.address.bytes.begin());
    }
    setups_.push_back(extended);
    StoreRecord0(records_.record0, f);
    MoveTo(f.address); // the setup takes effect at once
}

} // namespace vsim

#include "sim/BtModule.h"

#include <algorithm>

namespace vsim {
namespace {

constexpr uint8_t kConfirmation = 0x43;
constexpr uint8_t kIndication = 0x69;
// Reader answers go back in data indications of at most this many bytes.
constexpr size_t kDataChunk = 300;
// Reason byte of a disconnect indication: the remote device ended the link.
constexpr uint8_t kRemoteEnded = 0x13;

Bytes AddressBytes(const BtAddress& a) {
    return Bytes(a.begin(), a.end());
}

Output At(Clock::time_point when, Bytes bytes) {
    return Output{std::move(bytes), when};
}

} // namespace

Bytes BtPacket(uint8_t type, uint8_t opcode, const Bytes& payload) {
    const auto low = static_cast<uint8_t>(payload.size() & 0xFF);
    const auto high = static_cast<uint8_t>(payload.size() >> 8);
    Bytes packet{0x02, type, opcode, low, high, static_cast<uint8_t>(type + opcode + low + high)};
    packet.insert(packet.end(), payload.begin(), payload.end());
    packet.push_back(0x03);
    return packet;
}

void BtModule::AddDevice(BtDevice device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.push_back(std::move(device));
}

BtDevice* BtModule::Find(const uint8_t* address) {
    for (auto& d : devices_)
        if (std::equal(d.address.begin(), d.address.end(), address))
            return &d;
    return nullptr;
}

std::vector<Output> BtModule::Feed(const uint8_t* bytes, size_t count, Clock::time_point now,
                                   uint32_t /*hostBaud*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.insert(pending_.end(), bytes, bytes + count);
    std::vector<Output> out;
    for (;;) {
        const auto start = std::find(pending_.begin(), pending_.end(), 0x02);
        pending_.erase(pending_.begin(), start);
        if (pending_.size() < 7)
            break;
        const size_t length = pending_[3] | static_cast<size_t>(pending_[4]) << 8;
        const bool headerOk =
            pending_[1] == 0x52 && pending_[5] == static_cast<uint8_t>(pending_[1] + pending_[2] +
                                                                       pending_[3] + pending_[4]);
        if (!headerOk) {
            pending_.erase(pending_.begin());
            continue;
        }
        if (pending_.size() < length + 7)
            break;
        if (pending_[length + 6] != 0x03) {
            pending_.erase(pending_.begin());
            continue;
        }
        const uint8_t opcode = pending_[2];
        const Bytes payload(pending_.begin() + 6, pending_.begin() + 6 + static_cast<long>(length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(length) + 7);
        requests_.push_back(BtRequest{opcode, payload, now});
        auto answers = Handle(opcode, payload, now);
        out.insert(out.end(), std::make_move_iterator(answers.begin()),
                   std::make_move_iterator(answers.end()));
    }
    return out;
}

std::vector<Output> BtModule::Handle(uint8_t opcode, const Bytes& p, Clock::time_point now) {
    std::vector<Output> out;
    switch (opcode) {
    case 0x00: { // inquiry: one result per device in range, then the confirmation
        auto when = now;
        for (const auto& d : devices_) {
            when += std::chrono::milliseconds(kInquiryStepMs);
            Bytes result = AddressBytes(d.address);
            for (int shift = 0; shift < 24; shift += 8)
                result.push_back(static_cast<uint8_t>(d.deviceClass >> shift));
            out.push_back(At(when, BtPacket(kIndication, 0x01, result)));
        }
        out.push_back(At(when + std::chrono::milliseconds(kInquiryStepMs),
                         BtPacket(kConfirmation, 0x00, {0x00})));
        break;
    }
    case 0x26: // inquiry cancel
        out.push_back(At(now, BtPacket(kIndication, 0x25, {0x00})));
        break;
    case 0x02: { // remote name
        if (p.size() < 6)
            break;
        BtDevice* d = Find(p.data());
        Bytes answer{d ? uint8_t{0} : uint8_t{4}};
        answer.insert(answer.end(), p.begin(), p.begin() + 6);
        if (d && d->nameNever)
            break;
        const bool empty = !d || d->emptyNames != 0;
        if (d && d->emptyNames > 0)
            --d->emptyNames;
        const std::string name = empty ? std::string{} : d->name;
        answer.push_back(static_cast<uint8_t>(std::min<size_t>(name.size(), 248)));
        answer.insert(answer.end(), name.begin(), name.begin() + answer.back());
        out.push_back(At(now + std::chrono::milliseconds(d ? d->nameDelayMs : 0),
                         BtPacket(kConfirmation, 0x02, answer)));
        break;
    }
    case 0x0A: { // connect [2][address][parameter]
        if (p.size() < 8)
            break;
        BtDevice* d = Find(p.data() + 1);
        if (!d || d->connectFailures != 0) {
            if (d && d->connectFailures > 0)
                --d->connectFailures;
            out.push_back(
                At(now, BtPacket(kConfirmation, 0x0A, {d ? d->connectStatus : uint8_t{4}, 0})));
            break;
        }
        connected_ = d;
        dataPackets_ = 0;
        out.push_back(At(now, BtPacket(kConfirmation, 0x0A, {0x00, 0x00})));
        Bytes indication{0x00};
        indication.insert(indication.end(), d->address.begin(), d->address.end());
        indication.insert(indication.end(), {0x02, p[7]});
        out.push_back(
            At(now + std::chrono::milliseconds(5), BtPacket(kIndication, 0x0B, indication)));
        break;
    }
    case 0x0D: // disconnect
        if (connected_) {
            connected_ = nullptr;
            out.push_back(At(now, BtPacket(kIndication, 0x0E, {0x02, 0x16})));
        }
        out.push_back(At(now, BtPacket(kIndication, 0x51, {0x00})));
        break;
    case 0x0F:
        return Data(p, now);
    default:
        break;
    }
    return out;
}

std::vector<Output> BtModule::Data(const Bytes& p, Clock::time_point now) {
    std::vector<Output> out;
    out.push_back(At(now, BtPacket(kConfirmation, 0x0F, {0x00})));
    if (!connected_ || !connected_->reader || p.size() < 3 || p[0] != 0x02)
        return out;
    const size_t n = std::min<size_t>(p[1] | static_cast<size_t>(p[2]) << 8, p.size() - 3);
    ++dataPackets_;
    if (connected_->dropAfterData >= 0 && dataPackets_ >= connected_->dropAfterData) {
        connected_->dropAfterData = -1;
        connected_ = nullptr;
        out.push_back(At(now, BtPacket(kIndication, 0x0E, {0x02, kRemoteEnded})));
        return out;
    }
    for (Output& answer : connected_->reader->Feed(p.data() + 3, n, now, 0)) {
        for (size_t at = 0; at < answer.bytes.size(); at += kDataChunk) {
            const size_t chunk = std::min(kDataChunk, answer.bytes.size() - at);
            Bytes data{0x02, static_cast<uint8_t>(chunk & 0xFF), static_cast<uint8_t>(chunk >> 8)};
            data.insert(data.end(), answer.bytes.begin() + static_cast<long>(at),
                        answer.bytes.begin() + static_cast<long>(at + chunk));
            out.push_back(At(answer.when, BtPacket(kIndication, 0x10, data)));
        }
        if (answer.dropLink) {
            connected_ = nullptr;
            out.push_back(At(answer.when, BtPacket(kIndication, 0x0E, {0x02, kRemoteEnded})));
            break;
        }
    }
    return out;
}

Bytes BtModule::DropConnection() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connected_)
        return {};
    connected_ = nullptr;
    return BtPacket(kIndication, 0x0E, {0x02, kRemoteEnded});
}

bool BtModule::Connected() {
    std::lock_guard<std::mutex> lock(mutex_);
    return connected_ != nullptr;
}

std::vector<BtRequest> BtModule::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void BtModule::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

ReaderModel* BtModule::Reader(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& d : devices_)
        if (d.name == name)
            return d.reader.get();
    return nullptr;
}

void BtModule::SetConnectFailures(const std::string& name, int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& d : devices_)
        if (d.name == name)
            d.connectFailures = count;
}

} // namespace vsim

#include "engine/links/bluetooth/BluetoothPacket.h"

#include <algorithm>
#include <cstring>

namespace vorex::links::bt {
namespace {

uint8_t Checksum(uint8_t type, uint8_t opcode, uint8_t lengthLow, uint8_t lengthHigh) {
    return static_cast<uint8_t>(type + opcode + lengthLow + lengthHigh);
}

} // namespace

std::vector<uint8_t> BuildPacket(uint8_t type, uint8_t opcode, const uint8_t* payload,
                                 size_t count) {
    count = std::min<size_t>(count, 0xFFFF);
    const auto low = static_cast<uint8_t>(count & 0xFF);
    const auto high = static_cast<uint8_t>(count >> 8);
    std::vector<uint8_t> packet{kStart, type, opcode, low, high, Checksum(type, opcode, low, high)};
    if (count > 0)
        packet.insert(packet.end(), payload, payload + count);
    packet.push_back(kEnd);
    return packet;
}

uint8_t InquiryCount(uint32_t timeoutMs) {
    const auto n = static_cast<uint8_t>(timeoutMs / 1300 - 1);
    return std::min<uint8_t>(n, 48);
}

size_t PacketCutter::Append(const uint8_t* bytes, size_t count) {
    const size_t taken = std::min(count, Room());
    if (taken > 0)
        std::memcpy(raw_ + count_, bytes, taken);
    count_ += taken;
    return taken;
}

void PacketCutter::Commit(size_t count) {
    count_ += std::min(count, Room());
}

void PacketCutter::Drop(size_t count) {
    count = std::min(count, count_);
    std::memmove(raw_, raw_ + count, count_ - count);
    count_ -= count;
}

bool PacketCutter::Next(Packet& packet) {
    while (count_ >= kOverhead) {
        if (raw_[0] != kStart) {
            const void* start = std::memchr(raw_ + 1, kStart, count_ - 1);
            Drop(start ? static_cast<size_t>(static_cast<const uint8_t*>(start) - raw_) : count_);
            continue;
        }
        const size_t length = raw_[3] | static_cast<size_t>(raw_[4]) << 8;
        if (raw_[5] != Checksum(raw_[1], raw_[2], raw_[3], raw_[4]) ||
            length + kOverhead > kRawCapacity) {
            Drop(1);
            continue;
        }
        if (count_ < length + kOverhead)
            return false; // the rest has not arrived yet
        if (raw_[length + kOverhead - 1] != kEnd) {
            Drop(1);
            continue;
        }
        packet.code = EventCode(raw_[2], raw_[1]);
        packet.payload.assign(raw_ + 6, raw_ + 6 + length);
        Drop(length + kOverhead);
        return true;
    }
    return false;
}

} // namespace vorex::links::bt

#pragma once
// The Bluetooth module's packet format, both directions:
//   0x02, type, opcode, length (2 bytes, little-endian), checksum, payload, 0x03
// with checksum = (type + opcode + length bytes) mod 256. A received packet is named by
// its event code, opcode * 256 + type.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorex::links::bt {

constexpr uint8_t kStart = 0x02;
constexpr uint8_t kEnd = 0x03;
constexpr uint8_t kRequest = 0x52;
constexpr uint8_t kConfirmation = 0x43;
constexpr uint8_t kIndication = 0x69;
// Start, type, opcode, two length bytes, checksum, end.
constexpr size_t kOverhead = 7;
// The raw buffer: bytes read from the adapter and not yet cut into packets.
constexpr size_t kRawCapacity = 1000;

constexpr uint16_t EventCode(uint8_t opcode, uint8_t type) {
    return static_cast<uint16_t>(opcode << 8 | type);
}

struct Packet {
    uint16_t code = 0; // opcode * 256 + type
    std::vector<uint8_t> payload;
};

// A whole packet of the given type and opcode around `payload` (at most 0xFFFF bytes).
std::vector<uint8_t> BuildPacket(uint8_t type, uint8_t opcode, const uint8_t* payload,
                                 size_t count);
inline std::vector<uint8_t> BuildRequest(uint8_t opcode, const std::vector<uint8_t>& payload) {
    return BuildPacket(kRequest, opcode, payload.data(), payload.size());
}

// The inquiry's length byte for a time-out: (time-out / 1300 - 1) on one byte, at most 48.
uint8_t InquiryCount(uint32_t timeoutMs);

// Cuts packets out of the bytes read from the adapter. It holds at most kRawCapacity
// bytes; a packet is taken only whole, with its checksum and end byte right. A start
// byte that begins no valid packet (bad checksum, wrong end byte, or a length that
// could never fit the buffer) is dropped and the search goes on after it, so that a
// packet behind line noise is still found.
class PacketCutter {
public:
    // Room left for new bytes.
    size_t Room() const { return kRawCapacity - count_; }
    // Copies at most Room() bytes; returns how many were taken.
    size_t Append(const uint8_t* bytes, size_t count);
    // Where the next read may write Room() bytes; Commit() then counts them.
    uint8_t* Tail() { return raw_ + count_; }
    void Commit(size_t count);
    size_t Buffered() const { return count_; }
    // Takes the next whole packet from the front; false while none is complete.
    bool Next(Packet& packet);
    void Clear() { count_ = 0; }
    // Gives up a started packet whose rest does not come: drops its start byte, so the
    // next Next() looks for a packet behind it.
    void SkipStart() { Drop(1); }

private:
    void Drop(size_t count);

    uint8_t raw_[kRawCapacity] = {};
    size_t count_ = 0;
};

} // namespace vorex::links::bt

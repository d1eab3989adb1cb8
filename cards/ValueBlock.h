#pragma once
// MIFARE Classic value blocks: a signed 32-bit value stored three times (as is,
// inverted, as is; least significant byte first) in bytes 0-11, then an address byte
// four times (as is, inverted, as is, inverted) in bytes 12-15.
#include <array>
#include <cstdint>
#include <optional>

namespace vorex::cards::mifare {

struct ValueBlock {
    int32_t value = 0;
    uint8_t address = 0;
};

std::array<uint8_t, 16> EncodeValueBlock(const ValueBlock& v);
// The value of a 16-byte block when its three copies in bytes 0-11 agree (the address
// bytes are not looked at).
std::optional<int32_t> DecodeValue(const uint8_t* block);
// The value and address of a 16-byte block, or nothing when its copies disagree.
std::optional<ValueBlock> DecodeValueBlock(const uint8_t* block);

} // namespace vorex::cards::mifare

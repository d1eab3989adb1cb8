#pragma once
// The ISO 15693 block rules that vorexctl, the card procedures and the workbench share:
// when block requests need the protocol extension flag, and what a block security
// status byte says.
#include <cstdint>

namespace vorex::cards::iso15693 {

constexpr unsigned kProtocolExtension = 0x08;

// A memory of more than 256 blocks needs two-byte block numbers, which block requests
// ask for with the protocol extension flag. Only ST tags report such memories (the
// engine reads a two-byte block count from ST tags alone), and only for ST UIDs does
// the engine send block numbers in two bytes.
constexpr bool NeedsProtocolExtension(int blockCount) {
    return blockCount > 256;
}

// A block security status marks a locked block when one of its low two bits is set:
// bit 0 is the ISO lock bit, ST tags set bit 1 for blocks whose writes are protected.
// The higher bits (ST's password numbers, else reserved) do not stop a write.
constexpr bool IsLocked(uint8_t status) {
    return (status & 3) != 0;
}

} // namespace vorex::cards::iso15693

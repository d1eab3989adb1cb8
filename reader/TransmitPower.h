#pragma once
// The reader's settings block as the transmit-power dialog reads and writes it: full
// (0) or half (1) power for ISO 15693 and for ISO 14443.
#include <array>
#include <cstdint>

namespace vorex::reader {

struct TransmitPower {
    int iso15693 = 0; // 0 full, 1 half
    int iso14443 = 0;
};

// `length`: what VOREX_ReadSettings returned. False (power stays full/full) unless the
// block has more than one byte and bit 0 of byte 0 says the power bits are valid.
bool DecodeTransmitPower(const uint8_t* block, int length, TransmitPower& out);

// The block written back: 03, the two power bits (ISO 14443 = bit 1, ISO 15693 = bit 0), 80.
std::array<uint8_t, 3> EncodeTransmitPower(const TransmitPower& power);

} // namespace vorex::reader

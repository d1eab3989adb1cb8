#include "reader/TransmitPower.h"

namespace vorex::reader {

bool DecodeTransmitPower(const uint8_t* block, int length, TransmitPower& out) {
    out = {};
    if (length <= 1 || !(block[0] & 0x01))
        return false;
    out.iso15693 = block[1] & 0x01;
    out.iso14443 = (block[1] >> 1) & 0x01;
    return true;
}

std::array<uint8_t, 3> EncodeTransmitPower(const TransmitPower& power) {
    const uint8_t bits = (power.iso14443 != 0 ? 2 : 0) | (power.iso15693 != 0 ? 1 : 0);
    return {0x03, bits, 0x80};
}

} // namespace vorex::reader

#include "sim/MifareAccess.h"

namespace vsim::mifare {

namespace {

// Rights words per condition. Data: bits 0..3 read, write, increment, decrement by
// Key A, bits 4..7 the same by Key B. Trailer: bits 0..5 read Key A, write Key A,
// read Key B, write Key B, read access bits, write access bits by Key A; bits 8..13
// by Key B.
constexpr uint8_t kDataRights[8] = {0xFF, 0x31, 0x11, 0xF9, 0x99, 0x10, 0x30, 0x00};
constexpr uint16_t kTrailerRights[8] = {0x001E, 0x1A10, 0x0014, 0x1010,
                                        0x003E, 0x3010, 0x3A10, 0x1010};

} // namespace

std::optional<Conditions> DecodeAccess(const uint8_t* b) {
    const int c1 = b[1] >> 4;
    const int c2 = b[2] & 0x0F;
    const int c3 = b[2] >> 4;
    if ((b[0] & 0x0F) != (~c1 & 0x0F) || (b[0] >> 4) != (~c2 & 0x0F) ||
        (b[1] & 0x0F) != (~c3 & 0x0F))
        return std::nullopt;
    Conditions c{};
    for (int j = 0; j < 4; ++j)
        c[j] = (c1 >> j & 1) | (c2 >> j & 1) << 1 | (c3 >> j & 1) << 2;
    return c;
}

std::array<uint8_t, 3> EncodeAccess(const Conditions& c) {
    int c1 = 0, c2 = 0, c3 = 0;
    for (int j = 0; j < 4; ++j) {
        c1 |= (c[j] & 1) << j;
        c2 |= (c[j] >> 1 & 1) << j;
        c3 |= (c[j] >> 2 & 1) << j;
    }
    return {static_cast<uint8_t>((~c2 & 0x0F) << 4 | (~c1 & 0x0F)),
            static_cast<uint8_t>(c1 << 4 | (~c3 & 0x0F)), static_cast<uint8_t>(c3 << 4 | c2)};
}

bool DataAllowed(int condition, DataOp op, bool keyB) {
    const int bit = static_cast<int>(op) + (keyB ? 4 : 0);
    return (kDataRights[condition & 7] >> bit & 1) != 0;
}

bool TrailerAllowed(int condition, TrailerOp op, bool keyB) {
    const int bit = static_cast<int>(op) + (keyB ? 8 : 0);
    return (kTrailerRights[condition & 7] >> bit & 1) != 0;
}

bool KeyBReadable(int trailerCondition) {
    return TrailerAllowed(trailerCondition, TrailerOp::ReadKeyB, false);
}

} // namespace vsim::mifare

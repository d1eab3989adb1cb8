#include "cards/AccessConditions.h"

namespace vorex::cards::mifare {

std::array<uint8_t, 3> EncodeAccessBytes(const AccessValues& values) {
    unsigned c1 = 0, c2 = 0, c3 = 0;
    for (unsigned j = 0; j < 4; ++j) {
        const unsigned v = static_cast<unsigned>(values[j]) & 7;
        c1 |= (v & 1) << j;
        c2 |= (v >> 1 & 1) << j;
        c3 |= (v >> 2 & 1) << j;
    }
    return {static_cast<uint8_t>((~c2 & 0x0F) << 4 | (~c1 & 0x0F)),
            static_cast<uint8_t>(c1 << 4 | (~c3 & 0x0F)), static_cast<uint8_t>(c3 << 4 | c2)};
}

std::optional<AccessValues> DecodeAccessBytes(const uint8_t* b) {
    const unsigned c1 = b[1] >> 4, c2 = b[2] & 0x0F, c3 = b[2] >> 4;
    if ((b[0] & 0x0F) != (~c1 & 0x0F) || (b[0] >> 4) != (~c2 & 0x0F) ||
        (b[1] & 0x0F) != (~c3 & 0x0F))
        return std::nullopt;
    AccessValues v{};
    for (unsigned j = 0; j < 4; ++j)
        v[j] = static_cast<int>((c1 >> j & 1) | (c2 >> j & 1) << 1 | (c3 >> j & 1) << 2);
    return v;
}

int TrailerCondition(const uint8_t* b) {
    const auto v = DecodeAccessBytes(b);
    return v ? (*v)[3] : -1;
}

uint8_t DataRights(int accessValue) {
    static constexpr uint8_t kWords[8] = {0xFF, 0x31, 0x11, 0xF9, 0x99, 0x10, 0x30, 0x00};
    return kWords[accessValue & 7];
}

uint16_t TrailerRights(int accessValue) {
    static constexpr uint16_t kWords[8] = {0x001E, 0x1A10, 0x0014, 0x1010,
                                           0x003E, 0x3010, 0x3A10, 0x1010};
    return kWords[accessValue & 7];
}

} // namespace vorex::cards::mifare

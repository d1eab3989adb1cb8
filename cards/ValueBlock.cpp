#include "cards/ValueBlock.h"

namespace vorex::cards::mifare {

std::array<uint8_t, 16> EncodeValueBlock(const ValueBlock& v) {
    std::array<uint8_t, 16> b{};
    const auto u = static_cast<uint32_t>(v.value);
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<uint8_t>(u >> (8 * i));
        b[static_cast<size_t>(i)] = byte;
        b[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(~byte);
        b[static_cast<size_t>(8 + i)] = byte;
    }
    b[12] = b[14] = v.address;
    b[13] = b[15] = static_cast<uint8_t>(~v.address);
    return b;
}

std::optional<int32_t> DecodeValue(const uint8_t* b) {
    for (int i = 0; i < 4; ++i)
        if (b[i] != b[8 + i] || b[i] != static_cast<uint8_t>(~b[4 + i]))
            return std::nullopt;
    const uint32_t u = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                       static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return static_cast<int32_t>(u);
}

std::optional<ValueBlock> DecodeValueBlock(const uint8_t* b) {
    const auto value = DecodeValue(b);
    if (!value || b[12] != b[14] || b[13] != b[15] || b[12] != static_cast<uint8_t>(~b[13]))
        return std::nullopt;
    return ValueBlock{*value, b[12]};
}

} // namespace vorex::cards::mifare

#include "cards/CardTypes.h"

namespace vorex::cards {

std::string Hex(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 0x0F];
    }
    return s;
}

} // namespace vorex::cards

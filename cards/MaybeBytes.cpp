#include "cards/MaybeBytes.h"

#include "cards/CardTypes.h"

#include <algorithm>

namespace vorex::cards {

MaybeBytes Known(const uint8_t* data, size_t count) {
    return MaybeBytes(data, data + count);
}

bool AllKnown(const MaybeBytes& bytes, size_t first, size_t count) {
    if (first + count > bytes.size())
        return false;
    return std::all_of(bytes.begin() + static_cast<long>(first),
                       bytes.begin() + static_cast<long>(first + count),
                       [](const MaybeByte& b) { return b.has_value(); });
}

std::optional<std::vector<uint8_t>> Values(const MaybeBytes& bytes, size_t first, size_t count) {
    if (!AllKnown(bytes, first, count))
        return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(count);
    for (size_t i = first; i < first + count; ++i)
        out.push_back(*bytes[i]);
    return out;
}

std::string MaybeHex(const MaybeBytes& bytes, size_t first, size_t count) {
    std::string s;
    for (size_t i = first; i < first + count && i < bytes.size(); ++i) {
        const MaybeByte& b = bytes[i];
        s += b ? Hex(&*b, 1) : std::string("??");
    }
    return s;
}

} // namespace vorex::cards

#pragma once
// Tag memory as files hold it: each byte either known (its value) or unknown (a block
// that could not be read, a key nobody knows).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::cards {

using MaybeByte = std::optional<uint8_t>;
using MaybeBytes = std::vector<MaybeByte>;

// `count` known bytes from `data`.
MaybeBytes Known(const uint8_t* data, size_t count);
inline MaybeBytes Known(const std::vector<uint8_t>& data) {
    return Known(data.data(), data.size());
}
// True when every byte of [first, first + count) is known.
bool AllKnown(const MaybeBytes& bytes, size_t first, size_t count);
// The values of [first, first + count) when all are known.
std::optional<std::vector<uint8_t>> Values(const MaybeBytes& bytes, size_t first, size_t count);
// Upper-case hex, "??" for an unknown byte, no separators.
std::string MaybeHex(const MaybeBytes& bytes, size_t first, size_t count);

} // namespace vorex::cards

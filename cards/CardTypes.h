#pragma once
// Types every card procedure shares: 6-byte keys, progress callbacks, hex text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vorex::cards {

using Key = std::array<uint8_t, 6>;

// Called with the steps done so far and the steps in all (0 when the total is not
// known in advance, e.g. while a Type 2 tag's size is still being found).
using Progress = std::function<void(int done, int total)>;

// Upper-case hex digits, no separators.
std::string Hex(const uint8_t* bytes, size_t count);

} // namespace vorex::cards

#pragma once
// A MIFARE Ultralight / NTAG tag's memory as dump files hold it: pages of 4 bytes, each
// byte known or unknown, and what the tag tells apart from its pages (GET_VERSION,
// originality signature, the three one-way counters and their tearing flags).
#include "cards/MaybeBytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::type2 {

struct PageMemory {
    // The chip as Flipper names it ("NTAG215", "Mifare Ultralight 11", ...); empty
    // when not known.
    std::string type;
    MaybeBytes bytes; // 4 per page
    std::optional<std::array<uint8_t, 8>> version;
    std::optional<std::array<uint8_t, 32>> signature;
    std::array<std::optional<uint32_t>, 3> counters; // 24-bit values
    std::array<std::optional<uint8_t>, 3> tearing;
    std::optional<std::array<uint8_t, 2>> tbo0;
    std::optional<uint8_t> tbo1;

    size_t Pages() const { return bytes.size() / 4; }
    // The 7-byte UID of pages 0-1 (page 0 bytes 0-2, page 1), when known.
    std::optional<std::vector<uint8_t>> Uid() const;

    bool operator==(const PageMemory&) const = default;
};

// True when the check bytes of pages 0-2 fit the UID (BCC0 = 88 ^ UID0..2, BCC1 =
// UID3..6), as for a 7-byte NXP UID.
bool UidCheckBytesFit(const uint8_t* pages);
// The Flipper chip name for a page count, "" when none fits.
std::string TypeForPages(size_t pages);
// The Flipper chip name for this program's tag names ("ntag215" -> "NTAG215",
// "ultralight" -> "Mifare Ultralight"), else the one the page count suggests.
std::string TypeForTagName(const std::string& name, size_t pages);
// The page count of a Flipper chip name, 0 when unknown.
size_t PagesOfType(const std::string& type);

} // namespace vorex::cards::type2

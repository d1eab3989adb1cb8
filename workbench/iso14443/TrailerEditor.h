#pragma once
// The sector trailer as the MIFARE Classic workbench edits it: never typed, always
// built from the four access values, the Key A and Key B texts and the user-byte text,
// and taken apart into the access values and the user byte after a read. The bit
// layout and the rights tables are the card library's.
#include "cards/AccessConditions.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb::mfc {

struct TrailerFields {
    cards::mifare::AccessValues access = cards::mifare::kTransportAccess;
    std::string keyA;     // 12 hex digits, else the key bytes stay as they are
    std::string keyB;     // likewise
    std::string userByte; // leading hex digits, modulo 256
};

// Builds the trailer row's bytes: sized to 16 (new bytes 0), access bytes 6..8, user
// byte 9, and the keys whose texts are exactly 12 characters long.
void EncodeTrailer(std::vector<uint8_t>& row, const TrailerFields& fields);
// From a 16-byte trailer row: the access values when the complement nibbles match
// (else they stay) and the user-byte text ("%02X"). Key texts are never set from a
// card (it reads Key A as zeros). False, changing nothing, for another length.
bool DecodeTrailer(const std::vector<uint8_t>& row, TrailerFields& fields);

// The user-byte text as a byte: its leading hexadecimal digits modulo 256, 0 without.
uint8_t UserByteOf(const std::string& text);

// The grid of rights boxes for four access values: per data group eight boxes (Read,
// Write, Increment, Decrement, each A then B), for the trailer twelve (Read KeyA,
// Write KeyA, Read KeyB, Write KeyB, Read Rights, Write Rights, each A then B).
struct RightsGrid {
    std::array<std::array<bool, 8>, 3> data{};
    std::array<bool, 12> trailer{};
};
RightsGrid ShowAccessRights(const cards::mifare::AccessValues& access);

} // namespace vorex::wb::mfc

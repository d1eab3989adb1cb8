#pragma once
// MIFARE Classic access conditions (data-sheet bit layout). A sector has four access
// values 0-7, value = C1 + 2*C2 + 4*C3: groups 0, 1, 2 for the data blocks and 3 for
// the trailer. With nibbles C1n, C2n, C3n (bit j = C1, C2, C3 of group j) the trailer's
// bytes 6..8 are:
//   byte 6: ~C2n | ~C1n    byte 7: C1n | ~C3n    byte 8: C3n | C2n   (high | low nibble)
// The rights tables say which key may do what under each access value; the MIFARE
// workbench shows them as a grid of check boxes.
#include <array>
#include <cstdint>
#include <optional>

namespace vorex::cards::mifare {

using AccessValues = std::array<int, 4>; // groups 0, 1, 2 (data) and 3 (trailer)

// The access values of a delivered card: 0, 0, 0, 4 (bytes FF 07 80).
inline constexpr AccessValues kTransportAccess{0, 0, 0, 4};

// Bytes 6..8 of the trailer for four access values (each taken modulo 8).
std::array<uint8_t, 3> EncodeAccessBytes(const AccessValues& values);
// The access values of trailer bytes 6..8, or nothing when the complement nibbles do
// not match (such a trailer blocks its sector for good on a card).
std::optional<AccessValues> DecodeAccessBytes(const uint8_t* bytes6to8);
inline bool AccessBitsConsistent(const uint8_t* bytes6to8) {
    return DecodeAccessBytes(bytes6to8).has_value();
}
// The trailer's own access value, or -1 when the bytes are inconsistent.
int TrailerCondition(const uint8_t* bytes6to8);
// Where Key A may read Key B (trailer values 0, 2, 4), Key B opens nothing.
inline bool KeyBReadable(int trailerCondition) {
    return trailerCondition == 0 || trailerCondition == 2 || trailerCondition == 4;
}

// Rights of a data-block group: bit c (0-3: read, write, increment, decrement) for
// Key A, bit c + 4 for Key B.
enum DataRight : uint8_t { kRead = 0, kWrite = 1, kIncrement = 2, kDecrement = 3 };
uint8_t DataRights(int accessValue);
inline bool DataAllows(int accessValue, DataRight right, bool keyB) {
    return (DataRights(accessValue) >> (right + (keyB ? 4 : 0)) & 1) != 0;
}

// Rights of the trailer: bit c (0-5: read Key A, write Key A, read Key B, write Key B,
// read access bits, write access bits) for Key A, bit c + 8 for Key B.
enum TrailerRight : uint8_t {
    kReadKeyA = 0,
    kWriteKeyA = 1,
    kReadKeyB = 2,
    kWriteKeyB = 3,
    kReadAccess = 4,
    kWriteAccess = 5
};
uint16_t TrailerRights(int accessValue);
inline bool TrailerAllows(int accessValue, TrailerRight right, bool keyB) {
    return (TrailerRights(accessValue) >> (right + (keyB ? 8 : 0)) & 1) != 0;
}

} // namespace vorex::cards::mifare

#pragma once
// MIFARE Classic access conditions: the access bytes of a sector trailer and the
// rights they give to Key A and Key B, as in the MIFARE Classic data sheet.
#include <array>
#include <cstdint>
#include <optional>

namespace vsim::mifare {

// An access condition as the number C1 + 2*C2 + 4*C3 (0..7).
using Conditions = std::array<int, 4>; // data groups 0, 1, 2 and the trailer (3)

// Decodes trailer bytes 6..8; nullopt when the complement bits do not match.
std::optional<Conditions> DecodeAccess(const uint8_t* bytes6to8);
// Encodes four conditions into bytes 6..8.
std::array<uint8_t, 3> EncodeAccess(const Conditions& c);

enum class DataOp { Read, Write, Increment, Decrement };
enum class TrailerOp { ReadKeyA, WriteKeyA, ReadKeyB, WriteKeyB, ReadAccess, WriteAccess };

// keyB: false for Key A, true for Key B.
bool DataAllowed(int condition, DataOp op, bool keyB);
bool TrailerAllowed(int condition, TrailerOp op, bool keyB);
// Where the trailer lets Key A read Key B, Key B cannot serve for authentication.
bool KeyBReadable(int trailerCondition);

} // namespace vsim::mifare

#pragma once
// Conversions between tag bytes and the texts the workbenches show and take:
// display mode 0 = HEX, 1 = ASCII (any other mode gives an empty text and no bytes);
// byte order 0 = "MSB first" (text shows the last byte first), non-zero = "LSB first".
// ASCII texts are byte strings, one byte per character.
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb {

enum DisplayMode { kHex = 0, kAscii = 1 };
enum ByteOrder { kMsbFirst = 0, kLsbFirst = 1 };

std::string BytesToText(const std::vector<uint8_t>& bytes, uint8_t count, int mode, int order);
// Exactly count bytes (none for an unknown mode).
std::vector<uint8_t> TextToBytes(const std::string& text, uint8_t count, int mode, int order);
// 0..15 for a hexadecimal digit, 255 for anything else.
uint8_t HexDigitValue(char c);

} // namespace vorex::wb

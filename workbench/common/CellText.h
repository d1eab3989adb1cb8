#pragma once
// Rules for the block texts the operator types into a block grid: the block bytes of a
// cell text, the comparison with the text last read, and the normalisation of a HEX
// cell after an edit.
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb {

// A blank after every two characters: "12345678" -> "12 34 56 78".
std::string InsertBlanks(std::string text);

// The block bytes of a cell text. HEX (mode 0): blanks are ignored and exactly
// 2 x blockSize hexadecimal digits are required. ASCII: one byte per character, zero
// bytes up to the block size (a longer text is cut to it).
bool TextToBlock(const std::string& text, int blockSize, int mode, std::vector<uint8_t>& bytes);

// Equal block texts: HEX ignores letter case, ASCII compares exactly.
bool CompareBlockText(const std::string& a, const std::string& b, int mode);

// A HEX cell after an edit: the digits, completed with zeros to the block or cut to it,
// in blank-separated pairs.
enum class CellCheck {
    Ok,        // text is the normalised cell
    Truncated, // too many digits: text holds the first ones (message 162)
    NotHex     // a character that is no hexadecimal digit (message 138): text unused
};
struct HexCell {
    CellCheck check = CellCheck::Ok;
    std::string text;
};
// Cell texts are taken up to 255 characters.
HexCell NormalizeHexCell(const std::string& text, int blockSize);

} // namespace vorex::wb

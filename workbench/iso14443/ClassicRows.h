#pragma once
// The rows of the MIFARE Classic workbench between block bytes and edit texts: data
// rows in the chosen display mode and byte order or as a decimal value block, the
// trailer row always as HEX, LSB first.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::wb::mfc {

// The text of a row: empty without data; the trailer row as HEX, LSB first; a row in
// value mode as its value when the data is a value block (empty otherwise).
std::string RowText(const std::vector<uint8_t>& data, bool trailerRow, bool valueMode,
                    int displayMode, int byteOrder);

// The value typed in value mode: decimal digits (an optional leading '-') that fit a
// signed 32-bit value; nothing otherwise.
std::optional<int32_t> ParseValue(const std::string& text);

// The data a typed data-row text stands for: the value block of the value in value
// mode, else the 16 bytes of the text. Nothing for an empty text (the data stays) or
// a value that is no 32-bit number.
std::optional<std::vector<uint8_t>> RowData(const std::string& text, bool valueMode,
                                            int displayMode, int byteOrder);

} // namespace vorex::wb::mfc

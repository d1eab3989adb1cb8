#pragma once
// What the ISO 15693 workbench says about a tag from its UID alone: the chip name of
// its tab caption, its serial value, and the line it gets in the tag log file.
// UIDs are 8 bytes, least significant first: byte 7 0xE0, byte 6 the manufacturer,
// bytes 0..5 the serial number (byte 5 often the chip type, byte 4 a sub-type).
#include <array>
#include <cstdint>
#include <string>

namespace vorex::wb::iso {

using Uid = std::array<uint8_t, 8>;

// String-table id of the chip name; 205 ("Unknown: %d") is formatted with the
// manufacturer code.
int ChipNameId(const Uid& uid);
// Bytes 0..5 as a 48-bit number, byte 0 least significant.
uint64_t SerialValue(const Uid& uid);
// Twelve upper-case hexadecimal digits of the serial value.
std::string SerialText(const Uid& uid);
// The 8 UID bytes as 16 hexadecimal digits, most significant byte first.
std::string UidText(const Uid& uid);

// Log name of a manufacturer code, with its leading and trailing blank. These are the
// tag log's own chip labels, which readers of existing logs expect; they differ from
// the maker names (cards/IcManufacturer.h) on purpose.
const char* TagLogName(uint8_t manufacturer);
// time + log name + "-> HEX - " + serial text + CR LF.
std::string TagLogLine(const std::string& time, uint8_t manufacturer, const Uid& uid);
// The tag marker on a log file name: " ISO15693" before the last "." (or
// " ISO15693.pos" appended to a name without one) unless the name holds it already.
std::string MarkTagLogName(const std::string& fileName);

} // namespace vorex::wb::iso

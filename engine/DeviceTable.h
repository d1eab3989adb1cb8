#pragma once
// Model names of the reader device types.
#include <cstdint>
#include <string>

namespace vorex {

// The model name of a device type code; "VX-#%03X" for codes without a name.
std::string DeviceName(uint32_t deviceType);

// Revision from the fourth identification character (a base-62 digit): '0'-'9' 0-9,
// 'A'-'Z' 10-35, 'a'-'z' 36-61, anything else 255.
uint8_t RevisionFromChar(uint8_t c);

} // namespace vorex

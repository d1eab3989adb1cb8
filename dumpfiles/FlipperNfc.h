#pragma once
// Flipper Zero .nfc files: "Key: value" lines in a fixed order. Written as version 4
// (device types "Mifare Classic", "NTAG/Ultralight", "ISO15693-3", "SLIX"); read
// versions 2 to 4, with the ATQA byte order of each (version 2 least significant byte
// first, later versions most significant first). "??" marks an unknown byte of a
// MIFARE Classic block; Ultralight files mark unread pages by "Pages read".
#include "dumpfiles/TagDump.h"

#include <string>

namespace vorex::dumpfiles {

bool LooksLikeFlipper(const std::string& content);
TagDump ReadFlipper(const std::string& content);
std::string WriteFlipper(const TagDump& dump, Filler& fill);

} // namespace vorex::dumpfiles

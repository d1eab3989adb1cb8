#pragma once
// Binary dumps: MIFARE Classic blocks back to back (.bin/.mfd/.dump of 320, 1024, 2048
// or 4096 bytes), and the Proxmark3 Ultralight .bin (56-byte header, then the pages;
// read also the older 48-byte header and pages alone, told apart by the UID check
// bytes). Neither marks unknown bytes. ISO 15693 has no portable binary form.
#include "dumpfiles/TagDump.h"

#include <string>

namespace vorex::dumpfiles {

// True when the content has the size of a binary Classic dump.
bool IsClassicBinarySize(size_t size);
ClassicMemory ReadClassicBinary(const std::string& content);
// The Ultralight layout; refuses content where no candidate fits.
PageMemory ReadPagesBinary(const std::string& content);
std::string WriteBinary(const TagDump& dump, Filler& fill);

} // namespace vorex::dumpfiles

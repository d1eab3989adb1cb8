#pragma once
// Proxmark3 .eml dumps (read only): one block per line in hex; 16-byte lines are a
// MIFARE Classic card, 4-byte lines Ultralight pages after 14 lines of the 56-byte
// header. "#" lines are skipped.
#include "dumpfiles/TagDump.h"

#include <string>

namespace vorex::dumpfiles {

// True when the first line that is no comment holds 8 or 32 hex digits.
bool LooksLikeEml(const std::string& content);
TagDump ReadEml(const std::string& content);

} // namespace vorex::dumpfiles

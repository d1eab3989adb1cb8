#pragma once
// MIFARE Classic Tool dumps (.mct): "+Sector: N" headers, each followed by the sector's
// blocks as 32 characters, "--" per unknown byte. Sectors the app could not read are
// left out; they read as unknown. The writer never leaves one out.
#include "dumpfiles/TagDump.h"

#include <string>

namespace vorex::dumpfiles {

bool LooksLikeMct(const std::string& content);
ClassicMemory ReadMct(const std::string& content);
std::string WriteMct(const ClassicMemory& m);

} // namespace vorex::dumpfiles

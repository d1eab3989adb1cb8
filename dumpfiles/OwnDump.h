#pragma once
// This program's own dump file: JSON in one envelope for every tag family,
// {"format": "vorex-dump", "family", "version", ...}, unknown bytes written "??". The
// reader also loads the layouts earlier versions wrote (MIFARE Classic with "type"
// classic1k/classic4k and a decimal ATQA, the page list of Ultralight/NTAG dumps, the
// block list of ISO 15693 dumps).
#include "dumpfiles/TagDump.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vorex::dumpfiles {

constexpr int kOwnFormatVersion = 1;

// True when the JSON object is one of ours (the envelope or an earlier layout).
bool IsOwnDump(const nlohmann::json& j);
TagDump ReadOwnDump(const nlohmann::json& j);
std::string WriteOwnDump(const TagDump& dump);

} // namespace vorex::dumpfiles

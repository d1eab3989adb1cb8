#pragma once
// Proxmark3 JSON dumps: written as "mfc v2" (MIFARE Classic), "mfu" (Ultralight/NTAG)
// and "15693 v4"; read also "mfcard", "mfc v3" and the older ISO 15693 versions.
// "blocks" is an object keyed "0", "1", ... without gaps (the Proxmark3 client stops
// at the first missing key). The format marks no unknown bytes: the writer fills them.
#include "dumpfiles/TagDump.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace vorex::dumpfiles {

bool IsPm3Json(const nlohmann::json& j);
TagDump ReadPm3Json(const nlohmann::json& j);
std::string WritePm3Json(const TagDump& dump, Filler& fill);

} // namespace vorex::dumpfiles

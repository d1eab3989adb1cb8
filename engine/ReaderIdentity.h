#pragma once
// The identification command (0xF0) and its answer forms per frame variant.
#include "engine/Vorex_Port.h"

#include <cstdint>
#include <vector>

namespace vorex {

// Sends F0 and returns the identification payload in `id`, with the variant rules
// applied: variant 2 answers get "171" as type digits (and the "FV" follow-up for
// the answer 04 05 31 35); nine-byte variant 3 answers are cut to bytes 4 to 7 with
// "117" as type digits.
bool ReadIdentification(CVorex_Port& port, std::vector<uint8_t>& id);

// Device type and revision from a 4-byte identification; false when it is not four
// bytes or the type is not three hexadecimal digits. The programs decode what
// VOREX_GetVersion returns by the same rule with their own copy (reader/ReaderFacts),
// as the SDK depends on nothing outside it.
bool ParseIdentification(const std::vector<uint8_t>& id, uint32_t& type, uint8_t& revision);

} // namespace vorex

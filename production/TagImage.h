#pragma once
// What a job writes to one tag: its content expanded for the tag's serial, UID and date
// and laid out in the chip's units (pages, blocks), each unit complete. The production
// loop writes these units and compares them on read-back.
#include "production/Job.h"

#include <string>
#include <vector>

namespace vorex::production {

struct UnitData {
    int unit = 0; // page, ISO 15693 block or absolute MIFARE Classic block
    std::vector<uint8_t> bytes;
};

struct TagImage {
    bool ok = false;
    std::vector<UnitData> units; // ascending, no unit twice
    std::string path;            // JSON path of the content at fault
    std::string error;
};

TagImage BuildImage(const Job& job, const Chip& chip, const TagValues& tag);

} // namespace vorex::production

#pragma once
// Comparing two dumps of the same tag family block by block (pages for Ultralight),
// grouped by sector for MIFARE Classic. A byte known on one side and unknown on the
// other counts as a difference of its own kind; a field beside the memory (UID, ATQA,
// signature, ...) only when both dumps know it.
#include "dumpfiles/TagDump.h"

#include <string>
#include <vector>

namespace vorex::dumpfiles {

struct BlockDifference {
    int sector = -1;   // MIFARE Classic only
    int block = 0;     // block or page number
    std::string a, b;  // hex, "??" per unknown byte
    int differing = 0; // bytes known on both sides with other values
    int unknownOnOneSide = 0;
};

struct DumpComparison {
    std::string error;               // the dumps cannot be compared (family, size)
    std::vector<std::string> fields; // other differences: "uid", "atqa", ...
    std::vector<BlockDifference> blocks;
    int blockCount = 0;
    int unknownA = 0, unknownB = 0; // unknown bytes of each side

    bool Same() const { return error.empty() && fields.empty() && blocks.empty(); }
};

DumpComparison CompareDumps(const TagDump& a, const TagDump& b);

} // namespace vorex::dumpfiles

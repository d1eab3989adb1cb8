#include "dumpfiles/EmlDump.h"

#include "dumpfiles/BinaryDump.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/HexText.h"

#include <algorithm>

namespace vorex::dumpfiles {

namespace {
bool IsHexLine(const std::string& t) {
    return !t.empty() && std::all_of(t.begin(), t.end(), IsHexDigit);
}
} // namespace

bool LooksLikeEml(const std::string& content) {
    for (const auto& line : SplitLines(content)) {
        const std::string t = Trim(line.text);
        if (t.empty() || t[0] == '#')
            continue;
        return IsHexLine(t) && (t.size() == 8 || t.size() == 32);
    }
    return false;
}

TagDump ReadEml(const std::string& content) {
    std::string bytes;
    size_t width = 0;
    for (const auto& line : SplitLines(content)) {
        const std::string t = Trim(line.text);
        if (t.empty() || t[0] == '#')
            continue;
        if (width == 0 && (t.size() == 8 || t.size() == 32))
            width = t.size();
        const auto b = ParseKnownHex(t, width / 2, AtLine(line.number),
                                     width ? std::to_string(width) + " hex digits (one block)"
                                           : std::string("8 or 32 hex digits (one block)"));
        bytes.append(b.begin(), b.end());
    }
    if (width == 32) {
        if (!IsClassicBinarySize(bytes.size()))
            Expected("the end of the file", "20, 64, 128 or 256 blocks (MINI, 1K, 2K, 4K), not " +
                                                std::to_string(bytes.size() / 16));
        return ReadClassicBinary(bytes);
    }
    if (width == 8) {
        if (bytes.size() < 56 + 12)
            Expected("the end of the file", "the 56-byte header and pages 0-2");
        // The header as 14 lines first; the pages follow.
        return ReadPagesBinary(bytes);
    }
    Expected("the end of the file", "blocks of 8 or 32 hex digits per line");
}

} // namespace vorex::dumpfiles

#include "dumpfiles/MctDump.h"

#include "cards/ClassicGeometry.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/HexText.h"

#include <algorithm>
#include <map>

namespace vorex::dumpfiles {

namespace md = cards::mifare;

namespace {
const char kHeader[] = "+Sector: ";

bool IsSkipped(const std::string& t) {
    return t.empty() || t[0] == '#' || t[0] == '*';
}
} // namespace

bool LooksLikeMct(const std::string& content) {
    for (const auto& line : SplitLines(content)) {
        const std::string t = Trim(line.text);
        if (!IsSkipped(t))
            return t.rfind("+Sector:", 0) == 0;
    }
    return false;
}

ClassicMemory ReadMct(const std::string& content) {
    std::map<int, std::vector<cards::MaybeBytes>> sectors;
    std::map<int, size_t> headerLine;
    int current = -1;
    const auto closeSector = [&](size_t line) {
        if (current >= 0 && sectors[current].size() != static_cast<size_t>(md::BlocksIn(current)))
            Expected(AtLine(line), std::to_string(md::BlocksIn(current)) + " blocks for sector " +
                                       std::to_string(current) + " (header on line " +
                                       std::to_string(headerLine[current]) + "), found " +
                                       std::to_string(sectors[current].size()));
    };
    size_t last = 0;
    for (const auto& line : SplitLines(content)) {
        const std::string t = Trim(line.text);
        last = line.number;
        if (IsSkipped(t))
            continue;
        if (t[0] == '+') {
            closeSector(line.number);
            const std::string n = t.substr(std::min(t.size(), sizeof kHeader - 1));
            if (t.rfind(kHeader, 0) != 0 || n.empty() || n.size() > 2 ||
                !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
                std::stoi(n) > 39)
                Expected(AtLine(line.number), "a sector header \"+Sector: N\" (N 0..39)");
            current = std::stoi(n);
            if (sectors.count(current))
                Expected(AtLine(line.number), "each sector once; sector " + n + " was on line " +
                                                  std::to_string(headerLine[current]));
            sectors[current];
            headerLine[current] = line.number;
            continue;
        }
        if (current < 0)
            Expected(AtLine(line.number), "a sector header \"+Sector: N\" first");
        if (sectors[current].size() == static_cast<size_t>(md::BlocksIn(current)))
            Expected(AtLine(line.number), "the next \"+Sector: N\" header (sector " +
                                              std::to_string(current) + " has " +
                                              std::to_string(md::BlocksIn(current)) + " blocks)");
        sectors[current].push_back(
            ParseHex(t, HexRules{"--", false, false}, 16, AtLine(line.number),
                     "a block of 32 characters: hex digits, \"--\" for an unknown byte"));
    }
    closeSector(last + 1);
    if (sectors.empty())
        Expected(AtLine(last + 1), "at least one \"+Sector: N\"");
    // The size: the smallest card with the highest sector; a MINI (5 sectors) only when
    // block 0 names it (SAK 09 after a 4-byte UID).
    const int highest = sectors.rbegin()->first;
    md::ClassicSize size = highest < 16   ? md::ClassicSize::K1
                           : highest < 32 ? md::ClassicSize::K2
                                          : md::ClassicSize::K4;
    if (highest < 5 && sectors.count(0)) {
        const auto& b0 = sectors[0][0];
        if (cards::AllKnown(b0, 0, 6) && (*b0[0] ^ *b0[1] ^ *b0[2] ^ *b0[3]) == *b0[4] &&
            *b0[5] == 0x09)
            size = md::ClassicSize::Mini;
    }
    if (sectors.count(0) && size == md::ClassicSize::K1) {
        const auto& b0 = sectors[0][0];
        if (cards::AllKnown(b0, 0, 6) && (*b0[0] ^ *b0[1] ^ *b0[2] ^ *b0[3]) == *b0[4] &&
            *b0[5] == 0x18)
            size = md::ClassicSize::K4; // a 4K card with only its first sectors read
    }
    ClassicMemory m = ClassicMemory::Unknown(size);
    for (const auto& [s, blocks] : sectors)
        for (size_t i = 0; i < blocks.size(); ++i)
            std::copy(blocks[i].begin(), blocks[i].end(),
                      m.bytes.begin() + static_cast<long>(m.BlockOffset(md::FirstBlock(s) +
                                                                        static_cast<int>(i))));
    if (auto uid = md::FourByteUid(m))
        m.uid = *uid;
    return m;
}

std::string WriteMct(const ClassicMemory& m) {
    std::string out;
    for (int s = 0; s < m.Sectors(); ++s) {
        out += (s ? "\n" : "") + std::string(kHeader) + std::to_string(s);
        for (int b = md::FirstBlock(s); b <= md::TrailerOf(s); ++b)
            out += "\n" + WriteHex(m.bytes, m.BlockOffset(b), 16, "--");
    }
    return out;
}

} // namespace vorex::dumpfiles

#include "dumpfiles/DumpDiff.h"

#include "cards/ClassicGeometry.h"
#include "dumpfiles/HexText.h"

#include <algorithm>
#include <array>

namespace vorex::dumpfiles {

namespace {

int Unknown(const cards::MaybeBytes& b) {
    return static_cast<int>(
        std::count_if(b.begin(), b.end(), [](const MaybeByte& v) { return !v.has_value(); }));
}

void CompareBytes(const cards::MaybeBytes& a, const cards::MaybeBytes& b, size_t unit, bool classic,
                  DumpComparison& c) {
    c.blockCount = static_cast<int>(a.size() / unit);
    c.unknownA = Unknown(a);
    c.unknownB = Unknown(b);
    for (size_t at = 0; at + unit <= a.size(); at += unit) {
        BlockDifference d;
        d.block = static_cast<int>(at / unit);
        for (size_t i = at; i < at + unit; ++i) {
            if (a[i].has_value() != b[i].has_value())
                ++d.unknownOnOneSide;
            else if (a[i] && *a[i] != *b[i])
                ++d.differing;
        }
        if (!d.differing && !d.unknownOnOneSide)
            continue;
        d.sector = classic ? cards::mifare::SectorOf(d.block) : -1;
        d.a = WriteHex(a, at, unit, "??");
        d.b = WriteHex(b, at, unit, "??");
        c.blocks.push_back(d);
    }
}

// A field counts as different only when both dumps know it: a format that does not
// carry it is no difference.
template <typename T> bool Differ(const std::optional<T>& a, const std::optional<T>& b) {
    return a && b && !(*a == *b);
}
bool Differ(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return !a.empty() && !b.empty() && a != b;
}
template <typename T, size_t N>
bool Differ(const std::array<std::optional<T>, N>& a, const std::array<std::optional<T>, N>& b) {
    for (size_t i = 0; i < N; ++i)
        if (Differ(a[i], b[i]))
            return true;
    return false;
}
bool Differ(const std::vector<std::optional<bool>>& a, const std::vector<std::optional<bool>>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (Differ(a[i], b[i]))
            return true;
    return false;
}

template <typename T> void Field(DumpComparison& c, const char* name, const T& a, const T& b) {
    if (Differ(a, b))
        c.fields.push_back(name);
}

} // namespace

DumpComparison CompareDumps(const TagDump& a, const TagDump& b) {
    DumpComparison c;
    if (a.index() != b.index()) {
        c.error = "a " + FamilyName(a) + " dump and a " + FamilyName(b) + " dump";
        return c;
    }
    if (const auto* x = std::get_if<ClassicMemory>(&a)) {
        const auto& y = std::get<ClassicMemory>(b);
        if (x->size != y.size) {
            c.error = "a MIFARE Classic " + cards::mifare::SizeName(x->size) + " and a " +
                      cards::mifare::SizeName(y.size) + " dump";
            return c;
        }
        Field(c, "uid", x->uid, y.uid);
        Field(c, "atqa", x->atqa, y.atqa);
        Field(c, "sak", x->sak, y.sak);
        CompareBytes(x->bytes, y.bytes, 16, true, c);
    } else if (const auto* x = std::get_if<PageMemory>(&a)) {
        const auto& y = std::get<PageMemory>(b);
        if (x->Pages() != y.Pages()) {
            c.error = "dumps of " + std::to_string(x->Pages()) + " and " +
                      std::to_string(y.Pages()) + " pages";
            return c;
        }
        Field(c, "version", x->version, y.version);
        Field(c, "signature", x->signature, y.signature);
        Field(c, "counters", x->counters, y.counters);
        Field(c, "tearing", x->tearing, y.tearing);
        CompareBytes(x->bytes, y.bytes, 4, false, c);
    } else {
        const auto& t = std::get<Iso15693Memory>(a);
        const auto& u = std::get<Iso15693Memory>(b);
        if (t.blockSize != u.blockSize || t.bytes.size() != u.bytes.size()) {
            c.error = "ISO 15693 dumps of " + std::to_string(t.Blocks()) + " blocks of " +
                      std::to_string(t.blockSize) + " and " + std::to_string(u.Blocks()) +
                      " blocks of " + std::to_string(u.blockSize) + " bytes";
            return c;
        }
        Field(c, "uid", t.uid, u.uid);
        Field(c, "locks", t.locks, u.locks);
        Field(c, "dsfid", t.dsfid, u.dsfid);
        Field(c, "afi", t.afi, u.afi);
        CompareBytes(t.bytes, u.bytes, static_cast<size_t>(t.blockSize), false, c);
    }
    return c;
}

} // namespace vorex::dumpfiles

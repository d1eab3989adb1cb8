#include "dumpfiles/Pm3Json.h"

#include "cards/ClassicGeometry.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/HexText.h"
#include "dumpfiles/IdentityChecks.h"

#include <nlohmann/json.hpp>

namespace vorex::dumpfiles {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr const char* kCreated = "Vorex Programmer";

// A hex field of Card; `count` bytes (0: any number). Missing: nullopt.
std::optional<std::vector<uint8_t>> CardHex(const json& card, const char* name, size_t count) {
    const auto it = card.find(name);
    if (it == card.end() || it->is_null())
        return std::nullopt;
    const std::string where = "\"Card\".\"" + std::string(name) + "\"";
    const std::string what =
        (count ? std::to_string(count) + " bytes" : std::string("bytes")) + " in hex";
    if (!it->is_string())
        Expected(where, what);
    return ParseKnownHex(it->get<std::string>(), count, where, what, true);
}

// blocks "0".."n-1" of `size` bytes each, no other keys, no gaps. MIFARE Classic Tool
// exports its "--" marks into such files verbatim: there they are unknown bytes.
MaybeBytes Blocks(const json& j, size_t size, size_t maxCount) {
    const auto created = j.find("Created");
    const bool fromMct = created != j.end() && *created == "MifareClassicTool";
    const auto it = j.find("blocks");
    if (it == j.end() || !it->is_object() || it->empty())
        Expected("\"blocks\"", "an object of blocks keyed \"0\", \"1\", ...");
    const size_t count = it->size();
    if (count > maxCount)
        Expected("\"blocks\"", "at most " + std::to_string(maxCount) + " blocks");
    MaybeBytes out;
    for (size_t i = 0; i < count; ++i) {
        const std::string key = std::to_string(i);
        const auto b = it->find(key);
        if (b == it->end())
            Expected("\"blocks\"", "key \"" + key + "\" (blocks numbered from 0 without gaps)");
        const std::string where = "\"blocks\".\"" + key + "\"";
        const std::string what = std::to_string(size) + " bytes in hex";
        if (!b->is_string())
            Expected(where, what);
        const auto v = ParseHex(b->get<std::string>(),
                                HexRules{fromMct ? "--" : nullptr, false, true}, size, where, what);
        out.insert(out.end(), v.begin(), v.end());
    }
    return out;
}

std::string FileType(const json& j) {
    const auto it = j.find("FileType");
    if (it == j.end() || !it->is_string())
        Expected("\"FileType\"", "the dump type (mfc v2, mfu, 15693 v4, ...)");
    return it->get<std::string>();
}

const json& Card(const json& j) {
    static const json empty = json::object();
    const auto it = j.find("Card");
    if (it == j.end())
        return empty;
    if (!it->is_object())
        Expected("\"Card\"", "an object");
    return *it;
}

ClassicMemory ReadPm3Classic(const json& j) {
    const MaybeBytes b = Blocks(j, 16, 256);
    const auto size = cards::mifare::SizeWithBlocks(b.size() / 16);
    if (!size)
        Expected("\"blocks\"", "20, 64, 128 or 256 blocks (MINI, 1K, 2K, 4K), not " +
                                   std::to_string(b.size() / 16));
    ClassicMemory m = ClassicMemory::Unknown(*size);
    m.bytes = b;
    const json& card = Card(j);
    if (auto uid = CardHex(card, "UID", 0))
        m.uid = *uid;
    if (auto atqa = CardHex(card, "ATQA", 2)) // as on air: least significant byte first
        m.atqa = static_cast<uint16_t>((*atqa)[1] << 8 | (*atqa)[0]);
    if (auto sak = CardHex(card, "SAK", 1))
        m.sak = (*sak)[0];
    CheckClassicIdentity(m, "\"Card\".\"UID\"", "\"Card\".\"ATQA\"");
    return m;
}

uint32_t Counter(const std::vector<uint8_t>& raw) {
    return static_cast<uint32_t>(raw[0] | raw[1] << 8 | raw[2] << 16);
}

PageMemory ReadPm3Pages(const json& j) {
    PageMemory m;
    m.bytes = Blocks(j, 4, 256);
    const json& card = Card(j);
    if (auto v = CardHex(card, "Version", 8))
        m.version.emplace(), std::copy(v->begin(), v->end(), m.version->begin());
    if (auto v = CardHex(card, "Signature", 32))
        m.signature.emplace(), std::copy(v->begin(), v->end(), m.signature->begin());
    if (auto v = CardHex(card, "TBO_0", 2))
        m.tbo0 = std::array<uint8_t, 2>{(*v)[0], (*v)[1]};
    if (auto v = CardHex(card, "TBO_1", 1))
        m.tbo1 = (*v)[0];
    for (size_t i = 0; i < 3; ++i) {
        if (auto v = CardHex(card, ("Counter" + std::to_string(i)).c_str(), 3))
            m.counters[i] = Counter(*v);
        if (auto v = CardHex(card, ("Tearing" + std::to_string(i)).c_str(), 1))
            m.tearing[i] = (*v)[0];
    }
    CheckPagesUid(m, CardHex(card, "UID", 7), "\"Card\".\"UID\"");
    m.type = PageTypeFromVersion(m);
    return m;
}

Iso15693Memory ReadIso(const json& j, bool v4) {
    Iso15693Memory m;
    const json& card = Card(j);
    const auto byteOf = [&](const char* name) -> std::optional<uint8_t> {
        const auto v = CardHex(card, name, 1);
        return v ? std::optional<uint8_t>((*v)[0]) : std::nullopt;
    };
    const auto size = byteOf("bytesperpage");
    const auto count = byteOf("pagescount");
    if (size && (*size == 0 || *size > 32))
        Expected("\"Card\".\"bytesperpage\"", "a block size of 1 to 32 bytes");
    m.blockSize = size ? *size : 4;
    const MaybeBytes b = Blocks(j, static_cast<size_t>(m.blockSize), 160);
    m.bytes = b;
    if (b.size() > 2048)
        Expected("\"blocks\"", "at most 2048 bytes of tag memory");
    if (count && *count != m.Blocks())
        Expected("\"Card\".\"pagescount\"",
                 "the number of blocks in \"blocks\" (" + std::to_string(m.Blocks()) + ")");
    if (auto uid = CardHex(card, "uid", 8)) {
        // Since "15693 v4" least significant byte first (E0 last); earlier files
        // may hold it the other way round, which E0 tells.
        m.uid = *uid;
        if (m.uid[7] == 0xE0 || (v4 && m.uid[0] != 0xE0))
            std::reverse(m.uid.begin(), m.uid.end());
        if (m.uid[0] != 0xE0)
            Expected("\"Card\".\"uid\"", "an ISO 15693 UID (E0 as its most significant byte)");
    }
    m.dsfid = byteOf("dsfid");
    m.afi = byteOf("afi");
    m.icReference = byteOf("ic");
    if (auto l = byteOf("dsfidlock"))
        m.dsfidLocked = *l != 0;
    if (auto l = byteOf("afilock"))
        m.afiLocked = *l != 0;
    m.locks.assign(static_cast<size_t>(m.Blocks()), std::nullopt);
    if (auto locks = CardHex(card, "locks", 0)) {
        if (locks->size() < m.locks.size())
            Expected("\"Card\".\"locks\"", "one byte per block");
        for (size_t i = 0; i < m.locks.size(); ++i)
            m.locks[i] = (*locks)[i] != 0;
    }
    return m;
}

std::string Hex(const MaybeBytes& b, size_t at, size_t n, Filler& fill) {
    std::vector<uint8_t> out;
    for (size_t i = at; i < at + n; ++i)
        out.push_back(fill(b[i]));
    return WriteHex(out.data(), out.size());
}

ordered_json BlockObject(const MaybeBytes& bytes, size_t size, Filler& fill) {
    ordered_json blocks = ordered_json::object();
    for (size_t at = 0, i = 0; at + size <= bytes.size(); at += size, ++i)
        blocks[std::to_string(i)] = Hex(bytes, at, size, fill);
    return blocks;
}

template <size_t N> std::string Known(const std::optional<std::array<uint8_t, N>>& v, Filler& f) {
    if (v)
        return WriteHex(v->data(), N);
    f.Missing(N);
    return WriteHex(std::vector<uint8_t>(N, f.FillByte()).data(), N);
}

std::string KnownByte(const std::optional<uint8_t>& v, Filler& f) {
    const uint8_t b = f(v);
    return WriteHex(&b, 1);
}

ordered_json WritePm3Classic(const ClassicMemory& m, Filler& fill) {
    namespace md = cards::mifare;
    ordered_json card = ordered_json::object();
    const ClassicIdentity id = IdentityOf(m);
    std::vector<uint8_t> uid = id.uid;
    if (uid.empty()) {
        fill.Missing(4);
        uid.assign(4, fill.FillByte());
    }
    card["UID"] = WriteHex(uid.data(), uid.size());
    const uint16_t atqa = id.atqa ? *id.atqa : (fill.Missing(2), fill.FillByte() * 0x101);
    const uint8_t air[2] = {static_cast<uint8_t>(atqa), static_cast<uint8_t>(atqa >> 8)};
    card["ATQA"] = WriteHex(air, 2);
    card["SAK"] = KnownByte(id.sak, fill);
    ordered_json j{{"Created", kCreated}, {"FileType", "mfc v2"}, {"Card", card}};
    j["blocks"] = BlockObject(m.bytes, 16, fill);
    // Derived from the trailers for the reader of the file; ignored when loaded.
    ordered_json keys = ordered_json::object();
    for (int s = 0; s < m.Sectors(); ++s) {
        const size_t t = m.BlockOffset(md::TrailerOf(s));
        Filler quiet(fill.FillByte());
        keys[std::to_string(s)] = {{"KeyA", Hex(m.bytes, t, 6, quiet)},
                                   {"KeyB", Hex(m.bytes, t + 10, 6, quiet)},
                                   {"AccessConditions", Hex(m.bytes, t + 6, 4, quiet)}};
    }
    j["SectorKeys"] = keys;
    return j;
}

ordered_json WritePm3Pages(const PageMemory& m, Filler& fill) {
    ordered_json card = ordered_json::object();
    std::vector<uint8_t> u;
    for (size_t i : {0u, 1u, 2u, 4u, 5u, 6u, 7u})
        u.push_back(fill(i < m.bytes.size() ? m.bytes[i] : std::nullopt));
    card["UID"] = WriteHex(u.data(), 7);
    card["Version"] = Known(m.version, fill);
    card["TBO_0"] = Known(m.tbo0, fill);
    card["TBO_1"] = KnownByte(m.tbo1, fill);
    card["Signature"] = Known(m.signature, fill);
    for (size_t i = 0; i < 3; ++i) {
        uint32_t c = 0;
        if (m.counters[i])
            c = *m.counters[i];
        else
            fill.Missing(3), c = fill.FillByte() * 0x10101u;
        const uint8_t raw[3] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                static_cast<uint8_t>(c >> 16)};
        card["Counter" + std::to_string(i)] = WriteHex(raw, 3);
        card["Tearing" + std::to_string(i)] = KnownByte(m.tearing[i], fill);
    }
    if (m.Pages() > 256)
        throw DumpError("Proxmark3 JSON holds at most 256 pages, the tag has " +
                        std::to_string(m.Pages()));
    ordered_json j{{"Created", kCreated}, {"FileType", "mfu"}, {"Card", card}};
    j["blocks"] = BlockObject(m.bytes, 4, fill);
    return j;
}

ordered_json WritePm3Iso(const Iso15693Memory& m, Filler& fill) {
    if (m.Blocks() < 1 || m.Blocks() > 160 || m.bytes.size() > 2048)
        throw DumpError("Proxmark3 JSON holds 1 to 160 blocks and at most 2048 bytes; the tag "
                        "has " +
                        std::to_string(m.Blocks()) + " blocks of " + std::to_string(m.blockSize) +
                        " bytes");
    ordered_json card = ordered_json::object();
    std::vector<uint8_t> uid = m.uid;
    if (uid.size() != 8) {
        fill.Missing(8);
        uid.assign(8, fill.FillByte());
    }
    std::reverse(uid.begin(), uid.end()); // least significant byte first
    const auto flag = [&](const std::optional<bool>& b) {
        return KnownByte(b ? std::optional<uint8_t>(*b ? 1 : 0) : std::nullopt, fill);
    };
    card["uid"] = WriteHex(uid.data(), 8);
    card["dsfid"] = KnownByte(m.dsfid, fill);
    card["dsfidlock"] = flag(m.dsfidLocked);
    card["afi"] = KnownByte(m.afi, fill);
    card["afilock"] = flag(m.afiLocked);
    const uint8_t size = static_cast<uint8_t>(m.blockSize),
                  count = static_cast<uint8_t>(m.Blocks());
    card["bytesperpage"] = WriteHex(&size, 1);
    card["pagescount"] = WriteHex(&count, 1);
    card["ic"] = KnownByte(m.icReference, fill);
    std::vector<uint8_t> locks;
    for (size_t i = 0; i < static_cast<size_t>(m.Blocks()); ++i) {
        const auto l = i < m.locks.size() ? m.locks[i] : std::nullopt;
        locks.push_back(fill(l ? std::optional<uint8_t>(*l ? 1 : 0) : std::nullopt));
    }
    card["locks"] = WriteHex(locks.data(), locks.size());
    card["random"] = "0000";
    card["privacypasswd"] = "00000000";
    card["state"] = "00";
    ordered_json j{{"Created", kCreated}, {"FileType", "15693 v4"}, {"Card", card}};
    j["blocks"] = BlockObject(m.bytes, static_cast<size_t>(m.blockSize), fill);
    return j;
}

} // namespace

bool IsPm3Json(const json& j) {
    return j.is_object() && j.contains("FileType");
}

TagDump ReadPm3Json(const json& j) {
    const std::string type = FileType(j);
    if (type == "mfcard" || type == "mfc v2" || type == "mfc v3")
        return ReadPm3Classic(j);
    if (type == "mfu")
        return ReadPm3Pages(j);
    if (type == "15693" || type == "15693 v2" || type == "15693 v3" || type == "15693 v4")
        return ReadIso(j, type == "15693 v4");
    Expected("\"FileType\"", "a MIFARE Classic, Ultralight or ISO 15693 dump (mfc v2, mfcard, "
                             "mfc v3, mfu, 15693 v4, ...), not \"" +
                                 type + "\"");
}

std::string WritePm3Json(const TagDump& dump, Filler& fill) {
    ordered_json j;
    if (const auto* m = std::get_if<ClassicMemory>(&dump))
        j = WritePm3Classic(*m, fill);
    else if (const auto* p = std::get_if<PageMemory>(&dump))
        j = WritePm3Pages(*p, fill);
    else
        j = WritePm3Iso(std::get<Iso15693Memory>(dump), fill);
    return j.dump(2);
}

} // namespace vorex::dumpfiles

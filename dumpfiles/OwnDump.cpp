#include "dumpfiles/OwnDump.h"

#include "cards/ClassicDump.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/HexText.h"

#include <nlohmann/json.hpp>

namespace vorex::dumpfiles {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

const HexRules kMarked{"??", false, false};

std::string Field(const std::string& name) {
    return "\"" + name + "\"";
}

const json* Find(const json& j, const char* name) {
    const auto it = j.find(name);
    return it == j.end() || it->is_null() ? nullptr : &*it;
}

std::string Text(const json& j, const char* name, const char* what) {
    const json* v = Find(j, name);
    if (!v || !v->is_string())
        Expected(Field(name), what);
    return v->get<std::string>();
}

template <size_t N>
std::optional<std::array<uint8_t, N>> OptionalArray(const json& j, const char* name) {
    const json* v = Find(j, name);
    if (!v)
        return std::nullopt;
    if (!v->is_string())
        Expected(Field(name), std::to_string(N) + " bytes in hex");
    const auto b =
        ParseKnownHex(v->get<std::string>(), N, Field(name), std::to_string(N) + " bytes in hex");
    std::array<uint8_t, N> out;
    std::copy(b.begin(), b.end(), out.begin());
    return out;
}

std::optional<uint8_t> OptionalByte(const json& j, const char* name) {
    const auto a = OptionalArray<1>(j, name);
    return a ? std::optional<uint8_t>((*a)[0]) : std::nullopt;
}

std::optional<bool> OptionalBool(const json& j, const char* name) {
    const json* v = Find(j, name);
    if (!v)
        return std::nullopt;
    if (!v->is_boolean())
        Expected(Field(name), "true, false or null");
    return v->get<bool>();
}

// A list of hex strings (null or "??" per unknown byte), `size` bytes each.
MaybeBytes Units(const json& j, const char* name, size_t size, const char* unit) {
    const json* list = Find(j, name);
    if (!list || !list->is_array())
        Expected(Field(name), std::string("a list of ") + unit + "s");
    MaybeBytes out;
    for (size_t i = 0; i < list->size(); ++i) {
        const json& e = (*list)[i];
        const std::string where = Field(name) + "[" + std::to_string(i) + "]";
        const std::string what = std::to_string(size) + " bytes in hex (?? unknown) or null";
        if (e.is_null()) {
            out.insert(out.end(), size, std::nullopt);
            continue;
        }
        if (!e.is_string())
            Expected(where, what);
        const MaybeBytes b = ParseHex(e.get<std::string>(), kMarked, size, where, what);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

ordered_json UnitList(const MaybeBytes& bytes, size_t size) {
    ordered_json list = ordered_json::array();
    for (size_t at = 0; at + size <= bytes.size(); at += size)
        list.push_back(WriteHex(bytes, at, size, "??"));
    return list;
}

template <typename T> ordered_json HexOr(const std::optional<T>& v) {
    if (!v)
        return nullptr;
    return WriteHex(v->data(), v->size());
}
ordered_json ByteOr(const std::optional<uint8_t>& v) {
    return v ? ordered_json(WriteHex(&*v, 1)) : ordered_json(nullptr);
}
ordered_json BoolOr(const std::optional<bool>& v) {
    return v ? ordered_json(*v) : ordered_json(nullptr);
}

ClassicMemory ReadClassic(const json& j) {
    const std::string type = Text(j, "type", "the card size MINI, 1K, 2K or 4K");
    const auto size = cards::mifare::SizeNamed(type);
    if (!size)
        Expected(Field("type"), "the card size MINI, 1K, 2K or 4K");
    ClassicMemory m = ClassicMemory::Unknown(*size);
    const MaybeBytes b = Units(j, "blocks", 16, "block");
    if (b.size() != m.bytes.size())
        Expected(Field("blocks"), std::to_string(m.Blocks()) + " blocks for a " + type + " card");
    m.bytes = b;
    if (const json* uid = Find(j, "uid"))
        m.uid = ParseKnownHex(uid->is_string() ? uid->get<std::string>() : "?", 0, Field("uid"),
                              "the UID in hex");
    if (const auto atqa = OptionalArray<2>(j, "atqa"))
        m.atqa = static_cast<uint16_t>((*atqa)[0] << 8 | (*atqa)[1]);
    m.sak = OptionalByte(j, "sak");
    return m;
}

PageMemory ReadPages(const json& j) {
    PageMemory m;
    if (const json* t = Find(j, "type"); t && t->is_string())
        m.type = t->get<std::string>();
    m.bytes = Units(j, "pages", 4, "page");
    m.version = OptionalArray<8>(j, "get_version");
    m.signature = OptionalArray<32>(j, "signature");
    m.tbo0 = OptionalArray<2>(j, "tbo0");
    m.tbo1 = OptionalByte(j, "tbo1");
    for (const char* name : {"counters", "tearing"}) {
        const json* list = Find(j, name);
        if (!list)
            continue;
        if (!list->is_array() || list->size() != 3)
            Expected(Field(name), "a list of 3 entries");
        for (size_t i = 0; i < 3; ++i) {
            const json& e = (*list)[i];
            if (e.is_null())
                continue;
            const std::string where = Field(name) + "[" + std::to_string(i) + "]";
            if (name[0] == 'c') {
                if (!e.is_number_unsigned() || e.get<uint64_t>() > 0xFFFFFF)
                    Expected(where, "a counter value 0..16777215 or null");
                m.counters[i] = static_cast<uint32_t>(e.get<uint64_t>());
            } else {
                m.tearing[i] = ParseKnownHex(e.is_string() ? e.get<std::string>() : "?", 1, where,
                                             "one byte in hex or null")[0];
            }
        }
    }
    return m;
}

Iso15693Memory ReadIso(const json& j) {
    Iso15693Memory m;
    const json* size = Find(j, "block_size");
    if (!size || !size->is_number_unsigned() || size->get<uint64_t>() < 1 ||
        size->get<uint64_t>() > 32)
        Expected(Field("block_size"), "the block size 1..32");
    m.blockSize = static_cast<int>(size->get<uint64_t>());
    if (const json* uid = Find(j, "uid"))
        m.uid = ParseKnownHex(uid->is_string() ? uid->get<std::string>() : "?", 8, Field("uid"),
                              "8 UID bytes in hex, E0 first");
    m.bytes = Units(j, "blocks", static_cast<size_t>(m.blockSize), "block");
    m.locks.assign(static_cast<size_t>(m.Blocks()), std::nullopt);
    if (const json* locks = Find(j, "locks")) {
        if (!locks->is_array() || locks->size() != m.locks.size())
            Expected(Field("locks"), "one entry (true, false or null) per block");
        for (size_t i = 0; i < locks->size(); ++i) {
            if ((*locks)[i].is_boolean())
                m.locks[i] = (*locks)[i].get<bool>();
            else if (!(*locks)[i].is_null())
                Expected(Field("locks") + "[" + std::to_string(i) + "]", "true, false or null");
        }
    }
    m.dsfid = OptionalByte(j, "dsfid");
    m.afi = OptionalByte(j, "afi");
    m.icReference = OptionalByte(j, "ic_reference");
    m.dsfidLocked = OptionalBool(j, "dsfid_locked");
    m.afiLocked = OptionalBool(j, "afi_locked");
    if (const json* s = Find(j, "slix")) {
        if (!s->is_object())
            Expected(Field("slix"), "an object");
        cards::iso15693::SlixSettings x;
        if (const json* c = Find(*s, "capabilities"); c && c->is_string())
            x.capabilities = c->get<std::string>();
        const char* names[] = {"password_read", "password_write", "password_privacy",
                               "password_destroy", "password_eas"};
        for (size_t i = 0; i < 5; ++i)
            if (auto p = OptionalArray<4>(*s, names[i]))
                x.passwords[i] = *p;
        x.signature = OptionalArray<32>(*s, "signature");
        x.privacyMode = OptionalBool(*s, "privacy_mode").value_or(false);
        x.protectionPointer = OptionalByte(*s, "protection_pointer").value_or(0);
        x.protectionCondition = OptionalByte(*s, "protection_condition").value_or(0);
        x.lockEas = OptionalBool(*s, "lock_eas").value_or(false);
        x.lockPpl = OptionalBool(*s, "lock_ppl").value_or(false);
        m.slix = x;
    }
    return m;
}

// Earlier layouts, without the envelope.
TagDump ReadLegacy(const json& j) {
    if (j.contains("pages")) {
        PageMemory m;
        m.bytes = Units(j, "pages", 4, "page");
        const std::string type =
            j.contains("type") && j["type"].is_string() ? j["type"].get<std::string>() : "";
        m.type = cards::type2::TypeForTagName(type, m.Pages());
        return m;
    }
    if (j.contains("block_size")) {
        // {"uid" (MSB first), "block_size", "blocks": [{"block", "data", "locked"}]}
        Iso15693Memory m;
        const json* size = Find(j, "block_size");
        if (!size->is_number_unsigned() || size->get<uint64_t>() < 1 || size->get<uint64_t>() > 32)
            Expected(Field("block_size"), "the block size 1..32");
        m.blockSize = static_cast<int>(size->get<uint64_t>());
        const json* count = Find(j, "block_count");
        const json* list = Find(j, "blocks");
        if (!count || !count->is_number_unsigned() || count->get<uint64_t>() > 8192 || !list ||
            !list->is_array())
            Expected(Field("block_count"), "the block count and a list of blocks");
        const size_t blocks = count->get<uint64_t>();
        m.bytes.assign(blocks * static_cast<size_t>(m.blockSize), std::nullopt);
        m.locks.assign(blocks, std::nullopt);
        for (size_t i = 0; i < list->size(); ++i) {
            const json& e = (*list)[i];
            const std::string where = Field("blocks") + "[" + std::to_string(i) + "]";
            if (!e.is_object() || !e.contains("block") || !e["block"].is_number_unsigned() ||
                e["block"].get<uint64_t>() >= blocks || !e.contains("data") ||
                !e["data"].is_string())
                Expected(where, "{\"block\": a block of the tag, \"data\": hex}");
            const size_t b = e["block"].get<uint64_t>();
            const auto data =
                ParseKnownHex(e["data"].get<std::string>(), static_cast<size_t>(m.blockSize), where,
                              "block data of the block size");
            std::copy(data.begin(), data.end(),
                      m.bytes.begin() + static_cast<long>(b * static_cast<size_t>(m.blockSize)));
            if (e.contains("locked") && e["locked"].is_boolean())
                m.locks[b] = e["locked"].get<bool>();
        }
        if (const json* uid = Find(j, "uid"); uid && uid->is_string())
            m.uid = ParseKnownHex(uid->get<std::string>(), 8, Field("uid"), "8 UID bytes in hex");
        return m;
    }
    // MIFARE Classic, the layout of the dump procedures.
    cards::mifare::ClassicDump d;
    std::string error;
    if (!cards::mifare::ParseDump(j.dump(), d, error))
        throw DumpError(error);
    return cards::mifare::FromDump(d);
}

} // namespace

bool IsOwnDump(const json& j) {
    if (!j.is_object())
        return false;
    if (j.contains("format"))
        return j["format"] == "vorex-dump";
    return !j.contains("FileType") && !j.contains("Created") &&
           (j.contains("blocks") || j.contains("pages"));
}

TagDump ReadOwnDump(const json& j) {
    if (!j.contains("format"))
        return ReadLegacy(j);
    const json* version = Find(j, "version");
    if (!version || !version->is_number_unsigned())
        Expected(Field("version"), "the format version");
    if (version->get<uint64_t>() > kOwnFormatVersion)
        throw DumpError("\"version\": written by a newer version of this program (format " +
                        std::to_string(version->get<uint64_t>()) + "; this one reads up to " +
                        std::to_string(kOwnFormatVersion) + ")");
    const std::string family =
        Text(j, "family", "the tag family mifare-classic, ultralight or iso15693");
    if (family == "mifare-classic")
        return ReadClassic(j);
    if (family == "ultralight")
        return ReadPages(j);
    if (family == "iso15693")
        return ReadIso(j);
    Expected(Field("family"), "the tag family mifare-classic, ultralight or iso15693");
}

std::string WriteOwnDump(const TagDump& dump) {
    ordered_json j{
        {"format", "vorex-dump"}, {"family", FamilyName(dump)}, {"version", kOwnFormatVersion}};
    if (const auto* m = std::get_if<ClassicMemory>(&dump)) {
        j["type"] = cards::mifare::SizeName(m->size);
        j["uid"] = m->uid.empty() ? ordered_json(nullptr)
                                  : ordered_json(WriteHex(m->uid.data(), m->uid.size()));
        if (m->atqa) {
            const uint8_t a[2] = {static_cast<uint8_t>(*m->atqa >> 8),
                                  static_cast<uint8_t>(*m->atqa)};
            j["atqa"] = WriteHex(a, 2);
        } else {
            j["atqa"] = nullptr;
        }
        j["sak"] = ByteOr(m->sak);
        j["blocks"] = UnitList(m->bytes, 16);
    } else if (const auto* p = std::get_if<PageMemory>(&dump)) {
        j["type"] = p->type;
        j["pages"] = UnitList(p->bytes, 4);
        j["get_version"] = HexOr(p->version);
        j["signature"] = HexOr(p->signature);
        ordered_json counters = ordered_json::array(), tearing = ordered_json::array();
        for (size_t i = 0; i < 3; ++i) {
            counters.push_back(p->counters[i] ? ordered_json(*p->counters[i])
                                              : ordered_json(nullptr));
            tearing.push_back(ByteOr(p->tearing[i]));
        }
        j["counters"] = counters;
        j["tearing"] = tearing;
        j["tbo0"] = HexOr(p->tbo0);
        j["tbo1"] = ByteOr(p->tbo1);
    } else {
        const auto& t = std::get<Iso15693Memory>(dump);
        j["uid"] = t.uid.empty() ? ordered_json(nullptr)
                                 : ordered_json(WriteHex(t.uid.data(), t.uid.size()));
        j["block_size"] = t.blockSize;
        j["blocks"] = UnitList(t.bytes, static_cast<size_t>(t.blockSize));
        ordered_json locks = ordered_json::array();
        for (const auto& l : t.locks)
            locks.push_back(BoolOr(l));
        j["locks"] = locks;
        j["dsfid"] = ByteOr(t.dsfid);
        j["afi"] = ByteOr(t.afi);
        j["ic_reference"] = ByteOr(t.icReference);
        j["dsfid_locked"] = BoolOr(t.dsfidLocked);
        j["afi_locked"] = BoolOr(t.afiLocked);
        if (t.slix) {
            const auto& x = *t.slix;
            ordered_json s{{"capabilities", x.capabilities}};
            const char* names[] = {"password_read", "password_write", "password_privacy",
                                   "password_destroy", "password_eas"};
            for (size_t i = 0; i < 5; ++i)
                s[names[i]] = WriteHex(x.passwords[i].data(), 4);
            s["signature"] = HexOr(x.signature);
            s["privacy_mode"] = x.privacyMode;
            s["protection_pointer"] = WriteHex(&x.protectionPointer, 1);
            s["protection_condition"] = WriteHex(&x.protectionCondition, 1);
            s["lock_eas"] = x.lockEas;
            s["lock_ppl"] = x.lockPpl;
            j["slix"] = s;
        }
    }
    return j.dump(1) + "\n";
}

} // namespace vorex::dumpfiles

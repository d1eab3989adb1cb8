#include "dumpfiles/FlipperNfc.h"

#include "cards/ClassicGeometry.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/HexText.h"
#include "dumpfiles/IdentityChecks.h"

#include <algorithm>
#include <map>

namespace vorex::dumpfiles {

namespace md = cards::mifare;

namespace {

const char kFiletype[] = "Filetype: Flipper NFC device";

// The "Key: value" lines of a file, by key (the first of a repeated key counts).
class Fields {
public:
    explicit Fields(const std::string& content) {
        for (const auto& line : SplitLines(content)) {
            if (line.text.empty() || line.text[0] == '#')
                continue;
            const size_t colon = line.text.find(": ");
            if (colon == std::string::npos || colon == 0) {
                // "Key:" with an empty value is allowed
                if (!line.text.empty() && line.text.back() == ':' && line.text.size() > 1) {
                    fields_.emplace(line.text.substr(0, line.text.size() - 1),
                                    Entry{"", line.number});
                    continue;
                }
                Expected(AtLine(line.number), "\"Key: value\"");
            }
            fields_.emplace(line.text.substr(0, colon),
                            Entry{line.text.substr(colon + 2), line.number});
        }
        end_ = SplitLines(content).size() + 1;
    }
    bool Has(const std::string& key) const { return fields_.count(key) != 0; }
    const std::string& Value(const std::string& key, const std::string& what) const {
        const auto it = fields_.find(key);
        if (it == fields_.end())
            Expected(AtLine(end_), "\"" + key + ":\" (" + what + ")");
        return it->second.value;
    }
    std::string Where(const std::string& key) const {
        const auto it = fields_.find(key);
        return it == fields_.end() ? AtLine(end_) : AtLine(it->second.line);
    }
    cards::MaybeBytes Hex(const std::string& key, size_t count, bool marked = false) const {
        const std::string what = (count ? std::to_string(count) + " " : std::string()) +
                                 "bytes as hex pairs separated by blanks" +
                                 (marked ? " (?? unknown)" : "");
        return ParseHex(Value(key, what), HexRules{marked ? "??" : nullptr, true, false}, count,
                        Where(key), "\"" + key + ":\" " + what);
    }
    std::vector<uint8_t> Known(const std::string& key, size_t count) const {
        std::vector<uint8_t> out;
        for (const auto& b : Hex(key, count))
            out.push_back(*b);
        return out;
    }
    std::optional<uint8_t> OptionalByte(const std::string& key) const {
        if (!Has(key))
            return std::nullopt;
        return Known(key, 1)[0];
    }
    long Number(const std::string& key, long max) const {
        const std::string& v = Value(key, "a decimal number");
        if (v.empty() || v.size() > 9 ||
            !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stol(v) > max)
            Expected(Where(key), "\"" + key + ":\" a decimal number up to " + std::to_string(max));
        return std::stol(v);
    }
    std::optional<bool> Bool(const std::string& key) const {
        if (!Has(key))
            return std::nullopt;
        const std::string& v = Value(key, "true or false");
        if (v != "true" && v != "false")
            Expected(Where(key), "\"" + key + ":\" true or false");
        return v == "true";
    }

private:
    struct Entry {
        std::string value;
        size_t line;
    };
    std::multimap<std::string, Entry> fields_;
    size_t end_ = 1;
};

uint16_t Atqa(const Fields& f, int version) {
    const auto a = f.Known("ATQA", 2);
    // Version 2 holds it least significant byte first, later versions the other way.
    return version == 2 ? static_cast<uint16_t>(a[1] << 8 | a[0])
                        : static_cast<uint16_t>(a[0] << 8 | a[1]);
}

std::string AtqaOrderHint(int version) {
    return "\"ATQA:\" (version " + std::to_string(version) +
           (version == 2 ? " writes it least significant byte first)"
                         : " writes it most significant byte first)");
}

ClassicMemory ReadClassic(const Fields& f, int version) {
    const std::string& typeName = f.Value("Mifare Classic type", "MINI, 1K or 4K");
    std::optional<md::ClassicSize> size = md::SizeNamed(typeName);
    if (typeName == "Plus 2K")
        size = md::ClassicSize::K2;
    if (!size)
        Expected(f.Where("Mifare Classic type"), "\"Mifare Classic type:\" MINI, 1K, 2K or 4K");
    ClassicMemory m = ClassicMemory::Unknown(*size);
    m.uid = f.Known("UID", 0);
    m.atqa = Atqa(f, version);
    m.sak = f.Known("SAK", 1)[0];
    // Without data format 2 the blocks carry no "??" marks: every byte counts as unknown.
    const bool marked = f.Has("Data format version") && f.Number("Data format version", 255) >= 2;
    for (int b = 0; b < m.Blocks(); ++b) {
        const auto bytes = f.Hex("Block " + std::to_string(b), 16, true);
        if (marked)
            std::copy(bytes.begin(), bytes.end(), m.bytes.begin() + static_cast<long>(16 * b));
    }
    CheckClassicIdentity(m, f.Where("UID"), f.Where("ATQA") + ": " + AtqaOrderHint(version));
    return m;
}

PageMemory ReadPages(const Fields& f, const std::string& type) {
    PageMemory m;
    m.type = type;
    const long total = f.Has("Pages total") ? f.Number("Pages total", 1024)
                                            : static_cast<long>(cards::type2::PagesOfType(type));
    if (total <= 0)
        Expected(f.Where("Pages total"), "\"Pages total:\" the page count of the tag");
    const long read = f.Has("Pages read") ? f.Number("Pages read", total) : total;
    m.bytes.assign(static_cast<size_t>(total) * 4, std::nullopt);
    for (long p = 0; p < total; ++p) {
        const std::string key = "Page " + std::to_string(p);
        if (p >= read && !f.Has(key))
            continue;
        const auto bytes = f.Hex(key, 4);
        if (p < read)
            std::copy(bytes.begin(), bytes.end(), m.bytes.begin() + 4 * p);
    }
    if (f.Has("Signature")) {
        const auto s = f.Known("Signature", 32);
        m.signature.emplace();
        std::copy(s.begin(), s.end(), m.signature->begin());
    }
    if (f.Has("Mifare version")) {
        const auto v = f.Known("Mifare version", 8);
        m.version.emplace();
        std::copy(v.begin(), v.end(), m.version->begin());
    }
    for (size_t i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        if (f.Has("Counter " + n))
            m.counters[i] = static_cast<uint32_t>(f.Number("Counter " + n, 0xFFFFFF));
        m.tearing[i] = f.OptionalByte("Tearing " + n);
    }
    CheckPagesUid(m, f.Known("UID", 7), f.Where("UID"));
    return m;
}

Iso15693Memory ReadIso(const Fields& f, bool legacy, bool slix) {
    Iso15693Memory m;
    m.uid = f.Known("UID", 8);
    if (m.uid[0] != 0xE0)
        Expected(f.Where("UID"), "\"UID:\" 8 bytes, most significant (E0) first");
    m.dsfid = f.OptionalByte("DSFID");
    m.afi = f.OptionalByte("AFI");
    m.icReference = f.OptionalByte("IC Reference");
    m.dsfidLocked = f.Bool("Lock DSFID");
    m.afiLocked = f.Bool("Lock AFI");
    const long count = f.Number("Block Count", 8192);
    const auto size = f.Known("Block Size", 1)[0];
    if (size == 0 || size > 32)
        Expected(f.Where("Block Size"), "\"Block Size:\" 01 to 20 (hex)");
    m.blockSize = size;
    m.bytes = f.Hex("Data Content", static_cast<size_t>(count) * size);
    const auto status = f.Known("Security Status", 0);
    // Legacy files put the DSFID/AFI lock bits in front of the block locks.
    const size_t skip = legacy && status.size() == static_cast<size_t>(count) + 1 ? 1 : 0;
    if (status.size() != static_cast<size_t>(count) + skip)
        Expected(f.Where("Security Status"),
                 "\"Security Status:\" one byte per block (" + std::to_string(count) + ")");
    for (size_t i = 0; i < static_cast<size_t>(count); ++i)
        m.locks.push_back(status[skip + i] != 0);
    if (slix) {
        cards::iso15693::SlixSettings x;
        if (f.Has("Capabilities")) {
            const std::string& c = f.Value("Capabilities", "Default or Accept all passwords");
            if (c == "Accept all passwords" || c == "AcceptAllPasswords")
                x.capabilities = "AcceptAllPasswords";
            else if (c != "Default")
                Expected(f.Where("Capabilities"), "\"Capabilities:\" Default or Accept all "
                                                  "passwords");
        }
        const char* names[] = {"Read", "Write", "Privacy", "Destroy", "EAS"};
        for (size_t i = 0; i < 5; ++i) {
            const std::string key = std::string("Password ") + names[i];
            if (f.Has(key)) {
                const auto p = f.Known(key, 4);
                std::copy(p.begin(), p.end(), x.passwords[i].begin());
            }
        }
        if (f.Has("Signature")) {
            const auto s = f.Known("Signature", 32);
            x.signature.emplace();
            std::copy(s.begin(), s.end(), x.signature->begin());
        }
        x.privacyMode = f.Bool("Privacy Mode").value_or(false);
        x.protectionPointer = f.OptionalByte("Protection Pointer").value_or(0);
        x.protectionCondition = f.OptionalByte("Protection Condition").value_or(0);
        x.lockEas = f.Bool("Lock EAS").value_or(false);
        x.lockPpl = f.Bool("Lock PPL").value_or(false);
        m.slix = x;
    }
    return m;
}

// Writes "Key: value" lines.
class Out {
public:
    void Line(const std::string& key, const std::string& value) {
        text_ += key + ": " + value + "\n";
    }
    void Comment(const std::string& text) { text_ += "# " + text + "\n"; }
    std::string Hex(const cards::MaybeBytes& b, size_t at, size_t n, Filler& fill) {
        std::vector<uint8_t> v;
        for (size_t i = at; i < at + n; ++i)
            v.push_back(fill(b[i]));
        return WriteHex(v.data(), v.size(), " ");
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

template <size_t N>
std::string ArrayHex(const std::optional<std::array<uint8_t, N>>& v, Filler& fill) {
    cards::MaybeBytes b(N);
    if (v)
        for (size_t i = 0; i < N; ++i)
            b[i] = (*v)[i];
    std::vector<uint8_t> out;
    for (const auto& x : b)
        out.push_back(fill(x));
    return WriteHex(out.data(), N, " ");
}

void Header(Out& o, const std::string& deviceType) {
    o.Line("Filetype", "Flipper NFC device");
    o.Line("Version", "4");
    o.Comment("Device type can be ISO14443-3A, ISO14443-3B, ISO14443-4A, ISO14443-4B, "
              "ISO15693-3, FeliCa, NTAG/Ultralight, Mifare Classic, Mifare Plus, Mifare "
              "DESFire, SLIX, ST25TB, EMV");
    o.Line("Device type", deviceType);
    o.Comment("UID is common for all formats");
}

// A Flipper takes a data block as read only when all 16 bytes are known, and a trailer's
// Key A, access bytes and Key B each only when whole: the unknown bytes of a partly
// known unit are filled so that its known bytes are kept.
cards::MaybeBytes FlipperUnits(const ClassicMemory& m, int block, Filler& fill) {
    const size_t at = m.BlockOffset(block);
    cards::MaybeBytes out(m.bytes.begin() + static_cast<long>(at),
                          m.bytes.begin() + static_cast<long>(at + 16));
    const std::vector<std::pair<size_t, size_t>> units =
        md::IsTrailer(block) ? std::vector<std::pair<size_t, size_t>>{{0, 6}, {6, 4}, {10, 6}}
                             : std::vector<std::pair<size_t, size_t>>{{0, 16}};
    for (const auto& [first, count] : units) {
        const auto begin = out.begin() + static_cast<long>(first);
        const auto end = begin + static_cast<long>(count);
        if (std::none_of(begin, end, [](const MaybeByte& v) { return v.has_value(); }))
            continue;
        for (auto it = begin; it != end; ++it)
            *it = fill(*it);
    }
    return out;
}

std::string WriteClassic(const ClassicMemory& m, Filler& fill) {
    if (m.size == md::ClassicSize::K2)
        throw DumpError("Flipper files know MIFARE Classic MINI, 1K and 4K, not 2K");
    Out o;
    Header(o, "Mifare Classic");
    const ClassicIdentity id = IdentityOf(m);
    std::vector<uint8_t> uid = id.uid;
    if (uid.empty()) {
        fill.Missing(4);
        uid.assign(4, fill.FillByte());
    }
    o.Line("UID", WriteHex(uid.data(), uid.size(), " "));
    o.Comment("ISO14443-3A specific data");
    const cards::MaybeBytes atqa = id.atqa ? cards::MaybeBytes{static_cast<uint8_t>(*id.atqa >> 8),
                                                               static_cast<uint8_t>(*id.atqa)}
                                           : cards::MaybeBytes(2);
    o.Line("ATQA", o.Hex(atqa, 0, 2, fill));
    o.Line("SAK", o.Hex(cards::MaybeBytes{id.sak}, 0, 1, fill));
    o.Comment("Mifare Classic specific data");
    o.Line("Mifare Classic type", md::SizeName(m.size));
    o.Line("Data format version", "2");
    o.Comment("Mifare Classic blocks, '?"
              "?' means unknown data");
    for (int b = 0; b < m.Blocks(); ++b)
        o.Line("Block " + std::to_string(b), WriteHex(FlipperUnits(m, b, fill), 0, 16, "??", " "));
    return o.Text();
}

std::string WritePages(const PageMemory& m, Filler& fill) {
    Out o;
    Header(o, "NTAG/Ultralight");
    cards::MaybeBytes uid;
    for (size_t i : {0u, 1u, 2u, 4u, 5u, 6u, 7u})
        uid.push_back(i < m.bytes.size() ? m.bytes[i] : std::nullopt);
    o.Line("UID", o.Hex(uid, 0, 7, fill));
    o.Comment("ISO14443-3A specific data");
    o.Line("ATQA", "00 44");
    o.Line("SAK", "00");
    o.Comment("NTAG/Ultralight specific data");
    o.Line("Data format version", "2");
    const std::string type = m.type.empty() ? PageTypeFromVersion(m) : m.type;
    if (type.empty())
        throw DumpError("Flipper files name the chip; " + std::to_string(m.Pages()) +
                        " pages fit no NTAG/Ultralight type it knows");
    o.Line("NTAG/Ultralight type", type);
    o.Line("Signature", ArrayHex(m.signature, fill));
    o.Line("Mifare version", ArrayHex(m.version, fill));
    for (size_t i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        if (!m.counters[i])
            fill.Missing(3);
        o.Line("Counter " + n, std::to_string(m.counters[i].value_or(0)));
        o.Line("Tearing " + n, o.Hex(cards::MaybeBytes{m.tearing[i]}, 0, 1, fill));
    }
    // Pages up to the last one with a known byte count as read; unknown bytes among
    // them cannot be marked.
    size_t read = m.Pages();
    while (read > 0 && !std::any_of(m.bytes.begin() + 4 * static_cast<long>(read - 1),
                                    m.bytes.begin() + 4 * static_cast<long>(read),
                                    [](const cards::MaybeByte& b) { return b.has_value(); }))
        --read;
    o.Line("Pages total", std::to_string(m.Pages()));
    o.Line("Pages read", std::to_string(read));
    Filler unread(fill.FillByte());
    for (size_t p = 0; p < m.Pages(); ++p)
        o.Line("Page " + std::to_string(p), o.Hex(m.bytes, 4 * p, 4, p < read ? fill : unread));
    o.Line("Failed authentication attempts", "0");
    return o.Text();
}

std::string WriteIso(const Iso15693Memory& m, Filler& fill) {
    Out o;
    Header(o, m.slix ? "SLIX" : "ISO15693-3");
    cards::MaybeBytes uid(8);
    if (m.uid.size() == 8)
        uid = cards::Known(m.uid);
    o.Line("UID", o.Hex(uid, 0, 8, fill));
    o.Comment("ISO15693-3 specific data");
    if (m.dsfid)
        o.Line("DSFID", WriteHex(&*m.dsfid, 1));
    if (m.afi)
        o.Line("AFI", WriteHex(&*m.afi, 1));
    if (m.icReference)
        o.Line("IC Reference", WriteHex(&*m.icReference, 1));
    if (m.dsfidLocked)
        o.Line("Lock DSFID", *m.dsfidLocked ? "true" : "false");
    if (m.afiLocked)
        o.Line("Lock AFI", *m.afiLocked ? "true" : "false");
    o.Line("Block Count", std::to_string(m.Blocks()));
    const uint8_t size = static_cast<uint8_t>(m.blockSize);
    o.Line("Block Size", WriteHex(&size, 1));
    o.Line("Data Content", o.Hex(m.bytes, 0, m.bytes.size(), fill));
    cards::MaybeBytes status;
    for (size_t i = 0; i < static_cast<size_t>(m.Blocks()); ++i) {
        const auto l = i < m.locks.size() ? m.locks[i] : std::nullopt;
        status.push_back(l ? cards::MaybeByte(*l ? 1 : 0) : std::nullopt);
    }
    o.Line("Security Status", o.Hex(status, 0, status.size(), fill));
    if (m.slix) {
        const auto& x = *m.slix;
        o.Comment("SLIX specific data");
        o.Line("Capabilities",
               x.capabilities == "AcceptAllPasswords" ? "Accept all passwords" : "Default");
        const char* names[] = {"Read", "Write", "Privacy", "Destroy", "EAS"};
        for (size_t i = 0; i < 5; ++i)
            o.Line(std::string("Password ") + names[i], WriteHex(x.passwords[i].data(), 4, " "));
        o.Line("Signature", ArrayHex(x.signature, fill));
        o.Line("Privacy Mode", x.privacyMode ? "true" : "false");
        o.Line("Protection Pointer", WriteHex(&x.protectionPointer, 1));
        o.Line("Protection Condition", WriteHex(&x.protectionCondition, 1));
        o.Line("Lock EAS", x.lockEas ? "true" : "false");
        o.Line("Lock PPL", x.lockPpl ? "true" : "false");
    }
    return o.Text();
}

} // namespace

bool LooksLikeFlipper(const std::string& content) {
    return content.rfind(kFiletype, 0) == 0;
}

TagDump ReadFlipper(const std::string& content) {
    const auto lines = SplitLines(content);
    if (lines.empty() || lines[0].text != kFiletype)
        Expected(AtLine(1), std::string("\"") + kFiletype + "\"");
    const Fields f(content);
    const long version = f.Number("Version", 99);
    if (version < 2 || version > 4)
        Expected(f.Where("Version"),
                 "\"Version:\" 2, 3 or 4 (version " + std::to_string(version) + " is not read)");
    const std::string& device = f.Value("Device type", "the kind of tag");
    if (device == "Mifare Classic")
        return ReadClassic(f, static_cast<int>(version));
    if (version == 4 && device == "NTAG/Ultralight")
        return ReadPages(f, f.Value("NTAG/Ultralight type", "the chip, e.g. NTAG215"));
    if (version < 4 && (device.rfind("NTAG", 0) == 0 || device.rfind("Mifare Ultralight", 0) == 0))
        return ReadPages(f, device);
    if ((version == 4 && device == "ISO15693-3") || (version < 4 && device == "ISO15693"))
        return ReadIso(f, version < 4, false);
    if (device == "SLIX")
        return ReadIso(f, version < 4, true);
    Expected(f.Where("Device type"), "\"Device type:\" Mifare Classic, NTAG/Ultralight, "
                                     "ISO15693-3 or SLIX (a dump of tag memory), not \"" +
                                         device + "\"");
}

std::string WriteFlipper(const TagDump& dump, Filler& fill) {
    if (const auto* m = std::get_if<ClassicMemory>(&dump))
        return WriteClassic(*m, fill);
    if (const auto* p = std::get_if<PageMemory>(&dump))
        return WritePages(*p, fill);
    return WriteIso(std::get<Iso15693Memory>(dump), fill);
}

} // namespace vorex::dumpfiles

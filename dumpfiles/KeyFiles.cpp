#include "dumpfiles/KeyFiles.h"

#include "cards/ClassicGeometry.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/DumpFiles.h"
#include "dumpfiles/HexText.h"

#include <algorithm>
#include <set>

namespace vorex::dumpfiles {

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool HasControlBytes(const std::string& content) {
    return std::any_of(content.begin(), content.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 && c != '\n' && c != '\r' && c != '\t';
    });
}

KeyList ReadText(const std::string& content) {
    KeyList list;
    for (const auto& line : SplitLines(content)) {
        const std::string t = Trim(line.text);
        if (t.empty())
            continue;
        if (t[0] == '#') {
            list.entries.push_back({"", Trim(t.substr(1))});
            continue;
        }
        const std::string rest = t.size() >= 12 ? Trim(t.substr(12)) : "";
        if (t.size() < 12 || !std::all_of(t.begin(), t.begin() + 12, IsHexDigit) ||
            (!rest.empty() && rest[0] != '#'))
            Expected(AtLine(line.number),
                     "a key of 12 hex digits, optionally followed by a # comment");
        list.entries.push_back({Upper(t.substr(0, 12)), rest.empty() ? "" : Trim(rest.substr(1))});
    }
    return list;
}

KeyList ReadBinary(const std::string& content) {
    if (content.size() % 6 != 0)
        Expected(AtOffset(content.size() - content.size() % 6),
                 "6-byte keys back to back (the file size is no multiple of 6)");
    KeyList list;
    bool defaults = false;
    for (size_t at = 0; at < content.size(); at += 6) {
        const std::string key = WriteHex(reinterpret_cast<const uint8_t*>(content.data() + at), 6);
        defaults = defaults || key == "FFFFFFFFFFFF";
        list.entries.push_back({key, ""});
    }
    if (defaults)
        list.notes.push_back("FFFFFFFFFFFF in a binary key file is the transport key, or in a "
                             "Proxmark3 key file a key that was not found");
    return list;
}

} // namespace

size_t KeyList::KeyCount() const {
    return static_cast<size_t>(std::count_if(entries.begin(), entries.end(),
                                             [](const KeyEntry& e) { return !e.key.empty(); }));
}

size_t KeyList::Merge(const KeyList& other) {
    std::set<std::string> keys, comments;
    for (const auto& e : entries)
        (e.key.empty() ? comments : keys).insert(e.key.empty() ? e.comment : e.key);
    size_t added = 0;
    for (const auto& e : other.entries) {
        if (e.key.empty() ? !comments.insert(e.comment).second : !keys.insert(e.key).second)
            continue;
        entries.push_back(e);
        added += e.key.empty() ? 0 : 1;
    }
    for (const auto& n : other.notes)
        if (std::find(notes.begin(), notes.end(), n) == notes.end())
            notes.push_back(n);
    return added;
}

std::optional<KeyFormat> KeyFormatNamed(const std::string& name) {
    if (name == "mct" || name == "pm3" || name == "flipper")
        return KeyFormat::Text;
    if (name == "bin")
        return KeyFormat::Binary;
    return std::nullopt;
}

std::optional<KeyFormat> KeyFormatOfPath(const std::string& path) {
    for (const char* ext : {".keys", ".dic", ".nfc", ".txt"})
        if (EndsWith(path, ext))
            return KeyFormat::Text;
    if (EndsWith(path, ".bin"))
        return KeyFormat::Binary;
    return std::nullopt;
}

KeyList KeysOfDump(const ClassicMemory& m) {
    KeyList list;
    KeyList found;
    for (int s = 0; s < m.Sectors(); ++s)
        for (const auto& k : {m.KeyA(s), m.KeyB(s)})
            if (k)
                found.entries.push_back({WriteHex(k->data(), 6), ""});
    list.Merge(found);
    return list;
}

KeyReadResult ReadKeys(const std::string& name, const std::string& content) {
    KeyReadResult r;
    try {
        const auto format = DetectFormat(content);
        const bool dump = format && (*format == Format::Own || *format == Format::Pm3 ||
                                     *format == Format::Mct || *format == Format::Flipper);
        const bool binaryName = EndsWith(name, ".bin");
        const std::optional<ReadResult> d =
            dump ? std::optional<ReadResult>(ReadDump(name, content)) : std::nullopt;
        // The keys of a binary key file are bytes of any value and may begin as a text dump
        // does ("+Sector: 0"): a .bin of whole keys that does not read as a dump is keys.
        const bool binaryKeys = binaryName && content.size() % 6 == 0 && d && !d->dump;
        KeyList raw;
        if (d && !binaryKeys) {
            if (!d->dump) {
                r.error = d->error;
                return r;
            }
            if (!std::holds_alternative<ClassicMemory>(*d->dump))
                throw DumpError("expected keys or a MIFARE Classic dump, not a " +
                                FamilyName(*d->dump) + " dump");
            raw = KeysOfDump(std::get<ClassicMemory>(*d->dump));
        } else if (binaryName || HasControlBytes(content)) {
            raw = ReadBinary(content);
        } else {
            raw = ReadText(content);
        }
        KeyList list;
        list.notes = raw.notes;
        list.Merge(raw); // upper case already; drops repeated keys
        r.keys = list;
    } catch (const std::exception& e) {
        r.keys.reset();
        r.error = name + ": " + e.what();
    }
    return r;
}

std::string WriteKeys(const KeyList& keys, KeyFormat format) {
    std::string out;
    for (const auto& e : keys.entries) {
        if (format == KeyFormat::Binary) {
            if (e.key.empty())
                continue;
            const auto b = ParseKnownHex(e.key, 6, "key", "12 hex digits");
            out.append(b.begin(), b.end());
        } else if (e.key.empty()) {
            out += "#" + (e.comment.empty() ? "" : " " + e.comment) + "\n";
        } else {
            out += e.key + (e.comment.empty() ? "" : " # " + e.comment) + "\n";
        }
    }
    return out;
}

std::string WriteSectorKeys(const ClassicMemory& m, Filler& fill) {
    std::string out;
    for (size_t offset : {0u, 10u})
        for (int s = 0; s < m.Sectors(); ++s)
            for (size_t i = 0; i < 6; ++i)
                out += static_cast<char>(
                    fill(m.bytes[m.BlockOffset(cards::mifare::TrailerOf(s)) + offset + i]));
    return out;
}

} // namespace vorex::dumpfiles

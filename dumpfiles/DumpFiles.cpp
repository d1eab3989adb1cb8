#include "dumpfiles/DumpFiles.h"

#include "dumpfiles/BinaryDump.h"
#include "dumpfiles/DumpError.h"
#include "dumpfiles/EmlDump.h"
#include "dumpfiles/FlipperNfc.h"
#include "dumpfiles/HexText.h"
#include "dumpfiles/MctDump.h"
#include "dumpfiles/OwnDump.h"
#include "dumpfiles/Pm3Json.h"

#include <nlohmann/json.hpp>

namespace vorex::dumpfiles {

namespace {
const std::pair<Format, const char*> kNames[] = {
    {Format::Own, "own"},         {Format::Pm3, "pm3"}, {Format::Mct, "mct"},
    {Format::Flipper, "flipper"}, {Format::Bin, "bin"}, {Format::Eml, "eml"},
};

size_t FirstNonBlank(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
        ++i;
    return i;
}
} // namespace

std::string FamilyName(const TagDump& dump) {
    switch (dump.index()) {
    case 0:
        return "mifare-classic";
    case 1:
        return "ultralight";
    default:
        return "iso15693";
    }
}

std::string FormatName(Format f) {
    for (const auto& [format, name] : kNames)
        if (format == f)
            return name;
    return "own";
}

std::optional<Format> FormatNamed(const std::string& name) {
    for (const auto& [format, n] : kNames)
        if (name == n)
            return format;
    return std::nullopt;
}

std::optional<Format> FormatOfPath(const std::string& path) {
    if (EndsWith(path, ".json"))
        return Format::Own;
    if (EndsWith(path, ".mct"))
        return Format::Mct;
    if (EndsWith(path, ".nfc"))
        return Format::Flipper;
    if (EndsWith(path, ".eml"))
        return Format::Eml;
    if (EndsWith(path, ".bin") || EndsWith(path, ".mfd") || EndsWith(path, ".dump"))
        return Format::Bin;
    return std::nullopt;
}

std::optional<Format> DetectFormat(const std::string& content) {
    const size_t first = FirstNonBlank(content);
    if (first < content.size() && content[first] == '{') {
        const auto j = nlohmann::json::parse(content, nullptr, false);
        if (j.is_discarded() || !j.is_object())
            return std::nullopt;
        if (IsPm3Json(j))
            return Format::Pm3;
        return IsOwnDump(j) ? std::optional<Format>(Format::Own) : std::nullopt;
    }
    if (LooksLikeFlipper(content))
        return Format::Flipper;
    if (LooksLikeMct(content))
        return Format::Mct;
    if (LooksLikeEml(content))
        return Format::Eml;
    if (!content.empty())
        return Format::Bin;
    return std::nullopt;
}

ReadResult ReadDump(const std::string& name, const std::string& content) {
    ReadResult r;
    try {
        const auto format = DetectFormat(content);
        if (!format) {
            const size_t first = FirstNonBlank(content);
            if (content.empty())
                throw DumpError("offset 0: expected a dump, the file is empty");
            if (content[first] == '{') {
                try {
                    const auto parsed = nlohmann::json::parse(content);
                    (void)parsed;
                } catch (const nlohmann::json::parse_error& e) {
                    throw DumpError("offset " + std::to_string(e.byte) + ": expected JSON (" +
                                    e.what() + ")");
                }
                throw DumpError("expected a dump of this program (\"format\": \"vorex-dump\") "
                                "or of the Proxmark3 (\"FileType\")");
            }
            throw DumpError("offset 0: expected a dump");
        }
        r.format = *format;
        switch (*format) {
        case Format::Own:
            r.dump = ReadOwnDump(nlohmann::json::parse(content));
            break;
        case Format::Pm3:
            r.dump = ReadPm3Json(nlohmann::json::parse(content));
            break;
        case Format::Flipper:
            r.dump = ReadFlipper(content);
            break;
        case Format::Mct:
            r.dump = ReadMct(content);
            break;
        case Format::Eml:
            r.dump = ReadEml(content);
            break;
        case Format::Bin:
            if (IsClassicBinarySize(content.size()))
                r.dump = ReadClassicBinary(content);
            else if (content.size() % 4 == 0)
                r.dump = ReadPagesBinary(content);
            else
                Expected(AtOffset(content.size()),
                         "the end of a binary dump: 320, 1024, 2048 or 4096 bytes (MIFARE "
                         "Classic) or pages of 4 bytes (Ultralight/NTAG)");
            break;
        }
    } catch (const std::exception& e) {
        r.dump.reset();
        r.error = name + ": " + e.what();
    }
    return r;
}

WriteResult WriteDump(Format format, const TagDump& dump, std::optional<uint8_t> fill) {
    WriteResult r;
    Filler filler(fill);
    try {
        switch (format) {
        case Format::Own:
            r.content = WriteOwnDump(dump);
            break;
        case Format::Pm3:
            r.content = WritePm3Json(dump, filler);
            break;
        case Format::Flipper:
            r.content = WriteFlipper(dump, filler);
            break;
        case Format::Mct:
            if (!std::holds_alternative<ClassicMemory>(dump))
                throw DumpError("MIFARE Classic Tool files hold MIFARE Classic cards only");
            r.content = WriteMct(std::get<ClassicMemory>(dump));
            break;
        case Format::Bin:
            r.content = WriteBinary(dump, filler);
            break;
        case Format::Eml:
            throw DumpError(".eml files are read, not written (the Proxmark3 client reads "
                            "its JSON dumps: --format pm3)");
        }
    } catch (const std::exception& e) {
        r.content.clear();
        r.error = e.what();
        return r;
    }
    r.filled = filler.Filled();
    if (r.filled && !fill) {
        r.content.clear();
        r.error = std::to_string(r.filled) + " bytes of the dump are unknown and " +
                  FormatName(format) +
                  " files cannot mark them; --fill 00 writes them as 00 (the file then no "
                  "longer tells them apart from read bytes)";
    }
    return r;
}

} // namespace vorex::dumpfiles

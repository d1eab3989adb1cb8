#include "workbench/common/DumpFit.h"

#include "cards/IcManufacturer.h"

#include <algorithm>
#include <cctype>
#include <variant>

namespace vorex::wb::dumps {

using dumpfiles::Format;

namespace {

// "Mifare Ultralight" as Flipper names it is shown as the chip's usual name.
std::string PageTypeText(const std::string& type) {
    if (type.empty())
        return "Ultralight/NTAG";
    if (type.rfind("Mifare ", 0) == 0)
        return "MIFARE " + type.substr(7);
    return type;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           std::equal(end.rbegin(), end.rend(), text.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

} // namespace

DumpChip ChipOfDump(const dumpfiles::TagDump& dump) {
    DumpChip chip;
    if (const auto* c = std::get_if<cards::mifare::ClassicMemory>(&dump)) {
        chip = {Family::Classic, "MIFARE Classic " + cards::mifare::SizeName(c->size),
                static_cast<size_t>(c->Blocks()), 16};
    } else if (const auto* p = std::get_if<cards::type2::PageMemory>(&dump)) {
        chip = {Family::Pages, p->type, p->Pages(), 4};
    } else if (const auto* i = std::get_if<cards::iso15693::Iso15693Memory>(&dump)) {
        chip = {Family::Iso15693, i->uid.size() == 8 ? Iso15693Type(i->uid[1]) : "",
                static_cast<size_t>(i->Blocks()), static_cast<size_t>(std::max(i->blockSize, 0))};
    }
    return chip;
}

std::string Iso15693Type(uint8_t manufacturer) {
    return std::string("ISO 15693 ") + cards::IcManufacturerName(manufacturer);
}

std::string ChipText(const DumpChip& chip) {
    std::string name;
    switch (chip.family) {
    case Family::Classic:
        name = chip.type.empty() ? "MIFARE Classic" : chip.type;
        break;
    case Family::Pages:
        name = PageTypeText(chip.type);
        break;
    case Family::Iso15693:
        name = chip.type.empty() ? "ISO 15693" : chip.type;
        break;
    }
    return name + " (" + std::to_string(chip.units) + " \xC3\x97 " + std::to_string(chip.unitSize) +
           " Bytes)";
}

bool Fits(const DumpChip& file, const DumpChip& shown) {
    if (file.family != shown.family || file.units != shown.units || file.unitSize != shown.unitSize)
        return false;
    return file.type.empty() || shown.type.empty() || file.type == shown.type;
}

SavedDump SaveDump(Format format, const dumpfiles::TagDump& dump, bool fill) {
    SavedDump saved;
    dumpfiles::WriteResult w = dumpfiles::WriteDump(format, dump, uint8_t{0});
    if (!w.error.empty()) {
        saved.error = w.error;
        return saved;
    }
    saved.lossy = w.filled;
    if (saved.lossy > 0 && !fill)
        return saved;
    const dumpfiles::ReadResult back = dumpfiles::ReadDump("", w.content);
    if (!back.dump) {
        // The reader's error starts with the (empty) file name and ": ".
        saved.error = back.error.rfind(": ", 0) == 0 ? back.error.substr(2) : back.error;
        return saved;
    }
    if (!Fits(ChipOfDump(*back.dump), ChipOfDump(dump))) {
        saved.error = "the file reads back as " + ChipText(ChipOfDump(*back.dump));
        return saved;
    }
    saved.content = std::move(w.content);
    return saved;
}

std::vector<Format> SaveFormats(Family family) {
    switch (family) {
    case Family::Classic:
        return {Format::Own, Format::Pm3, Format::Mct, Format::Flipper, Format::Bin};
    case Family::Pages:
        return {Format::Own, Format::Pm3, Format::Flipper, Format::Bin};
    case Family::Iso15693:
        break;
    }
    return {Format::Own, Format::Pm3, Format::Flipper};
}

std::vector<Format> LoadFormats(Family family) {
    std::vector<Format> formats = SaveFormats(family);
    if (family != Family::Iso15693)
        formats.push_back(Format::Eml);
    return formats;
}

std::string FormatPatterns(Format format) {
    switch (format) {
    case Format::Own:
    case Format::Pm3:
        return "*.json";
    case Format::Mct:
        return "*.mct";
    case Format::Flipper:
        return "*.nfc";
    case Format::Bin:
        return "*.bin *.mfd *.dump";
    case Format::Eml:
        return "*.eml";
    }
    return "*";
}

Format ChosenFormat(const std::string& path, std::optional<Format> filter,
                    const std::vector<Format>& offered) {
    const auto offers = [&offered](Format f) {
        return std::find(offered.begin(), offered.end(), f) != offered.end();
    };
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (const auto byName = dumpfiles::FormatOfPath(lower);
        byName && *byName != Format::Own && offers(*byName))
        return *byName;
    if (filter && offers(*filter))
        return *filter;
    return Format::Own;
}

std::string PathForFormat(const std::string& path, Format format) {
    std::string patterns = FormatPatterns(format);
    size_t at = 0;
    while (at < patterns.size()) {
        size_t end = patterns.find(' ', at);
        if (end == std::string::npos)
            end = patterns.size();
        // "*.json" -> ".json"
        if (EndsWith(path, patterns.substr(at + 1, end - at - 1)))
            return path;
        at = end + 1;
    }
    const size_t first = patterns.find(' ');
    return path + patterns.substr(1, first == std::string::npos ? std::string::npos : first - 1);
}

} // namespace vorex::wb::dumps

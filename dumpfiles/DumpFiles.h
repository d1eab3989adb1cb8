#pragma once
// Reading and writing dump files in any of the formats: the reader tells the format by
// content (JSON of ours or of the Proxmark3, Flipper, MIFARE Classic Tool, .eml,
// binary); the writer refuses a lossy export (unknown bytes into a format that cannot
// mark them) unless a fill byte is given, and says how many bytes it filled.
#include "dumpfiles/TagDump.h"

#include <optional>
#include <string>

namespace vorex::dumpfiles {

enum class Format { Own, Pm3, Mct, Flipper, Bin, Eml };

// "own", "pm3", "mct", "flipper", "bin", "eml".
std::string FormatName(Format f);
std::optional<Format> FormatNamed(const std::string& name);
// The format a file name's extension suggests for writing: .json own, .mct, .nfc
// flipper, .bin/.mfd/.dump bin, .eml; none for others.
std::optional<Format> FormatOfPath(const std::string& path);
// The format the content is in (no check beyond what tells it apart).
std::optional<Format> DetectFormat(const std::string& content);

struct ReadResult {
    std::optional<TagDump> dump;
    Format format = Format::Own;
    std::string error; // "FILE: line N: expected ..." when dump is empty
};
// `name` is the file name errors start with. Never throws.
ReadResult ReadDump(const std::string& name, const std::string& content);

struct WriteResult {
    std::string content;
    size_t filled = 0; // unknown bytes written as the fill byte
    std::string error; // when not empty, nothing was written
};
// Never throws. Unknown bytes the format cannot mark are refused unless `fill` is given.
WriteResult WriteDump(Format format, const TagDump& dump, std::optional<uint8_t> fill);

} // namespace vorex::dumpfiles

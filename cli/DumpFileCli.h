#pragma once
// What the vorexctl commands that read or write dump files share: loading a dump of
// any format, the --format and --fill options, and writing a dump with a report of
// the bytes filled.
#include "cli/Cli.h"
#include "dumpfiles/DumpFiles.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace vorexctl {

// Reads and parses a dump file; false with `error` ("FILE: line N: expected ...").
bool LoadDump(const std::string& path, vorex::dumpfiles::TagDump& dump,
              vorex::dumpfiles::Format& format, std::string& error);
// --fill XX: the byte unknown bytes are written as; absent: none (a lossy export is
// refused). False with `error` on anything but one hex byte.
bool FillOption(const Args& a, std::optional<uint8_t>& fill, std::string& error);
// The format of --format (own, pm3, mct, flipper, bin), else the one the path's
// extension suggests, else `fallback` when given. False with `error`.
bool DumpFormatOption(const Args& a, const std::string& path,
                      std::optional<vorex::dumpfiles::Format> fallback,
                      vorex::dumpfiles::Format& format, std::string& error);
// Writes the dump to `path` in the format. False with `error` when the format cannot
// hold it or unknown bytes need a fill byte; `filled` gets the bytes filled.
bool SaveDump(const std::string& path, const vorex::dumpfiles::TagDump& dump,
              vorex::dumpfiles::Format format, std::optional<uint8_t> fill, size_t& filled,
              std::string& error);

// The formats the dump commands write through the dump file library: --format own,
// pm3, mct or flipper (the commands keep their own json and binary layouts).
std::optional<vorex::dumpfiles::Format> LibraryFormat(const Args& a);

// Whether a dump command without --format writes a file of the dump file library: our
// own versioned envelope for a .json file and for text on stdout, MCT or Flipper for an
// .mct or .nfc file. Other file names keep the command's binary layout, and --json
// without --out its report object with the dump in it.
bool WritesLibraryByDefault(const GlobalOptions& o, const Args& a);
// The format that default writes.
vorex::dumpfiles::Format DefaultLibraryFormat(const Args& a);

// Writes a dump read from a tag in `format`: to --out, then prints `summary` with the
// file, format and bytes filled (--json) or `line`; without --out the file's content
// goes to stdout. Reports the filled bytes on stderr. Returns the exit code.
int EmitDump(const GlobalOptions& o, const Args& a, const vorex::dumpfiles::TagDump& dump,
             vorex::dumpfiles::Format format, std::optional<uint8_t> fill, nlohmann::json summary,
             const std::string& line);

} // namespace vorexctl

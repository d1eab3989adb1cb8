#pragma once
// What the vorexctl commands of both ISO 14443A card families (MIFARE Classic, and
// Ultralight / NFC Type 2) share: their argument words, the reader handle they run
// on, and the choice of dump format.
#include "cli/Cli.h"

namespace vorexctl {

// A card command: runs on an open reader with the parsed words.
using CardCommandFn = int (*)(const GlobalOptions&, int handle, const Args&);

// Parses the words (options of every mifare subcommand; with `noWords` plain words are
// refused), opens the reader and runs fn.
int RunOnCard(const GlobalOptions& o, const std::vector<std::string>& words, CardCommandFn fn,
              bool noWords = false);

// "json" or "bin" from --format (json, mfd or bin) or the extension of --out.
bool OutputFormat(const Args& a, std::string& format, std::string& error);

// Keys in the key store of the reader behind the handle (12 or 16).
int KeySlots(int handle);

// The MIFARE Classic and the page-tag subcommands.
std::vector<Command> ClassicCommands();
int RunUltralight(const GlobalOptions& o, const std::vector<std::string>& args);
int RunNtag(const GlobalOptions& o, const std::vector<std::string>& args);

} // namespace vorexctl

#pragma once
// MIFARE Classic key dictionaries: MIFARE Classic Tool .keys, Proxmark3 .dic, the
// Flipper dictionary (one 12-hex-digit key per line, "#" comments) and binary key
// files (6-byte keys back to back; a Proxmark3 key .bin holds every Key A, then every
// Key B, with FFFFFFFFFFFF also for a key not found). Keys are kept in upper case,
// once each, with the comments around them.
#include "dumpfiles/TagDump.h"

#include <optional>
#include <string>
#include <vector>

namespace vorex::dumpfiles {

struct KeyEntry {
    std::string key;     // 12 upper-case hex digits; empty for a comment line
    std::string comment; // without the "#"
};

struct KeyList {
    std::vector<KeyEntry> entries;
    std::vector<std::string> notes; // what the reader noticed (e.g. keys that may be unknown)

    size_t KeyCount() const;
    // Adds the entries of `other`: keys already there and repeated comments are dropped.
    // Returns the number of keys added.
    size_t Merge(const KeyList& other);
};

enum class KeyFormat { Text, Binary };

// "mct", "pm3", "flipper" (text) or "bin"; from --format or the file name's extension
// (.keys, .dic, .nfc, .txt text; .bin binary).
std::optional<KeyFormat> KeyFormatNamed(const std::string& name);
std::optional<KeyFormat> KeyFormatOfPath(const std::string& path);

struct KeyReadResult {
    std::optional<KeyList> keys;
    std::string error; // "FILE: line N: expected ..."
};
// A text dictionary, a binary key file (named .bin or holding control bytes), or a MIFARE Classic
// dump of any format (Key A then Key B of each trailer, unknown keys left out). Never throws.
KeyReadResult ReadKeys(const std::string& name, const std::string& content);
// The keys of a dump's trailers, Key A then Key B, unknown ones left out.
KeyList KeysOfDump(const ClassicMemory& m);
// Text: comment lines "# ..." and one key per line at the line start (what MCT, the
// Proxmark3 client and the Flipper all read); binary: 6 bytes per key, comments lost.
std::string WriteKeys(const KeyList& keys, KeyFormat format);

// A card's Proxmark3 key file (hf-mf-<UID>-key.bin): Key A of every sector, then Key B
// of every sector. The Proxmark3 writes FFFFFFFFFFFF for a key it did not find; here an
// unknown key takes the filler's byte and counts as filled.
std::string WriteSectorKeys(const ClassicMemory& m, Filler& fill);

} // namespace vorex::dumpfiles

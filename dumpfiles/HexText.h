#pragma once
// Hex text as the dump formats write it: bytes back to back ("0A1B") or one token per
// byte ("0A 1B"), with a format's marker for an unknown byte ("--", "??") where it has
// one; and the lines of a text file with their numbers.
#include "cards/MaybeBytes.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorex::dumpfiles {

using cards::MaybeBytes;

struct HexRules {
    const char* marker = nullptr; // "--" or "??"; none: every byte must be hex
    bool spaced = false;          // one token per byte, separated by single blanks
    bool looseBlanks = false;     // blanks and tabs anywhere between digits (PM3 JSON)
};

// The bytes of `text`, exactly `count` of them unless count is 0. Throws DumpError at
// `where`, naming `what` was expected.
MaybeBytes ParseHex(std::string_view text, const HexRules& rules, size_t count,
                    const std::string& where, const std::string& what);
// Known bytes only (no marker).
std::vector<uint8_t> ParseKnownHex(std::string_view text, size_t count, const std::string& where,
                                   const std::string& what, bool looseBlanks = false);

// Upper-case hex of bytes, unknown ones as `marker`; `separator` between bytes.
std::string WriteHex(const MaybeBytes& bytes, size_t first, size_t count, const char* marker,
                     const char* separator = "");
std::string WriteHex(const uint8_t* bytes, size_t count, const char* separator = "");

struct TextLine {
    size_t number;    // from 1
    std::string text; // without the line end (LF, CR LF)
};
std::vector<TextLine> SplitLines(std::string_view content);
std::string Trim(std::string_view text);
bool IsHexDigit(char c);
bool EndsWith(std::string_view text, std::string_view tail);

} // namespace vorex::dumpfiles

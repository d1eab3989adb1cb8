#pragma once
// The single-byte code of the workbenches' ASCII mode: a tag byte is shown as the
// character of the same number (ISO 8859-1, the dialogs' Latin-1 conversion), so a
// typed text can be written only when every character is U+0000..U+00FF. Anything
// else (e.g. the euro sign) is refused before a write, by name, instead of turning
// into "?".
#include "workbench/common/TextRef.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vorex::wb {

struct RefusedCharacter {
    std::string text;         // the character itself, UTF-8 (U+FFFD for broken UTF-8)
    uint32_t codePoint = 0;   // its number (0xFFFD for broken UTF-8)
    std::size_t position = 0; // 0-based character position in the text
};

struct SingleByteText {
    std::string bytes; // one byte per character, when nothing was refused
    std::optional<RefusedCharacter> refused;
};

// The tag bytes of a UTF-8 text (QString::toStdString()), or the first character
// that has no single-byte code.
SingleByteText ToSingleByte(const std::string& utf8);

// "The character "€" (U+20AC) has no single-byte code ..."
TextRef RefusalText(const RefusedCharacter& refused);

} // namespace vorex::wb

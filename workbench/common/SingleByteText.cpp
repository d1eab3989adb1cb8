#include "workbench/common/SingleByteText.h"

#include "workbench/common/TextIds.h"

#include <cstdio>

namespace vorex::wb {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// One UTF-8 sequence from `at`: its code point and length; kReplacement and length 1
// for a broken, overlong or surrogate sequence.
uint32_t NextCodePoint(const std::string& s, std::size_t at, std::size_t& length) {
    const auto lead = static_cast<uint8_t>(s[at]);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t extra = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    if (at + extra >= s.size())
        return kReplacement;
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<uint8_t>(s[at + i]);
        if ((next & 0xC0) != 0x80)
            return kReplacement;
        value = value << 6 | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return kReplacement;
    length = extra + 1;
    return value;
}

} // namespace

SingleByteText ToSingleByte(const std::string& utf8) {
    SingleByteText result;
    std::size_t position = 0;
    for (std::size_t at = 0; at < utf8.size(); ++position) {
        std::size_t length = 1;
        const uint32_t c = NextCodePoint(utf8, at, length);
        if (c > 0xFF) {
            const std::string text =
                c == kReplacement ? std::string("\xEF\xBF\xBD") : utf8.substr(at, length);
            result.bytes.clear();
            result.refused = RefusedCharacter{text, c, position};
            return result;
        }
        result.bytes += static_cast<char>(c);
        at += length;
    }
    return result;
}

TextRef RefusalText(const RefusedCharacter& refused) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(refused.codePoint));
    return {kTextNoSingleByteCode, {refused.text, number, std::to_string(refused.position + 1)}};
}

} // namespace vorex::wb

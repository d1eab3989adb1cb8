#include "workbench/common/ByteText.h"

#include <algorithm>
#include <cstdio>

namespace vorex::wb {

uint8_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<uint8_t>(c - 'a' + 10);
    return 255;
}

namespace {

// ASCII: the bytes in walking order; a non-zero byte after a zero byte empties the text.
template <typename It> std::string AsciiWalk(It first, It last) {
    std::string text;
    bool sawZero = false;
    for (It it = first; it != last; ++it) {
        if (*it == 0) {
            sawZero = true;
            continue;
        }
        if (sawZero)
            return {};
        text += static_cast<char>(*it);
    }
    return text;
}

// The high digit shifted up, OR the low digit, kept to 8 bits: a bad digit (255) makes
// its half (or, as the low digit, the whole byte) all ones: G5 -> F5, 5G -> FF.
uint8_t PairValue(char high, char low) {
    return static_cast<uint8_t>((HexDigitValue(high) << 4 | HexDigitValue(low)) & 0xFF);
}

} // namespace

std::string BytesToText(const std::vector<uint8_t>& bytes, uint8_t count, int mode, int order) {
    // Never read past the array, whatever count the caller gives.
    const size_t n = std::min<size_t>(count, bytes.size());
    std::string text;
    char piece[4];
    if (mode == kHex) {
        if (order != kMsbFirst) {
            for (size_t i = 0; i < n; ++i) {
                std::snprintf(piece, sizeof piece, "%02X ", bytes[i]);
                text += piece;
            }
            while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
                text.pop_back();
        } else {
            for (size_t i = n; i-- > 0;) {
                std::snprintf(piece, sizeof piece, "%02X", bytes[i]);
                text += piece;
            }
        }
        return text;
    }
    if (mode != kAscii)
        return {};
    text = order != kMsbFirst ? AsciiWalk(bytes.begin(), bytes.end())
                              : AsciiWalk(bytes.rbegin(), bytes.rend());
    if (text.size() > count)
        text.resize(count);
    return text;
}

std::vector<uint8_t> TextToBytes(const std::string& text, uint8_t count, int mode, int order) {
    std::vector<uint8_t> out;
    if (mode == kAscii) {
        if (order != kMsbFirst) {
            for (char c : text)
                out.push_back(static_cast<uint8_t>(c));
            if (out.size() < count)
                out.resize(count, 0);
        } else {
            for (char c : text)
                out.insert(out.begin(), static_cast<uint8_t>(c));
            if (out.size() < count)
                out.insert(out.begin(), count - out.size(), 0);
        }
    } else if (mode == kHex) {
        std::string digits;
        for (char c : text)
            if (c != ' ')
                digits += c;
        if (order != kMsbFirst) {
            for (size_t i = 0; i + 1 < digits.size(); i += 2)
                out.push_back(PairValue(digits[i], digits[i + 1]));
            if (out.size() < count)
                out.resize(count, 0);
        } else {
            for (size_t end = digits.size(); end >= 2; end -= 2)
                out.push_back(PairValue(digits[end - 2], digits[end - 1]));
            if (out.size() < count)
                out.insert(out.begin(), count - out.size(), 0);
        }
    } else {
        return out;
    }
    if (out.size() > count)
        out.resize(count);
    return out;
}

} // namespace vorex::wb

#include "workbench/common/CellText.h"

#include "workbench/common/ByteText.h"

#include <algorithm>
#include <cctype>

namespace vorex::wb {

namespace {
std::string WithoutBlanks(const std::string& text) {
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != ' '; });
    return out;
}

bool AllHex(const std::string& digits) {
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return HexDigitValue(c) != 255; });
}
} // namespace

std::string InsertBlanks(std::string text) {
    if (text.size() <= 2)
        return text;
    for (size_t at = 2; at < text.size(); at += 3)
        text.insert(at, 1, ' ');
    return text;
}

bool TextToBlock(const std::string& text, int blockSize, int mode, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (blockSize <= 0)
        return false;
    const auto size = static_cast<size_t>(blockSize);
    if (mode == kHex) {
        const std::string digits = WithoutBlanks(text);
        if (digits.size() != 2 * size || !AllHex(digits))
            return false;
        for (size_t i = 0; i < digits.size(); i += 2)
            bytes.push_back(
                static_cast<uint8_t>(HexDigitValue(digits[i]) << 4 | HexDigitValue(digits[i + 1])));
        return true;
    }
    if (mode != kAscii)
        return false;
    bytes.assign(text.begin(), text.end());
    bytes.resize(size, 0);
    return true;
}

bool CompareBlockText(const std::string& a, const std::string& b, int mode) {
    if (mode != kHex)
        return a == b;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

HexCell NormalizeHexCell(const std::string& text, int blockSize) {
    std::string digits = WithoutBlanks(text.substr(0, 255));
    if (!AllHex(digits))
        return {CellCheck::NotHex, {}};
    const size_t wanted = 2 * static_cast<size_t>(std::max(blockSize, 0));
    CellCheck check = CellCheck::Ok;
    if (digits.size() > wanted) {
        digits.resize(wanted);
        check = CellCheck::Truncated;
    } else {
        digits.append(wanted - digits.size(), '0');
    }
    return {check, InsertBlanks(digits)};
}

} // namespace vorex::wb

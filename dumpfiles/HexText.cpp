#include "dumpfiles/HexText.h"

#include "dumpfiles/DumpError.h"

namespace vorex::dumpfiles {

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

namespace {
int Digit(char c) {
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}
} // namespace

MaybeBytes ParseHex(std::string_view text, const HexRules& rules, size_t count,
                    const std::string& where, const std::string& what) {
    MaybeBytes out;
    std::string pair;
    size_t i = 0;
    const auto bad = [&]() { Expected(where, what); };
    while (i < text.size()) {
        if (rules.looseBlanks && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
            continue;
        }
        if (rules.spaced && !out.empty()) {
            if (text[i] != ' ')
                bad();
            ++i;
        }
        if (i + 2 > text.size())
            bad();
        const char a = text[i];
        size_t next = i + 1;
        if (rules.looseBlanks)
            while (next < text.size() && (text[next] == ' ' || text[next] == '\t'))
                ++next;
        if (next >= text.size())
            bad();
        const char b = text[next];
        if (rules.marker && a == rules.marker[0] && b == rules.marker[1]) {
            out.emplace_back(std::nullopt);
        } else if (IsHexDigit(a) && IsHexDigit(b)) {
            out.emplace_back(static_cast<uint8_t>(Digit(a) << 4 | Digit(b)));
        } else {
            bad();
        }
        i = next + 1;
    }
    if (count && out.size() != count)
        bad();
    return out;
}

std::vector<uint8_t> ParseKnownHex(std::string_view text, size_t count, const std::string& where,
                                   const std::string& what, bool looseBlanks) {
    HexRules rules;
    rules.looseBlanks = looseBlanks;
    const MaybeBytes b = ParseHex(text, rules, count, where, what);
    std::vector<uint8_t> out;
    for (const auto& v : b)
        out.push_back(*v);
    return out;
}

std::string WriteHex(const MaybeBytes& bytes, size_t first, size_t count, const char* marker,
                     const char* separator) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = first; i < first + count; ++i) {
        if (i > first)
            s += separator;
        if (bytes[i]) {
            s += digits[*bytes[i] >> 4];
            s += digits[*bytes[i] & 15];
        } else {
            s += marker;
        }
    }
    return s;
}

std::string WriteHex(const uint8_t* bytes, size_t count, const char* separator) {
    return WriteHex(cards::Known(bytes, count), 0, count, "", separator);
}

std::vector<TextLine> SplitLines(std::string_view content) {
    std::vector<TextLine> lines;
    size_t at = 0, number = 0;
    while (at < content.size()) {
        size_t end = content.find('\n', at);
        if (end == std::string_view::npos)
            end = content.size();
        std::string text(content.substr(at, end - at));
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        lines.push_back({++number, std::move(text)});
        at = end + 1;
    }
    return lines;
}

std::string Trim(std::string_view text) {
    size_t a = 0, b = text.size();
    while (a < b && (text[a] == ' ' || text[a] == '\t' || text[a] == '\r'))
        ++a;
    while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t' || text[b - 1] == '\r'))
        --b;
    return std::string(text.substr(a, b - a));
}

} // namespace vorex::dumpfiles

#include "Cli.h"

#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace vorexctl {

bool ParseHexBytes(const std::vector<std::string>& words, std::vector<uint8_t>& out) {
    out.clear();
    for (std::string w : words) {
        if (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X'))
            w = w.substr(2);
        if (w.empty() || w.size() % 2 != 0)
            return false;
        for (size_t i = 0; i < w.size(); i += 2) {
            if (!std::isxdigit(static_cast<unsigned char>(w[i])) ||
                !std::isxdigit(static_cast<unsigned char>(w[i + 1])))
                return false;
            out.push_back(static_cast<uint8_t>(std::stoi(w.substr(i, 2), nullptr, 16)));
        }
    }
    return true;
}

std::string ToHex(const uint8_t* bytes, size_t count, const char* separator) {
    std::string s;
    char b[3];
    for (size_t i = 0; i < count; ++i) {
        if (i)
            s += separator;
        std::snprintf(b, sizeof b, "%02X", bytes[i]);
        s += b;
    }
    return s;
}

bool ParseInt(const std::string& text, long min, long max, long& out) {
    if (text.empty())
        return false;
    size_t used = 0;
    long v;
    try {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        v = std::stol(text, &used, hex ? 16 : 10);
    } catch (...) {
        return false;
    }
    if (used != text.size() || v < min || v > max)
        return false;
    out = v;
    return true;
}

int ReportError(const GlobalOptions& options, int error, const std::string& context) {
    if (options.json) {
        nlohmann::json j{{"ok", false}, {"error", error}};
        if (!context.empty())
            j["context"] = context;
        std::printf("%s\n", j.dump().c_str());
    } else {
        std::fprintf(stderr, "error %d%s%s\n", error, context.empty() ? "" : ": ",
                     context.c_str());
    }
    return 1;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vorexctl: %s (see vorexctl --help)\n", message.c_str());
    return 2;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h")
            return true;
    return false;
}

} // namespace vorexctl

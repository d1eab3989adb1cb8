#include "Cli.h"

#include "vorex.h"

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

std::vector<std::string> SplitNameList(const char* buffer, int used) {
    std::vector<std::string> names;
    for (int at = 0; at < used && buffer[at] != '\0';) {
        names.emplace_back(buffer + at);
        at += static_cast<int>(names.back().size()) + 1;
    }
    return names;
}

std::string ErrorMessage(int error) {
    std::string text(static_cast<size_t>(VOREX_GetErrorText(error, nullptr, 0)) + 1, '\0');
    VOREX_GetErrorText(error, text.data(), static_cast<int>(text.size()));
    text.resize(text.size() - 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

int ReportError(const GlobalOptions& options, int error, const std::string& context) {
    const std::string message = ErrorMessage(error);
    if (options.json) {
        nlohmann::json j{{"ok", false}, {"error", error}, {"message", message}};
        if (!context.empty())
            j["context"] = context;
        std::printf("%s\n", j.dump().c_str());
    } else {
        std::fprintf(stderr, "error %d: %s%s%s\n", error, message.c_str(),
                     context.empty() ? "" : " - ", context.c_str());
    }
    return 1;
}

int ReportLastError(const GlobalOptions& options, int handle, const std::string& context) {
    return ReportError(options, VOREX_GetLastError(handle), context);
}

int OpenReader(const GlobalOptions& options) {
    if (options.port.empty()) {
        UsageError("no reader port: give --port PATH or set VOREX_PORT");
        return 0;
    }
    const int handle = VOREX_OpenPort(options.port.c_str(), options.baudCode, options.timeoutMs);
    if (handle > 0)
        return handle;
    std::string why;
    switch (handle) {
    case -2:
        why = "negative timeout";
        break;
    case -11:
        why = "the reader did not identify itself";
        break;
    case -13:
        why = "the HID reader could not be prepared";
        break;
    default:
        why = "cannot open the port";
        break;
    }
    if (options.json)
        std::printf("%s\n", nlohmann::json{{"ok", false},
                                           {"open_result", handle},
                                           {"message", why},
                                           {"port", options.port}}
                                .dump()
                                .c_str());
    else
        std::fprintf(stderr, "vorexctl: %s: %s (%d)\n", options.port.c_str(), why.c_str(), handle);
    return 0;
}

ReaderHandle::ReaderHandle(const GlobalOptions& options) : handle_(OpenReader(options)) {}

ReaderHandle::~ReaderHandle() {
    if (handle_ > 0)
        VOREX_ClosePort(handle_);
}

void PrintJson(const nlohmann::json& j) {
    std::printf("%s\n", j.dump().c_str());
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

#include "cli/Cli.h"

#include "cards/FileIo.h"
#include "reader/ErrorTexts.h"
#include "reader/ReaderFacts.h"

#include <vorex/vorex.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace vorexctl {

namespace {

// "  name synopsis      summary", the summary wrapped at 100 columns and on lines of
// its own after a long start.
void HelpRow(std::string& out, const std::string& start, const std::string& summary) {
    constexpr size_t kColumn = 40, kWidth = 100;
    out += "  " + start;
    size_t at = 2 + start.size();
    if (at >= kColumn) {
        out += "\n";
        at = 0;
    }
    out += std::string(kColumn - at, ' ');
    at = kColumn;
    size_t from = 0;
    while (from < summary.size()) {
        size_t end = summary.find(' ', from);
        if (end == std::string::npos)
            end = summary.size();
        const std::string word = summary.substr(from, end - from);
        if (at > kColumn && at + 1 + word.size() > kWidth) {
            out += "\n" + std::string(kColumn, ' ');
            at = kColumn;
        } else if (at > kColumn) {
            out += ' ';
            ++at;
        }
        out += word;
        at += word.size();
        from = end + 1;
    }
    out += "\n";
}

std::string Joined(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

std::string GroupHelp(const std::string& group, const std::vector<Command>& table,
                      const char* notes) {
    std::string out = "Usage: vorexctl [global options] " + group + " SUBCOMMAND [options]\n\n" +
                      "subcommands:\n";
    for (const Command& c : table)
        HelpRow(out, std::string(c.name) + (*c.synopsis ? " " : "") + c.synopsis, c.summary);
    if (notes && *notes)
        out += std::string("\n") + notes;
    out += "\n\"vorexctl " + group + " SUBCOMMAND --help\" shows a subcommand's options.\n";
    return out;
}

std::string SubcommandHelp(const std::string& group, const Command& c) {
    std::string out = "Usage: vorexctl [global options] " + group + " " + c.name +
                      (*c.synopsis ? " " : "") + c.synopsis + "\n  " + c.summary + "\n";
    if (c.options) {
        std::vector<std::string> all = c.options->valued;
        all.insert(all.end(), c.options->multi.begin(), c.options->multi.end());
        all.insert(all.end(), c.options->switches.begin(), c.options->switches.end());
        out += all.empty() ? "  takes no options\n" : "  options: " + Joined(all) + "\n";
    }
    return out;
}

} // namespace

int Dispatch(const char* group, const std::vector<Command>& table, const char* notes,
             const GlobalOptions& options, const std::vector<std::string>& args) {
    const std::string help = std::string(group);
    if (args.empty())
        return UsageError(options, help + " needs a subcommand", help);
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help")
        return PrintUsage(options, GroupHelp(group, table, notes));
    for (const Command& c : table) {
        if (args[0] != c.name)
            continue;
        const std::vector<std::string> words(args.begin() + 1, args.end());
        const bool nested = !c.options && !*c.usage && !*c.synopsis;
        if (WantsHelp(words) && !nested)
            return PrintUsage(options, *c.usage ? c.usage : SubcommandHelp(group, c));
        if (c.options) {
            Args parsed;
            std::string error;
            if (!parsed.Parse(words, *c.options, error))
                return UsageError(options, help + " " + c.name + ": " + error, help + " " + c.name);
        }
        return c.run(options, words);
    }
    return UsageError(options, "unknown " + help + " subcommand \"" + args[0] + "\"", help);
}

namespace {
bool Contains(const std::vector<std::string>& list, const std::string& word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}
} // namespace

bool Args::Parse(const std::vector<std::string>& in, const Spec& spec, std::string& error) {
    for (size_t i = 0; i < in.size(); ++i) {
        const std::string& a = in[i];
        if (Contains(spec.switches, a)) {
            options_[a];
            continue;
        }
        if (a.rfind("--", 0) != 0) {
            words_.push_back(a);
            continue;
        }
        const bool multi = Contains(spec.multi, a);
        if (!multi && !Contains(spec.valued, a)) {
            error = "unknown option " + a;
            return false;
        }
        auto& values = options_[a];
        const size_t before = values.size();
        while (i + 1 < in.size() && in[i + 1].rfind("--", 0) != 0) {
            values.push_back(in[++i]);
            if (!multi)
                break;
        }
        if (values.size() == before) {
            error = a + " needs a value";
            return false;
        }
    }
    return true;
}

std::string Args::One(const std::string& name) const {
    auto it = options_.find(name);
    return it == options_.end() || it->second.empty() ? std::string() : it->second.front();
}

std::optional<std::string> Args::Get(const std::string& name) const {
    if (!Has(name))
        return std::nullopt;
    return One(name);
}

const std::vector<std::string>& Args::All(const std::string& name) const {
    static const std::vector<std::string> kNone;
    auto it = options_.find(name);
    return it == options_.end() ? kNone : it->second;
}

bool Args::Int(const std::string& name, long min, long max, long& out, std::string& error) const {
    if (!Has(name))
        return true;
    if (!ParseInt(One(name), min, max, out)) {
        error = name + " needs a number from " + std::to_string(min) + " to " + std::to_string(max);
        return false;
    }
    return true;
}

bool ParseHexBytes(const std::vector<std::string>& given, std::vector<uint8_t>& out) {
    out.clear();
    // Bytes as this program prints them: "11 22 33", "11:22:33", "112233", "0x11".
    std::vector<std::string> words;
    for (const std::string& g : given) {
        size_t from = 0;
        while (from <= g.size()) {
            const size_t end = std::min(g.find_first_of(" \t:", from), g.size());
            if (end > from)
                words.push_back(g.substr(from, end - from));
            from = end + 1;
        }
    }
    if (words.empty())
        return false;
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
    return vorex::reader::EnglishErrorText(error);
}

void AddError(nlohmann::json& j, int error) {
    j["error"] = error;
    j["error_name"] = vorex::reader::ErrorName(error);
}

int ReportError(const GlobalOptions& options, int error, const std::string& context) {
    const std::string message = ErrorMessage(error);
    if (options.json) {
        nlohmann::json j{{"ok", false}, {"message", message}};
        AddError(j, error);
        if (!context.empty())
            j["context"] = context;
        PrintJson(j);
    } else {
        std::fprintf(stderr, "error %d: %s%s%s\n", error, message.c_str(),
                     context.empty() ? "" : " - ", context.c_str());
    }
    return 1;
}

int ReportLastError(const GlobalOptions& options, int handle, const std::string& context) {
    return ReportError(options, VOREX_GetLastError(handle), context);
}

namespace {
// Why a device path cannot be opened, as the system tells it ("" when it can).
std::string PortProblem(const std::string& port) {
    if (port.empty() || port[0] != '/')
        return {};
    struct stat st {};
    if (::stat(port.c_str(), &st) != 0)
        return ": " + std::string(std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return ": it is a folder, not a serial device";
    if (!S_ISCHR(st.st_mode))
        return ": not a serial device";
    if (::access(port.c_str(), R_OK | W_OK) != 0)
        return ": " + std::string(std::strerror(errno)) +
               " (add yourself to the dialout group, or install the udev rules, then log in "
               "again)";
    return {};
}
} // namespace

int OpenReader(const GlobalOptions& options) {
    if (options.port.empty()) {
        UsageError(options, "no reader port: give --port PATH or set VOREX_PORT");
        return 0;
    }
    int handle = VOREX_OpenPort(options.port.c_str(), options.baudCode, options.timeoutMs);
    if (handle == -11 && options.baudAuto) {
        // The search the desktop program does: every rate of the cycle in turn.
        const bool talk = !options.quiet && !options.json;
        const int format = options.baudCode % 100;
        int found = 0;
        handle = vorex::reader::SearchBaudRate(
            options.baudCode,
            [&](int rate) {
                if (talk)
                    std::fprintf(stderr, "vorexctl: trying %d baud\n", rate);
                return VOREX_OpenPort(options.port.c_str(), rate + format, options.timeoutMs);
            },
            found);
        if (handle > 0 && talk)
            std::fprintf(stderr, "vorexctl: the reader answers at %d baud (--baud %d)\n", found,
                         found + format);
    }
    if (handle > 0 && IsBluetoothPort(options.port) && !ConnectBluetoothReader(options, handle)) {
        VOREX_ClosePort(handle);
        return 0;
    }
    if (handle > 0)
        return handle;
    std::string why;
    switch (handle) {
    case -2:
        why = "negative timeout";
        break;
    case -11:
        why = options.baudAuto ? "no reader answered at any rate from 2400 to 115200 baud"
                               : "the reader did not identify itself (it may run at another "
                                 "rate: try --baud auto)";
        break;
    case -13:
        why = "the HID reader could not be prepared";
        break;
    default:
        why = "cannot open the port" + PortProblem(options.port);
        break;
    }
    if (options.json)
        PrintJson(
            {{"ok", false}, {"open_result", handle}, {"message", why}, {"port", options.port}});
    else
        std::fprintf(stderr, "vorexctl: %s: %s\n", Printable(options.port).c_str(), why.c_str());
    return 0;
}

ReaderHandle::ReaderHandle(const GlobalOptions& options) : handle_(OpenReader(options)) {}

ReaderHandle::~ReaderHandle() {
    if (handle_ > 0)
        VOREX_ClosePort(handle_);
}

int Refuse(const GlobalOptions& o, const std::string& message) {
    if (o.json)
        PrintJson({{"ok", false}, {"message", message}});
    else
        std::fprintf(stderr, "vorexctl: %s\n", message.c_str());
    return 1;
}

int ReportFailure(const GlobalOptions& o, int handle, const std::string& context) {
    if (VOREX_GetLastError(handle) == 0)
        return Refuse(o, context + ": the reader's answer was empty or too long");
    return ReportLastError(o, handle, context);
}

std::string JsonText(const nlohmann::json& j) {
    // Text from outside (reader names, files) need not be UTF-8: invalid bytes become
    // U+FFFD instead of ending the program.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintJson(const nlohmann::json& j) {
    std::printf("%s\n", JsonText(j).c_str());
}

namespace {
// Length of the valid UTF-8 sequence at text[at], or 0.
size_t Utf8Length(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = byte(at);
    const size_t n = c < 0x80           ? 1
                     : (c >> 5) == 0x6  ? 2
                     : (c >> 4) == 0xE  ? 3
                     : (c >> 3) == 0x1E ? 4
                                        : 0;
    if (n == 0 || at + n > text.size() || (n == 2 && c < 0xC2) || (n == 4 && c > 0xF4))
        return 0;
    for (size_t i = 1; i < n; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    if ((n == 3 && c == 0xE0 && byte(at + 1) < 0xA0) ||
        (n == 3 && c == 0xED && byte(at + 1) >= 0xA0) ||
        (n == 4 && c == 0xF0 && byte(at + 1) < 0x90) ||
        (n == 4 && c == 0xF4 && byte(at + 1) >= 0x90))
        return 0; // overlong, surrogate or beyond U+10FFFF
    return n;
}
} // namespace

std::string Printable(const std::string& text) {
    std::string out;
    char escaped[8];
    for (size_t at = 0; at < text.size();) {
        const size_t n = Utf8Length(text, at);
        const auto c = static_cast<unsigned char>(text[at]);
        // Control characters (C0, DEL, C1) and bytes that are no UTF-8 are shown as \xNN.
        const bool control =
            c < 0x20 || c == 0x7F ||
            (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0);
        if (n == 0 || control) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
            ++at;
            continue;
        }
        out.append(text, at, n);
        at += n;
    }
    return out;
}

int UsageError(const GlobalOptions& o, const std::string& message, const std::string& help) {
    const std::string& topic = help.empty() ? o.command : help;
    const std::string see = "vorexctl " + (topic.empty() ? "" : topic + " ") + "--help";
    if (o.json)
        PrintJson({{"ok", false}, {"usage_error", true}, {"message", message}, {"help", see}});
    else
        std::fprintf(stderr, "vorexctl: %s (see %s)\n", Printable(message).c_str(), see.c_str());
    return 2;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h")
            return true;
    return false;
}

int PrintUsage(const GlobalOptions& o, const std::string& text) {
    if (o.json)
        PrintJson({{"ok", true}, {"usage", text}});
    else
        std::fputs(text.c_str(), stdout);
    return 0;
}

ProgressBar::ProgressBar(const char* what, const GlobalOptions& options)
    : what_(what), shown_(!options.quiet && !options.json && isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    if (drawn_)
        std::fputs("\r\033[K", stderr);
}

void ProgressBar::operator()(int done, int total) {
    if (!shown_ || total <= 0)
        return;
    const int width = 30, filled = std::clamp(done, 0, total) * width / total;
    std::fprintf(stderr, "\r%s [%s%s] %d/%d", what_,
                 std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), ' ').c_str(), done, total);
    std::fflush(stderr);
    drawn_ = true;
}

bool ReadFile(const std::string& path, std::string& content, std::string& error, size_t maxSize) {
    return vorex::cards::ReadWholeFile(path, content, error, maxSize);
}

bool WriteFile(const std::string& path, const std::string& content, std::string& error) {
    return vorex::cards::ReplaceFile(path, content, error);
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace vorexctl

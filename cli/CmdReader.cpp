// vorexctl commands about the reader itself: identification, ports, baud rate,
// settings block, transmit power, factory settings, host mode, trace viewer.
#include "cli/Cli.h"
#include "reader/ReaderFacts.h"
#include <vorex/vorex.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace vorexctl {
namespace {

using nlohmann::json;

std::string DeviceName(int handle) {
    std::string name(static_cast<size_t>(VOREX_GetDeviceName(handle, nullptr, 0)) + 1, '\0');
    VOREX_GetDeviceName(handle, name.data(), static_cast<int>(name.size()));
    name.resize(name.size() - 1);
    return name;
}

// Refuses a reader type that lacks the function (as the desktop program does) unless
// --force; returns 0 or the exit code of the refusal.
int RefuseUnlessReaderHas(const GlobalOptions& o, int h, bool (*has)(int, int),
                          const std::string& what, bool force) {
    unsigned char id[16];
    if (force || VOREX_GetVersion(h, id, sizeof id) != 4)
        return 0;
    const int type = VOREX_GetDeviceType(h);
    const int firmware = vorex::reader::Base62Value(static_cast<char>(id[3]));
    if (has(type, firmware))
        return 0;
    char code[8];
    std::snprintf(code, sizeof code, "%03X", type);
    return Refuse(o, "this reader (type " + std::string(code) + ", " + DeviceName(h) + ") has no " +
                         what + "; --force sends the command anyway");
}

// Removes the switch from the words; true when it was there.
bool TakeSwitch(std::vector<std::string>& words, const std::string& name) {
    const auto it = std::find(words.begin(), words.end(), name);
    if (it == words.end())
        return false;
    words.erase(it);
    return true;
}

} // namespace

int RunIdentify(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "identify takes no arguments");
    ReaderHandle h(o);
    if (!h)
        return 1;
    unsigned char id[16];
    const int n = VOREX_GetVersion(h.get(), id, sizeof id);
    if (n != 4)
        return ReportLastError(o, h.get(), "identification");
    const std::string type(reinterpret_cast<const char*>(id), 3);
    const int revision = vorex::reader::Base62Value(static_cast<char>(id[3]));
    char firmware[32];
    std::snprintf(firmware, sizeof firmware, "FW V%d.%02d", 1, revision);
    const bool programmer = VOREX_IsProgrammer(h.get()) == 1;
    if (o.json) {
        PrintJson({{"ok", true},
                   {"device_type", type},
                   {"revision", revision},
                   {"firmware", firmware},
                   {"name", DeviceName(h.get())},
                   {"variant", VOREX_GetFrameVariant(h.get())},
                   {"programmer", programmer},
                   {"port", o.port}});
    } else {
        std::printf("device type   %s\nmodel         %s\nfirmware      %s\nframe variant %d\n"
                    "programmer    %s\n",
                    type.c_str(), DeviceName(h.get()).c_str(), firmware,
                    VOREX_GetFrameVariant(h.get()), programmer ? "yes" : "no (reader only)");
    }
    return 0;
}

int RunListPorts(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "list-ports takes no arguments");
    // Serial ports, then the USB readers: FTDI-based ones by serial number, HID ones by
    // their "... HID" name. Each name as listed opens with --port.
    std::vector<std::pair<std::string, std::string>> ports; // kind, name
    std::vector<char> buffer(64 * 1024);
    int used = VOREX_ListComPorts(buffer.data(), static_cast<int>(buffer.size()));
    for (auto& name : SplitNameList(buffer.data(), used))
        ports.emplace_back("serial", std::move(name));
    used = VOREX_ListUsbDevices(buffer.data(), static_cast<int>(buffer.size()));
    for (auto& name : SplitNameList(buffer.data(), used)) {
        const bool hid = name.size() > 4 && name.compare(name.size() - 4, 4, " HID") == 0;
        ports.emplace_back(hid ? "hid" : "ftdi", std::move(name));
    }
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& [kind, name] : ports)
            list.push_back({{"kind", kind}, {"name", name}});
        PrintJson({{"ok", true}, {"ports", list}});
    } else {
        for (const auto& [kind, name] : ports)
            std::printf("%-6s  %s\n", kind.c_str(), name.c_str());
    }
    return 0;
}

int RunSetBaud(const GlobalOptions& o, const std::vector<std::string>& args) {
    long rate, format;
    if (args.size() != 2 || !ParseInt(args[0], 1, 10000000, rate) ||
        !ParseInt(args[1], 0, 3, format))
        return UsageError(o, "set-baud needs RATE and FORMAT (0 8N1, 1 8E1, 2 8O1, 3 8N2)");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (VOREX_SetBaudrate(h.get(), static_cast<int>(rate), static_cast<int>(format)) != 0)
        return ReportLastError(o, h.get(), "set baud rate");
    const long code = rate + format;
    if (o.json)
        PrintJson({{"ok", true}, {"baud", rate}, {"format", format}, {"baud_code", code}});
    else
        std::printf("reader now at %ld baud, format %ld: use --baud %ld from now on\n", rate,
                    format, code);
    return 0;
}

namespace {

bool ReadSettingsBlock(int handle, std::vector<uint8_t>& block) {
    unsigned char buffer[256];
    const int n = VOREX_ReadSettings(handle, buffer, sizeof buffer);
    if (n < 0)
        return false;
    block.assign(buffer, buffer + n);
    return true;
}

} // namespace

int RunSettings(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (args.empty() || (args[0] != "read" && args[0] != "write"))
        return UsageError(o, "settings needs \"read\" or \"write HEX\"");
    std::vector<uint8_t> block;
    if (args[0] == "write" &&
        (args.size() < 2 || !ParseHexBytes({args.begin() + 1, args.end()}, block) || block.empty()))
        return UsageError(o, "settings write needs the block as hex bytes");
    if (args[0] == "read" && args.size() != 1)
        return UsageError(o, "settings read takes no further arguments");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (args[0] == "write") {
        // The block keeps its length: a shorter or longer one would shift every setting.
        std::vector<uint8_t> now;
        if (!ReadSettingsBlock(h.get(), now))
            return ReportLastError(o, h.get(), "read settings");
        if (now.size() != block.size())
            return Refuse(o, "this reader's settings block has " + std::to_string(now.size()) +
                                 " bytes (" + ToHex(now) + "), " + std::to_string(block.size()) +
                                 " given; nothing written");
        if (VOREX_WriteSettings(h.get(), block.data(), static_cast<int>(block.size())) != 0)
            return ReportLastError(o, h.get(), "write settings");
        if (o.json)
            PrintJson({{"ok", true}, {"written", ToHex(block, "")}});
        else
            std::printf("settings written: %s\n", ToHex(block).c_str());
        return 0;
    }
    if (!ReadSettingsBlock(h.get(), block))
        return ReportLastError(o, h.get(), "read settings");
    if (o.json)
        PrintJson({{"ok", true}, {"settings", ToHex(block, "")}});
    else
        std::printf("%s\n", ToHex(block).c_str());
    return 0;
}

int RunPower(const GlobalOptions& o, const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    const bool force = TakeSwitch(args, "--force");
    if (args.empty() || (args[0] != "show" && args[0] != "set"))
        return UsageError(
            o, "power needs \"show\" or \"set --iso15693 full|half --iso14443 full|half\"");
    int iso15693Half = -1, iso14443Half = -1;
    for (size_t i = 1; i < args.size(); ++i) {
        if ((args[i] == "--iso15693" || args[i] == "--iso14443") && i + 1 < args.size() &&
            (args[i + 1] == "full" || args[i + 1] == "half")) {
            (args[i] == "--iso15693" ? iso15693Half : iso14443Half) = args[i + 1] == "half";
            ++i;
        } else {
            return UsageError(o, "power set takes --iso15693 full|half and --iso14443 full|half");
        }
    }
    if (args[0] == "set" && (iso15693Half < 0 || iso14443Half < 0))
        return UsageError(o, "power set needs both --iso15693 and --iso14443");
    if (args[0] == "show" && args.size() != 1)
        return UsageError(o, "power show takes no further arguments");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (const int rc = RefuseUnlessReaderHas(o, h.get(), vorex::reader::HasTransmitPower,
                                             "transmit power setting", force))
        return rc;
    if (args[0] == "set") {
        const uint8_t power = static_cast<uint8_t>(iso15693Half | iso14443Half << 1);
        const uint8_t block[3] = {0x03, power, 0x80};
        if (VOREX_WriteSettings(h.get(), block, 3) != 0)
            return ReportLastError(o, h.get(), "write transmit power");
    }
    std::vector<uint8_t> block;
    if (!ReadSettingsBlock(h.get(), block))
        return ReportLastError(o, h.get(), "read transmit power");
    const bool valid = block.size() >= 2 && (block[0] & 1);
    const char* p15 = valid ? (block[1] & 1 ? "half" : "full") : "unknown";
    const char* p14 = valid ? (block[1] & 2 ? "half" : "full") : "unknown";
    if (o.json)
        PrintJson({{"ok", true}, {"valid", valid}, {"iso15693", p15}, {"iso14443", p14}});
    else
        std::printf("ISO 15693 transmit power  %s\nISO 14443 transmit power  %s\n", p15, p14);
    return 0;
}

int RunFactoryReset(const GlobalOptions& o, const std::vector<std::string>& given) {
    std::vector<std::string> args = given;
    const bool force = TakeSwitch(args, "--force");
    if (args.size() != 1 || args[0] != "--yes")
        return UsageError(
            o, "factory-reset restores the reader's factory settings; confirm with --yes");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (const int rc = RefuseUnlessReaderHas(o, h.get(), vorex::reader::HasFactoryReset,
                                             "factory reset", force))
        return rc;
    if (VOREX_FactoryReset(h.get()) != 0)
        return ReportLastError(o, h.get(), "factory reset");
    if (o.json)
        PrintJson({{"ok", true}});
    else
        std::printf("factory settings restored\n");
    return 0;
}

int RunHostMode(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off"))
        return UsageError(o, "host-mode needs \"on\" or \"off\"");
    ReaderHandle h(o);
    if (!h)
        return 1;
    if (VOREX_SetHostMode(h.get(), args[0] == "on") != 0)
        return ReportLastError(o, h.get(), "host mode");
    if (o.json)
        PrintJson({{"ok", true}, {"host_mode", args[0] == "on"}});
    else
        std::printf("host mode %s\n", args[0].c_str());
    return 0;
}

namespace {
volatile std::sig_atomic_t gStopTrace = 0;
void StopTrace(int) {
    gStopTrace = 1;
}
} // namespace

// A trace viewer: binds the trace socket and prints the texts that engines send.
int RunTrace(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "trace takes no arguments");
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/NvkTracer";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return UsageError(o, "trace socket path too long");
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    unlink(path.c_str());
    const mode_t old = umask(0177); // socket only for this user
    const bool bound =
        sock >= 0 && bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    umask(old);
    if (!bound) {
        if (sock >= 0)
            close(sock);
        return Refuse(o, "cannot listen on " + path + ": " + std::strerror(errno));
    }
    struct sigaction sa {};
    sa.sa_handler = StopTrace;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    if (!o.json)
        std::fprintf(stderr, "listening on %s\n", path.c_str());
    // With --json the texts are collected and printed as one object when interrupted.
    std::string collected;
    while (!gStopTrace) {
        char piece[4];
        const ssize_t n = recv(sock, piece, sizeof piece, 0);
        if (n <= 0)
            continue;
        for (ssize_t i = 0; i < n; ++i) {
            if (piece[i] == '\0' || piece[i] == '\r')
                continue;
            if (o.json)
                collected += piece[i];
            else
                std::fputc(piece[i], stdout);
        }
        std::fflush(stdout);
    }
    close(sock);
    unlink(path.c_str());
    if (o.json) {
        nlohmann::json lines = nlohmann::json::array();
        size_t from = 0;
        while (from < collected.size()) {
            const size_t end = std::min(collected.find('\n', from), collected.size());
            lines.push_back(collected.substr(from, end - from));
            from = end + 1;
        }
        PrintJson({{"ok", true}, {"lines", lines}});
    }
    return 0;
}

} // namespace vorexctl

// vorexctl lan: readers on the network: search, reachability and network settings.
#include "cli/Cli.h"
#include <vorex/vorex.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace vorexctl {
namespace {

using nlohmann::json;

constexpr int kLanListBytes = 64 * 1024;
constexpr int kTextBytes = 64;

// "--name value" pairs of the words; false with a usage message for anything else.
bool ReadOptions(const std::vector<std::string>& words, const std::vector<std::string>& known,
                 std::map<std::string, std::string>& out, std::string& problem) {
    for (size_t i = 0; i < words.size(); i += 2) {
        bool ok = false;
        for (const auto& k : known)
            ok = ok || words[i] == k;
        if (!ok || i + 1 >= words.size()) {
            problem = ok ? words[i] + " needs a value" : "unexpected \"" + words[i] + "\"";
            return false;
        }
        out[words[i]] = words[i + 1];
    }
    return true;
}

int Search(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != "--unverified"))
        return UsageError(o, "lan search takes only --unverified");
    const bool unverified = !args.empty();
    std::vector<char> buffer(kLanListBytes);
    const int used = unverified ? VOREX_SearchLan(buffer.data(), kLanListBytes)
                                : VOREX_SearchLanEx(buffer.data(), kLanListBytes);
    const auto readers = SplitNameList(buffer.data(), used);
    if (o.json) {
        PrintJson({{"ok", true}, {"verified", !unverified}, {"readers", readers}});
    } else {
        for (const auto& r : readers)
            std::printf("%s\n", Printable(r).c_str());
        if (readers.empty())
            std::fprintf(stderr, "no readers found\n");
    }
    return 0;
}

struct Settings {
    std::string name, address, mask, gateway;
};

bool ReadSettings(const std::string& reader, Settings& s) {
    char name[kTextBytes], address[kTextBytes], mask[kTextBytes], gateway[kTextBytes];
    if (VOREX_GetLanConfig(reader.c_str(), name, address, mask, gateway, kTextBytes) != 0)
        return false;
    s = {name, address, mask, gateway};
    return true;
}

int NotAnswering(const GlobalOptions& o, const std::string& reader) {
    if (o.json)
        PrintJson({{"ok", false}, {"reader", reader}, {"message", "the reader does not answer"}});
    else
        std::fprintf(stderr, "vorexctl: the reader %s does not answer\n", reader.c_str());
    return 1;
}

void PrintSettings(const GlobalOptions& o, const std::string& reader, const Settings& s) {
    if (o.json) {
        PrintJson({{"ok", true},
                   {"reader", reader},
                   {"name", s.name},
                   {"address", s.address},
                   {"automatic", s.address.empty()},
                   {"mask", s.mask},
                   {"gateway", s.gateway}});
    } else {
        std::printf("name     %s\naddress  %s\nmask     %s\ngateway  %s\n",
                    Printable(s.name).c_str(), s.address.empty() ? "automatic" : s.address.c_str(),
                    s.mask.c_str(), s.gateway.c_str());
    }
}

// The port of "...-port", when there is one.
std::optional<long> PortOf(const std::string& text) {
    const size_t dash = text.rfind('-');
    long port;
    if (dash == std::string::npos || !ParseInt(text.substr(dash + 1), 1, 65535, port))
        return std::nullopt;
    return port;
}

int Set(const GlobalOptions& o, const std::string& reader,
        const std::map<std::string, std::string>& opt) {
    if (opt.count("--address") && opt.count("--automatic"))
        return UsageError(o, "give --address or --automatic, not both");
    Settings now;
    if (!ReadSettings(reader, now))
        return NotAnswering(o, reader);
    long port = PortOf(now.name).value_or(10001);
    if (opt.count("--tcp-port") && !ParseInt(opt.at("--tcp-port"), 1, 65535, port))
        return UsageError(o, "--tcp-port needs a number from 1 to 65535");
    std::string address;
    if (opt.count("--address")) {
        address = opt.at("--address");
    } else if (opt.count("--automatic")) {
        address = "[" + opt.at("--automatic") + "]";
    } else if (!now.address.empty()) {
        address = now.address.substr(0, now.address.rfind('-'));
    } else {
        address = now.name.substr(0, now.name.rfind('-'));
    }
    address += "-" + std::to_string(port);
    const std::string mask = opt.count("--mask") ? opt.at("--mask") : now.mask;
    const std::string gateway = opt.count("--gateway") ? opt.at("--gateway") : now.gateway;
    if (VOREX_SetLanConfig(reader.c_str(), address.c_str(), mask.c_str(), gateway.c_str()) != 0) {
        if (o.json)
            PrintJson({{"ok", false}, {"reader", reader}, {"message", "settings not taken"}});
        else
            std::fprintf(stderr, "vorexctl: %s did not take the settings %s %s %s\n",
                         reader.c_str(), address.c_str(), mask.c_str(), gateway.c_str());
        return 1;
    }
    // The reader is reached by its new identity from now on.
    Settings after;
    if (!ReadSettings(address, after))
        return NotAnswering(o, address);
    PrintSettings(o, address, after);
    return 0;
}

int Config(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (args.empty() || (args[0] != "show" && args[0] != "set"))
        return UsageError(o, "lan config needs show or set");
    const bool set = args[0] == "set";
    std::map<std::string, std::string> opt;
    std::string problem;
    const std::vector<std::string> known =
        set ? std::vector<std::string>{"--reader",   "--address", "--automatic",
                                       "--tcp-port", "--mask",    "--gateway"}
            : std::vector<std::string>{"--reader"};
    if (!ReadOptions({args.begin() + 1, args.end()}, known, opt, problem))
        return UsageError(o, "lan config " + args[0] + ": " + problem);
    if (!opt.count("--reader"))
        return UsageError(o, "lan config " + args[0] + " needs --reader NAME");
    const std::string reader = opt.at("--reader");
    if (set)
        return Set(o, reader, opt);
    Settings s;
    if (!ReadSettings(reader, s))
        return NotAnswering(o, reader);
    PrintSettings(o, reader, s);
    return 0;
}

int Test(const GlobalOptions& o, const std::vector<std::string>& args) {
    std::map<std::string, std::string> opt;
    std::string problem;
    if (!ReadOptions(args, {"--reader"}, opt, problem) || !opt.count("--reader"))
        return UsageError(o, "lan test needs --reader NAME");
    const std::string reader = opt.at("--reader");
    const bool reachable = VOREX_TestLanConnection(reader.c_str()) == 1;
    if (o.json)
        PrintJson({{"ok", reachable}, {"reader", reader}, {"reachable", reachable}});
    else
        std::printf("%s %s\n", reader.c_str(), reachable ? "answers" : "does not answer");
    return reachable ? 0 : 1;
}

} // namespace

int RunLan(const GlobalOptions& o, const std::vector<std::string>& args) {
    static const std::vector<Command> kTable = {
        {"search", "readers on every adapter; verified (default): only VX- models", "", Search,
         "[--unverified]", Args::Spec{{}, {}, {"--unverified"}}},
        {"config", "show: name, address, mask and gateway; set: changes them (the rest stays)", "",
         Config,
         "show|set --reader NAME [--address A.B.C.D | --automatic NAME] [--tcp-port N] "
         "[--mask M] [--gateway G]"},
        {"test", "exit 0 when the reader answers", "", Test, "--reader NAME",
         Args::Spec{{"--reader"}, {}, {}}},
    };
    return Dispatch("lan", kTable,
                    "NAME: a search entry (a.b.c.d-port, [name], ...). Adapters: "
                    "$VOREX_LAN_ADAPTERS\n(\"127.0.0.1/8\") or every interface; datagram port "
                    "$VOREX_LAN_UDP_PORT or 30718.\nA reader on the network opens with --port "
                    "a.b.c.d-port or --port [name]-port.\n",
                    o, args);
}

} // namespace vorexctl

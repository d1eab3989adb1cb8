// vorexctl bt: Bluetooth adapters, the readers in range, and the connect step that
// every command runs when --port names an adapter.
#include "cli/Cli.h"
#include "reader/BluetoothRules.h"
#include <vorex/vorex.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace vorexctl {
namespace {

using namespace vorex::reader;
using nlohmann::json;

constexpr int kPortListBytes = 2500;

// A search on the open adapter: the records found, or nullopt when it timed out.
std::optional<std::vector<BtRecord>> Search(int handle, int searchMs) {
    std::vector<uint8_t> bytes(kBtSearchBytes);
    const int used = VOREX_SearchBluetooth(handle, bytes.data(), kBtSearchBytes, searchMs, 0);
    if (used < 0)
        return std::nullopt;
    return SplitBtRecords(bytes.data(), used);
}

int Adapters(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "bt adapters takes no arguments");
    std::vector<char> buffer(kPortListBytes);
    const auto names =
        SplitNameList(buffer.data(), VOREX_ListBluetoothPorts(buffer.data(), kPortListBytes));
    if (o.json) {
        PrintJson({{"ok", true}, {"adapters", names}});
    } else {
        for (const auto& n : names)
            std::printf("%s\n", Printable(n).c_str());
        if (names.empty())
            std::fprintf(stderr,
                         "no Bluetooth adapters (modules on serial ports: $VOREX_BT_MODULES)\n");
    }
    return 0;
}

int Scan(const GlobalOptions& o, const std::vector<std::string>& words) {
    Args args;
    std::string error;
    long searchMs = kBtSearchMs;
    if (!args.Parse(words, {{"--search-ms"}, {}, {"--all"}}, error) ||
        !args.Int("--search-ms", 0, 600000, searchMs, error) || !args.Words().empty())
        return UsageError(o, error.empty() ? "bt scan takes --search-ms MS and --all" : error);
    if (!IsBluetoothPort(o.port))
        return UsageError(o, "bt scan needs --port with a Bluetooth adapter (\"... BT\")");
    const int handle = VOREX_OpenPort(o.port.c_str(), o.baudCode, o.timeoutMs);
    if (handle <= 0)
        return Refuse(o, "cannot open the Bluetooth adapter " + o.port);
    const auto records = Search(handle, static_cast<int>(searchMs));
    VOREX_ClosePort(handle);
    if (!records)
        return Refuse(o, "the Bluetooth adapter did not answer the search");
    json found = json::array();
    for (const BtRecord& r : *records) {
        if (!args.Has("--all") && !IsListedBtReader(r.name))
            continue;
        found.push_back({{"address", BtAddressText(r.address)}, {"name", r.name}});
        if (!o.json)
            std::printf("%s %s\n", BtAddressText(r.address).c_str(), Printable(r.name).c_str());
    }
    if (o.json)
        PrintJson({{"ok", true}, {"devices", found}});
    else if (found.empty())
        std::fprintf(stderr, "no Bluetooth readers found\n");
    return 0;
}

int Connect(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError(o, "bt connect takes no arguments (the reader: --bt-device ADDR)");
    if (!IsBluetoothPort(o.port))
        return UsageError(o, "bt connect needs --port with a Bluetooth adapter (\"... BT\")");
    const int handle = VOREX_OpenPort(o.port.c_str(), o.baudCode, o.timeoutMs);
    if (handle <= 0)
        return Refuse(o, "cannot open the Bluetooth adapter " + o.port);
    std::string address;
    if (!ConnectBluetoothReader(o, handle, &address)) {
        VOREX_ClosePort(handle);
        return 1;
    }
    unsigned char version[4] = {};
    const bool answered = VOREX_GetVersion(handle, version, 4) == 4;
    const int error = VOREX_GetLastError(handle);
    VOREX_ClosePort(handle);
    if (!answered)
        return ReportError(o, error, "identification over Bluetooth");
    const std::string id(reinterpret_cast<char*>(version), 4);
    if (o.json)
        PrintJson({{"ok", true}, {"address", address}, {"identification", id}});
    else
        std::printf("connected %s, reader identification %s\n", address.c_str(), id.c_str());
    return 0;
}

} // namespace

bool IsBluetoothPort(const std::string& port) {
    std::string name = port;
    const size_t colon = name.rfind(':');
    if (colon != std::string::npos &&
        name.find_first_not_of("0123456789", colon + 1) == std::string::npos)
        name.erase(colon); // the bus address
    return name.size() > 3 && name.compare(name.size() - 3, 3, " BT") == 0 &&
           name.find("BTW") == std::string::npos;
}

bool ConnectBluetoothReader(const GlobalOptions& o, int handle, std::string* connected) {
    BtAddress address{};
    if (!o.btDevice.empty()) {
        const auto parsed = ParseBtAddress(o.btDevice);
        if (!parsed) {
            UsageError(o, "--bt-device wants an address such as 11:22:33:44:55:66");
            return false;
        }
        address = *parsed;
    } else {
        const auto records = Search(handle, kBtSearchMs);
        const BtRecord* reader = nullptr;
        if (records)
            for (const auto& r : *records)
                if (!reader && IsListedBtReader(r.name))
                    reader = &r;
        if (!reader) {
            Refuse(o, records ? "no Bluetooth reader in range"
                              : "the Bluetooth adapter did not answer the search");
            return false;
        }
        address = reader->address;
    }
    if (VOREX_ConnectBluetooth(handle, address.data(), kBtConnectParameter, kBtConnectMs) != 1) {
        ReportLastError(o, handle, "Bluetooth connect to " + BtAddressText(address));
        return false;
    }
    if (connected)
        *connected = BtAddressText(address);
    return true;
}

int RunBluetooth(const GlobalOptions& o, const std::vector<std::string>& args) {
    static const std::vector<Command> kTable = {
        {"adapters", "the Bluetooth adapters (modules on serial ports in $VOREX_BT_MODULES)", "",
         Adapters, "", Args::Spec{}},
        {"scan", "with --port ADAPTER: the readers in range (--all: every device)", "", Scan,
         "[--search-ms MS] [--all]", Args::Spec{{"--search-ms"}, {}, {"--all"}}},
        {"connect", "with --port ADAPTER [--bt-device ADDR]: connect and identify the reader", "",
         Connect, "", Args::Spec{}},
    };
    return Dispatch("bt", kTable,
                    "Every command takes --port \"ADAPTER\" [--bt-device ADDR] and runs on the\n"
                    "reader connected through it.\n",
                    o, args);
}

} // namespace vorexctl

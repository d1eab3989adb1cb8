// vorexctl: scriptable command-line front end of the reader engine.
#include "cli/Cli.h"
#include "reader/BluetoothRules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vorexctl {
int RunRaw(const GlobalOptions&, const std::vector<std::string>&);
int RunIdentify(const GlobalOptions&, const std::vector<std::string>&);
int RunListPorts(const GlobalOptions&, const std::vector<std::string>&);
int RunSetBaud(const GlobalOptions&, const std::vector<std::string>&);
int RunSettings(const GlobalOptions&, const std::vector<std::string>&);
int RunPower(const GlobalOptions&, const std::vector<std::string>&);
int RunFactoryReset(const GlobalOptions&, const std::vector<std::string>&);
int RunHostMode(const GlobalOptions&, const std::vector<std::string>&);
int RunTrace(const GlobalOptions&, const std::vector<std::string>&);
int RunIso15693(const GlobalOptions&, const std::vector<std::string>&);
int RunMifare(const GlobalOptions&, const std::vector<std::string>&);
int RunUpdateCheck(const GlobalOptions&, const std::vector<std::string>&);
int RunLan(const GlobalOptions&, const std::vector<std::string>&);
int RunBluetooth(const GlobalOptions&, const std::vector<std::string>&);
int RunConvert(const GlobalOptions&, const std::vector<std::string>&);
int RunDiff(const GlobalOptions&, const std::vector<std::string>&);
int RunKeys(const GlobalOptions&, const std::vector<std::string>&);
int RunProduce(const GlobalOptions&, const std::vector<std::string>&);
int RunProduction(const GlobalOptions&, const std::vector<std::string>&);
} // namespace vorexctl

namespace {

using namespace vorexctl;

const Command kCommands[] = {
    {"raw", "send one request and print the answer payload",
     "vorexctl --port PATH [--variant N] [--address A] [--baud CODE] [--timeout MS] raw "
     "HEXBYTES...\n"
     "  Sends the request (command byte and parameters, e.g. \"F0\") in frame variant N\n"
     "  (default 0) to bus address A (default 1) and prints the answer payload as hex.\n"
     "  On failure prints \"error N\" and exits 1.\n",
     RunRaw},
    {"identify", "open the reader and show type, model, firmware and frame variant",
     "vorexctl --port PATH [--baud CODE] [--json] identify\n"
     "  Opens the reader (finding its frame variant) and prints device type, revision,\n"
     "  firmware \"FW V1.xx\", model name, frame variant and whether it writes tags.\n",
     RunIdentify},
    {"list-ports", "list the serial ports and USB readers present",
     "vorexctl [--json] list-ports\n  Lists serial ports (kind serial; readers of the maker carry "
     "a "
     "suffix),\n  FTDI-based USB readers by serial number (kind ftdi) and HID readers\n"
     "  (kind hid, \"<serial> HID\"). Each name opens with --port NAME.\n",
     RunListPorts},
    {"set-baud", "change the reader's baud rate and serial format",
     "vorexctl --port PATH [--baud CODE] set-baud RATE FORMAT\n"
     "  RATE: 2400 ... 1382400; FORMAT: 0 8N1, 1 8E1, 2 8O1, 3 8N2. Afterwards open the\n"
     "  reader with --baud RATE+FORMAT (e.g. 115201).\n",
     RunSetBaud},
    {"settings", "read or write the reader's settings block",
     "vorexctl --port PATH settings read\nvorexctl --port PATH settings write HEX\n", RunSettings},
    {"power", "show or set the transmit power",
     "vorexctl --port PATH power show [--force]\n"
     "vorexctl --port PATH power set --iso15693 full|half --iso14443 full|half [--force]\n"
     "  Readers without the setting are refused; --force sends the command anyway.\n",
     RunPower},
    {"factory-reset", "restore the reader's factory settings",
     "vorexctl --port PATH factory-reset --yes [--force]\n"
     "  Readers without a factory reset are refused; --force sends the command anyway.\n",
     RunFactoryReset},
    {"host-mode", "switch the reader's host mode on or off",
     "vorexctl --port PATH host-mode on|off\n", RunHostMode},
    {"trace", "listen for engine trace texts and print them",
     "vorexctl trace\n  Listens on $XDG_RUNTIME_DIR/NvkTracer and prints what engines trace\n"
     "  (opening and closing connections) until interrupted.\n",
     RunTrace},
    {"iso15693", "inventory ISO 15693 tags; read, write, lock, dump and restore blocks", "",
     RunIso15693},
    {"mifare", "MIFARE Classic, Ultralight and NFC Type 2 cards: read, write, dump, restore", "",
     RunMifare},
    {"update-check", "show the program and reader firmware updates the update server offers",
     "vorexctl [--port PATH] [--json] update-check\n"
     "  Fetches the version files from the update server ($VOREX_UPDATE_URL, default\n"
     "  https://update.vorex-rfid.example/rfid/software/) and prints for this program and,\n"
     "  with --port, for the reader's firmware: update (with version and installer),\n"
     "  current, no-file or no-connection. Exits 1 when a file could not be fetched.\n",
     RunUpdateCheck},
    {"bt", "Bluetooth readers: adapters, search, connect", "", RunBluetooth},
    {"lan", "readers on the network: search, reachability, network settings", "", RunLan},
    {"convert", "convert a dump file into another format (no reader needed)",
     "vorexctl [--json] convert IN OUT [--format own|pm3|mct|flipper|bin] [--fill XX]\n"
     "  Reads a dump of any format (this program's JSON, Proxmark3 JSON/.bin/.eml, MIFARE\n"
     "  Classic Tool .mct, Flipper .nfc, raw .bin/.mfd/.dump; told by content) and writes\n"
     "  it in the format of --format or of OUT's extension (.json own, .mct, .nfc\n"
     "  flipper, .bin/.mfd/.dump bin). Unknown bytes go only into formats that mark them;\n"
     "  --fill XX writes them as XX into the others and says how many.\n",
     RunConvert},
    {"diff", "compare two dump files block by block",
     "vorexctl [--json] diff A B\n"
     "  Compares two dumps of any format per sector and block (pages for Ultralight),\n"
     "  unknown bytes shown as ??, and prints a summary line. Exits 0 when they are\n"
     "  the same, 1 when they differ, 2 when they cannot be read or compared.\n",
     RunDiff},
    {"keys", "merge and convert MIFARE Classic key files",
     "vorexctl [--json] keys merge FILE... --out FILE [--format mct|pm3|flipper|bin]\n"
     "vorexctl [--json] keys convert IN OUT [--format mct|pm3|flipper|bin]\n"
     "  Key files of MIFARE Classic Tool (.keys), the Proxmark3 (.dic, key .bin), the\n"
     "  Flipper dictionary, or the keys of a MIFARE Classic dump: upper case, each key\n"
     "  once, comments kept.\n",
     RunKeys},
    {"produce", "program, verify, lock and record a line of tags from a job file",
     "vorexctl [--port PATH] [--json] produce JOB [--db URL] [--count N] [--station NAME]\n"
     "                [--journal FILE] [--idle SECONDS] [--db-wait SECONDS]\n"
     "  Programs each new tag in the field with the job's content and its own serial,\n"
     "  reads it back, locks it only when it matches, records the result and waits for\n"
     "  the tag to leave. --db: a postgresql:// URL (several stations) or an SQLite file;\n"
     "  default: the embedded database in the user's data folder. --count: stop after N\n"
     "  passed tags; --idle: stop when no new tag came for SECONDS; --station: the name\n"
     "  recorded (default: the host name). Results the database cannot take are kept in\n"
     "  the journal (--journal) until it is back, waiting up to --db-wait (60) seconds.\n"
     "  Progress on stderr (done/target, tags per hour, last UID and serial); --json: one\n"
     "  line per tag and a summary line. Exits 0 when the run ended as asked, 1 when the\n"
     "  reader or the database ended it, 2 for a usage error or a job refused, 3 when\n"
     "  serials were void. Ctrl-C ends the run between two tags.\n",
     RunProduce},
    {"production", "the record of a production job: report as table, CSV or JSON", "",
     RunProduction},
};

std::string Usage() {
    std::string out =
        "Usage: vorexctl [global options] COMMAND [arguments]\n\n"
        "global options:\n"
        "  --port PATH     reader port (/dev/ttyUSB0, /dev/pts/N, COM3,\n"
        "                  192.168.0.20-10001, [name]-10001, a Bluetooth adapter\n"
        "                  \"/dev/ttyUSB0 BT\", ...); default: $VOREX_PORT\n"
        "  --bt-device ADDR  Bluetooth reader to connect (11:22:33:44:55:66); default:\n"
        "                  the first reader a search finds\n"
        "  --baud CODE     baud code: rate + format (0 8N1, 1 8E1, 2 8O1, 3 8N2); 19200;\n"
        "                  auto: try 19200, then the other rates up to 115200\n"
        "  --timeout MS    answer timeout in milliseconds; 500\n"
        "  --variant N     frame variant for raw (0-3); 0\n"
        "  --address A     bus address for raw; 1\n"
        "  --json          print one JSON object\n"
        "  --quiet         no progress bars on stderr\n"
        "  --version       print the version\n\ncommands:\n";
    char row[160];
    for (const auto& c : kCommands) {
        std::snprintf(row, sizeof row, "  %-14s %s\n", c.name, c.summary);
        out += row;
    }
    return out + "\n\"vorexctl COMMAND --help\" shows a command's usage.\n";
}

} // namespace

int main(int argc, char** argv) {
    GlobalOptions options;
    if (const char* env = std::getenv("VOREX_PORT"))
        options.port = env;
    std::vector<std::string> args(argv + 1, argv + argc);
    // --json counts from the start, so that even a bad option before it is answered in JSON.
    options.json = std::find(args.begin(), args.end(), "--json") != args.end();
    size_t i = 0;
    auto intOption = [&](const char* name, long min, long max, int& target) {
        long v;
        if (i + 1 >= args.size() || !ParseInt(args[i + 1], min, max, v)) {
            std::exit(UsageError(options, std::string(name) + " needs a number from " +
                                              std::to_string(min) + " to " + std::to_string(max)));
        }
        target = static_cast<int>(v);
        i += 2;
    };
    // Global options may stand before the command; --json anywhere.
    std::vector<std::string> rest;
    while (i < args.size()) {
        const std::string& a = args[i];
        if (a == "--port") {
            if (i + 1 >= args.size())
                return UsageError(options, "--port needs a path");
            options.port = args[i + 1];
            i += 2;
        } else if (a == "--bt-device") {
            if (i + 1 >= args.size() || !vorex::reader::ParseBtAddress(args[i + 1]))
                return UsageError(options,
                                  "--bt-device needs an address such as 11:22:33:44:55:66");
            options.btDevice = args[i + 1];
            i += 2;
        } else if (a == "--variant") {
            intOption("--variant", 0, 3, options.variant);
        } else if (a == "--address") {
            intOption("--address", 0, 255, options.address);
        } else if (a == "--baud" && i + 1 < args.size() && args[i + 1] == "auto") {
            options.baudAuto = true;
            i += 2;
        } else if (a == "--baud") {
            intOption("--baud", 0, 99999999, options.baudCode);
        } else if (a == "--timeout") {
            intOption("--timeout", 0, 600000, options.timeoutMs);
        } else if (a == "--json") {
            options.json = true;
            ++i;
        } else if (a == "--quiet") {
            options.quiet = true;
            ++i;
        } else {
            rest.push_back(a);
            ++i;
        }
    }
    if (!rest.empty() && rest[0] == "--version") {
        if (options.json)
            PrintJson({{"ok", true}, {"version", VOREX_PROGRAM_VERSION}});
        else
            std::printf("vorexctl %s\n", VOREX_PROGRAM_VERSION);
        return 0;
    }
    if (rest.empty() && options.json)
        return UsageError(options, "no command given");
    if (rest.empty()) {
        std::fputs(Usage().c_str(), stderr);
        return 2;
    }
    if (rest[0] == "--help" || rest[0] == "-h" || rest[0] == "help")
        return PrintUsage(options, Usage());
    for (const auto& c : kCommands) {
        if (rest[0] != c.name)
            continue;
        const std::vector<std::string> words(rest.begin() + 1, rest.end());
        // Groups answer --help from their command tables.
        if (WantsHelp(words) && *c.usage)
            return PrintUsage(options, c.usage);
        options.command = c.name;
        return c.run(options, words);
    }
    if (rest[0].rfind("-", 0) == 0)
        return UsageError(options, "unknown option " + rest[0]);
    return UsageError(options, "unknown command \"" + rest[0] + "\"");
}

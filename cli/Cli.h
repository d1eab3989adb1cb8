#pragma once
// Shared pieces of the vorexctl commands: the command table, argument parsing, the
// reader handle, error reports, JSON output, the progress bar and file access.
#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace vorexctl {

struct GlobalOptions {
    std::string port;      // --port, or $VOREX_PORT
    int variant = 0;       // --variant (raw)
    int address = 1;       // --address (raw)
    int baudCode = 19200;  // --baud
    bool baudAuto = false; // --baud auto: search the reader's rate from baudCode on
    int timeoutMs = 500;   // --timeout
    bool json = false;     // --json
    bool quiet = false;    // --quiet: no progress bars
    std::string btDevice;  // --bt-device: the Bluetooth reader to connect to
    std::string command;   // the command being run: usage errors point to its --help
};

// Words after a (sub)command: "--name value" options, switches such as "--yes", and
// plain words. An option may be given more than once (its values add up); a
// `multi` option takes every following word up to the next "--" word.
class Args {
public:
    struct Spec {
        std::vector<std::string> valued;
        std::vector<std::string> multi;
        std::vector<std::string> switches;
    };
    // False with `error` on an option the command does not know or one without a value.
    bool Parse(const std::vector<std::string>& in, const Spec& spec, std::string& error);

    bool Has(const std::string& name) const { return options_.count(name) != 0; }
    // The first value, or "".
    std::string One(const std::string& name) const;
    std::optional<std::string> Get(const std::string& name) const;
    const std::vector<std::string>& All(const std::string& name) const;
    const std::vector<std::string>& Words() const { return words_; }
    // A number option in min..max; true when absent (out unchanged).
    bool Int(const std::string& name, long min, long max, long& out, std::string& error) const;

private:
    std::map<std::string, std::vector<std::string>> options_;
    std::vector<std::string> words_;
};

// A command at any level (vorexctl COMMAND, vorexctl mifare SUBCOMMAND, ...): gets the
// global options and the words after its name.
using CommandFn = int (*)(const GlobalOptions&, const std::vector<std::string>&);

// One row of a command table. Top-level rows carry their whole usage text; a group
// (iso15693, mifare, ...) leaves it empty and answers --help itself through Dispatch.
// Subcommand rows give the words after their name (`synopsis`) and the options they
// take (`options`): Dispatch builds the help from the rows and refuses any other
// option with exit 2 before the command runs. A row without options is a nested
// group (mifare ntag) or checks its words itself.
struct Command {
    const char* name;
    const char* summary;
    const char* usage; // top level: shown by "vorexctl NAME --help"
    CommandFn run;
    const char* synopsis = "";
    std::optional<Args::Spec> options = std::nullopt;
};

// Runs the command of `table` that args[0] names with the words after it. `group` names
// the level in messages and help ("mifare", "mifare ntag"); `notes` is added to the
// group's help (what every subcommand shares).
int Dispatch(const char* group, const std::vector<Command>& table, const char* notes,
             const GlobalOptions& options, const std::vector<std::string>& args);

// "F0", "02 01", "0201", "0x20" -> bytes; false on anything else.
bool ParseHexBytes(const std::vector<std::string>& words, std::vector<uint8_t>& out);
std::string ToHex(const uint8_t* bytes, size_t count, const char* separator = " ");
inline std::string ToHex(const std::vector<uint8_t>& b, const char* sep = " ") {
    return ToHex(b.data(), b.size(), sep);
}
bool ParseInt(const std::string& text, long min, long max, long& out);

// Prints "error N: text" (or a JSON object) to the right stream; returns 1.
int ReportError(const GlobalOptions& options, int error, const std::string& context = {});
// Opens the reader of --port with VOREX_OpenPort; a Bluetooth adapter name also
// connects the reader (ConnectBluetoothReader). On failure prints why and returns 0.
int OpenReader(const GlobalOptions& options);
// True for port names that open a Bluetooth adapter ("... BT", bus address allowed).
bool IsBluetoothPort(const std::string& port);
// Connects the reader of --bt-device on the open adapter, or the first listed reader a
// search finds; `connected` gets its address text. False after printing why.
bool ConnectBluetoothReader(const GlobalOptions& options, int handle,
                            std::string* connected = nullptr);
// Closes the handle when the object goes.
class ReaderHandle {
public:
    explicit ReaderHandle(const GlobalOptions& options);
    ~ReaderHandle();
    ReaderHandle(const ReaderHandle&) = delete;
    ReaderHandle& operator=(const ReaderHandle&) = delete;
    int get() const { return handle_; }
    explicit operator bool() const { return handle_ > 0; }

private:
    int handle_;
};
// Reports the last error of the handle (see ReportError).
int ReportLastError(const GlobalOptions& options, int handle, const std::string& context = {});
// Reports a failed call; a failure that left no error number gets a text of its own.
int ReportFailure(const GlobalOptions& options, int handle, const std::string& context);
// Reports a problem found here (not by the reader); returns 1.
int Refuse(const GlobalOptions& options, const std::string& message);
// The English text of an engine error number (the engine's own texts are German).
std::string ErrorMessage(int error);
// An engine error in a JSON object: "error" (its number) and "error_name" ("timeout").
void AddError(nlohmann::json& j, int error);

// The names of a name list (each NUL-terminated, one more NUL after the last) of
// `used` bytes.
std::vector<std::string> SplitNameList(const char* buffer, int used);

// Every JSON output goes through here: one object as a line on stdout. Strings that
// are no valid UTF-8 get U+FFFD for the bad bytes.
std::string JsonText(const nlohmann::json& j);
void PrintJson(const nlohmann::json& j);
// Text from outside (names, file contents) for a terminal: control characters and
// bytes that are no UTF-8 shown as \xNN.
std::string Printable(const std::string& text);

// Prints a usage problem to stderr (with --json: one JSON object on stdout); returns 2.
// `help` is the command whose --help explains it ("mifare dump"); default: the command
// being run.
int UsageError(const GlobalOptions& o, const std::string& message, const std::string& help = {});
// True when the words ask for help.
bool WantsHelp(const std::vector<std::string>& args);
// Prints a help text on stdout (with --json as {"ok": true, "usage": TEXT}); returns 0.
int PrintUsage(const GlobalOptions& o, const std::string& text);

// A progress bar on stderr, drawn only when stderr is a terminal and neither --quiet nor
// --json is given, and cleared when the object goes; call it with (done, total) (a
// total of 0 draws nothing).
class ProgressBar {
public:
    ProgressBar(const char* what, const GlobalOptions& options);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    void operator()(int done, int total);

private:
    const char* what_;
    bool shown_;
    bool drawn_ = false;
};

// Whole files (see cards/FileIo.h): reads refuse folders and devices and files above
// `maxSize` bytes; writes replace the file only once the new content is complete.
bool ReadFile(const std::string& path, std::string& content, std::string& error,
              size_t maxSize = 1 << 20);
bool WriteFile(const std::string& path, const std::string& content, std::string& error);
bool EndsWith(const std::string& s, const std::string& tail);

} // namespace vorexctl

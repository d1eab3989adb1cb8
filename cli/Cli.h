#pragma once
// Shared pieces of the vorexctl commands.
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace vorexctl {

struct GlobalOptions {
    std::string port;     // --port, or $VOREX_PORT
    int variant = 0;      // --variant (raw)
    int address = 1;      // --address (raw)
    int baudCode = 19200; // --baud
    int timeoutMs = 500;  // --timeout
    bool json = false;    // --json
};

// A command: gets the global options and the words after the command name.
using CommandFn = int (*)(const GlobalOptions&, const std::vector<std::string>&);

struct Command {
    const char* name;
    const char* summary;
    const char* usage; // shown by "vorexctl NAME --help"
    CommandFn run;
};

// "F0", "02 01", "0201", "0x20" -> bytes; false on anything else.
bool ParseHexBytes(const std::vector<std::string>& words, std::vector<uint8_t>& out);
std::string ToHex(const uint8_t* bytes, size_t count, const char* separator = " ");
inline std::string ToHex(const std::vector<uint8_t>& b, const char* sep = " ") {
    return ToHex(b.data(), b.size(), sep);
}
bool ParseInt(const std::string& text, long min, long max, long& out);

// Prints "error N: text" (or a JSON object) to the right stream; returns 1.
int ReportError(const GlobalOptions& options, int error, const std::string& context = {});
// Opens the reader of --port with VOREX_OpenPort. On failure prints why and returns 0.
int OpenReader(const GlobalOptions& options);
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
// The engine's German text for an error number, without the line end.
std::string ErrorMessage(int error);

// The names of a name list (each NUL-terminated, one more NUL after the last) of
// `used` bytes.
std::vector<std::string> SplitNameList(const char* buffer, int used);

// Prints one JSON object as a line on stdout.
void PrintJson(const nlohmann::json& j);

// Prints a usage problem to stderr; returns 2.
int UsageError(const std::string& message);
// True when the words ask for help.
bool WantsHelp(const std::vector<std::string>& args);

} // namespace vorexctl

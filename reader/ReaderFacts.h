#pragma once
// Plain C++ rules of the application shell: device capability tests, identification
// decoding, the baud-rate search, the serial format code and port-name building.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorex::reader {

// ---- Capabilities of a device type code t (bit 0 set = programmer) and firmware f ----
bool IsIsoProgrammer(int t);
bool IsMifareProgrammer(int t);
bool IsNfcType2Programmer(int t, int f);
bool HasTransmitPower(int t, int f);
bool HasFactoryReset(int t, int f);
bool HasSmallKeyStore(int t);
// The ISO 15693 workbench may not offer the high data rate.
bool HighDataRateLock(int t);
// Readers reported to the firmware update check.
bool IsUpdateCheckedType(int t);

// ---- Identification ----
// The engine decodes the identification itself when it opens a connection, but offers
// no VOREX_ call that decodes a payload (VOREX_GetVersion) or a firmware code; the SDK
// stays self-contained, so this is the programs' one copy of its rule, held to the
// engine's by a table test.
// '0'-'9' = 0-9, 'A'-'Z' = 10-35, 'a'-'z' = 36-61, anything else 255.
int Base62Value(char c);
struct Identity {
    int deviceType = 0;
    int firmware = -1;
};
// Four identification characters: three hex digits of the type, one base-62 revision.
// False when there are not four or the type digits are not hexadecimal.
bool ParseIdentity(const uint8_t* id, int length, Identity& out);

// ---- Baud rates ----
// The rate after `rate` in the search cycle 2400 ... 115200 -> 2400; other values 19200.
int NextSearchRate(int rate);
// Searches the baud rates after a failed open at baudCode (rate + format code):
// tries each rate with `open` until it returns something other than -11.
// Returns that result and sets `found` to its rate; -11 when the cycle is exhausted.
int SearchBaudRate(int baudCode, const std::function<int(int rate)>& open, int& found);

// Serial format code: 0 none/1 stop, 1 even, 2 odd, 3 none/2 stop bits.
// parity: 0 keine, 1 gerade, 2 ungerade; stopIndex: 0 = "1", 1 = "2".
int ComposeBaudCode(int baud, int parity, int stopIndex);
struct BaudParts {
    int baud = 19200;
    int parity = 0;
    int stopIndex = 0;
};
BaudParts SplitBaudCode(int code);

// ---- Port entries ----
enum class EntryKind { Serial, Usb, Lan, Bluetooth };
EntryKind KindOf(const std::string& entry);
// The name without its kind prefix, followed by ":<address>".
std::string BuildPortName(const std::string& entry, int address);
// The port name as the operator reads it: the entry without its kind prefix, with
// ":<address>" only when the address is not the default 1.
std::string DisplayPortName(const std::string& entry, int address);
bool IsHidReaderEntry(const std::string& entry);
// The entry a fresh profile starts with: the first listed serial port that names the
// maker's reader or virtual COM device, else the first USB reader, else the first USB
// serial adapter (ttyUSB, ttyACM); "" when there is none. On-board serial ports are
// never chosen unasked.
std::string ChooseDefaultEntry(const std::vector<std::string>& serialPorts,
                               const std::vector<std::string>& usbReaders);
bool IsVirtualComEntry(const std::string& entry);

// Names of a NUL-separated name list (ends at an empty name or at length).
std::vector<std::string> SplitNameList(const char* buffer, int length);
// Brings `list` in line with `names`: elements after the first difference are
// replaced. True when the list changed.
bool RefreshList(std::vector<std::string>& list, const std::vector<std::string>& names);

} // namespace vorex::reader

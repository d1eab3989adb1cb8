#include "reader/ReaderFacts.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace vorex::reader {
namespace {

bool Odd(int t) {
    return (t & 1) != 0;
}
bool In(int t, int first) {
    return t >= first && t <= first + 0xF;
}
bool OddIn(int t, std::initializer_list<int> ranges) {
    return Odd(t) && std::any_of(ranges.begin(), ranges.end(), [t](int r) { return In(t, r); });
}

} // namespace

bool IsIsoProgrammer(int t) {
    return t == 0x117 || t == 0x171 ||
           OddIn(t, {0x120, 0x130, 0x140, 0x150, 0x160, 0x180, 0x190, 0x400, 0x410, 0x420, 0x430,
                     0x450});
}

bool IsMifareProgrammer(int t) {
    return OddIn(t, {0x160, 0x190, 0x400, 0x410, 0x430, 0x450});
}

bool IsNfcType2Programmer(int t, int f) {
    return OddIn(t, {0x190, 0x400, 0x410, 0x430, 0x450}) || (OddIn(t, {0x160}) && f >= 19);
}

bool HasTransmitPower(int t, int f) {
    return OddIn(t, {0x410, 0x430, 0x450}) || (OddIn(t, {0x420}) && f >= 4);
}

bool HasFactoryReset(int t, int f) {
    return (OddIn(t, {0x410}) && f > 0) || (OddIn(t, {0x450}) && f > 3) || OddIn(t, {0x430});
}

bool HasSmallKeyStore(int t) {
    return OddIn(t, {0x190, 0x400});
}

bool HighDataRateLock(int t) {
    return In(t, 0x120) ? Odd(t) : t == 0x171;
}

bool IsUpdateCheckedType(int t) {
    static const std::set<int> types = {
        0x117, 0x121, 0x122, 0x123, 0x124, 0x125, 0x131, 0x134, 0x135, 0x141, 0x144,
        0x145, 0x154, 0x155, 0x161, 0x164, 0x165, 0x171, 0x181, 0x184, 0x185, 0x191,
        0x194, 0x195, 0x401, 0x404, 0x405, 0x411, 0x414, 0x415, 0x451, 0x454, 0x455};
    return types.count(t) != 0;
}

int Base62Value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 36;
    return 255;
}

bool ParseIdentity(const uint8_t* id, int length, Identity& out) {
    if (id == nullptr || length != 4)
        return false;
    int type = 0;
    for (int i = 0; i < 3; ++i) {
        const int c = id[i];
        if (!std::isxdigit(c))
            return false;
        type = type * 16 + (std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    out.deviceType = type;
    out.firmware = Base62Value(static_cast<char>(id[3]));
    return true;
}

int NextSearchRate(int rate) {
    switch (rate) {
    case 2400:
        return 4800;
    case 4800:
        return 9600;
    case 9600:
        return 19200;
    case 19200:
        return 38400;
    case 38400:
        return 57600;
    case 57600:
        return 115200;
    case 115200:
        return 2400;
    default:
        return 19200;
    }
}

int SearchBaudRate(int baudCode, const std::function<int(int rate)>& open, int& found) {
    const int start = baudCode / 100 * 100;
    std::set<int> tried;
    int rate = baudCode % 100 != 0 ? start : NextSearchRate(start);
    // The cycle ends when it comes back to the start; a start outside the cycle would
    // never come back, so a rate tried before ends it too.
    while (rate != start || (baudCode % 100 != 0 && tried.empty())) {
        if (!tried.insert(rate).second)
            break;
        const int result = open(rate);
        if (result != -11) {
            found = rate;
            return result;
        }
        rate = NextSearchRate(rate);
    }
    return -11;
}

int ComposeBaudCode(int baud, int parity, int stopIndex) {
    if (parity == 1)
        return baud + 1;
    if (parity == 2)
        return baud + 2;
    return baud + (stopIndex == 1 ? 3 : 0);
}

BaudParts SplitBaudCode(int code) {
    BaudParts p;
    p.baud = code / 100 * 100;
    switch (code % 100) {
    case 1:
        p.parity = 1;
        break;
    case 2:
        p.parity = 2;
        break;
    case 3:
        p.stopIndex = 1;
        break;
    default:
        break;
    }
    return p;
}

EntryKind KindOf(const std::string& entry) {
    if (entry.rfind("USB: ", 0) == 0)
        return EntryKind::Usb;
    if (entry.rfind("LAN: ", 0) == 0)
        return EntryKind::Lan;
    if (entry.rfind("Bluetooth: ", 0) == 0)
        return EntryKind::Bluetooth;
    return EntryKind::Serial;
}

std::string BuildPortName(const std::string& entry, int address) {
    std::string name = entry;
    switch (KindOf(entry)) {
    case EntryKind::Usb:
    case EntryKind::Lan:
        name = entry.substr(5);
        break;
    case EntryKind::Bluetooth:
        name = entry.substr(11);
        break;
    case EntryKind::Serial:
        break;
    }
    return name + ":" + std::to_string(address);
}

std::string DisplayPortName(const std::string& entry, int address) {
    std::string name = BuildPortName(entry, address);
    if (address == 1)
        name.erase(name.size() - 2);
    return name;
}

std::string ChooseDefaultEntry(const std::vector<std::string>& serialPorts,
                               const std::vector<std::string>& usbReaders) {
    // A listed serial port carries " [<product>]" only for the maker's devices.
    for (const std::string& port : serialPorts)
        if (port.find(" [", 1) != std::string::npos)
            return port;
    if (!usbReaders.empty())
        return "USB: " + usbReaders.front();
    for (const std::string& port : serialPorts) {
        const std::string device = port.substr(0, port.find(' '));
        const std::string base = device.substr(device.rfind('/') + 1);
        if (base.rfind("ttyUSB", 0) == 0 || base.rfind("ttyACM", 0) == 0)
            return port;
    }
    return {};
}

bool IsHidReaderEntry(const std::string& entry) {
    if (entry.size() < 2 || entry.find(" HID", 1) == std::string::npos)
        return false;
    static const char* const articles[] = {"4160-", "4162-", "4164-", "4165-", "4166-",
                                           "4167-", "4350-", "4354-", "4355-", "4356-",
                                           "4450-", "4455-", "4700-", "4705-", "5700-"};
    return std::any_of(std::begin(articles), std::end(articles),
                       [&](const char* a) { return entry.find(a, 1) != std::string::npos; });
}

bool IsVirtualComEntry(const std::string& entry) {
    // Serial ports are listed as COMn or as OS device paths (/dev/ttyACM0 ...).
    return (entry.rfind("COM", 0) == 0 || entry.rfind("/dev/", 0) == 0) && entry.size() > 3 &&
           entry.find(" [Nvk Virtual COM", 1) != std::string::npos;
}

std::vector<std::string> SplitNameList(const char* buffer, int length) {
    std::vector<std::string> names;
    int pos = 0;
    while (buffer != nullptr && pos < length && buffer[pos] != '\0') {
        int end = pos;
        while (end < length && buffer[end] != '\0')
            ++end;
        names.emplace_back(buffer + pos, buffer + end);
        pos = end + 1;
    }
    return names;
}

bool RefreshList(std::vector<std::string>& list, const std::vector<std::string>& names) {
    if (list == names)
        return false;
    list = names;
    return true;
}

} // namespace vorex::reader

#include "engine/PortNameGrammar.h"

#include <cctype>
#include <sys/stat.h>

namespace vorex {
namespace {

constexpr uint32_t kMaxBusAddress = 255;

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

bool PathExists(const std::string& name) {
    struct stat st;
    return lstat(name.c_str(), &st) == 0;
}

} // namespace

bool IsDevicePath(const std::string& name) {
    if (StartsWith(name, "/dev/"))
        return true;
    struct stat st; // follows links: a link to a serial device names that device
    return StartsWith(name, "/") && stat(name.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Which link a port name selects, in the order the names are tested.
LinkKind SelectLink(const std::string& name) {
    const auto bluetooth = [&name] {
        return name.find("BTW") != std::string::npos ? LinkKind::BluetoothRefused
                                                     : LinkKind::Bluetooth;
    };
    if (name.size() > 3 && name.compare(name.size() - 3, 3, " BT") == 0)
        return bluetooth();
    // Device paths never name another link, whatever dots or letters they hold.
    if (IsDevicePath(name))
        return LinkKind::Serial;
    if (!name.empty() && name[0] == '[')
        return LinkKind::Lan;
    const size_t dot = name.find('.');
    if (dot != std::string::npos && dot > 0) {
        const size_t second = name.find('.', dot + 1);
        if (second != std::string::npos && name.find('.', second + 1) != std::string::npos)
            return LinkKind::Lan;
    }
    if (name.find("HID") != std::string::npos)
        return LinkKind::Hid;
    if (name.find("BT") != std::string::npos)
        return bluetooth();
    return LinkKind::Serial;
}

std::string SplitBusAddress(const std::string& name, uint32_t& address) {
    address = 1;
    if (StartsWith(name, "/") && PathExists(name))
        return name;
    const size_t colon = name.rfind(':');
    if (colon == std::string::npos || colon + 1 == name.size())
        return name;
    uint32_t value = 0;
    for (size_t i = colon + 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return name;
        value = value * 10 + static_cast<uint32_t>(name[i] - '0');
        if (value > kMaxBusAddress)
            return name;
    }
    address = value;
    return name.substr(0, colon);
}

bool KeepsBaudCode(const std::string& name) {
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.rfind("COM", 0) == 0 || upper.rfind("\\\\.\\COM", 0) == 0 || StartsWith(name, "/");
}

} // namespace vorex

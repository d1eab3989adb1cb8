#include "PortNameGrammar.h"

#include <cctype>

namespace vorex {

// Which link a port name selects, in the order the names are tested.
LinkKind SelectLink(const std::string& name) {
    if (!name.empty() && name[0] == '[')
        return LinkKind::Lan;
    const size_t dot = name.find('.');
    if (dot != std::string::npos && dot > 0) {
        const size_t second = name.find('.', dot + 1);
        if (second != std::string::npos && name.find('.', second + 1) != std::string::npos)
            return LinkKind::Lan;
    }
    // Device paths never name another link, whatever letters they hold.
    if (name.rfind("/dev/", 0) == 0)
        return LinkKind::Serial;
    if (name.find("HID") != std::string::npos)
        return LinkKind::Hid;
    if (name.find("BT") != std::string::npos)
        return name.find("BTW") != std::string::npos ? LinkKind::BluetoothRefused
                                                     : LinkKind::Bluetooth;
    return LinkKind::Serial;
}

// Splits "COM3:5" into "COM3" and bus address 5. A name whose first colon is its last
// character stays whole, with bus address 1.
std::string SplitBusAddress(const std::string& name, uint32_t& address) {
    address = 1;
    const size_t colon = name.find(':');
    if (colon == std::string::npos || colon + 1 == name.size())
        return name;
    uint32_t value = 0;
    for (size_t i = colon + 1; i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]));
         ++i)
        value = value * 10 + static_cast<uint32_t>(name[i] - '0');
    address = value;
    return name.substr(0, colon);
}

bool KeepsBaudCode(const std::string& name) {
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.rfind("COM", 0) == 0 || upper.rfind("\\\\.\\COM", 0) == 0 ||
           upper.rfind("/DEV/", 0) == 0;
}

} // namespace vorex

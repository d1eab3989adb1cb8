#include "engine/links/serial/PortName.h"

#include <cctype>

namespace vorex::links {
namespace {

int LeadingNumber(const std::string& s, size_t pos) {
    long value = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        value = value * 10 + (s[pos] - '0');
        if (value > 1000000)
            break;
        ++pos;
    }
    return static_cast<int>(value);
}

int TrailingNumber(const std::string& s) {
    size_t end = s.size();
    size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(s[begin - 1])))
        --begin;
    return begin == end ? 0 : LeadingNumber(s, begin);
}

} // namespace

ParsedPortName ParsePortName(const std::string& name) {
    ParsedPortName out;
    if (name.rfind("/", 0) == 0) {
        out.devicePath = name.substr(0, name.find(' '));
        out.portNumber = TrailingNumber(out.devicePath);
        return out;
    }
    size_t pos = name.rfind("\\\\.\\", 0) == 0 ? 4 : 0;
    if (name.size() >= pos + 4) {
        const auto lower = [&](size_t i) {
            return static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
        };
        const char first = name[pos + 3];
        if (lower(pos) == 'c' && lower(pos + 1) == 'o' && lower(pos + 2) == 'm' && first >= '1' &&
            first <= '9') {
            out.portNumber = LeadingNumber(name, pos + 3);
            out.devicePath = "/dev/ttyS" + std::to_string(out.portNumber - 1);
            return out;
        }
    }
    out.ftdi = true;
    out.ftdiSerial = name;
    out.portNumber = LeadingNumber(name, pos);
    return out;
}

} // namespace vorex::links

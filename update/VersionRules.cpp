#include "update/VersionRules.h"

#include "reader/ReaderFacts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vorex::update {
namespace {

// Leading decimal digits as a number (0 without any); stops before overflowing.
long LeadingNumber(const std::string& text, size_t from, size_t to) {
    long value = 0;
    for (size_t i = from; i < to && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value > 100000000L)
            break;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

long VersionNumber(const std::string& text) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos)
        return LeadingNumber(text, 0, text.size()) * 1000;
    return LeadingNumber(text, 0, dot) * 1000 + LeadingNumber(text, dot + 1, text.size());
}

int CompareVersions(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i <= a.size() || j <= b.size()) {
        const size_t endA = std::min(a.find('.', i), a.size());
        const size_t endB = std::min(b.find('.', j), b.size());
        const long partA = i < a.size() ? LeadingNumber(a, i, endA) : 0;
        const long partB = j < b.size() ? LeadingNumber(b, j, endB) : 0;
        if (partA != partB)
            return partA < partB ? -1 : 1;
        i = endA + 1;
        j = endB + 1;
    }
    return 0;
}

std::string DeviceCode(const std::string& firmwareCode) {
    return firmwareCode.substr(0, 3);
}

std::string FirmwareVersion(const std::string& firmwareCode) {
    // An invalid revision character counts as 0 here.
    const int value = firmwareCode.size() > 3 ? vorex::reader::Base62Value(firmwareCode[3]) : 0;
    const int digit = value == 255 ? 0 : value;
    char text[16];
    std::snprintf(text, sizeof text, "1.%02d", digit);
    return text;
}

std::string OwnVersionText(const std::string& productVersion) {
    if (productVersion.empty() || productVersion.size() > 19)
        return "-.--";
    return productVersion.size() < 4 ? productVersion + ' ' : productVersion;
}

std::string InstallerFileName(const std::string& url, const std::string& fallback) {
    std::string name = url.substr(0, url.find_first_of("?#"));
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    std::string clean;
    for (char c : name)
        if (c != '/' && c != '\\' && static_cast<unsigned char>(c) >= 0x20)
            clean += c;
    if (clean.empty() || clean == "." || clean == ".." || clean.front() == '-')
        return fallback;
    return clean;
}

} // namespace vorex::update

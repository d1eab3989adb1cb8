#include "engine/links/hid/HidReports.h"

#include <algorithm>
#include <cstring>

namespace vorex::links {

size_t TakeInputReport(const uint8_t* report, size_t transferred, size_t inputLength, uint8_t* out,
                       size_t capacity) {
    if (transferred < inputLength || transferred < 2)
        return 0;
    const size_t count = std::min({transferred - 2, static_cast<size_t>(report[1]), capacity});
    if (count > 0)
        std::memcpy(out, report + 2, count);
    return count;
}

std::vector<uint8_t> DataReport(const uint8_t* bytes, size_t count, size_t outputLength) {
    std::vector<uint8_t> report(std::max<size_t>(outputLength, 2), 0);
    count = std::min(count, report.size() - 2);
    report[1] = static_cast<uint8_t>(count);
    std::copy(bytes, bytes + count, report.begin() + 2);
    return report;
}

std::vector<uint8_t> ControlReport(uint8_t argument, size_t outputLength) {
    std::vector<uint8_t> report(std::max<size_t>(outputLength, 4), 0);
    report[1] = 0x82;
    report[2] = 0x10;
    report[3] = argument;
    return report;
}

} // namespace vorex::links

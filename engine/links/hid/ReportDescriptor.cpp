#include "engine/links/hid/ReportDescriptor.h"

#include <algorithm>
#include <map>

namespace vorex::links {
namespace {

uint32_t ItemValue(const uint8_t* data, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    return value;
}

} // namespace

bool ParseReportLengths(const uint8_t* descriptor, size_t size, ReportLengths& lengths) {
    // Bits per report id, for input and output reports.
    std::map<uint32_t, uint64_t> inputBits, outputBits;
    uint32_t reportSize = 0, reportCount = 0, reportId = 0;
    int depth = 0;
    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = descriptor[pos];
        if (prefix == 0xFE) // long item: not used by report layouts
            return false;
        const size_t dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + dataSize > size)
            return false;
        const uint32_t value = ItemValue(descriptor + pos + 1, dataSize);
        pos += 1 + dataSize;
        switch (prefix & 0xFC) {
        case 0x74: // report size
            reportSize = value;
            break;
        case 0x94: // report count
            reportCount = value;
            break;
        case 0x84: // report id
            reportId = value;
            break;
        case 0x80: // input
            inputBits[reportId] += static_cast<uint64_t>(reportSize) * reportCount;
            break;
        case 0x90: // output
            outputBits[reportId] += static_cast<uint64_t>(reportSize) * reportCount;
            break;
        case 0xA0: // collection
            ++depth;
            break;
        case 0xC0: // end collection
            if (--depth < 0)
                return false;
            break;
        default:
            break;
        }
    }
    if (depth != 0 || inputBits.empty() || outputBits.empty())
        return false;
    // One byte more for the report id, which leads every report (0 when unnumbered).
    const auto longest = [](const std::map<uint32_t, uint64_t>& bits) {
        uint64_t most = 0;
        for (const auto& [id, n] : bits)
            most = std::max(most, n);
        return std::min<uint64_t>((most + 7) / 8 + 1, 0xFFFF);
    };
    lengths.input = static_cast<uint16_t>(longest(inputBits));
    lengths.output = static_cast<uint16_t>(longest(outputBits));
    return true;
}

} // namespace vorex::links

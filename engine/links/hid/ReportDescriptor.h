#pragma once
// The report lengths a HID report descriptor declares, as the HID capabilities give
// them: the largest input and output report in bytes, report id byte included.
#include <cstddef>
#include <cstdint>

namespace vorex::links {

struct ReportLengths {
    uint16_t input = 0;
    uint16_t output = 0;
};

// False when the descriptor is malformed (a cut item, a long item, unbalanced
// collections) or declares no input or no output report.
bool ParseReportLengths(const uint8_t* descriptor, size_t size, ReportLengths& lengths);

} // namespace vorex::links

// Input reports as a HID reader delivers them, and report descriptors as a device
// declares them: the input report is read only inside the bytes transferred and never
// copies more than the caller's capacity (ASan catches reads outside the exact-size
// copy); the lengths of a descriptor that parses are at least one byte (the report id).
// The first byte chooses the input report length and the caller's capacity.
#include "engine/links/hid/HidReports.h"
#include "engine/links/hid/ReportDescriptor.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t inputLength = data[0] % (vorex::links::kMaxInputReportLength + 1);
    const size_t capacity = data[0] % 17;
    const std::vector<uint8_t> report(data + 1, data + size);
    std::vector<uint8_t> out(capacity);
    const size_t n = vorex::links::TakeInputReport(report.data(), report.size(), inputLength,
                                                   out.data(), out.size());
    if (n > capacity ||
        (n > 0 && (report.size() < inputLength || n > report.size() - 2 || n > report[1])))
        __builtin_trap();

    vorex::links::ReportLengths lengths;
    if (vorex::links::ParseReportLengths(data, size, lengths) &&
        (lengths.input == 0 || lengths.output == 0))
        __builtin_trap();
    return 0;
}

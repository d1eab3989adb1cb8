#pragma once
// The reader's HID report layouts (byte 0 is the report id, always 0):
//   input report:  [0][n][n data bytes][padding to the input report length]
//   data report:   [0][n][n data bytes][zero padding to the output report length]
//   control report: [0][0x82][0x10][argument][zero padding]
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorex::links {

// The report lengths the link works with: the buffers hold output reports of at most
// 65 bytes and input reports of at most 134; a report needs room for id and length.
constexpr uint16_t kDefaultReportLength = 9;
constexpr uint16_t kMaxOutputReportLength = 65;
constexpr uint16_t kMaxInputReportLength = 134;
constexpr uint16_t kMinReportLength = 3;

// The data bytes of a received input report: min(transferred - 2, n) bytes, at most
// capacity; nothing when fewer than inputLength bytes were transferred. Returns the
// number of bytes copied to `out`.
size_t TakeInputReport(const uint8_t* report, size_t transferred, size_t inputLength, uint8_t* out,
                       size_t capacity);

// One data report carrying `count` bytes (at most outputLength - 2).
std::vector<uint8_t> DataReport(const uint8_t* bytes, size_t count, size_t outputLength);

// The control report with its argument.
std::vector<uint8_t> ControlReport(uint8_t argument, size_t outputLength);

} // namespace vorex::links

#pragma once
// Evaluation of an ISO 15693 transponder response carried in a reader answer.
#include <cstdint>
#include <vector>

namespace vorex::iso {

// `payload` is the reader answer's payload. In variant 2 its first byte is a reader
// status. On success the response flags byte is removed and `payload` holds the
// response data; on failure `error` is the engine error number.
bool EvaluateIsoAnswer(std::vector<uint8_t>& payload, uint8_t variant, int& error);

// Engine error number for an ISO 15693 error code.
int IsoErrorNumber(uint8_t code);

} // namespace vorex::iso

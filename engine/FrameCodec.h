#pragma once
// The reader's four frame variants: building request frames, deciding when an answer
// frame is complete, and checking and unpacking answer frames. Pure functions, so
// that the receive wait, the tests and the fuzz harnesses share them.
//
//   variant 0:  02 addr cmd n data.. xor       (xor of every byte after the 02)
//   variant 1:  addr cmd n data.. crcLo crcHi  (CRC-16/MODBUS)
//   variant 2:  1E cmd' n data'..               (translated commands, no check)
//   variant 3:  1E cmd' n data'..
// Answers carry a status byte in place of the command. Length 0xFF marks a chained
// answer: blocks (L + L bytes) closed by a single 0xFF, then the check bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorex::frame {

constexpr uint8_t kStartVariant0 = 0x02;
constexpr uint8_t kStartVariant23 = 0x1E;
constexpr uint8_t kChained = 0xFF;

uint16_t Crc16(const uint8_t* data, size_t count);

// Bytes an answer holds before phase 1 of the receive wait ends (4 or 3).
size_t HeaderBytes(uint8_t variant);
// Position of the length byte in an answer (3 in variant 0, else 2).
size_t LengthPosition(uint8_t variant);
// Number of check bytes at the end of an answer (1, 2, 0, 0).
size_t CheckBytes(uint8_t variant);
// Start byte of the variant, or -1 for variant 1, which has none.
int StartByte(uint8_t variant);

// Applies the command translation of variants 2 and 3 to a request (cmd p1 .. pk).
void TranslateRequest(std::vector<uint8_t>& request, uint8_t variant);

// Turns the request (cmd p1 .. pk) into the frame of the variant, in place.
// Returns the command byte after translation (the "last command").
uint8_t BuildFrame(std::vector<uint8_t>& request, uint8_t variant, uint8_t busAddress);

// True when buffer[0..count) holds a whole answer frame. The buffer must start at the
// frame's first byte (start byte, or the address in variant 1). Never reads outside
// the buffer, whatever block lengths a chained answer carries.
bool AnswerComplete(const uint8_t* buffer, size_t count, uint8_t variant);

// Variants 2 and 3: true when an answer with this status byte answers a request
// whose command was `lastCommand` (its echo or one of the reader's error codes).
bool AnswersCommand(uint8_t status, uint8_t lastCommand);

// Checks the answer frame in `frame`, evaluates its status and leaves the payload in
// `frame`. On failure returns false with `error` set to the engine error number; on
// success `error` is 0, or 32 for a variant-0 answer with status 0x20 (still
// delivered). Chained payloads keep their block length bytes and lose the closing
// 0xFF. Bytes after the end of the frame fail the check in variants 0 and 1 and are
// dropped in variants 2 and 3.
bool TakeAnswer(std::vector<uint8_t>& frame, uint8_t variant, uint8_t lastCommand, int& error);

} // namespace vorex::frame

#pragma once
// ISO 14443A / MIFARE / NFC Type 2 requests of the reader: request, select,
// authenticate, read, write, value operation, key store, and the Type 2 sector
// select that reads and writes of pages above 255 need.
#include "engine/Vorex_Port.h"

#include <cstdint>
#include <vorex/vorex_errors.h>

namespace vorex::mifare {

// Error number for parameters that cannot be put into a request.
constexpr int kBadParameter = VOREX_ERR_BAD_PARAMETER;
// Error number for a request answer that is not exactly 2 bytes.
constexpr int kShortAnswer = VOREX_ERR_SHORT_ANSWER;

// Request (0x30): the 2-byte answer, first byte low. Resets the sector cache.
bool Request(CVorex_Port& port, uint16_t* answer);

// Select (0x31): *first := SAK, the UID goes to buffer. Returns the UID length, or -1
// (an empty answer, or a UID longer than capacity, gives -1 with no error number).
// Resets the sector cache.
int Select(CVorex_Port& port, uint8_t* buffer, int capacity, uint8_t* first);

// Authenticate (0x33) with the given key, or with the reader's key store when key is
// null or keyLength is 0.
bool Authenticate(CVorex_Port& port, const uint8_t* key, int keyLength, int keyType, int keyNumber,
                  int block);

// Read (0x34) of a block or four pages; the payload is cut to the capacity. Bits
// above the low byte of `block` name the Type 2 sector. Returns the count or -1.
int ReadBlock(CVorex_Port& port, int32_t block, uint8_t* buffer, int capacity);

// Write (0x35) of a block (16 bytes) or a page (4 bytes).
bool WriteBlock(CVorex_Port& port, int32_t block, const uint8_t* data, int count);

// Value operation (0x38): operation 1 increments, 0 decrements.
bool Value(CVorex_Port& port, int block, int operation, int32_t value);

// Stores a key in the reader's key store (0x39): keyType 0 = A, 1 = B.
bool StoreKey(CVorex_Port& port, int keyType, int keyNumber, const uint8_t* key, int keyLength);

// Type 2 sector select (0x3A) for the sector of `block`: sent only when the sector
// differs from the cached one; the cache follows a successful select only.
void SelectSector(CVorex_Port& port, int32_t block);

} // namespace vorex::mifare

#pragma once
// Names of IC manufacturer codes (ISO/IEC 7816-6): the code in byte 6 of an ISO 15693
// UID and in the first byte of an ISO 14443 UID.
namespace vorex::cards {

// The maker of `code`, "Unknown" for a code the table does not hold.
const char* IcManufacturerName(int code);

} // namespace vorex::cards

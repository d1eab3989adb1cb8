#pragma once
// Writing an NDEF message: URI and Text records into the bytes of one message, and the
// message into the NDEF TLV (with terminator) that a tag's data area holds.
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::production::ndef {

struct UriRecord {
    std::string uri;
};
struct TextRecord {
    std::string language; // e.g. "de"; at most 63 bytes
    std::string text;     // UTF-8
};

struct OutRecord {
    bool isUri = true;
    UriRecord uri;
    TextRecord text;
};

// The message: first record with MB, last with ME, short records where the payload
// fits in 255 bytes. URIs use the shortest well-known prefix code.
std::vector<uint8_t> EncodeMessage(const std::vector<OutRecord>& records);

// 03, the length (one byte, or FF and two bytes from 255 on), the message, FE.
std::vector<uint8_t> WrapTlv(const std::vector<uint8_t>& message);

} // namespace vorex::production::ndef

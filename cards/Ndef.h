#pragma once
// NDEF records in the memory of an NFC Forum Type 2 tag: the TLV walk from page 4 to
// the first NDEF message TLV and the records in it (URI, Text and MIME decoded, any
// other record by type and length), and one-record messages (URI, Text) built for
// writing. Nothing past the bytes given (and the data area the capability container
// announces) is ever looked at.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace vorex::cards::ndef {

struct Record {
    uint8_t tnf = 0;         // type name format (header bits 0-2)
    std::string type;        // type field as bytes
    std::vector<uint8_t> id; // record id, often empty
    std::vector<uint8_t> payload;
    // Decoded: "uri", "text", "mime" or "other" (anything else: type and length only).
    std::string kind = "other";
    std::string uri;      // uri: the prefix from the table and the rest
    std::string language; // text: language code
    std::string encoding; // text: "UTF-8" or "UTF-16"
    std::string text;     // text: the text, as UTF-8
    std::string mimeType; // mime: the media type
};

enum class Status {
    Ok,      // an NDEF message with its records (may be empty: an empty message)
    NotNdef, // no capability container, or no NDEF message TLV before the end
    Damaged, // a TLV or record runs past the memory or its lengths disagree
};

struct Message {
    Status status = Status::NotNdef;
    std::string error; // why NotNdef or Damaged
    std::vector<Record> records;
};

// `memory`: the tag's bytes from page 0 on, as far as they were read.
Message Parse(const uint8_t* memory, size_t size);
inline Message Parse(const std::vector<uint8_t>& memory) {
    return Parse(memory.data(), memory.size());
}

// The record as one line of text ("URI https://example.org", "Text (de, UTF-8):
// Hallo", "MIME text/plain, 12 bytes", "Type T, TNF 4, 8 bytes").
std::string Describe(const Record& record);

// {"status": "ok"|"not_ndef"|"damaged", "error"?, "records": [{"tnf", "type", "kind",
//  "payload_length", "summary" (as Describe), and "uri" / "language","encoding","text" /
//  "mime_type"}]}.
nlohmann::json ToJson(const Message& message);

// The payloads of a URI record (the longest prefix of the URI table abbreviated) and of
// a Text record (UTF-8, with its language code).
std::vector<uint8_t> UriPayload(const std::string& uri);
std::vector<uint8_t> TextPayload(const std::string& text, const std::string& language);
// A message of well-known-type records (TNF 1) in the order given.
struct WellKnownRecord {
    char type; // 'U', 'T'
    std::vector<uint8_t> payload;
};
std::vector<uint8_t> WellKnownMessage(const std::vector<WellKnownRecord>& records);
// One-record NDEF messages of a URI and of a Text record.
std::vector<uint8_t> UriMessage(const std::string& uri);
std::vector<uint8_t> TextMessage(const std::string& text, const std::string& language);
// The message in an NDEF message TLV and the terminator TLV: the bytes from page 4 on.
std::vector<uint8_t> MessageTlv(const std::vector<uint8_t>& message);

} // namespace vorex::cards::ndef

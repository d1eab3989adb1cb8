// NDEF in Type 2 tag memory: TLV walk, record headers, and the URI, Text and MIME
// payloads. Every length is checked against the bytes that are left before it is used.
#include "cards/Ndef.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

namespace vorex::cards::ndef {
namespace {

constexpr size_t kDataStart = 16; // page 4
constexpr uint8_t kTlvNull = 0x00, kTlvNdef = 0x03, kTlvTerminator = 0xFE;
constexpr uint8_t kMessageBegin = 0x80, kMessageEnd = 0x40, kShortRecord = 0x10, kIdLength = 0x08;
constexpr uint8_t kTnfEmpty = 0, kTnfWellKnown = 1, kTnfMime = 2, kTnfAbsoluteUri = 3;

// URI identifier codes 0x00..0x23 of the NFC Forum URI record type.
constexpr std::array<const char*, 36> kUriPrefixes = {"",
                                                      "http://www.",
                                                      "https://www.",
                                                      "http://",
                                                      "https://",
                                                      "tel:",
                                                      "mailto:",
                                                      "ftp://anonymous:anonymous@",
                                                      "ftp://ftp.",
                                                      "ftps://",
                                                      "sftp://",
                                                      "smb://",
                                                      "nfs://",
                                                      "ftp://",
                                                      "dav://",
                                                      "news:",
                                                      "telnet://",
                                                      "imap:",
                                                      "rtsp://",
                                                      "urn:",
                                                      "pop:",
                                                      "sip:",
                                                      "sips:",
                                                      "tftp:",
                                                      "btspp://",
                                                      "btl2cap://",
                                                      "btgoep://",
                                                      "tcpobex://",
                                                      "irdaobex://",
                                                      "file://",
                                                      "urn:epc:id:",
                                                      "urn:epc:tag:",
                                                      "urn:epc:pat:",
                                                      "urn:epc:raw:",
                                                      "urn:epc:",
                                                      "urn:nfc:"};

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

// Bytes from the tag as UTF-8 text: every byte that does not start a valid sequence
// becomes U+FFFD, so the text can always be shown and written as JSON.
std::string Utf8(const uint8_t* p, size_t n) {
    std::string out;
    size_t i = 0;
    while (i < n) {
        const uint8_t b = p[i];
        size_t len = b < 0x80             ? 1
                     : (b & 0xE0) == 0xC0 ? 2
                     : (b & 0xF0) == 0xE0 ? 3
                     : (b & 0xF8) == 0xF0 ? 4
                                          : 0;
        uint32_t c = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        bool ok = len != 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && c >= kMin[len] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        AppendUtf8(out, ok ? c : kReplacement);
        i += ok ? len : 1;
    }
    return out;
}

std::string Utf16(const uint8_t* p, size_t n) {
    bool little = false;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        little = p[0] == 0xFF;
        p += 2;
        n -= 2;
    }
    std::string out;
    const auto unit = [&](size_t i) -> uint32_t {
        return little ? p[i] | (p[i + 1] << 8) : (p[i] << 8) | p[i + 1];
    };
    for (size_t i = 0; i + 1 < n; i += 2) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < n) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
    }
    if (n % 2)
        AppendUtf8(out, kReplacement); // a lone last byte
    return out;
}

// Fills the decoded fields of a record whose header, type and payload are in place.
// False (with `error`) when a Text payload contradicts itself.
bool Decode(Record& r, std::string& error) {
    const auto& pl = r.payload;
    if (r.tnf == kTnfEmpty) {
        r.kind = "empty";
    } else if (r.tnf == kTnfWellKnown && r.type == "U") {
        r.kind = "uri";
        if (!pl.empty())
            r.uri = std::string(pl[0] < kUriPrefixes.size() ? kUriPrefixes[pl[0]] : "") +
                    Utf8(pl.data() + 1, pl.size() - 1);
    } else if (r.tnf == kTnfWellKnown && r.type == "T") {
        if (pl.empty()) {
            error = "Text record without its status byte";
            return false;
        }
        const size_t languageLength = pl[0] & 0x3F;
        if (1 + languageLength > pl.size()) {
            error = "Text record: the language code is longer than the payload";
            return false;
        }
        r.kind = "text";
        r.language = Utf8(pl.data() + 1, languageLength);
        const uint8_t* text = pl.data() + 1 + languageLength;
        const size_t textLength = pl.size() - 1 - languageLength;
        const bool utf16 = pl[0] & 0x80;
        r.encoding = utf16 ? "UTF-16" : "UTF-8";
        r.text = utf16 ? Utf16(text, textLength) : Utf8(text, textLength);
    } else if (r.tnf == kTnfMime) {
        r.kind = "mime";
        r.mimeType = r.type;
    } else if (r.tnf == kTnfAbsoluteUri) {
        r.kind = "uri";
        r.uri = r.type;
    }
    return true;
}

Message Fail(Status status, std::string error) {
    Message m;
    m.status = status;
    m.error = std::move(error);
    return m;
}

// The records of an NDEF message in [p, end).
Message ParseRecords(const uint8_t* p, const uint8_t* end) {
    Message m;
    m.status = Status::Ok;
    bool first = true;
    while (p < end) {
        const auto left = [&] { return static_cast<size_t>(end - p); };
        const std::string at = "record " + std::to_string(m.records.size() + 1);
        const uint8_t header = *p++;
        if (first != static_cast<bool>(header & kMessageBegin))
            return Fail(Status::Damaged, at + ": message-begin flag is wrong");
        first = false;
        const size_t fixed = 1 + ((header & kShortRecord) ? 1 : 4) + ((header & kIdLength) ? 1 : 0);
        if (left() < fixed)
            return Fail(Status::Damaged, at + ": header runs past the message");
        const size_t typeLength = *p++;
        uint64_t payloadLength = *p++;
        if (!(header & kShortRecord)) {
            for (int k = 0; k < 3; ++k)
                payloadLength = (payloadLength << 8) | *p++;
        }
        const size_t idLength = (header & kIdLength) ? *p++ : 0;
        if (uint64_t{typeLength} + idLength + payloadLength > left())
            return Fail(Status::Damaged, at + ": type, id and payload (" +
                                             std::to_string(typeLength + idLength + payloadLength) +
                                             " bytes) run past the message (" +
                                             std::to_string(left()) + " bytes left)");
        Record r;
        r.tnf = header & 0x07;
        r.type = Utf8(p, typeLength);
        p += typeLength;
        r.id.assign(p, p + idLength);
        p += idLength;
        r.payload.assign(p, p + payloadLength);
        p += payloadLength;
        std::string error;
        if (!Decode(r, error))
            return Fail(Status::Damaged, at + ": " + error);
        m.records.push_back(std::move(r));
        if (header & kMessageEnd)
            return m;
    }
    if (!m.records.empty())
        return Fail(Status::Damaged, "the message ends without its last record");
    return m; // an empty NDEF message
}

} // namespace

Message Parse(const uint8_t* memory, size_t size) {
    if (size < kDataStart || memory[12] != 0xE1)
        return Fail(Status::NotNdef, "no NDEF capability container in page 3");
    // The data area the capability container announces, as far as it was read.
    const size_t end = std::min(size, kDataStart + size_t{memory[14]} * 8);
    size_t pos = kDataStart;
    while (pos < end) {
        const uint8_t tag = memory[pos];
        if (tag == kTlvNull) {
            ++pos;
            continue;
        }
        if (tag == kTlvTerminator)
            break;
        size_t header = 2;
        if (pos + 2 > end)
            return Fail(Status::Damaged, "TLV at byte " + std::to_string(pos) + " has no length");
        size_t length = memory[pos + 1];
        if (length == 0xFF) {
            header = 4;
            if (pos + 4 > end)
                return Fail(Status::Damaged,
                            "TLV at byte " + std::to_string(pos) + " has no length");
            length = (size_t{memory[pos + 2]} << 8) | memory[pos + 3];
        }
        if (pos + header + length > end)
            return Fail(Status::Damaged, "TLV at byte " + std::to_string(pos) + " (" +
                                             std::to_string(length) +
                                             " bytes) runs past the memory read");
        if (tag == kTlvNdef)
            return ParseRecords(memory + pos + header, memory + pos + header + length);
        pos += header + length;
    }
    return Fail(Status::NotNdef, "no NDEF message in the data area");
}

std::string Describe(const Record& r) {
    const std::string bytes = std::to_string(r.payload.size()) + " bytes";
    if (r.kind == "uri")
        return "URI " + r.uri;
    if (r.kind == "text")
        return "Text (" + r.language + ", " + r.encoding + "): " + r.text;
    if (r.kind == "mime")
        return "MIME " + r.mimeType + ", " + bytes;
    if (r.kind == "empty")
        return "Empty record";
    return "Type " + r.type + ", TNF " + std::to_string(r.tnf) + ", " + bytes;
}

nlohmann::json ToJson(const Message& m) {
    nlohmann::json j;
    j["status"] = m.status == Status::Ok        ? "ok"
                  : m.status == Status::NotNdef ? "not_ndef"
                                                : "damaged";
    if (!m.error.empty())
        j["error"] = m.error;
    j["records"] = nlohmann::json::array();
    for (const Record& r : m.records) {
        nlohmann::json o{{"tnf", r.tnf},
                         {"type", r.type},
                         {"kind", r.kind},
                         {"payload_length", r.payload.size()},
                         {"summary", Describe(r)}};
        if (r.kind == "uri")
            o["uri"] = r.uri;
        if (r.kind == "text") {
            o["language"] = r.language;
            o["encoding"] = r.encoding;
            o["text"] = r.text;
        }
        if (r.kind == "mime")
            o["mime_type"] = r.mimeType;
        j["records"].push_back(std::move(o));
    }
    return j;
}

std::vector<uint8_t> UriPayload(const std::string& uri) {
    size_t code = 0;
    for (size_t i = 1; i < kUriPrefixes.size(); ++i) {
        const std::string prefix = kUriPrefixes[i];
        if (uri.rfind(prefix, 0) == 0 && prefix.size() > std::string(kUriPrefixes[code]).size())
            code = i;
    }
    std::vector<uint8_t> payload{static_cast<uint8_t>(code)};
    const std::string rest = uri.substr(std::string(kUriPrefixes[code]).size());
    payload.insert(payload.end(), rest.begin(), rest.end());
    return payload;
}

std::vector<uint8_t> TextPayload(const std::string& text, const std::string& language) {
    // Status byte: UTF-8 (bit 7 clear) and the length of the language code (at most 63).
    const std::string lang = language.substr(0, 63);
    std::vector<uint8_t> payload{static_cast<uint8_t>(lang.size())};
    payload.insert(payload.end(), lang.begin(), lang.end());
    payload.insert(payload.end(), text.begin(), text.end());
    return payload;
}

std::vector<uint8_t> WellKnownMessage(const std::vector<WellKnownRecord>& records) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < records.size(); ++i) {
        const auto& payload = records[i].payload;
        const bool shortRecord = payload.size() <= 0xFF;
        uint8_t header = 0x01; // TNF 1, well-known type
        if (i == 0)
            header |= 0x80; // message begin
        if (i + 1 == records.size())
            header |= 0x40; // message end
        if (shortRecord)
            header |= 0x10;
        out.push_back(header);
        out.push_back(1); // type length
        if (shortRecord) {
            out.push_back(static_cast<uint8_t>(payload.size()));
        } else {
            for (int shift : {24, 16, 8, 0})
                out.push_back(static_cast<uint8_t>(payload.size() >> shift));
        }
        out.push_back(static_cast<uint8_t>(records[i].type));
        out.insert(out.end(), payload.begin(), payload.end());
    }
    return out;
}

std::vector<uint8_t> UriMessage(const std::string& uri) {
    return WellKnownMessage({{'U', UriPayload(uri)}});
}

std::vector<uint8_t> TextMessage(const std::string& text, const std::string& language) {
    return WellKnownMessage({{'T', TextPayload(text, language)}});
}

std::vector<uint8_t> MessageTlv(const std::vector<uint8_t>& message) {
    std::vector<uint8_t> out{0x03};
    if (message.size() < 0xFF) {
        out.push_back(static_cast<uint8_t>(message.size()));
    } else {
        out.push_back(0xFF);
        out.push_back(static_cast<uint8_t>(message.size() >> 8));
        out.push_back(static_cast<uint8_t>(message.size()));
    }
    out.insert(out.end(), message.begin(), message.end());
    out.push_back(0xFE);
    return out;
}

} // namespace vorex::cards::ndef

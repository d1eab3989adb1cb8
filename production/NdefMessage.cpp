#include "production/NdefMessage.h"

#include <array>
#include <utility>

namespace vorex::production::ndef {

namespace {

// The URI prefixes worth abbreviating, longest first where one starts another.
constexpr std::array<std::pair<uint8_t, const char*>, 6> kPrefixes = {{
    {0x01, "http://www."},
    {0x02, "https://www."},
    {0x03, "http://"},
    {0x04, "https://"},
    {0x05, "tel:"},
    {0x06, "mailto:"},
}};

void AppendRecord(std::vector<uint8_t>& out, bool first, bool last, uint8_t type,
                  const std::vector<uint8_t>& payload) {
    bool shortRecord = payload.size() < 256;
    uint8_t header = 0x01; // TNF well-known
    if (first)
        header |= 0x80;
    if (last)
        header |= 0x40;
    if (shortRecord)
        header |= 0x10;
    out.push_back(header);
    out.push_back(1); // type length
    uint32_t size = static_cast<uint32_t>(payload.size());
    if (shortRecord) {
        out.push_back(static_cast<uint8_t>(size));
    } else {
        for (int shift : {24, 16, 8, 0})
            out.push_back(static_cast<uint8_t>(size >> shift));
    }
    out.push_back(type);
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> UriPayload(const std::string& uri) {
    uint8_t code = 0;
    size_t used = 0;
    for (const auto& [c, prefix] : kPrefixes) {
        std::string p = prefix;
        if (uri.compare(0, p.size(), p) == 0 && p.size() > used) {
            code = c;
            used = p.size();
        }
    }
    std::vector<uint8_t> payload{code};
    payload.insert(payload.end(), uri.begin() + static_cast<long>(used), uri.end());
    return payload;
}

std::vector<uint8_t> TextPayload(const TextRecord& text) {
    std::vector<uint8_t> payload{static_cast<uint8_t>(text.language.size() & 0x3F)};
    payload.insert(payload.end(), text.language.begin(), text.language.end());
    payload.insert(payload.end(), text.text.begin(), text.text.end());
    return payload;
}

} // namespace

std::vector<uint8_t> EncodeMessage(const std::vector<OutRecord>& records) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < records.size(); ++i) {
        const OutRecord& r = records[i];
        AppendRecord(out, i == 0, i + 1 == records.size(), r.isUri ? 'U' : 'T',
                     r.isUri ? UriPayload(r.uri.uri) : TextPayload(r.text));
    }
    return out;
}

std::vector<uint8_t> WrapTlv(const std::vector<uint8_t>& message) {
    std::vector<uint8_t> out{0x03};
    if (message.size() < 255) {
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

} // namespace vorex::production::ndef

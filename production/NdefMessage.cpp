#include "production/NdefMessage.h"

#include "cards/Ndef.h"

namespace vorex::production::ndef {

namespace cn = vorex::cards::ndef;

std::vector<uint8_t> EncodeMessage(const std::vector<OutRecord>& records) {
    std::vector<cn::WellKnownRecord> out;
    for (const OutRecord& r : records)
        out.push_back(
            r.isUri ? cn::WellKnownRecord{'U', cn::UriPayload(r.uri.uri)}
                    : cn::WellKnownRecord{'T', cn::TextPayload(r.text.text, r.text.language)});
    return cn::WellKnownMessage(out);
}

std::vector<uint8_t> WrapTlv(const std::vector<uint8_t>& message) {
    return cn::MessageTlv(message);
}

} // namespace vorex::production::ndef

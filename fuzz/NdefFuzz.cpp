// Fuzz harness for the NDEF parser over Type 2 tag memory as the NFC workbench and
// vorexctl ntag dump read it: never a crash or a read past the bytes given (the input is
// copied to a buffer of its exact size), a refusal always says why, and the records
// always give valid JSON.
#include "cards/Ndef.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace nd = vorex::cards::ndef;
    const std::vector<uint8_t> memory(data, data + size);
    const nd::Message m = nd::Parse(memory);
    if (m.status != nd::Status::Ok && (m.error.empty() || !m.records.empty()))
        std::abort();
    size_t payload = 0;
    for (const nd::Record& r : m.records) {
        // Raw bytes only: the type is decoded text, where each invalid byte grows to U+FFFD.
        payload += r.payload.size() + r.id.size();
        (void)nd::Describe(r);
    }
    if (payload > size)
        std::abort();           // records can only hold bytes that were there
    (void)nd::ToJson(m).dump(); // throws (and so fails) on invalid UTF-8
    return 0;
}

// Fuzz harness for key dictionaries and binary key files: a refusal says why; accepted
// keys are 12 upper-case hex digits each, once, and read back from each written form.
#include "dumpfiles/KeyFiles.h"

#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorex::dumpfiles;
    const std::string content(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"k.keys", "k.bin"}) {
        const KeyReadResult r = ReadKeys(name, content);
        if (!r.keys) {
            if (r.error.empty())
                std::abort();
            continue;
        }
        std::set<std::string> seen;
        for (const auto& e : r.keys->entries) {
            if (e.key.empty())
                continue;
            if (e.key.size() != 12 || !seen.insert(e.key).second ||
                e.key.find_first_not_of("0123456789ABCDEF") != std::string::npos)
                std::abort();
        }
        for (KeyFormat f : {KeyFormat::Text, KeyFormat::Binary}) {
            const KeyReadResult back =
                ReadKeys(f == KeyFormat::Text ? "w.keys" : "w.bin", WriteKeys(*r.keys, f));
            if (!back.keys || back.keys->KeyCount() != r.keys->KeyCount())
                std::abort();
        }
    }
    return 0;
}

// Fuzz harness for MIFARE Classic dump files (JSON, the binary .mfd layout and the
// list of unread blocks beside it) as vorexctl mifare restore reads them: parsing must never crash,
// and a dump that parses must have a whole card's blocks and write out again.
#include "cards/ClassicDump.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace md = vorex::cards::mifare;
    const std::string content(reinterpret_cast<const char*>(data), size);
    md::ClassicDump dump;
    std::string error;
    // The input as the list of unread blocks beside a binary dump.
    dump.blocks.assign(size % 2 ? 256 : 64, std::nullopt);
    if (!md::ApplyUnreadList(content, dump, error) && error.empty())
        std::abort();
    error.clear();
    if (!md::ParseDump(content, dump, error)) {
        if (error.empty())
            std::abort(); // a refusal always says why
        return 0;
    }
    if (dump.blocks.size() != 64 && dump.blocks.size() != 256)
        std::abort();
    if (!dump.keys.empty() && dump.keys.size() != static_cast<size_t>(md::SectorCount(dump.Is4k())))
        std::abort();
    for (const auto& b : dump.blocks)
        if (b)
            (void)md::AccessBitsConsistent(b->data() + 6);
    md::ClassicDump again;
    if (!md::ParseDump(md::ToJson(dump), again, error) || again.blocks != dump.blocks)
        std::abort();
    if (md::ToBinary(dump).size() != dump.blocks.size() * 16)
        std::abort();
    return 0;
}

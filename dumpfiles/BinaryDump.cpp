#include "dumpfiles/BinaryDump.h"

#include "dumpfiles/DumpError.h"

namespace vorex::dumpfiles {

namespace {
constexpr size_t kHeaderNew = 56, kHeaderOld = 48;

uint8_t At(const std::string& s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}
} // namespace

bool IsClassicBinarySize(size_t size) {
    return size % 16 == 0 && cards::mifare::SizeWithBlocks(size / 16).has_value();
}

ClassicMemory ReadClassicBinary(const std::string& content) {
    const auto size = IsClassicBinarySize(content.size())
                          ? cards::mifare::SizeWithBlocks(content.size() / 16)
                          : std::nullopt;
    if (!size)
        Expected(AtOffset(content.size()),
                 "the end of a MIFARE Classic dump at 320, 1024, 2048 or 4096 bytes "
                 "(MINI, 1K, 2K, 4K)");
    ClassicMemory m = ClassicMemory::Unknown(*size);
    for (size_t i = 0; i < content.size(); ++i)
        m.bytes[i] = At(content, i);
    if (auto uid = cards::mifare::FourByteUid(m))
        m.uid = *uid;
    return m;
}

PageMemory ReadPagesBinary(const std::string& content) {
    const auto fits = [&](size_t offset) {
        if (content.size() < offset + 12 || (content.size() - offset) % 4 != 0)
            return false;
        uint8_t p[9];
        for (size_t i = 0; i < 9; ++i)
            p[i] = At(content, offset + i);
        return cards::type2::UidCheckBytesFit(p);
    };
    size_t header = 0;
    if (fits(kHeaderNew))
        header = kHeaderNew;
    else if (fits(kHeaderOld))
        header = kHeaderOld;
    else if (!fits(0))
        Expected(AtOffset(0), "an Ultralight/NTAG dump: pages whose UID check bytes fit, "
                              "after a 56-byte or 48-byte header or from the start");
    PageMemory m;
    for (size_t i = header; i < content.size(); ++i)
        m.bytes.emplace_back(At(content, i));
    if (m.Pages() > 1024)
        Expected(AtOffset(header + 4 * 1024), "the end of the pages (at most 1024)");
    const auto bytes = [&](size_t at, auto& out) {
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = At(content, at + i);
    };
    if (header == kHeaderNew) {
        // version 8, TBO_0 2, TBO_1 1, last page 1, signature 32, 3 x (counter 3, tearing 1)
        m.version.emplace(), bytes(0, *m.version);
        m.tbo0.emplace(), bytes(8, *m.tbo0);
        m.tbo1 = At(content, 10);
        m.signature.emplace(), bytes(12, *m.signature);
        for (size_t i = 0; i < 3; ++i) {
            const size_t at = 44 + 4 * i;
            m.counters[i] = static_cast<uint32_t>(At(content, at) | At(content, at + 1) << 8 |
                                                  At(content, at + 2) << 16);
            m.tearing[i] = At(content, at + 3);
        }
    } else if (header == kHeaderOld) {
        // version 8, TBO_0 2, tearing 3, PACK 2, TBO_1 1, signature 32
        m.version.emplace(), bytes(0, *m.version);
        m.tbo0.emplace(), bytes(8, *m.tbo0);
        for (size_t i = 0; i < 3; ++i)
            m.tearing[i] = At(content, 10 + i);
        m.tbo1 = At(content, 15);
        m.signature.emplace(), bytes(16, *m.signature);
    }
    m.type = cards::type2::TypeForPages(m.Pages());
    return m;
}

std::string WriteBinary(const TagDump& dump, Filler& fill) {
    std::string out;
    const auto put = [&](const cards::MaybeBytes& b) {
        for (const auto& v : b)
            out += static_cast<char>(fill(v));
    };
    if (const auto* m = std::get_if<ClassicMemory>(&dump)) {
        put(m->bytes);
        return out;
    }
    if (const auto* p = std::get_if<PageMemory>(&dump)) {
        if (p->Pages() < 1 || p->Pages() > 256)
            throw DumpError("the Ultralight .bin header holds 1 to 256 pages, the tag has " +
                            std::to_string(p->Pages()));
        const auto arr = [&](const auto& v, size_t n) {
            for (size_t i = 0; i < n; ++i)
                out += static_cast<char>(fill(v ? cards::MaybeByte((*v)[i]) : std::nullopt));
        };
        arr(p->version, 8);
        arr(p->tbo0, 2);
        out += static_cast<char>(fill(p->tbo1));
        out += static_cast<char>(p->Pages() - 1);
        arr(p->signature, 32);
        for (size_t i = 0; i < 3; ++i) {
            const auto c = p->counters[i];
            for (int k = 0; k < 3; ++k)
                out += static_cast<char>(
                    fill(c ? cards::MaybeByte(static_cast<uint8_t>(*c >> (8 * k))) : std::nullopt));
            out += static_cast<char>(fill(p->tearing[i]));
        }
        put(p->bytes);
        return out;
    }
    throw DumpError("ISO 15693 tags have no portable binary dump; write JSON (own or pm3) or a "
                    "Flipper file");
}

} // namespace vorex::dumpfiles

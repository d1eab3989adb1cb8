#include "cards/ClassicMemory.h"

#include "cards/ClassicGeometry.h"

#include <algorithm>

namespace vorex::cards::mifare {

int BlockCountOf(ClassicSize size) {
    switch (size) {
    case ClassicSize::Mini:
        return 20;
    case ClassicSize::K1:
        return 64;
    case ClassicSize::K2:
        return 128;
    case ClassicSize::K4:
        break;
    }
    return 256;
}

int SectorCountOf(ClassicSize size) {
    const int blocks = BlockCountOf(size);
    return blocks <= 128 ? blocks / 4 : 40;
}

std::optional<ClassicSize> SizeWithBlocks(size_t blocks) {
    for (ClassicSize s : {ClassicSize::Mini, ClassicSize::K1, ClassicSize::K2, ClassicSize::K4})
        if (static_cast<size_t>(BlockCountOf(s)) == blocks)
            return s;
    return std::nullopt;
}

std::string SizeName(ClassicSize size) {
    switch (size) {
    case ClassicSize::Mini:
        return "MINI";
    case ClassicSize::K1:
        return "1K";
    case ClassicSize::K2:
        return "2K";
    case ClassicSize::K4:
        break;
    }
    return "4K";
}

std::optional<ClassicSize> SizeNamed(const std::string& name) {
    for (ClassicSize s : {ClassicSize::Mini, ClassicSize::K1, ClassicSize::K2, ClassicSize::K4})
        if (SizeName(s) == name)
            return s;
    return std::nullopt;
}

ClassicMemory ClassicMemory::Unknown(ClassicSize size) {
    ClassicMemory m;
    m.size = size;
    m.bytes.assign(static_cast<size_t>(BlockCountOf(size)) * 16, std::nullopt);
    return m;
}

namespace {
std::optional<Key> KeyAt(const MaybeBytes& bytes, size_t offset) {
    const auto v = Values(bytes, offset, 6);
    if (!v)
        return std::nullopt;
    Key k;
    std::copy(v->begin(), v->end(), k.begin());
    return k;
}
} // namespace

std::optional<Key> ClassicMemory::KeyA(int sector) const {
    return KeyAt(bytes, BlockOffset(TrailerOf(sector)));
}
std::optional<Key> ClassicMemory::KeyB(int sector) const {
    return KeyAt(bytes, BlockOffset(TrailerOf(sector)) + 10);
}
std::optional<std::vector<uint8_t>> ClassicMemory::AccessBytes(int sector) const {
    return Values(bytes, BlockOffset(TrailerOf(sector)) + 6, 4);
}

std::optional<std::vector<uint8_t>> FourByteUid(const ClassicMemory& m) {
    const auto b0 = Values(m.bytes, 0, 5);
    if (!b0 || ((*b0)[0] ^ (*b0)[1] ^ (*b0)[2] ^ (*b0)[3]) != (*b0)[4])
        return std::nullopt;
    return std::vector<uint8_t>(b0->begin(), b0->begin() + 4);
}

ClassicMemory FromDump(const ClassicDump& dump) {
    ClassicMemory m = ClassicMemory::Unknown(dump.Is4k() ? ClassicSize::K4 : ClassicSize::K1);
    for (size_t b = 0; b < dump.blocks.size(); ++b)
        if (dump.blocks[b])
            std::copy(dump.blocks[b]->begin(), dump.blocks[b]->end(), m.bytes.begin() + 16 * b);
    if (!dump.keys.empty()) {
        for (int s = 0; s < m.Sectors(); ++s) {
            const size_t t = m.BlockOffset(TrailerOf(s));
            const SectorKeys& k = dump.keys[static_cast<size_t>(s)];
            for (size_t i = 0; i < 6; ++i) {
                m.bytes[t + i] = k.keyA ? MaybeByte((*k.keyA)[i]) : std::nullopt;
                m.bytes[t + 10 + i] = k.keyB ? MaybeByte((*k.keyB)[i]) : std::nullopt;
            }
        }
    }
    m.uid = dump.uid;
    if (dump.sak >= 0)
        m.sak = static_cast<uint8_t>(dump.sak);
    if (dump.atqa >= 0)
        m.atqa = static_cast<uint16_t>(dump.atqa);
    return m;
}

std::optional<ClassicDump> ToDump(const ClassicMemory& m) {
    if (m.size != ClassicSize::K1 && m.size != ClassicSize::K4)
        return std::nullopt;
    ClassicDump d;
    d.blocks.assign(static_cast<size_t>(m.Blocks()), std::nullopt);
    for (int b = 0; b < m.Blocks(); ++b) {
        const size_t at = m.BlockOffset(b);
        // A trailer can be written when its access bytes are known; its keys come from
        // the key list, which says whether they are known.
        const bool usable = IsTrailer(b) ? AllKnown(m.bytes, at + 6, 4) : m.BlockKnown(b);
        if (!usable)
            continue;
        d.blocks[static_cast<size_t>(b)].emplace();
        for (size_t i = 0; i < 16; ++i)
            (*d.blocks[static_cast<size_t>(b)])[i] = m.bytes[at + i].value_or(0);
    }
    d.keys.assign(static_cast<size_t>(m.Sectors()), SectorKeys{});
    for (int s = 0; s < m.Sectors(); ++s)
        d.keys[static_cast<size_t>(s)] = {m.KeyA(s), m.KeyB(s)};
    d.uid = m.uid;
    d.sak = m.sak ? *m.sak : -1;
    d.atqa = m.atqa ? *m.atqa : -1;
    return d;
}

} // namespace vorex::cards::mifare

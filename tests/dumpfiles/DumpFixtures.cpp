#include "tests/dumpfiles/DumpFixtures.h"

#include "cards/ClassicGeometry.h"

namespace vtest::dumps {

ClassicMemory Classic(md::ClassicSize size, int unknownFrom) {
    ClassicMemory m = ClassicMemory::Unknown(size);
    for (size_t i = 0; i < m.bytes.size(); ++i)
        m.bytes[i] = static_cast<uint8_t>(i * 7 + i / 16);
    const uint8_t block0[16] = {0xDE, 0xAD, 0xBE, 0xEF, 0x22, 0x08, 0x04, 0x00,
                                0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69};
    for (size_t i = 0; i < 16; ++i)
        m.bytes[i] = block0[i];
    const uint8_t trailer[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07,
                                 0x80, 0x69, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int s = 0; s < m.Sectors(); ++s)
        for (size_t i = 0; i < 16; ++i)
            m.bytes[m.BlockOffset(md::TrailerOf(s)) + i] = trailer[i];
    m.uid = {0xDE, 0xAD, 0xBE, 0xEF};
    m.atqa = size == md::ClassicSize::K4 ? 0x0002 : 0x0004;
    m.sak = size == md::ClassicSize::K4 ? 0x18 : size == md::ClassicSize::Mini ? 0x09 : 0x08;
    m.bytes[5] = m.sak; // block 0 names the card type as the select answer does
    if (unknownFrom >= 0) {
        for (size_t i = static_cast<size_t>(unknownFrom) * 16; i < m.bytes.size(); ++i)
            m.bytes[i].reset();
        for (size_t i = 10; i < 16; ++i)
            m.bytes[m.BlockOffset(md::TrailerOf(1)) + i].reset();
    }
    return m;
}

PageMemory Ntag215(bool withUnknownPages) {
    PageMemory m;
    m.type = "NTAG215";
    m.bytes.resize(135 * 4);
    for (size_t i = 0; i < m.bytes.size(); ++i)
        m.bytes[i] = static_cast<uint8_t>(i * 3);
    // UID 04 A1 B2 C3 D4 E5 F6 with its check bytes
    const uint8_t head[12] = {0x04, 0xA1, 0xB2, 0x88 ^ 0x04 ^ 0xA1 ^ 0xB2, 0xC3,
                              0xD4, 0xE5, 0xF6, 0xC3 ^ 0xD4 ^ 0xE5 ^ 0xF6, 0x48,
                              0x00, 0x00};
    for (size_t i = 0; i < 12; ++i)
        m.bytes[i] = head[i];
    m.version = std::array<uint8_t, 8>{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x11, 0x03};
    m.signature.emplace();
    for (size_t i = 0; i < 32; ++i)
        (*m.signature)[i] = static_cast<uint8_t>(0xA0 + i);
    m.counters = {0, 0x010203, 7};
    m.tearing = {0xBD, 0xBD, 0xBD};
    m.tbo0 = std::array<uint8_t, 2>{0, 0};
    m.tbo1 = 0;
    if (withUnknownPages)
        for (size_t i = 100 * 4; i < m.bytes.size(); ++i)
            m.bytes[i].reset();
    return m;
}

Iso15693Memory Iso(bool slix, bool withUnknown) {
    Iso15693Memory m;
    m.uid = {0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78};
    m.blockSize = 4;
    m.bytes.resize(28 * 4);
    for (size_t i = 0; i < m.bytes.size(); ++i)
        m.bytes[i] = static_cast<uint8_t>(0x30 + i);
    m.locks.assign(28, false);
    m.locks[0] = true;
    m.dsfid = 0x00;
    m.afi = 0x07;
    m.icReference = 0x01;
    m.dsfidLocked = false;
    m.afiLocked = true;
    if (slix) {
        vorex::cards::iso15693::SlixSettings x;
        x.capabilities = "AcceptAllPasswords";
        x.passwords[0] = {1, 2, 3, 4};
        x.signature.emplace();
        x.signature->fill(0x5A);
        x.privacyMode = true;
        x.protectionPointer = 4;
        x.lockEas = true;
        m.slix = x;
    }
    if (withUnknown) {
        m.bytes[9].reset();
        m.locks[3].reset();
    }
    return m;
}

} // namespace vtest::dumps

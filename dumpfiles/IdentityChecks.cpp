#include "dumpfiles/IdentityChecks.h"

#include "dumpfiles/DumpError.h"
#include "dumpfiles/HexText.h"

namespace vorex::dumpfiles {

void CheckClassicIdentity(const ClassicMemory& m, const std::string& uidWhere,
                          const std::string& atqaWhere) {
    // ISO/IEC 14443-3: exactly one of the five low ATQA bits is set.
    if (m.atqa) {
        const unsigned low = *m.atqa & 0x1F;
        if (low == 0 || (low & (low - 1)) != 0)
            Expected(atqaWhere,
                     "an ATQA with one anticollision bit set (e.g. 00 04 for a 1K "
                     "card, most significant byte first); " +
                         WriteHex(std::vector<uint8_t>{static_cast<uint8_t>(*m.atqa >> 8),
                                                       static_cast<uint8_t>(*m.atqa)}
                                      .data(),
                                  2, " ") +
                         " reads like the other byte order");
    }
    if (m.uid.empty())
        return;
    if (m.uid.size() != 4 && m.uid.size() != 7 && m.uid.size() != 10)
        Expected(uidWhere, "a UID of 4, 7 or 10 bytes");
    const auto b0 = cards::Values(m.bytes, 0, m.uid.size() + (m.uid.size() == 4 ? 1 : 0));
    if (!b0)
        return; // block 0 not read: nothing to compare
    if (!std::equal(m.uid.begin(), m.uid.end(), b0->begin()))
        Expected("block 0", "the UID " + WriteHex(m.uid.data(), m.uid.size()) +
                                " of the file in its first bytes, not " +
                                WriteHex(b0->data(), m.uid.size()));
    if (m.uid.size() == 4) {
        const uint8_t bcc = m.uid[0] ^ m.uid[1] ^ m.uid[2] ^ m.uid[3];
        if ((*b0)[4] != bcc)
            Expected("block 0", "the UID check byte (BCC) " + WriteHex(&bcc, 1) +
                                    " in byte 4, not " + WriteHex(&(*b0)[4], 1));
    }
}

ClassicIdentity IdentityOf(const ClassicMemory& m) {
    ClassicIdentity id{m.uid, m.atqa, m.sak};
    const auto four = cards::mifare::FourByteUid(m);
    if (id.uid.empty() && four)
        id.uid = *four;
    const auto b0 = cards::Values(m.bytes, 0, 8);
    if (!four || !b0 || id.uid != *four)
        return id;
    const uint8_t sak = (*b0)[5];
    const uint16_t atqa = static_cast<uint16_t>((*b0)[7] << 8 | (*b0)[6]);
    const unsigned low = atqa & 0x1F;
    if (!id.sak && (sak == 0x08 || sak == 0x09 || sak == 0x18 || sak == 0x88))
        id.sak = sak;
    if (!id.atqa && low != 0 && (low & (low - 1)) == 0)
        id.atqa = atqa;
    return id;
}

void CheckPagesUid(const PageMemory& m, const std::optional<std::vector<uint8_t>>& uid,
                   const std::string& where) {
    if (!uid)
        return;
    if (uid->size() != 7)
        Expected(where, "a 7-byte UID");
    const auto pages = m.Uid();
    if (pages && *pages != *uid)
        Expected(where, "the UID of pages 0-1 (" + WriteHex(pages->data(), 7) + "), not " +
                            WriteHex(uid->data(), 7));
}

std::string PageTypeFromVersion(const PageMemory& m) {
    if (m.version && (*m.version)[0] == 0x00 && (*m.version)[1] == 0x04) {
        const uint8_t product = (*m.version)[2], size = (*m.version)[6];
        if (product == 0x04 && size == 0x0F)
            return "NTAG213";
        if (product == 0x04 && size == 0x11)
            return "NTAG215";
        if (product == 0x04 && size == 0x13)
            return "NTAG216";
        if (product == 0x03 && size == 0x0B)
            return "Mifare Ultralight 11";
        if (product == 0x03 && size == 0x0E)
            return "Mifare Ultralight 21";
    }
    const std::string byPages = cards::type2::TypeForPages(m.Pages());
    return byPages.empty() ? m.type : byPages;
}

} // namespace vorex::dumpfiles

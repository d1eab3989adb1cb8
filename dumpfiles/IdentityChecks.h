#pragma once
// What a dump file says about the tag beside its memory must agree with the memory:
// a MIFARE Classic UID with block 0 (and a 4-byte UID with its check byte), an
// Ultralight UID with pages 0-1. The readers refuse a file where they disagree.
#include "dumpfiles/TagDump.h"

#include <optional>
#include <string>
#include <vector>

namespace vorex::dumpfiles {

// Block 0 against the UID of the file (4, 7 or 10 bytes) when both are known, and the
// ATQA's anticollision bits. `uidWhere` / `atqaWhere` name the fields in errors.
void CheckClassicIdentity(const ClassicMemory& m, const std::string& uidWhere,
                          const std::string& atqaWhere);
// UID, ATQA and SAK of a card as the dump holds them, else as block 0 of a card with a
// 4-byte UID tells them (UID, BCC, SAK, ATQA least significant byte first), as the
// Proxmark3 client guesses them; what neither tells stays unknown.
struct ClassicIdentity {
    std::vector<uint8_t> uid;
    std::optional<uint16_t> atqa;
    std::optional<uint8_t> sak;
};
ClassicIdentity IdentityOf(const ClassicMemory& m);

// Pages 0-1 against a 7-byte UID the file states.
void CheckPagesUid(const PageMemory& m, const std::optional<std::vector<uint8_t>>& uid,
                   const std::string& where);
// The chip name from GET_VERSION (NTAG213/215/216, Ultralight EV1), else from the
// page count, else the name the dump had.
std::string PageTypeFromVersion(const PageMemory& m);

} // namespace vorex::dumpfiles

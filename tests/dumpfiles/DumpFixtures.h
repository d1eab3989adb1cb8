#pragma once
// Tag memories the dump file tests write and read: MIFARE Classic cards of every size,
// an NTAG215 with its version, signature and counters, ISO 15693 tags (with and without
// SLIX settings); some with unknown bytes.
#include "dumpfiles/TagDump.h"

namespace vtest::dumps {

using namespace vorex::dumpfiles;
namespace md = vorex::cards::mifare;

// A card with a 4-byte UID DEADBEEF (BCC 22), a pattern in the data blocks and
// transport trailers; `unknownFrom` >= 0 makes the blocks from there on and Key B of
// sector 1 unknown.
ClassicMemory Classic(md::ClassicSize size, int unknownFrom = -1);
PageMemory Ntag215(bool withUnknownPages = false);
Iso15693Memory Iso(bool slix = false, bool withUnknown = false);

} // namespace vtest::dumps

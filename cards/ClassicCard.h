#pragma once
// Procedures on an ISO 14443A card in the reader's field, through the VOREX_ calls of
// an open connection `handle`: activation (request and select), key search and
// authentication, whole-card dump and restore of MIFARE Classic cards.
#include "cards/CardTypes.h"
#include "cards/ClassicDump.h"

#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::mifare {

struct CardInfo {
    uint16_t atqa = 0;
    uint8_t sak = 0;
    std::vector<uint8_t> uid;
};

// Request and select: the card in the field, ready for commands. False with the
// reason in VOREX_GetLastError (0 when the select answer was empty or too long).
bool Activate(int handle, CardInfo& card);

// Keys in the reader's key store: 12 on the readers with the small store, else 16.
int KeyStoreSlots(bool smallKeyStore);

// A way to open a sector: a key from the reader's key store, or key bytes given.
struct KeyChoice {
    int type = 0; // 0 = Key A, 1 = Key B
    int slot = 0;
    std::optional<Key> key;

    // "A 0123456789AB" or "B slot 3".
    std::string Describe() const;
};

// Authenticates for the block with the key, without waking the card first: for a
// card that is active (selected, or authenticated in another sector).
bool AuthenticateActive(int handle, int block, const KeyChoice& key);
// Wakes and selects the card again (a refused command leaves it idle) and
// authenticates for the block.
bool Authenticate(int handle, int block, const KeyChoice& key);

// Every key to try, of one key type: the keys given first, then the store's slots.
std::vector<KeyChoice> Candidates(int type, const std::vector<Key>& given, int storeSlots);
// The first of the candidates that authenticates for the sector, if any. The card is
// then authenticated with it; otherwise it is idle.
std::optional<KeyChoice> FindKey(int handle, int sector, const std::vector<KeyChoice>& candidates);

// Whole-card dump of the card `card` (activated). Each sector is opened with the first
// key that works, Key A candidates first, and read in one session; blocks that key
// may not read are tried with a Key B, and a Key B is also looked for among the keys
// given when the dump would otherwise not know it. Unreadable blocks stay empty. The
// dump knows the keys given that opened a sector and Key B where the trailer lets it
// be read, and writes known keys into the trailers (cards read Key A as zeros).
struct ClassicReadResult {
    ClassicDump dump;
    std::vector<int> unreadable;    // block numbers
    std::vector<int> closedSectors; // sectors no key opened
};
ClassicReadResult DumpClassic(int handle, const CardInfo& card, const std::vector<Key>& given,
                              int storeSlots, const Progress& progress = {});

// Writes a dump back to the card in the field (of the dump's size): data blocks first,
// trailers last (a new trailer may change the keys) and only with `writeTrailers`;
// block 0 and blocks the dump could not read are left alone. Each block written is read
// back where the key allows it. Trailers are skipped when their access bits do not fit
// together, when a JSON dump lacks the sector's keys, or when a binary dump has Key A
// as zeros (what cards read back).
struct BlockProblem {
    int block = 0;
    std::string reason;
    std::optional<int> error; // engine error number, when the reader refused
};
struct ClassicWriteResult {
    std::vector<int> written;
    std::vector<int> unverified; // written, but the key may not read it back
    std::vector<BlockProblem> failed;
    std::vector<BlockProblem> skipped;
};
ClassicWriteResult RestoreClassic(int handle, const ClassicDump& dump,
                                  const std::vector<Key>& given, int storeSlots, bool writeTrailers,
                                  const Progress& progress = {});

} // namespace vorex::cards::mifare

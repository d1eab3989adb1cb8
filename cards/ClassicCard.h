#pragma once
// Procedures on an ISO 14443A card in the reader's field, through the VOREX_ calls of
// an open connection `handle`: activation (request and select), key search and
// authentication, whole-card dump and restore of MIFARE Classic cards.
#include "cards/CardTypes.h"
#include "cards/ClassicDump.h"

#include <functional>
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

// Keys that cards are delivered with or that public applications use (transport key,
// MAD key, NFC Forum key): a dump tries them by value, so that it knows the bytes of
// the keys that opened a sector.
std::vector<Key> WellKnownKeys();

// Every key to try, of one key type: the keys given first, then the well-known keys
// not given, then the store's slots (none with storeSlots 0: keys known by value).
std::vector<KeyChoice> Candidates(int type, const std::vector<Key>& given, int storeSlots);
// The first of the candidates that authenticates for the sector, if any. The card is
// then authenticated with it; otherwise it is idle.
std::optional<KeyChoice> FindKey(int handle, int sector, const std::vector<KeyChoice>& candidates);

// True for engine errors that mean the reader itself is gone or does not answer (a
// timeout, nothing received, a connection that no longer exists): trying further
// keys or blocks would only wait for more timeouts.
bool ReaderGone(int error);

// Why a whole-card procedure stopped before its end: the reader stopped answering, or
// the card left the field (it no longer answers a request). `block` is the block the
// procedure was at, `error` the engine error of the call that showed it.
struct Interruption {
    enum class Cause { ReaderGone, CardGone };
    Cause cause = Cause::ReaderGone;
    int block = 0;
    int error = 0;

    // "the reader does not answer" / "the card left the field".
    std::string Describe() const;
};

// Whole-card dump of the card `card` (activated). Each sector is opened with the first
// key that works, Key A candidates first, and read in one session; blocks that key
// may not read are tried with a Key B, and a Key B is also looked for among the keys
// known by value when the dump would otherwise not know it. Unreadable blocks stay empty. The
// dump knows the keys given (or well-known keys) that opened a sector and Key B where
// the trailer lets it be read, and writes known keys into the trailers (cards read Key
// A as zeros). The dump stops at once when the reader or the card is gone
// (`interrupted`); it is then incomplete and must not be saved as a dump of the card.
// `cancel` is asked before each sector; when it says yes the dump ends there
// (`cancelled`, incomplete as well).
struct ClassicReadResult {
    ClassicDump dump;
    std::vector<int> unreadable;                // block numbers
    std::vector<int> closedSectors;             // sectors no key opened
    std::vector<std::vector<KeyChoice>> opened; // per sector: the keys that opened it
    std::optional<Interruption> interrupted;
    bool cancelled = false;
};
ClassicReadResult DumpClassic(int handle, const CardInfo& card, const std::vector<Key>& given,
                              int storeSlots, const Progress& progress = {},
                              const std::function<bool()>& cancel = {});

// Writes a dump back to the card in the field (of the dump's size): data blocks first,
// trailers last (a new trailer may change the keys) and only with `writeTrailers`;
// block 0 and blocks the dump could not read are left alone. A block that already
// holds the dump's content is not written (`unchanged`; a trailer counts as unchanged
// when its access bytes and user byte match and the dump's keys open the sector).
// Each block written is read back where the key allows it. Trailers are skipped when
// their access bits do not fit together, when a JSON dump lacks the sector's keys, or
// when a binary dump has a key of zeros (what cards read back). The restore stops at
// once when the reader or the card is gone (`interrupted`).
struct BlockProblem {
    int block = 0;
    std::string reason;
    std::optional<int> error; // engine error number, when the reader refused
};
struct ClassicWriteResult {
    std::vector<int> written;
    std::vector<int> unchanged;
    std::vector<int> unverified; // written, but the key may not read it back
    std::vector<BlockProblem> failed;
    std::vector<BlockProblem> skipped;
    std::optional<Interruption> interrupted;
};
ClassicWriteResult RestoreClassic(int handle, const ClassicDump& dump,
                                  const std::vector<Key>& given, int storeSlots, bool writeTrailers,
                                  const Progress& progress = {});

} // namespace vorex::cards::mifare

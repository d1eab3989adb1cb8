#include "cards/ClassicCard.h"

#include <algorithm>
#include <map>
#include <vorex/vorex.h>

namespace vorex::cards::mifare {

bool Activate(int handle, CardInfo& card) {
    unsigned char uid[10];
    if (VOREX_MifareRequest(handle, &card.atqa) != 0)
        return false;
    const int n = VOREX_MifareSelect(handle, uid, sizeof uid, &card.sak);
    if (n < 0)
        return false;
    card.uid.assign(uid, uid + n);
    return true;
}

int KeyStoreSlots(bool smallKeyStore) {
    return smallKeyStore ? 12 : 16;
}

std::string KeyChoice::Describe() const {
    const std::string s = type ? "B" : "A";
    return key ? s + " " + Hex(key->data(), key->size()) : s + " slot " + std::to_string(slot);
}

bool AuthenticateActive(int handle, int block, const KeyChoice& k) {
    return VOREX_MifareAuthenticate(handle, k.key ? k.key->data() : nullptr, k.key ? 6 : 0, k.type,
                                    k.slot, block) == 0;
}

bool Authenticate(int handle, int block, const KeyChoice& k) {
    CardInfo card;
    return Activate(handle, card) && AuthenticateActive(handle, block, k);
}

std::vector<Key> WellKnownKeys() {
    return {Key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, Key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5},
            Key{0xD3, 0xF7, 0xD3, 0xF7, 0xD3, 0xF7}};
}

std::vector<KeyChoice> Candidates(int type, const std::vector<Key>& given, int storeSlots) {
    std::vector<KeyChoice> out;
    for (const Key& k : given)
        out.push_back({type, 0, k});
    for (const Key& k : WellKnownKeys())
        if (std::find(given.begin(), given.end(), k) == given.end())
            out.push_back({type, 0, k});
    for (int slot = 0; slot < storeSlots; ++slot)
        out.push_back({type, slot, std::nullopt});
    return out;
}

std::optional<KeyChoice> FindKey(int handle, int sector, const std::vector<KeyChoice>& candidates) {
    for (const KeyChoice& k : candidates)
        if (Authenticate(handle, FirstBlock(sector), k))
            return k;
    return std::nullopt;
}

bool ReaderGone(int error) {
    return error == VOREX_ERR_TIMEOUT || error == VOREX_ERR_NOTHING_RECEIVED ||
           error == VOREX_ERR_UNKNOWN_HANDLE;
}

std::string Interruption::Describe() const {
    return cause == Cause::ReaderGone ? "the reader does not answer" : "the card left the field";
}

namespace {

// The card's state as far as a whole-card procedure knows it: after a refused command
// it is idle and has to be woken before the next authentication; while it is active,
// authenticating for another sector is one exchange. The session ends for good when
// the reader stops answering or the card no longer answers a request (or another card
// answers instead): every later call then fails at once.
class Session {
public:
    // `card`: the activated card, or null to wake it on the first use.
    Session(int handle, const CardInfo* card) : handle_(handle), active_(card != nullptr) {
        if (card)
            uid_ = card->uid;
    }

    const std::optional<Interruption>& Stopped() const { return stopped_; }
    int LastError() const { return lastError_; }

    bool Open(int block, const KeyChoice& k) {
        current_.reset();
        if (stopped_ || !Wake(block))
            return false;
        active_ = AuthenticateActive(handle_, block, k);
        if (!active_) {
            Check(block);
            return false;
        }
        current_ = k;
        sector_ = SectorOf(block);
        return true;
    }
    std::optional<KeyChoice> Find(int sector, const std::vector<KeyChoice>& candidates) {
        for (const KeyChoice& k : candidates) {
            if (Open(FirstBlock(sector), k))
                return k;
            if (stopped_)
                break;
        }
        return std::nullopt;
    }
    // Reads a block in the session of `k`, authenticating first unless that session is on.
    bool Read(int block, const KeyChoice& k, Block& out) {
        if (!IsOn(block, k) && !Open(block, k))
            return false;
        unsigned char data[16];
        if (VOREX_MifareReadBlock(handle_, block, data, 16) != 16)
            return Refused(block);
        std::copy(data, data + 16, out.begin());
        return true;
    }
    bool Write(int block, const KeyChoice& k, const Block& data) {
        if (!IsOn(block, k) && !Open(block, k))
            return false;
        if (VOREX_MifareWriteBlock(handle_, block, data.data(), 16) != 0)
            return Refused(block);
        return true;
    }

private:
    // True when the card is authenticated with `k` for the block's sector.
    bool IsOn(int block, const KeyChoice& k) const {
        return active_ && current_ && sector_ == SectorOf(block) && current_->type == k.type &&
               current_->slot == k.slot && current_->key == k.key;
    }
    // A refused command leaves the card idle.
    bool Refused(int block) {
        active_ = false;
        current_.reset();
        Check(block);
        return false;
    }
    // Wakes an idle card; a card that does not answer, or another card, ends the session.
    bool Wake(int block) {
        if (active_)
            return true;
        CardInfo card;
        if (!Activate(handle_, card)) {
            lastError_ = VOREX_GetLastError(handle_);
            Stop(ReaderGone(lastError_) ? Interruption::Cause::ReaderGone
                                        : Interruption::Cause::CardGone,
                 block);
            return false;
        }
        if (uid_.empty())
            uid_ = card.uid;
        if (card.uid != uid_) {
            lastError_ = 0;
            Stop(Interruption::Cause::CardGone, block);
            return false;
        }
        active_ = true;
        return true;
    }
    void Check(int block) {
        lastError_ = VOREX_GetLastError(handle_);
        if (ReaderGone(lastError_))
            Stop(Interruption::Cause::ReaderGone, block);
    }
    void Stop(Interruption::Cause cause, int block) {
        stopped_ = Interruption{cause, block, lastError_};
        active_ = false;
    }

    int handle_;
    bool active_;
    std::vector<uint8_t> uid_;
    std::optional<KeyChoice> current_;
    int sector_ = -1;
    std::optional<Interruption> stopped_;
    int lastError_ = 0;
};

KeyChoice ByValue(int type, const uint8_t* bytes) {
    KeyChoice k{type, 0, Key{}};
    std::copy(bytes, bytes + 6, k.key->begin());
    return k;
}

// A trailer holds the dump's content when its access bytes and user byte match and
// the dump's Key A and Key B both open the sector (cards do not show Key A).
bool TrailerHolds(Session& session, int trailer, const Block& now, const Block& want) {
    return std::equal(now.begin() + 6, now.begin() + 10, want.begin() + 6) &&
           session.Open(trailer, ByValue(0, want.data())) &&
           session.Open(trailer, ByValue(1, want.data() + 10));
}

} // namespace

ClassicReadResult DumpClassic(int handle, const CardInfo& card, const std::vector<Key>& given,
                              int storeSlots, const Progress& progress,
                              const std::function<bool()>& cancel) {
    ClassicReadResult r;
    ClassicDump& dump = r.dump;
    const bool is4k = IsClassic4k(card.sak);
    const int sectors = SectorCount(is4k);
    dump.blocks.assign(static_cast<size_t>(BlockCount(is4k)), std::nullopt);
    dump.keys.assign(static_cast<size_t>(sectors), SectorKeys{});
    dump.uid = card.uid;
    dump.sak = card.sak;
    dump.atqa = card.atqa;
    Session session(handle, &card);
    r.opened.assign(static_cast<size_t>(sectors), {});
    for (int s = 0; s < sectors && !session.Stopped(); ++s) {
        if (cancel && cancel()) {
            r.cancelled = true;
            break;
        }
        if (progress)
            progress(s, sectors);
        const int first = FirstBlock(s), trailer = TrailerOf(s);
        std::vector<KeyChoice> keys;
        if (auto a = session.Find(s, Candidates(0, given, storeSlots)))
            keys.push_back(*a);
        auto readWith = [&](const KeyChoice& k) {
            for (int b = first; b <= trailer && !session.Stopped(); ++b) {
                auto& block = dump.blocks[static_cast<size_t>(b)];
                if (block)
                    continue;
                Block data;
                if (session.Read(b, k, data))
                    block = data;
            }
        };
        if (!keys.empty())
            readWith(keys.front());
        const auto unread = [&] {
            return std::any_of(dump.blocks.begin() + first, dump.blocks.begin() + trailer + 1,
                               [](const auto& b) { return !b.has_value(); });
        };
        // A Key B is needed to read what Key A may not, and is worth knowing by value
        // when the trailer does not show it.
        const auto& t = dump.blocks[static_cast<size_t>(trailer)];
        const bool bShown = t && KeyBReadable(TrailerCondition(t->data() + 6));
        std::optional<KeyChoice> b;
        if (session.Stopped())
            break;
        if (unread())
            b = session.Find(s, Candidates(1, given, storeSlots));
        else if (!bShown)
            b = session.Find(s, Candidates(1, given, 0));
        if (b) {
            keys.push_back(*b);
            readWith(*b);
        }
        if (session.Stopped())
            break;
        if (keys.empty())
            r.closedSectors.push_back(s);
        r.opened[static_cast<size_t>(s)] = keys;
        for (int blk = first; blk <= trailer; ++blk)
            if (!dump.blocks[static_cast<size_t>(blk)])
                r.unreadable.push_back(blk);
        // Keys the dump can tell: keys given that opened the sector, and Key B where the
        // trailer lets it be read.
        SectorKeys& sk = dump.keys[static_cast<size_t>(s)];
        for (const KeyChoice& k : keys)
            if (k.key)
                (k.type ? sk.keyB : sk.keyA) = *k.key;
        auto& tb = dump.blocks[static_cast<size_t>(trailer)];
        if (tb) {
            const int condition = TrailerCondition(tb->data() + 6);
            if (!sk.keyB && condition >= 0 && KeyBReadable(condition)) {
                sk.keyB.emplace();
                std::copy(tb->begin() + 10, tb->end(), sk.keyB->begin());
            }
            if (sk.keyA)
                std::copy(sk.keyA->begin(), sk.keyA->end(), tb->begin());
            if (sk.keyB)
                std::copy(sk.keyB->begin(), sk.keyB->end(), tb->begin() + 10);
        }
    }
    r.interrupted = session.Stopped();
    std::sort(r.unreadable.begin(), r.unreadable.end());
    if (progress && !r.interrupted && !r.cancelled)
        progress(sectors, sectors);
    return r;
}

ClassicWriteResult RestoreClassic(int handle, const ClassicDump& dump,
                                  const std::vector<Key>& given, int storeSlots, bool writeTrailers,
                                  const Progress& progress) {
    ClassicWriteResult r;
    const bool fromJson = !dump.keys.empty();
    const int sectors = SectorCount(dump.Is4k());
    // Data blocks first, trailers last: a new trailer may change the keys.
    std::vector<int> order;
    for (int s = 0; s < sectors; ++s)
        for (int b = FirstBlock(s); b < TrailerOf(s); ++b)
            order.push_back(b);
    for (int s = 0; s < sectors; ++s)
        order.push_back(TrailerOf(s));

    Session session(handle, nullptr);
    std::map<int, std::vector<KeyChoice>> keysOf; // per sector, found when first needed
    const int total = static_cast<int>(order.size());
    int step = 0;
    for (int b : order) {
        if (session.Stopped())
            break;
        if (progress)
            progress(step, total);
        ++step;
        const auto& data = dump.blocks[static_cast<size_t>(b)];
        const int s = SectorOf(b);
        const bool trailer = b == TrailerOf(s);
        if (b == 0 || !data)
            continue; // the manufacturer block is never written; unread blocks stay
        if (trailer) {
            const auto zeros = [](const uint8_t* key) {
                return std::all_of(key, key + 6, [](uint8_t v) { return v == 0; });
            };
            std::string why;
            if (!AccessBitsConsistent(data->data() + 6))
                why = "access bits do not fit together";
            else if (fromJson && (!dump.keys[static_cast<size_t>(s)].keyA ||
                                  !dump.keys[static_cast<size_t>(s)].keyB))
                why = "keys of the sector are not in the dump";
            else if (!fromJson && (zeros(data->data()) || zeros(data->data() + 10)))
                why = "a key is 000000000000 as cards read back keys they do not show; use "
                      "a JSON dump made with --key";
            else if (!writeTrailers)
                why = "sector trailer: confirm with --yes";
            if (!why.empty()) {
                r.skipped.push_back({b, why, std::nullopt});
                continue;
            }
        }
        if (!keysOf.count(s)) {
            auto& list = keysOf[s];
            for (int t : {0, 1})
                if (auto k = session.Find(s, Candidates(t, given, storeSlots)))
                    list.push_back(*k);
        }
        // Compare with every key that may read the block before writing with any.
        bool done = false;
        for (const KeyChoice& k : keysOf[s]) {
            Block now;
            if (session.Read(b, k, now) &&
                (trailer ? TrailerHolds(session, b, now, *data) : now == *data)) {
                r.unchanged.push_back(b);
                done = true;
                break;
            }
            if (session.Stopped())
                break;
        }
        int lastError = 0;
        for (const KeyChoice& k : keysOf[s]) {
            if (done || session.Stopped())
                break;
            if (!session.Write(b, k, *data)) {
                lastError = session.LastError();
                continue;
            }
            done = true;
            Block back;
            if (!session.Read(b, k, back)) {
                r.unverified.push_back(b);
            } else if (!(trailer
                             ? std::equal(back.begin() + 6, back.begin() + 10, data->begin() + 6)
                             : back == *data)) {
                r.failed.push_back({b, "reads back differently", std::nullopt});
                break;
            }
            r.written.push_back(b);
        }
        if (session.Stopped())
            break;
        if (!done)
            r.failed.push_back(
                {b, keysOf[s].empty() ? "no key at hand opens the sector" : "not writable",
                 lastError});
    }
    r.interrupted = session.Stopped();
    if (progress && !r.interrupted)
        progress(step, total);
    return r;
}

} // namespace vorex::cards::mifare

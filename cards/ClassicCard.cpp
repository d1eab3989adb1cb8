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

std::vector<KeyChoice> Candidates(int type, const std::vector<Key>& given, int storeSlots) {
    std::vector<KeyChoice> out;
    for (const Key& k : given)
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

namespace {

// The card's state as far as the dump knows it: after a refused command it is idle and
// has to be woken before the next authentication; while it is active, authenticating
// for another sector is one exchange.
class Session {
public:
    explicit Session(int handle) : handle_(handle) {}

    bool Open(int block, const KeyChoice& k) {
        active_ = active_ ? AuthenticateActive(handle_, block, k) : Authenticate(handle_, block, k);
        current_ = active_ ? std::optional<KeyChoice>(k) : std::nullopt;
        return active_;
    }
    std::optional<KeyChoice> Find(int sector, const std::vector<KeyChoice>& candidates) {
        for (const KeyChoice& k : candidates)
            if (Open(FirstBlock(sector), k))
                return k;
        return std::nullopt;
    }
    // Reads a block in the session of `k`, authenticating first unless that session is on.
    bool Read(int block, const KeyChoice& k, Block& out) {
        if (!IsOn(k) && !Open(block, k))
            return false;
        unsigned char data[16];
        if (VOREX_MifareReadBlock(handle_, block, data, 16) != 16) {
            active_ = false;
            current_.reset();
            return false;
        }
        std::copy(data, data + 16, out.begin());
        return true;
    }

private:
    bool IsOn(const KeyChoice& k) const {
        return current_ && current_->type == k.type && current_->slot == k.slot &&
               current_->key == k.key;
    }
    int handle_;
    bool active_ = true; // the caller hands over an activated card
    std::optional<KeyChoice> current_;
};

std::vector<KeyChoice> Given(int type, const std::vector<Key>& given) {
    return Candidates(type, given, 0);
}

} // namespace

ClassicReadResult DumpClassic(int handle, const CardInfo& card, const std::vector<Key>& given,
                              int storeSlots, const Progress& progress) {
    ClassicReadResult r;
    ClassicDump& dump = r.dump;
    const bool is4k = IsClassic4k(card.sak);
    const int sectors = SectorCount(is4k);
    dump.blocks.assign(static_cast<size_t>(BlockCount(is4k)), std::nullopt);
    dump.keys.assign(static_cast<size_t>(sectors), SectorKeys{});
    dump.uid = card.uid;
    dump.sak = card.sak;
    dump.atqa = card.atqa;
    Session session(handle);
    for (int s = 0; s < sectors; ++s) {
        if (progress)
            progress(s, sectors);
        const int first = FirstBlock(s), trailer = TrailerOf(s);
        std::vector<KeyChoice> keys;
        if (auto a = session.Find(s, Candidates(0, given, storeSlots)))
            keys.push_back(*a);
        auto readWith = [&](const KeyChoice& k) {
            for (int b = first; b <= trailer; ++b) {
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
        // A Key B is needed to read what Key A may not, and is worth knowing when one
        // of the keys given opens it and the trailer does not show it.
        const auto& t = dump.blocks[static_cast<size_t>(trailer)];
        const bool bShown = t && KeyBReadable(TrailerCondition(t->data() + 6));
        std::optional<KeyChoice> b;
        if (unread())
            b = session.Find(s, Candidates(1, given, storeSlots));
        else if (!given.empty() && !bShown)
            b = session.Find(s, Given(1, given));
        if (b) {
            keys.push_back(*b);
            readWith(*b);
        }
        if (keys.empty())
            r.closedSectors.push_back(s);
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
    std::sort(r.unreadable.begin(), r.unreadable.end());
    if (progress)
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

    std::map<int, std::vector<KeyChoice>> keysOf; // per sector, found when first needed
    const int total = static_cast<int>(order.size());
    int step = 0;
    for (int b : order) {
        if (progress)
            progress(step, total);
        ++step;
        const auto& data = dump.blocks[static_cast<size_t>(b)];
        const int s = SectorOf(b);
        const bool trailer = b == TrailerOf(s);
        if (b == 0 || !data)
            continue; // the manufacturer block is never written; unread blocks stay
        if (trailer) {
            std::string why;
            if (!AccessBitsConsistent(data->data() + 6))
                why = "access bits do not fit together";
            else if (fromJson && (!dump.keys[static_cast<size_t>(s)].keyA ||
                                  !dump.keys[static_cast<size_t>(s)].keyB))
                why = "keys of the sector are not in the dump";
            else if (!fromJson && std::all_of(data->begin(), data->begin() + 6,
                                              [](uint8_t v) { return v == 0; }))
                why = "Key A is 000000000000 as cards read it back; use a JSON dump made "
                      "with --key";
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
                if (auto k = FindKey(handle, s, Candidates(t, given, storeSlots)))
                    list.push_back(*k);
        }
        bool done = false;
        int lastError = 0;
        for (const KeyChoice& k : keysOf[s]) {
            if (!Authenticate(handle, b, k)) {
                lastError = VOREX_GetLastError(handle);
                continue;
            }
            if (VOREX_MifareWriteBlock(handle, b, data->data(), 16) != 0) {
                lastError = VOREX_GetLastError(handle);
                continue;
            }
            done = true;
            unsigned char back[16];
            if (VOREX_MifareReadBlock(handle, b, back, 16) != 16) {
                r.unverified.push_back(b);
            } else if (!(trailer ? std::equal(back + 6, back + 10, data->begin() + 6)
                                 : std::equal(back, back + 16, data->begin()))) {
                r.failed.push_back({b, "reads back differently", std::nullopt});
                break;
            }
            r.written.push_back(b);
            break;
        }
        if (!done)
            r.failed.push_back(
                {b, keysOf[s].empty() ? "no key of the store opens the sector" : "not writable",
                 lastError});
    }
    if (progress)
        progress(step, total);
    return r;
}

} // namespace vorex::cards::mifare

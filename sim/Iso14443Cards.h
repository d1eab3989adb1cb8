#pragma once
// Stand-in ISO 14443A cards: MIFARE Classic 1K/4K, MIFARE Ultralight and NFC Forum
// Type 2 tags (NTAG213/215/216 and a tag with more than 256 pages). Each answers the
// reader's card commands with a semantic Status; a refused command drops the card
// back to idle, as a real card does after a NAK, so it must be selected again.
#include "ReaderModel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vsim {

class Card14443 {
public:
    enum class State { Idle, Ready, Active };

    virtual ~Card14443() = default;

    const Bytes& Uid() const { return uid_; }
    virtual uint16_t Atqa() const = 0;
    virtual uint8_t Sak() const = 0;
    virtual std::string TypeName() const = 0;
    State CardState() const { return state_; }

    // Request (wake-up): the card answers and becomes ready.
    virtual void OnRequest() { ResetSession(State::Ready); }
    // Select: the card becomes active (the reader does the anticollision itself).
    virtual void OnSelect() { ResetSession(State::Active); }
    // The card leaves or enters the field.
    void PowerOff() { ResetSession(State::Idle); }

    virtual Reply Authenticate(int block, bool keyB, const Bytes& key);
    virtual Reply Read(uint8_t block) = 0;
    virtual Reply Write(uint8_t block, const Bytes& data) = 0;
    virtual Reply Value(uint8_t block, int operation, int32_t value);
    virtual Reply SelectSector(int sector);

protected:
    explicit Card14443(Bytes uid) : uid_(std::move(uid)) {}
    virtual void ResetSession(State state) { state_ = state; }
    // A refused command: the card falls back to idle.
    Reply Nak(int status) {
        ResetSession(State::Idle);
        return Reply::Error(status);
    }

    Bytes uid_;
    State state_ = State::Idle;
};

class ClassicCard : public Card14443 {
public:
    // blocks: 64 (1K) or 256 (4K) blocks of 16 bytes; uid 4 or 7 bytes.
    ClassicCard(bool is4k, Bytes uid);

    uint16_t Atqa() const override;
    uint8_t Sak() const override { return is4k_ ? 0x18 : 0x08; }
    std::string TypeName() const override { return is4k_ ? "classic4k" : "classic1k"; }

    Reply Authenticate(int block, bool keyB, const Bytes& key) override;
    Reply Read(uint8_t block) override;
    Reply Write(uint8_t block, const Bytes& data) override;
    Reply Value(uint8_t block, int operation, int32_t value) override;

    // Memory as stored (keys included), for scenarios and tests.
    int BlockCount() const { return static_cast<int>(blocks_.size()); }
    Bytes& Block(int b) { return blocks_.at(static_cast<size_t>(b)); }
    static int SectorOf(int block);
    static int FirstBlock(int sector);
    static int BlocksIn(int sector);
    int TrailerOf(int sector) const { return FirstBlock(sector) + BlocksIn(sector) - 1; }
    int SectorCount() const { return is4k_ ? 40 : 16; }

    // The sector trailer from keys, conditions (data groups 0..2, trailer) and user byte.
    static Bytes Trailer(const Bytes& keyA, const std::array<int, 4>& conditions, uint8_t userByte,
                         const Bytes& keyB);

private:
    void ResetSession(State state) override;
    bool IsTrailer(int block) const { return block == TrailerOf(SectorOf(block)); }
    // Condition that applies to the block, or -1 when the sector's trailer is broken.
    int ConditionOf(int block) const;
    int TrailerCondition(int sector) const;
    // Checks the session for an access to `block`; nullopt when it may go on.
    std::optional<Reply> CheckSession(int block, int refusal);

    bool is4k_;
    std::vector<Bytes> blocks_;
    int authSector_ = -1;
    bool authKeyB_ = false;
};

// Page-based tags: MIFARE Ultralight and NFC Forum Type 2 (NTAG21x and larger).
class PageTag : public Card14443 {
public:
    enum class Kind { Ultralight, Ntag213, Ntag215, Ntag216, Type2 };
    // totalPages is used for Kind::Type2 only; the others have their fixed size.
    PageTag(Kind kind, Bytes uid, int totalPages = 0);

    uint16_t Atqa() const override { return 0x0044; }
    uint8_t Sak() const override { return 0x00; }
    std::string TypeName() const override;

    Reply Read(uint8_t page) override;
    Reply Write(uint8_t page, const Bytes& data) override;
    Reply SelectSector(int sector) override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    Bytes& Page(int p) { return pages_.at(static_cast<size_t>(p)); }
    // True when a write to the page is refused by the lock bits.
    bool PageLocked(int page) const;

private:
    void ResetSession(State state) override;
    int DynamicLockPage() const;
    int PagesPerDynamicLockBit() const;
    // Password and password acknowledge pages of NTAG21x read back as zeros.
    bool ReadsAsZero(int page) const;

    Kind kind_;
    std::vector<Bytes> pages_;
    int sector_ = 0;
};

} // namespace vsim

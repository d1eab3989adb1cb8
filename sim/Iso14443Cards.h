#pragma once
// Stand-in ISO 14443A cards: MIFARE Classic 1K/4K, MIFARE Ultralight and NFC Forum
// Type 2 tags (NTAG213/215/216 and a tag with more than 256 pages). Each answers the
// reader's card commands with a semantic Status; a refused command drops the card
// back to idle, as a real card does after a NAK, so it must be selected again.
#include "sim/ReaderModel.h"

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
    // PWD_AUTH (1B) with a 4-byte password; the answer carries PACK.
    virtual Reply PasswordAuth(const Bytes& password);
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
    Reply PasswordAuth(const Bytes& password) override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    Bytes& Page(int p) { return pages_.at(static_cast<size_t>(p)); }
    // True when a write to the page is refused by the lock bits.
    bool PageLocked(int page) const;

    // NTAG21x configuration pages (-1 on tags without them): CFG0 holds AUTH0 in
    // byte 3, CFG1 the ACCESS byte (PROT, CFGLCK, AUTHLIM) in byte 0, then PWD and
    // PACK.
    int DynamicLockPage() const;
    int Cfg0Page() const { return Ntag() ? DynamicLockPage() + 1 : -1; }
    int Cfg1Page() const { return Ntag() ? DynamicLockPage() + 2 : -1; }
    int PwdPage() const { return Ntag() ? DynamicLockPage() + 3 : -1; }
    int PackPage() const { return Ntag() ? DynamicLockPage() + 4 : -1; }
    // Failed PWD_AUTH attempts so far (kept while the tag is unpowered, as in EEPROM).
    int FailedPasswordAttempts() const { return failedAuth_; }

private:
    static constexpr uint8_t kProt = 0x80;
    static constexpr uint8_t kCfgLck = 0x40;
    static constexpr uint8_t kAuthLim = 0x07;

    void ResetSession(State state) override;
    bool Ntag() const { return DynamicLockPage() > 0; }
    int PagesPerDynamicLockBit() const;
    int BlockLockBits() const;
    // Password and password acknowledge pages of NTAG21x read back as zeros.
    bool ReadsAsZero(int page) const;
    uint8_t Auth0() const;
    uint8_t Access() const;
    // Pages from this one on need PWD_AUTH first for reading (PROT = 1) or writing.
    int FirstReadProtected() const;
    int FirstWriteProtected() const;
    Reply WriteDynamicLock(Bytes& stored, const Bytes& data);

    Kind kind_;
    std::vector<Bytes> pages_;
    int sector_ = 0;
    bool authenticated_ = false;
    int failedAuth_ = 0;
};

} // namespace vsim

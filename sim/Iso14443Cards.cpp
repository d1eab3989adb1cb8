#include "sim/Iso14443Cards.h"

#include "sim/MifareAccess.h"

#include <algorithm>

namespace vsim {

using namespace mifare;

Reply Card14443::Authenticate(int, bool, const Bytes&) {
    return Nak(kNotAuthenticated);
}
Reply Card14443::PasswordAuth(const Bytes&) {
    return Nak(kNotAuthenticated);
}
Reply Card14443::Value(uint8_t, int, int32_t) {
    return Nak(kNotWritable);
}
Reply Card14443::SelectSector(int) {
    return Nak(kNoTransponder);
}

namespace {

const Bytes kDeliveryKey(6, 0xFF);

uint8_t XorAll(const uint8_t* b, size_t n, uint8_t start = 0) {
    for (size_t i = 0; i < n; ++i)
        start ^= b[i];
    return start;
}

uint32_t Le32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<uint32_t>(b[at + 3]) << 24;
}

void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

// ---- MIFARE Classic ---------------------------------------------------------------

ClassicCard::ClassicCard(bool is4k, Bytes uid)
    : Card14443(std::move(uid)), is4k_(is4k), blocks_(is4k ? 256 : 64, Bytes(16, 0)) {
    Bytes& b0 = blocks_[0];
    size_t at = 0;
    for (uint8_t u : uid_)
        b0[at++] = u;
    if (uid_.size() == 4)
        b0[at++] = XorAll(uid_.data(), 4);
    b0[at++] = Sak();
    b0[at++] = static_cast<uint8_t>(Atqa() & 0xFF);
    b0[at++] = static_cast<uint8_t>(Atqa() >> 8);
    for (uint8_t fill = 0x61; at < 16; ++fill)
        b0[at++] = fill; // manufacturer data
    for (int s = 0; s < SectorCount(); ++s)
        blocks_[static_cast<size_t>(TrailerOf(s))] =
            Trailer(kDeliveryKey, {0, 0, 0, 4}, 0x69, kDeliveryKey);
}

uint16_t ClassicCard::Atqa() const {
    const uint16_t base = is4k_ ? 0x0002 : 0x0004;
    return uid_.size() == 7 ? static_cast<uint16_t>(base | 0x0040) : base;
}

Bytes ClassicCard::Trailer(const Bytes& keyA, const std::array<int, 4>& conditions,
                           uint8_t userByte, const Bytes& keyB) {
    Bytes t(16, 0);
    std::copy_n(keyA.begin(), std::min<size_t>(6, keyA.size()), t.begin());
    const auto access = EncodeAccess(conditions);
    std::copy(access.begin(), access.end(), t.begin() + 6);
    t[9] = userByte;
    std::copy_n(keyB.begin(), std::min<size_t>(6, keyB.size()), t.begin() + 10);
    return t;
}

int ClassicCard::SectorOf(int block) {
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}
int ClassicCard::FirstBlock(int sector) {
    return sector < 32 ? 4 * sector : 128 + 16 * (sector - 32);
}
int ClassicCard::BlocksIn(int sector) {
    return sector < 32 ? 4 : 16;
}

void ClassicCard::ResetSession(State state) {
    state_ = state;
    authSector_ = -1;
    authKeyB_ = false;
}

int ClassicCard::TrailerCondition(int sector) const {
    const auto c = DecodeAccess(blocks_[static_cast<size_t>(TrailerOf(sector))].data() + 6);
    return c ? (*c)[3] : -1;
}

int ClassicCard::ConditionOf(int block) const {
    const int sector = SectorOf(block);
    const auto c = DecodeAccess(blocks_[static_cast<size_t>(TrailerOf(sector))].data() + 6);
    if (!c)
        return -1;
    const int index = block - FirstBlock(sector);
    if (index == BlocksIn(sector) - 1)
        return (*c)[3];
    return (*c)[static_cast<size_t>(BlocksIn(sector) == 4 ? index : index / 5)];
}

std::optional<Reply> ClassicCard::CheckSession(int block, int refusal) {
    if (block >= BlockCount() || authSector_ < 0 || SectorOf(block) != authSector_)
        return Nak(kNotAuthenticated);
    const int trailer = TrailerCondition(authSector_);
    if (trailer < 0)
        return Nak(kNotAuthenticated); // broken access bits block the sector for good
    if (authKeyB_ && KeyBReadable(trailer))
        return Nak(refusal); // Key B is data here and opens nothing
    return std::nullopt;
}

Reply ClassicCard::Authenticate(int block, bool keyB, const Bytes& key) {
    if (block < 0 || block >= BlockCount())
        return Nak(kNotAuthenticated);
    const int sector = SectorOf(block);
    const Bytes& t = blocks_[static_cast<size_t>(TrailerOf(sector))];
    if (TrailerCondition(sector) < 0 || key.size() != 6 ||
        !std::equal(key.begin(), key.end(), t.begin() + (keyB ? 10 : 0)))
        return Nak(kNotAuthenticated);
    authSector_ = sector;
    authKeyB_ = keyB;
    return Reply::Ok();
}

Reply ClassicCard::Read(uint8_t block) {
    if (auto refused = CheckSession(block, kNotAuthenticated))
        return *refused;
    const Bytes& stored = blocks_[block];
    const int condition = ConditionOf(block);
    if (!IsTrailer(block)) {
        if (!DataAllowed(condition, DataOp::Read, authKeyB_))
            return Nak(kNotAuthenticated);
        return Reply::Ok(stored);
    }
    Bytes out(16, 0); // Key A never reads back
    if (TrailerAllowed(condition, TrailerOp::ReadAccess, authKeyB_))
        std::copy(stored.begin() + 6, stored.begin() + 10, out.begin() + 6);
    if (TrailerAllowed(condition, TrailerOp::ReadKeyB, authKeyB_))
        std::copy(stored.begin() + 10, stored.end(), out.begin() + 10);
    return Reply::Ok(out);
}

Reply ClassicCard::Write(uint8_t block, const Bytes& data) {
    if (data.size() != 16)
        return Reply::Error(kWrongCount);
    if (auto refused = CheckSession(block, kNotWritable))
        return *refused;
    if (block == 0)
        return Nak(kNotWritable); // manufacturer block
    Bytes& stored = blocks_[block];
    const int condition = ConditionOf(block);
    if (!IsTrailer(block)) {
        if (!DataAllowed(condition, DataOp::Write, authKeyB_))
            return Nak(kNotWritable);
        stored = data;
        return Reply::Ok();
    }
    const bool keyA = TrailerAllowed(condition, TrailerOp::WriteKeyA, authKeyB_);
    const bool access = TrailerAllowed(condition, TrailerOp::WriteAccess, authKeyB_);
    const bool keyB = TrailerAllowed(condition, TrailerOp::WriteKeyB, authKeyB_);
    if (!keyA && !access && !keyB)
        return Nak(kNotWritable);
    // Each part changes only where the conditions allow it; access bits that do not
    // fit together are stored as sent and lock the sector, as on a real card.
    if (keyA)
        std::copy_n(data.begin(), 6, stored.begin());
    if (access)
        std::copy_n(data.begin() + 6, 4, stored.begin() + 6);
    if (keyB)
        std::copy_n(data.begin() + 10, 6, stored.begin() + 10);
    return Reply::Ok();
}

Reply ClassicCard::Value(uint8_t block, int operation, int32_t value) {
    if (operation != 0 && operation != 1)
        return Reply::Error(kUnknownCommand);
    if (auto refused = CheckSession(block, kNotWritable))
        return *refused;
    if (block == 0 || IsTrailer(block))
        return Nak(kNotWritable);
    const DataOp op = operation == 1 ? DataOp::Increment : DataOp::Decrement;
    if (!DataAllowed(ConditionOf(block), op, authKeyB_))
        return Nak(kNotWritable);
    Bytes& b = blocks_[block];
    const uint32_t v = Le32(b, 0);
    if (Le32(b, 8) != v || Le32(b, 4) != ~v)
        return Nak(kNoValue);
    const uint32_t delta = static_cast<uint32_t>(value);
    const uint32_t result = operation == 1 ? v + delta : v - delta;
    PutLe32(b, 0, result);
    PutLe32(b, 4, ~result);
    PutLe32(b, 8, result);
    return Reply::Ok();
}

// ---- Ultralight and Type 2 --------------------------------------------------------

namespace {

int PagesOf(PageTag::Kind kind, int total) {
    switch (kind) {
    case PageTag::Kind::Ultralight:
        return 16;
    case PageTag::Kind::Ntag213:
        return 45;
    case PageTag::Kind::Ntag215:
        return 135;
    case PageTag::Kind::Ntag216:
        return 231;
    case PageTag::Kind::Type2:
        return std::max(total, 16);
    }
    return 16;
}

} // namespace

PageTag::PageTag(Kind kind, Bytes uid, int totalPages)
    : Card14443(std::move(uid)), kind_(kind),
      pages_(static_cast<size_t>(PagesOf(kind, totalPages)), Bytes(4, 0)) {
    uid_.resize(7, 0);
    pages_[0] = {uid_[0], uid_[1], uid_[2], XorAll(uid_.data(), 3, 0x88)};
    pages_[1] = {uid_[3], uid_[4], uid_[5], uid_[6]};
    pages_[2] = {XorAll(uid_.data() + 3, 4), 0x48, 0x00, 0x00};
    const int dataBytes = (PageCount() - 4) * 4;
    switch (kind_) {
    case Kind::Ultralight:
        break;
    case Kind::Ntag213:
        pages_[3] = {0xE1, 0x10, 0x12, 0x00};
        break;
    case Kind::Ntag215:
        pages_[3] = {0xE1, 0x10, 0x3E, 0x00};
        break;
    case Kind::Ntag216:
        pages_[3] = {0xE1, 0x10, 0x6D, 0x00};
        break;
    case Kind::Type2:
        pages_[3] = {0xE1, 0x10, static_cast<uint8_t>(std::min(dataBytes / 8, 255)), 0x00};
        break;
    }
    if (kind_ != Kind::Ultralight)
        pages_[4] = {0x03, 0x00, 0xFE, 0x00}; // empty NDEF message, terminator
    if (const int dyn = DynamicLockPage(); dyn > 0) {
        pages_[static_cast<size_t>(dyn)] = {0x00, 0x00, 0x00, 0xBD};
        pages_[static_cast<size_t>(Cfg0Page())] = {0x04, 0x00, 0x00, 0xFF}; // AUTH0 off
        pages_[static_cast<size_t>(Cfg1Page())] = {0x00, 0x05, 0x00, 0x00};
        pages_[static_cast<size_t>(PwdPage())] = {0xFF, 0xFF, 0xFF, 0xFF};  // PWD
        pages_[static_cast<size_t>(PackPage())] = {0x00, 0x00, 0x00, 0x00}; // PACK
    }
}

std::string PageTag::TypeName() const {
    switch (kind_) {
    case Kind::Ultralight:
        return "ultralight";
    case Kind::Ntag213:
        return "ntag213";
    case Kind::Ntag215:
        return "ntag215";
    case Kind::Ntag216:
        return "ntag216";
    case Kind::Type2:
        return "type2";
    }
    return "type2";
}

void PageTag::ResetSession(State state) {
    state_ = state;
    sector_ = 0;
    authenticated_ = false; // PWD_AUTH holds only until the tag is selected anew
}

int PageTag::DynamicLockPage() const {
    switch (kind_) {
    case Kind::Ntag213:
        return 0x28;
    case Kind::Ntag215:
        return 0x82;
    case Kind::Ntag216:
        return 0xE2;
    default:
        return -1;
    }
}

int PageTag::PagesPerDynamicLockBit() const {
    return kind_ == Kind::Ntag213 ? 2 : 16;
}

int PageTag::BlockLockBits() const {
    switch (kind_) {
    case Kind::Ntag213:
        return 6;
    case Kind::Ntag215:
        return 4;
    case Kind::Ntag216:
        return 7;
    default:
        return 0;
    }
}

bool PageTag::ReadsAsZero(int page) const {
    return Ntag() && page >= PwdPage();
}

uint8_t PageTag::Auth0() const {
    return pages_[static_cast<size_t>(Cfg0Page())][3];
}

uint8_t PageTag::Access() const {
    return pages_[static_cast<size_t>(Cfg1Page())][0];
}

int PageTag::FirstWriteProtected() const {
    if (!Ntag() || authenticated_)
        return PageCount();
    return std::min<int>(Auth0(), PageCount());
}

int PageTag::FirstReadProtected() const {
    return Ntag() && (Access() & kProt) != 0 ? FirstWriteProtected() : PageCount();
}

bool PageTag::PageLocked(int page) const {
    const Bytes& lock = pages_[2];
    if (page < 2)
        return true;
    if (page == 2)
        return false;
    if (page < 8)
        return (lock[2] >> page & 1) != 0; // L3..L7 in bits 3..7
    if (page < 16)
        return (lock[3] >> (page - 8) & 1) != 0;
    const int dyn = DynamicLockPage();
    if (dyn < 0 || page >= dyn)
        return false;
    const int bit = (page - 16) / PagesPerDynamicLockBit();
    return bit < 16 &&
           (pages_[static_cast<size_t>(dyn)][static_cast<size_t>(bit / 8)] >> (bit % 8) & 1) != 0;
}

Reply PageTag::Read(uint8_t page) {
    const int base = sector_ * 256;
    const int global = base + page;
    if (global >= PageCount())
        return Nak(kNoTransponder);
    // A read-protected tag hides the pages from AUTH0 on until PWD_AUTH succeeded.
    const int readable = FirstReadProtected();
    if (global >= readable)
        return Nak(kNotAuthenticated);
    // Reading rolls over to the first page once the end of the readable memory is
    // reached.
    const int end = std::min({PageCount(), base + 256, readable});
    Bytes out;
    for (int i = 0; i < 4; ++i) {
        const int p = base + (global - base + i) % (end - base);
        if (ReadsAsZero(p))
            out.insert(out.end(), 4, 0x00);
        else
            out.insert(out.end(), pages_[static_cast<size_t>(p)].begin(),
                       pages_[static_cast<size_t>(p)].end());
    }
    return Reply::Ok(out);
}

Reply PageTag::Write(uint8_t page, const Bytes& data) {
    if (data.size() != 4)
        return Reply::Error(kWrongCount);
    const int p = sector_ * 256 + page;
    if (p >= PageCount())
        return Nak(kNotWritable);
    if (p >= FirstWriteProtected())
        return Nak(kNotAuthenticated);
    if (PageLocked(p))
        return Nak(kNotWritable);
    // CFGLCK freezes the configuration pages for good; PWD and PACK stay writable.
    if ((p == Cfg0Page() || p == Cfg1Page()) && (Access() & kCfgLck) != 0)
        return Nak(kNotWritable);
    Bytes& stored = pages_[static_cast<size_t>(p)];
    if (p == 2) {
        // Lock bits can only be set. Block-lock bits freeze their lock bits: bit 0 the
        // OTP lock bit, bit 1 the locks of pages 4..9, bit 2 those of pages 10..15.
        uint8_t frozen2 = 0, frozen3 = 0;
        if (stored[2] & 0x01)
            frozen2 |= 0x08;
        if (stored[2] & 0x02) {
            frozen2 |= 0xF0;
            frozen3 |= 0x03;
        }
        if (stored[2] & 0x04)
            frozen3 |= 0xFC;
        stored[2] |= static_cast<uint8_t>(data[2] & ~frozen2);
        stored[3] |= static_cast<uint8_t>(data[3] & ~frozen3);
        return Reply::Ok();
    }
    if (p == 3) {
        // One-time programmable bits: OR semantics.
        for (size_t i = 0; i < 4; ++i)
            stored[i] |= data[i];
        return Reply::Ok();
    }
    if (p == DynamicLockPage())
        return WriteDynamicLock(stored, data);
    stored = data;
    return Reply::Ok();
}

Reply PageTag::WriteDynamicLock(Bytes& stored, const Bytes& data) {
    // Lock bits (bytes 0 and 1) and block-lock bits (byte 2) can only be set. Block-lock
    // bit k freezes lock bits 2k and 2k + 1: on NTAG213 four pages, on NTAG215/216
    // 32 pages.
    unsigned frozen = 0;
    for (int k = 0; k < BlockLockBits(); ++k)
        if ((stored[2] >> k & 1) != 0)
            frozen |= 3u << (2 * k);
    const unsigned lockBits = (stored[0] | stored[1] << 8) | ((data[0] | data[1] << 8) & ~frozen);
    stored[0] = static_cast<uint8_t>(lockBits);
    stored[1] = static_cast<uint8_t>(lockBits >> 8);
    stored[2] |= data[2];
    return Reply::Ok();
}

Reply PageTag::PasswordAuth(const Bytes& password) {
    if (!Ntag() || password.size() != 4)
        return Nak(kNotAuthenticated);
    // AUTHLIM 0 means no limit; once the failed attempts reach it, PWD_AUTH is refused
    // for good, also with the right password.
    const int limit = Access() & kAuthLim;
    if (limit != 0 && failedAuth_ >= limit)
        return Nak(kNotAuthenticated);
    if (password != pages_[static_cast<size_t>(PwdPage())]) {
        ++failedAuth_;
        return Nak(kNotAuthenticated);
    }
    failedAuth_ = 0;
    authenticated_ = true;
    const Bytes& pack = pages_[static_cast<size_t>(PackPage())];
    return Reply::Ok({pack[0], pack[1]});
}

Reply PageTag::SelectSector(int sector) {
    if (kind_ != Kind::Type2 || sector < 0 || sector * 256 >= PageCount())
        return Nak(kNoTransponder);
    sector_ = sector;
    return Reply::Ok();
}

} // namespace vsim

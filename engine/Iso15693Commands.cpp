#include "engine/Iso15693Commands.h"

#include <algorithm>
#include <vorex/vorex_errors.h>

namespace vorex::iso {
namespace {

constexpr uint8_t kReaderIso = 0x20;
constexpr uint8_t kCodeInventory = 0x01;
constexpr uint8_t kCodeReadSingle = 0x20;
constexpr uint8_t kCodeWriteSingle = 0x21;
constexpr uint8_t kCodeLock = 0x22;
constexpr uint8_t kCodeReadMultiple = 0x23;
constexpr uint8_t kCodeSystemInfo = 0x2B;
constexpr uint8_t kCodeCustomInfineon = 0xA0;
constexpr uint8_t kInfineonRead = 0x10;
constexpr uint8_t kInfineonWrite = 0x30;

constexpr int kErrWrongCount = VOREX_ERR_WRONG_COUNT;
constexpr int kErrBadParameter = VOREX_ERR_BAD_PARAMETER;
constexpr int kErrBufferTooSmall = VOREX_ERR_BUFFER_TOO_SMALL;
constexpr int kErrNoTransponder = VOREX_ERR_NO_TRANSPONDER;
constexpr int kErrCollision = VOREX_ERR_COLLISION;
constexpr int kErrBlockNumber = VOREX_ERR_BLOCK_NUMBER;
constexpr int kErrSystemInfoLength = VOREX_ERR_SYSTEM_INFO_LENGTH;

// Raises the connection's timeout for one exchange and restores it afterwards.
class TimeoutScope {
public:
    TimeoutScope(CVorex_Port& port, int ms) : port_(port), saved_(port.TimeoutMs()) {
        port_.SetTimeoutMs(ms);
    }
    ~TimeoutScope() { port_.SetTimeoutMs(saved_); }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;

private:
    CVorex_Port& port_;
    int saved_;
};

std::vector<uint8_t> IsoRequest(const Prepared& p, uint8_t code) {
    std::vector<uint8_t> r{kReaderIso, static_cast<uint8_t>(p.flags & 0xFF), code};
    if (code == kCodeCustomInfineon)
        r.push_back(kInfineon);
    if ((p.flags & kAddressedFlag) != 0 && p.hasUid)
        r.insert(r.end(), p.uid.begin(), p.uid.end());
    return r;
}

bool TwoByteBlocks(const Prepared& p) {
    return p.manufacturer == kST && (p.flags & kProtocolExtension) != 0;
}

// Appends the block number; error 15 (and nothing sent) when it does not fit.
bool AppendBlock(CVorex_Port& port, std::vector<uint8_t>& request, int block, bool twoBytes) {
    const int max = twoBytes ? 0xFFFF : 0xFF;
    if (block < 0 || block > max) {
        port.SetLastError(kErrBlockNumber);
        return false;
    }
    request.push_back(static_cast<uint8_t>(block & 0xFF));
    if (twoBytes)
        request.push_back(static_cast<uint8_t>(block >> 8));
    return true;
}

bool IsoExchange(CVorex_Port& port, std::vector<uint8_t> request, std::vector<uint8_t>& out) {
    port.Transmit() = std::move(request);
    out.clear();
    return port.Exchange() && port.TakeIsoAnswer(out);
}

bool IsInfineon(const Prepared& p) {
    return (p.flags & kUseInfineon) != 0 || p.manufacturer == kInfineon;
}

bool ReadSingle(CVorex_Port& port, int block, const Prepared& p, std::vector<uint8_t>& data) {
    auto r = IsoRequest(p, kCodeReadSingle);
    if (!AppendBlock(port, r, block, TwoByteBlocks(p)))
        return false;
    return IsoExchange(port, std::move(r), data);
}

bool ReadMultiple(CVorex_Port& port, int block, int count, const Prepared& p,
                  std::vector<uint8_t>& data) {
    if (count < 1 || count > 256) {
        port.SetLastError(kErrBadParameter);
        return false;
    }
    auto r = IsoRequest(p, kCodeReadMultiple);
    if (!AppendBlock(port, r, block, TwoByteBlocks(p)))
        return false;
    r.push_back(static_cast<uint8_t>(count - 1));
    return IsoExchange(port, std::move(r), data);
}

bool InfineonRead(CVorex_Port& port, int block, const Prepared& p, std::vector<uint8_t>& data) {
    auto r = IsoRequest(p, kCodeCustomInfineon);
    r.push_back(kInfineonRead);
    if (!AppendBlock(port, r, block, false))
        return false;
    r.push_back(0x00);
    return IsoExchange(port, std::move(r), data);
}

// EM tags (or the caller's 0x800) read a single block with Read Multiple Blocks.
bool ReadsViaMultiple(const Prepared& p) {
    return (p.flags & kRaw) == 0 && ((p.flags & kReadViaMultiple) != 0 || p.manufacturer == kEM);
}

bool ReadBlockPrepared(CVorex_Port& port, int block, const Prepared& p,
                       std::vector<uint8_t>& data) {
    if ((p.flags & kRaw) != 0)
        return ReadSingle(port, block, p, data);
    if (IsInfineon(p))
        return InfineonRead(port, block, p, data);
    if (ReadsViaMultiple(p))
        return ReadMultiple(port, block, 1, p, data);
    return ReadSingle(port, block, p, data);
}

bool InventoryRound(CVorex_Port& port, uint32_t flags, uint8_t afi, int maskLength, uint64_t mask,
                    std::vector<uint8_t>& records, int& rounds) {
    ++rounds;
    std::vector<uint8_t> r{kReaderIso, static_cast<uint8_t>(flags & 0xFF), kCodeInventory};
    if ((flags & kSelectFlag) != 0)
        r.push_back(afi);
    r.push_back(static_cast<uint8_t>(maskLength));
    for (size_t i = 0; i < MaskByteCount(maskLength); ++i)
        r.push_back(static_cast<uint8_t>(mask >> (8 * i)));
    port.Transmit() = std::move(r);
    {
        TimeoutScope timeout(port, kInventoryTimeoutMs);
        if (!port.Exchange())
            return false;
    }
    std::vector<uint8_t> payload;
    if (!port.TakeAnswer(payload))
        return false;
    int error = 0;
    if (!NormalizeInventoryPayload(payload, port.Variant(), flags, error)) {
        port.SetLastError(error);
        return false;
    }
    const SlotWalk walk = WalkInventorySlots(payload.data(), payload.size(), port.Variant(),
                                             (flags & kAddressedFlag) != 0);
    for (const SlotEvent& e : walk.events) {
        if (!e.collision) {
            const auto from = payload.begin() + static_cast<std::ptrdiff_t>(e.offset);
            records.insert(records.end(), from, from + static_cast<std::ptrdiff_t>(kRecordSize));
            continue;
        }
        // Tags that collided in this slot share the mask and the slot's four bits; ask
        // again with those bits added to the mask. A collision at the deepest mask
        // cannot be told apart any further, and the round budget stops a reader that
        // reports collisions everywhere.
        if (maskLength + 4 > kMaxMaskLength || rounds >= kMaxInventoryRounds)
            continue;
        const uint64_t deeper = mask | (static_cast<uint64_t>(e.slot) << maskLength);
        InventoryRound(port, flags, afi, maskLength + 4, deeper, records, rounds);
    }
    if (walk.error != 0) {
        port.SetLastError(walk.error);
        return false;
    }
    return true;
}

// The UID of the single tag that answers a one-slot inventory.
bool OneSlotUid(CVorex_Port& port, uint32_t flags, std::array<uint8_t, 8>& uid) {
    std::vector<uint8_t> records;
    if (!Inventory(port, flags | kInventoryFlag | kAddressedFlag, records))
        return false;
    if (records.size() != kRecordSize) {
        port.SetLastError(kErrSystemInfoLength);
        return false;
    }
    std::copy(records.end() - 8, records.end(), uid.begin());
    return true;
}

// NXP ICODE SLIX-L tags report 0x2F blocks minus one; they have 8 blocks.
void CorrectNxpBlockCount(std::vector<uint8_t>& info) {
    if (info.size() == 14 && info[0] == 0x0F && info[8] == 0xE0 && info[7] == kNXP &&
        info[6] == 3 && info[13] == 3 && info[11] == 0x2F)
        info[11] = 7;
}

size_t MemorySizeIndex(uint8_t infoFlags) {
    return 9 + ((infoFlags & 0x01) != 0 ? 1 : 0) + ((infoFlags & 0x02) != 0 ? 1 : 0);
}

} // namespace

Prepared PrepareFlags(uint32_t flags, const uint8_t* uid, int uidLength) {
    Prepared p;
    p.flags = flags;
    if (uid != nullptr && uidLength == 8) {
        p.hasUid = true;
        std::copy(uid, uid + 8, p.uid.begin());
    }
    if ((flags & kRaw) != 0)
        return p;
    if (p.hasUid) {
        p.flags |= kAddressedFlag;
        p.manufacturer = p.uid[6];
    }
    if ((p.flags & kOneSubcarrier) != 0 || p.manufacturer == kFujitsu)
        p.flags &= ~static_cast<uint32_t>(kTwoSubcarriers);
    return p;
}

size_t MaskByteCount(int maskLength) {
    return maskLength <= 0 ? 0 : static_cast<size_t>((maskLength + 4) / 8);
}

bool NormalizeInventoryPayload(std::vector<uint8_t>& payload, uint8_t variant, uint32_t flags,
                               int& error) {
    error = 0;
    if (variant == 2 && payload.size() == 1) {
        const uint8_t status = payload.front();
        payload.clear();
        switch (status) {
        case 1:
            error = kErrNoTransponder;
            return false;
        case 2:
            error = kErrCollision;
            return false;
        case 8:
            error = VOREX_ERR_CHECKSUM;
            return false;
        default:
            return true;
        }
    }
    if (variant == 3 && payload.size() == 10 && flags != 0) {
        payload.insert(payload.begin(), {static_cast<uint8_t>(kRecordSize), 0x00});
    }
    return true;
}

SlotWalk WalkInventorySlots(const uint8_t* payload, size_t size, uint8_t variant, bool oneSlot) {
    SlotWalk walk;
    const int slots = oneSlot ? 1 : 16;
    size_t pos = 0;
    int slot = 0;
    for (; slot < slots; ++slot) {
        if (payload == nullptr || pos >= size)
            break;
        const size_t length = payload[pos];
        if (length == 0 || length > size - pos - 1)
            break;
        const uint8_t status = payload[pos + 1];
        const bool collision = (variant == 0 || variant == 2) ? (status & 0x0F) == 2
                               : variant == 3                 ? status == 0xCC
                                                              : false;
        if (collision) {
            if (oneSlot) {
                walk.error = kErrCollision;
                return walk;
            }
            walk.events.push_back({true, static_cast<uint8_t>(slot), 0});
        } else if ((status & 0x0F) == 0 && length == kRecordSize) {
            walk.events.push_back({false, static_cast<uint8_t>(slot), pos + 1});
        }
        pos += length + 1;
    }
    if (slot < slots)
        walk.error = kErrWrongCount;
    return walk;
}

bool Inventory(CVorex_Port& port, uint32_t flags, std::vector<uint8_t>& records) {
    if ((flags & kRaw) == 0)
        flags |= kInventoryFlag;
    int rounds = 0;
    return InventoryRound(port, flags, 0, 0, 0, records, rounds);
}

uint8_t InfineonBlocksMinusOne(uint8_t b) {
    if (b < 0x20)
        return 127;
    if (b < 0x40)
        return 63;
    if (b < 0x60)
        return 31;
    if (b < 0x80)
        return 15;
    if (b < 0xA0)
        return 255;
    return 0;
}

bool GetSystemInfo(CVorex_Port& port, const uint8_t* uidBytes, int uidLength, uint32_t flags,
                   std::vector<uint8_t>& info) {
    const Prepared p = PrepareFlags(flags, uidBytes, uidLength);
    std::array<uint8_t, 8> uid = p.uid;
    info.clear();
    if (IsInfineon(p)) {
        // my-d tags have no Get System Information: the memory follows from the UID.
        if (!p.hasUid && !OneSlotUid(port, p.flags, uid))
            return false;
        info.push_back(0x04);
        info.insert(info.end(), uid.begin(), uid.end());
        info.insert(info.end(), {InfineonBlocksMinusOne(uid[5]), 0x07, 0x00});
        return true;
    }
    if (IsoExchange(port, IsoRequest(p, kCodeSystemInfo), info)) {
        CorrectNxpBlockCount(info);
        return true;
    }
    const int failed = port.LastError();
    if (!p.hasUid && !OneSlotUid(port, p.flags, uid))
        return false;
    // Tag-it HF-I Standard and Pro have no system information: 8 blocks of 4 bytes.
    const uint8_t chip = uid[5] & 0xFE;
    if (uid[6] == kTexasInstruments && (chip == 0xC0 || chip == 0xC4)) {
        info.assign({0x04});
        info.insert(info.end(), uid.begin(), uid.end());
        info.insert(info.end(), {0x07, 0x03, 0x00});
        port.SetLastError(0);
        return true;
    }
    info.clear();
    port.SetLastError(failed);
    return false;
}

bool GetMemorySize(CVorex_Port& port, const uint8_t* uid, int uidLength, uint32_t flags,
                   int* blockCount, int* blockSize, int* manufacturer) {
    std::vector<uint8_t> info;
    if (!GetSystemInfo(port, uid, uidLength, flags, info))
        return false;
    if (info.size() > 14) {
        port.SetLastError(kErrBufferTooSmall);
        return false;
    }
    if (info.size() <= 10)
        return true;
    if (manufacturer)
        *manufacturer = info[7];
    const size_t at = MemorySizeIndex(info[0]);
    if ((info[0] & 0x04) != 0) {
        if (at + 1 < info.size() && blockCount)
            *blockCount = info[at] + 1;
        if (at + 1 < info.size() && blockSize)
            *blockSize = info[at + 1] + 1;
        return true;
    }
    if (info[7] != kST)
        return true;
    // ST tags with more than 256 blocks tell their size only with the protocol extension.
    std::vector<uint8_t> ext;
    if (!GetSystemInfo(port, uid, uidLength, flags | kProtocolExtension, ext))
        return false;
    if (ext.size() > 20) {
        port.SetLastError(kErrBufferTooSmall);
        return false;
    }
    if (ext.size() <= 10 || (ext[0] & 0x04) == 0)
        return true;
    const size_t e = MemorySizeIndex(ext[0]);
    if (e + 1 < ext.size() && blockCount)
        *blockCount = (ext[e] | ext[e + 1] << 8) + 1;
    if (e + 2 < ext.size() && blockSize)
        *blockSize = ext[e + 2] + 1;
    if (manufacturer)
        *manufacturer = ext[7];
    return true;
}

bool ReadBlock(CVorex_Port& port, int block, const uint8_t* uid, int uidLength, uint32_t flags,
               std::vector<uint8_t>& data) {
    return ReadBlockPrepared(port, block, PrepareFlags(flags, uid, uidLength), data);
}

bool ReadMultipleBlocks(CVorex_Port& port, int block, int count, const uint8_t* uid, int uidLength,
                        uint32_t flags, std::vector<uint8_t>& data) {
    return ReadMultiple(port, block, count, PrepareFlags(flags, uid, uidLength), data);
}

bool WriteBlock(CVorex_Port& port, int block, const uint8_t* data, size_t count, const uint8_t* uid,
                int uidLength, uint32_t flags) {
    Prepared p = PrepareFlags(flags, uid, uidLength);
    if (count > 0 && data == nullptr) {
        port.SetLastError(kErrBadParameter);
        return false;
    }
    const bool infineon = IsInfineon(p);
    std::vector<uint8_t> r;
    if (infineon) {
        r = IsoRequest(p, kCodeCustomInfineon);
        r.push_back(kInfineonWrite);
        if (!AppendBlock(port, r, block, false))
            return false;
        r.push_back(0x00);
    } else {
        if ((p.flags & kOptionForWriteLock) != 0 || p.manufacturer == kTexasInstruments)
            p.flags |= kOptionFlag;
        r = IsoRequest(p, kCodeWriteSingle);
        if (!AppendBlock(port, r, block, TwoByteBlocks(p)))
            return false;
    }
    if (count > 0)
        r.insert(r.end(), data, data + count);
    std::vector<uint8_t> answer;
    if (IsoExchange(port, std::move(r), answer))
        return true;
    const int failed = port.LastError();
    // Some tags program the block but their answer is lost: a block that reads back
    // equal counts as written.
    if (failed == kErrNoTransponder || (!infineon && failed == kErrBadParameter)) {
        Prepared check = p;
        check.flags &= ~static_cast<uint32_t>(kOptionFlag);
        std::vector<uint8_t> back;
        if (ReadBlockPrepared(port, block, check, back) && back.size() == count &&
            std::equal(back.begin(), back.end(), data)) {
            port.SetLastError(0);
            return true;
        }
    }
    port.SetLastError(failed);
    return false;
}

bool LockBlock(CVorex_Port& port, int block, const uint8_t* uid, int uidLength, uint32_t flags) {
    Prepared p = PrepareFlags(flags, uid, uidLength);
    if ((p.flags & kLockWithoutOption) == 0 && p.manufacturer != kNXP &&
        ((p.flags & kOptionForWriteLock) != 0 || p.manufacturer == kTexasInstruments))
        p.flags |= kOptionFlag;
    auto r = IsoRequest(p, kCodeLock);
    if (!AppendBlock(port, r, block, false))
        return false;
    std::vector<uint8_t> answer;
    if (IsoExchange(port, std::move(r), answer))
        return true;
    const int failed = port.LastError();
    // A block that is locked already is what the caller wanted. Its security status
    // comes the way the tag can read a block (EM tags have no Read Single Block).
    Prepared check = p;
    check.flags |= kOptionFlag;
    std::vector<uint8_t> status;
    const bool read = ReadsViaMultiple(check) && !IsInfineon(check)
                          ? ReadMultiple(port, block, 1, check, status)
                          : ReadSingle(port, block, check, status);
    if (read && !status.empty() && status[0] != 0) {
        port.SetLastError(0);
        return true;
    }
    port.SetLastError(failed);
    return false;
}

} // namespace vorex::iso

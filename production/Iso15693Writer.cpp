#include "production/Iso15693Writer.h"

#include <algorithm>
#include <vorex/vorex.h>

namespace vorex::production {

namespace {

constexpr int kRecordSize = 11; // slot status, response flags, DSFID, UID
constexpr int kMaxTags = 64;
constexpr unsigned kOptionForWrite = 0x400;
constexpr int kManufacturerTi = 0x07;

} // namespace

std::optional<std::vector<uint8_t>>
Iso15693Writer::Find(const std::function<bool(const std::string&)>& wanted, bool& readerGone) {
    readerGone = false;
    std::vector<uint8_t> buffer(kRecordSize * kMaxTags);
    const int n =
        VOREX_Iso15693Inventory(handle_, buffer.data(), static_cast<int>(buffer.size()), 0);
    if (n < 0) {
        readerGone = cards::iso15693::ReaderOrTagGone(VOREX_GetLastError(handle_)) &&
                     VOREX_GetLastError(handle_) != 21;
        return std::nullopt;
    }
    for (int at = 0; at + kRecordSize <= n; at += kRecordSize) {
        std::vector<uint8_t> uid(buffer.begin() + at + 3, buffer.begin() + at + kRecordSize);
        if (!wanted(UidText(Family::Iso15693, uid)))
            continue;
        tag_ = cards::iso15693::TagAddress{uid, 0};
        layout_ = {};
        chip_ = Chip{};
        return uid;
    }
    return std::nullopt;
}

std::string Iso15693Writer::Identify() {
    if (!cards::iso15693::GetLayout(handle_, tag_, layout_))
        return "no memory size (" + LastErrorText(handle_) + ")";
    if (layout_.manufacturer == kManufacturerTi) {
        // Tag-it tags act on writes and locks only with the option flag.
        tag_.flags |= kOptionForWrite;
        layout_.readFlags |= kOptionForWrite;
    }
    for (const Chip& c : job_.chips)
        if (c.lastUnit + 1 == layout_.blocks && c.unitSize == layout_.blockSize) {
            chip_ = c;
            return {};
        }
    return "a chip the job does not accept (" + std::to_string(layout_.blocks) + " blocks of " +
           std::to_string(layout_.blockSize) + " bytes)";
}

std::string Iso15693Writer::Read(int block, cards::iso15693::BlockRead& out) {
    if (!cards::iso15693::ReadBlockWithStatus(handle_, block, tag_, layout_, out))
        return "block " + std::to_string(block) + ": read refused (" + LastErrorText(handle_) + ")";
    return {};
}

std::string Iso15693Writer::CheckWritable(const TagImage& probe) {
    for (const UnitData& u : probe.units) {
        cards::iso15693::BlockRead b;
        if (std::string e = Read(u.unit, b); !e.empty())
            return e;
        if (b.locked.value_or(false))
            return "block " + std::to_string(u.unit) + " is locked";
        if (!job_.overwriteNonBlank &&
            std::any_of(b.data.begin(), b.data.end(), [](uint8_t x) { return x != 0; }))
            return "not blank: block " + std::to_string(u.unit) +
                   " holds data (the job does not allow overwriting)";
    }
    return {};
}

std::string Iso15693Writer::Write(const TagImage& image) {
    for (const UnitData& u : image.units)
        if (VOREX_Iso15693WriteBlock(handle_, u.unit, u.bytes.data(),
                                     static_cast<int>(u.bytes.size()), tag_.uid.data(),
                                     tag_.UidLength(), layout_.readFlags) != 0)
            return "block " + std::to_string(u.unit) + ": write refused (" +
                   LastErrorText(handle_) + ")";
    return {};
}

std::string Iso15693Writer::Verify(const TagImage& image) {
    for (const UnitData& u : image.units) {
        cards::iso15693::BlockRead b;
        if (std::string e = Read(u.unit, b); !e.empty())
            return e;
        if (b.data != u.bytes)
            return "block " + std::to_string(u.unit) + " reads back " +
                   cards::Hex(b.data.data(), b.data.size()) + ", written " +
                   cards::Hex(u.bytes.data(), u.bytes.size());
    }
    return {};
}

std::string Iso15693Writer::Protect(const TagImage& image) {
    if (!job_.lockAfterVerify)
        return {};
    std::vector<BlockRange> ranges = job_.iso15693.lockBlocks;
    if (ranges.empty()) // lock what the job wrote
        for (const UnitData& u : image.units)
            ranges.push_back({u.unit, u.unit});
    for (const BlockRange& r : ranges) {
        const auto result = cards::iso15693::LockBlocks(handle_, tag_, layout_, r.first, r.last);
        if (!result.refused.empty())
            return "blocks " + std::to_string(r.first) + ".." + std::to_string(r.last) + ": " +
                   result.refused;
        if (result.failedBlock >= 0)
            return "block " + std::to_string(result.failedBlock) + ": lock refused (error " +
                   std::to_string(result.error) + ")";
    }
    // The locks must read back.
    for (const BlockRange& r : ranges)
        for (int block = r.first; block <= r.last; ++block) {
            cards::iso15693::BlockRead b;
            if (std::string e = Read(block, b); !e.empty())
                return e;
            if (b.locked && !*b.locked)
                return "block " + std::to_string(block) + " reads back unlocked after its lock";
        }
    return {};
}

bool Iso15693Writer::StillThere() {
    int blocks = 0;
    return VOREX_Iso15693GetMemorySize(handle_, tag_.uid.data(), tag_.UidLength(), &blocks, nullptr,
                                       nullptr, 0) == 0;
}

} // namespace vorex::production

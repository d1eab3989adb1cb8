#include "production/ClassicWriter.h"

#include "cards/AccessConditions.h"
#include "production/CardBinding.h"

#include <algorithm>
#include <vorex/vorex.h>

namespace vorex::production {

namespace {

int SectorOf(int block) {
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}

int TrailerOf(int sector) {
    return ClassicFirstBlock(sector) + ClassicBlocksInSector(sector) - 1;
}

} // namespace

std::optional<std::vector<uint8_t>>
ClassicWriter::Find(const std::function<bool(const std::string&)>& wanted, bool& readerGone) {
    const auto card = FindCard(handle_, Family::Classic, wanted, readerGone);
    if (!card)
        return std::nullopt;
    uid_ = card->uid;
    sak_ = card->sak;
    chip_ = Chip{};
    return uid_;
}

std::string ClassicWriter::Open(int block, const cards::Key& key) {
    if (!cards::mifare::AuthenticateActive(handle_, block, {0, 0, key}))
        return "sector " + std::to_string(SectorOf(block)) + " does not open with Key A " +
               cards::Hex(key.data(), key.size()) + " (" + LastErrorText(handle_) + ")";
    return {};
}

std::string ClassicWriter::ReadBlock(int block, std::vector<uint8_t>& out) {
    out.assign(16, 0);
    if (VOREX_MifareReadBlock(handle_, block, out.data(), 16) != 16)
        return "block " + std::to_string(block) + ": read refused (" + LastErrorText(handle_) + ")";
    return {};
}

std::set<int> ClassicWriter::Sectors(const TagImage& image) const {
    std::set<int> sectors;
    for (const UnitData& u : image.units)
        sectors.insert(SectorOf(u.unit));
    for (const ClassicSector& s : job_.classicSectors)
        sectors.insert(s.sector);
    return sectors;
}

std::string ClassicWriter::Identify() {
    const char* name = sak_ == 0x08   ? "MIFARE_CLASSIC_1K"
                       : sak_ == 0x18 ? "MIFARE_CLASSIC_4K"
                       : sak_ == 0x09 ? "MIFARE_CLASSIC_MINI"
                                      : nullptr;
    for (const Chip& c : job_.chips)
        if (name && std::string(c.name) == name) {
            chip_ = c;
            return {};
        }
    char sak[8];
    std::snprintf(sak, sizeof sak, "%02X", sak_);
    return std::string("a chip the job does not accept (SAK ") + sak + ")";
}

std::string ClassicWriter::CheckWritable(const TagImage& probe) {
    for (int sector : Sectors(probe)) {
        if (sector > chip_.lastUnit)
            return "the card has no sector " + std::to_string(sector);
        if (std::string e = Open(ClassicFirstBlock(sector), job_.classicTransportKey); !e.empty())
            return e;
        if (job_.overwriteNonBlank)
            continue;
        for (const UnitData& u : probe.units) {
            if (SectorOf(u.unit) != sector)
                continue;
            std::vector<uint8_t> bytes;
            if (std::string e = ReadBlock(u.unit, bytes); !e.empty())
                return e;
            if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; }))
                return "not blank: block " + std::to_string(u.unit) +
                       " holds data (the job does not allow overwriting)";
        }
    }
    return {};
}

std::string ClassicWriter::EachBlock(const TagImage& image,
                                     const std::function<std::string(const UnitData&)>& step) {
    if (std::string e = RebindCard(handle_, Family::Classic, uid_); !e.empty())
        return e;
    int open = -1;
    for (const UnitData& u : image.units) {
        if (SectorOf(u.unit) != open) {
            if (std::string e = Open(u.unit, job_.classicTransportKey); !e.empty())
                return e;
            open = SectorOf(u.unit);
        }
        if (std::string e = step(u); !e.empty())
            return e;
    }
    return {};
}

std::string ClassicWriter::Write(const TagImage& image) {
    return EachBlock(image, [this](const UnitData& u) -> std::string {
        if (VOREX_MifareWriteBlock(handle_, u.unit, u.bytes.data(), 16) != 0)
            return "block " + std::to_string(u.unit) + ": write refused (" +
                   LastErrorText(handle_) + ")";
        return {};
    });
}

std::string ClassicWriter::Verify(const TagImage& image) {
    return EachBlock(image, [this](const UnitData& u) -> std::string {
        std::vector<uint8_t> bytes;
        if (std::string e = ReadBlock(u.unit, bytes); !e.empty())
            return e;
        if (bytes != u.bytes)
            return "block " + std::to_string(u.unit) + " reads back " +
                   cards::Hex(bytes.data(), 16) + ", written " + cards::Hex(u.bytes.data(), 16);
        return {};
    });
}

std::string ClassicWriter::Protect(const TagImage&) {
    for (const ClassicSector& s : job_.classicSectors) {
        const int trailer = TrailerOf(s.sector);
        if (std::string e = Open(trailer, job_.classicTransportKey); !e.empty())
            return e;
        std::vector<uint8_t> bytes(s.keyA.begin(), s.keyA.end());
        const auto access = cards::mifare::EncodeAccessBytes(s.access);
        bytes.insert(bytes.end(), access.begin(), access.end());
        bytes.push_back(s.userByte);
        bytes.insert(bytes.end(), s.keyB.begin(), s.keyB.end());
        if (VOREX_MifareWriteBlock(handle_, trailer, bytes.data(), 16) != 0)
            return "sector " + std::to_string(s.sector) + ": trailer write refused (" +
                   LastErrorText(handle_) + ")";
        // The new Key A must open the sector, and the access bytes read as written.
        std::vector<uint8_t> back;
        if (std::string e = Open(trailer, s.keyA); !e.empty())
            return "after its trailer was written, " + e;
        if (std::string e = ReadBlock(trailer, back); !e.empty())
            return e;
        if (!std::equal(access.begin(), access.end(), back.begin() + 6))
            return "sector " + std::to_string(s.sector) + ": access bytes read back " +
                   cards::Hex(back.data() + 6, 3) + ", written " +
                   cards::Hex(access.data(), access.size());
    }
    return {};
}

bool ClassicWriter::StillThere() {
    return RebindCard(handle_, Family::Classic, uid_).empty();
}

} // namespace vorex::production

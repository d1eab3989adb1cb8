#include "production/NtagWriter.h"

#include "production/CardBinding.h"

#include "cards/Type2Tag.h"

#include <algorithm>
#include <vorex/vorex.h>
#include <vorex/vorex_errors.h>

namespace vorex::production {

namespace {

// The data area size byte of the capability container (page 3, byte 2) per chip.
int AnnouncedSize(const std::string& chip) {
    static const std::pair<const char*, int> sizes[] = {{"NTAG210", 0x06},
                                                        {"NTAG212", 0x10},
                                                        {"NTAG213", 0x12},
                                                        {"NTAG215", 0x3E},
                                                        {"NTAG216", 0x6D}};
    for (const auto& [name, size] : sizes)
        if (chip == name)
            return size;
    return -1;
}

bool AllZero(const uint8_t* bytes, size_t count) {
    return std::all_of(bytes, bytes + count, [](uint8_t b) { return b == 0; });
}

// Page 4 of a tag delivered for NFC holds an empty NDEF message: no data.
bool Blank(int page, const uint8_t* bytes) {
    if (page == 4 && bytes[0] == 0x03 && bytes[1] == 0x00)
        return bytes[2] == 0xFE || bytes[2] == 0x00;
    return AllZero(bytes, 4);
}

// Static lock bit of pages 3..15 in page 2 bytes 2 and 3.
bool StaticLocked(const uint8_t* page2, int page) {
    if (page < 3 || page > 15)
        return false;
    return page < 8 ? page2[2] >> page & 1 : page2[3] >> (page - 8) & 1;
}

// The dynamic lock page (before CFG0) of chips with more than 16 pages, else 0.
int DynamicLockPage(const Chip& chip) {
    return chip.lastUnit >= 16 && chip.configPage > 0 ? chip.configPage - 1 : 0;
}

} // namespace

std::optional<std::vector<uint8_t>>
NtagWriter::Find(const std::function<bool(const std::string&)>& wanted, bool& readerGone) {
    const auto card = FindCard(handle_, Family::Ntag, wanted, readerGone);
    if (!card)
        return std::nullopt;
    uid_ = card->uid;
    chip_ = Chip{};
    return uid_;
}

std::string NtagWriter::Rebind() {
    return RebindCard(handle_, Family::Ntag, uid_);
}

std::string NtagWriter::ReadGroup(int page, std::vector<uint8_t>& out) {
    out.assign(16, 0);
    if (VOREX_MifareReadBlock(handle_, page, out.data(), 16) != 16)
        return "page " + std::to_string(page) + ": read refused (" + LastErrorText(handle_) + ")";
    return {};
}

std::string NtagWriter::WritePage(int page, const std::vector<uint8_t>& bytes) {
    if (VOREX_MifareWriteBlock(handle_, page, bytes.data(), 4) != 0)
        return "page " + std::to_string(page) + ": write refused (" + LastErrorText(handle_) + ")";
    return {};
}

std::string NtagWriter::Identify() {
    if (uid_.size() != 7)
        return "not an NFC Type 2 tag (UID of " + std::to_string(uid_.size()) + " bytes)";
    std::vector<uint8_t> head; // pages 0..3: UID, static lock bytes, capability container
    if (std::string e = ReadGroup(0, head); !e.empty())
        return e;
    const uint8_t* cc = head.data() + 12;
    std::optional<Chip> found;
    for (const Chip& c : job_.chips) {
        const int size = AnnouncedSize(c.name);
        if ((size >= 0 && cc[0] == 0xE1 && cc[2] == size) ||
            (size < 0 && std::string(c.name) == "ULTRALIGHT" && cc[0] != 0xE1))
            found = c;
        if (found)
            break;
    }
    if (!found) {
        char text[16];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X", cc[0], cc[1], cc[2], cc[3]);
        return std::string("a chip the job does not accept (capability container ") + text + ")";
    }
    chip_ = *found;
    return {};
}

std::string NtagWriter::CheckWritable(const TagImage& image) {
    // One read per four pages, from the first page the job writes.
    std::vector<uint8_t> head;
    if (std::string e = ReadGroup(0, head); !e.empty())
        return e;
    for (const UnitData& u : image.units)
        if (StaticLocked(head.data() + 8, u.unit))
            return "page " + std::to_string(u.unit) + " is locked";
    if (job_.overwriteNonBlank)
        return {};
    return EachPageRead(image, [](const UnitData& u, const uint8_t* read) -> std::string {
        if (!Blank(u.unit, read))
            return "not blank: page " + std::to_string(u.unit) +
                   " holds data (the job does not allow overwriting)";
        return {};
    });
}

std::string
NtagWriter::EachPageRead(const TagImage& image,
                         const std::function<std::string(const UnitData&, const uint8_t*)>& step) {
    int readFrom = -1;
    std::vector<uint8_t> group;
    for (const UnitData& u : image.units) {
        if (readFrom < 0 || u.unit >= readFrom + 4) {
            readFrom = u.unit;
            if (std::string e = ReadGroup(readFrom, group); !e.empty())
                return e;
        }
        if (std::string e = step(u, group.data() + 4 * (u.unit - readFrom)); !e.empty())
            return e;
    }
    return {};
}

std::string NtagWriter::Write(const TagImage& image) {
    // The tag may have been swapped while the serial was allocated.
    if (std::string e = Rebind(); !e.empty())
        return e;
    for (const UnitData& u : image.units)
        if (std::string e = WritePage(u.unit, u.bytes); !e.empty())
            return e;
    return {};
}

std::string NtagWriter::Verify(const TagImage& image) {
    if (std::string e = Rebind(); !e.empty())
        return e;
    return EachPageRead(image, [](const UnitData& u, const uint8_t* read) -> std::string {
        if (!std::equal(u.bytes.begin(), u.bytes.end(), read))
            return "page " + std::to_string(u.unit) + " reads back " + cards::Hex(read, 4) +
                   ", written " + cards::Hex(u.bytes.data(), 4);
        return {};
    });
}

std::string NtagWriter::Protect(const TagImage&) {
    if (const auto& p = job_.ntagProtection) {
        if (chip_.configPage <= 0)
            return std::string(chip_.name) + " has no password";
        const int cfg0 = chip_.configPage;
        std::vector<uint8_t> cfg; // CFG0, CFG1 (PWD and PACK read as zeros)
        if (std::string e = ReadGroup(cfg0, cfg); !e.empty())
            return e;
        std::vector<uint8_t> page0(cfg.begin(), cfg.begin() + 4);
        std::vector<uint8_t> page1(cfg.begin() + 4, cfg.begin() + 8);
        page0[3] = static_cast<uint8_t>(p->auth0);
        page1[0] = static_cast<uint8_t>(p->protectReads ? page1[0] | 0x80 : page1[0] & 0x7F);
        // The password first, the protection it opens last.
        for (const auto& [page, bytes] :
             {std::pair{cfg0 + 2, std::vector<uint8_t>(p->password.begin(), p->password.end())},
              std::pair{cfg0 + 3, std::vector<uint8_t>{p->pack[0], p->pack[1], 0, 0}},
              std::pair{cfg0 + 1, page1}, std::pair{cfg0, page0}})
            if (std::string e = WritePage(page, bytes); !e.empty())
                return e;
        // The password must open the tag, and the configuration must read as written.
        if (std::string e = Rebind(); !e.empty())
            return e;
        if (!cards::type2::Unlock(handle_, p->password))
            return "the password just written does not open the tag (" + LastErrorText(handle_) +
                   ")";
        if (std::string e = ReadGroup(cfg0, cfg); !e.empty())
            return e;
        if (!std::equal(page0.begin(), page0.end(), cfg.begin()) ||
            !std::equal(page1.begin(), page1.end(), cfg.begin() + 4))
            return "the configuration pages read back " + cards::Hex(cfg.data(), 8) + ", written " +
                   cards::Hex(page0.data(), 4) + cards::Hex(page1.data(), 4);
    }
    return job_.lockAfterVerify ? LockPages() : std::string();
}

std::string NtagWriter::LockPages() {
    std::vector<uint8_t> head;
    if (std::string e = ReadGroup(0, head); !e.empty())
        return e;
    // Read-only in the capability container (one-time programmable: bits are ORed in),
    // then the static lock bits of pages 3..15.
    if (head[12] == 0xE1) {
        std::vector<uint8_t> cc(head.begin() + 12, head.end());
        cc[3] = 0x0F;
        if (std::string e = WritePage(3, cc); !e.empty())
            return e;
    }
    if (std::string e = WritePage(2, {head[8], head[9], 0xFF, 0xFF}); !e.empty())
        return e;
    std::vector<uint8_t> dynamic;
    const int dyn = DynamicLockPage(chip_);
    if (dyn > 0) {
        const int perBit = chip_.lastUnit < 64 ? 2 : 16;
        const int bits = (chip_.lastUnit - 16 + perBit) / perBit;
        dynamic = {0, 0, 0, 0};
        for (int b = 0; b < bits && b < 16; ++b)
            dynamic[static_cast<size_t>(b / 8)] |= static_cast<uint8_t>(1 << (b % 8));
        if (std::string e = WritePage(dyn, dynamic); !e.empty())
            return e;
    }
    // The lock bits must read back set.
    if (std::string e = ReadGroup(0, head); !e.empty())
        return e;
    if (head[10] != 0xFF || head[11] != 0xFF)
        return "the static lock bytes read back " + cards::Hex(head.data() + 10, 2);
    if (dyn > 0) {
        std::vector<uint8_t> back;
        if (std::string e = ReadGroup(dyn, back); !e.empty())
            return e;
        if ((back[0] & dynamic[0]) != dynamic[0] || (back[1] & dynamic[1]) != dynamic[1])
            return "the dynamic lock bytes read back " + cards::Hex(back.data(), 3);
    }
    return {};
}

bool NtagWriter::StillThere() {
    return RebindCard(handle_, Family::Ntag, uid_).empty();
}

} // namespace vorex::production

#include "production/TagImage.h"

#include "production/NdefMessage.h"

#include <map>

namespace vorex::production {

namespace {

TagImage Fail(std::string path, std::string error) {
    TagImage image;
    image.path = std::move(path);
    image.error = std::move(error);
    return image;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& out) {
    if (text.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]);
        int lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return true;
}

// Whether the job may write `unit` of this chip.
bool Writable(const Chip& chip, int unit) {
    if (chip.family != Family::Classic)
        return unit >= chip.firstUnit && unit <= chip.lastUnit;
    if (unit <= 0 || unit >= ClassicFirstBlock(chip.lastUnit + 1))
        return false;
    int sector = unit < 128 ? unit / 4 : 32 + (unit - 128) / 16;
    return unit != ClassicFirstBlock(sector) + ClassicBlocksInSector(sector) - 1;
}

class Layout {
public:
    explicit Layout(const Chip& chip) : chip_(chip) {}

    // Places `bytes` from `unit` on; an error names the unit that cannot be written.
    std::string Place(int unit, std::vector<uint8_t> bytes) {
        if (bytes.empty())
            return "writes no bytes";
        size_t size = static_cast<size_t>(chip_.unitSize);
        bytes.resize((bytes.size() + size - 1) / size * size, 0);
        for (size_t at = 0; at < bytes.size(); at += size, ++unit) {
            if (!Writable(chip_, unit))
                return "needs " + UnitName() + " " + std::to_string(unit) + ", which " +
                       chip_.name + " does not let a job write";
            if (units_.count(unit))
                return UnitName() + " " + std::to_string(unit) + " is written twice";
            units_[unit].assign(bytes.begin() + static_cast<long>(at),
                                bytes.begin() + static_cast<long>(at + size));
        }
        return {};
    }

    std::vector<UnitData> Units() const {
        std::vector<UnitData> out;
        for (const auto& [unit, bytes] : units_)
            out.push_back({unit, bytes});
        return out;
    }

private:
    std::string UnitName() const { return chip_.family == Family::Ntag ? "page" : "block"; }

    const Chip& chip_;
    std::map<int, std::vector<uint8_t>> units_;
};

} // namespace

TagImage BuildImage(const Job& job, const Chip& chip, const TagValues& tag) {
    Layout layout(chip);
    if (!job.ndef.empty()) {
        std::vector<ndef::OutRecord> records;
        for (size_t i = 0; i < job.ndef.size(); ++i) {
            const NdefItem& item = job.ndef[i];
            std::string path =
                "$.content.ndef[" + std::to_string(i) + "]." + (item.isUri ? "uri" : "text");
            Expansion e = Expand(item.templ, job.serial, tag);
            if (!e.ok)
                return Fail(path, e.error);
            ndef::OutRecord r;
            r.isUri = item.isUri;
            (item.isUri ? r.uri.uri : r.text.text) = e.text;
            r.text.language = item.language;
            records.push_back(std::move(r));
        }
        std::vector<uint8_t> tlv = ndef::WrapTlv(ndef::EncodeMessage(records));
        int first = chip.firstUnit;
        if (chip.family == Family::Iso15693) {
            // NFC Type 5 capability container in block 0, the message from block 1 on.
            int dataBytes = (chip.lastUnit + 1) * chip.unitSize;
            layout.Place(0, {0xE1, 0x40, static_cast<uint8_t>(dataBytes / 8), 0x00});
            first = 1;
        }
        std::string error = layout.Place(first, tlv);
        if (!error.empty())
            return Fail("$.content.ndef", "the message of " + std::to_string(tlv.size()) +
                                              " bytes does not fit: it " + error);
    }
    for (const RawItem& item : job.raw) {
        Expansion e = Expand(item.templ, job.serial, tag);
        if (!e.ok)
            return Fail(item.path + (item.hex ? ".hex" : ".text"), e.error);
        std::vector<uint8_t> bytes;
        if (!item.hex)
            bytes.assign(e.text.begin(), e.text.end());
        else if (!ParseHex(e.text, bytes))
            return Fail(item.path + ".hex",
                        "\"" + e.text + "\" is not an even number of hex digits");
        std::string error = layout.Place(item.unit, std::move(bytes));
        if (!error.empty())
            return Fail(item.path, "the content " + error);
    }
    TagImage image;
    image.ok = true;
    image.units = layout.Units();
    return image;
}

} // namespace vorex::production

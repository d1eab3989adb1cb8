#pragma once
// The production steps for MIFARE Classic cards: the chip from the SAK, each sector
// opened with the job's transport key, blank check, block writes, read-back, then the
// job's sector trailers (keys, access conditions, user byte), each checked by opening
// the sector with its new key.
#include "production/TagWriter.h"

#include <set>

namespace vorex::production {

class ClassicWriter : public TagWriter {
public:
    ClassicWriter(int handle, const Job& job) : handle_(handle), job_(job) {}

    std::optional<std::vector<uint8_t>> Find(const std::function<bool(const std::string&)>& wanted,
                                             bool& readerGone) override;
    std::string Identify() override;
    std::string CheckWritable(const TagImage& probe) override;
    std::string Write(const TagImage& image) override;
    std::string Verify(const TagImage& image) override;
    std::string Protect(const TagImage& image) override;
    bool StillThere() override;

private:
    // Selects the bound card again and runs `step` on each unit of the image, its
    // sector opened with the transport key.
    std::string EachBlock(const TagImage& image,
                          const std::function<std::string(const UnitData&)>& step);
    // Opens the sector of `block` with `key` as Key A (the card is active).
    std::string Open(int block, const cards::Key& key);
    std::string ReadBlock(int block, std::vector<uint8_t>& out);
    // The sectors the image or the job's trailers touch.
    std::set<int> Sectors(const TagImage& image) const;

    int handle_;
    const Job& job_;
    std::vector<uint8_t> uid_;
    uint8_t sak_ = 0;
};

} // namespace vorex::production

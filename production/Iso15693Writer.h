#pragma once
// The production steps for ISO 15693 tags: every request addressed to the bound tag's
// UID, the chip from its block count and size, blank check with the blocks' lock
// state, block writes, read-back, and the job's lock ranges.
#include "cards/Iso15693Tag.h"
#include "production/TagWriter.h"

namespace vorex::production {

class Iso15693Writer : public TagWriter {
public:
    Iso15693Writer(int handle, const Job& job) : handle_(handle), job_(job) {}

    std::optional<std::vector<uint8_t>> Find(const std::function<bool(const std::string&)>& wanted,
                                             bool& readerGone) override;
    std::string Identify() override;
    std::string CheckWritable(const TagImage& probe) override;
    std::string Write(const TagImage& image) override;
    std::string Verify(const TagImage& image) override;
    std::string Protect(const TagImage& image) override;
    bool StillThere() override;

private:
    std::string Read(int block, cards::iso15693::BlockRead& out);

    int handle_;
    const Job& job_;
    cards::iso15693::TagAddress tag_;
    cards::iso15693::Layout layout_;
};

} // namespace vorex::production

#pragma once
// The production steps for NFC Type 2 tags (NTAG21x, MIFARE Ultralight): chip from the
// capability container, blank check, page writes, read-back in groups of four pages,
// NTAG password (PWD, PACK, then ACCESS and AUTH0), static and dynamic lock bits.
#include "production/TagWriter.h"

namespace vorex::production {

class NtagWriter : public TagWriter {
public:
    NtagWriter(int handle, const Job& job) : handle_(handle), job_(job) {}

    std::optional<std::vector<uint8_t>> Find(const std::function<bool(const std::string&)>& wanted,
                                             bool& readerGone) override;
    std::string Identify() override;
    std::string CheckWritable(const TagImage& probe) override;
    std::string Write(const TagImage& image) override;
    std::string Verify(const TagImage& image) override;
    std::string Protect(const TagImage& image) override;
    bool StillThere() override;

private:
    // Selects the card again; "" when it is the bound one.
    std::string Rebind();
    // Four pages from `page` on; "" or why not.
    std::string ReadGroup(int page, std::vector<uint8_t>& out);
    std::string WritePage(int page, const std::vector<uint8_t>& bytes);
    // Reads the image's pages four at a time and runs `step` on each with what it reads.
    std::string
    EachPageRead(const TagImage& image,
                 const std::function<std::string(const UnitData&, const uint8_t*)>& step);
    std::string LockPages();

    int handle_;
    const Job& job_;
    std::vector<uint8_t> uid_;
};

} // namespace vorex::production

#pragma once
// A dump file's content, whatever format it came in: the memory model of one tag
// family, every byte known or unknown. The writers count the unknown bytes a format
// cannot mark (a lossy export) and the callers refuse them unless a fill byte is given.
#include "cards/ClassicMemory.h"
#include "cards/Iso15693Memory.h"
#include "cards/PageMemory.h"

#include <optional>
#include <string>
#include <variant>

namespace vorex::dumpfiles {

using cards::MaybeByte;
using cards::iso15693::Iso15693Memory;
using cards::mifare::ClassicMemory;
using cards::type2::PageMemory;

using TagDump = std::variant<ClassicMemory, PageMemory, Iso15693Memory>;

// "mifare-classic", "ultralight", "iso15693".
std::string FamilyName(const TagDump& dump);

// Hands out the byte a writer puts into the file: the known value, or for an unknown
// byte the fill byte (0 when none is given), counting how many were filled.
class Filler {
public:
    explicit Filler(std::optional<uint8_t> fill = std::nullopt) : fill_(fill) {}
    uint8_t operator()(const MaybeByte& b) {
        if (b)
            return *b;
        ++filled_;
        return fill_.value_or(0);
    }
    // Counts `count` unknown bytes a writer fills in (a missing signature, lock state).
    void Missing(size_t count) { filled_ += count; }
    size_t Filled() const { return filled_; }
    uint8_t FillByte() const { return fill_.value_or(0); }

private:
    std::optional<uint8_t> fill_;
    size_t filled_ = 0;
};

} // namespace vorex::dumpfiles

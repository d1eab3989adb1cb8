#include "cards/PageMemory.h"

#include <utility>

namespace vorex::cards::type2 {

std::optional<std::vector<uint8_t>> PageMemory::Uid() const {
    const auto p = Values(bytes, 0, 8);
    if (!p)
        return std::nullopt;
    return std::vector<uint8_t>{(*p)[0], (*p)[1], (*p)[2], (*p)[4], (*p)[5], (*p)[6], (*p)[7]};
}

bool UidCheckBytesFit(const uint8_t* p) {
    return (0x88 ^ p[0] ^ p[1] ^ p[2]) == p[3] && (p[4] ^ p[5] ^ p[6] ^ p[7]) == p[8];
}

namespace {
const std::pair<const char*, size_t> kTypes[] = {
    {"Mifare Ultralight", 16},
    {"Mifare Ultralight 11", 20},
    {"Mifare Ultralight 21", 41},
    {"NTAG203", 42},
    {"NTAG213", 45},
    {"NTAG215", 135},
    {"NTAG216", 231},
    {"NTAG I2C 1K", 231},
    {"NTAG I2C 2K", 485},
    {"NTAG I2C Plus 1K", 236},
    {"NTAG I2C Plus 2K", 492},
};
}

std::string TypeForPages(size_t pages) {
    for (const auto& [name, count] : kTypes)
        if (count == pages)
            return name;
    return "";
}

std::string TypeForTagName(const std::string& name, size_t pages) {
    if (name.rfind("ntag", 0) == 0)
        return "NTAG" + name.substr(4);
    if (name == "ultralight")
        return "Mifare Ultralight";
    return TypeForPages(pages);
}

size_t PagesOfType(const std::string& type) {
    for (const auto& [name, count] : kTypes)
        if (type == name)
            return count;
    return 0;
}

} // namespace vorex::cards::type2

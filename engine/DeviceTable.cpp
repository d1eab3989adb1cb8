#include "engine/DeviceTable.h"

#include <cstdio>

namespace vorex {
namespace {

struct Row {
    uint32_t code;
    const char* name;
};

// In lookup order; the first row with the code names it.
constexpr Row kDeviceTypes[] = {
    {0x117, "VX-P5u"},    {0x121, "VX-C71"},   {0x122, "VX-A71 PS/2"}, {0x123, "VX-B71 PS/2"},
    {0x124, "VX-A71"},    {0x125, "VX-B71"},   {0x131, "VX-C72"},      {0x134, "VX-A72"},
    {0x135, "VX-B72"},    {0x141, "VX-C73"},   {0x144, "VX-A73"},      {0x145, "VX-B73"},
    {0x151, "VX-D74BT"},  {0x154, "VX-E74BT"}, {0x155, "VX-F74BT"},    {0x161, "VX-C75"},
    {0x164, "VX-A75"},    {0x165, "VX-B75"},   {0x171, "VX-C71 (V2)"}, {0x181, "VX-C72"},
    {0x184, "VX-A72"},    {0x185, "VX-B72"},   {0x191, "VX-C76/79"},   {0x194, "VX-A76/79"},
    {0x195, "VX-B76/79"}, {0x401, "VX-C770"},  {0x404, "VX-A770"},     {0x405, "VX-B770"},
    {0x411, "VX-C781"},   {0x414, "VX-A781"},  {0x415, "VX-B781"},     {0x421, "VX-C780"},
    {0x435, "VX-G10HF"},  {0x451, "VX-C790"},  {0x454, "VX-A790"},     {0x455, "VX-B790"},
};
static_assert(sizeof kDeviceTypes / sizeof kDeviceTypes[0] == 36);

} // namespace

std::string DeviceName(uint32_t deviceType) {
    for (const Row& row : kDeviceTypes)
        if (row.code == deviceType)
            return row.name;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "VX-#%03X", deviceType);
    return buffer;
}

uint8_t RevisionFromChar(uint8_t c) {
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'Z')
        return static_cast<uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'z')
        return static_cast<uint8_t>(c - 'a' + 36);
    return 255;
}

} // namespace vorex

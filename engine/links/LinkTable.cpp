#include "LinkTable.h"

#include "serial/SerialLink.h"

namespace vorex::links {
namespace {

// Serial handles are the small numbers from 1 up; the HID (10001), LAN (20001) and
// Bluetooth links take their own ranges when they join.
constexpr LinkEntry kLinks[] = {
    {LinkKind::Serial, 1, OpenSerialLink},
};

} // namespace

const LinkEntry* FindLink(LinkKind kind) {
    for (const auto& entry : kLinks)
        if (entry.kind == kind)
            return &entry;
    return nullptr;
}

} // namespace vorex::links

#include "LinkTable.h"

#include "lan/LanLink.h"
#include "serial/SerialLink.h"

namespace vorex::links {
namespace {

// Serial handles are the small numbers from 1 up, LAN handles from 20001; the HID
// (10001) and Bluetooth links take their own ranges when they join.
constexpr LinkEntry kLinks[] = {
    {LinkKind::Serial, 1, OpenSerialLink},
    {LinkKind::Lan, 20001, OpenLanLink},
};

} // namespace

const LinkEntry* FindLink(LinkKind kind) {
    for (const auto& entry : kLinks)
        if (entry.kind == kind)
            return &entry;
    return nullptr;
}

} // namespace vorex::links

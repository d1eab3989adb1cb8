#include "LinkTable.h"

#include "bluetooth/BluetoothReaderLink.h"
#include "lan/LanLink.h"
#include "serial/SerialLink.h"

namespace vorex::links {
namespace {

// Serial handles are the small numbers from 1 up, LAN handles from 20001, Bluetooth
// handles from 30001; the HID link (10001) takes its range when it joins.
constexpr LinkEntry kLinks[] = {
    {LinkKind::Serial, 1, OpenSerialLink},
    {LinkKind::Lan, 20001, OpenLanLink},
    {LinkKind::Bluetooth, 30001, OpenBluetoothLink},
};

} // namespace

const LinkEntry* FindLink(LinkKind kind) {
    for (const auto& entry : kLinks)
        if (entry.kind == kind)
            return &entry;
    return nullptr;
}

} // namespace vorex::links

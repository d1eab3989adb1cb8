#include "engine/links/LinkTable.h"

#include "engine/links/bluetooth/BluetoothReaderLink.h"
#include "engine/links/hid/HidLink.h"
#include "engine/links/lan/LanLink.h"
#include "engine/links/serial/SerialLink.h"

namespace vorex::links {
namespace {

// Serial handles are the small numbers from 1 up, HID handles from 10001, LAN handles
// from 20001, Bluetooth handles from 30001. FTDI readers are serial links (an FTDI
// serial number as the port name).
constexpr LinkEntry kLinks[] = {
    {LinkKind::Serial, 1, OpenSerialLink},
    {LinkKind::Hid, 10001, OpenHidLink},
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

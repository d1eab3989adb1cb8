// The VOREX_ calls for Bluetooth readers: adapter list, device search and connect.
#include "engine/ApiSupport.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/bluetooth/BluetoothLink.h"
#include <vorex/vorex.h>

#include <algorithm>

namespace {

using vorex::links::bt::CBluetoothLink;

// The open connection of the handle, when it runs over Bluetooth.
CBluetoothLink* BluetoothOf(const std::shared_ptr<CVorex_Port>& port) {
    return port && port->Link() ? port->Link()->Bluetooth() : nullptr;
}

} // namespace

extern "C" {

int VOREX_ListBluetoothPorts(char* buffer, int capacity) {
    return vorex::WriteNameList(CBluetoothLink::ListBluetoothAdapters(), buffer, capacity);
}

int VOREX_SearchBluetooth(int handle, unsigned char* buffer, int capacity, int timeoutMs,
                          unsigned filter) {
    auto port = VorexEngine().Find(handle);
    CBluetoothLink* link = BluetoothOf(port);
    if (!link || timeoutMs < 0 || (buffer == nullptr && capacity > 0))
        return -1;
    return link->SearchBluetoothDevices(buffer, capacity < 0 ? 0 : static_cast<size_t>(capacity),
                                        static_cast<uint32_t>(timeoutMs), filter);
}

int VOREX_ConnectBluetooth(int handle, const unsigned char* address, int parameter, int timeoutMs) {
    auto port = VorexEngine().Find(handle);
    CBluetoothLink* link = BluetoothOf(port);
    if (!link || address == nullptr || timeoutMs < 0)
        return -1;
    vorex::links::bt::Address a;
    std::copy_n(address, a.size(), a.begin());
    const int result = link->ConnectBluetoothDevice(a, static_cast<uint8_t>(parameter),
                                                    static_cast<uint32_t>(timeoutMs));
    if (result == 0)
        return 1;
    port->SetLastError(result == -1 ? 1 : result);
    return 0;
}

} // extern "C"

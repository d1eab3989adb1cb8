#pragma once
// The Bluetooth link kind at the reader-link seam: a polled CBluetoothLink.
#include "engine/links/ReaderLink.h"

namespace vorex::links {

// Opens the adapter a "... BT" name selects. The connection is not identified: the
// reader is reached only once a device was chosen and connected
// (VOREX_SearchBluetooth, VOREX_ConnectBluetooth). Null with openResult -1 when the
// adapter does not open.
std::unique_ptr<ReaderLink> OpenBluetoothLink(const LinkRequest& request, ReceiveSink& sink,
                                              int& openResult);

} // namespace vorex::links

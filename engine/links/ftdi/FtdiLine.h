#pragma once
// The device control block an FTDI device gets for a serial line setting, filled as
// the OS would fill it from "baud=%d parity=%c data=%d stop=%d" plus the handshake.
#include "engine/links/ftdi/FTD2xxApi.h"
#include "engine/links/serial/LineSettings.h"

namespace vorex::links {

// Changes the line fields of `dcb` (read from the device first) to `line`.
void FillFtdiDcb(vorex::ftdi::FTDCB& dcb, const LineSettings& line);

} // namespace vorex::links

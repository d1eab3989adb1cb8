#pragma once
// The reader's configuration commands: baud rate, modes, settings block, factory
// settings.
#include "engine/Vorex_Port.h"

#include <cstdint>
#include <vector>

namespace vorex {

// Reader code of a baud rate: 2400 -> 0, 4800 -> 1, 9600 -> 2, 19200 -> 3, 38400 -> 4,
// 57600 -> 5, 115200 -> 6, 230400 -> 7, 460800 -> 8, 921600 -> 9, 1382400 -> 10;
// -1 for any other rate.
int BaudRateCode(int baud);

// Sends the rate code and format (0-3; the reader refuses others) and moves this
// side's line along once the reader agreed. A rate without a code, or a format that
// does not fit the code byte (outside 0-15), is refused with error 7, nothing sent.
bool SetBaudrate(CVorex_Port& port, int baud, int format);
bool SetReaderMode(CVorex_Port& port, int mode);
bool SetHostMode(CVorex_Port& port, int on);
bool SendCommandF6(CVorex_Port& port, int a, int b);
bool WriteSettings(CVorex_Port& port, const uint8_t* bytes, int count);
bool ReadSettings(CVorex_Port& port, std::vector<uint8_t>& settings);
bool FactoryReset(CVorex_Port& port);
bool SetUsbMode(CVorex_Port& port, int mode);

} // namespace vorex

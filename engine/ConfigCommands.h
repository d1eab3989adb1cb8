#pragma once
// The reader's configuration commands: baud rate, modes, settings block, factory
// settings.
#include "Vorex_Port.h"

#include <cstdint>
#include <vector>

namespace vorex {

// Reader code of a baud rate (2400 -> 0 ... 1382400 -> 10; anything else, 19200
// among them, 3).
uint8_t BaudRateCode(int baud);

bool SetBaudrate(CVorex_Port& port, int baud, int format);
bool SetReaderMode(CVorex_Port& port, int mode);
bool SetHostMode(CVorex_Port& port, int on);
bool SendCommandF6(CVorex_Port& port, int a, int b);
bool WriteSettings(CVorex_Port& port, const uint8_t* bytes, int count);
bool ReadSettings(CVorex_Port& port, std::vector<uint8_t>& settings);
bool FactoryReset(CVorex_Port& port);
bool SetUsbMode(CVorex_Port& port, int mode);

} // namespace vorex

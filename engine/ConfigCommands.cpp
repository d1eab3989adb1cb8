#include "engine/ConfigCommands.h"
#include "engine/links/ReaderLink.h"

#include <thread>
#include <vorex/vorex_errors.h>

namespace vorex {
namespace {

constexpr int kFactoryResetTimeoutMs = 1000;
constexpr auto kBaudSettle = std::chrono::milliseconds(200);

bool Command(CVorex_Port& port, std::vector<uint8_t> request) {
    port.Transmit() = std::move(request);
    return port.Exchange() && port.TakeStatus();
}

bool CommandDropPayload(CVorex_Port& port, std::vector<uint8_t> request) {
    std::vector<uint8_t> payload;
    port.Transmit() = std::move(request);
    return port.Exchange() && port.TakeAnswer(payload);
}

} // namespace

int BaudRateCode(int baud) {
    switch (baud) {
    case 2400:
        return 0;
    case 4800:
        return 1;
    case 9600:
        return 2;
    case 38400:
        return 4;
    case 57600:
        return 5;
    case 115200:
        return 6;
    case 230400:
        return 7;
    case 460800:
        return 8;
    case 921600:
        return 9;
    case 1382400:
        return 10;
    case 19200:
        return 3;
    default:
        return -1;
    }
}

bool SetBaudrate(CVorex_Port& port, int baud, int format) {
    links::ReaderLink* link = port.Link();
    const links::LineChange change =
        link ? link->ChangeLine(baud, format) : links::LineChange::Unsupported;
    if (change == links::LineChange::Applied)
        return true;
    if (change == links::LineChange::Unsupported) {
        port.SetLastError(VOREX_ERR_BAUD_NOT_SETTABLE);
        return false;
    }
    // A rate the reader has no code for would move it to 19200 while this side took
    // the requested rate: refuse it and send nothing. The format goes in the high
    // nibble; the reader itself refuses formats it does not know.
    const int rateCode = BaudRateCode(baud);
    if (rateCode < 0 || format < 0 || format > 15) {
        port.SetLastError(VOREX_ERR_BAD_PARAMETER);
        return false;
    }
    const auto code = static_cast<uint8_t>(rateCode | (format << 4));
    if (!Command(port, {0xF2, code}) || !link->SwitchLine(baud, format))
        return false;
    std::this_thread::sleep_for(kBaudSettle);
    return true;
}

bool SetReaderMode(CVorex_Port& port, int mode) {
    if ((mode & 0x7F) > 3) {
        port.SetLastError(VOREX_ERR_BAD_MODE);
        return false;
    }
    if (port.Variant() >= 2) {
        port.SetLastError(0);
        return true;
    }
    return Command(port, {0xF4, static_cast<uint8_t>(mode)});
}

bool SetHostMode(CVorex_Port& port, int on) {
    return Command(port, {0xF5, static_cast<uint8_t>(on)});
}

bool SendCommandF6(CVorex_Port& port, int a, int b) {
    return CommandDropPayload(port, {0xF6, static_cast<uint8_t>(a), static_cast<uint8_t>(b)});
}

bool WriteSettings(CVorex_Port& port, const uint8_t* bytes, int count) {
    std::vector<uint8_t> request{0xF9};
    if (bytes != nullptr && count > 0)
        request.insert(request.end(), bytes, bytes + count);
    return Command(port, std::move(request));
}

bool ReadSettings(CVorex_Port& port, std::vector<uint8_t>& settings) {
    port.Transmit() = {0xFA};
    return port.Exchange() && port.TakeAnswer(settings);
}

bool FactoryReset(CVorex_Port& port) {
    // The reader needs longer than a normal answer to restore its settings.
    const int previous = port.TimeoutMs();
    port.SetTimeoutMs(kFactoryResetTimeoutMs);
    const bool ok = Command(port, {0xFB});
    port.SetTimeoutMs(previous);
    return ok;
}

bool SetUsbMode(CVorex_Port& port, int mode) {
    return CommandDropPayload(port, {0xFF, static_cast<uint8_t>(mode)});
}

} // namespace vorex

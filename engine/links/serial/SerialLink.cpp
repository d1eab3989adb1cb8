#include "engine/links/serial/SerialLink.h"

namespace vorex::links {

SerialLink::~SerialLink() {
    // The worker calls OnReceiveChars: stop it while this object is still whole.
    ClosePort();
}

std::unique_ptr<SerialLink> SerialLink::Open(const LinkRequest& request, ReceiveSink& sink) {
    auto link = std::make_unique<SerialLink>(sink);
    if (!link->InitPort(request.name, request.baud, request.parity, 8, request.stopBits, 0, 9,
                        512) ||
        !link->StartMonitoring())
        return nullptr;
    return link;
}

bool SerialLink::Send(const uint8_t* bytes, size_t count) {
    return WriteToPort(bytes, static_cast<int>(count));
}

void SerialLink::OnReceiveChars(const uint8_t* bytes, size_t count) {
    sink_.OnLinkBytes(bytes, count);
}

std::unique_ptr<ReaderLink> OpenSerialLink(const LinkRequest& request, ReceiveSink& sink,
                                           int& openResult) {
    auto link = SerialLink::Open(request, sink);
    openResult = link ? 0 : -1;
    return link;
}

LineChange SerialLink::ChangeLine(int baud, int format) {
    (void)baud;
    (void)format;
    // An OS serial port follows the reader to new settings; an FTDI reader's line
    // belongs to the vendor library and stays as opened. A port whose device was lost
    // goes on: telling the reader then fails like any other exchange.
    return IsFtdiMode() ? LineChange::Unsupported : LineChange::ReaderMustFollow;
}

bool SerialLink::SwitchLine(int baud, int format) {
    if (baud <= 0)
        return false;
    bool ok = true;
    switch (format) {
    case 0:
        ok = SetStopBits(1) && SetNoParity();
        break;
    case 1:
        ok = SetStopBits(1) && SetEvenParity();
        break;
    case 2:
        ok = SetStopBits(1) && SetOddParity();
        break;
    case 3:
        ok = SetStopBits(2) && SetNoParity();
        break;
    default:
        break;
    }
    return SetBaudRate(static_cast<uint32_t>(baud)) && ok;
}

} // namespace vorex::links

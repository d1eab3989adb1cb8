#pragma once
// The serial link kind: a CUSBSerialPort (termios device with its worker thread) that
// delivers what it receives to the connection's receive buffer.
#include "engine/links/ReaderLink.h"
#include "engine/links/serial/USBSerialPort.h"

#include <memory>

namespace vorex::links {

class SerialLink final : public ReaderLink, public CUSBSerialPort {
public:
    explicit SerialLink(ReceiveSink& sink) : sink_(sink) {}
    ~SerialLink() override;

    // Opens the device with 8 data bits, no handshake and a 512-byte write buffer and
    // starts its worker; null when either fails.
    static std::unique_ptr<SerialLink> Open(const LinkRequest& request, ReceiveSink& sink);

    bool Send(const uint8_t* bytes, size_t count) override;
    void DiscardUnsent() override { DropUnsent(); }
    bool IsOpen() const override { return CUSBSerialPort::IsOpen(); }
    bool IsUsb() const override { return IsFtdiMode(); }
    LineChange ChangeLine(int baud, int format) override;
    bool SwitchLine(int baud, int format) override;
    void Close() override { ClosePort(); }

protected:
    void OnReceiveChars(const uint8_t* bytes, size_t count) override;

private:
    ReceiveSink& sink_;
};

// The link table's open function of the serial kind.
std::unique_ptr<ReaderLink> OpenSerialLink(const LinkRequest& request, ReceiveSink& sink,
                                           int& openResult);

} // namespace vorex::links

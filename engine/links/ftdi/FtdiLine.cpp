#include "engine/links/ftdi/FtdiLine.h"

namespace vorex::links {

void FillFtdiDcb(vorex::ftdi::FTDCB& dcb, const LineSettings& line) {
    namespace dcbf = vorex::ftdi::dcb;
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = line.baud;
    dcb.ByteSize = static_cast<uint8_t>(line.dataBits);
    dcb.Parity = line.parity == 'O' ? 1 : line.parity == 'E' ? 2 : 0;
    dcb.StopBits = line.stopBits == 2 ? 2 : 0;
    uint32_t flags =
        dcb.flags & ~(dcbf::kParity | dcbf::kOutxCtsFlow | dcbf::kOutxDsrFlow |
                      dcbf::kDtrControlMask | dcbf::kDsrSensitivity | dcbf::kOutX | dcbf::kInX |
                      dcbf::kNull | dcbf::kRtsControlMask | dcbf::kAbortOnError);
    flags |= dcbf::kBinary | dcbf::kDtrControlEnable | dcbf::kTxContinueOnXoff;
    if (dcb.Parity != 0)
        flags |= dcbf::kParity;
    switch (line.handshake) {
    case 1:
        flags |= dcbf::kRtsControlHandshake | dcbf::kOutxCtsFlow | dcbf::kOutxDsrFlow;
        break;
    case 2:
        flags |= dcbf::kRtsControlEnable | dcbf::kOutX | dcbf::kInX;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        break;
    case 3:
        flags |= dcbf::kRtsControlHandshake;
        break;
    default:
        flags |= dcbf::kRtsControlEnable;
        break;
    }
    dcb.flags = flags;
}

} // namespace vorex::links

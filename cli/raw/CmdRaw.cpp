// vorexctl raw: one request in a chosen frame variant, straight on the serial link,
// below the VOREX_ calls (the only part of vorexctl that uses engine internals).
#include "cli/Cli.h"
#include "engine/BaudCode.h"
#include "engine/Vorex_Port.h"
#include "engine/links/serial/SerialLink.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace vorexctl {

int RunRaw(const GlobalOptions& o, const std::vector<std::string>& args) {
    if (o.port.empty())
        return UsageError(o, "raw needs --port PATH");
    std::vector<uint8_t> request;
    if (args.empty() || !ParseHexBytes(args, request))
        return UsageError(o, "raw needs the request as hex bytes, e.g. \"raw F0\"");
    const vorex::SerialFormat format = vorex::DecodeBaudCode(o.baudCode);
    CVorex_Port port;
    if (!port.AttachLink(vorex::links::SerialLink::Open(
            {o.port, format.baud, format.parity, format.stopBits}, port))) {
        return Refuse(o, Printable(o.port) + ": cannot open the port");
    }
    port.SetVariant(static_cast<uint8_t>(o.variant));
    port.SetBusAddress(static_cast<uint32_t>(o.address));
    port.SetTimeoutMs(o.timeoutMs);
    port.Transmit() = request;
    std::vector<uint8_t> payload;
    if (!port.Exchange() || !port.TakeAnswer(payload))
        return ReportError(o, port.LastError());
    if (o.json) {
        PrintJson({{"ok", true}, {"payload", ToHex(payload, "")}});
    } else {
        std::printf("%s\n", ToHex(payload).c_str());
    }
    return 0;
}

} // namespace vorexctl

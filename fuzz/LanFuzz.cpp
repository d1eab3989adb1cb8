// Datagrams as a LAN reader's answer: every reader of the answer parsers must stay
// inside the bytes received (ASan catches any read outside the copy made here), and
// the texts made from them must parse back. The same bytes as text go through the
// address-text parsers.
#include "engine/links/lan/LanAdapters.h"
#include "engine/links/lan/LanConfig.h"
#include "engine/links/lan/LanDatagram.h"
#include "engine/links/lan/TCPSocket.h"

#include <cstdint>
#include <string>

using namespace vorex::lan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes datagram(data, data + size);
    uint8_t type = 0;
    Bytes payload;
    if (SplitDatagram(datagram.data(), datagram.size(), type, payload)) {
        const Ipv4 sender{{10, 0, 0, 7}};
        const std::string entry = DiscoveryEntry(payload, sender);
        if (const auto r = ReadRecord0(payload)) {
            if (entry.empty() || r->name.size() > 16)
                __builtin_trap();
            Bytes copy = payload;
            if (!StoreRecord0(copy, *r) || ReadRecord0(copy)->name != r->name)
                __builtin_trap();
            // An address entry names a reader the settings can be read from.
            if (entry[0] != '[' && !ParseAddressText(entry))
                __builtin_trap();
        } else if (!entry.empty()) {
            __builtin_trap();
        }
        const std::string model = ModelText(payload);
        if (IsOwnModel(payload) != (model.rfind("VX-", 0) == 0))
            __builtin_trap();
        (void)ReadProbeAnswer(payload);
        Bytes record3 = payload;
        (void)StoreRecord3Name(record3, model);
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto a = ParseAddressText(text))
        if (a->name.size() > 16)
            __builtin_trap();
    (void)SplitHostPort(text);
    (void)Ipv4::Parse(text);
    (void)ParseAdapterList(text);
    return 0;
}

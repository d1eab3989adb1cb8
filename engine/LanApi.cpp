// The VOREX_ calls for LAN readers: searches, reachability and network settings over
// the datagram protocol.
#include "engine/ApiSupport.h"
#include "engine/links/lan/LanConfig.h"
#include <vorex/vorex.h>

#include <cstring>

namespace {

using vorex::CopyText;
using vorex::lan::LanDiscovery;
using vorex::lan::LanEnvironment;

int Search(char* buffer, int capacity, bool verify) {
    LanDiscovery discovery(LanEnvironment::FromSystem());
    return vorex::WriteNameList(discovery.Search(verify), buffer, capacity);
}

} // namespace

extern "C" {

int VOREX_SearchLan(char* buffer, int capacity) {
    return Search(buffer, capacity, false);
}

int VOREX_SearchLanEx(char* buffer, int capacity) {
    return Search(buffer, capacity, true);
}

int VOREX_TestLanConnection(const char* identity) {
    if (identity == nullptr)
        return 0;
    return LanDiscovery(LanEnvironment::FromSystem()).TestConnection(identity) ? 1 : 0;
}

int VOREX_GetLanConfig(const char* identity, char* name, char* address, char* mask, char* gateway,
                       int capacity) {
    if (identity == nullptr)
        return -1;
    LanDiscovery discovery(LanEnvironment::FromSystem());
    vorex::lan::LanSettingsText t;
    if (vorex::lan::LanConfig(discovery).Get(identity, t) != 0)
        return -1;
    // Without a name buffer the name stands in for an empty address.
    if (name == nullptr && t.address.empty())
        t.address = t.name;
    CopyText(t.name, name, capacity);
    CopyText(t.address, address, capacity);
    CopyText(t.mask, mask, capacity);
    CopyText(t.gateway, gateway, capacity);
    return 0;
}

int VOREX_SetLanConfig(const char* identity, const char* address, const char* mask,
                       const char* gateway) {
    if (identity == nullptr || address == nullptr)
        return -1;
    LanDiscovery discovery(LanEnvironment::FromSystem());
    return vorex::lan::LanConfig(discovery).Set(identity, address, mask ? mask : "",
                                                gateway ? gateway : "");
}

} // extern "C"

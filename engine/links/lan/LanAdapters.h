#pragma once
// The local network adapters the LAN link and discovery use, and where their
// datagrams go. The list comes from an injectable source: by default the IPv4
// interfaces that are up (getifaddrs), or the list in $VOREX_LAN_ADAPTERS; tests give
// their own list so that nothing is ever sent outside loopback or their namespaces.
#include "engine/links/lan/Ipv4.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorex::lan {

struct CAdapter {
    std::string address; // IPv4 text
    std::string mask;
    uint32_t index = 0;    // OS interface index, 0 when unknown
    std::string broadcast; // where this adapter's broadcasts go
};

// Everything the LAN code takes from the machine.
struct LanEnvironment {
    std::function<std::vector<CAdapter>()> adapters;
    uint16_t datagramPort = 30718;

    // Adapters from $VOREX_LAN_ADAPTERS when set, else from the OS; the datagram port
    // from $VOREX_LAN_UDP_PORT when set.
    static LanEnvironment FromSystem();
};

// IPv4 interfaces that are up and broadcast-capable or loopback. The broadcast
// address is the interface's own (directed) broadcast, or address | ~mask.
std::vector<CAdapter> SystemAdapters();
// "ADDR/MASK[,ADDR/MASK...]" (MASK dotted or a prefix length); entries that do not
// parse are skipped. The broadcast address is ADDR | ~MASK; the index is the one of
// the OS interface holding ADDR, if any.
std::vector<CAdapter> ParseAdapterList(const std::string& text);

// The local address the kernel would send from towards `host` (nothing is sent);
// empty when there is no route.
std::string KernelSourceFor(const std::string& host);

// The adapter list with a current selection, as the LAN socket keeps it.
class AdapterSelection {
public:
    explicit AdapterSelection(std::function<std::vector<CAdapter>()> source)
        : source_(std::move(source)) {}

    bool Enumerate(); // true when at least one adapter is known
    // Picks the adapter that reaches `host`: the first entry of the interface the
    // kernel would use whose subnet holds the host, else the first adapter.
    void SelectFor(const std::string& host);
    bool SelectFirst();
    bool SelectNext();

    const std::vector<CAdapter>& Adapters() const { return adapters_; }
    // Local address of the selection; empty = any.
    const std::string& LocalAddress() const { return local_; }
    // Broadcast address of the selected adapter; empty when none is selected, so that
    // nothing is sent.
    std::string Broadcast() const;

private:
    std::function<std::vector<CAdapter>()> source_;
    std::vector<CAdapter> adapters_;
    std::string local_;
};

} // namespace vorex::lan

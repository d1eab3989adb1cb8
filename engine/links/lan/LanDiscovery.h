#pragma once
// Finding LAN readers with the datagram protocol: the scan of every adapter (with or
// without checking the readers' model), the address of a reader known by its name,
// and finding the adapter from which a reader answers.
#include "engine/links/lan/DatagramChannel.h"
#include "engine/links/lan/LanAdapters.h"

#include <chrono>
#include <set>
#include <string>
#include <vector>

namespace vorex::lan {

class LanDiscovery {
public:
    explicit LanDiscovery(LanEnvironment env) : env_(std::move(env)) {}

    // Entries of every reader that answers on any adapter, sorted byte-wise and without
    // duplicates: "a.b.c.d-port", or "[name]a.b.c.d-port" for a reader whose configured
    // address is not the one it answers from. verify keeps only readers whose model
    // text begins "VX-" and reduces bracket entries to "[name]".
    std::vector<std::string> Search(bool verify,
                                    std::chrono::milliseconds quiet = DatagramChannel::kQuietTime);
    // One adapter (the current selection of `adapters`).
    void ScanAdapter(const AdapterSelection& adapters, std::set<std::string>& list,
                     std::chrono::milliseconds quiet, bool verify);

    // "address-port" of the reader named "[name]" that obtained its address
    // automatically; empty when no adapter hears it within `timeout`.
    std::string ResolveBracketName(const std::string& name, std::chrono::milliseconds timeout);

    // Opens `channel` on the adapter from which the reader of `identity` answers a
    // record-0 query ("[name]", "[name]a.b.c.d-port", "a.b.c.d", "a.b.c.d-port"; a
    // ":..." suffix is ignored). False when no reader answers.
    bool OpenConfigChannel(const std::string& identity, DatagramChannel& channel);
    // True when the reader of `identity` answers.
    bool TestConnection(const std::string& identity);

    // The target address of an identity: bracketed names resolved, "-port" removed.
    std::string TargetAddress(const std::string& identity);

    const LanEnvironment& Environment() const { return env_; }

private:
    LanEnvironment env_;
};

} // namespace vorex::lan

#pragma once
// Reading and changing a LAN reader's network settings (address, mask, gateway, TCP
// port and name) with the datagram protocol.
#include "engine/links/lan/LanDiscovery.h"

#include <optional>
#include <string>

namespace vorex::lan {

struct LanSettingsText {
    std::string name;    // "[name]-port"
    std::string address; // "a.b.c.d-port", empty when the reader obtains its address
    std::string mask;    // "a.b.c.d"
    std::string gateway; // "a.b.c.d"
};

// An address text as the settings take it: "[name]-port" (address 0.0.0.0) or
// "a.b.c.d" with an optional "-port" (0 when absent).
struct AddressText {
    Ipv4 address;
    std::string name;
    uint16_t port = 0;
};
std::optional<AddressText> ParseAddressText(const std::string& text);

class LanConfig {
public:
    explicit LanConfig(LanDiscovery& discovery) : discovery_(discovery) {}

    // 0 with the texts filled, or -1 when the reader does not answer.
    int Get(const std::string& identity, LanSettingsText& out);
    // 0 when the settings were written, -1 otherwise (also for texts that do not
    // parse). An empty mask text keeps the mask; an empty gateway text means 0.0.0.0.
    int Set(const std::string& identity, const std::string& address, const std::string& mask,
            const std::string& gateway);

    // Timings of Set (tests shorten them).
    struct Timing {
        std::chrono::milliseconds reachableWait{5000};
        std::chrono::milliseconds step{100};
        int reopenAttempts = 21;
        int writeAttempts = 6;
        std::chrono::milliseconds writeRetryPause{500};
    };
    void SetTiming(const Timing& t) { timing_ = t; }

private:
    LanDiscovery& discovery_;
    Timing timing_;
};

} // namespace vorex::lan

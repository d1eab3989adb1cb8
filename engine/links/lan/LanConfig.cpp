#include "engine/links/lan/LanConfig.h"

#include <thread>

namespace vorex::lan {

namespace {

using Clock = std::chrono::steady_clock;

std::optional<uint16_t> ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long v = std::stoul(text);
    if (v > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(v);
}

} // namespace

std::optional<AddressText> ParseAddressText(const std::string& text) {
    AddressText out;
    std::string head = text;
    const size_t dash = text.rfind('-');
    const size_t close = text.find(']');
    if (dash != std::string::npos && (close == std::string::npos || dash > close)) {
        const auto port = ParsePort(text.substr(dash + 1));
        if (!port)
            return std::nullopt;
        out.port = *port;
        head = text.substr(0, dash);
    }
    if (!head.empty() && head[0] == '[') {
        if (head.back() != ']' || head.size() < 3 || head.size() > 18)
            return std::nullopt;
        out.name = head.substr(1, head.size() - 2);
        return out;
    }
    const auto ip = Ipv4::Parse(head);
    if (!ip)
        return std::nullopt;
    out.address = *ip;
    return out;
}

int LanConfig::Get(const std::string& identity, LanSettingsText& out) {
    DatagramChannel channel;
    if (!discovery_.OpenConfigChannel(identity, channel))
        return -1;
    Bytes payload;
    const auto record = channel.QueryRecord(0, payload, true) ? ReadRecord0(payload) : std::nullopt;
    if (!record)
        return -1;
    const std::string port = "-" + std::to_string(record->port);
    out.address = record->address.IsZero() ? std::string() : record->address.Text() + port;
    out.name = BracketName(record->name) + port;
    out.mask = MaskFromHostBits(record->hostBits).Text();
    out.gateway = record->gateway.Text();
    return 0;
}

int LanConfig::Set(const std::string& identity, const std::string& addressText,
                   const std::string& maskText, const std::string& gatewayText) {
    const auto wanted = ParseAddressText(addressText);
    if (!wanted)
        return -1;
    Ipv4 gateway;
    if (!gatewayText.empty()) {
        const auto g = ParseAddressText(gatewayText);
        if (!g || !g->name.empty())
            return -1;
        gateway = g->address;
    }
    std::optional<unsigned> hostBits;
    if (!maskText.empty()) {
        const auto m = Ipv4::Parse(maskText);
        if (!m)
            return -1;
        hostBits = HostBitsOfMask(*m);
    }

    DatagramChannel channel;
    if (!discovery_.OpenConfigChannel(identity, channel))
        return -1;
    Bytes payload;
    std::optional<Record0> current;
    if (channel.QueryRecord(0, payload, true))
        current = ReadRecord0(payload);
    if (!current) {
        channel.SendRestart();
        return -1;
    }

    const bool addressChanged = !(wanted->address == current->address);
    bool otherChanged = (wanted->port != 0 && wanted->port != current->port) ||
                        (hostBits && *hostBits != current->hostBits) ||
                        !(gateway == current->gateway) ||
                        (!wanted->name.empty() && wanted->name != current->name);
    if (addressChanged || otherChanged) {
        Bytes probe;
        const auto answer = channel.ProbeReader(probe) ? ReadProbeAnswer(probe) : std::nullopt;
        if (answer) {
            if (answer->makerTag && otherChanged) {
                const std::string name = wanted->name.empty() ? current->name : wanted->name;
                const uint16_t port = wanted->port != 0 ? wanted->port : current->port;
                channel.SendAddressSetup(
                    ExtendedSetup(answer->mac, wanted->address, port,
                                  MaskFromHostBits(hostBits.value_or(current->hostBits)), gateway,
                                  name),
                    true);
                otherChanged = false;
            } else {
                channel.SendAddressSetup(ShortSetup(answer->mac, wanted->address), false);
            }
            channel.Close();
            const auto until = Clock::now() + timing_.reachableWait;
            while (!discovery_.TestConnection(addressText) && Clock::now() < until)
                std::this_thread::sleep_for(timing_.step);
            if (otherChanged) {
                bool open = false;
                for (int i = 0; i < timing_.reopenAttempts && !open; ++i) {
                    if (i > 0)
                        std::this_thread::sleep_for(timing_.step);
                    open = discovery_.OpenConfigChannel(addressText, channel);
                }
                if (!open)
                    return -1;
            }
        }
    }

    int result = 0;
    if (otherChanged) {
        Record0 next = *current;
        next.address = wanted->address;
        if (hostBits)
            next.hostBits = *hostBits;
        next.gateway = gateway;
        if (wanted->port != 0)
            next.port = wanted->port;
        if (!wanted->name.empty()) {
            next.name = wanted->name;
            Bytes record3;
            if (channel.QueryRecord(3, record3, false) && StoreRecord3Name(record3, next.name))
                channel.WriteRecord(3, record3);
        }
        StoreRecord0(payload, next);
        result = -1;
        for (int i = 0; i < timing_.writeAttempts && result != 0; ++i) {
            if (i > 0)
                std::this_thread::sleep_for(timing_.writeRetryPause);
            if (channel.WriteRecord(0, payload))
                result = 0;
        }
    }
    if (channel.IsOpen())
        channel.SendRestart();
    return result;
}

} // namespace vorex::lan

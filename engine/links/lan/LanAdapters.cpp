#include "engine/links/lan/LanAdapters.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorex::lan {

namespace {

Ipv4 FromSockaddr(const sockaddr* sa) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
    return Ipv4::FromValue(ntohl(in->sin_addr.s_addr));
}

uint32_t IndexOfAddress(const std::string& address) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return 0;
    uint32_t index = 0;
    for (ifaddrs* i = list; i != nullptr && index == 0; i = i->ifa_next)
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET &&
            FromSockaddr(i->ifa_addr).Text() == address)
            index = if_nametoindex(i->ifa_name);
    freeifaddrs(list);
    return index;
}

bool SameSubnet(const std::string& a, const std::string& b, const std::string& mask) {
    const auto x = Ipv4::Parse(a), y = Ipv4::Parse(b), m = Ipv4::Parse(mask);
    return x && y && m && (x->Value() & m->Value()) == (y->Value() & m->Value());
}

} // namespace

std::vector<CAdapter> SystemAdapters() {
    std::vector<CAdapter> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_netmask ||
            !(i->ifa_flags & IFF_UP) || !(i->ifa_flags & (IFF_BROADCAST | IFF_LOOPBACK)))
            continue;
        const Ipv4 address = FromSockaddr(i->ifa_addr);
        const Ipv4 mask = FromSockaddr(i->ifa_netmask);
        if (address.IsZero())
            continue;
        const Ipv4 broadcast = (i->ifa_flags & IFF_BROADCAST) && i->ifa_broadaddr
                                   ? FromSockaddr(i->ifa_broadaddr)
                                   : Ipv4::FromValue(address.Value() | ~mask.Value());
        out.push_back({address.Text(), mask.Text(), if_nametoindex(i->ifa_name), broadcast.Text()});
    }
    freeifaddrs(list);
    return out;
}

std::vector<CAdapter> ParseAdapterList(const std::string& text) {
    std::vector<CAdapter> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(start, end - start);
        start = end + 1;
        const size_t slash = item.find('/');
        if (slash == std::string::npos)
            continue;
        const auto address = Ipv4::Parse(item.substr(0, slash));
        const std::string maskText = item.substr(slash + 1);
        std::optional<Ipv4> mask = Ipv4::Parse(maskText);
        if (!mask && !maskText.empty() && maskText.size() <= 2 &&
            maskText.find_first_not_of("0123456789") == std::string::npos) {
            const unsigned prefix = static_cast<unsigned>(std::stoul(maskText));
            if (prefix <= 32)
                mask = MaskFromHostBits(32 - prefix);
        }
        if (!address || !mask || address->IsZero())
            continue;
        out.push_back({address->Text(), mask->Text(), IndexOfAddress(address->Text()),
                       Ipv4::FromValue(address->Value() | ~mask->Value()).Text()});
    }
    return out;
}

LanEnvironment LanEnvironment::FromSystem() {
    LanEnvironment env;
    if (const char* list = std::getenv("VOREX_LAN_ADAPTERS")) {
        const std::string text = list;
        env.adapters = [text] { return ParseAdapterList(text); };
    } else {
        env.adapters = SystemAdapters;
    }
    if (const char* port = std::getenv("VOREX_LAN_UDP_PORT")) {
        const long value = std::strtol(port, nullptr, 10);
        if (value > 0 && value < 65536)
            env.datagramPort = static_cast<uint16_t>(value);
    }
    return env;
}

std::string KernelSourceFor(const std::string& host) {
    const auto ip = Ipv4::Parse(host);
    if (!ip)
        return {};
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9); // any port: connecting a datagram socket sends nothing
    to.sin_addr.s_addr = htonl(ip->Value());
    std::string result;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0)
        result = Ipv4::FromValue(ntohl(local.sin_addr.s_addr)).Text();
    close(fd);
    return result;
}

bool AdapterSelection::Enumerate() {
    adapters_ = source_ ? source_() : std::vector<CAdapter>{};
    return !adapters_.empty();
}

void AdapterSelection::SelectFor(const std::string& host) {
    if (adapters_.empty())
        Enumerate();
    const std::string source = KernelSourceFor(host);
    uint32_t index = 0;
    bool known = false;
    for (const auto& a : adapters_)
        if (!source.empty() && a.address == source) {
            index = a.index;
            known = true;
            break;
        }
    if (known) {
        for (const auto& a : adapters_)
            if (a.index == index && SameSubnet(a.address, host, a.mask)) {
                local_ = a.address;
                return;
            }
    }
    SelectFirst();
}

bool AdapterSelection::SelectFirst() {
    if (adapters_.empty())
        return false;
    local_ = adapters_.front().address;
    return true;
}

bool AdapterSelection::SelectNext() {
    if (adapters_.empty())
        return false;
    if (local_.empty())
        return SelectFirst();
    for (size_t i = 0; i + 1 < adapters_.size(); ++i)
        if (adapters_[i].address == local_) {
            local_ = adapters_[i + 1].address;
            return true;
        }
    return false;
}

std::string AdapterSelection::Broadcast() const {
    for (const auto& a : adapters_)
        if (a.address == local_)
            return a.broadcast;
    return {};
}

} // namespace vorex::lan

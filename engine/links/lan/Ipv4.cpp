#include "engine/links/lan/Ipv4.h"

#include <arpa/inet.h>

#include <cstdio>

namespace vorex::lan {

std::string Ipv4::Text() const {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

uint32_t Ipv4::Value() const {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

Ipv4 Ipv4::FromValue(uint32_t v) {
    return Ipv4{{static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                 static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}};
}

std::optional<Ipv4> Ipv4::Parse(const std::string& text) {
    Ipv4 ip;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255)
            return std::nullopt;
        ip.bytes[static_cast<size_t>(part)] = static_cast<uint8_t>(value);
    }
    if (pos != text.size())
        return std::nullopt;
    return ip;
}

Ipv4 MaskFromHostBits(unsigned hostBits) {
    if (hostBits >= 32)
        return Ipv4{};
    return Ipv4::FromValue(~uint32_t{0} << hostBits);
}

unsigned HostBitsOfMask(const Ipv4& mask) {
    const uint32_t v = mask.Value();
    unsigned bits = 0;
    while (bits < 32 && (v & (uint32_t{1} << bits)) == 0)
        ++bits;
    return bits;
}

sockaddr_in SocketAddress(const Ipv4& ip, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(ip.Value());
    return a;
}

} // namespace vorex::lan

#pragma once
// IPv4 addresses as four bytes in network order, with their dotted text.
#include <array>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>

namespace vorex::lan {

struct Ipv4 {
    std::array<uint8_t, 4> bytes{};

    // "%d.%d.%d.%d"
    std::string Text() const;
    uint32_t Value() const; // host order
    static Ipv4 FromValue(uint32_t hostOrder);
    // Exactly four decimal numbers 0..255 separated by dots; nothing else.
    static std::optional<Ipv4> Parse(const std::string& text);
    bool IsZero() const { return Value() == 0; }
    bool operator==(const Ipv4&) const = default;
};

// Mask with the top (32 - hostBits) bits set; hostBits beyond 32 count as 32.
Ipv4 MaskFromHostBits(unsigned hostBits);
// The zero bits from the least significant bit upward, up to the first one bit
// (32 for 0.0.0.0).
unsigned HostBitsOfMask(const Ipv4& mask);

// The socket address of ip:port.
sockaddr_in SocketAddress(const Ipv4& ip, uint16_t port);

} // namespace vorex::lan

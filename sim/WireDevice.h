#pragma once
// A device the stand-in transports serve: it takes the bytes the host sends and says
// what to send back, and when.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vsim {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Bytes to send at a time; dropLink closes the line after them.
struct Output {
    Bytes bytes;
    Clock::time_point when;
    bool dropLink = false;
};

class WireDevice {
public:
    // Bytes received from the host at `now`; hostBaud is the host's line speed
    // (0 when unknown). Returns the answers to send.
    virtual std::vector<Output> Feed(const uint8_t* bytes, size_t count, Clock::time_point now,
                                     uint32_t hostBaud) = 0;

protected:
    ~WireDevice() = default;
};

} // namespace vsim

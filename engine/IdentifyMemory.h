#pragma once
// Which frame variant last identified a reader, per port name and baud code, for the
// life of the process. An open tries the remembered variant first and falls back to
// the full order when it does not answer; so a reader that speaks variant 2 or 3 is
// found again with one exchange instead of five.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace vorex {

class IdentifyMemory {
public:
    // The variant that last identified on `portName` opened at `baudCode`, if any.
    std::optional<uint8_t> Recall(const std::string& portName, int baudCode) const;
    // Records a successful identification; replaces what was known for the name.
    void Remember(const std::string& portName, int baudCode, uint8_t variant);
    void Clear();

private:
    struct Entry {
        int baudCode = 0;
        uint8_t variant = 0;
    };
    mutable std::mutex lock_;
    std::map<std::string, Entry> entries_;
};

} // namespace vorex

#include "engine/IdentifyMemory.h"

namespace vorex {

std::optional<uint8_t> IdentifyMemory::Recall(const std::string& portName, int baudCode) const {
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = entries_.find(portName);
    if (it == entries_.end() || it->second.baudCode != baudCode)
        return std::nullopt;
    return it->second.variant;
}

void IdentifyMemory::Remember(const std::string& portName, int baudCode, uint8_t variant) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_[portName] = Entry{baudCode, variant};
}

void IdentifyMemory::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
}

} // namespace vorex

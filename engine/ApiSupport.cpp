#include "engine/ApiSupport.h"

#include <algorithm>
#include <cstring>
#include <vorex/vorex_errors.h>

namespace vorex {

int CopyOut(CVorex_Port& port, const std::vector<uint8_t>& payload, unsigned char* buffer,
            int capacity) {
    if (capacity < 0 || payload.size() > static_cast<size_t>(capacity) ||
        (buffer == nullptr && !payload.empty())) {
        port.SetLastError(VOREX_ERR_BUFFER_TOO_SMALL);
        return -1;
    }
    if (!payload.empty())
        std::memcpy(buffer, payload.data(), payload.size());
    return static_cast<int>(payload.size());
}

int CopyText(const std::string& text, char* buffer, int capacity) {
    if (buffer != nullptr && capacity > 0) {
        std::memset(buffer, 0, static_cast<size_t>(capacity));
        std::memcpy(buffer, text.data(), std::min(text.size(), static_cast<size_t>(capacity - 1)));
    }
    return static_cast<int>(text.size());
}

int WriteNameList(const std::vector<std::string>& names, char* buffer, int capacity) {
    if (buffer == nullptr || capacity < 1)
        return 0;
    size_t used = 0;
    const size_t cap = static_cast<size_t>(capacity);
    for (const auto& name : names) {
        if (used + name.size() + 2 > cap)
            break;
        std::memcpy(buffer + used, name.c_str(), name.size() + 1);
        used += name.size() + 1;
    }
    buffer[used] = '\0';
    return static_cast<int>(used + 1);
}

} // namespace vorex

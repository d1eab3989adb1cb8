#include "engine/ReaderIdentity.h"

#include "engine/DeviceTable.h"

#include <algorithm>

namespace vorex {

bool ReadIdentification(CVorex_Port& port, std::vector<uint8_t>& id) {
    port.Transmit() = {0xF0};
    if (!port.Exchange() || !port.TakeAnswer(id))
        return false;
    if (port.Variant() == 2 && id.size() == 4) {
        const bool needsFollowUp = id == std::vector<uint8_t>{0x04, 0x05, 0x31, 0x35};
        std::copy_n("171", 3, id.begin());
        if (needsFollowUp) {
            std::vector<uint8_t> fv;
            port.Transmit() = {0xF0, 'F', 'V'};
            if (port.Exchange() && port.TakeAnswer(fv) && fv.size() >= 4 &&
                fv != std::vector<uint8_t>{0x04, 0x05, 0x31, 0x35} &&
                std::all_of(fv.begin(), fv.end(), [](uint8_t b) { return b > 0x20; }))
                id = fv;
            port.SetLastError(0);
        }
    } else if (port.Variant() == 3 && id.size() == 9) {
        id = {'1', '1', '7', id[7]};
    }
    return true;
}

bool ParseIdentification(const std::vector<uint8_t>& id, uint32_t& type, uint8_t& revision) {
    if (id.size() != 4)
        return false;
    uint32_t value = 0;
    for (int i = 0; i < 3; ++i) {
        const uint8_t c = id[static_cast<size_t>(i)];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        value = value << 4 | digit;
    }
    type = value;
    revision = RevisionFromChar(id[3]);
    return true;
}

} // namespace vorex

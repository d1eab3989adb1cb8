// ISO 15693 answers from an arbitrary reader: the ISO answer evaluation and the
// inventory payload walk must never read outside the payload, and every record the
// walk hands out must lie wholly inside it.
#include "engine/Iso15693Commands.h"
#include "engine/IsoAnswer.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t variant = data[0] & 3;
    const bool oneSlot = (data[0] & 0x04) != 0;
    const uint32_t flags = (data[0] & 0x08) != 0 ? 0x04u : 0u;
    const std::vector<uint8_t> payload(data + 1, data + size);

    std::vector<uint8_t> iso = payload;
    int error = 0;
    if (vorex::iso::EvaluateIsoAnswer(iso, variant, error)) {
        if (iso.size() >= payload.size() || error != 0)
            std::abort();
    } else if (error == 0) {
        std::abort();
    }

    std::vector<uint8_t> slots = payload;
    if (!vorex::iso::NormalizeInventoryPayload(slots, variant, flags, error))
        return 0;
    const auto walk = vorex::iso::WalkInventorySlots(slots.data(), slots.size(), variant, oneSlot);
    if (walk.events.size() > (oneSlot ? 1u : 16u))
        std::abort();
    std::vector<uint8_t> records;
    for (const auto& e : walk.events) {
        if (e.slot >= 16 || (e.collision && oneSlot))
            std::abort();
        if (e.collision)
            continue;
        if (e.offset + vorex::iso::kRecordSize > slots.size())
            std::abort();
        records.insert(records.end(), slots.begin() + static_cast<long>(e.offset),
                       slots.begin() + static_cast<long>(e.offset + vorex::iso::kRecordSize));
    }
    if (records.size() % vorex::iso::kRecordSize != 0)
        std::abort();
    return 0;
}

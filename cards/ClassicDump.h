#pragma once
// MIFARE Classic dump files: the binary layout users exchange (.mfd/.bin/.dump, raw
// 16-byte blocks, 1024 or 4096 bytes) and this program's JSON layout, which also
// marks unreadable blocks and the keys that are known.
#include "cards/AccessConditions.h"
#include "cards/CardTypes.h"
#include "cards/ClassicGeometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::mifare {

using Block = std::array<uint8_t, 16>;

struct SectorKeys {
    std::optional<Key> keyA; // known key bytes
    std::optional<Key> keyB;
};

struct ClassicDump {
    std::vector<std::optional<Block>> blocks; // 64 (1K) or 256 (4K); nullopt = not read
    std::vector<uint8_t> uid;
    int sak = -1;  // -1 when unknown
    int atqa = -1; // -1 when unknown
    // Per sector; empty for binary dumps, where keys are whatever the trailer holds.
    std::vector<SectorKeys> keys;

    bool Is4k() const { return blocks.size() == 256; }
};

// Reads a dump file's content: JSON when it starts with '{' (after blanks), else the
// binary layout. False with `error` on anything else; never throws.
bool ParseDump(const std::string& content, ClassicDump& dump, std::string& error);

// The binary layout cannot mark unread blocks, so they go to a list beside it
// ("FILE.mfd.unread": a "#" comment line, then one block number per line).
std::string UnreadList(const ClassicDump& dump);
// Reads such a list and marks its blocks as unread in the dump. False with `error`
// on anything but comments, blank lines and block numbers of the card.
bool ApplyUnreadList(const std::string& content, ClassicDump& dump, std::string& error);

// The binary layout; unread blocks become zeros (see UnreadList).
std::string ToBinary(const ClassicDump& dump);
std::string ToJson(const ClassicDump& dump);

} // namespace vorex::cards::mifare

#pragma once
// An ISO 15693 tag's memory as dump files hold it: blocks with their lock state, each
// byte known or unknown, the UID, DSFID, AFI and IC reference, and for NXP SLIX tags
// the passwords and protection settings Flipper files carry.
#include "cards/MaybeBytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::cards::iso15693 {

struct SlixSettings {
    std::string capabilities = "Default"; // or "AcceptAllPasswords"
    // Read, Write, Privacy, Destroy, EAS: 4 bytes each as the files hold them.
    std::array<std::array<uint8_t, 4>, 5> passwords{
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {15, 15, 15, 15}, {15, 15, 15, 15}, {0, 0, 0, 0}}};
    std::optional<std::array<uint8_t, 32>> signature;
    bool privacyMode = false;
    uint8_t protectionPointer = 0;
    uint8_t protectionCondition = 0;
    bool lockEas = false;
    bool lockPpl = false;

    bool operator==(const SlixSettings&) const = default;
};

struct Iso15693Memory {
    std::vector<uint8_t> uid; // 8 bytes, most significant (E0) first; empty = unknown
    int blockSize = 4;
    MaybeBytes bytes;                       // blockSize per block
    std::vector<std::optional<bool>> locks; // one per block
    std::optional<uint8_t> dsfid, afi, icReference;
    std::optional<bool> dsfidLocked, afiLocked;
    std::optional<SlixSettings> slix;

    int Blocks() const { return blockSize > 0 ? static_cast<int>(bytes.size()) / blockSize : 0; }

    bool operator==(const Iso15693Memory&) const = default;
};

} // namespace vorex::cards::iso15693

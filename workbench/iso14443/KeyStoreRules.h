#pragma once
// Rules of the reader key-store dialogs: key texts of 12 hexadecimal digits (first
// two digits = first key byte, empty = no key here), their "!" markers and
// validation, the standard keys, and the store commands "In Gerät speichern" sends.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb::mfc {

inline constexpr const char* kPhilipsKey = "9E8D7C6B5A49";
inline constexpr const char* kInfineonKey = "C3D4E5F60718";

enum class KeyCheck { Empty, Ok, WrongLength, NotHex };
KeyCheck CheckKeyText(const std::string& text);
// The "!" marker beside an edit: shown for a text that is neither empty nor a key.
inline bool ShowsMarker(const std::string& text) {
    const KeyCheck c = CheckKeyText(text);
    return c == KeyCheck::WrongLength || c == KeyCheck::NotHex;
}
// The message box of a failed validation: 112 (not 12 characters), 138 (not hex), or
// 0 when the text passes.
int ValidationTextId(const std::string& text);

struct StoreKeyCommand {
    int keyType = 0; // 0 = Key A, 1 = Key B
    int index = 0;
    std::array<uint8_t, 6> key{};
};
// One command per filled text, by index, Key A before Key B. The 12-key store has no
// Key B texts (keysB empty) and takes every key as type 0.
std::vector<StoreKeyCommand> StoreCommands(const std::vector<std::string>& keysA,
                                           const std::vector<std::string>& keysB);

} // namespace vorex::wb::mfc

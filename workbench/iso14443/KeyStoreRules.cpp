#include "workbench/iso14443/KeyStoreRules.h"

#include "workbench/common/ByteText.h"

#include <algorithm>

namespace vorex::wb::mfc {

KeyCheck CheckKeyText(const std::string& text) {
    if (text.empty())
        return KeyCheck::Empty;
    if (text.size() != 12)
        return KeyCheck::WrongLength;
    if (std::any_of(text.begin(), text.end(), [](char c) { return wb::HexDigitValue(c) == 255; }))
        return KeyCheck::NotHex;
    return KeyCheck::Ok;
}

int ValidationTextId(const std::string& text) {
    switch (CheckKeyText(text)) {
    case KeyCheck::WrongLength:
        return 112;
    case KeyCheck::NotHex:
        return 138;
    default:
        return 0;
    }
}

std::vector<StoreKeyCommand> StoreCommands(const std::vector<std::string>& keysA,
                                           const std::vector<std::string>& keysB) {
    std::vector<StoreKeyCommand> commands;
    const auto add = [&commands](int type, size_t index, const std::string& text) {
        if (text.empty())
            return;
        StoreKeyCommand c;
        c.keyType = type;
        c.index = static_cast<int>(index);
        const std::vector<uint8_t> bytes = wb::TextToBytes(text, 6, wb::kHex, wb::kLsbFirst);
        std::copy(bytes.begin(), bytes.end(), c.key.begin());
        commands.push_back(c);
    };
    for (size_t i = 0; i < std::max(keysA.size(), keysB.size()); ++i) {
        if (i < keysA.size())
            add(0, i, keysA[i]);
        if (i < keysB.size())
            add(1, i, keysB[i]);
    }
    return commands;
}

} // namespace vorex::wb::mfc

#include "production/CardBinding.h"

#include "production/TagWriter.h"

#include <vorex/vorex.h>

namespace vorex::production {

std::optional<cards::mifare::CardInfo>
FindCard(int handle, Family family, const std::function<bool(const std::string&)>& wanted,
         bool& readerGone) {
    readerGone = false;
    cards::mifare::CardInfo card;
    if (!cards::mifare::Activate(handle, card)) {
        readerGone = cards::mifare::ReaderGone(VOREX_GetLastError(handle));
        return std::nullopt;
    }
    if (!wanted(UidText(family, card.uid)))
        return std::nullopt;
    return card;
}

std::string RebindCard(int handle, Family family, const std::vector<uint8_t>& uid) {
    const char* what = family == Family::Classic ? "card" : "tag";
    cards::mifare::CardInfo card;
    if (!cards::mifare::Activate(handle, card))
        return std::string("the ") + what + " no longer answers (" + LastErrorText(handle) + ")";
    if (card.uid != uid)
        return std::string("another ") + what + " (" + UidText(family, card.uid) +
               ") answered instead of " + UidText(family, uid) + ": the " + what + " was swapped";
    return {};
}

} // namespace vorex::production

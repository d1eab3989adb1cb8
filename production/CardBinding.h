#pragma once
// Binding the production steps to one ISO 14443 card (NTAG and MIFARE Classic): the
// card in the field is woken and selected, and its UID compared with the bound one.
#include "cards/ClassicCard.h"
#include "production/ChipCatalog.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorex::production {

// The card in the field when `wanted` accepts its UID text; `readerGone` when the
// reader did not answer at all.
std::optional<cards::mifare::CardInfo>
FindCard(int handle, Family family, const std::function<bool(const std::string&)>& wanted,
         bool& readerGone);
// Selects the card again: "" when it is the one with `uid`, else why not (gone, or
// another card answered: a swap).
std::string RebindCard(int handle, Family family, const std::vector<uint8_t>& uid);

} // namespace vorex::production

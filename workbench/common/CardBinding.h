#pragma once
// Binds a workbench's grid to the card or tag whose data it shows, so that a write
// never lands on another card: the dialog binds the UID when a read fills the grid,
// releases it when the grid is emptied, and before every write checks the UID that a
// fresh select (ISO 14443) or inventory (ISO 15693) gives.
#include "workbench/common/TextRef.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorex::wb {

// How the reader hands a UID over and how it is shown (as vorexctl shows it):
// ISO 14443 cards in the order of the select answer, ISO 15693 tags arrive least
// significant byte first and are shown most significant first.
enum class UidOrder { CardOrder, LsbFirst };

// Upper-case hexadecimal digits without blanks.
std::string UidText(const std::vector<uint8_t>& uid, UidOrder order);

struct BindingCheck {
    bool write = false;
    TextRef refusal; // why nothing may be written, naming the UIDs (id 0 when write)
};

class CardBinding {
public:
    explicit CardBinding(UidOrder order) : order_(order) {}

    // A read has put this card's data on the grid.
    void Bind(std::vector<uint8_t> uid) { uid_ = std::move(uid); }
    // The grid no longer shows a card's data (emptied, another sector or tag chosen).
    void Release() { uid_.clear(); }
    bool Bound() const { return !uid_.empty(); }
    const std::vector<uint8_t>& Uid() const { return uid_; }

    // Before a write: `present` is the UID the write would go to, from a select made
    // just now (ISO 14443) or the addressed tag (ISO 15693); empty when no card
    // answered. A bound grid is written only to its own card. An unbound grid holds
    // only what the operator typed and may go to any card that answered.
    BindingCheck Check(const std::vector<uint8_t>& present) const;
    // The same against a fresh inventory: the bound tag must be among the UIDs.
    BindingCheck CheckInventory(const std::vector<std::vector<uint8_t>>& field) const;

private:
    UidOrder order_;
    std::vector<uint8_t> uid_;
};

} // namespace vorex::wb

#pragma once
// The reader's ISO 14443A commands (request 30, select 31, authenticate 33, read 34,
// write 35, value 38, store key 39, Type 2 sector select 3A) over a set of stand-in
// cards of which at most one is in the field, and the reader's MIFARE key store.
#include "sim/Iso14443Cards.h"
#include "sim/ReaderModel.h"

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace vsim {

// Readers of these device types keep 12 single keys instead of 16 Key A / Key B pairs.
bool HasSmallKeyStore(unsigned deviceType);

class Iso14443Commands : public CommandSet {
public:
    explicit Iso14443Commands(bool smallKeyStore = false);

    std::optional<Reply> Handle(const Request& request, ReaderModel& reader) override;

    // Cards (callers other than the model's own thread take ReaderModel::Lock first).
    int AddCard(std::unique_ptr<Card14443> card, std::string name = {}); // returns its index
    size_t CardCount() const { return cards_.size(); }
    Card14443& Card(size_t index) { return *cards_.at(index); }
    // The index of the card with that name (or that index as text); -1 when none.
    int FindCard(const std::string& nameOrIndex) const;
    // The name the card was added with (empty when none).
    const std::string& CardName(size_t index) const { return names_.at(index); }
    // The card in the field: an index, or -1 for an empty field. The card that leaves
    // and the one that enters start unpowered (idle).
    void SetField(int index);
    int Field() const { return field_; }

    // Key store: 16 Key A + 16 Key B, or 12 keys (keyType ignored) on small stores.
    bool SmallKeyStore() const { return small_; }
    int KeySlots() const { return small_ ? 12 : 16; }
    bool SetKey(int keyType, int keyNumber, const Bytes& key);
    const Bytes& Key(int keyType, int keyNumber) const;

private:
    Card14443* InField();

    bool small_;
    std::vector<std::unique_ptr<Card14443>> cards_;
    std::vector<std::string> names_;
    int field_ = -1;
    std::vector<Bytes> keysA_;
    std::vector<Bytes> keysB_;
};

// Builds the command set from a scenario's "iso14443" section (see sim/README.md).
// deviceType chooses the key-store size unless the section sets "key_store_size".
std::unique_ptr<Iso14443Commands> ParseIso14443(const nlohmann::json& section, unsigned deviceType,
                                                std::string& error);

} // namespace vsim

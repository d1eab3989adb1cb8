#pragma once
// When the MIFARE Classic workbench may write a sector trailer, and what it asks
// first. A trailer is written only with both keys given for the sector on show: as
// 12 hexadecimal digits typed for it, or a key whose bytes are known for it that the
// operator chose to keep. Never from the key fields of another sector, never with the
// zeros a card reads for Key A. The confirmation shows the 16 bytes, the rights in
// words and a warning for every key or the access bits that could never be changed.
#include "cards/AccessConditions.h"
#include "workbench/common/TextRef.h"
#include "workbench/iso14443/ClassicSector.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorex::wb::mfc {

enum class TrailerKey { A = 0, B = 1 };
using KeyBytes = std::array<uint8_t, 6>;

// The Key A and Key B given for one sector.
class TrailerKeys {
public:
    // Another sector is on show, or a read stopped before the trailer: nothing is
    // given any more (the dialog empties its key fields).
    void EnterSector(int sector);
    int Sector() const { return sector_; }
    // The text of a key field, on every change.
    void Type(TrailerKey which, std::string text);
    // The operator keeps a key whose bytes are known for this sector (the key bytes
    // that opened it, or a Key B read in clear); a later Type() replaces it.
    void Keep(TrailerKey which, const KeyBytes& bytes);

    // The key for `sector`: kept, or typed as exactly 12 hex digits for it.
    std::optional<KeyBytes> Given(TrailerKey which, int sector) const;
    // Why the key is not given for `sector` (id 0 when it is).
    TextRef Missing(TrailerKey which, int sector) const;

private:
    struct Field {
        std::string text;
        std::optional<KeyBytes> kept;
    };
    Field& At(TrailerKey which) { return fields_[static_cast<size_t>(which)]; }
    const Field& At(TrailerKey which) const { return fields_[static_cast<size_t>(which)]; }

    int sector_ = -1;
    std::array<Field, 2> fields_;
};

struct TrailerConfirmation {
    std::array<uint8_t, 16> bytes{};
    TextRef head;                  // sector, block and the 16 bytes
    std::vector<TextRef> rights;   // one line per data group, one for the trailer
    std::vector<TextRef> warnings; // keys or access bits that could never change again
    TextRef question;              // to be answered No by default
};

struct TrailerPlan {
    bool write = false;
    std::vector<TextRef> refusals; // when !write: access values not chosen, missing keys
    TrailerConfirmation confirm;   // when write
};

// The trailer of `sector` (geometry `s`) with the access values (each 0..7; another
// value, e.g. an emptied combo box, is refused) and the user-byte text.
TrailerPlan PlanTrailerWrite(const TrailerKeys& keys, int sector, const Sector& s,
                             const cards::mifare::AccessValues& access,
                             const std::string& userByte);

// "Alles markieren" selects every data row and leaves the trailer row as the operator
// set it; "unselect all" clears every row.
bool RowAfterSelectAll(int row, int trailerRow, bool select, bool wasSelected);

} // namespace vorex::wb::mfc

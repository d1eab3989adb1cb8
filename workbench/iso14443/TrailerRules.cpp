#include "workbench/iso14443/TrailerRules.h"

#include "workbench/common/ByteText.h"
#include "workbench/common/TextIds.h"
#include "workbench/iso14443/TrailerEditor.h"

#include <algorithm>

namespace vorex::wb::mfc {

namespace mf = vorex::cards::mifare;

namespace {

constexpr size_t kKeyDigits = 12;

const char* KeyName(TrailerKey which) {
    return which == TrailerKey::A ? "Key A" : "Key B";
}

bool IsKeyText(const std::string& text) {
    return text.size() == kKeyDigits && std::all_of(text.begin(), text.end(), [](char c) {
               return wb::HexDigitValue(c) != 255;
           });
}

// Who may use a right: "Key A", "Key B", "Key A/B", or "-" for nobody.
std::string Holders(bool keyA, bool keyB) {
    if (keyA && keyB)
        return "Key A/B";
    if (keyA)
        return "Key A";
    if (keyB)
        return "Key B";
    return "-";
}

std::string GroupBlocks(const Sector& s, size_t group) {
    const int perGroup = s.blocks > 4 ? 5 : 1;
    const int first = s.first + static_cast<int>(group) * perGroup;
    if (perGroup == 1)
        return std::to_string(first);
    return std::to_string(first) + "-" + std::to_string(first + perGroup - 1);
}

std::string HexBytes(const std::array<uint8_t, 16>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

TrailerConfirmation Confirmation(const KeyBytes& keyA, const KeyBytes& keyB, int sector,
                                 const Sector& s, const mf::AccessValues& access,
                                 const std::string& userByte) {
    TrailerConfirmation c;
    std::copy(keyA.begin(), keyA.end(), c.bytes.begin());
    const std::array<uint8_t, 3> bits = mf::EncodeAccessBytes(access);
    std::copy(bits.begin(), bits.end(), c.bytes.begin() + 6);
    c.bytes[9] = UserByteOf(userByte);
    std::copy(keyB.begin(), keyB.end(), c.bytes.begin() + 10);
    c.head = {kTextTrailerHead,
              {std::to_string(sector), std::to_string(s.first + s.trailerRow), HexBytes(c.bytes)}};

    for (size_t g = 0; g < 3; ++g) {
        std::vector<std::string> args{GroupBlocks(s, g)};
        for (auto right : {mf::kRead, mf::kWrite, mf::kIncrement, mf::kDecrement})
            args.push_back(Holders(mf::DataAllows(access[g], right, false),
                                   mf::DataAllows(access[g], right, true)));
        c.rights.push_back({kTextTrailerDataRights, args});
    }
    const int t = access[3];
    std::vector<std::string> args;
    for (auto right : {mf::kReadKeyA, mf::kWriteKeyA, mf::kReadKeyB, mf::kWriteKeyB,
                       mf::kReadAccess, mf::kWriteAccess})
        args.push_back(
            Holders(mf::TrailerAllows(t, right, false), mf::TrailerAllows(t, right, true)));
    c.rights.push_back({kTextTrailerOwnRights, args});

    const auto never = [t](mf::TrailerRight right) {
        return !mf::TrailerAllows(t, right, false) && !mf::TrailerAllows(t, right, true);
    };
    if (never(mf::kWriteKeyA))
        c.warnings.push_back({kTextTrailerKeyFrozen, {"Key A"}});
    if (never(mf::kWriteKeyB))
        c.warnings.push_back({kTextTrailerKeyFrozen, {"Key B"}});
    if (never(mf::kWriteAccess))
        c.warnings.push_back({kTextTrailerAccessFrozen, {}});
    c.question = {kTextTrailerQuestion, {}};
    return c;
}

} // namespace

void TrailerKeys::EnterSector(int sector) {
    sector_ = sector;
    fields_ = {};
}

void TrailerKeys::Type(TrailerKey which, std::string text) {
    At(which) = {std::move(text), std::nullopt};
}

void TrailerKeys::Keep(TrailerKey which, const KeyBytes& bytes) {
    At(which) = {{}, bytes};
}

std::optional<KeyBytes> TrailerKeys::Given(TrailerKey which, int sector) const {
    if (sector != sector_ || sector_ < 0)
        return std::nullopt;
    const Field& f = At(which);
    if (f.kept)
        return f.kept;
    if (!IsKeyText(f.text))
        return std::nullopt;
    const std::vector<uint8_t> bytes = wb::TextToBytes(f.text, 6, wb::kHex, wb::kLsbFirst);
    KeyBytes key{};
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return key;
}

TextRef TrailerKeys::Missing(TrailerKey which, int sector) const {
    if (Given(which, sector))
        return {};
    const std::string name = KeyName(which);
    const Field& f = At(which);
    if (sector != sector_ || f.text.empty())
        return {kTextTrailerKeyMissing, {name, std::to_string(sector)}};
    return {kTextTrailerKeyNotHex, {name, std::to_string(sector), f.text}};
}

TrailerPlan PlanTrailerWrite(const TrailerKeys& keys, int sector, const Sector& s,
                             const mf::AccessValues& access, const std::string& userByte) {
    TrailerPlan plan;
    if (std::any_of(access.begin(), access.end(), [](int v) { return v < 0 || v > 7; }))
        plan.refusals.push_back({kTextTrailerAccessUnknown, {std::to_string(sector)}});
    const auto keyA = keys.Given(TrailerKey::A, sector);
    const auto keyB = keys.Given(TrailerKey::B, sector);
    if (!keyA || !keyB || !plan.refusals.empty()) {
        for (TrailerKey which : {TrailerKey::A, TrailerKey::B})
            if (TextRef why = keys.Missing(which, sector); why.id != 0)
                plan.refusals.push_back(why);
        return plan;
    }
    plan.write = true;
    plan.confirm = Confirmation(*keyA, *keyB, sector, s, access, userByte);
    return plan;
}

bool RowAfterSelectAll(int row, int trailerRow, bool select, bool wasSelected) {
    if (!select)
        return false;
    return row == trailerRow ? wasSelected : true;
}

} // namespace vorex::wb::mfc

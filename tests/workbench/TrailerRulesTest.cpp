// When the MIFARE Classic workbench may write a sector trailer: both keys given for
// the sector on show, the confirmation with the bytes, the rights in words and the
// warnings for what could never change again, and "select all" without the trailer.
#include "workbench/iso14443/TrailerRules.h"
#include "tests/workbench/ShownText.h"
#include "workbench/common/TextIds.h"

#include <gtest/gtest.h>

using namespace vorex::wb;
using namespace vorex::wb::mfc;
using vorex::cards::mifare::AccessValues;
using vorex::cards::mifare::kTransportAccess;
using vorex::wbtest::Shown;

namespace {

const Sector kSmall{8, 4, 3};     // sector 2 of either layout
const Sector kLarge{128, 16, 15}; // sector 32 of the 4K layout
const KeyBytes kRead{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};

std::string Joined(const std::vector<TextRef>& refs) {
    std::string text;
    for (const TextRef& r : refs)
        text += Shown(r) + "\n";
    return text;
}

TEST(TrailerRules, WrittenOnlyWithBothKeysGivenForThisSector) {
    const struct {
        const char* name;
        void (*given)(TrailerKeys&); // the operator's input, starting on sector 2
        int sector;                  // the sector written
        bool write;
        const char* says; // part of the refusal
    } cases[] = {
        {"both typed",
         [](TrailerKeys& k) {
             k.Type(TrailerKey::A, "FFFFFFFFFFFF");
             k.Type(TrailerKey::B, "b0b1b2b3b4b5");
         },
         2, true, ""},
        {"no key typed (select all, one data block changed)", [](TrailerKeys&) {}, 2, false,
         "Key A für Sektor 2 fehlt"},
        {"Key B empty", [](TrailerKeys& k) { k.Type(TrailerKey::A, "FFFFFFFFFFFF"); }, 2, false,
         "Key B für Sektor 2 fehlt"},
        {"eleven digits",
         [](TrailerKeys& k) {
             k.Type(TrailerKey::A, "FFFFFFFFFFF");
             k.Type(TrailerKey::B, "FFFFFFFFFFFF");
         },
         2, false, "Key A für Sektor 2 besteht nicht aus 12 Hex-Ziffern („FFFFFFFFFFF“)"},
        {"not hex",
         [](TrailerKeys& k) {
             k.Type(TrailerKey::A, "FFFFFFFFFFFF");
             k.Type(TrailerKey::B, "FFFFFFFFFFFG");
         },
         2, false, "Key B für Sektor 2 besteht nicht"},
        {"typed for the previous sector",
         [](TrailerKeys& k) {
             k.Type(TrailerKey::A, "FFFFFFFFFFFF");
             k.Type(TrailerKey::B, "FFFFFFFFFFFF");
         },
         3, false, "Key A für Sektor 3 fehlt"},
        {"sector changed after typing",
         [](TrailerKeys& k) {
             k.Type(TrailerKey::A, "FFFFFFFFFFFF");
             k.Type(TrailerKey::B, "FFFFFFFFFFFF");
             k.EnterSector(2);
         },
         2, false, "Key A für Sektor 2 fehlt"},
        {"Key B read in clear and kept",
         [](TrailerKeys& k) {
             k.Type(TrailerKey::A, "FFFFFFFFFFFF");
             k.Keep(TrailerKey::B, kRead);
         },
         2, true, ""},
        {"typing replaces a kept key",
         [](TrailerKeys& k) {
             k.Keep(TrailerKey::A, kRead);
             k.Type(TrailerKey::A, "");
             k.Type(TrailerKey::B, "FFFFFFFFFFFF");
         },
         2, false, "Key A für Sektor 2 fehlt"},
    };
    for (const auto& c : cases) {
        TrailerKeys keys;
        keys.EnterSector(2);
        c.given(keys);
        const TrailerPlan plan = PlanTrailerWrite(keys, c.sector, kSmall, kTransportAccess, "69");
        EXPECT_EQ(plan.write, c.write) << c.name;
        if (c.write) {
            EXPECT_TRUE(plan.refusals.empty()) << c.name;
        } else {
            EXPECT_NE(Joined(plan.refusals).find(c.says), std::string::npos)
                << c.name << ": " << Joined(plan.refusals);
            EXPECT_EQ(plan.confirm.bytes, (std::array<uint8_t, 16>{})) << c.name;
        }
    }
}

TEST(TrailerRules, TheConfirmedBytesAreTheKeysTypedAndTheChosenAccess) {
    TrailerKeys keys;
    keys.EnterSector(32);
    keys.Type(TrailerKey::A, "A0A1A2A3A4A5");
    keys.Keep(TrailerKey::B, {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5});
    const TrailerPlan plan = PlanTrailerWrite(keys, 32, kLarge, kTransportAccess, "69");
    ASSERT_TRUE(plan.write);
    const std::array<uint8_t, 16> expected{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xFF, 0x07,
                                           0x80, 0x69, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
    EXPECT_EQ(plan.confirm.bytes, expected);
    EXPECT_EQ(Shown(plan.confirm.head),
              "Sektor 32: der Trailer (Block 143) wird mit diesen Daten geschrieben:\n"
              "A0 A1 A2 A3 A4 A5 FF 07 80 69 B0 B1 B2 B3 B4 B5");
    EXPECT_EQ(Joined(plan.confirm.rights),
              "Block 128-132: Lesen Key A/B, Schreiben Key A/B, Inkrement Key A/B, Dekrement "
              "Key A/B\n"
              "Block 133-137: Lesen Key A/B, Schreiben Key A/B, Inkrement Key A/B, Dekrement "
              "Key A/B\n"
              "Block 138-142: Lesen Key A/B, Schreiben Key A/B, Inkrement Key A/B, Dekrement "
              "Key A/B\n"
              "Trailer: Key A lesen -, Key A schreiben Key A, Key B lesen Key A, Key B "
              "schreiben Key A, Zugriffsbits lesen Key A, Zugriffsbits schreiben Key A\n");
    EXPECT_TRUE(plan.confirm.warnings.empty()) << "transport access changes everything later";
    EXPECT_EQ(plan.confirm.question.id, kTextTrailerQuestion);

    // Rights per group in a small sector, with the group's own value.
    const TrailerPlan mixed = PlanTrailerWrite(keys, 32, kSmall, {1, 7, 6, 4}, "");
    ASSERT_EQ(mixed.confirm.rights.size(), 4u);
    EXPECT_EQ(Shown(mixed.confirm.rights[0]),
              "Block 8: Lesen Key A/B, Schreiben Key B, Inkrement -, Dekrement -");
    EXPECT_EQ(Shown(mixed.confirm.rights[1]),
              "Block 9: Lesen -, Schreiben -, Inkrement -, Dekrement -");
    EXPECT_EQ(Shown(mixed.confirm.rights[2]),
              "Block 10: Lesen Key B, Schreiben Key B, Inkrement -, Dekrement -");
}

TEST(TrailerRules, WarnsForEveryKeyAndTheAccessBitsThatCouldNeverChange) {
    // Trailer access value -> what nobody could write afterwards (A, B, access bits).
    const char* frozen[8] = {"bits", "bits", "A B bits", "A B bits", "", "A B", "", "A B bits"};
    TrailerKeys keys;
    keys.EnterSector(2);
    keys.Type(TrailerKey::A, "FFFFFFFFFFFF");
    keys.Type(TrailerKey::B, "FFFFFFFFFFFF");
    for (int v = 0; v < 8; ++v) {
        const TrailerPlan plan = PlanTrailerWrite(keys, 2, kSmall, {0, 0, 0, v}, "");
        ASSERT_TRUE(plan.write);
        std::string got;
        for (const TextRef& w : plan.confirm.warnings) {
            const std::string text = Shown(w);
            if (w.id == kTextTrailerKeyFrozen)
                got += (w.args.at(0) == "Key A" ? "A " : "B ");
            else if (w.id == kTextTrailerAccessFrozen)
                got += "bits ";
            EXPECT_NE(text.find("nie mehr geändert"), std::string::npos) << text;
        }
        if (!got.empty())
            got.pop_back();
        EXPECT_EQ(got, frozen[v]) << "trailer access value " << v;
    }
}

TEST(TrailerRules, AccessValuesMustBeChosen) {
    TrailerKeys keys;
    keys.EnterSector(5);
    keys.Type(TrailerKey::A, "FFFFFFFFFFFF");
    keys.Type(TrailerKey::B, "FFFFFFFFFFFF");
    for (const AccessValues& access : {AccessValues{0, 0, 0, -1}, AccessValues{8, 0, 0, 4}}) {
        const TrailerPlan plan = PlanTrailerWrite(keys, 5, kSmall, access, "");
        EXPECT_FALSE(plan.write);
        ASSERT_EQ(plan.refusals.size(), 1u);
        EXPECT_EQ(Shown(plan.refusals[0]), "Trailer nicht geschrieben: die Zugriffsbedingungen "
                                           "für Sektor 5 sind nicht gewählt.");
    }
}

TEST(TrailerRules, SelectAllLeavesTheTrailerRowAsTheOperatorSetIt) {
    const struct {
        int row;
        bool select, was, now;
    } cases[] = {
        {0, true, false, true}, {2, true, false, true},  {3, true, false, false},
        {3, true, true, true},  {0, false, true, false}, {3, false, true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowAfterSelectAll(c.row, 3, c.select, c.was), c.now)
            << "row " << c.row << " select " << c.select << " was " << c.was;
}

} // namespace

// Saving and loading dump files in the workbenches without a widget: what is shown
// becomes a tag-memory model (units not shown stay unknown, never zeros), every format a
// workbench offers reads back to the units it showed, a load picks only whole known
// units that the workbench may write, and a file of another chip or size is refused.
#include "cards/AccessConditions.h"
#include "workbench/common/DumpFit.h"
#include "workbench/common/DumpUnits.h"

#include <gtest/gtest.h>

using namespace vorex::wb::dumps;
using vorex::cards::MaybeBytes;
using vorex::cards::iso15693::Iso15693Memory;
using vorex::cards::mifare::ClassicMemory;
using vorex::cards::mifare::ClassicSize;
using vorex::cards::type2::PageMemory;
namespace vd = vorex::dumpfiles;

namespace {

Bytes Filled(size_t count, uint8_t first) {
    Bytes b(count);
    for (size_t i = 0; i < count; ++i)
        b[i] = static_cast<uint8_t>(first + i);
    return b;
}

// Every third unit not shown.
Units Sparse(size_t count, size_t unitSize) {
    Units units(count);
    for (size_t u = 0; u < count; ++u)
        if (u % 3 != 1)
            units[u] = Filled(unitSize, static_cast<uint8_t>(u * 7));
    return units;
}

TEST(DumpUnits, UnitsNotShownBecomeUnknownBytesNotZeros) {
    const Units units{Bytes{1, 2, 3, 4}, std::nullopt, Bytes{}, Bytes{9, 9, 9}, Bytes{0, 0, 0, 0}};
    const MaybeBytes bytes = BytesOfUnits(units, 4);
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[3], 4);
    // Not shown, empty and wrong-length units are unknown; shown zeros stay known.
    for (size_t i = 4; i < 16; ++i)
        EXPECT_FALSE(bytes[i].has_value()) << i;
    for (size_t i = 16; i < 20; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
}

TEST(DumpUnits, LoadPlanTakesWholeKnownUnitsAndKeepsTheFixedOnes) {
    MaybeBytes bytes = BytesOfUnits(
        {Bytes{1, 1, 1, 1}, Bytes{2, 2, 2, 2}, Bytes{3, 3, 3, 3}, std::nullopt, Bytes{5, 5, 5, 5}},
        4);
    bytes[9].reset(); // unit 2 partly unknown
    const LoadPlan plan = PlanLoad(bytes, 4, [](int unit) { return unit == 0; });
    ASSERT_EQ(plan.units.size(), 5u);
    EXPECT_FALSE(plan.units[0]);
    EXPECT_EQ(plan.units[1], (Bytes{2, 2, 2, 2}));
    EXPECT_FALSE(plan.units[2]);
    EXPECT_FALSE(plan.units[3]);
    EXPECT_EQ(plan.units[4], (Bytes{5, 5, 5, 5}));
    EXPECT_EQ(plan.kept, std::vector<int>{0});
    EXPECT_EQ(plan.unknown, (std::vector<int>{2, 3}));
    EXPECT_EQ(plan.Loaded(), 2);
}

TEST(DumpUnits, ClassicTrailerKeepsOnlyWhatTheCardShows) {
    struct Case {
        vorex::cards::mifare::AccessValues access;
        bool keyBKnown;
    };
    for (const Case& c : {Case{{0, 0, 0, 0}, true}, Case{{0, 0, 0, 1}, false},
                          Case{{0, 0, 0, 4}, true}, Case{{0, 0, 0, 3}, false}}) {
        Bytes trailer(16, 0xAB);
        const auto access = vorex::cards::mifare::EncodeAccessBytes(c.access);
        std::copy(access.begin(), access.end(), trailer.begin() + 6);
        const Units rows{Filled(16, 1), std::nullopt, Filled(16, 3), trailer};
        const ClassicMemory m = ClassicSectorDumpOf(ClassicSize::K1, {1, 2, 3, 4}, 4, rows);
        SCOPED_TRACE(c.access[3]);
        EXPECT_EQ(m.uid, (Bytes{1, 2, 3, 4}));
        EXPECT_EQ(m.atqa, 0x0004);
        EXPECT_EQ(m.sak, 0x08);
        EXPECT_TRUE(m.BlockKnown(4));
        EXPECT_FALSE(m.BlockKnown(5));
        EXPECT_FALSE(m.KeyA(1));
        EXPECT_EQ(m.KeyB(1).has_value(), c.keyBKnown);
        EXPECT_TRUE(m.AccessBytes(1));
        // Other sectors were not shown.
        EXPECT_FALSE(m.BlockKnown(0));
        EXPECT_FALSE(m.BlockKnown(8));
    }
}

// A dialog's units, saved in each format it offers and read back, load as the same
// units; a format that can mark unknown bytes keeps the units not shown unknown.
TEST(DumpUnits, EverySaveFormatReadsBackToTheUnitsShown) {
    struct Case {
        const char* name;
        vd::TagDump dump;
        Family family;
        size_t unitSize;
        Units shown;
    };
    std::array<uint8_t, 8> uid{0x71, 0x56, 0x34, 0x12, 0x50, 0x01, 0x04, 0xE0};
    const Units isoBlocks = Sparse(28, 4);
    std::vector<std::optional<bool>> locks(28, false);
    locks[0] = true;
    Units ultralight = Sparse(16, 4);
    ultralight[0] = Bytes{0x04, 0x11, 0x22, 0x88 ^ 0x04 ^ 0x11 ^ 0x22};
    ultralight[1] = Bytes{0x33, 0x44, 0x55, 0x66};
    ultralight[2] = Bytes{0x33 ^ 0x44 ^ 0x55 ^ 0x66, 0x48, 0, 0};
    // Sector 0 with the UID 12345678 and its check byte in block 0.
    Units sector(4);
    sector[0] = Bytes{0x12, 0x34, 0x56, 0x78, 0x12 ^ 0x34 ^ 0x56 ^ 0x78, 0x08, 0x04, 0, 1, 2, 3, 4,
                      5,    6,    7,    8};
    sector[2] = Filled(16, 0x30);
    const std::vector<Case> cases{
        {"iso15693", Iso15693DumpOf(uid, 4, isoBlocks, locks), Family::Iso15693, 4, isoBlocks},
        {"ultralight", PageDumpOf(ultralight), Family::Pages, 4, ultralight},
        {"classic",
         ClassicSectorDumpOf(ClassicSize::K1, {0x12, 0x34, 0x56, 0x78}, 0, sector),
         Family::Classic,
         16,
         {}},
    };
    for (const Case& c : cases) {
        for (const vd::Format format : SaveFormats(c.family)) {
            SCOPED_TRACE(std::string(c.name) + " " + vd::FormatName(format));
            SavedDump saved = SaveDump(format, c.dump, false);
            const bool lossy = saved.lossy > 0;
            if (lossy) {
                EXPECT_TRUE(saved.content.empty());
                saved = SaveDump(format, c.dump, true);
            }
            ASSERT_TRUE(saved.error.empty()) << saved.error;
            const vd::ReadResult r = vd::ReadDump("saved", saved.content);
            ASSERT_TRUE(r.dump) << r.error;
            const DumpChip chip = ChipOfDump(*r.dump);
            EXPECT_TRUE(Fits(chip, ChipOfDump(c.dump))) << ChipText(chip);
            MaybeBytes bytes;
            if (const auto* i = std::get_if<Iso15693Memory>(&*r.dump))
                bytes = i->bytes;
            else if (const auto* p = std::get_if<PageMemory>(&*r.dump))
                bytes = p->bytes;
            else
                bytes = std::get<ClassicMemory>(*r.dump).bytes;
            const LoadPlan plan = PlanLoad(bytes, c.unitSize, [](int) { return false; });
            const Units expected =
                c.shown.empty() ? Units{} : c.shown; // classic: checked by blocks below
            if (!expected.empty()) {
                ASSERT_EQ(plan.units.size(), expected.size());
                for (size_t u = 0; u < expected.size(); ++u) {
                    if (expected[u] || !lossy) {
                        EXPECT_EQ(plan.units[u], expected[u]) << "unit " << u;
                    }
                }
            } else {
                EXPECT_EQ(plan.units[0], sector[0]);
                EXPECT_EQ(plan.units[2], sector[2]);
                if (!lossy) {
                    EXPECT_EQ(plan.Loaded(), 2);
                }
            }
        }
    }
}

// Zeros filled into block 0 under a known UID would make a file its readers refuse.
TEST(DumpFit, SaveRefusesAFillThatContradictsTheCard) {
    Units sector(4);
    sector[1] = Filled(16, 0x20);
    const auto dump = ClassicSectorDumpOf(ClassicSize::K1, {0x12, 0x34, 0x56, 0x78}, 8, sector);
    const SavedDump asked = SaveDump(vd::Format::Pm3, dump, false);
    EXPECT_GT(asked.lossy, 1000u);
    EXPECT_TRUE(asked.content.empty());
    EXPECT_TRUE(asked.error.empty());
    const SavedDump filled = SaveDump(vd::Format::Pm3, dump, true);
    EXPECT_TRUE(filled.content.empty());
    EXPECT_NE(filled.error.find("block 0"), std::string::npos) << filled.error;
    // Formats that mark unknown bytes save it as it is.
    for (const vd::Format f : {vd::Format::Own, vd::Format::Mct, vd::Format::Flipper}) {
        const SavedDump s = SaveDump(f, dump, false);
        EXPECT_EQ(s.lossy, 0u) << vd::FormatName(f);
        EXPECT_FALSE(s.content.empty()) << vd::FormatName(f) << ": " << s.error;
    }
}

TEST(DumpFit, RefusesAnotherFamilyTypeOrSize) {
    struct Case {
        DumpChip file;
        DumpChip shown;
        bool fits;
    };
    const DumpChip k1{Family::Classic, "MIFARE Classic 1K", 64, 16};
    const DumpChip k4{Family::Classic, "MIFARE Classic 4K", 256, 16};
    const DumpChip ntag213{Family::Pages, "NTAG213", 45, 4};
    const DumpChip iso28{Family::Iso15693, Iso15693Type(0x04), 28, 4};
    for (const Case& c : {
             Case{k1, k1, true},
             Case{k4, k1, false},
             Case{k1, k4, false},
             Case{ntag213, ntag213, true},
             Case{{Family::Pages, "", 45, 4}, ntag213, true}, // a binary file names no chip
             Case{{Family::Pages, "NTAG215", 135, 4}, ntag213, false},
             Case{{Family::Pages, "NTAG203", 45, 4}, ntag213, false}, // same size, other chip
             Case{iso28, iso28, true},
             Case{{Family::Iso15693, "", 28, 4}, iso28, true}, // no UID in the file
             Case{{Family::Iso15693, Iso15693Type(0x07), 28, 4}, iso28, false},
             Case{{Family::Iso15693, "", 28, 8}, iso28, false},
             Case{{Family::Iso15693, "", 64, 4}, iso28, false},
             Case{{Family::Pages, "", 28, 4}, iso28, false},
         })
        EXPECT_EQ(Fits(c.file, c.shown), c.fits) << ChipText(c.file) << " on " << ChipText(c.shown);
}

TEST(DumpFit, NamesTheChipAndItsSize) {
    EXPECT_EQ(ChipText(ChipOfDump(ClassicMemory::Unknown(ClassicSize::K4))),
              "MIFARE Classic 4K (256 \xC3\x97 16 Bytes)");
    EXPECT_EQ(ChipText(ChipOfDump(PageDumpOf(Units(16)))),
              "MIFARE Ultralight (16 \xC3\x97 4 Bytes)");
    EXPECT_EQ(ChipText({Family::Pages, "", 45, 4}), "Ultralight/NTAG (45 \xC3\x97 4 Bytes)");
    EXPECT_EQ(ChipText({Family::Iso15693, "", 28, 4}), "ISO 15693 (28 \xC3\x97 4 Bytes)");
    EXPECT_EQ(
        ChipText(ChipOfDump(Iso15693DumpOf({1, 2, 3, 4, 5, 6, 0x07, 0xE0}, 4, Units(64), {}))),
        "ISO 15693 Texas Instruments (64 \xC3\x97 4 Bytes)");
}

TEST(DumpFit, SavedPathGetsTheExtensionOfItsFormat) {
    struct Case {
        const char* path;
        vd::Format format;
        const char* expected;
    };
    for (const Case& c : {
             Case{"/t/card", vd::Format::Own, "/t/card.json"},
             Case{"/t/card.json", vd::Format::Pm3, "/t/card.json"},
             Case{"/t/card.MCT", vd::Format::Mct, "/t/card.MCT"},
             Case{"/t/card.mfd", vd::Format::Bin, "/t/card.mfd"},
             Case{"/t/card.dump", vd::Format::Bin, "/t/card.dump"},
             Case{"/t/card.json", vd::Format::Flipper, "/t/card.json.nfc"},
             Case{"/t/card.v2", vd::Format::Bin, "/t/card.v2.bin"},
         })
        EXPECT_EQ(PathForFormat(c.path, c.format), c.expected) << c.path;
}

TEST(DumpFit, AnExtensionOfOneFormatDecidesElseTheFilter) {
    using F = vd::Format;
    const auto classic = SaveFormats(Family::Classic);
    const auto iso = SaveFormats(Family::Iso15693);
    struct Case {
        const char* path;
        std::optional<F> filter;
        const std::vector<F>& offered;
        F expected;
    };
    for (const Case& c : {
             Case{"/t/card.nfc", F::Own, classic, F::Flipper},
             Case{"/t/card.MCT", F::Pm3, classic, F::Mct},
             Case{"/t/card.mfd", std::nullopt, classic, F::Bin},
             Case{"/t/card.json", F::Pm3, classic, F::Pm3},
             Case{"/t/card.json", std::nullopt, classic, F::Own},
             Case{"/t/card", F::Mct, classic, F::Mct},
             Case{"/t/card", std::nullopt, classic, F::Own},
             // Formats the family has no place in are never chosen.
             Case{"/t/tag.mct", F::Flipper, iso, F::Flipper},
             Case{"/t/tag.bin", std::nullopt, iso, F::Own},
             Case{"/t/tag", F::Mct, iso, F::Own},
         })
        EXPECT_EQ(ChosenFormat(c.path, c.filter, c.offered), c.expected)
            << c.path << " " << (c.filter ? vd::FormatName(*c.filter) : "-");
}

TEST(DumpFit, OffersOnlyFormatsThatHoldTheFamily) {
    using F = vd::Format;
    EXPECT_EQ(SaveFormats(Family::Classic),
              (std::vector<F>{F::Own, F::Pm3, F::Mct, F::Flipper, F::Bin}));
    EXPECT_EQ(SaveFormats(Family::Iso15693), (std::vector<F>{F::Own, F::Pm3, F::Flipper}));
    EXPECT_EQ(LoadFormats(Family::Pages),
              (std::vector<F>{F::Own, F::Pm3, F::Flipper, F::Bin, F::Eml}));
}

} // namespace

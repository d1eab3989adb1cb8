// Rules of the MIFARE Classic workbench and the key-store dialogs: the trailer editor
// on the card library's access-condition codec, value rows, sector layout and labels,
// the SAK check, and the key texts.
#include "workbench/iso14443/ClassicRows.h"
#include "workbench/iso14443/ClassicSector.h"
#include "workbench/iso14443/KeyStoreRules.h"
#include "workbench/iso14443/TrailerEditor.h"

#include <gtest/gtest.h>

using namespace vorex::wb::mfc;
using vorex::cards::mifare::AccessValues;

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

std::vector<uint8_t> Selected(const AccessValues& access, std::vector<uint8_t> row = {}) {
    TrailerFields f;
    f.access = access;
    EncodeTrailer(row, f);
    return row;
}

TEST(TrailerEditor, EveryAccessCombinationSurvivesEncodeAndDecode) {
    for (int n = 0; n < 8 * 8 * 8 * 8; ++n) {
        const AccessValues access{n & 7, n >> 3 & 7, n >> 6 & 7, n >> 9 & 7};
        TrailerFields back;
        back.access = {7, 7, 7, 7};
        ASSERT_TRUE(DecodeTrailer(Selected(access), back));
        ASSERT_EQ(back.access, access) << n;
    }
}

TEST(TrailerEditor, AccessBytesOfTheWorkedValues) {
    const struct {
        AccessValues access;
        const char* bytes;
    } cases[] = {{{0, 0, 0, 4}, "FF 07 80"}, {{0, 0, 0, 0}, "FF 0F 00"},
                 {{0, 0, 0, 1}, "F7 8F 00"}, {{1, 2, 3, 6}, "1A 57 8E"},
                 {{4, 4, 4, 3}, "77 88 78"}, {{7, 7, 7, 7}, "00 F0 FF"}};
    for (const auto& c : cases) {
        const auto row = Selected(c.access);
        EXPECT_EQ(std::vector<uint8_t>(row.begin() + 6, row.begin() + 9), Hex(c.bytes)) << c.bytes;
    }
}

TEST(TrailerEditor, DecodeSetsComboValuesOnlyFromConsistentBytes) {
    TrailerFields f;
    f.access = {1, 2, 3, 5};
    f.keyA = "keep";
    ASSERT_TRUE(DecodeTrailer(Hex("000000000000 FF0780 69 FFFFFFFFFFFF"), f));
    EXPECT_EQ(f.access, (AccessValues{0, 0, 0, 4}));
    EXPECT_EQ(f.userByte, "69");
    EXPECT_EQ(f.keyA, "keep") << "a card reads Key A as zeros";

    f.access = {1, 2, 3, 5};
    ASSERT_TRUE(DecodeTrailer(Hex("000000000000 000000 0A 000000000000"), f));
    EXPECT_EQ(f.access, (AccessValues{1, 2, 3, 5})) << "complement nibbles do not match";
    EXPECT_EQ(f.userByte, "0A") << "the user byte is still taken";

    EXPECT_FALSE(DecodeTrailer(Hex("FF0780"), f)) << "only a 16-byte row is a trailer";
    EXPECT_EQ(f.userByte, "0A");
}

TEST(TrailerEditor, KeysAndUserByteComeFromTheirTexts) {
    const auto read = Hex("000000000000 FF0780 69 112233445566");
    const struct {
        const char* keyA;
        const char* keyB;
        const char* user;
        const char* row;
    } cases[] = {
        // 11 characters keep the bytes the card returned; 12 replace them.
        {"A0A1A2A3A4A", "B0B1B2B3B4B5", "7G", "000000000000 FF0780 07 B0B1B2B3B4B5"},
        {"a0a1a2a3a4a5", "", "", "A0A1A2A3A4A5 FF0780 00 112233445566"},
        // A non-hexadecimal digit gives what the byte-text conversion makes of it.
        {"G5A1A2A3A4A5", "", "1FF", "F5A1A2A3A4A5 FF0780 FF 112233445566"},
    };
    for (const auto& c : cases) {
        TrailerFields f;
        f.keyA = c.keyA;
        f.keyB = c.keyB;
        f.userByte = c.user;
        auto row = read;
        EncodeTrailer(row, f);
        EXPECT_EQ(row, Hex(c.row)) << c.keyA << " " << c.user;
    }
    TrailerFields f;
    EXPECT_EQ(Selected(f.access), Hex("000000000000 FF0780 00 000000000000"))
        << "an empty row becomes 16 bytes with zero keys";
}

// The data sheet's access-condition tables, written out: who may read, write,
// increment, decrement a data block, and who may read/write Key A, the access bits and
// Key B of the trailer ("AB" both keys, "A", "B", "-" none).
TEST(TrailerEditor, RightsGridFollowsTheDataSheet) {
    const char* data[8][4] = {{"AB", "AB", "AB", "AB"}, {"AB", "B", "-", "-"},
                              {"AB", "-", "-", "-"},    {"AB", "B", "B", "AB"},
                              {"AB", "-", "-", "AB"},   {"B", "-", "-", "-"},
                              {"B", "B", "-", "-"},     {"-", "-", "-", "-"}};
    // Read KeyA, Write KeyA, Read KeyB, Write KeyB, Read Rights, Write Rights.
    const char* trailer[8][6] = {{"-", "A", "A", "A", "A", "-"},  {"-", "B", "-", "B", "AB", "-"},
                                 {"-", "-", "A", "-", "A", "-"},  {"-", "-", "-", "-", "AB", "-"},
                                 {"-", "A", "A", "A", "A", "A"},  {"-", "-", "-", "-", "AB", "B"},
                                 {"-", "B", "-", "B", "AB", "B"}, {"-", "-", "-", "-", "AB", "-"}};
    const auto has = [](const char* who, char key) {
        return std::string(who).find(key) != std::string::npos;
    };
    for (int v = 0; v < 8; ++v) {
        const RightsGrid grid = ShowAccessRights({v, v, v, v});
        for (size_t g = 0; g < 3; ++g)
            for (size_t c = 0; c < 4; ++c) {
                EXPECT_EQ(grid.data[g][2 * c], has(data[v][c], 'A')) << v << " column " << c;
                EXPECT_EQ(grid.data[g][2 * c + 1], has(data[v][c], 'B')) << v << " column " << c;
            }
        for (size_t c = 0; c < 6; ++c) {
            EXPECT_EQ(grid.trailer[2 * c], has(trailer[v][c], 'A')) << v << " column " << c;
            EXPECT_EQ(grid.trailer[2 * c + 1], has(trailer[v][c], 'B')) << v << " column " << c;
        }
    }
    // Each group shows its own value.
    const RightsGrid mixed = ShowAccessRights({7, 0, 5, 4});
    EXPECT_FALSE(mixed.data[0][0]);
    EXPECT_TRUE(mixed.data[1][0]);
    EXPECT_TRUE(mixed.data[2][1]);
    EXPECT_FALSE(mixed.data[2][0]);
}

TEST(ClassicRows, ValueModeWritesAndShowsValueBlocks) {
    const auto data = RowData("100", true, 0, 0);
    ASSERT_TRUE(data);
    EXPECT_EQ(*data, Hex("64000000 9BFFFFFF 64000000 00FF00FF"));
    EXPECT_EQ(RowText(*data, false, true, 0, 0), "100");
    // The stand-in's value blocks carry the block number as address byte.
    EXPECT_EQ(RowText(Hex("E8030000 17FCFFFF E8030000 0AF50AF5"), false, true, 0, 1), "1000");
    EXPECT_EQ(RowText(Hex("FFFFFFFF 00000000 FFFFFFFF 00FF00FF"), false, true, 0, 1), "-1");
    EXPECT_EQ(RowText(Hex("64000000 9BFFFFFF 65000000 00FF00FF"), false, true, 0, 1), "")
        << "copies disagree: no value block";
    EXPECT_EQ(RowText(Hex("56 6F 72 65 78 00 00 00 00 00 00 00 00 00 00 00"), false, true, 1, 1),
              "");
    for (const char* bad : {"", "12a", "2147483648", "99999999999"})
        EXPECT_FALSE(RowData(bad, true, 0, 0)) << bad;
    EXPECT_EQ(*RowData("2147483647", true, 0, 0), Hex("FFFFFF7F 00000080 FFFFFF7F 00FF00FF"));
}

TEST(ClassicRows, DataRowsFollowDisplayModeAndTheTrailerRowIsAlwaysHexLsbFirst) {
    const auto bytes = Hex("56 6F 72 65 78 00 00 00 00 00 00 00 00 00 00 01");
    EXPECT_EQ(RowText(bytes, false, false, 0, 1),
              "56 6F 72 65 78 00 00 00 00 00 00 00 00 00 00 01");
    EXPECT_EQ(RowText(bytes, false, false, 0, 0), "01" + std::string(20, '0') + "7865726F56");
    EXPECT_EQ(RowText(bytes, true, true, 1, 0), "56 6F 72 65 78 00 00 00 00 00 00 00 00 00 00 01");
    EXPECT_EQ(RowText({}, false, false, 0, 1), "");
    EXPECT_EQ(*RowData("Vorex", false, 1, 1),
              Hex("56 6F 72 65 78 00 00 00 00 00 00 00 00 00 00 00"));
    EXPECT_FALSE(RowData("", false, 0, 1)) << "an empty text leaves the row data alone";
}

TEST(ClassicSector, GeometryAndLabelsOfBothLayouts) {
    const struct {
        bool layout1k;
        int sector, first, blocks;
        const char* row0;
        const char* row14;
        std::array<const char*, 3> groups;
    } cases[] = {
        {true, 0, 0, 4, "Block 0", "", {"Block 0", "Block 1", "Block 2"}},
        {true, 15, 60, 4, "Block 60", "", {"Block 60", "Block 61", "Block 62"}},
        {false, 31, 124, 4, "Block 124", "", {"Block 124", "Block 125", "Block 126"}},
        {false,
         32,
         128,
         16,
         "Block 128",
         "Block 142",
         {"Block 128 - 132", "Block 133 - 137", "Block 138 - 142"}},
        {false,
         39,
         240,
         16,
         "Block 240",
         "Block 254",
         {"Block 240 - 244", "Block 245 - 249", "Block 250 - 254"}},
    };
    for (const auto& c : cases) {
        const Sector s = SectorOf(c.sector, c.layout1k);
        EXPECT_EQ(s.first, c.first) << c.sector;
        EXPECT_EQ(s.blocks, c.blocks) << c.sector;
        EXPECT_EQ(s.trailerRow, c.blocks - 1) << c.sector;
        EXPECT_EQ(RowLabel(LabelPrefix("Block 0"), s, 0), c.row0);
        if (c.blocks == 16) {
            EXPECT_EQ(RowLabel("Block", s, 14), c.row14);
        }
        const auto groups = GroupLabels("Block", s);
        for (size_t g = 0; g < 3; ++g)
            EXPECT_EQ(groups[g], c.groups[g]) << c.sector;
    }
    EXPECT_EQ(TemplateRows(true), 4);
    EXPECT_EQ(TemplateRows(false), 16);
    EXPECT_EQ(TemplateSectors(true), 16);
    EXPECT_EQ(TemplateSectors(false), 40);
    EXPECT_EQ(LabelPrefix("Rechte"), "Rechte");
}

TEST(ClassicSector, TextLimitsAndSakChecks) {
    EXPECT_EQ(RowTextLimit(true, true, 1, 0), 47);
    EXPECT_EQ(RowTextLimit(false, true, 0, 1), 11);
    EXPECT_EQ(RowTextLimit(false, false, 0, 1), 47);
    EXPECT_EQ(RowTextLimit(false, false, 0, 0), 32);
    EXPECT_EQ(RowTextLimit(false, false, 1, 1), 20);

    const struct {
        unsigned sak;
        int on1k, on4k;
    } cases[] = {
        {0x08, 0, 238}, {0x88, 0, 238}, {0x18, 239, 0}, {0x00, 240, 240}, {0x20, 241, 241}};
    for (const auto& c : cases) {
        EXPECT_EQ(SakStatusId(c.sak, true), c.on1k) << c.sak;
        EXPECT_EQ(SakStatusId(c.sak, false), c.on4k) << c.sak;
    }
}

TEST(KeyStoreRules, KeyTextsMarkersAndValidation) {
    const struct {
        const char* text;
        KeyCheck check;
        bool marker;
        int message;
    } cases[] = {{"", KeyCheck::Empty, false, 0},
                 {"A0A1A2A3A4A5", KeyCheck::Ok, false, 0},
                 {"a0a1a2a3a4a5", KeyCheck::Ok, false, 0},
                 {"A0A1A2A3A4A", KeyCheck::WrongLength, true, 112},
                 {"A0A1A2A3A4A5A", KeyCheck::WrongLength, true, 112},
                 {"A0A1A2A3A4 5", KeyCheck::NotHex, true, 138},
                 {"A0A1A2A3A4AG", KeyCheck::NotHex, true, 138}};
    for (const auto& c : cases) {
        EXPECT_EQ(CheckKeyText(c.text), c.check) << c.text;
        EXPECT_EQ(ShowsMarker(c.text), c.marker) << c.text;
        EXPECT_EQ(ValidationTextId(c.text), c.message) << c.text;
    }
}

TEST(KeyStoreRules, OneStoreCommandPerFilledKey) {
    std::vector<std::string> a(16), b(16);
    b[3] = "b0b1b2b3b4b5";
    auto commands = StoreCommands(a, b);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].keyType, 1);
    EXPECT_EQ(commands[0].index, 3);
    EXPECT_EQ(commands[0].key, (std::array<uint8_t, 6>{0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}));

    a[0] = "FFFFFFFFFFFF";
    a[3] = "A0A1A2A3A4A5";
    commands = StoreCommands(a, b);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ((std::pair{commands[1].keyType, commands[1].index}), (std::pair{0, 3}));
    EXPECT_EQ((std::pair{commands[2].keyType, commands[2].index}), (std::pair{1, 3}));

    std::vector<std::string> reduced(12);
    reduced[11] = kPhilipsKey;
    commands = StoreCommands(reduced, {});
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ((std::pair{commands[0].keyType, commands[0].index}), (std::pair{0, 11}));
    EXPECT_EQ(commands[0].key, (std::array<uint8_t, 6>{0x9E, 0x8D, 0x7C, 0x6B, 0x5A, 0x49}));
}

} // namespace

// Malformed and inconsistent files are refused with the file name, the line, offset or
// field, and what was expected there; the lenient cases (omitted MCT sectors, older
// layouts, the other sizes) load as the tag they describe.
#include "dumpfiles/DumpFiles.h"
#include "tests/dumpfiles/DumpFixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace vtest::dumps;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// A Proxmark3 Classic JSON of 64 blocks with block 0 and the Card fields given.
std::string Pm3Classic(const std::string& block0, const std::string& uid,
                       const std::string& extraBlock = "") {
    std::string blocks = "\"0\": \"" + block0 + "\"";
    for (int b = 1; b < 64; ++b)
        blocks += ", \"" + std::to_string(b) + "\": \"" +
                  (b == 1 && !extraBlock.empty() ? extraBlock : Repeat("00", 16)) + "\"";
    return "{\"Created\": \"proxmark3\", \"FileType\": \"mfcard\", \"Card\": {\"UID\": \"" + uid +
           "\", \"ATQA\": \"0400\", \"SAK\": \"08\"}, \"blocks\": {" + blocks + "}}";
}

std::string FlipperClassic(int version, const std::string& atqa, const std::string& block1) {
    std::string s = "Filetype: Flipper NFC device\nVersion: " + std::to_string(version) +
                    "\nDevice type: Mifare Classic\nUID: DE AD BE EF\nATQA: " + atqa +
                    "\nSAK: 08\nMifare Classic type: 1K\nData format version: 2\n";
    s += "Block 0: DE AD BE EF 22 08 04 00 62 63 64 65 66 67 68 69\n";
    for (int b = 1; b < 64; ++b)
        s += "Block " + std::to_string(b) + ": " + (b == 1 ? block1 : Repeat("00 ", 15) + "00") +
             "\n";
    return s;
}

std::string MctSector(int s, const std::string& line = std::string(32, '0')) {
    std::string out = "+Sector: " + std::to_string(s) + "\n";
    for (int i = 0; i < (s < 32 ? 4 : 16); ++i)
        out += line + "\n";
    return out;
}

std::string NtagPm3(const std::string& uid) {
    std::string blocks = "\"0\": \"04A1B29F\", \"1\": \"C3D4E5F6\"";
    for (int p = 2; p < 45; ++p)
        blocks += ", \"" + std::to_string(p) + "\": \"00000000\"";
    return "{\"FileType\": \"mfu\", \"Card\": {\"UID\": \"" + uid + "\"}, \"blocks\": {" + blocks +
           "}}";
}

TEST(DumpRefusal, MalformedFilesNameWhereAndWhat) {
    const struct {
        const char* name;
        std::string content;
        std::string expected; // part of the error after "f.x: "
    } cases[] = {
        {"classic block 0 with a bad BCC",
         Pm3Classic("DEADBEEF23080400" + Repeat("00", 8), "DEADBEEF"),
         "block 0: expected the UID check byte (BCC) 22 in byte 4, not 23"},
        {"classic block 0 with another UID",
         Pm3Classic("01020304040804" + Repeat("00", 9), "DEADBEEF"),
         "block 0: expected the UID DEADBEEF"},
        {"ultralight UID disagrees with pages 0-1", NtagPm3("04A1B2C3D4E5F7"),
         "\"Card\".\"UID\": expected the UID of pages 0-1 (04A1B2C3D4E5F6)"},
        {"flipper v3 ATQA in the version 2 order",
         FlipperClassic(3, "04 00", Repeat("00 ", 15) + "00"),
         "line 5: \"ATQA:\" (version 3 writes it most significant byte first)"},
        {"flipper v2 ATQA in the later order", FlipperClassic(2, "00 04", Repeat("00 ", 15) + "00"),
         "line 5: \"ATQA:\" (version 2 writes it least significant byte first)"},
        {"mct with a ?? marker", MctSector(0) + "+Sector: 1\n0000??" + std::string(26, '0') + "\n",
         "line 7: expected a block of 32 characters"},
        {"mct with half a -- marker", "+Sector: 0\n-" + std::string(31, '0') + "\n",
         "line 2: expected a block of 32 characters"},
        {"flipper with a -- marker", FlipperClassic(4, "00 04", "-- " + Repeat("00 ", 14) + "00"),
         "line 10: expected \"Block 1:\" 16 bytes"},
        {"pm3 json with a ?? marker",
         Pm3Classic("DEADBEEF22080400" + Repeat("00", 8), "DEADBEEF", "??" + Repeat("00", 15)),
         "\"blocks\".\"1\": expected 16 bytes in hex"},
        {"pm3 json with a gap",
         "{\"FileType\": \"mfc v2\", \"blocks\": {\"0\": \"" + Repeat("00", 16) + "\", \"2\": \"" +
             Repeat("00", 16) + "\"}}",
         "expected key \"1\""},
        {"pm3 json of 65 blocks",
         [] {
             std::string b;
             for (int i = 0; i < 65; ++i)
                 b += std::string(i ? ", " : "") + "\"" + std::to_string(i) + "\": \"" +
                      Repeat("00", 16) + "\"";
             return "{\"FileType\": \"mfc v2\", \"blocks\": {" + b + "}}";
         }(),
         "expected 20, 64, 128 or 256 blocks"},
        {"pm3 json of another tag", "{\"FileType\": \"iclass\", \"blocks\": {}}",
         "expected a MIFARE Classic"},
        {"mct sector repeated", MctSector(0) + MctSector(1) + MctSector(0),
         "line 11: expected each sector once; sector 0 was on line 1"},
        {"mct sector cut short", "+Sector: 3\n" + std::string(32, 'A') + "\n+Sector: 4\n",
         "line 3: expected 4 blocks for sector 3"},
        {"mct sector number too high", "+Sector: 40\n", "line 1: expected a sector header"},
        {"mct block without header", "+Sector: 0\n" + Repeat(std::string(32, '0') + "\n", 5),
         "line 6: expected the next \"+Sector: N\" header"},
        {"flipper version 1",
         "Filetype: Flipper NFC device\nVersion: 1\nDevice type: Mifare Classic\n",
         "line 2: expected \"Version:\" 2, 3 or 4"},
        {"flipper without blocks",
         "Filetype: Flipper NFC device\nVersion: 4\nDevice type: Mifare Classic\nUID: DE AD BE "
         "EF\nATQA: 00 04\nSAK: 08\nMifare Classic type: 1K\n",
         "line 8: expected \"Block 0:\""},
        {"flipper plain 14443-3A",
         "Filetype: Flipper NFC device\nVersion: 4\nDevice type: ISO14443-3A\n",
         "line 3: expected \"Device type:\" Mifare Classic"},
        {"flipper 15693 UID in the other order",
         "Filetype: Flipper NFC device\nVersion: 4\nDevice type: ISO15693-3\nUID: 78 56 34 12 00 "
         "01 04 E0\n",
         "line 4: expected \"UID:\" 8 bytes, most significant (E0) first"},
        {"binary of an odd size", std::string(1023, '\0'),
         "offset 1023: expected the end of a binary dump"},
        {"binary pages without UID check bytes", std::string(64, '\x01'),
         "offset 0: expected an Ultralight/NTAG dump"},
        {"eml line not hex", std::string(32, 'A') + "\nXYZ\n", "line 2: expected 32 hex digits"},
        {"own dump of a newer version",
         "{\"format\": \"vorex-dump\", \"version\": 2, \"family\": \"iso15693\"}",
         "\"version\": written by a newer version"},
        {"own dump with a short block",
         "{\"format\": \"vorex-dump\", \"version\": 1, \"family\": \"mifare-classic\", \"type\": "
         "\"1K\", \"blocks\": [\"00\"]}",
         "\"blocks\"[0]: expected 16 bytes in hex (?? unknown) or null"},
        {"own dump with an unknown size",
         "{\"format\": \"vorex-dump\", \"version\": 1, \"family\": \"mifare-classic\", \"type\": "
         "\"8K\", \"blocks\": []}",
         "\"type\": expected the card size MINI, 1K, 2K or 4K"},
        {"broken json", "{\"FileType\": ", "offset 14: expected JSON"},
        {"empty file", "", "expected a dump, the file is empty"},
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadDump("f.x", c.content);
        EXPECT_FALSE(r.dump) << c.name;
        EXPECT_EQ(r.error.rfind("f.x: ", 0), 0u) << c.name << ": " << r.error;
        EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.name << ": " << r.error;
    }
}

TEST(DumpRefusal, OmittedMctSectorsAndOtherSizesLoad) {
    // Sectors 0 and 2 of a 1K card: sector 1 and 3-15 are unknown.
    std::string blk0 = "DEADBEEF220804006263646566676869";
    std::string mct = "# made by hand\n+Sector: 0\n" + blk0 + "\n" +
                      Repeat(std::string(32, '1') + "\n", 3) + "  +Sector: 2  \n" +
                      Repeat(std::string(32, 'a') + "\n", 3) + "------------FF078069------------";
    ReadResult r = ReadDump("part.mct", mct);
    ASSERT_TRUE(r.dump) << r.error;
    auto m = std::get<ClassicMemory>(*r.dump);
    EXPECT_EQ(m.size, md::ClassicSize::K1);
    EXPECT_EQ(m.uid, (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_FALSE(m.BlockKnown(4));
    EXPECT_TRUE(m.BlockKnown(8));
    EXPECT_EQ(m.bytes[8 * 16], 0xAA);
    EXPECT_FALSE(m.KeyA(2));
    EXPECT_EQ(m.AccessBytes(2), (std::vector<uint8_t>{0xFF, 0x07, 0x80, 0x69}));
    EXPECT_FALSE(m.BlockKnown(63));

    const struct {
        std::string content;
        md::ClassicSize size;
    } sizes[] = {
        {MctSector(20), md::ClassicSize::K2},
        {MctSector(35), md::ClassicSize::K4},
        {std::string(2048, '\0'), md::ClassicSize::K2},
        {std::string(320, '\0'), md::ClassicSize::Mini},
        {WriteDump(Format::Mct, Classic(md::ClassicSize::Mini), std::nullopt).content,
         md::ClassicSize::Mini},
    };
    for (const auto& s : sizes) {
        r = ReadDump("size", s.content);
        ASSERT_TRUE(r.dump) << r.error;
        EXPECT_EQ(std::get<ClassicMemory>(*r.dump).size, s.size);
    }
    // Flipper files know MINI, 1K and 4K; restore procedures only 1K and 4K.
    EXPECT_NE(
        WriteDump(Format::Flipper, Classic(md::ClassicSize::K2), std::nullopt).error.find("not 2K"),
        std::string::npos);
    EXPECT_FALSE(md::ToDump(Classic(md::ClassicSize::Mini)));
    EXPECT_TRUE(md::ToDump(Classic(md::ClassicSize::K4)));
}

TEST(DumpRefusal, EarlierLayoutsStillLoad) {
    // MIFARE Classic JSON of earlier versions: decimal ATQA, keys in a list.
    std::string blocks;
    for (int b = 0; b < 64; ++b)
        blocks += std::string(b ? "," : "") + (b == 5 ? "null" : "\"" + Repeat("11", 16) + "\"");
    const std::string classic =
        "{\"type\": \"classic1k\", \"uid\": \"DEADBEEF\", \"atqa\": 4, \"sak\": 8, \"blocks\": [" +
        blocks + "], \"sectors\": [{\"sector\": 0, \"key_a\": \"A0A1A2A3A4A5\", \"key_b\": null}]}";
    ReadResult r = ReadDump("old.json", classic);
    ASSERT_TRUE(r.dump) << r.error;
    EXPECT_EQ(r.format, Format::Own);
    const auto& m = std::get<ClassicMemory>(*r.dump);
    EXPECT_EQ(m.atqa, 0x0004);
    EXPECT_FALSE(m.BlockKnown(5));
    EXPECT_EQ(m.KeyA(0), (vorex::cards::Key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_FALSE(m.KeyB(0));
    EXPECT_FALSE(m.KeyA(1)) << "a read trailer shows Key A as zeros: unknown";

    r = ReadDump("old15693.json",
                 "{\"uid\": \"E004010012345678\", \"manufacturer\": 4, \"block_count\": 2, "
                 "\"block_size\": 4,"
                 " \"blocks\": [{\"block\": 0, \"data\": \"01020304\", \"locked\": true},"
                 " {\"block\": 1, \"data\": \"05060708\", \"locked\": null}]}");
    ASSERT_TRUE(r.dump) << r.error;
    const auto& t = std::get<Iso15693Memory>(*r.dump);
    EXPECT_EQ(t.Blocks(), 2);
    EXPECT_EQ(t.locks, (std::vector<std::optional<bool>>{true, std::nullopt}));

    r = ReadDump("oldpages.json", "{\"type\": \"ntag213\", \"uid\": \"04A1B2C3D4E5F6\", "
                                  "\"page_count\": 2, \"pages\": [\"04A1B29F\", \"C3D4E5F6\"]}");
    ASSERT_TRUE(r.dump) << r.error;
    EXPECT_EQ(std::get<PageMemory>(*r.dump).type, "NTAG213");

    // MIFARE Classic Tool's export to Proxmark3 JSON keeps its "--" marks.
    std::string fromMct = Pm3Classic("DEADBEEF22080400" + Repeat("00", 8), "DEADBEEF",
                                     Repeat("--", 6) + Repeat("11", 10));
    fromMct.replace(fromMct.find("proxmark3"), 9, "MifareClassicTool");
    r = ReadDump("mct.json", fromMct);
    ASSERT_TRUE(r.dump) << r.error;
    EXPECT_FALSE(std::get<ClassicMemory>(*r.dump).bytes[16]);
    EXPECT_EQ(std::get<ClassicMemory>(*r.dump).bytes[22], 0x11);

    // Proxmark3 files of earlier versions: mfcard with lower-case, spaced hex.
    r = ReadDump("pm3.json", Pm3Classic("de ad be ef 22 08 04 00" + Repeat("00", 8), "deadbeef"));
    ASSERT_TRUE(r.dump) << r.error;
    EXPECT_EQ(std::get<ClassicMemory>(*r.dump).bytes[0], 0xDE);
}

} // namespace

// Rules of the ISO 15693 workbench that depend on no widget: chip names, serial values
// and tag log lines, inventory records, grid rows, request flags, lock ranges and
// the tag log file.
#include "tests/workbench/ShownText.h"
#include "workbench/common/TextIds.h"
#include "workbench/iso15693/LockRange.h"
#include "workbench/iso15693/TagLogFile.h"
#include "workbench/iso15693/TagNaming.h"
#include "workbench/iso15693/TagSlot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vorex::wb::iso;

namespace {

// UID from its usual most-significant-first text form.
Uid U(std::initializer_list<int> msbFirst) {
    Uid uid{};
    int i = 7;
    for (int b : msbFirst)
        uid[static_cast<size_t>(i--)] = static_cast<uint8_t>(b);
    return uid;
}

struct ChipCase {
    Uid uid;
    int id;
};

class ChipNameTest : public testing::TestWithParam<ChipCase> {};

TEST_P(ChipNameTest, NamesByMakerAndType) {
    EXPECT_EQ(ChipNameId(GetParam().uid), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChipNameTest,
    testing::Values(ChipCase{U({0xE0, 0x02, 0x2C, 0, 0, 0, 0, 0}), 221},
                    // NXP byte 5 = 1: the sub-type is (byte 4 >> 3) & 3.
                    ChipCase{U({0xE0, 0x04, 0x01, 0x08, 0, 0, 0, 0}), 247}, // SLIX2 S26
                    ChipCase{U({0xE0, 0x04, 0x01, 0x10, 0, 0, 0, 0}), 246}, // SLIX S20
                    ChipCase{U({0xE0, 0x04, 0x01, 0x00, 0, 0, 0, 0}), 235},
                    ChipCase{U({0xE0, 0x04, 0x01, 0x18, 0, 0, 0, 0}), 235},
                    ChipCase{U({0xE0, 0x04, 0x02, 0x10, 0, 0, 0, 0}), 248},
                    ChipCase{U({0xE0, 0x04, 0x02, 0x08, 0, 0, 0, 0}), 236},
                    ChipCase{U({0xE0, 0x04, 0x03, 0x10, 0, 0, 0, 0}), 249},
                    ChipCase{U({0xE0, 0x04, 0x03, 0x00, 0, 0, 0, 0}), 237},
                    ChipCase{U({0xE0, 0x04, 0x07, 0x10, 0, 0, 0, 0}), 204},
                    ChipCase{U({0xE0, 0x05, 0x45, 0, 0, 0, 0, 0}), 203},
                    ChipCase{U({0xE0, 0x07, 0x80, 0, 0, 0, 0, 0}), 234},
                    ChipCase{U({0xE0, 0x07, 0x01, 0, 0, 0, 0, 0}), 234},
                    ChipCase{U({0xE0, 0x07, 0xC5, 0, 0, 0, 0, 0}), 233},
                    ChipCase{U({0xE0, 0x07, 0xC0, 0, 0, 0, 0, 0}), 202},
                    ChipCase{U({0xE0, 0x08, 0x01, 0, 0, 0, 0, 0}), 222},
                    ChipCase{U({0xE0, 0x16, 0x02, 0, 0, 0, 0, 0}), 219},
                    ChipCase{U({0xE0, 0x17, 0x00, 0, 0, 0, 0, 0}), 223},
                    ChipCase{U({0xE0, 0x39, 0x00, 0, 0, 0, 0, 0}), 243},
                    ChipCase{U({0xE0, 0x33, 0x00, 0, 0, 0, 0, 0}), 205}));

TEST(TagNaming, SerialValueLeavesOutMakerAndE0) {
    const Uid uid = U({0xE0, 0x04, 0x01, 0x50, 0x12, 0x34, 0x56, 0x71});
    EXPECT_EQ(SerialValue(uid), 0x015012345671ull);
    EXPECT_EQ(SerialText(uid), "015012345671");
    EXPECT_EQ(SerialText(U({0xE0, 0x07, 0, 0, 0, 0, 0, 0x0a})), "00000000000A");
    EXPECT_EQ(UidText(uid), "E004015012345671");
}

TEST(TagNaming, LogLinesUseTheLogNames) {
    const Uid slix = U({0xE0, 0x04, 0x01, 0x50, 0x12, 0x34, 0x56, 0x71});
    EXPECT_EQ(TagLogLine("10.12.2026 12:00:01", 0x04, slix),
              "10.12.2026 12:00:01 ISO15693 ICode -> HEX - 015012345671\r\n");
    // SIC is named in the caption but unknown to the log.
    EXPECT_EQ(ChipNameId(U({0xE0, 0x39, 0, 0, 0, 0, 0, 1})), 243);
    EXPECT_STREQ(TagLogName(0x39), " ISO15693 Chip unbekannt ");
    EXPECT_STREQ(TagLogName(0x08), " ISO 15693 Fujitsu ");
    EXPECT_STREQ(TagLogName(0x16), " ISO 15693 EM ");
    EXPECT_STREQ(TagLogName(0x17), " ISO 15693 KSW ");
    EXPECT_STREQ(TagLogName(0x02), " ISO15693 STM ");
    EXPECT_STREQ(TagLogName(0x05), " ISO15693 My-D ");
    EXPECT_STREQ(TagLogName(0x07), " ISO15693 TagIt ");
}

TEST(TagNaming, TagMarkerOnLogFileNames) {
    EXPECT_EQ(MarkTagLogName("tags.pos"), "tags ISO15693.pos");
    EXPECT_EQ(MarkTagLogName("tags"), "tags ISO15693.pos");
    EXPECT_EQ(MarkTagLogName("a.b.txt"), "a.b ISO15693.txt");
    EXPECT_EQ(MarkTagLogName("tags ISO15693.pos"), "tags ISO15693.pos");
}

TEST(TagSlot, InventoryRecordsWithAnAnswerGiveUids) {
    // Two tags, an empty slot record (status 1) and a cut record at the end.
    const uint8_t answer[] = {0x00, 0x00, 0x00, 0x71, 0x56, 0x34, 0x12, 0x50, 0x01, 0x04,
                              0xE0, 0x01, 0x00, 0x00, 1,    2,    3,    4,    5,    6,
                              7,    8,    0x10, 0x00, 0x00, 0x95, 0x21, 0x3C, 0x8A, 0x08,
                              0x01, 0x04, 0xE0, 0x00, 0x00, 0x00, 0x11};
    const auto uids = SplitInventory(answer, sizeof answer);
    ASSERT_EQ(uids.size(), 2u);
    EXPECT_EQ(uids[0], U({0xE0, 0x04, 0x01, 0x50, 0x12, 0x34, 0x56, 0x71}));
    EXPECT_EQ(uids[1], U({0xE0, 0x04, 0x01, 0x08, 0x8A, 0x3C, 0x21, 0x95}));
    EXPECT_TRUE(SplitInventory(answer, 10).empty());
    EXPECT_TRUE(SplitInventory(nullptr, 22).empty());
}

TEST(TagSlot, BlocksPerRowFromTheGridWidth) {
    struct Case {
        int width, size, perRow;
    } cases[] = {
        {700, 4, 4},   // n = 7
        {768, 4, 8},   // n = 8
        {47, 4, 1},    // n = 0
        {200, 4, 2},   // n = 2
        {3100, 4, 32}, // n = 32
        {9999, 4, 32}, // never more than 32 below 16 bytes
        {700, 8, 2},   // n = 3
        {700, 16, 1},  // n = 1
        {1200, 16, 3}, // 16 bytes and above: as many as fit
        {100, 16, 1},  {-50, 4, 1}, {100, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlocksPerRow(c.width, c.size), c.perRow) << c.width << " " << c.size;
}

TEST(TagSlot, ReadAndWriteFlags) {
    struct Case {
        uint8_t maker;
        uint8_t size;
        uint16_t count;
        unsigned request;
        unsigned readFlags;
        int expected;
        unsigned writeFlags;
    } cases[] = {
        {0x04, 4, 28, 0x01, 0x41, 5, 0x01},   {0x04, 4, 28, 0x03, 0x43, 5, 0x03},
        {0x05, 8, 32, 0x01, 0x01, 8, 0x01},   // Infineon: no option flag
        {0x02, 4, 2048, 0x01, 0x49, 5, 0x09}, // above 256 blocks: protocol extension
        {0x04, 4, 256, 0x00, 0x40, 5, 0x00},  {0x05, 8, 257, 0x00, 0x08, 8, 0x08},
    };
    for (const Case& c : cases) {
        TagSlot slot{c.maker, c.size, 4, c.count};
        const ReadRequest r = ReadRequestFor(slot, c.request);
        EXPECT_EQ(r.flags, c.readFlags) << int(c.maker) << " " << c.count;
        EXPECT_EQ(r.expected, c.expected);
        EXPECT_EQ(r.withSecurityStatus, c.maker != 5);
        EXPECT_EQ(WriteFlagsFor(slot, c.request), c.writeFlags);
    }
}

TEST(TagSlot, InfineonServiceBlocksAndLockStatus) {
    const TagSlot myd{0x05, 8, 4, 32};
    const TagSlot slix{0x04, 4, 4, 28};
    EXPECT_TRUE(IsServiceBlock(myd, 0));
    EXPECT_TRUE(IsServiceBlock(myd, 2));
    EXPECT_FALSE(IsServiceBlock(myd, 3));
    EXPECT_FALSE(IsServiceBlock(slix, 0));
    EXPECT_FALSE(IsLocked(0x00));
    EXPECT_TRUE(IsLocked(0x01));
    EXPECT_TRUE(IsLocked(0x02));
    EXPECT_FALSE(IsLocked(0x04));
}

TEST(LockRange, StoredRangeIsLoweredToTheTag) {
    EXPECT_EQ(ClampStoredRange(10, 80, 27), (BlockRange{10, 27}));
    EXPECT_EQ(ClampStoredRange(90, 80, 27), (BlockRange{27, 27}));
    EXPECT_EQ(ClampStoredRange(0, 0, 27), (BlockRange{0, 0}));
}

TEST(LockRange, AllLocksEveryBlock) {
    EXPECT_EQ(BlocksToLock(0, {3, 7}, 28), (BlockRange{3, 7}));
    EXPECT_EQ(BlocksToLock(1, {3, 7}, 28), (BlockRange{0, 27}));
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(TagLogFile, AppendsAndNeverTruncates) {
    const auto dir = std::filesystem::path(testing::TempDir()) / "vorex-taglog";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto file = dir / "tags ISO15693.pos";
    EXPECT_TRUE(AppendTagLog(file.string(), {}));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(AppendTagLog(file.string(), {"a\r\n", "b\r\n"}));
    EXPECT_TRUE(AppendTagLog(file.string(), {"c\r\n"}));
    EXPECT_EQ(ReadAll(file), "a\r\nb\r\nc\r\n");
    // A file that cannot be opened gets nothing and what is there stays.
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    if (!AppendTagLog(file.string(), {"d\r\n"})) {
        EXPECT_EQ(ReadAll(file), "a\r\nb\r\nc\r\n");
    }
    EXPECT_FALSE(AppendTagLog((dir / "missing" / "x.pos").string(), {"e\r\n"}));
    EXPECT_FALSE(AppendTagLog("", {"e\r\n"}));
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir);
}

TEST(TagLogFile, DefaultFolderIsTheUsersDataFolder) {
    const struct {
        const char* xdg;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/data/user", "/home/op", "/data/user/Nvk Applikationen/VorexProgrammer"},
        {nullptr, "/home/op", "/home/op/.local/share/Nvk Applikationen/VorexProgrammer"},
        {"", "/home/op/", "/home/op/.local/share/Nvk Applikationen/VorexProgrammer"},
        {"relative/data", "/home/op", "/home/op/.local/share/Nvk Applikationen/VorexProgrammer"},
        {"C:\\test", nullptr, ""},
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefaultTagLogFolder(c.xdg, c.home, "Nvk Applikationen/VorexProgrammer"), c.folder)
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
}

TEST(TagLogFile, InitialPathNeverTakesAWindowsPath) {
    const auto dir = std::filesystem::path(testing::TempDir()) / "vorex-taglog-initial";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string kept = (dir / "tags ISO15693.pos").string();
    const std::string fallback = "/home/op/.local/share/app";
    const struct {
        std::string stored;
        std::string initial;
    } cases[] = {
        {"C:\\test", fallback + "/taglog.pos"},
        {"", fallback + "/taglog.pos"},
        {"test", fallback + "/taglog.pos"},
        {kept, kept},
        {(dir / "gone" / "x.pos").string(), fallback + "/taglog.pos"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InitialTagLogPath(c.stored, fallback), c.initial) << c.stored;
    EXPECT_EQ(InitialTagLogPath("C:\\test", ""), "");
    std::filesystem::remove_all(dir);
}

TEST(TagLogFile, FolderAndFileProblemsAreReportedWithTheReason) {
    using vorex::wbtest::Shown;
    const auto dir = std::filesystem::path(testing::TempDir()) / "vorex-taglog-errors";
    std::filesystem::remove_all(dir);
    const auto folder = dir / "share" / "app";
    EXPECT_EQ(PrepareTagLogFolder(folder.string()).id, 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(PrepareTagLogFolder(folder.string()).id, 0) << "an existing folder is fine";

    std::ofstream(dir / "plain").put('x');
    const auto blocked = PrepareTagLogFolder((dir / "plain" / "app").string());
    EXPECT_EQ(blocked.id, vorex::wb::kTextTagLogFolderFailed);
    EXPECT_NE(Shown(blocked).find((dir / "plain" / "app").string()), std::string::npos);
    EXPECT_EQ(PrepareTagLogFolder("").id, vorex::wb::kTextTagLogNoFolder);

    const std::string file = (folder / "tags ISO15693.pos").string();
    EXPECT_EQ(AppendTagLogLines(file, {"a\r\n"}).id, 0);
    EXPECT_EQ(ReadAll(file), "a\r\n");

    const std::string missing = (dir / "missing" / "x.pos").string();
    const auto notCreated = AppendTagLogLines(missing, {"b\r\n"});
    EXPECT_EQ(notCreated.id, vorex::wb::kTextTagLogOpenFailed);
    EXPECT_EQ(Shown(notCreated), "Die Protokolldatei " + missing +
                                     " kann nicht angelegt oder geöffnet werden: No such file "
                                     "or directory. Es wird nicht protokolliert.");
    // A full disk takes the open but not the lines.
    const auto full = AppendTagLogLines("/dev/full", {"c\r\n"});
    EXPECT_EQ(full.id, vorex::wb::kTextTagLogWriteFailed);
    EXPECT_NE(Shown(full).find("/dev/full"), std::string::npos);
    EXPECT_FALSE(AppendTagLog("/dev/full", {"c\r\n"}));
    std::filesystem::remove_all(dir);
}

} // namespace

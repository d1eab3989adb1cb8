// Version numbers, offers of the program and the reader file, installer names.
#include "update/UpdateSource.h"
#include "update/VersionRules.h"

#include <gtest/gtest.h>

using namespace vorex::update;

namespace {

TEST(VersionRules, Numbers) {
    EXPECT_EQ(VersionNumber("2.16"), 2016);
    EXPECT_EQ(VersionNumber("2.9"), 2009);
    EXPECT_GT(VersionNumber("2.16"), VersionNumber("2.9"));
    EXPECT_EQ(VersionNumber("3"), 3000);
    EXPECT_EQ(VersionNumber("1.0.0"), 1000);
    EXPECT_EQ(VersionNumber("1.12beta"), 1012);
    EXPECT_EQ(VersionNumber(""), 0);
    EXPECT_EQ(VersionNumber("x.y"), 0);
    EXPECT_EQ(VersionNumber(".5"), 5);
    // Absurdly long digit runs stay finite.
    EXPECT_GT(VersionNumber(std::string(40, '9')), 0);
}

TEST(VersionRules, FirmwareCode) {
    EXPECT_EQ(FirmwareVersion("125C"), "1.12");
    EXPECT_EQ(FirmwareVersion("1255"), "1.05");
    EXPECT_EQ(FirmwareVersion("125z"), "1.61");
    EXPECT_EQ(FirmwareVersion("125#"), "1.00");
    EXPECT_EQ(FirmwareVersion("12"), "1.00");
    EXPECT_EQ(DeviceCode("125C"), "125");
    EXPECT_EQ(DeviceCode("1"), "1");
}

TEST(VersionRules, OwnVersionText) {
    EXPECT_EQ(OwnVersionText("2.16"), "2.16");
    EXPECT_EQ(OwnVersionText("2.9"), "2.9 ");
    EXPECT_EQ(OwnVersionText(""), "-.--");
    EXPECT_EQ(OwnVersionText(std::string(19, '1')), std::string(19, '1'));
    EXPECT_EQ(OwnVersionText(std::string(20, '1')), "-.--");
}

struct NameCase {
    const char* url;
    const char* name;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << '"' << c.url << '"';
}

class InstallerName : public testing::TestWithParam<NameCase> {};

TEST_P(InstallerName, Cleaned) {
    EXPECT_EQ(InstallerFileName(GetParam().url, "fixed"), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, InstallerName,
    testing::Values(NameCase{"https://h/rfid/software/vorex-2.17.deb", "vorex-2.17.deb"},
                    NameCase{"setup.run", "setup.run"}, // no "/": the whole URL
                    NameCase{"https://h/x/setup.deb?token=1#top", "setup.deb"},
                    NameCase{"https://h/x/..", "fixed"}, NameCase{"https://h/x/.", "fixed"},
                    NameCase{"..", "fixed"}, NameCase{"", "fixed"},
                    NameCase{"https://h/x/", "fixed"}, NameCase{"-rf", "fixed"},
                    NameCase{"https://h/-rf", "fixed"}, NameCase{"a/b\\c", "bc"},
                    NameCase{"a\\..", "a.."}, NameCase{"new\nline", "newline"}));

// A program file and a reader file as the server holds them.
constexpr const char* kProgramFile = "[VorexProgrammer]\r\n"
                                     "Version=2.9\r\n"
                                     "Build=2026-04-01\r\n"
                                     "Installer=https://h/rfid/software/vorex-2.9.deb\r\n";

struct ProgramCase {
    const char* name;
    const char* file;
    const char* ownVersion;
    const char* ownBuild;
    Verdict verdict;
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramOffers : public testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramOffers, Verdict) {
    const ProgramCase& c = GetParam();
    CUpdateSource source("RFIDVersionsHF.txt", "VorexProgrammer");
    if (c.file)
        source.SetFetched(c.file);
    else
        source.SetFailed("Connection refused");
    EXPECT_EQ(source.ProgramVerdict(c.ownVersion, c.ownBuild), c.verdict);
    // A file without a build still offers a higher version; the about box says 603.
    if (c.verdict != Verdict::NoFile) {
        EXPECT_EQ(source.IsUpdateAvailable(c.ownVersion, c.ownBuild), c.verdict == Verdict::Update);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProgramOffers,
    testing::Values(
        ProgramCase{"older", kProgramFile, "2.8", "2026-05-01", Verdict::Update},
        // 2.16 is 2016, above 2009: a later file build does not offer the older version.
        ProgramCase{"newerOwn", kProgramFile, "2.16", "2026-03-18", Verdict::Current},
        ProgramCase{"sameLaterBuild", kProgramFile, "2.9", "2026-03-18", Verdict::Update},
        ProgramCase{"sameSameBuild", kProgramFile, "2.9", "2026-04-01", Verdict::Current},
        ProgramCase{"sameNewerBuild", kProgramFile, "2.9", "2026-04-02", Verdict::Current},
        ProgramCase{"noBuild", "[VorexProgrammer]\nVersion=3.0\n", "2.9", "2026-04-01",
                    Verdict::NoFile},
        ProgramCase{"noVersion", "[VorexProgrammer]\nBuild=2026-04-01\n", "2.9", "2026-04-01",
                    Verdict::NoFile},
        ProgramCase{"errorPage", "<html><body>404 Not Found</body></html>", "2.9", "2026-04-01",
                    Verdict::NoFile},
        ProgramCase{"empty", "", "2.9", "2026-04-01", Verdict::NoFile},
        ProgramCase{"failed", nullptr, "2.9", "2026-04-01", Verdict::NoConnection}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr const char* kReaderFile = "[Alias]\n"
                                    "125=VX-B7x\n"
                                    "161=VX-C7x\n"
                                    "[VX-B7x]\n"
                                    "Version=1.10\n"
                                    "Installer=https://h/rfid/software/b7x-1.10.bin\n"
                                    "[VX-B7x-VX-B71]\n"
                                    "Version=1.12\n"
                                    "Exclude=1.05-1.10\n"
                                    "Installer=https://h/rfid/software/b71-1.12.bin\n"
                                    "[VX-C7x]\n"
                                    "Version=1.20\n"
                                    "Build=2026-01-10\n";

struct ReaderCase {
    const char* name;
    const char* firmwareCode;
    const char* model;
    Verdict verdict;
    const char* offeredVersion;
    const char* installer;
    const char* latest;
};

void PrintTo(const ReaderCase& c, std::ostream* os) {
    *os << c.name;
}

class ReaderOffers : public testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderOffers, Verdict) {
    const ReaderCase& c = GetParam();
    CUpdateSource source("RFIDDeviceVersions.txt", "");
    source.SetFetched(kReaderFile);
    source.DeviceIdentified(c.firmwareCode, c.model);
    EXPECT_EQ(source.ReaderVerdict(), c.verdict);
    const Offer offer = source.ReaderOffer();
    EXPECT_EQ(offer.available, c.verdict == Verdict::Update);
    if (offer.available) {
        EXPECT_EQ(offer.version, c.offeredVersion);
        EXPECT_EQ(offer.installer, c.installer);
    }
    EXPECT_EQ(source.GetLatestVersion(), c.latest);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderOffers,
    testing::Values(
        // 1.04 lies below the excluded range: the model section offers 1.12.
        ReaderCase{"modelOffers", "1254", "VX-B71", Verdict::Update, "1.12",
                   "https://h/rfid/software/b71-1.12.bin", "1.12"},
        // 1.07 lies within 1.05-1.10: the model section is out, the family offers 1.10.
        ReaderCase{"excludedFamilyOffers", "1257", "VX-B71", Verdict::Update, "1.10",
                   "https://h/rfid/software/b7x-1.10.bin", "1.12"},
        // 1.10 is excluded from the model and equal to the family: nothing.
        ReaderCase{"excludedAndCurrent", "125A", "VX-B71", Verdict::Current, "", "", "1.12"},
        ReaderCase{"aboveModel", "125D", "VX-B71", Verdict::Current, "", "", "1.12"},
        // Another model of the family has no section of its own.
        ReaderCase{"familyOnly", "1257", "VX-B7", Verdict::Update, "1.10",
                   "https://h/rfid/software/b7x-1.10.bin", "1.10"},
        ReaderCase{"noAlias", "1455", "VX-B73", Verdict::Current, "", "", ""},
        ReaderCase{"noModel", "1257", "", Verdict::Empty, "", "", ""},
        // Without a build of its own the reader counts a section's build as newer,
        // but never an older version.
        ReaderCase{"sameVersionWithBuild", "161K", "VX-C75", Verdict::Update, "1.20", "", "1.20"},
        ReaderCase{"newerWithBuild", "161L", "VX-C75", Verdict::Current, "", "", "1.20"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderSource, AliasOfAnEarlierReaderDoesNotStick) {
    CUpdateSource source("RFIDDeviceVersions.txt", "");
    source.SetFetched(kReaderFile);
    source.DeviceIdentified("1254", "VX-B71");
    ASSERT_TRUE(source.LookupAlias());
    EXPECT_EQ(source.SectionName(), "VX-B7x");
    source.DeviceIdentified("1455", "VX-B73");
    EXPECT_FALSE(source.LookupAlias());
    EXPECT_FALSE(source.ReaderOffer().available);
    EXPECT_EQ(source.SectionName(), "");
}

TEST(ReaderSource, FailedOrMissingFile) {
    CUpdateSource source("RFIDDeviceVersions.txt", "");
    source.DeviceIdentified("1254", "VX-B71");
    EXPECT_EQ(source.ReaderVerdict(), Verdict::NoConnection);
    source.SetFailed("Host not found");
    EXPECT_EQ(source.ReaderVerdict(), Verdict::NoConnection);
    EXPECT_FALSE(source.LookupAlias());
    source.SetFetched("");
    EXPECT_EQ(source.ReaderVerdict(), Verdict::Current);
    EXPECT_FALSE(source.ReaderOffer().available);
}

TEST(ReaderSource, ExcludeWithoutRangeDoesNotExclude) {
    CUpdateSource source("RFIDDeviceVersions.txt", "");
    source.SetFetched("[Alias]\n125=F\n[F]\nVersion=1.00\n[F-M]\nVersion=1.12\nExclude=1.07\n");
    source.DeviceIdentified("1257", "M");
    EXPECT_EQ(source.ReaderVerdict(), Verdict::Update);
    EXPECT_EQ(source.ReaderOffer().version, "1.12");
}

} // namespace

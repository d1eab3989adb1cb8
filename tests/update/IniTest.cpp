#include "update/IniEx.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

CPrivateProfile Parsed(const std::string& text) {
    CPrivateProfile ini;
    EXPECT_TRUE(ini.Parse(text));
    return ini;
}

TEST(IniParse, LastOfEqualKeysWinsAndNamesIgnoreCase) {
    const auto ini = Parsed("[A]\nx = 1\nx=2\n");
    EXPECT_EQ(ini.GetValue("a", "X", "d"), "2");
}

TEST(IniParse, CaseSensitiveWhenTheFlagIsCleared) {
    CIniEx ini;
    ini.SetCaseInsensitive(false);
    ini.Parse("[A]\nx=1\n");
    EXPECT_EQ(ini.GetValue("a", "x", "d"), "d");
    EXPECT_EQ(ini.GetValue("A", "X", "d"), "d");
    EXPECT_EQ(ini.GetValue("A", "x", "d"), "1");
}

TEST(IniParse, UnclosedBracketIsAKey) {
    const auto ini = Parsed("[S]\n[Name\nk=v\n");
    EXPECT_EQ(ini.FindSection("Name"), -1);
    EXPECT_EQ(ini.GetValue("S", "[Name", "d"), "");
    EXPECT_EQ(ini.GetValue("S", "k"), "v");
}

TEST(IniParse, EmptyKeyOrValue) {
    const auto ini = Parsed("[S]\nkey=\n=v\n");
    EXPECT_EQ(ini.GetValue("S", "key", "d"), "");
    EXPECT_EQ(ini.GetValue("S", "", "d"), "v");
}

TEST(IniParse, LineEndsParseTheSame) {
    for (const char* text : {"[S]\r\na=1\r\nb=2\r\n", "[S]\na=1\nb=2\n", "[S]\ra=1\rb=2\r",
                             "[S]\n\n\r\na=1\r\r\nb=2"}) {
        const auto ini = Parsed(text);
        EXPECT_EQ(ini.GetValue("S", "a"), "1") << text;
        EXPECT_EQ(ini.GetValue("S", "b"), "2") << text;
        ASSERT_EQ(ini.Sections().size(), 2u);
        EXPECT_EQ(ini.Sections()[1].keys.size(), 2u) << "empty lines are skipped";
    }
}

TEST(IniParse, NothingParsedGivesDefaults) {
    CPrivateProfile ini;
    EXPECT_EQ(ini.GetValue("Version", "Programm", "0.0"), "0.0");
    EXPECT_EQ(ini.FindSection("Version"), -1);
}

TEST(IniParse, SpacesAndTabsAroundValues) {
    const auto ini = Parsed("[S]\na =  v  \nb=w\t\nc=\tx\n");
    EXPECT_EQ(ini.GetValue("S", "a"), "v  ") << "trailing spaces are kept";
    EXPECT_EQ(ini.GetValue("S", "b"), "w") << "a trailing tab is cut with the line end";
    EXPECT_EQ(ini.GetValue("S", "c"), "\tx") << "only blanks are stripped before the value";
}

TEST(IniParse, CommentsAndBareLinesAreKeysWithoutValue) {
    const auto ini = Parsed("top=1\n[S]\n; note = x\nbare\n");
    EXPECT_EQ(ini.GetValue("", "top"), "1") << "lines before the first header";
    ASSERT_EQ(ini.FindSection("S"), 1);
    const CSection& s = ini.Sections()[1];
    ASSERT_EQ(s.keys.size(), 2u);
    EXPECT_EQ(s.keys[0], "; note = x");
    EXPECT_EQ(s.values[0], "");
    EXPECT_EQ(s.keys[1], "bare");
}

TEST(IniParse, ArgumentsMayBeStringIds) {
    CPrivateProfile ini;
    ini.Parse("[Version]\nProgramm=2.1\n");
    EXPECT_EQ(ini.GetValue(100, 101, 102), "") << "ids without a loader are empty";
    ini.SetStringLoader([](int id) {
        return id == 100 ? "Version" : id == 101 ? "Programm" : id == 102 ? "fallback" : "";
    });
    EXPECT_EQ(ini.GetValue(100, 101, 102), "2.1");
    EXPECT_EQ(ini.GetValue(100, "Firmware", 102), "fallback");
    EXPECT_EQ(ini.GetValue("Version", 101), "2.1");
}

TEST(IniParse, FirstOfEqualSectionsIsFound) {
    const auto ini = Parsed("[S]\na=1\n[s]\na=2\n");
    EXPECT_EQ(ini.FindSection("S"), 1);
    EXPECT_EQ(ini.GetValue("S", "a"), "1");
}

class IniSaveTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorex-ini-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "versions.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
    std::string file_;
};

TEST_F(IniSaveTest, UnmodifiedModelWritesNothing) {
    CIniEx ini;
    ini.Parse("[S]\na=1\n");
    ini.SetFileName(file_);
    EXPECT_EQ(ini.Save(true), "");
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(IniSaveTest, WritesSectionsCommentsAndNumberedBackups) {
    std::ofstream(file_) << "old\n";
    std::ofstream(dir_ / "versions.007") << "x";
    CIniEx ini;
    ini.Parse("lead=0\n[S]\n;c\na=1\n");
    ini.SetFileName(file_);
    ini.SetValue("S", "b", "2");
    const std::string backup = ini.Save(true);
    EXPECT_EQ(backup, file_ + ".008");
    EXPECT_EQ(Read(backup), "old\n");
    EXPECT_EQ(Read(file_), "lead=0\n[S]\n;c\na=1\nb=2\n");
    EXPECT_FALSE(ini.IsModified());
    EXPECT_EQ(ini.Save(true), "") << "nothing changed since";

    CIniEx again;
    again.Parse(Read(file_));
    EXPECT_EQ(again.GetValue("s", "B"), "2");
}

TEST_F(IniSaveTest, UnwritableFileStaysModified) {
    CIniEx ini;
    ini.SetFileName((dir_ / "missing" / "x.ini").string());
    ini.SetValue("S", "a", "1");
    ini.Save(false);
    EXPECT_TRUE(ini.IsModified());
}

} // namespace

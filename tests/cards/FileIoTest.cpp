// Whole-file reads and writes of dumps: refused inputs and outputs give a reason, and a
// refused write leaves the file that was there.
#include "cards/FileIo.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using vorex::cards::ReadWholeFile;
using vorex::cards::ReplaceFile;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vorex-fileio-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(FileIo, ReadsRefuseWhatIsNoRegularFile) {
    struct Case {
        std::string path;
        std::string reason;
    } cases[] = {
        {Path(""), "is a folder"},
        {"/dev/null", "not a regular file"},
        {Path("missing"), "No such file or directory"},
    };
    for (const auto& c : cases) {
        std::string content, error;
        EXPECT_FALSE(ReadWholeFile(c.path, content, error)) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    std::ofstream(Path("big")) << std::string(100, 'x');
    std::string content, error;
    EXPECT_FALSE(ReadWholeFile(Path("big"), content, error, 99));
    EXPECT_TRUE(ReadWholeFile(Path("big"), content, error, 100));
    EXPECT_EQ(content.size(), 100u);
}

TEST_F(FileIo, ReplaceKeepsPermissionsAndLinksAndLeavesNoTemporaryFile) {
    const std::string file = Path("dump.mfd");
    std::ofstream(file) << "old";
    ::chmod(file.c_str(), 0640);
    fs::create_symlink(file, Path("link.mfd"));
    std::string error;
    ASSERT_TRUE(ReplaceFile(Path("link.mfd"), "new content", error)) << error;
    std::string content;
    ASSERT_TRUE(ReadWholeFile(file, content, error));
    EXPECT_EQ(content, "new content");
    EXPECT_TRUE(fs::is_symlink(Path("link.mfd")));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);

    // A folder as target, or a folder that does not exist: refused, nothing changes.
    EXPECT_FALSE(ReplaceFile(dir_.string(), "x", error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_FALSE(ReplaceFile(Path("no/such/dir/f"), "x", error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);
}

} // namespace

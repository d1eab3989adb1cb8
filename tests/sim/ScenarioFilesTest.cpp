// Finding scenario files by path and by name: the installed folder beside the program
// comes first, bare names may leave out ".json", and anything else that does not exist
// is not found. (The source tree, searched last, serves the build tree's demo mode,
// which tests/shell/demo-screenshot.sh runs.)
#include "sim/ScenarioFiles.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ScenarioFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix_ = fs::temp_directory_path() / ("vorex-scenarios-" + std::to_string(getpid()));
        bin_ = prefix_ / "bin";
        fs::create_directories(bin_);
        installed_ = vsim::InstalledScenarioDir(bin_.string());
        fs::create_directories(installed_);
        for (const char* name : {"demo.json", "only-installed.json"})
            std::ofstream(installed_ / name) << "{}";
    }
    void TearDown() override { fs::remove_all(prefix_); }

    fs::path prefix_, bin_, installed_;
};

TEST_F(ScenarioFilesTest, InstalledFolderIsUnderThePrefixBesideBin) {
    EXPECT_EQ(fs::path(installed_).lexically_relative(prefix_), fs::path("share/vorex/scenarios"));
}

TEST_F(ScenarioFilesTest, FindsByPathAndByName) {
    const std::string source = vtest::SourcePath("sim/scenarios/variant2.json");
    const std::string installedDemo = (installed_ / "demo.json").string();
    const struct {
        std::string asked, programDir, found;
    } cases[] = {
        {source, bin_.string(), source},             // a path as given
        {"demo", bin_.string(), installedDemo},      // installed first
        {"demo.json", bin_.string(), installedDemo}, // with its suffix
        {"only-installed", bin_.string(), (installed_ / "only-installed.json").string()},
        {"only-installed", "", ""}, // not beside it
        {"no-such-scenario", bin_.string(), ""},
        {"scenarios/demo.json", bin_.string(), ""}, // not a bare name
        {"", bin_.string(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vsim::FindScenarioFile(c.asked, c.programDir), c.found)
            << "'" << c.asked << "' from '" << c.programDir << "'";
}

} // namespace

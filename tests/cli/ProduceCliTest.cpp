// vorexctl produce and vorexctl production report end to end: a line of 1,000 stand-in
// NTAG213 tags programmed in one run (the conveyor moves on after each tag the
// command reports), the record as CSV, and the exit codes of a job refused.
#include "sim/Conveyor.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using nlohmann::json;

namespace {

class ProduceCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vorexctl-produce-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        db_ = (dir_ / "records.sqlite").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Ctl() const { return vtest::BinaryPath("cli/vorexctl"); }

    std::filesystem::path dir_;
    std::string db_;
};

TEST_F(ProduceCli, AThousandConveyorTagsInOneRunEachWithItsOwnSerial) {
    constexpr int kTags = 1000;
    auto sim = vtest::SimReader::FromScenario(R"({"conveyor": {"family": "ntag213", "count": )" +
                                              std::to_string(kTags) + "}}");
    const std::string job = vtest::SourcePath("examples/production/ntag213-url.json");
    const std::string command = Ctl() + " --port " + sim->Path() + " --json produce " + job +
                                " --db " + db_ + " --count " + std::to_string(kTags) +
                                " --station line1 --journal " + (dir_ / "j.json").string() +
                                " --idle 10";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> uids, serials;
    json summary;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        const json j = json::parse(line, nullptr, false);
        ASSERT_TRUE(j.is_object()) << line;
        if (j.contains("end")) {
            summary = j;
            continue;
        }
        EXPECT_EQ(j.value("result", ""), "passed") << line;
        uids.insert(j.value("uid", ""));
        serials.insert(j.value("serial_text", ""));
        auto lock = sim->Model().Lock();
        sim->Model().FindCommandSet<vsim::Conveyor>()->Next(sim->Model());
    }
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << summary.dump();
    EXPECT_EQ(summary.value("end", ""), "count");
    EXPECT_EQ(summary.value("passed", 0), kTags);
    EXPECT_EQ(uids.size(), size_t{kTags});
    EXPECT_EQ(serials.size(), size_t{kTags});
    EXPECT_EQ(serials.count("VX-000001") + serials.count("VX-001000"), 2u);

    // The record: a header row, then one passed row per tag.
    const auto report =
        vtest::Run("cli/vorexctl", "production report " + job + " --db " + db_ + " --csv");
    ASSERT_EQ(report.status, 0);
    std::istringstream rows(report.out);
    std::string header, row;
    std::getline(rows, header);
    EXPECT_EQ(header, "time,station,job,uid,serial,result,error,duration_ms");
    int passed = 0;
    while (std::getline(rows, row))
        passed += row.find(",line1,ntag213-url,") != std::string::npos &&
                  row.find(",passed,") != std::string::npos;
    EXPECT_EQ(passed, kTags);
}

TEST_F(ProduceCli, AJobThatCannotBeProducedIsRefusedWithTheFieldAtFault) {
    auto sim = vtest::SimReader::FromScenario(R"({"conveyor": {"family": "ntag213", "count": 1}})");
    const struct {
        const char* job;
        const char* field;
    } cases[] = {
        {R"({"name": "x", "family": "ntag", "chips": ["NTAG213"], "serial": {"width": 0},
             "content": {"ndef": [{"type": "uri", "uri": "{serial}"}]}})",
         "$.serial.width"},
        {R"({"name": "x", "family": "iso15693", "chips": ["ICODE_SLIX"], "serial": {"width": 6},
             "content": {"raw": [{"block": 0, "text": "{serial}"}]}, "iso15693": {"afi": 1}})",
         "$.iso15693.afi"},
    };
    for (const auto& c : cases) {
        const std::string file = (dir_ / "job.json").string();
        FILE* f = std::fopen(file.c_str(), "w");
        std::fputs(c.job, f);
        std::fclose(f);
        const auto r = vtest::Run(
            "cli/vorexctl",
            "--port " + sim->Path() + " produce " + file + " --db " + db_ + " --idle 1", true);
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_NE(r.out.find(c.field), std::string::npos) << r.out;
    }
}

} // namespace

// vorexctl iso15693 end to end against a stand-in reader on a pseudo-terminal.
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

using nlohmann::json;

namespace {

struct CtlResult {
    int status = -1;
    std::string out;
};

class IsoCli : public ::testing::Test {
protected:
    void SetUp() override {
        const json scenario = json::parse(R"({
          "reader": {"variant": 0},
          "iso15693": {"tags": [
            {"type": "nxp-icode-slix", "uid": "E0 04 01 00 00 00 00 15",
             "blocks": ["11 22 33 44"], "locked": [0]},
            {"type": "ti-tagit-hfi-plus", "uid": "E0 07 80 00 00 00 00 25"},
            {"type": "infineon-myd", "uid": "E0 05 45 00 00 00 00 35"}
          ]}})");
        sim_ = vtest::SimReader::FromScenario(scenario.dump());
        dir_ =
            std::filesystem::temp_directory_path() / ("vorexctl-iso-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    CtlResult Ctl(const std::string& args) {
        const auto r = vtest::Run("cli/vorexctl", "--port " + sim_->Path() + " " + args);
        return CtlResult{r.status, r.out};
    }
    size_t Writes() {
        size_t n = 0;
        for (const auto& r : sim_->Model().Requests())
            if (r.command == 0x20 && r.data.size() > 1 && r.data[1] == 0x21)
                ++n;
        return n;
    }

    std::unique_ptr<vtest::SimReader> sim_;
    std::filesystem::path dir_;
};

TEST_F(IsoCli, InventoryJsonListsEveryTag) {
    const CtlResult r = Ctl("--json iso15693 inventory");
    ASSERT_EQ(r.status, 0) << r.out;
    const json j = json::parse(r.out);
    ASSERT_TRUE(j.at("tags").is_array());
    std::map<std::string, int> makers;
    for (const auto& t : j.at("tags")) {
        makers[t.at("uid").get<std::string>()] = t.at("manufacturer").get<int>();
        EXPECT_EQ(t.at("dsfid").get<int>(), 0);
        // The same names as the workbenches show.
        const std::map<int, std::string> names{
            {4, "NXP Semiconductors"}, {5, "Infineon"}, {7, "Texas Instruments"}};
        EXPECT_EQ(t.at("manufacturer_name"), names.at(t.at("manufacturer").get<int>()));
    }
    EXPECT_EQ(makers,
              (std::map<std::string, int>{
                  {"E004010000000015", 4}, {"E007800000000025", 7}, {"E005450000000035", 5}}));
}

TEST_F(IsoCli, WriteThenReadBack) {
    ASSERT_EQ(Ctl("iso15693 write --uid E007800000000025 --block 3 --data A1B2C3D4").status, 0);
    const CtlResult r = Ctl("--json iso15693 read --uid E0:07:80:00:00:00:00:25 --block 3");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(json::parse(r.out).at("data"), "A1B2C3D4");
    // A locked block is refused with the engine's error.
    const CtlResult locked =
        Ctl("--json iso15693 write --uid E004010000000015 --block 0 --data 00000000");
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(json::parse(locked.out).at("error"), 38);
}

TEST_F(IsoCli, UsageErrors) {
    EXPECT_EQ(Ctl("iso15693 read --uid E0040100000015 --block 1").status, 2); // 7 bytes
    EXPECT_EQ(Ctl("iso15693 read --uid E004010000000015").status, 2);
    EXPECT_EQ(Ctl("iso15693 lock --uid E004010000000015 --from 1 --to 2").status, 2);
    EXPECT_EQ(Ctl("iso15693 lock --uid E004010000000015 --from 3 --to 2 --yes").status, 2);
    EXPECT_EQ(Ctl("iso15693 frobnicate").status, 2);
    EXPECT_EQ(Ctl("iso15693 inventory --bogus 1").status, 2);
}

TEST_F(IsoCli, DumpAndRestore) {
    const std::string file = (dir_ / "slix.json").string();
    ASSERT_EQ(Ctl("iso15693 lock --uid E004010000000015 --from 2 --to 3 --yes").status, 0);
    ASSERT_EQ(Ctl("iso15693 dump --uid E004010000000015 --format json --out " + file).status, 0);
    json dump = json::parse(std::ifstream(file));
    ASSERT_EQ(dump.at("block_count"), 28);
    ASSERT_EQ(dump.at("blocks").size(), 28u);
    EXPECT_EQ(dump["blocks"][0]["data"], "11223344");
    EXPECT_EQ(dump["blocks"][0]["locked"], true);
    EXPECT_EQ(dump["blocks"][1]["locked"], false);
    EXPECT_EQ(dump["blocks"][3]["locked"], true);

    dump["blocks"][5]["data"] = "CAFEBABE";
    dump["blocks"][27]["data"] = "01020304";
    std::ofstream(file) << dump.dump();
    const size_t before = Writes();
    const CtlResult r = Ctl("--json iso15693 restore --uid E004010000000015 --in " + file);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out).at("written"), 2);
    EXPECT_EQ(Writes(), before + 2);
    EXPECT_EQ(
        json::parse(Ctl("--json iso15693 read --uid E004010000000015 --block 27").out).at("data"),
        "01020304");

    // A file that does not fit the tag is refused before anything is written.
    dump["blocks"][6]["data"] = "0102";
    std::ofstream(file) << dump.dump();
    EXPECT_EQ(Ctl("iso15693 restore --uid E004010000000015 --in " + file).status, 1);
    std::ofstream(file) << "{ not json";
    EXPECT_EQ(Ctl("iso15693 restore --uid E004010000000015 --in " + file).status, 1);
    EXPECT_EQ(Ctl("iso15693 restore --uid E004010000000015 --in " + dir_.string()).status, 1)
        << "a folder is a message, not an abort";
    // A dump of another tag: said so, written only with --yes.
    ASSERT_EQ(Ctl("iso15693 dump --uid E004010000000015 --format json --out " + file).status, 0);
    const CtlResult other = Ctl("--json iso15693 restore --uid E007800000000025 --in " + file);
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(json::parse(other.out)["message"],
              "dump of E004010000000015, tag is E007800000000025: confirm with --yes");
    EXPECT_EQ(Writes(), before + 2);
}

// A restore that meets a locked block goes on and ends with every count and the
// blocks that failed.
TEST_F(IsoCli, RestoreListsTheBlocksThatFailed) {
    const std::string file = (dir_ / "slix.json").string();
    ASSERT_EQ(Ctl("iso15693 dump --uid E004010000000015 --format json --out " + file).status, 0);
    json dump = json::parse(std::ifstream(file));
    for (int b : {0, 1, 2})
        dump["blocks"][b]["data"] = "0A0B0C0D";
    std::ofstream(file) << dump.dump();
    const CtlResult r = Ctl("--json iso15693 restore --uid E004010000000015 --in " + file);
    EXPECT_EQ(r.status, 1);
    const json j = json::parse(r.out);
    EXPECT_EQ(j["written"], 2);
    EXPECT_EQ(j["unchanged"], 25);
    EXPECT_EQ(j["written_blocks"], json::array({1, 2}));
    ASSERT_EQ(j["failed"].size(), 1u);
    EXPECT_EQ(j["failed"][0]["block"], 0);
    EXPECT_EQ(j["failed"][0]["stage"], "write");
    const auto text =
        vtest::Run("cli/vorexctl", "--port " + sim_->Path() +
                                       " iso15693 restore --uid E004010000000015 --in " + file);
    EXPECT_NE(text.out.find("0 written, 27 unchanged, 1 failed"), std::string::npos) << text.out;
}

// Block numbers and data lengths are checked against the tag before anything is sent.
TEST_F(IsoCli, BlocksOutsideTheTagAreRefusedBeforeSending) {
    const size_t before = Writes();
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"read --block 300", "block 300 outside 0-27 of this tag"},
        {"write --block 28 --data 01020304", "block 28 outside 0-27 of this tag"},
        {"write --block 5 --data 010203", "--data has 3 bytes, the blocks of this tag have 4"},
    };
    for (const auto& c : cases) {
        const CtlResult r =
            Ctl(std::string("--json iso15693 ") + c.args + " --uid E004010000000015");
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(json::parse(r.out)["message"], c.message) << r.out;
    }
    EXPECT_EQ(Writes(), before);
    EXPECT_EQ(Ctl("iso15693 write --uid E004010000000015 --block 5 --data '0A 0B 0C 0D'").status,
              0);
}

// A range that runs past the tag's last block is refused before the first lock; a
// lock that fails says which blocks were locked before it.
TEST_F(IsoCli, LockChecksTheRangeFirstAndReportsWhatWasLocked) {
    auto locks = [&] {
        size_t n = 0;
        for (const auto& q : sim_->Model().Requests())
            n += q.command == 0x20 && q.data.size() > 1 && q.data[1] == 0x22;
        return n;
    };
    CtlResult r = Ctl("--json iso15693 lock --uid E004010000000015 --from 26 --to 30 --yes");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("block 30 outside 0-27"), std::string::npos) << r.out;
    EXPECT_EQ(locks(), 0u);
    // The requests of one lock of one block: the size, then the lock.
    sim_->Model().ClearRequests();
    ASSERT_EQ(Ctl("iso15693 lock --uid E004010000000015 --from 3 --to 3 --yes").status, 0);
    int perRun = 0;
    for (const auto& q : sim_->Model().Requests())
        perRun += q.command == 0x20;
    // The third lock of the next run gets no answer.
    sim_->Model().InjectFault(vtest::SilentFrom(0x20, perRun - 1 + 2));
    r = Ctl("--json iso15693 lock --uid E004010000000015 --from 5 --to 9 --yes");
    EXPECT_EQ(r.status, 1);
    const json j = json::parse(r.out);
    EXPECT_EQ(j["locked_blocks"], json::array({5, 6}));
    EXPECT_EQ(j["failed_block"], 7);
    EXPECT_NE(j["message"].get<std::string>().find("blocks 5-6 locked"), std::string::npos);
}

TEST_F(IsoCli, InfoUsesTheVendorDetours) {
    const CtlResult r = Ctl("--json iso15693 info --uid E005450000000035");
    ASSERT_EQ(r.status, 0) << r.out;
    const json j = json::parse(r.out);
    EXPECT_EQ(j.at("block_count"), 32);
    EXPECT_EQ(j.at("block_size"), 8);
    EXPECT_EQ(j.at("manufacturer"), 5);
}

TEST(IsoCliSt, M24lr64BlockCommandsNeedTheProtocolExtensionFlag) {
    // M24LR64-R data sheet: Read Single/Multiple Block and Write Single Block need the
    // protocol extension flag (then with two-byte block numbers); without it the chip
    // answers an error code, here 0F (engine error 35).
    auto sim = vtest::SimReader::FromScenario(
        R"({"iso15693": {"tags": [{"type": "st-m24lr64", "uid": "E0 02 2C 00 00 00 00 45"}]}})");
    const auto ctl = [&](const std::string& args, int expected) {
        const auto r = vtest::Run("cli/vorexctl", "--port " + sim->Path() + " --json " + args);
        EXPECT_EQ(r.status, expected) << args << "\n" << r.out;
        return json::parse(r.out, nullptr, false);
    };
    const std::string uid = " --uid E0022C0000000045 ";
    EXPECT_EQ(ctl("iso15693 read" + uid + "--block 5", 1)["error"], 35);
    EXPECT_EQ(ctl("iso15693 write" + uid + "--block 5 --data 01020304", 1)["error"], 35);
    ASSERT_EQ(ctl("iso15693 write" + uid + "--block 300 --data 01020304 --flags 0x08", 0)["ok"],
              true);
    EXPECT_EQ(ctl("iso15693 read" + uid + "--block 300 --flags 0x08", 0)["data"], "01020304");
    EXPECT_EQ(ctl("iso15693 info" + uid, 0)["block_count"], 2048) << "the size detour";
}

} // namespace

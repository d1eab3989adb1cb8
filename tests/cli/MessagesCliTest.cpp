// What vorexctl prints, across its commands: English messages that name the cause (the
// engine's own texts are German), and with --json exactly one JSON object whose fields
// have one form everywhere.
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

using nlohmann::json;

namespace {

const char kUid[] = " --uid E004015012345671 "; // 28 blocks, block 0 locked

std::unique_ptr<vtest::SimReader> DemoReader() {
    std::ifstream in(vtest::SourcePath("sim/scenarios/demo.json"));
    std::stringstream text;
    text << in.rdbuf();
    return vtest::SimReader::FromScenario(text.str());
}

// German words and umlauts of the engine's texts.
std::string GermanIn(const std::string& text) {
    for (const char* word : {"Fehler", "nicht", "kein", "Kein", "Leser", "gesperrt", "vorhanden",
                             "Kommando", "Falsch", "fehlt", "aufgetreten", "Sendedaten"})
        if (text.find(word) != std::string::npos)
            return word;
    for (unsigned char c : text)
        if (c >= 0x80)
            return "a byte outside ASCII";
    return {};
}

class MessagesCli : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = DemoReader();
        dir_ = std::filesystem::temp_directory_path() /
               ("vorexctl-messages-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    vtest::RunResult Ctl(const std::string& args, bool withStderr) {
        return vtest::Run("cli/vorexctl", "--port " + sim_->Path() + " " + args, withStderr);
    }
    std::string File(const std::string& name) { return (dir_ / name).string(); }

    std::unique_ptr<vtest::SimReader> sim_;
    std::filesystem::path dir_;
};

// Failing commands against the stand-in, a reader that stops answering and a port that
// is not there: each message is English and says what went wrong, as text and in JSON.
TEST_F(MessagesCli, FailuresAreEnglishAndNameTheCause) {
    struct Case {
        const char* what;
        std::string args;
        std::function<void(vsim::ReaderModel&)> fault; // before the command
        int status;
        const char* cause;
    };
    const auto silentIso = [](vsim::ReaderModel& m) { m.InjectFault(vtest::SilentFrom(0x20, 0)); };
    const auto gone = [](vsim::ReaderModel& m) {
        m.InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
    };
    const Case cases[] = {
        {"locked block",
         "iso15693 write" + std::string(kUid) + "--block 0 --data 01020304",
         {},
         1,
         "block is locked and cannot be changed"},
        {"block outside the tag",
         "iso15693 read" + std::string(kUid) + "--block 300",
         {},
         1,
         "block 300 outside 0-27"},
        {"no value block",
         "mifare value --block 4 inc",
         {},
         1,
         "no value information in the block"},
        {"wrong key", "mifare read --block 4 --key 000000000000", {}, 1, "not authenticated"},
        {"reader stops answering", "--timeout 200 iso15693 read" + std::string(kUid) + "--block 1",
         silentIso, 1, "no answer from the reader in time"},
        {"reader gone", "--timeout 200 identify", gone, 1, "did not identify itself"},
        {"no such port",
         "--port /dev/vorex-no-such-port identify",
         {},
         1,
         "No such file or directory"},
        {"unknown option", "mifare read --bogus", {}, 2, "unknown option --bogus"},
    };
    for (const Case& c : cases) {
        for (const bool asJson : {false, true}) {
            sim_->Model().ClearFaults();
            if (c.fault)
                c.fault(sim_->Model());
            const auto r = Ctl((asJson ? "--json " : "") + c.args, !asJson);
            const std::string where =
                std::string(c.what) + (asJson ? " (json)" : "") + ":\n" + r.out;
            EXPECT_EQ(r.status, c.status) << where;
            EXPECT_EQ(GermanIn(r.out), "") << where;
            EXPECT_NE(r.out.find(c.cause), std::string::npos) << where;
            if (!asJson)
                continue;
            const json j = json::parse(r.out, nullptr, false);
            ASSERT_TRUE(j.is_object()) << where;
            EXPECT_EQ(j["ok"], false) << where;
            EXPECT_TRUE(j["message"].is_string()) << where;
            if (j.contains("error")) {
                EXPECT_TRUE(j["error"].is_number_integer()) << where;
                EXPECT_NE(j.value("error_name", "unknown"), "unknown") << where;
            }
        }
    }
}

// The field forms vorexctl's JSON keeps everywhere: identities and bytes as upper-case hex
// without separators, numbers as numbers, lists of block or page numbers as arrays of
// numbers, an engine error as its number with its name.
void CheckForms(const json& j, const std::string& where) {
    static const char* const kHex[] = {"uid",      "data",        "payload",
                                       "settings", "system_info", "read_back"};
    static const char* const kNumber[] = {"atqa",       "sak",        "block",        "error",
                                          "written",    "unchanged",  "block_count",  "block_size",
                                          "page_count", "stopped_at", "failed_block", "from",
                                          "to",         "dsfid",      "afi",          "bytes"};
    static const char* const kNumbers[] = {
        "written_blocks", "unchanged_blocks", "written_pages",      "unverified",
        "unreadable",     "locked_blocks",    "sectors_without_key"};
    static const char* const kText[] = {"message", "error_name", "usage", "help", "context"};
    if (j.is_array()) {
        for (const json& e : j)
            CheckForms(e, where);
        return;
    }
    if (!j.is_object())
        return;
    for (const char* key : kHex) {
        if (!j.contains(key))
            continue;
        const json& v = j[key];
        EXPECT_TRUE(v.is_string()) << key << " in " << where;
        if (!v.is_string())
            continue;
        const std::string s = v.get<std::string>();
        EXPECT_EQ(s.size() % 2, 0u) << key << " in " << where;
        EXPECT_EQ(s.find_first_not_of("0123456789ABCDEF"), std::string::npos)
            << key << " in " << where;
    }
    for (const char* key : kNumber)
        EXPECT_TRUE(!j.contains(key) || j[key].is_number_unsigned()) << key << " in " << where;
    for (const char* key : kNumbers) {
        if (!j.contains(key))
            continue;
        EXPECT_TRUE(j[key].is_array()) << key << " in " << where;
        for (const json& n : j[key])
            EXPECT_TRUE(n.is_number_unsigned()) << key << " in " << where;
    }
    for (const char* key : kText)
        EXPECT_TRUE(!j.contains(key) || j[key].is_string()) << key << " in " << where;
    EXPECT_TRUE(!j.contains("ok") || j["ok"].is_boolean()) << where;
    EXPECT_TRUE(!j.contains("error") || j.contains("error_name")) << where;
    for (const auto& [key, value] : j.items())
        CheckForms(value, where);
}

TEST_F(MessagesCli, JsonIsOneObjectWithOneFormPerField) {
    const std::string uid = kUid;
    const std::string isoDump = File("tag.json"), cardDump = File("card.json");
    const struct {
        std::string args;
        int status;
    } cases[] = {
        {"identify", 0},
        {"settings read", 0},
        {"raw F0", 0},
        {"iso15693 inventory", 0},
        {"iso15693 info" + uid, 0},
        {"iso15693 read" + uid + "--block 1", 0},
        {"iso15693 read" + uid + "--block 300", 1},
        {"iso15693 write" + uid + "--block 0 --data 01020304", 1},
        {"iso15693 dump" + uid, 0},
        {"iso15693 dump" + uid + "--out " + isoDump, 0},
        {"iso15693 restore" + uid + "--in " + isoDump, 0},
        {"iso15693 lock" + uid + "--from 26 --to 30 --yes", 1},
        {"mifare select", 0},
        {"mifare read --block 4", 0},
        {"mifare value --block 4 inc", 1},
        {"mifare dump", 0},
        {"mifare dump --out " + cardDump, 0},
        {"mifare restore --in " + cardDump, 0},
        {"mifare ntag dump", 1},
        {"--version", 0},
        {"--help", 0},
        {"", 2},
        {"bogus", 2},
        {"identify --help", 0},
        {"mifare --help", 0},
        {"mifare ntag ndef --help", 0},
        {"iso15693 read --help", 0},
        {"mifare ntag ndef write --help", 0},
        {"mifare read --bogus", 2},
        {"iso15693", 2},
        {"convert", 2},
    };
    for (const auto& c : cases) {
        const auto r = Ctl("--json " + c.args, false);
        const std::string where = "vorexctl --json " + c.args + ":\n" + r.out;
        EXPECT_EQ(r.status, c.status) << where;
        ASSERT_FALSE(r.out.empty()) << where;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line: " << where;
        const json j = json::parse(r.out, nullptr, false);
        ASSERT_TRUE(j.is_object()) << where;
        EXPECT_EQ(j["ok"], c.status == 0) << where;
        CheckForms(j, where);
    }
}

} // namespace

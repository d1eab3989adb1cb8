// vorexctl convert, diff and keys (no reader), and dumps in other tools' formats
// against the stand-in reader: the demo's 4K card dumped as Proxmark3 JSON, converted
// to MCT and Flipper files, and each restored onto a blank 4K card gives the same card.
#include "sim/Iso14443Cards.h"
#include "sim/Iso14443Commands.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using nlohmann::json;

namespace {

class DumpFilesCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vorex-dumpfiles-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string File(const std::string& name) { return (dir_ / name).string(); }
    void Put(const std::string& name, const std::string& content) {
        std::ofstream(File(name), std::ios::binary) << content;
    }
    std::string Get(const std::string& name) {
        std::ifstream in(File(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    vtest::RunResult Ctl(const std::string& args, bool withStderr = false) {
        return vtest::Run("cli/vorexctl", args, withStderr);
    }

    std::filesystem::path dir_;
};

std::string MctOf1k(const std::string& block4) {
    std::string s;
    for (int sector = 0; sector < 16; ++sector) {
        s += "+Sector: " + std::to_string(sector) + "\n";
        for (int b = 0; b < 4; ++b) {
            const int block = sector * 4 + b;
            s += block == 0   ? "DEADBEEF220804006263646566676869"
                 : block == 4 ? block4
                 : b == 3     ? "FFFFFFFFFFFFFF078069FFFFFFFFFFFF"
                              : std::string(32, '0');
            s += "\n";
        }
    }
    return s;
}

TEST_F(DumpFilesCli, ConvertRefusesALossyExportUnlessFilled) {
    Put("part.mct", MctOf1k(std::string(32, '-')));
    const auto refused = Ctl("convert " + File("part.mct") + " " + File("part.bin"), true);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("16 bytes of the dump are unknown"), std::string::npos)
        << refused.out;
    EXPECT_FALSE(std::filesystem::exists(File("part.bin")));

    const auto filled =
        Ctl("--json convert " + File("part.mct") + " " + File("part.bin") + " --fill 00");
    ASSERT_EQ(filled.status, 0) << filled.out;
    const json j = json::parse(filled.out);
    EXPECT_EQ(j["from"], "mct");
    EXPECT_EQ(j["format"], "bin");
    EXPECT_EQ(j["filled"], 16);
    EXPECT_EQ(Get("part.bin").size(), 1024u);

    // Formats that mark unknown bytes need no fill; the format follows the extension
    // or --format.
    EXPECT_EQ(Ctl("convert " + File("part.mct") + " " + File("part.nfc")).status, 0);
    EXPECT_NE(Get("part.nfc").find("Block 4: ?? ?? ??"), std::string::npos);
    EXPECT_EQ(Ctl("convert " + File("part.nfc") + " " + File("x.out") + " --format own").status, 0);
    EXPECT_EQ(Ctl("convert " + File("part.nfc") + " " + File("x.out")).status, 2);
    EXPECT_EQ(Ctl("convert " + File("part.nfc") + " " + File("x.eml")).status, 1);

    Put("bad.mct", "+Sector: 0\nXYZ\n");
    const auto bad = Ctl("convert " + File("bad.mct") + " " + File("x.nfc"), true);
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find(File("bad.mct") + ": line 2: expected a block of 32 characters"),
              std::string::npos)
        << bad.out;
}

TEST_F(DumpFilesCli, DiffExitsWithTheOutcome) {
    Put("a.mct", MctOf1k(std::string(32, '4')));
    Put("b.mct", MctOf1k("4444444444444444444444444444444" + std::string("5")));
    Put("u.mct", MctOf1k(std::string(32, '-')));
    ASSERT_EQ(Ctl("convert " + File("a.mct") + " " + File("a.nfc")).status, 0);
    EXPECT_EQ(Ctl("diff " + File("a.mct") + " " + File("a.nfc")).status, 0);

    const auto differ = Ctl("diff " + File("a.mct") + " " + File("b.mct"));
    EXPECT_EQ(differ.status, 1);
    EXPECT_NE(differ.out.find("sector 1\n  block 4\n"), std::string::npos) << differ.out;
    EXPECT_NE(differ.out.find("different: 1 of 64 blocks differ (1 bytes differ"),
              std::string::npos)
        << differ.out;

    const auto unknown = Ctl("--json diff " + File("a.mct") + " " + File("u.mct"));
    EXPECT_EQ(unknown.status, 1);
    const json j = json::parse(unknown.out);
    EXPECT_EQ(j["same"], false);
    EXPECT_EQ(j["differences"][0]["b"], std::string(32, '?'));
    EXPECT_EQ(j["differences"][0]["unknown_on_one_side"], 16);
    EXPECT_EQ(j["unknown_b"], 16);

    Put("t.json", "{\"format\": \"vorex-dump\", \"version\": 1, \"family\": \"iso15693\", "
                  "\"block_size\": 4, \"blocks\": [\"00000000\"]}");
    EXPECT_EQ(Ctl("diff " + File("a.mct") + " " + File("t.json")).status, 2);
    EXPECT_EQ(Ctl("diff " + File("a.mct") + " " + File("missing.mct")).status, 2);
}

TEST_F(DumpFilesCli, KeysMergeAndConvert) {
    Put("a.keys", "# MCT\nffffffffffff\nA0A1A2A3A4A5\n");
    Put("b.dic", "# PM3\nFFFFFFFFFFFF\nB0B1B2B3B4B5 # found\n");
    const auto merged = Ctl("--json keys merge " + File("a.keys") + " " + File("b.dic") +
                            " --out " + File("all.nfc"));
    ASSERT_EQ(merged.status, 0) << merged.out;
    EXPECT_EQ(json::parse(merged.out)["keys"], 3);
    EXPECT_EQ(Get("all.nfc"), "# MCT\nFFFFFFFFFFFF\nA0A1A2A3A4A5\n# PM3\nB0B1B2B3B4B5 # found\n");
    ASSERT_EQ(Ctl("keys convert " + File("all.nfc") + " " + File("all.bin")).status, 0);
    EXPECT_EQ(Get("all.bin").size(), 18u);
    // A card's Proxmark3 key file: every Key A, then every Key B; unknown keys need a fill.
    Put("card.mct", MctOf1k(std::string(32, '0')));
    ASSERT_EQ(Ctl("keys convert " + File("card.mct") + " " + File("hf-mf-key.bin") +
                  " --format pm3-sectors")
                  .status,
              0);
    EXPECT_EQ(Get("hf-mf-key.bin"), std::string(192, '\xFF'));
    std::string part = MctOf1k(std::string(32, '0'));
    part.replace(part.find("FFFFFFFFFFFFFF078069", part.find("+Sector: 1")), 12, "------------");
    Put("part.mct", part);
    EXPECT_EQ(
        Ctl("keys convert " + File("part.mct") + " " + File("p.bin") + " --format pm3-sectors")
            .status,
        1);
    ASSERT_EQ(Ctl("keys convert " + File("part.mct") + " " + File("p.bin") +
                  " --format pm3-sectors --fill 00")
                  .status,
              0);
    EXPECT_EQ(Get("p.bin").substr(6, 6), std::string(6, '\0')) << "Key A of sector 1";
    Put("bad.keys", "FFFFFFFFFFFF\nnot a key\n");
    EXPECT_EQ(Ctl("keys convert " + File("bad.keys") + " " + File("x.dic")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(File("x.dic")));
}

// The demo scenario's cards, then three blank 4K cards.
std::unique_ptr<vsim::Iso14443Commands> DemoCardsWithBlanks() {
    std::ifstream in(vtest::SourcePath("sim/scenarios/demo.json"));
    json section = json::parse(in)["iso14443"];
    for (const char* uid : {"04 10 00 00 00 00 01", "04 10 00 00 00 00 02", "04 10 00 00 00 00 03"})
        section["cards"].push_back({{"type", "classic4k"}, {"uid", uid}});
    std::string error;
    auto set = vsim::ParseIso14443(section, 0x125, error);
    EXPECT_TRUE(set) << error;
    return set;
}

TEST_F(DumpFilesCli, DemoCardThroughPm3MctAndFlipperRestoresAlike) {
    vtest::SimReader sim;
    auto set = DemoCardsWithBlanks();
    ASSERT_TRUE(set);
    vsim::Iso14443Commands* cards = set.get();
    sim.Model().AddCommandSet(std::move(set));
    const size_t blank = cards->CardCount() - 3;
    const std::string port = "--port " + sim.Path() + " ";
    const std::string keys = " --key FFFFFFFFFFFF --key A0A1A2A3A4A5 --key 4D3A99C351DD "
                             "--key B0B1B2B3B4B5 --key 1A982C7E459A";

    {
        auto lock = sim.Model().Lock();
        cards->SetField(0);
    }
    // The demo card has blocks no key reads: Proxmark3 JSON cannot mark them.
    EXPECT_EQ(Ctl(port + "mifare dump --format pm3 --out " + File("card.json") + keys).status, 1);
    const auto dumped =
        Ctl(port + "--json mifare dump --format pm3 --fill 00 --out " + File("card.json") + keys);
    ASSERT_EQ(dumped.status, 0) << dumped.out;
    EXPECT_GT(json::parse(dumped.out)["filled"].get<int>(), 0);
    ASSERT_EQ(Ctl("convert " + File("card.json") + " " + File("card.mct")).status, 0);
    ASSERT_EQ(Ctl("convert " + File("card.json") + " " + File("card.nfc")).status, 0);

    const char* files[] = {"card.json", "card.mct", "card.nfc"};
    for (size_t i = 0; i < 3; ++i) {
        {
            auto lock = sim.Model().Lock();
            cards->SetField(static_cast<int>(blank + i));
        }
        const auto r = Ctl(port + "--json mifare restore --yes --in " + File(files[i]));
        EXPECT_EQ(json::parse(r.out, nullptr, false).value("ok", false), true)
            << files[i] << ": " << r.out;
    }
    auto& demo = static_cast<vsim::ClassicCard&>(cards->Card(0));
    auto& first = static_cast<vsim::ClassicCard&>(cards->Card(blank));
    for (size_t i = 1; i < 3; ++i) {
        auto& other = static_cast<vsim::ClassicCard&>(cards->Card(blank + i));
        for (int b = 1; b < 256; ++b)
            EXPECT_EQ(other.Block(b), first.Block(b)) << files[i] << " block " << b;
    }
    // What was read of the demo card is on the restored card (block 0 stays the
    // card's own; sector 6 needs a key nobody gave and stays blank).
    for (int b : {4, 5, 8, 13, 14, 16, 144, 149, 7, 11, 19, 151, 255})
        EXPECT_EQ(first.Block(b), demo.Block(b)) << "block " << b;
}

TEST_F(DumpFilesCli, NtagDumpInOtherFormatsNeedsFillForWhatWasNotRead) {
    auto sim = vtest::SimReader::FromScenario(R"({"reader": {"variant": 0},
        "iso14443": {"keys_a": [], "keys_b": [], "field": 0,
                     "cards": [{"type": "ntag216", "uid": "04 AA BB CC DD EE FF"}]}})");
    const std::string ntag = "--port " + sim->Path() + " --json mifare ntag dump ";
    // Version, signature and counters are not read: Flipper files cannot mark them.
    EXPECT_EQ(Ctl(ntag + "--format flipper --out " + File("tag.nfc")).status, 1);
    const auto r = Ctl(ntag + "--format flipper --fill 00 --out " + File("tag.nfc"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out)["filled"], 32 + 8 + 3 * 3 + 3);
    const std::string nfc = Get("tag.nfc");
    for (const char* line : {"\nUID: 04 AA BB CC DD EE FF\n", "\nNTAG/Ultralight type: NTAG216\n",
                             "\nPages total: 231\nPages read: 231\n"})
        EXPECT_NE(nfc.find(line), std::string::npos) << line << nfc.substr(0, 600);
    ASSERT_EQ(Ctl(ntag + "--format own --out " + File("tag.json")).status, 0);
    EXPECT_EQ(Ctl("diff " + File("tag.json") + " " + File("tag.nfc")).status, 0);
}

TEST_F(DumpFilesCli, Iso15693DumpInFlipperFormatRestoresItsKnownBlocks) {
    auto sim = vtest::SimReader::FromScenario(R"({"reader": {"variant": 0},
        "iso15693": {"tags": [{"type": "nxp-icode-slix", "uid": "E0 04 01 00 00 00 00 15",
                               "blocks": ["11 22 33 44"], "locked": [0]}]}})");
    const std::string tag = "--port " + sim->Path() + " iso15693 ";
    const std::string uid = "--uid E004010000000015 ";
    ASSERT_EQ(Ctl(tag + "dump " + uid + "--format flipper --out " + File("tag.nfc")).status, 0);
    const std::string nfc = Get("tag.nfc");
    EXPECT_NE(nfc.find("\nDevice type: ISO15693-3\n"), std::string::npos) << nfc;
    EXPECT_NE(nfc.find("\nUID: E0 04 01 00 00 00 00 15\n"), std::string::npos);
    EXPECT_NE(nfc.find("\nData Content: 11 22 33 44 "), std::string::npos);
    EXPECT_NE(nfc.find("\nSecurity Status: 01 00"), std::string::npos);
    // DSFID, AFI and IC reference were not read: Proxmark3 JSON has no mark for them.
    EXPECT_EQ(Ctl("convert " + File("tag.nfc") + " " + File("tag.json") + " --format pm3").status,
              1);
    ASSERT_EQ(Ctl("convert " + File("tag.nfc") + " " + File("tag.json") + " --format pm3 --fill 00")
                  .status,
              0);
    EXPECT_NE(Get("tag.json").find("\"uid\": \"15000000000104E0\""), std::string::npos);

    // Block 1 changed in the file, block 2 unknown: only block 1 is written.
    std::string edited = nfc;
    edited.replace(edited.find("Data Content: 11 22 33 44 ") + 26, 12, "AB CD EF 01 ");
    Put("edited.nfc", edited);
    ASSERT_EQ(Ctl("convert " + File("edited.nfc") + " " + File("edited.json")).status, 0);
    std::string own = Get("edited.json");
    own.replace(own.find("\"00000000\"", own.find("\"blocks\"")) + 1, 8, "????????");
    Put("edited.json", own);
    const auto r = Ctl("--json " + tag + "restore " + uid + "--in " + File("edited.json"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out)["written"], 1);
    EXPECT_EQ(json::parse(Ctl("--json " + tag + "read " + uid + "--block 1").out)["data"],
              "ABCDEF01");
}

// Without --format a dump is our own versioned envelope (to a .json file and to stdout);
// --format json still writes the earlier layout, and restore reads both.
TEST_F(DumpFilesCli, DumpWithoutFormatWritesTheVersionedEnvelope) {
    auto sim = vtest::SimReader::FromScenario(R"({"reader": {"variant": 0},
        "iso15693": {"tags": [{"type": "nxp-icode-slix", "uid": "E0 04 01 00 00 00 00 15",
                               "blocks": ["11 22 33 44", "55 66 77 88"]}]},
        "iso14443": {"keys_a": [], "keys_b": [], "field": 0,
                     "cards": [{"type": "classic1k", "uid": "3E 7A 91 C4"}]}})");
    const std::string port = "--port " + sim->Path() + " ";
    const std::string tag = port + "iso15693 ";
    const std::string uid = "--uid E004010000000015 ";
    ASSERT_EQ(Ctl(tag + "dump " + uid + "--out " + File("tag.json")).status, 0);
    ASSERT_EQ(Ctl(tag + "dump " + uid + "--format json --out " + File("old.json")).status, 0);
    const json own = json::parse(Get("tag.json"));
    EXPECT_EQ(own["format"], "vorex-dump");
    EXPECT_EQ(own["family"], "iso15693");
    EXPECT_TRUE(own.contains("version"));
    EXPECT_FALSE(json::parse(Get("old.json")).contains("format")) << "the earlier layout";
    const auto printed = Ctl(tag + "dump " + uid);
    ASSERT_EQ(printed.status, 0);
    EXPECT_EQ(json::parse(printed.out)["family"], "iso15693");
    for (const char* file : {"tag.json", "old.json"}) {
        ASSERT_EQ(Ctl(tag + "write " + uid + "--block 1 --data 01020304").status, 0);
        const auto r = Ctl("--json " + tag + "restore " + uid + "--in " + File(file));
        ASSERT_EQ(r.status, 0) << file << ": " << r.out;
        EXPECT_EQ(json::parse(r.out)["written"], 1) << file;
        EXPECT_EQ(json::parse(Ctl("--json " + tag + "read " + uid + "--block 1").out)["data"],
                  "55667788");
    }

    const auto card = Ctl(port + "--json mifare dump --out " + File("card.json"));
    ASSERT_EQ(card.status, 0) << card.out;
    EXPECT_EQ(json::parse(card.out)["format"], "own");
    const json classic = json::parse(Get("card.json"));
    EXPECT_EQ(classic["format"], "vorex-dump");
    EXPECT_EQ(classic["family"], "mifare-classic");
    const auto restored = Ctl(port + "--json mifare restore --in " + File("card.json"));
    EXPECT_EQ(json::parse(restored.out, nullptr, false).value("ok", false), true) << restored.out;
}

} // namespace

// vorexctl mifare against the stand-in reader: dump, restore and the guards around
// destructive writes.
#include "cards/ClassicGeometry.h"
#include "sim/Iso14443Commands.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

using nlohmann::json;
using vtest::Hex;

namespace {

constexpr const char* kCards = R"({
  "keys_a": ["FFFFFFFFFFFF", "A0A1A2A3A4A5"],
  "keys_b": ["FFFFFFFFFFFF", "B0B1B2B3B4B5"],
  "cards": [
    {"type": "classic1k", "uid": "11 22 33 44",
     "sectors": {"1": {"key_a": "A0A1A2A3A4A5", "key_b": "B0B1B2B3B4B5", "access": [0, 0, 7, 3]},
                 "2": {"key_a": "112233445566", "key_b": "665544332211", "access": [0, 0, 0, 3]}},
     "blocks": {"4": "44444444444444444444444444444444", "5": "55555555555555555555555555555555",
                "1": "01010101010101010101010101010101"}},
    {"type": "classic4k", "uid": "04 01 02 03 04 05 06"},
    {"type": "ntag216", "uid": "04 AA BB CC DD EE FF"},
    {"type": "type2", "uid": "04 11 22 33 44 55 66", "page_count": 512},
    {"type": "ultralight", "uid": "04 C2 5E 1A 73 40 80", "pages": {"2": "A9 48 10 00"}},
    {"type": "ntag213", "uid": "04 51 52 53 54 55 56", "pages": {"16": "10 11 12 13"},
     "pwd": "12345678", "pack": "ABCD", "auth0": 16, "prot": true},
    {"type": "ntag213", "uid": "04 61 62 63 64 65 66",
     "pages": {"4": "03 12 D1 01 0E 55 04 76 6F 72 65 78 2E 65 78 61 6D 70 6C 65 FE 00 00 00"}}
  ]})";

struct Result {
    int code = -1;
    std::string out;
};

class MifareCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto set = vsim::ParseIso14443(json::parse(kCards), 0x125, error);
        ASSERT_TRUE(set) << error;
        cards_ = set.get();
        sim_.Model().AddCommandSet(std::move(set));
        dir_ = std::filesystem::temp_directory_path() /
               ("vorex-mifare-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    Result Run(const std::string& args) {
        const auto r =
            vtest::Run("cli/vorexctl", "--port " + sim_.Path() + " --json mifare " + args);
        return Result{r.status, r.out};
    }
    json RunJson(const std::string& args, int expectedCode = 0) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, expectedCode) << args << "\n" << r.out;
        const json j = json::parse(r.out, nullptr, false);
        EXPECT_FALSE(j.is_discarded()) << r.out;
        return j;
    }
    vsim::ClassicCard& Classic(int index = 0) {
        return static_cast<vsim::ClassicCard&>(cards_->Card(static_cast<size_t>(index)));
    }
    void PutInField(int index) {
        auto lock = sim_.Model().Lock();
        cards_->SetField(index);
    }
    bool WroteBlock(int block) {
        for (const auto& r : sim_.Model().Requests())
            if (r.command == 0x35 && !r.data.empty() && r.data[0] == block)
                return true;
        return false;
    }
    std::string File(const std::string& name) { return (dir_ / name).string(); }

    vtest::SimReader sim_;
    vsim::Iso14443Commands* cards_ = nullptr;
    std::filesystem::path dir_;
};

TEST_F(MifareCli, DumpMarksWhatCannotBeReadAndRestoreWritesDataBack) {
    const json summary = RunJson("dump --format json --out " + File("card.json"));
    EXPECT_EQ(summary["type"], "classic1k");
    EXPECT_EQ(summary["sectors_without_key"], json::array({2}));
    EXPECT_EQ(summary["unreadable"], json::array({6, 8, 9, 10, 11}));

    std::ifstream in(File("card.json"));
    const json dump = json::parse(in);
    EXPECT_EQ(dump["blocks"][4], "44444444444444444444444444444444");
    EXPECT_TRUE(dump["blocks"][6].is_null());
    EXPECT_EQ(dump["blocks"][3], "FFFFFFFFFFFFFF078069FFFFFFFFFFFF")
        << "the delivery key that opened the sector, not the zeros cards read back";
    EXPECT_EQ(dump["sectors"][0]["key_b"], "FFFFFFFFFFFF") << "readable Key B is known";
    EXPECT_EQ(dump["sectors"][0]["key_a"], "FFFFFFFFFFFF");
    EXPECT_TRUE(dump["sectors"][1]["key_b"].is_null())
        << "a key of the store is not known by value";

    {
        auto lock = sim_.Model().Lock();
        Classic().Block(4) = vsim::Bytes(16, 0xEE);
        Classic().Block(1) = vsim::Bytes(16, 0xEE);
    }
    sim_.Model().ClearRequests();
    const json result = RunJson("restore --in " + File("card.json"));
    EXPECT_EQ(result["ok"], true);
    {
        auto lock = sim_.Model().Lock();
        EXPECT_EQ(Classic().Block(4), Hex("44444444444444444444444444444444"));
        EXPECT_EQ(Classic().Block(1), Hex("01010101010101010101010101010101"));
    }
    EXPECT_FALSE(WroteBlock(0)) << "the manufacturer block is never written";
    EXPECT_FALSE(WroteBlock(3)) << "trailers only with --yes";
    EXPECT_TRUE(result["failed"].empty()) << result.dump();
    EXPECT_EQ(result["written_blocks"], json::array({1, 4}));
    EXPECT_EQ(result["written"], 2);
    bool trailerSkipped = false;
    for (const auto& s : result["skipped"])
        trailerSkipped |= s["block"] == 3;
    EXPECT_TRUE(trailerSkipped);

    // With the delivery key given, the keys of the default sectors are known and their
    // trailers are written last, with --yes only.
    RunJson("dump --key FFFFFFFFFFFF --out " + File("keys.json"));
    sim_.Model().ClearRequests();
    RunJson("restore --in " + File("keys.json"));
    EXPECT_FALSE(WroteBlock(3));
    sim_.Model().ClearRequests();
    const json withYes = RunJson("restore --yes --in " + File("keys.json"));
    EXPECT_FALSE(WroteBlock(3)) << "the trailer holds the dump's keys already";
    EXPECT_EQ(withYes["written"], 0) << withYes.dump();
    int lastData = -1, firstTrailer = 1000, i = 0;
    for (const auto& r : sim_.Model().Requests()) {
        if (r.command != 0x35)
            continue;
        const int b = r.data[0];
        const bool trailer =
            b == vorex::cards::mifare::TrailerOf(vorex::cards::mifare::SectorOf(b));
        if (trailer)
            firstTrailer = std::min(firstTrailer, i);
        else
            lastData = i;
        ++i;
    }
    EXPECT_LT(lastData, firstTrailer) << "data blocks first, trailers last";
    EXPECT_EQ(withYes["ok"], true) << withYes.dump();
}

TEST_F(MifareCli, BinaryDumpsAndCardMismatch) {
    const json summary = RunJson("dump --out " + File("card.mfd"));
    EXPECT_EQ(summary["format"], "mfd");
    const json printed = RunJson("dump");
    EXPECT_EQ(printed["ok"], true);
    EXPECT_EQ(printed["blocks"].size(), 64u);
    EXPECT_EQ(printed["unreadable"].size(), 5u);
    EXPECT_EQ(std::filesystem::file_size(File("card.mfd")), 1024u);
    std::ifstream listed(File("card.mfd.unread"));
    const std::string list((std::istreambuf_iterator<char>(listed)), {});
    EXPECT_NE(list.find("\n6\n8\n9\n10\n11\n"), std::string::npos) << list;
    // Trailers of a binary dump hold the keys that opened the sectors; the card holds
    // what the dump holds, so nothing is written.
    sim_.Model().ClearRequests();
    const json restored = RunJson("restore --yes --in " + File("card.mfd"));
    EXPECT_FALSE(WroteBlock(4));
    EXPECT_FALSE(WroteBlock(3));
    EXPECT_EQ(restored["written"], 0) << restored.dump();
    PutInField(1);
    const json refused = RunJson("restore --in " + File("card.mfd"), 1);
    EXPECT_EQ(refused["ok"], false);
    // A 1K card with another UID: said so, and written only with --yes.
    {
        auto lock = sim_.Model().Lock();
        cards_->AddCard(std::make_unique<vsim::ClassicCard>(false, Hex("3E 7A 91 C4")), "other");
        cards_->SetField(cards_->FindCard("other"));
    }
    sim_.Model().ClearRequests();
    const json other = RunJson("restore --in " + File("card.mfd"), 1);
    EXPECT_EQ(other["message"], "dump of 11223344, card is 3E7A91C4: confirm with --yes");
    EXPECT_FALSE(WroteBlock(4));
    std::ofstream(File("junk.mfd")) << "not a dump";
    EXPECT_EQ(RunJson("restore --in " + File("junk.mfd"), 1)["ok"], false);
    EXPECT_EQ(RunJson("restore --in " + File("missing.mfd"), 1)["ok"], false);
}

// A reader that stops answering mid-dump: exit 1 within two timeouts and a second, the
// sector named, and the good dump of an earlier run left as it was.
TEST_F(MifareCli, DumpWithTheReaderGoneKeepsTheEarlierFile) {
    for (const std::string name : {"card.mfd", "card.json"}) {
        SCOPED_TRACE(name);
        RunJson("dump --out " + File(name));
        std::ifstream before(File(name), std::ios::binary);
        const std::string good((std::istreambuf_iterator<char>(before)), {});
        sim_.Model().InjectFault(vtest::SilentFrom(0x34, 20));
        const auto start = std::chrono::steady_clock::now();
        const Result r = Run("dump --timeout 300 --out " + File(name));
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(2 * 300 + 1000));
        sim_.Model().ClearFaults();
        EXPECT_EQ(r.code, 1) << r.out;
        const json j = json::parse(r.out, nullptr, false);
        EXPECT_EQ(j["ok"], false);
        EXPECT_EQ(j["sector"], 5) << r.out;
        EXPECT_NE(j["message"].get<std::string>().find("the reader does not answer"),
                  std::string::npos);
        std::ifstream after(File(name), std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), good);
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            const std::string file = entry.path().filename().string();
            EXPECT_TRUE(file == "card.mfd" || file == "card.mfd.unread" || file == "card.json")
                << file << ": no temporary file is left";
        }
    }
}

TEST_F(MifareCli, RestoreWithTheReaderGoneSaysWhatWasWritten) {
    RunJson("dump --out " + File("card.json"));
    {
        auto lock = sim_.Model().Lock();
        for (int b : {1, 2, 4, 5})
            Classic().Block(b) = vsim::Bytes(16, 0xEE);
    }
    sim_.Model().InjectFault(vtest::SilentFrom(0x35, 2));
    const auto start = std::chrono::steady_clock::now();
    const json j = RunJson("restore --timeout 300 --in " + File("card.json"), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2 * 300 + 1000));
    EXPECT_EQ(j["written_blocks"], json::array({1, 2}));
    EXPECT_EQ(j["stopped_at"], 4);
}

// Unreadable inputs (a folder, a file that is no dump) are a message and exit 1.
TEST_F(MifareCli, RestoreFromAFolderIsRefused) {
    const auto r = vtest::Run(
        "cli/vorexctl", "--port " + sim_.Path() + " mifare restore --in " + dir_.string(), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("is a folder"), std::string::npos) << r.out;
}

TEST_F(MifareCli, DestructiveWritesAreGuarded) {
    const std::string trailer = "FFFFFFFFFFFF FF0780 69 FFFFFFFFFFFF";
    const std::string broken = "FFFFFFFFFFFF 000000 69 FFFFFFFFFFFF";
    struct Case {
        std::string args;
        int code;
    } cases[] = {
        {"write --block 3 --data " + trailer, 1},
        {"write --block 3 --yes --data " + broken, 1},
        {"write --block 0 --yes --data 00112233445566778899AABBCCDDEEFF", 1},
        {"write --block 4 --data 0011", 2},
        {"write --block 64 --data 00112233445566778899AABBCCDDEEFF", 1},
    };
    for (const auto& c : cases) {
        sim_.Model().ClearRequests();
        EXPECT_EQ(Run(c.args).code, c.code) << c.args;
        EXPECT_FALSE(WroteBlock(3) || WroteBlock(0) || WroteBlock(4) || WroteBlock(64)) << c.args;
    }
    EXPECT_EQ(RunJson("write --block 3 --yes --data " + trailer)["verified"], true);
    EXPECT_EQ(RunJson("write --block 4 --key-type B --key-index 1 --data "
                      "00112233445566778899AABBCCDDEEFF")["ok"],
              true);
    // Bytes as the program prints them: spaced (one word) or with colons.
    EXPECT_EQ(RunJson("write --block 4 --key-type B --key-index 1 --data "
                      "'00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF'")["ok"],
              true);
    EXPECT_EQ(RunJson("write --block 4 --key-type B --key-index 1 --data "
                      "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF")["ok"],
              true);
    // Value block: written as one, then incremented.
    RunJson("write --block 5 --key-index 1 --data 0A000000F5FFFFFF0A00000005FA05FA");
    EXPECT_EQ(RunJson("value --block 5 --key-index 1 inc --by 7")["value"], 17);
    EXPECT_EQ(RunJson("value --block 4 --key-index 1 dec", 1)["error"], 19);
    EXPECT_EQ(RunJson("store-key --type B --index 15 --key 0102030405AB")["ok"], true);
    {
        auto lock = sim_.Model().Lock();
        EXPECT_EQ(cards_->Key(1, 15), Hex("0102030405AB"));
    }
}

// Without a key option read, write and value try the keys a dump tries.
TEST_F(MifareCli, BlockCommandsTryTheKeysAtHand) {
    const json select = RunJson("select");
    EXPECT_EQ(select["atqa"], 4) << "a number, as in dumps";
    EXPECT_EQ(select["atqa"], RunJson("dump")["atqa"]);
    EXPECT_EQ(RunJson("read --block 4")["data"], "44444444444444444444444444444444");
    EXPECT_EQ(RunJson("write --block 5 --data 0A000000F5FFFFFF0A00000005FA05FA")["ok"], true);
    EXPECT_EQ(RunJson("value --block 5 inc --by 7")["value"], 17);
    const json never = RunJson("write --block 6 --data 00112233445566778899AABBCCDDEEFF", 1);
    EXPECT_EQ(never["error"], 241) << never.dump();
    EXPECT_EQ(RunJson("read --block 8", 1)["message"],
              "no key at hand opens sector 2 (give it with --key)");
}

// ndef write builds the message with the card library; ndef read and dump read it back.
TEST_F(MifareCli, NdefWriteAndRead) {
    PutInField(2);
    EXPECT_EQ(RunJson("ntag ndef write --uri https://www.vorex.example/a")["ok"], true);
    json read = RunJson("ntag ndef read");
    ASSERT_EQ(read["records"].size(), 1u) << read.dump();
    EXPECT_EQ(read["records"][0]["uri"], "https://www.vorex.example/a");
    EXPECT_EQ(RunJson("ntag ndef write --text Grüezi --lang de")["ok"], true);
    read = RunJson("ntag dump")["ndef"];
    ASSERT_EQ(read["records"].size(), 1u) << read.dump();
    EXPECT_EQ(read["records"][0]["text"], "Grüezi");
    EXPECT_EQ(read["records"][0]["language"], "de");
    // Too long for the tag, or both kinds at once: refused before anything is written.
    PutInField(4);
    sim_.Model().ClearRequests();
    EXPECT_EQ(RunJson("ntag ndef write --uri https://vorex.example", 1)["ok"], false)
        << "an Ultralight has no capability container";
    EXPECT_EQ(Run("ntag ndef write --uri a --text b").code, 2);
    PutInField(6);
    EXPECT_NE(RunJson("ntag ndef write --text " + std::string(200, 'x'), 1)["message"]
                  .get<std::string>()
                  .find("the tag holds 144"),
              std::string::npos);
    EXPECT_FALSE(WroteBlock(4));
}

TEST_F(MifareCli, PageTagDumpsFindTheEndOfMemory) {
    PutInField(2);
    json dump = RunJson("ntag dump");
    EXPECT_EQ(dump["type"], "ntag216");
    EXPECT_EQ(dump["page_count"], 231);
    PutInField(3);
    dump = RunJson("ntag dump");
    EXPECT_EQ(dump["page_count"], 512) << "the failing sector select ends the memory";
    PutInField(4);
    dump = RunJson("ultralight dump");
    EXPECT_EQ(dump["type"], "ultralight");
    EXPECT_EQ(dump["page_count"], 16);
    EXPECT_EQ(RunJson("ultralight write --page 4 --data 01020304", 1)["error"], 241)
        << "page 4 is locked";
    EXPECT_EQ(RunJson("ultralight write --page 5 --data 0102030405060708")["written_pages"],
              json::array({5, 6}));
    EXPECT_EQ(Run("ultralight write --page 3 --data 01000000").code, 1) << "needs --yes";
    EXPECT_EQ(RunJson("ultralight write --page 3 --yes --data 01000000")["ok"], true);
    PutInField(0);
    EXPECT_EQ(RunJson("ntag dump", 1)["ok"], false) << "a Classic card is no page tag";
}

TEST_F(MifareCli, ProtectedNtagDumpStopsAtAuth0AndSaysSo) {
    // NTAG213 with PROT = 1 and AUTH0 = 16: pages 16.. are hidden until PWD_AUTH.
    PutInField(5);
    json dump = RunJson("ntag dump");
    EXPECT_EQ(dump["page_count"], 16);
    EXPECT_EQ(dump["protected_from"], 16) << "not the end of memory";
    EXPECT_EQ(dump["type"], "ntag213") << "named by its capability container";
    const auto text =
        vtest::Run("cli/vorexctl", "--port " + sim_.Path() + " mifare ntag dump", true);
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("pages from 16 on are read-protected"), std::string::npos) << text.out;

    dump = RunJson("ntag dump --password 12345678");
    EXPECT_EQ(dump["page_count"], 45);
    EXPECT_FALSE(dump.contains("protected_from"));
    EXPECT_EQ(dump["pages"][16], "10111213");
    EXPECT_EQ(dump["pages"][0x2B], "00000000") << "PWD reads as zeros";

    const json wrong = RunJson("ntag dump --password 12345679", 1);
    EXPECT_EQ(wrong["context"], "password");
    EXPECT_EQ(wrong["error"], 246);
    EXPECT_EQ(Run("ntag dump --password 1234").code, 2);

    EXPECT_EQ(RunJson("ntag write --page 16 --data 01020304", 1)["error"], 246);
    EXPECT_EQ(RunJson("ntag write --page 16 --data 01020304 --password 12345678")["written_pages"],
              json::array({16}));
    // A complete NTAG dump carries no mark.
    PutInField(2);
    EXPECT_FALSE(RunJson("ntag dump").contains("protected_from"));
}

TEST_F(MifareCli, NtagDumpShowsTheNdefRecords) {
    PutInField(6);
    json dump = RunJson("ntag dump");
    EXPECT_EQ(dump["ndef"]["status"], "ok");
    ASSERT_EQ(dump["ndef"]["records"].size(), 1u) << dump.dump();
    EXPECT_EQ(dump["ndef"]["records"][0]["uri"], "https://vorex.example");
    const auto text =
        vtest::Run("cli/vorexctl", "--port " + sim_.Path() + " mifare ntag dump", true);
    EXPECT_NE(text.out.find("NDEF: URI https://vorex.example"), std::string::npos) << text.out;

    // A Text record written over it, with a lying record length after it.
    ASSERT_EQ(RunJson("ntag write --page 4 --data 030CD10108540264654861 6C6C6FFE00")["ok"], true);
    dump = RunJson("ntag dump");
    ASSERT_EQ(dump["ndef"]["records"].size(), 1u) << dump.dump();
    EXPECT_EQ(dump["ndef"]["records"][0]["text"], "Hallo");
    EXPECT_EQ(dump["ndef"]["records"][0]["language"], "de");
    ASSERT_EQ(RunJson("ntag write --page 4 --data 030BD1FF")["ok"], true);
    EXPECT_EQ(RunJson("ntag dump")["ndef"]["status"], "damaged");

    PutInField(2); // a blank NTAG holds an empty NDEF message
    dump = RunJson("ntag dump");
    EXPECT_EQ(dump["ndef"]["status"], "ok");
    EXPECT_TRUE(dump["ndef"]["records"].empty());
    PutInField(4); // an Ultralight without capability container
    EXPECT_EQ(RunJson("ultralight dump")["ndef"]["status"], "not_ndef");
}

// An NTAG213 dumped as an Ultralight is told apart and dumped whole; its password
// page is written although it reads back as zeros.
TEST_F(MifareCli, NtagTakenForAnUltralightAndItsPasswordPage) {
    PutInField(6);
    const auto text =
        vtest::Run("cli/vorexctl", "--port " + sim_.Path() + " mifare ultralight dump", true);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.find("read-protected"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("no Ultralight"), std::string::npos) << text.out;
    const json dump = RunJson("ultralight dump");
    EXPECT_EQ(dump["page_count"], 45);
    EXPECT_EQ(dump["type"], "ntag213");
    EXPECT_FALSE(dump.contains("protected_from"));

    const json pwd = RunJson("ntag write --page 43 --data 0A0B0C0D");
    EXPECT_EQ(pwd["written_pages"], json::array({43}));
    EXPECT_EQ(pwd["unverified"], json::array({43}));
    EXPECT_EQ(RunJson("ntag dump --password 0A0B0C0D")["ok"], true) << "the password is set";
}

} // namespace

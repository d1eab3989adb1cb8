// vorexctl's command tables: group help is built from the subcommand rows, and every
// subcommand refuses an option it does not take before it opens the reader.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

TEST(CommandTable, GroupHelpListsEverySubcommand) {
    const struct {
        const char* group;
        std::vector<const char*> subcommands;
    } groups[] = {
        {"iso15693", {"inventory", "info", "read", "write", "lock", "dump", "restore"}},
        {"mifare",
         {"select", "read", "write", "value", "store-key", "dump", "restore", "ultralight",
          "ntag"}},
        {"mifare ntag", {"dump", "write"}},
        {"mifare ultralight", {"dump", "write"}},
        {"bt", {"adapters", "scan", "connect"}},
        {"lan", {"search", "config", "test"}},
    };
    for (const auto& g : groups) {
        const auto r = vtest::Run("cli/vorexctl", std::string(g.group) + " --help");
        EXPECT_EQ(r.status, 0) << g.group;
        for (const char* sub : g.subcommands)
            EXPECT_NE(r.out.find("\n  " + std::string(sub)), std::string::npos)
                << g.group << " " << sub << "\n"
                << r.out;
        EXPECT_NE(r.out.find("vorexctl " + std::string(g.group) + " SUBCOMMAND --help"),
                  std::string::npos)
            << "the hint names a command that exists";
    }
    const auto sub = vtest::Run("cli/vorexctl", "mifare ntag write --help");
    EXPECT_NE(sub.out.find("options: --page --password --data --yes"), std::string::npos)
        << sub.out;
}

TEST(CommandTable, OptionsASubcommandDoesNotTakeAreRefused) {
    // No port is given: a refusal must come before the reader is opened.
    const char* cases[] = {
        "mifare select --password 00 --in x --format y",
        "mifare read --block 4 --out f",
        "mifare dump --in f",
        "mifare ntag dump --page 4",
        "iso15693 inventory --uid 00",
        "iso15693 read --uid E004010000000015 --block 1 --yes",
        "bt scan --reader x",
        "lan test --reader x --all",
        "--bogus identify",
    };
    for (const char* args : cases) {
        const auto r = vtest::Run("cli/vorexctl", args, true);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
        EXPECT_NE(r.out.find("unknown option"), std::string::npos) << args << "\n" << r.out;
    }
}

// With --json a usage error is one JSON object on stdout too.
TEST(CommandTable, UsageErrorsUnderJsonAreOneJsonObject) {
    for (const char* args : {"--json mifare select --bogus", "--timeout x --json identify",
                             "--json iso15693", "--json frobnicate", "--json mifare dump --out"}) {
        const auto r = vtest::Run("cli/vorexctl", args);
        EXPECT_EQ(r.status, 2) << args;
        const auto j = nlohmann::json::parse(r.out, nullptr, false);
        ASSERT_TRUE(j.is_object()) << args << ": " << r.out;
        EXPECT_EQ(j["ok"], false);
        EXPECT_TRUE(j["message"].is_string());
    }
}

// --baud auto finds a reader that runs at another rate; without it the hint names it.
TEST(CommandTable, BaudAutoFindsTheReadersRate) {
    auto sim = vtest::SimReader::FromScenario(R"({"reader": {"baud": 57600}})");
    const std::string port = "--port " + sim->Path() + " --timeout 150 ";
    auto r = vtest::Run("cli/vorexctl", port + "identify", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("try --baud auto"), std::string::npos) << r.out;
    r = vtest::Run("cli/vorexctl", port + "--baud auto identify", true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("the reader answers at 57600 baud"), std::string::npos) << r.out;
}

// A port that cannot be opened says why, as the system tells it.
TEST(CommandTable, APortThatCannotBeOpenedSaysWhy) {
    const struct {
        const char* port;
        const char* reason;
    } cases[] = {
        {"/dev/vorex-no-such-port", "No such file or directory"},
        {"/tmp", "it is a folder"},
        {"/etc/hostname", "not a serial device"},
    };
    for (const auto& c : cases) {
        const auto r =
            vtest::Run("cli/vorexctl", std::string("--port ") + c.port + " identify", true);
        EXPECT_EQ(r.status, 1) << c.port;
        EXPECT_NE(r.out.find(c.reason), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("(-1)"), std::string::npos) << r.out;
    }
}

} // namespace

// Changing the stand-in reader's field while it runs: the line commands vorex-sim
// reads on stdin, applied to a model built from a scenario.
#include "sim/FieldControl.h"
#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"
#include "sim/Scenario.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

constexpr const char* kScenario = R"({
  "iso15693": {
    "tags": [
      {"type": "nxp-icode-slix", "uid": "E0 04 01 10 00 00 00 01", "name": "slix"},
      {"type": "nxp-icode-slix2", "uid": "E0 04 01 08 00 00 00 02"},
      {"type": "em4233", "uid": "E0 16 02 00 00 00 00 03"}
    ],
    "sets": {"pair": ["slix", "E0 04 01 08 00 00 00 02"], "third": [2]}
  },
  "iso14443": {
    "cards": [
      {"type": "classic1k", "uid": "01 02 03 04", "name": "door"},
      {"type": "ntag213", "uid": "04 01 02 03 04 05 06", "name": "poster"}
    ]
  }
})";

TEST(FieldControl, CommandsPutCardsAndTagSetsInTheField) {
    std::string error;
    auto model = vsim::LoadScenario(nlohmann::json::parse(kScenario), error);
    ASSERT_TRUE(model) << error;
    auto* cards = model->FindCommandSet<vsim::Iso14443Commands>();
    auto* tags = model->FindCommandSet<vsim::Iso15693Commands>();
    ASSERT_TRUE(cards && tags);
    const auto inField = [&] {
        std::string s;
        for (const auto& t : tags->Tags())
            s += t.inField ? '1' : '0';
        return s;
    };
    ASSERT_EQ(cards->Field(), 0);
    ASSERT_EQ(inField(), "111") << "every tag starts in the field";

    struct Step {
        const char* line;
        const char* answer;
        int field;      // card in the field afterwards
        const char* in; // tags in the field afterwards
    };
    const Step steps[] = {
        {"card poster", "ok card poster", 1, "111"},
        {"tags pair", "ok tags pair", 1, "110"},
        {"card none", "ok card none", -1, "110"},
        {"tags third", "ok tags third", -1, "001"},
        {"card 0", "ok card 0", 0, "001"},
        {"empty", "ok empty", -1, "000"},
        {"tags all", "ok tags all", -1, "111"},
        {"  card   door  ", "ok card door", 0, "111"},
        {"", "", 0, "111"},
        {"# a comment", "", 0, "111"},
        {"card 2", "error no card \"2\"", 0, "111"},
        {"card shelf", "error no card \"shelf\"", 0, "111"},
        {"tags trio", "error no tag set \"trio\"", 0, "111"},
        {"card", "error usage: card NAME|INDEX|none, tags SET|all|none, empty or next", 0, "111"},
        {"card door poster", "error usage: card NAME|INDEX|none, tags SET|all|none, empty or next",
         0, "111"},
        {"empty now", "error usage: card NAME|INDEX|none, tags SET|all|none, empty or next", 0,
         "111"},
        {"swap door", "error unknown command \"swap\" (card, tags, empty or next)", 0, "111"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.line);
        EXPECT_EQ(vsim::ApplyFieldCommand(*model, s.line), s.answer);
        EXPECT_EQ(cards->Field(), s.field);
        EXPECT_EQ(inField(), s.in);
    }
}

TEST(FieldControl, TagsOutOfTheFieldDoNotAnswer) {
    std::string error;
    auto model = vsim::LoadScenario(nlohmann::json::parse(kScenario), error);
    ASSERT_TRUE(model) << error;
    auto* tags = model->FindCommandSet<vsim::Iso15693Commands>();
    // One-slot inventory: the slot block says collision (01 02), one tag (0B 00 ...)
    // or nobody (01 01).
    const auto slot = [&] {
        vsim::Request r;
        r.command = 0x20;
        r.data = {0x26, 0x01, 0x00};
        const vsim::Reply reply = *tags->Handle(r, *model);
        return vsim::Bytes(reply.payload.begin(), reply.payload.begin() + 2);
    };
    EXPECT_EQ(slot(), (vsim::Bytes{0x01, 0x02}));
    ASSERT_EQ(vsim::ApplyFieldCommand(*model, "tags third"), "ok tags third");
    EXPECT_EQ(slot(), (vsim::Bytes{0x0B, 0x00}));
    ASSERT_EQ(vsim::ApplyFieldCommand(*model, "tags none"), "ok tags none");
    EXPECT_EQ(slot(), (vsim::Bytes{0x01, 0x01}));
    // Addressed requests do not reach a tag outside the field either.
    vsim::Request read;
    read.command = 0x20;
    read.data = {0x20, 0x23, 0x03, 0x00, 0x00, 0x00, 0x00, 0x02, 0x16, 0xE0, 0x00, 0x00};
    EXPECT_EQ(tags->Handle(read, *model)->status, vsim::kNoTransponder);
    ASSERT_EQ(vsim::ApplyFieldCommand(*model, "tags all"), "ok tags all");
    EXPECT_EQ(tags->Handle(read, *model)->status, vsim::kOk);
}

TEST(FieldControl, CommandsNeedTheSectionTheyChange) {
    std::string error;
    auto model = vsim::LoadScenario(nlohmann::json::object(), error);
    ASSERT_TRUE(model) << error;
    EXPECT_EQ(vsim::ApplyFieldCommand(*model, "card 0"),
              "error the scenario has no iso14443 section");
    EXPECT_EQ(vsim::ApplyFieldCommand(*model, "tags all"),
              "error the scenario has no iso15693 section");
    EXPECT_EQ(vsim::ApplyFieldCommand(*model, "empty"), "ok empty");
}

TEST(FieldControl, BadSetsAndNamesAreRefusedWithAReason) {
    const char* bad[] = {
        R"({"iso15693": {"tags": [{"type": "em4233"}], "sets": {"a": [1]}}})",
        R"({"iso15693": {"tags": [{"type": "em4233"}], "sets": {"a": ["nobody"]}}})",
        R"({"iso15693": {"tags": [{"type": "em4233"}], "sets": {"all": [0]}}})",
        R"({"iso15693": {"tags": [{"type": "em4233"}], "sets": {"a": 0}}})",
        R"({"iso15693": {"tags": [{"type": "em4233"}], "sets": []}})",
        R"({"iso14443": {"cards": [{"type": "classic1k", "uid": "01020304", "name": "a"},
                                   {"type": "classic1k", "uid": "01020305", "name": "a"}]}})",
        R"({"iso14443": {"cards": [{"type": "classic1k", "uid": "01020304", "name": 3}]}})",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(vsim::LoadScenario(nlohmann::json::parse(text), error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

} // namespace

// The stand-in conveyor: a line of tags with fresh UIDs entering and leaving the field,
// stepped by `next` or by time, as the reader's card and tag commands see it.
#include "sim/Conveyor.h"
#include "sim/FieldControl.h"
#include "sim/Iso14443Commands.h"
#include "sim/Iso15693Tags.h"
#include "sim/Scenario.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

namespace {

std::unique_ptr<vsim::ReaderModel> Load(const std::string& conveyor, std::string* error = nullptr) {
    std::string e;
    auto model = vsim::LoadScenario(nlohmann::json::parse(R"({"conveyor": )" + conveyor + "}"), e);
    if (error)
        *error = e;
    return model;
}

// The UID the reader's select would report now, or "" for an empty field (the
// conveyor moves on the request, as on any request the reader gets).
std::string CardInField(vsim::ReaderModel& model) {
    auto lock = model.Lock();
    model.FindCommandSet<vsim::Conveyor>()->Handle({}, model);
    auto* cards = model.FindCommandSet<vsim::Iso14443Commands>();
    if (cards->Field() < 0)
        return "";
    std::string uid;
    for (uint8_t b : cards->Card(static_cast<size_t>(cards->Field())).Uid())
        uid += std::to_string(b) + ".";
    return uid;
}

TEST(Conveyor, NextFeedsFreshUidsUntilTheLineIsEmpty) {
    auto model = Load(R"({"family": "ntag213", "count": 3})");
    ASSERT_TRUE(model);
    std::set<std::string> seen;
    const std::string first = CardInField(*model); // the first tag is there at once
    ASSERT_FALSE(first.empty());
    seen.insert(first);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(vsim::ApplyFieldCommand(*model, "next").rfind("ok next ", 0), 0u);
        seen.insert(CardInField(*model));
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(vsim::ApplyFieldCommand(*model, "next"), "ok line empty");
    EXPECT_EQ(CardInField(*model), "");
}

TEST(Conveyor, TimeMovesTagsThroughTheFieldWithGaps) {
    // A tag every 400 ms, 200 ms of it in the field; each look lands mid-phase, 100 ms
    // from its edges.
    auto model = Load(R"({"family": "classic1k", "count": 2, "interval_ms": 400,
                          "dwell_ms": 200})");
    ASSERT_TRUE(model);
    const auto start = std::chrono::steady_clock::now();
    const auto at = [&](int ms) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(ms));
        return CardInField(*model);
    };
    const std::string first = CardInField(*model);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(at(300), ""); // between two tags
    const std::string second = at(500);
    EXPECT_FALSE(second.empty());
    EXPECT_NE(second, first);
    EXPECT_EQ(at(900), ""); // past the end of the line
}

TEST(Conveyor, Iso15693TagsCarryTheirTypeBitsAndOnlyOneIsInTheField) {
    auto model = Load(R"({"family": "nxp-icode-slix2", "count": 4})");
    ASSERT_TRUE(model);
    for (int i = 0; i < 3; ++i)
        vsim::ApplyFieldCommand(*model, "next");
    auto lock = model->Lock();
    auto& tags = model->FindCommandSet<vsim::Iso15693Commands>()->Tags();
    ASSERT_EQ(tags.size(), 4u);
    std::set<uint64_t> uids;
    int inField = 0;
    for (const auto& t : tags) {
        uids.insert(t.Uid64());
        inField += t.inField;
        EXPECT_EQ(t.uid[4] & 0x18, 0x08) << "SLIX2 type bits";
        EXPECT_EQ(t.blockCount, 80);
    }
    EXPECT_EQ(uids.size(), 4u);
    EXPECT_EQ(inField, 1);
    EXPECT_TRUE(tags[3].inField);
}

TEST(Conveyor, InvalidSectionsAreRefusedWithTheirReason) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"family": "ntag999", "count": 3})", "family"},
        {R"({"family": "ntag213", "count": -1})", "count"},
        {R"({"family": "ntag213", "interval_ms": 10, "dwell_ms": 20})", "dwell_ms"},
        {R"([1])", "object"},
    };
    for (const auto& [section, word] : cases) {
        std::string error;
        EXPECT_FALSE(Load(section, &error)) << section;
        EXPECT_NE(error.find(word), std::string::npos) << error;
    }
}

} // namespace

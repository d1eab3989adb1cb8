// Whole-card dump and restore of MIFARE Classic cards against the stand-in reader.
#include "cards/ClassicCard.h"
#include "sim/Iso14443Cards.h"
#include "sim/Iso14443Commands.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <vorex/vorex.h>

namespace {

namespace md = vorex::cards::mifare;
using vorex::cards::Key;

class ClassicOnReader : public ::testing::Test {
protected:
    void Open(const std::string& iso14443) {
        std::string error;
        auto set = vsim::ParseIso14443(nlohmann::json::parse(iso14443), 0x125, error);
        ASSERT_TRUE(set) << error;
        cards_ = set.get();
        sim_ = std::make_unique<vtest::SimReader>();
        sim_->Model().AddCommandSet(std::move(set));
        handle_ = VOREX_OpenPort(sim_->Path().c_str(), 19200, 500);
        ASSERT_GT(handle_, 0);
        ASSERT_TRUE(md::Activate(handle_, card_));
        sim_->Model().ClearRequests();
    }
    void TearDown() override {
        if (handle_ > 0)
            VOREX_ClosePort(handle_);
    }
    int Count(uint8_t command) {
        int n = 0;
        for (const auto& r : sim_->Model().Requests())
            n += r.command == command;
        return n;
    }
    vsim::ClassicCard& Card() { return static_cast<vsim::ClassicCard&>(cards_->Card(0)); }

    std::unique_ptr<vtest::SimReader> sim_;
    vsim::Iso14443Commands* cards_ = nullptr;
    int handle_ = 0;
    md::CardInfo card_;
};

TEST_F(ClassicOnReader, DumpOfADeliveredCardAuthenticatesOncePerSector) {
    Open(R"({"cards": [{"type": "classic4k", "uid": "04 01 02 03 04 05 06",
                         "blocks": {"200": "000102030405060708090A0B0C0D0E0F"}}]})");
    std::vector<std::pair<int, int>> steps;
    const md::ClassicReadResult r =
        md::DumpClassic(handle_, card_, {}, 16, [&](int d, int t) { steps.emplace_back(d, t); });
    EXPECT_EQ(Count(0x33), 40);
    EXPECT_EQ(Count(0x34), 256);
    EXPECT_EQ(Count(0x30), 0) << "the card stays active from sector to sector";
    EXPECT_TRUE(r.unreadable.empty());
    EXPECT_TRUE(r.closedSectors.empty());
    ASSERT_EQ(r.dump.blocks.size(), 256u);
    auto lock = sim_->Model().Lock();
    for (int b = 0; b < 256; ++b) {
        const auto& got = *r.dump.blocks[static_cast<size_t>(b)];
        const auto want = Card().Block(b);
        // Trailers read Key A as zeros; Key B is readable here and written into the dump.
        const size_t from = md::IsTrailer(b) ? 6 : 0;
        EXPECT_TRUE(std::equal(got.begin() + static_cast<long>(from), got.end(),
                               want.begin() + static_cast<long>(from)))
            << b;
    }
    EXPECT_EQ(r.dump.keys[39].keyB, std::optional<Key>(Key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(40, 40));
}

TEST_F(ClassicOnReader, DumpUsesKeyBWhereKeyAMayNotReadAndKnowsTheKeysGiven) {
    Open(R"({"keys_a": ["FFFFFFFFFFFF", "A0A1A2A3A4A5"],
             "keys_b": ["FFFFFFFFFFFF", "B0B1B2B3B4B5"],
             "cards": [{"type": "classic1k", "uid": "11 22 33 44",
               "sectors": {"1": {"key_a": "A0A1A2A3A4A5", "key_b": "B0B1B2B3B4B5",
                                 "access": [0, 5, 7, 3]},
                           "2": {"key_a": "112233445566", "key_b": "665544332211",
                                 "access": [0, 0, 0, 3]},
                           "3": {"key_a": "0A0B0C0D0E0F", "key_b": "0F0E0D0C0B0A"}},
               "blocks": {"5": "55555555555555555555555555555555"}}]})");
    const Key given{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const md::ClassicReadResult r = md::DumpClassic(handle_, card_, {given}, 16);
    // Block 5 (access 5) only Key B reads; block 6 (access 7) nobody; sector 3 no key opens.
    EXPECT_EQ(r.unreadable, (std::vector<int>{6, 12, 13, 14, 15}));
    EXPECT_EQ(r.closedSectors, std::vector<int>{3});
    EXPECT_EQ(vorex::cards::Hex(r.dump.blocks[5]->data(), 16), "55555555555555555555555555555555");
    EXPECT_EQ(r.dump.keys[2].keyA, std::optional<Key>(given));
    EXPECT_EQ(vorex::cards::Hex(r.dump.blocks[11]->data(), 6), "112233445566")
        << "known Key A in the trailer";
    EXPECT_FALSE(r.dump.keys[2].keyB.has_value());
    EXPECT_FALSE(r.dump.keys[1].keyA.has_value()) << "keys of the store are not known by value";
}

TEST_F(ClassicOnReader, RestoreWritesDataBlocksAndTrailersOnlyWhenAsked) {
    Open(R"({"cards": [{"type": "classic1k", "uid": "11 22 33 44"}]})");
    md::ClassicDump dump = md::DumpClassic(handle_, card_, {}, 16).dump;
    dump.blocks[1]->fill(0x11);
    dump.blocks[62]->fill(0x62);
    dump.blocks[2].reset();
    dump.keys[0].keyA = Key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const md::ClassicWriteResult without = md::RestoreClassic(handle_, dump, {}, 16, false);
    EXPECT_TRUE(without.failed.empty());
    EXPECT_EQ(without.skipped.size(), 16u) << "every trailer";
    EXPECT_EQ(without.written.size(), 64u - 16u - 2u) << "all data blocks but 0 and the unread 2";
    {
        auto lock = sim_->Model().Lock();
        EXPECT_EQ(Card().Block(1), vsim::Bytes(16, 0x11));
        EXPECT_EQ(Card().Block(62), vsim::Bytes(16, 0x62));
    }
    const md::ClassicWriteResult with = md::RestoreClassic(handle_, dump, {}, 16, true);
    EXPECT_TRUE(with.failed.empty());
    // Only sector 0 has both keys in the dump.
    ASSERT_EQ(with.skipped.size(), 15u);
    EXPECT_EQ(with.skipped[0].block, 7);
    EXPECT_EQ(std::count(with.written.begin(), with.written.end(), 3), 1);
}

} // namespace

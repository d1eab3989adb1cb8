// Whole-card dump and restore of MIFARE Classic cards against the stand-in reader.
#include "cards/ClassicCard.h"
#include "sim/Iso14443Cards.h"
#include "sim/Iso14443Commands.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <chrono>
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
    // The field control: the card taken away (-1) or another one put there.
    void Field(int index) {
        auto lock = sim_->Model().Lock();
        cards_->SetField(index);
    }
    // Pulls the reader or takes the card away once the procedure reached `at` steps.
    enum class Pull { Reader, Card };
    vorex::cards::Progress PullAt(int at, Pull what) {
        return [this, at, what, done = false](int step, int) mutable {
            if (step < at || done)
                return;
            done = true;
            if (what == Pull::Reader)
                sim_->Server().Stop();
            else
                Field(-1);
        };
    }

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
    EXPECT_EQ(r.dump.keys[1].keyA, std::optional<Key>(Key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}))
        << "a well-known key is known by value";
    // The keys that opened each sector: Key A, then the Key B that read block 5.
    ASSERT_EQ(r.opened.size(), 16u);
    ASSERT_EQ(r.opened[1].size(), 2u);
    EXPECT_EQ(r.opened[1][0].type, 0);
    EXPECT_EQ(r.opened[1][1].type, 1);
    EXPECT_EQ(r.opened[2].front().key, std::optional<Key>(given));
    EXPECT_TRUE(r.opened[3].empty());
}

TEST_F(ClassicOnReader, CancelledDumpEndsBeforeTheNextSector) {
    Open(R"({"cards": [{"type": "classic1k", "uid": "11 22 33 44"}]})");
    std::vector<std::pair<int, int>> steps;
    int asked = 0;
    const md::ClassicReadResult r = md::DumpClassic(
        handle_, card_, {}, 16, [&](int d, int t) { steps.emplace_back(d, t); },
        [&] { return ++asked > 2; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.interrupted.has_value());
    EXPECT_EQ(Count(0x34), 8) << "sectors 0 and 1 only";
    EXPECT_TRUE(r.dump.blocks[7].has_value());
    EXPECT_FALSE(r.dump.blocks[8].has_value());
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(1, 16)) << "no step says the dump is complete";
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
    EXPECT_EQ(without.written, (std::vector<int>{1, 62})) << "the blocks that differ";
    EXPECT_EQ(without.unchanged.size(), 64u - 16u - 4u) << "all others but 0 and the unread 2";
    {
        auto lock = sim_->Model().Lock();
        EXPECT_EQ(Card().Block(1), vsim::Bytes(16, 0x11));
        EXPECT_EQ(Card().Block(62), vsim::Bytes(16, 0x62));
    }
    const md::ClassicWriteResult with = md::RestoreClassic(handle_, dump, {}, 16, true);
    EXPECT_TRUE(with.failed.empty());
    // The delivery keys are known by value: every trailer already holds the dump's.
    EXPECT_TRUE(with.skipped.empty());
    EXPECT_EQ(with.unchanged.size(), 64u - 2u);
    EXPECT_TRUE(with.written.empty()) << "the data blocks were restored before";
    // A trailer whose keys differ from the dump's is written.
    dump.blocks[7]->at(15) = 0x00;
    dump.keys[1].keyB->at(5) = 0x00;
    const md::ClassicWriteResult changed = md::RestoreClassic(handle_, dump, {}, 16, true);
    EXPECT_EQ(changed.written, std::vector<int>{7});
}

// A card or reader that goes away mid-dump ends the dump at once with the block it was
// at; the result is marked, so that no caller takes it for the card's content.
TEST_F(ClassicOnReader, DumpStopsAtOnceWhenTheCardOrTheReaderIsGone) {
    const char* card = R"({"cards": [{"type": "classic4k", "uid": "04 01 02 03 04 05 06"}]})";
    struct Case {
        Pull what;
        md::Interruption::Cause cause;
    };
    for (const Case& c : {Case{Pull::Card, md::Interruption::Cause::CardGone},
                          Case{Pull::Reader, md::Interruption::Cause::ReaderGone}}) {
        SCOPED_TRACE(c.what == Pull::Card ? "card" : "reader");
        Open(card);
        const auto start = std::chrono::steady_clock::now();
        const md::ClassicReadResult r = md::DumpClassic(handle_, card_, {}, 16, PullAt(5, c.what));
        const auto took = std::chrono::steady_clock::now() - start;
        ASSERT_TRUE(r.interrupted.has_value());
        EXPECT_EQ(r.interrupted->cause, c.cause);
        EXPECT_EQ(md::SectorOf(r.interrupted->block), 5);
        EXPECT_LT(took, std::chrono::milliseconds(2 * 500 + 1000))
            << "no key is tried once the reader is gone";
        TearDown();
        handle_ = 0;
    }
}

TEST_F(ClassicOnReader, RestoreStopsAtOnceWhenTheCardIsGoneOrSwapped) {
    Open(R"({"cards": [{"type": "classic1k", "uid": "11 22 33 44"},
                       {"type": "classic1k", "uid": "55 66 77 88"}]})");
    md::ClassicDump dump = md::DumpClassic(handle_, card_, {}, 16).dump;
    for (int b = 1; b < 64; ++b)
        if (!md::IsTrailer(b))
            dump.blocks[static_cast<size_t>(b)]->fill(0x5A);
    // Swapped for another card: nothing more is written, to that card least of all.
    md::ClassicWriteResult r = md::RestoreClassic(handle_, dump, {}, 16, false, [&](int step, int) {
        if (step == 10)
            Field(1);
    });
    ASSERT_TRUE(r.interrupted.has_value());
    EXPECT_EQ(r.interrupted->cause, md::Interruption::Cause::CardGone);
    EXPECT_EQ(r.written.size(), 9u) << "blocks 1, 2, 4 .. 10 before the swap";
    {
        auto lock = sim_->Model().Lock();
        auto& other = static_cast<vsim::ClassicCard&>(cards_->Card(1));
        for (int b = 1; b < 63; ++b)
            EXPECT_NE(other.Block(b), vsim::Bytes(16, 0x5A)) << b;
    }
    // Reader pulled: ends within the time of one missing answer.
    Field(0);
    dump.blocks[40]->fill(0xA5);
    const auto start = std::chrono::steady_clock::now();
    r = md::RestoreClassic(handle_, dump, {}, 16, false, PullAt(20, Pull::Reader));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    ASSERT_TRUE(r.interrupted.has_value());
    EXPECT_EQ(r.interrupted->cause, md::Interruption::Cause::ReaderGone);
}

// Restoring a dump onto the card it was made of changes nothing and fails nowhere,
// read-only and value blocks included.
TEST_F(ClassicOnReader, RestoreOfAnUnchangedDumpWritesNothing) {
    Open(R"({"cards": [{"type": "classic1k", "uid": "11 22 33 44",
               "sectors": {"1": {"access": [2, 6, 0, 1]}, "2": {"access": [2, 2, 2, 1]}},
               "values": {"5": 1000}}]})");
    const md::ClassicDump dump = md::DumpClassic(handle_, card_, {}, 16).dump;
    sim_->Model().ClearRequests();
    const md::ClassicWriteResult r = md::RestoreClassic(handle_, dump, {}, 16, true);
    EXPECT_TRUE(r.failed.empty()) << r.failed.front().block << " " << r.failed.front().reason;
    EXPECT_TRUE(r.written.empty()) << r.written.front();
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_EQ(r.unchanged.size(), 63u) << "every block but the manufacturer block";
    for (const auto& q : sim_->Model().Requests())
        EXPECT_NE(q.command, 0x35) << "block " << int(q.data.at(0)) << " written";
}

// Trailers of a dump hold the keys that opened the sectors where their bytes are known
// (given, or well-known keys such as the delivery key); tools that load the binary
// layout write those trailers as they are.
TEST_F(ClassicOnReader, DumpTrailersHoldTheKeysThatOpenedTheSectors) {
    Open(R"({"cards": [{"type": "classic1k", "uid": "11 22 33 44",
               "sectors": {"1": {"key_a": "D3F7D3F7D3F7", "key_b": "B0B1B2B3B4B5",
                                 "access": [0, 0, 0, 3]}}}]})");
    const md::ClassicReadResult r = md::DumpClassic(handle_, card_, {}, 16);
    EXPECT_EQ(vorex::cards::Hex(r.dump.blocks[3]->data(), 16), "FFFFFFFFFFFFFF078069FFFFFFFFFFFF");
    EXPECT_EQ(vorex::cards::Hex(r.dump.blocks[7]->data(), 6), "D3F7D3F7D3F7");
    EXPECT_EQ(r.dump.keys[1].keyA, std::optional<Key>(Key{0xD3, 0xF7, 0xD3, 0xF7, 0xD3, 0xF7}));
    const std::string binary = md::ToBinary(r.dump);
    EXPECT_EQ(vorex::cards::Hex(reinterpret_cast<const uint8_t*>(binary.data()) + 16 * 63, 6),
              "FFFFFFFFFFFF");
}

} // namespace

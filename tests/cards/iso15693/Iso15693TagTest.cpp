// Whole-tag reads and writes of ISO 15693 tags against the stand-in reader: Read
// Multiple Blocks in chunks where the tag answers it, single reads where it does not.
#include "cards/Iso15693Tag.h"
#include "sim/FieldControl.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <vorex/vorex.h>

namespace {

namespace iso = vorex::cards::iso15693;
using nlohmann::json;

struct TagCase {
    const char* type;
    const char* uid; // MSB first
    int blocks;
    int blockSize;
    bool chunked; // read with Read Multiple Blocks
};

// Block b holds b (two bytes, MSB first) followed by 0xA5 bytes.
std::string Pattern(int b, int size) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(b) & 0xFFFFu);
    std::string s = text;
    while (static_cast<int>(s.size()) < 2 * size)
        s += "A5";
    return s;
}

std::vector<uint8_t> Lsb(const std::string& msbFirst) {
    auto b = vtest::Hex(msbFirst);
    std::reverse(b.begin(), b.end());
    return b;
}

class TagOnReader {
public:
    explicit TagOnReader(const TagCase& c) {
        json blocks = json::array();
        for (int b = 0; b < c.blocks; ++b)
            blocks.push_back(Pattern(b, c.blockSize));
        const json scenario{
            {"iso15693",
             {{"tags",
               {{{"type", c.type}, {"uid", c.uid}, {"blocks", blocks}, {"locked", {1}}}}}}}};
        sim = vtest::SimReader::FromScenario(scenario.dump());
        handle = VOREX_OpenPort(sim->Path().c_str(), 19200, 500);
        tag.uid = Lsb(c.uid);
    }
    ~TagOnReader() {
        if (handle > 0)
            VOREX_ClosePort(handle);
    }
    // ISO requests (0x20) whose ISO command code is `code`.
    int CountIso(uint8_t code) {
        int n = 0;
        for (const auto& r : sim->Model().Requests())
            n += r.command == 0x20 && r.data.size() > 1 && r.data[1] == code;
        return n;
    }
    std::unique_ptr<vtest::SimReader> sim;
    int handle = 0;
    iso::TagAddress tag;
};

constexpr uint8_t kReadSingle = 0x20, kReadMultiple = 0x23;

TEST(Iso15693Tag, ReadsEveryBlockWithItsLockState) {
    const TagCase cases[] = {
        {"nxp-icode-slix2", "E0 04 01 50 12 34 56 71", 80, 4, true},
        {"st-m24lr64", "E0 02 2C 00 00 00 00 01", 2048, 4, true},
        {"fujitsu-mb89r118", "E0 08 01 00 00 00 00 02", 250, 8, true},
        {"em4233", "E0 16 02 00 00 00 00 33", 64, 4, true},
        {"infineon-myd", "E0 05 45 00 00 00 00 44", 32, 8, false},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.type);
        TagOnReader r(c);
        ASSERT_GT(r.handle, 0);
        iso::Layout m;
        ASSERT_TRUE(iso::GetLayout(r.handle, r.tag, m));
        ASSERT_EQ(m.blocks, c.blocks);
        ASSERT_EQ(m.blockSize, c.blockSize);
        r.sim->Model().ClearRequests();
        std::vector<iso::BlockRead> blocks;
        int failed = -1, lastDone = 0, lastTotal = 0;
        ASSERT_TRUE(iso::ReadAllBlocks(r.handle, r.tag, m, blocks, failed, [&](int d, int t) {
            EXPECT_GE(d, lastDone);
            lastDone = d;
            lastTotal = t;
        })) << failed;
        EXPECT_EQ(lastDone, c.blocks);
        EXPECT_EQ(lastTotal, c.blocks);
        ASSERT_EQ(static_cast<int>(blocks.size()), c.blocks);
        for (int b = 0; b < c.blocks; ++b) {
            // Infineon tags read their service blocks 0-2 as the chip has them.
            if (c.chunked || b > 2) {
                EXPECT_EQ(vorex::cards::Hex(blocks[static_cast<size_t>(b)].data.data(),
                                            blocks[static_cast<size_t>(b)].data.size()),
                          Pattern(b, c.blockSize))
                    << "block " << b;
            }
        }
        if (c.chunked) {
            EXPECT_EQ(blocks[1].locked, std::optional<bool>(true));
            EXPECT_EQ(blocks[2].locked, std::optional<bool>(false));
            const int answerFits = 253 / (c.blockSize + 1);
            EXPECT_EQ(r.CountIso(kReadMultiple), (c.blocks + answerFits - 1) / answerFits);
            EXPECT_EQ(r.CountIso(kReadSingle), 0);
        } else {
            EXPECT_EQ(r.CountIso(kReadMultiple), 0);
        }
    }
}

// The block rules vorexctl and the workbench share: a status with only higher bits set
// (ST password numbers) is no lock, and the protocol extension follows the block count.
TEST(Iso15693Rules, LockStatusAndProtocolExtension) {
    const std::pair<uint8_t, bool> statuses[] = {{0x00, false}, {0x01, true},  {0x02, true},
                                                 {0x03, true},  {0x04, false}, {0x18, false},
                                                 {0x80, false}, {0xFD, true}};
    for (const auto& [status, locked] : statuses)
        EXPECT_EQ(iso::IsLocked(status), locked) << int(status);
    const std::pair<int, bool> counts[] = {{1, false},  {28, false},  {256, false},
                                           {257, true}, {2048, true}, {65536, true}};
    for (const auto& [count, extension] : counts)
        EXPECT_EQ(iso::NeedsProtocolExtension(count), extension) << count;
}

TEST(Iso15693Tag, FallsBackToSingleReadsWhenReadMultipleIsRefused) {
    TagOnReader r({"nxp-icode-slix2", "E0 04 01 50 12 34 56 71", 80, 4, true});
    ASSERT_GT(r.handle, 0);
    iso::Layout m;
    ASSERT_TRUE(iso::GetLayout(r.handle, r.tag, m));
    r.sim->Model().ClearRequests();
    vsim::Fault refuse;
    refuse.kind = vsim::Fault::Kind::Status;
    refuse.status = 24; // unknown command
    refuse.command = 0x20;
    r.sim->Model().InjectFault(refuse);
    std::vector<iso::BlockRead> blocks;
    int failed = -1;
    ASSERT_TRUE(iso::ReadAllBlocks(r.handle, r.tag, m, blocks, failed));
    ASSERT_EQ(blocks.size(), 80u);
    EXPECT_EQ(vorex::cards::Hex(blocks[79].data.data(), 4), Pattern(79, 4));
    EXPECT_EQ(blocks[1].locked, std::optional<bool>(true));
    EXPECT_EQ(r.CountIso(kReadMultiple), 1) << "not asked again after the refusal";
    EXPECT_EQ(r.CountIso(kReadSingle), 80);
}

// Cancelled between two requests, in chunks and block by block: the read stops there,
// keeps what it read and names the first block not read.
TEST(Iso15693Tag, CancelStopsBetweenTwoRequests) {
    for (const int chunk : {10, 1}) {
        TagOnReader r({"nxp-icode-slix2", "E0 04 01 50 12 34 56 71", 80, 4, true});
        ASSERT_GT(r.handle, 0);
        iso::Layout m;
        ASSERT_TRUE(iso::GetLayout(r.handle, r.tag, m));
        r.sim->Model().ClearRequests();
        std::vector<iso::BlockRead> blocks;
        int failed = -1;
        int asked = 0;
        EXPECT_FALSE(iso::ReadAllBlocks(r.handle, r.tag, m, blocks, failed, {}, chunk,
                                        [&] { return ++asked > 3; }));
        EXPECT_EQ(blocks.size(), size_t(3 * chunk)) << chunk;
        EXPECT_EQ(failed, 3 * chunk) << chunk;
        EXPECT_EQ(r.CountIso(chunk > 1 ? kReadMultiple : kReadSingle), 3) << chunk;
        EXPECT_EQ(vorex::cards::Hex(blocks.back().data.data(), 4), Pattern(3 * chunk - 1, 4));
    }
}

TEST(Iso15693Tag, ReportsTheBlockThatCannotBeRead) {
    TagOnReader r({"nxp-icode-slix2", "E0 04 01 50 12 34 56 71", 80, 4, true});
    ASSERT_GT(r.handle, 0);
    iso::Layout m;
    ASSERT_TRUE(iso::GetLayout(r.handle, r.tag, m));
    m.blocks = 90; // more than the tag has: the last chunk and then block 80 fail
    std::vector<iso::BlockRead> blocks;
    int failed = -1;
    EXPECT_FALSE(iso::ReadAllBlocks(r.handle, r.tag, m, blocks, failed));
    EXPECT_EQ(failed, 80);
    EXPECT_EQ(VOREX_GetLastError(r.handle), VOREX_ERR_ISO_NO_BLOCK);
}

TEST(Iso15693Tag, DumpFileRoundTripAndBadFiles) {
    iso::Layout m;
    m.blocks = 2;
    m.blockSize = 4;
    m.manufacturer = 4;
    std::vector<iso::BlockRead> blocks(2);
    blocks[0].data = {1, 2, 3, 4};
    blocks[0].locked = true;
    blocks[1].data = {5, 6, 7, 8};
    const std::string text = iso::DumpToJson("E004015012345671", m, blocks);
    std::map<int, std::vector<uint8_t>> back;
    std::string error;
    ASSERT_TRUE(iso::ParseDump(text, back, error)) << error;
    EXPECT_EQ(back.at(1), (std::vector<uint8_t>{5, 6, 7, 8}));
    EXPECT_EQ(json::parse(text)["blocks"][1]["locked"], nullptr);
    EXPECT_EQ(iso::FirstMisfit(back, m), -1);
    m.blocks = 1;
    EXPECT_EQ(iso::FirstMisfit(back, m), 1);

    for (const char* bad : {"", "[]", "{\"blocks\": 3}", "{\"blocks\": [{\"block\": 1}]}",
                            "{\"blocks\": [{\"block\": -1, \"data\": \"00\"}]}",
                            "{\"blocks\": [{\"block\": 0, \"data\": \"0G\"}]}",
                            "{\"blocks\": [{\"block\": 0, \"data\": \"\"}]}",
                            "{\"blocks\": [{\"block\": 0, \"data\": \"00\"}, "
                            "{\"block\": 0, \"data\": \"01\"}]}"}) {
        EXPECT_FALSE(iso::ParseDump(bad, back, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(Iso15693Tag, WriteBlocksWritesWhatDiffersAndVerifies) {
    TagOnReader r({"st-m24lr64", "E0 02 2C 00 00 00 00 01", 2048, 4, true});
    ASSERT_GT(r.handle, 0);
    iso::Layout m;
    ASSERT_TRUE(iso::GetLayout(r.handle, r.tag, m));
    const std::map<int, std::vector<uint8_t>> blocks{
        {0, vtest::Hex(Pattern(0, 4))}, {300, {9, 9, 9, 9}}, {2047, {1, 2, 3, 4}}};
    const iso::WriteResult w = iso::WriteBlocks(r.handle, r.tag, m, blocks);
    EXPECT_TRUE(w.Ok()) << w.failed.size();
    EXPECT_EQ(w.written, 2);
    EXPECT_EQ(w.unchanged, 1);
    std::vector<uint8_t> data;
    ASSERT_TRUE(iso::ReadBlock(r.handle, 300, r.tag, m.readFlags, 4, data));
    EXPECT_EQ(data, (std::vector<uint8_t>{9, 9, 9, 9}));

    // Block 1 is locked: the write is refused and listed with its stage, and the blocks
    // after it are still written.
    const iso::WriteResult locked =
        iso::WriteBlocks(r.handle, r.tag, m, {{1, {0, 0, 0, 0}}, {2, {7, 7, 7, 7}}});
    EXPECT_FALSE(locked.Ok());
    ASSERT_EQ(locked.failed.size(), 1u);
    EXPECT_EQ(locked.failed[0].block, 1);
    EXPECT_EQ(locked.failed[0].stage, "write");
    EXPECT_EQ(locked.failed[0].error, VOREX_ERR_ISO_BLOCK_LOCKED);
    EXPECT_EQ(locked.writtenBlocks, std::vector<int>{2});
    EXPECT_EQ(locked.stoppedAt, -1);
}

// The tag taken out of the field (vorex-sim's field control) or the reader gone: the
// write stops at once at that block, without trying the rest.
TEST(Iso15693Tag, WriteBlocksStopsWhenTheTagOrTheReaderIsGone) {
    for (const bool reader : {false, true}) {
        SCOPED_TRACE(reader ? "reader" : "tag");
        TagOnReader r({"nxp-icode-slix", "E0 04 01 10 00 00 00 01", 28, 4, true});
        ASSERT_GT(r.handle, 0);
        iso::Layout m;
        ASSERT_TRUE(iso::GetLayout(r.handle, r.tag, m));
        std::map<int, std::vector<uint8_t>> blocks;
        for (int b = 2; b < 28; ++b)
            blocks[b] = {1, 2, 3, 4};
        const auto start = std::chrono::steady_clock::now();
        const iso::WriteResult w = iso::WriteBlocks(r.handle, r.tag, m, blocks, [&](int done, int) {
            if (done != 5)
                return;
            if (reader)
                r.sim->Server().Stop();
            else
                EXPECT_EQ(vsim::ApplyFieldCommand(r.sim->Model(), "tags none"), "ok tags none");
        });
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(2 * 500 + 1000));
        EXPECT_EQ(w.written, 5);
        EXPECT_EQ(w.stoppedAt, 7);
        EXPECT_EQ(w.failed.size(), 1u);
    }
}

} // namespace

// Ultralight and NFC Type 2 tags against the stand-in reader: finding the memory size
// by reading, and writing pages with read-back.
#include "cards/Type2Tag.h"
#include "cards/ClassicCard.h"
#include "sim/Iso14443Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <vorex/vorex.h>

namespace {

namespace t2 = vorex::cards::type2;
namespace md = vorex::cards::mifare;

class PageTagOnReader {
public:
    explicit PageTagOnReader(const std::string& card) {
        std::string error;
        auto set =
            vsim::ParseIso14443(nlohmann::json::parse("{\"cards\": [" + card + "]}"), 0x125, error);
        EXPECT_TRUE(set) << error;
        sim.Model().AddCommandSet(std::move(set));
        handle = VOREX_OpenPort(sim.Path().c_str(), 19200, 500);
        md::CardInfo info;
        EXPECT_TRUE(handle > 0 && md::Activate(handle, info));
    }
    ~PageTagOnReader() {
        if (handle > 0)
            VOREX_ClosePort(handle);
    }
    vtest::SimReader sim;
    int handle = 0;
};

TEST(Type2Tag, FindsTheEndOfMemoryAndSaysWhy) {
    const struct {
        const char* card;
        int limit;
        size_t pages;
        t2::PagesEnd end;
        const char* name;
    } cases[] = {
        {R"({"type": "ultralight", "uid": "04 C2 5E 1A 73 40 80"})", 16, 16, t2::PagesEnd::Limit,
         "ultralight"},
        {R"({"type": "ntag216", "uid": "04 AA BB CC DD EE FF"})", 65536, 231,
         t2::PagesEnd::ReadRefused, "ntag216"},
        {R"({"type": "ntag213", "uid": "04 AA BB CC DD EE FF"})", 65536, 45,
         t2::PagesEnd::ReadRefused, "ntag213"},
        // Pages 256-511 need a sector select, which the tag refuses for sector 2.
        {R"({"type": "type2", "uid": "04 11 22 33 44 55 66", "page_count": 512})", 65536, 512,
         t2::PagesEnd::SectorRefused, "type2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.card);
        PageTagOnReader tag(c.card);
        t2::PageScan scan;
        ASSERT_TRUE(t2::ReadPages(tag.handle, c.limit, scan));
        EXPECT_EQ(scan.pages.size(), c.pages);
        EXPECT_EQ(scan.end, c.end);
        EXPECT_EQ(t2::TagName(scan.pages), c.name);
        EXPECT_FALSE(t2::StoppedInsideDataArea(scan));
    }
}

TEST(Type2Tag, ARefusalInsideTheDataAreaIsToldApart) {
    PageTagOnReader tag(R"({"type": "ntag216", "uid": "04 AA BB CC DD EE FF"})");
    vsim::Fault refuse;
    refuse.kind = vsim::Fault::Kind::Status;
    refuse.status = 0xF6; // authentication missing, as for pages behind a password
    refuse.command = 0x34;
    refuse.skip = 5; // pages 0-19 read
    refuse.times = -1;
    tag.sim.Model().InjectFault(refuse);
    t2::PageScan scan;
    ASSERT_TRUE(t2::ReadPages(tag.handle, 65536, scan));
    EXPECT_EQ(scan.pages.size(), 16u) << "the last group is read again page by page";
    EXPECT_EQ(scan.end, t2::PagesEnd::ReadRefused);
    EXPECT_EQ(scan.error, VOREX_ERR_NOT_AUTHENTICATED);
    EXPECT_TRUE(t2::StoppedInsideDataArea(scan));

    // Cut short by the caller's page limit (an Ultralight's 16): nothing is protected.
    tag.sim.Model().ClearFaults();
    md::CardInfo info;
    ASSERT_TRUE(md::Activate(tag.handle, info));
    ASSERT_TRUE(t2::ReadPages(tag.handle, 16, scan));
    EXPECT_EQ(scan.end, t2::PagesEnd::Limit);
    EXPECT_FALSE(t2::StoppedInsideDataArea(scan));
}

TEST(Type2Tag, WritesPagesAndReadsThemBack) {
    PageTagOnReader tag(R"({"type": "ntag213", "uid": "04 AA BB CC DD EE FF"})");
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    t2::PageWriteResult r = t2::WritePages(tag.handle, 4, data, 2);
    EXPECT_EQ(r.written, (std::vector<int>{4, 5}));
    EXPECT_EQ(r.failedPage, -1);
    t2::PageScan scan;
    ASSERT_TRUE(t2::ReadPages(tag.handle, 65536, scan));
    EXPECT_EQ(scan.pages[5], (t2::Page{5, 6, 7, 8}));

    // Past the end of the memory the write is refused and reported.
    r = t2::WritePages(tag.handle, 45, data, 1);
    EXPECT_EQ(r.failedPage, 45);
    EXPECT_EQ(r.problem, "write");
    EXPECT_TRUE(r.written.empty());
}

// PWD and PACK read as zeros by design: a write there is no failure, and the password
// took effect.
TEST(Type2Tag, PasswordPagesCountAsWrittenThoughTheyReadAsZeros) {
    PageTagOnReader tag(R"({"type": "ntag213", "uid": "04 AA BB CC DD EE FF"})");
    const uint8_t pwd[8] = {0x12, 0x34, 0x56, 0x78, 0xAB, 0xCD, 0, 0};
    t2::PageWriteResult r = t2::WritePages(tag.handle, 43, pwd, 2);
    EXPECT_EQ(r.failedPage, -1) << r.problem;
    EXPECT_EQ(r.written, (std::vector<int>{43, 44}));
    EXPECT_EQ(r.unverified, (std::vector<int>{43, 44}));
    md::CardInfo info;
    ASSERT_TRUE(md::Activate(tag.handle, info));
    EXPECT_TRUE(t2::Unlock(tag.handle, t2::Password{0x12, 0x34, 0x56, 0x78}))
        << "the tag takes the new password";
}

} // namespace

// ISO 14443A engine operations against the stand-in reader: exact request bytes,
// the Type 2 sector cache and the buffer rules of select and read.
#include "engine/MifareCommands.h"
#include "engine/links/serial/SerialLink.h"
#include "sim/Iso14443Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace mf = vorex::mifare;
using vtest::Hex;

namespace {

constexpr const char* kCards = R"({
  "cards": [
    {"type": "type2", "uid": "04 11 22 33 44 55 66", "page_count": 512,
     "pages": {"0x105": "A5 A5 01 05", "0x107": "A5 A5 01 07"}},
    {"type": "ntag216", "uid": "04 AA BB CC DD EE FF"},
    {"type": "classic1k", "uid": "DE AD BE EF",
     "values": {"6": 100}},
    {"type": "classic1k", "uid": "04 01 02 03 04 05 06"}
  ]})";

class MifareEngine : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::string error;
        auto set = vsim::ParseIso14443(nlohmann::json::parse(kCards), 0x125, error);
        ASSERT_TRUE(set) << error;
        cards_ = set.get();
        sim_.Model().AddCommandSet(std::move(set));
        ASSERT_TRUE(port_.AttachLink(vorex::links::SerialLink::Open({sim_.Path()}, port_)));
        port_.SetVariant(static_cast<uint8_t>(GetParam()));
        auto lock = sim_.Model().Lock();
        sim_.Model().Config().variant = GetParam();
    }

    void PutInField(int index) {
        auto lock = sim_.Model().Lock();
        cards_->SetField(index);
    }

    // Request bytes (command + parameters, as the reader understood them) sent since
    // the last call.
    std::vector<std::vector<uint8_t>> Sent() {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : sim_.Model().Requests()) {
            std::vector<uint8_t> b{r.command};
            b.insert(b.end(), r.data.begin(), r.data.end());
            out.push_back(b);
        }
        sim_.Model().ClearRequests();
        return out;
    }

    int SelectCard() {
        uint16_t atqa = 0;
        uint8_t uid[10], sak = 0xEE;
        if (!mf::Request(port_, &atqa))
            return -1;
        return mf::Select(port_, uid, sizeof uid, &sak);
    }

    vtest::SimReader sim_;
    vsim::Iso14443Commands* cards_ = nullptr;
    CVorex_Port port_;
};

TEST_P(MifareEngine, SectorSelectIsSentOnlyWhenTheSectorChanges) {
    PutInField(0);
    ASSERT_EQ(SelectCard(), 7);
    Sent();
    uint8_t buf[16];
    ASSERT_EQ(mf::ReadBlock(port_, 0x105, buf, 16), 16);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), Hex("A5 A5 01 05"));
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{Hex("3A 01"), Hex("34 05")}));

    ASSERT_EQ(mf::ReadBlock(port_, 0x106, buf, 16), 16);
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{Hex("34 06")}));

    // A request brings the cache back to sector 0.
    uint16_t atqa;
    ASSERT_TRUE(mf::Request(port_, &atqa));
    EXPECT_EQ(atqa, 0x0044);
    uint8_t uid[10], sak;
    ASSERT_EQ(mf::Select(port_, uid, 10, &sak), 7);
    Sent();
    ASSERT_EQ(mf::ReadBlock(port_, 0x107, buf, 16), 16);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), Hex("A5 A5 01 07"));
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{Hex("3A 01"), Hex("34 07")}));

    // Writes go through the same cache.
    const auto page = Hex("01 02 03 04");
    ASSERT_TRUE(mf::WriteBlock(port_, 0x108, page.data(), 4));
    ASSERT_TRUE(mf::WriteBlock(port_, 0x009, page.data(), 4));
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{Hex("35 08 01 02 03 04"), Hex("3A 00"),
                                                         Hex("35 09 01 02 03 04")}));
}

TEST_P(MifareEngine, FailedSectorSelectKeepsTheCacheAndStillSendsTheRead) {
    PutInField(1); // NTAG216 has no sector select
    ASSERT_EQ(SelectCard(), 7);
    Sent();
    uint8_t buf[16];
    EXPECT_EQ(mf::ReadBlock(port_, 0x105, buf, 16), -1);
    EXPECT_EQ(port_.SectorCache(), 0);
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{Hex("3A 01"), Hex("34 05")}));
    // The tag refused and went idle: the read's own error is reported.
    EXPECT_EQ(port_.LastError(), 21);
    EXPECT_EQ(mf::ReadBlock(port_, 0x106, buf, 16), -1);
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{Hex("3A 01"), Hex("34 06")}));
}

TEST_P(MifareEngine, SelectCopiesTheUidOnlyWhenItFits) {
    PutInField(3); // 7-byte UID
    uint8_t uid[10] = {};
    uint8_t sak = 0xEE;
    EXPECT_EQ(mf::Select(port_, uid, 4, &sak), -1);
    EXPECT_EQ(sak, 0); // set before the request, left when the UID does not fit
    EXPECT_EQ(port_.LastError(), 0);
    EXPECT_EQ(uid[0], 0); // nothing copied
    EXPECT_EQ(mf::Select(port_, uid, 7, &sak), 7);
    EXPECT_EQ(sak, 0x08);
    EXPECT_EQ(std::vector<uint8_t>(uid, uid + 7), Hex("04 01 02 03 04 05 06"));

    PutInField(2);
    EXPECT_EQ(mf::Select(port_, uid, 3, &sak), -1);
    EXPECT_EQ(mf::Select(port_, uid, 4, &sak), 4);
    EXPECT_EQ(std::vector<uint8_t>(uid, uid + 4), Hex("DE AD BE EF"));

    PutInField(-1);
    EXPECT_EQ(mf::Select(port_, uid, 10, &sak), -1);
    EXPECT_EQ(port_.LastError(), 21);
    EXPECT_EQ(sak, 0);
}

TEST_P(MifareEngine, AuthenticateValueAndStoreKeyRequests) {
    PutInField(2);
    ASSERT_EQ(SelectCard(), 4);
    Sent();
    EXPECT_TRUE(mf::Authenticate(port_, nullptr, 6, 0, 3, 4));
    const auto key = Hex("FF FF FF FF FF FF");
    EXPECT_TRUE(mf::Authenticate(port_, key.data(), 6, 0, 0, 0x104)); // low byte only
    EXPECT_TRUE(mf::Value(port_, 6, 1, 1));
    EXPECT_TRUE(mf::Value(port_, 6, 0x100, -2));
    const auto newKey = Hex("A0 A1 A2 A3 A4 A5");
    EXPECT_TRUE(mf::StoreKey(port_, 1, 15, newKey.data(), 6));
    EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{
                          Hex("33 00 04 00 03"),
                          Hex("33 06 FF FF FF FF FF FF 04 00 00"),
                          Hex("38 06 01 01 00 00 00"),
                          Hex("38 06 00 FE FF FF FF"),
                          Hex("39 01 0F A0 A1 A2 A3 A4 A5"),
                      }));
    uint8_t block[16];
    ASSERT_EQ(mf::ReadBlock(port_, 6, block, 16), 16);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 4), Hex("67 00 00 00")); // 100 + 1 + 2
    {
        auto lock = sim_.Model().Lock();
        EXPECT_EQ(cards_->Key(1, 15), newKey);
    }
}

TEST_P(MifareEngine, ReadIsCutToTheCapacityWithoutError) {
    PutInField(2);
    ASSERT_EQ(SelectCard(), 4);
    ASSERT_TRUE(mf::Authenticate(port_, nullptr, 0, 0, 0, 0));
    uint8_t block[16] = {};
    EXPECT_EQ(mf::ReadBlock(port_, 0, block, 8), 8);
    EXPECT_EQ(port_.LastError(), 0);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 5), Hex("DE AD BE EF 22"));
    EXPECT_EQ(block[8], 0); // nothing past the capacity
    EXPECT_EQ(mf::ReadBlock(port_, 0, nullptr, 16), 0);
    EXPECT_EQ(mf::ReadBlock(port_, 1, block, 16), 16);
}

TEST_P(MifareEngine, ReaderStatusesBecomeErrorNumbers) {
    PutInField(2);
    uint8_t block[16];
    ASSERT_EQ(SelectCard(), 4);
    EXPECT_EQ(mf::ReadBlock(port_, 4, block, 16), -1); // not authenticated
    // Variants 2 and 3 carry no code for these statuses: unexpected status (16).
    EXPECT_EQ(port_.LastError(), GetParam() >= 2 ? 16 : 246);
    ASSERT_EQ(SelectCard(), 4);
    ASSERT_TRUE(mf::Authenticate(port_, nullptr, 0, 0, 0, 0));
    const auto data = Hex("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF");
    EXPECT_FALSE(mf::WriteBlock(port_, 0, data.data(), 16)); // manufacturer block
    EXPECT_EQ(port_.LastError(), GetParam() >= 2 ? 16 : 241);
    ASSERT_EQ(SelectCard(), 4);
    ASSERT_TRUE(mf::Authenticate(port_, nullptr, 0, 0, 0, 4));
    EXPECT_FALSE(mf::Value(port_, 5, 1, 1)); // block 5 is no value block
    EXPECT_EQ(port_.LastError(), GetParam() >= 2 ? 16 : 19);
}

INSTANTIATE_TEST_SUITE_P(Variants, MifareEngine, ::testing::Values(0, 1, 2, 3));

// A reader whose request answer has the wrong length.
class OddRequest : public vsim::CommandSet {
public:
    std::optional<vsim::Reply> Handle(const vsim::Request& r, vsim::ReaderModel&) override {
        if (r.command == 0x30)
            return vsim::Reply::Ok(answer);
        return std::nullopt;
    }
    vsim::Bytes answer;
};

TEST(MifareEngineEdges, RequestAnswerMustBeTwoBytes) {
    vtest::SimReader sim;
    auto set = std::make_unique<OddRequest>();
    OddRequest* odd = set.get();
    sim.Model().AddCommandSet(std::move(set));
    CVorex_Port port;
    ASSERT_TRUE(port.AttachLink(vorex::links::SerialLink::Open({sim.Path()}, port)));
    for (const auto& answer : {Hex("04"), Hex("04 00 00"), vsim::Bytes{}}) {
        {
            auto lock = sim.Model().Lock();
            odd->answer = answer;
        }
        uint16_t atqa = 0x1234;
        EXPECT_FALSE(mf::Request(port, &atqa));
        EXPECT_EQ(port.LastError(), 9);
        EXPECT_EQ(atqa, 0x1234);
    }
    {
        auto lock = sim.Model().Lock();
        odd->answer = Hex("04 03");
    }
    uint16_t atqa = 0;
    EXPECT_TRUE(mf::Request(port, &atqa));
    EXPECT_EQ(atqa, 0x0304);
}

TEST(MifareEngineEdges, ParametersThatCannotBeSentAreRefusedWithoutSending) {
    vtest::SimReader sim;
    CVorex_Port port;
    ASSERT_TRUE(port.AttachLink(vorex::links::SerialLink::Open({sim.Path()}, port)));
    std::vector<uint8_t> big(300, 0);
    EXPECT_FALSE(mf::WriteBlock(port, 4, nullptr, 16));
    EXPECT_EQ(port.LastError(), 7);
    EXPECT_FALSE(mf::WriteBlock(port, 4, big.data(), 300));
    EXPECT_FALSE(mf::WriteBlock(port, 4, big.data(), -1));
    EXPECT_FALSE(mf::StoreKey(port, 0, 0, nullptr, 6));
    EXPECT_FALSE(mf::Authenticate(port, big.data(), 300, 0, 0, 0));
    EXPECT_EQ(port.LastError(), 7);
    EXPECT_TRUE(sim.Model().Requests().empty());
}

} // namespace

namespace {

TEST(MifareApi, UnknownHandleFailsWithoutSending) {
    unsigned short atqa = 0;
    unsigned char buf[16], sak = 0;
    const unsigned char key[6] = {};
    EXPECT_EQ(VOREX_MifareRequest(4711, &atqa), -1);
    EXPECT_EQ(VOREX_MifareSelect(4711, buf, 16, &sak), -1);
    EXPECT_EQ(VOREX_MifareAuthenticate(4711, nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(VOREX_MifareReadBlock(4711, 0, buf, 16), -1);
    EXPECT_EQ(VOREX_MifareWriteBlock(4711, 4, buf, 16), -1);
    EXPECT_EQ(VOREX_MifareValue(4711, 4, 1, 1), -1);
    EXPECT_EQ(VOREX_MifareStoreKey(4711, 0, 0, key, 6), -1);
    EXPECT_EQ(VOREX_GetLastError(4711), 3);
}

} // namespace

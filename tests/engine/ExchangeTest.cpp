// Request/answer exchanges over a real pseudo-terminal against the stand-in reader,
// in every frame variant, with injected faults.
#include "engine/Vorex_Port.h"
#include "engine/links/serial/SerialLink.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using vtest::Hex;
using Clock = std::chrono::steady_clock;

namespace {

// Answers command 0x77 with a chained reply of two blocks.
class ChainedCommand : public vsim::CommandSet {
public:
    std::optional<vsim::Reply> Handle(const vsim::Request& r, vsim::ReaderModel&) override {
        if (r.command != 0x77)
            return std::nullopt;
        vsim::Reply reply = vsim::Reply::Ok(Hex("02 FF 10 03 A1 A2 A3"));
        reply.chained = true;
        return reply;
    }
};

struct Connected {
    explicit Connected(int variant) : sim(Config(variant)) {
        sim.Model().AddCommandSet(std::make_unique<ChainedCommand>());
        EXPECT_TRUE(port.AttachLink(vorex::links::SerialLink::Open({sim.Path()}, port)));
        port.SetVariant(static_cast<uint8_t>(variant));
    }
    static vsim::ReaderConfig Config(int variant) {
        vsim::ReaderConfig c;
        c.variant = variant;
        c.deviceType = "125";
        c.revision = '7';
        return c;
    }
    bool Identify(std::vector<uint8_t>& payload) {
        port.Transmit() = {0xF0};
        return port.Exchange() && port.TakeAnswer(payload);
    }
    vtest::SimReader sim;
    CVorex_Port port;
};

class EveryVariant : public testing::TestWithParam<int> {};

} // namespace

TEST_P(EveryVariant, IdentificationAndChainedAnswers) {
    Connected c(GetParam());
    std::vector<uint8_t> payload;
    ASSERT_TRUE(c.Identify(payload)) << "error " << c.port.LastError();
    if (GetParam() == 3) {
        ASSERT_EQ(payload.size(), 9u);
        EXPECT_EQ(std::string(payload.begin() + 4, payload.begin() + 8), "1257");
    } else {
        EXPECT_EQ(std::string(payload.begin(), payload.end()), "1257");
    }
    c.port.Transmit() = {0x77};
    ASSERT_TRUE(c.port.Exchange());
    ASSERT_TRUE(c.port.TakeAnswer(payload));
    EXPECT_EQ(payload, Hex("02 FF 10 03 A1 A2 A3"));
}

TEST_P(EveryVariant, GarbageBeforeTheAnswerIsSkippedOrCaught) {
    Connected c(GetParam());
    c.sim.Model().InjectFault({.kind = vsim::Fault::Kind::Garbage, .bytes = Hex("55 AA 13")});
    std::vector<uint8_t> payload;
    const bool ok = c.Identify(payload);
    if (GetParam() == 1) {
        // No start byte to find: the garbage is read as header (here its length
        // byte asks for more than comes), so the exchange fails cleanly.
        EXPECT_FALSE(ok);
        EXPECT_TRUE(c.port.LastError() == 4 || c.port.LastError() == 10) << c.port.LastError();
    } else {
        EXPECT_TRUE(ok) << "error " << c.port.LastError();
    }
}

TEST_P(EveryVariant, FailedExchangeLeavesTheConnectionUsable) {
    Connected c(GetParam());
    c.port.SetTimeoutMs(150);
    c.sim.Model().InjectFault({.kind = vsim::Fault::Kind::NoAnswer});
    std::vector<uint8_t> payload;
    const auto start = Clock::now();
    EXPECT_FALSE(c.Identify(payload));
    EXPECT_EQ(c.port.LastError(), 4);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_TRUE(c.Identify(payload));
    EXPECT_EQ(c.port.LastError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, EveryVariant, testing::Values(0, 1, 2, 3));

struct FaultCase {
    const char* name;
    int variant;
    vsim::Fault fault;
    bool ok;
    int error;
};

class FaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, GivesTheErrorNumber) {
    const FaultCase& f = GetParam();
    Connected c(f.variant);
    c.port.SetTimeoutMs(200);
    c.sim.Model().InjectFault(f.fault);
    std::vector<uint8_t> payload;
    EXPECT_EQ(c.Identify(payload), f.ok);
    EXPECT_EQ(c.port.LastError(), f.error);
}

using K = vsim::Fault::Kind;
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    testing::Values(FaultCase{"v0_bad_checksum", 0, {.kind = K::BadChecksum}, false, 10},
                    FaultCase{"v1_bad_checksum", 1, {.kind = K::BadChecksum}, false, 10},
                    FaultCase{"v0_trailing", 0, {.kind = K::Trailing, .bytes = {0x00}}, false, 10},
                    FaultCase{
                        "v2_trailing", 2, {.kind = K::Trailing, .bytes = {0x00, 0x01}}, true, 0},
                    FaultCase{"v0_status_7", 0, {.kind = K::Status, .status = 7}, false, 44},
                    FaultCase{"v0_status_20", 0, {.kind = K::Status, .status = 0x20}, true, 32},
                    FaultCase{"v1_status_246", 1, {.kind = K::Status, .status = 246}, false, 246},
                    FaultCase{"v2_status_A0", 2, {.kind = K::Status, .status = 0xA0}, false, 24},
                    FaultCase{"v3_unexpected", 3, {.kind = K::Status, .status = 0x42}, false, 16},
                    FaultCase{"v0_late_within", 0, {.kind = K::Delay, .ms = 80}, true, 0},
                    FaultCase{"v0_late_beyond", 0, {.kind = K::Delay, .ms = 400}, false, 4}),
    [](const testing::TestParamInfo<FaultCase>& p) { return std::string(p.param.name); });

TEST(Exchange, EmptyRequestIsRefusedWithoutSending) {
    Connected c(0);
    EXPECT_FALSE(c.port.Exchange());
    EXPECT_EQ(c.port.LastError(), 8);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(c.sim.Model().RawReceived().empty());
}

TEST(Exchange, DroppedLinkTimesOutAndEndsTheWorker) {
    Connected c(0);
    c.port.SetTimeoutMs(200);
    c.sim.Model().InjectFault({.kind = K::DropLink});
    std::vector<uint8_t> payload;
    c.Identify(payload); // the answer may or may not get through before the cut
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (c.port.Link()->IsOpen() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(c.port.Link()->IsOpen());
    EXPECT_FALSE(dynamic_cast<CUSBSerialPort&>(*c.port.Link()).IsMonitoring());
    EXPECT_FALSE(c.Identify(payload));
    EXPECT_EQ(c.port.LastError(), 4);
}

namespace {

struct HookLog {
    int begin = 0, pump = 0, end = 0;
    bool endAfterBegin = true;
};

VOREX_WaitHook MakeHook(HookLog& log) {
    VOREX_WaitHook hook{};
    hook.begin = [](void* p) { ++static_cast<HookLog*>(p)->begin; };
    hook.pump = [](void* p) { ++static_cast<HookLog*>(p)->pump; };
    hook.end = [](void* p) {
        auto* l = static_cast<HookLog*>(p);
        ++l->end;
        l->endAfterBegin = l->endAfterBegin && l->begin == l->end;
    };
    hook.context = &log;
    return hook;
}

} // namespace

TEST(ReceiveWait, HookIsPumpedAndRestoredOnTimeout) {
    Connected c(0);
    HookLog log;
    const VOREX_WaitHook hook = MakeHook(log);
    c.port.SetWaitHook(&hook);
    c.port.SetTimeoutMs(100);
    c.sim.Model().InjectFault({.kind = K::NoAnswer});
    std::vector<uint8_t> payload;
    EXPECT_FALSE(c.Identify(payload));
    EXPECT_EQ(log.begin, 1);
    EXPECT_EQ(log.end, 1);
    EXPECT_GE(log.pump, 5) << "events must keep flowing during the wait";
    EXPECT_TRUE(log.endAfterBegin);
}

TEST(ReceiveWait, BackgroundModeLeavesTheWindowAloneButStillPumps) {
    Connected c(0);
    HookLog log;
    const VOREX_WaitHook hook = MakeHook(log);
    c.port.SetWaitHook(&hook);
    c.port.SetBackground(true);
    c.sim.Model().InjectFault({.kind = K::Delay, .ms = 60});
    std::vector<uint8_t> payload;
    EXPECT_TRUE(c.Identify(payload));
    EXPECT_EQ(log.begin, 0);
    EXPECT_EQ(log.end, 0);
    EXPECT_GT(log.pump, 0);
}

TEST(ReceiveWait, EachPhaseHasItsOwnTimeout) {
    // Half an answer, the rest after a pause shorter than the timeout: the wait must
    // not count the time of the first phase against the second.
    CVorex_Port port;
    port.SetVariant(0);
    port.SetTimeoutMs(400);
    std::thread feeder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        for (uint8_t b : Hex("02 01 00 04"))
            port.OnReceiveChar(b);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        for (uint8_t b : Hex("31 32 35 33 00"))
            port.OnReceiveChar(b);
    });
    // No link: the frame goes nowhere, the bytes come from the feeder.
    port.Transmit() = {0xF0};
    const bool ok = port.Exchange();
    feeder.join();
    ASSERT_TRUE(ok) << "error " << port.LastError();
    std::vector<uint8_t> payload;
    EXPECT_TRUE(port.TakeAnswer(payload));
    EXPECT_EQ(payload, Hex("31 32 35 33"));
}

TEST(Exchange, BytesLeftUnsentByAnEarlierRequestDoNotGoOutBeforeTheNextFrame) {
    vtest::ScriptedPeer peer;
    CVorex_Port port;
    auto link = std::make_unique<vorex::links::SerialLink>(port);
    ASSERT_TRUE(link->InitPort(peer.Path()));
    // Without a worker nothing goes out: these bytes stay queued, like the rest of a
    // write the device stopped taking.
    const uint8_t stale[] = {0x02, 0x01, 0x42};
    ASSERT_TRUE(link->WriteToPort(stale, 3));
    CUSBSerialPort& serial = *link;
    port.AttachLink(std::move(link));
    peer.Answer(Hex("02 01 00 01 AA AA"));
    port.SetTimeoutMs(500);
    std::thread starter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        serial.StartMonitoring();
    });
    port.Transmit() = {0x43, 0x01};
    const bool ok = port.Exchange();
    starter.join();
    ASSERT_TRUE(ok) << "error " << port.LastError();
    ASSERT_EQ(peer.Requests().size(), 1u);
    EXPECT_EQ(peer.Requests()[0], Hex("02 01 43 01 01 42"));
}

TEST(ReceiveBuffer, KeepsOnlyTheNewestBytesBetweenExchanges) {
    CVorex_Port port;
    const std::vector<uint8_t> chatter(CVorex_Port::kMaxReceiveBytes + 1000, 0x55);
    port.OnReceiveChars(chatter.data(), chatter.size());
    port.OnReceiveChar(0x77);
    EXPECT_EQ(port.RxLength(), CVorex_Port::kMaxReceiveBytes);
    EXPECT_EQ(port.RxAt(CVorex_Port::kMaxReceiveBytes - 1), 0x77);
}

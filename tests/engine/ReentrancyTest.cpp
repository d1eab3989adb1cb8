// Engine calls made from inside a receive wait (the wait hook pumps events, so a timer
// or a click can call the engine while it waits), and answers that come too late.
#include "engine/Vorex_Port.h"
#include "engine/links/serial/SerialLink.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <gtest/gtest.h>

using vtest::Hex;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// Installs a wait hook whose pump runs `action` once, on its first call; removes the
// hook at the end of the test.
class HookOnce {
public:
    explicit HookOnce(std::function<void()> action) : action_(std::move(action)) {
        VOREX_WaitHook hook{};
        hook.begin = [](void* p) { ++static_cast<HookOnce*>(p)->begins; };
        hook.pump = [](void* p) {
            auto* self = static_cast<HookOnce*>(p);
            if (self->action_) {
                auto action = std::move(self->action_);
                self->action_ = nullptr;
                action();
            }
        };
        hook.end = [](void* p) { ++static_cast<HookOnce*>(p)->ends; };
        hook.context = this;
        VOREX_SetWaitHook(&hook);
    }
    ~HookOnce() { VOREX_SetWaitHook(nullptr); }
    bool Ran() const { return !action_; }
    int begins = 0, ends = 0;

private:
    std::function<void()> action_;
};

// Runs `body` on a thread of its own and ends the test program when it has not
// finished in time: a hang must show as a failure, not as a stuck test run.
void WithinSeconds(int seconds, const std::function<void()>& body) {
    auto done = std::async(std::launch::async, body);
    if (done.wait_for(std::chrono::seconds(seconds)) == std::future_status::timeout) {
        std::fprintf(stderr, "engine call did not return within %d s (deadlock)\n", seconds);
        std::_Exit(EXIT_FAILURE);
    }
    done.get();
}

} // namespace

TEST(Reentrancy, OpenFromInsideAnOpenWaitWorks) {
    vtest::SimReader outer(vtest::ReaderSetup(0)), inner(vtest::ReaderSetup(1));
    // The outer reader answers its identification late, so the open waits and pumps.
    outer.Model().InjectFault({.kind = vsim::Fault::Kind::Delay, .ms = 100});
    int innerHandle = 0;
    HookOnce hook([&] { innerHandle = VOREX_OpenPort(inner.Path().c_str(), 19200, 500); });
    int outerHandle = 0;
    WithinSeconds(10, [&] { outerHandle = VOREX_OpenPort(outer.Path().c_str(), 19200, 500); });
    EXPECT_TRUE(hook.Ran());
    EXPECT_GT(outerHandle, 0);
    EXPECT_GT(innerHandle, 0);
    EXPECT_NE(innerHandle, outerHandle);
    EXPECT_EQ(VOREX_GetFrameVariant(outerHandle), 0);
    EXPECT_EQ(VOREX_GetFrameVariant(innerHandle), 1);
    VOREX_ClosePort(innerHandle);
    VOREX_ClosePort(outerHandle);
}

TEST(Reentrancy, CloseOfTheWaitedConnectionEndsTheWait) {
    vtest::SimReader sim(vtest::ReaderSetup(0));
    const int handle = VOREX_OpenPort(sim.Path().c_str(), 19200, 500);
    ASSERT_GT(handle, 0);
    sim.Model().InjectFault({.kind = vsim::Fault::Kind::Delay, .ms = 300});
    int closed = 1;
    HookOnce hook([&] { closed = VOREX_ClosePort(handle); });
    unsigned char id[8];
    int result = 0;
    const auto start = Clock::now();
    WithinSeconds(10, [&] { result = VOREX_GetVersion(handle, id, sizeof id); });
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(result, -1);
    EXPECT_LT(Clock::now() - start, milliseconds(250))
        << "the wait ends when its connection closes";
    EXPECT_EQ(hook.begins, 1);
    EXPECT_EQ(hook.ends, 1);
    EXPECT_EQ(VOREX_GetLastError(handle), 3) << "the handle is gone";
    EXPECT_EQ(VOREX_ClosePort(handle), -1);
    // The port is free again.
    // The stand-in still delays each answer by 300 ms: a generous timeout keeps a busy
    // machine from failing the open.
    const int again = VOREX_OpenPort(sim.Path().c_str(), 19200, 3000);
    EXPECT_GT(again, 0);
    VOREX_ClosePort(again);
}

TEST(Reentrancy, RemovingTheHookDuringTheWaitIsSafe) {
    vtest::SimReader sim(vtest::ReaderSetup(0));
    const int handle = VOREX_OpenPort(sim.Path().c_str(), 19200, 500);
    ASSERT_GT(handle, 0);
    sim.Model().InjectFault({.kind = vsim::Fault::Kind::Delay, .ms = 60});
    HookOnce hook([] { VOREX_SetWaitHook(nullptr); });
    unsigned char id[8];
    int result = 0;
    WithinSeconds(10, [&] { result = VOREX_GetVersion(handle, id, sizeof id); });
    EXPECT_TRUE(hook.Ran());
    EXPECT_EQ(result, 4);
    EXPECT_EQ(hook.begins, 1);
    EXPECT_EQ(hook.ends, 1) << "the hook that began the wait also ends it";
    VOREX_ClosePort(handle);
}

TEST(LateAnswer, SettingsAnsweredLateAreNotTakenAsTheVersion) {
    vtest::SimReader sim(vtest::ReaderSetup(0));
    const int handle = VOREX_OpenPort(sim.Path().c_str(), 19200, 400);
    ASSERT_GT(handle, 0);
    // The settings come 200 ms after their timeout, while the version request that
    // follows at once is still waiting for its own (slow) answer.
    sim.Model().InjectFault({.kind = vsim::Fault::Kind::Delay, .ms = 600, .command = 0xFA});
    sim.Model().InjectFault({.kind = vsim::Fault::Kind::Delay, .ms = 300, .command = 0xF0});
    unsigned char buffer[16];
    EXPECT_EQ(VOREX_ReadSettings(handle, buffer, sizeof buffer), -1);
    EXPECT_EQ(VOREX_GetLastError(handle), 4);
    const int n = VOREX_GetVersion(handle, buffer, sizeof buffer);
    ASSERT_EQ(n, 4) << "error " << VOREX_GetLastError(handle);
    EXPECT_EQ(std::string(buffer, buffer + 4), "1257");
    EXPECT_EQ(VOREX_GetLastError(handle), 0);
    VOREX_ClosePort(handle);
}

namespace {

struct LateCase {
    const char* name;
    int variant;
    std::vector<uint8_t> second;   // the second request (the first is 42 01)
    std::vector<uint8_t> late;     // the first request's answer, after it timed out
    int lateMs;                    // when it comes, after the first request
    std::vector<uint8_t> own;      // the second request's own answer
    int ownMs;                     // when it comes, after the second request
    std::vector<uint8_t> expected; // the second request's payload
};

class LateAnswerTable : public testing::TestWithParam<LateCase> {};

} // namespace

TEST_P(LateAnswerTable, NextRequestGetsItsOwnAnswer) {
    const LateCase& c = GetParam();
    vtest::ScriptedPeer peer;
    CVorex_Port port;
    ASSERT_TRUE(port.AttachLink(vorex::links::SerialLink::Open({peer.Path()}, port)));
    port.SetVariant(static_cast<uint8_t>(c.variant));
    port.SetTimeoutMs(400);
    peer.Answer(c.late, c.lateMs);
    peer.Answer(c.own, c.ownMs);

    port.Transmit() = {0x42, 0x01};
    EXPECT_FALSE(port.Exchange());
    EXPECT_EQ(port.LastError(), 4);
    port.Transmit() = c.second;
    ASSERT_TRUE(port.Exchange()) << "error " << port.LastError();
    std::vector<uint8_t> payload;
    ASSERT_TRUE(port.TakeAnswer(payload)) << "error " << port.LastError();
    EXPECT_EQ(payload, c.expected);
    EXPECT_EQ(peer.Requests().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, LateAnswerTable,
    testing::Values(
        // The late answer comes while the second request would already be waiting.
        LateCase{"v0_same_command", 0, Hex("42 02"), Hex("02 01 00 01 AA AA"), 600,
                 Hex("02 01 00 01 BB BB"), 300, Hex("BB")},
        LateCase{"v2_same_command", 2, Hex("42 02"), Hex("1E 42 01 AA"), 600, Hex("1E 42 01 BB"),
                 130, Hex("BB")},
        LateCase{"v3_same_command", 3, Hex("42 02"), Hex("1E 42 01 AA"), 600, Hex("1E 42 01 BB"),
                 130, Hex("BB")},
        // Later than the line is watched after the timeout: variants 2 and 3 know the
        // answer by its echoed command.
        LateCase{"v2_other_command_very_late", 2, Hex("43 02"), Hex("1E 42 01 AA"), 900,
                 Hex("1E 43 01 BB"), 300, Hex("BB")}),
    [](const testing::TestParamInfo<LateCase>& p) { return std::string(p.param.name); });

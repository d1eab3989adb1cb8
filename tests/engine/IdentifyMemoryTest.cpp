// The open remembers which frame variant identified a reader on a port name, and a
// host can end a running open from its wait hook.
#include "engine/IdentifyMemory.h"
#include "engine/Vorex_SDKApp.h"
#include "tests/support/TestSupport.h"
#include <vorex/vorex.h>

#include <gtest/gtest.h>

using vtest::Hex;

namespace {

// Opens and closes at once; the handle (or open code) is returned.
int OpenOnce(const std::string& name, int baud = 19200) {
    const int handle = VOREX_OpenPort(name.c_str(), baud, 300);
    if (handle > 0)
        VOREX_ClosePort(handle);
    return handle;
}

// Five identification frames, one per try: variant 0 twice, then 1, 2 and 3.
const char* const kFullOrder = "02 01 F0 00 F1  02 01 F0 00 F1  01 F0 00 64 00  1E 0B 00  1E 60 00";

} // namespace

TEST(IdentifyMemory, RecallsPerNameAndBaudCode) {
    vorex::IdentifyMemory memory;
    EXPECT_FALSE(memory.Recall("/dev/ttyUSB0", 19200));
    memory.Remember("/dev/ttyUSB0", 19200, 3);
    EXPECT_EQ(memory.Recall("/dev/ttyUSB0", 19200), 3);
    EXPECT_FALSE(memory.Recall("/dev/ttyUSB0", 57600)) << "another rate is another trial";
    EXPECT_FALSE(memory.Recall("/dev/ttyUSB1", 19200));
    memory.Remember("/dev/ttyUSB0", 57600, 2);
    EXPECT_EQ(memory.Recall("/dev/ttyUSB0", 57600), 2);
    EXPECT_FALSE(memory.Recall("/dev/ttyUSB0", 19200)) << "the last identification counts";
    memory.Clear();
    EXPECT_FALSE(memory.Recall("/dev/ttyUSB0", 57600));
}

TEST(IdentifyMemory, SecondOpenSendsOnlyTheKnownVariant) {
    VorexEngine().ForgetIdentifications();
    vtest::SimReader sim(vtest::ReaderSetup(3, "117", 'Q'));
    ASSERT_GT(OpenOnce(sim.Path()), 0);
    EXPECT_EQ(sim.Model().RawReceived(), Hex(kFullOrder));
    sim.Model().ClearRequests();
    ASSERT_GT(OpenOnce(sim.Path()), 0);
    EXPECT_EQ(sim.Model().RawReceived(), Hex("1E 60 00"));

    // Another baud code is not what identified: the full order again.
    sim.Model().ClearRequests();
    ASSERT_GT(OpenOnce(sim.Path(), 38400), 0);
    EXPECT_EQ(sim.Model().RawReceived(), Hex(kFullOrder));
}

TEST(IdentifyMemory, AnotherReaderOnTheNameFallsBackToTheFullOrder) {
    VorexEngine().ForgetIdentifications();
    vtest::SimReader sim(vtest::ReaderSetup(3, "117", 'Q'));
    ASSERT_GT(OpenOnce(sim.Path()), 0);
    {
        auto lock = sim.Model().Lock();
        sim.Model().Config().variant = 0;
    }
    sim.Model().ClearRequests();
    const int handle = VOREX_OpenPort(sim.Path().c_str(), 19200, 300);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(VOREX_GetFrameVariant(handle), 0);
    VOREX_ClosePort(handle);
    EXPECT_EQ(sim.Model().RawReceived(), Hex("1E 60 00  02 01 F0 00 F1"));
    // The new variant is remembered.
    sim.Model().ClearRequests();
    ASSERT_GT(OpenOnce(sim.Path()), 0);
    EXPECT_EQ(sim.Model().RawReceived(), Hex("02 01 F0 00 F1"));
}

namespace {

// A wait hook whose pump asks the engine to cancel after a few rounds.
struct CancellingHook {
    int pumps = 0;
    int cancelAfter = 3;
    static void Pump(void* self) {
        auto* hook = static_cast<CancellingHook*>(self);
        if (++hook->pumps == hook->cancelAfter)
            VOREX_CancelWait();
    }
};

} // namespace

TEST(CancelWait, EndsTheOpenWithoutFurtherTries) {
    VorexEngine().ForgetIdentifications();
    vtest::SimReader sim(vtest::ReaderSetup(0, "117", 'Q'));
    sim.Model().InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
    CancellingHook cancelling;
    const VOREX_WaitHook hook{nullptr, &CancellingHook::Pump, nullptr, &cancelling};
    VOREX_SetWaitHook(&hook);
    const int result = VOREX_OpenPort(sim.Path().c_str(), 19200, 300);
    VOREX_SetWaitHook(nullptr);
    EXPECT_EQ(result, -11);
    EXPECT_EQ(sim.Model().RawReceived(), Hex("02 01 F0 00 F1")) << "one try, then no more";

    // The next open is not affected by the cancel that ended the last one.
    sim.Model().ClearFaults();
    sim.Model().ClearRequests();
    VorexEngine().CancelWait(); // even one given while nothing waits
    ASSERT_GT(OpenOnce(sim.Path()), 0);
    EXPECT_EQ(sim.Model().RawReceived(), Hex("02 01 F0 00 F1"));
}

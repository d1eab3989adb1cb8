// The serial link: port names, the write buffer rules, device removal and the port
// listing from sysfs.
#include "engine/links/serial/ComPortList.h"
#include "engine/links/serial/PortName.h"
#include "engine/links/serial/USBSerialPort.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

TEST(PortName, ComNamesMapToTtySAndTheRestIsFtdi) {
    struct Case {
        const char* name;
        bool ftdi;
        const char* device;
        int number;
    } cases[] = {
        {"com3", false, "/dev/ttyS2", 3},
        {"COM3", false, "/dev/ttyS2", 3},
        {"\\\\.\\COM3", false, "/dev/ttyS2", 3},
        {"COM12x", false, "/dev/ttyS11", 12},
        {"COM0", true, "", 0},
        {"COMX", true, "", 0},
        {"FT5A3B", true, "", 0},
        {"/dev/ttyUSB1", false, "/dev/ttyUSB1", 1},
        {"/dev/ttyACM0 [Nvk Virtual COM]", false, "/dev/ttyACM0", 0},
    };
    for (const auto& c : cases) {
        const auto p = vorex::links::ParsePortName(c.name);
        EXPECT_EQ(p.ftdi, c.ftdi) << c.name;
        EXPECT_EQ(p.devicePath, c.device) << c.name;
        EXPECT_EQ(p.portNumber, c.number) << c.name;
        if (c.ftdi) {
            EXPECT_EQ(p.ftdiSerial, c.name);
        }
    }
}

namespace {

// A link that counts its write runs.
class CountingLink : public CUSBSerialPort {
public:
    std::atomic<int> runs{0};
    std::atomic<size_t> written{0};

protected:
    void OnBytesWritten(size_t count) override {
        ++runs;
        written += count;
    }
};

// The other end of a pseudo-terminal, read directly.
struct PtyPair {
    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = ptsname(master);
    }
    ~PtyPair() {
        if (master >= 0)
            close(master);
    }
    std::vector<uint8_t> ReadFor(std::chrono::milliseconds span) {
        std::vector<uint8_t> got;
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                uint8_t b[256];
                const ssize_t n = read(master, b, sizeof b);
                if (n > 0)
                    got.insert(got.end(), b, b + n);
            }
        }
        return got;
    }
    int master = -1;
    std::string path;
};

} // namespace

TEST(SerialLink, WriteThatDoesNotFitIsDroppedWhole) {
    PtyPair pty;
    CountingLink link;
    ASSERT_TRUE(link.InitPort(pty.path, 115200, 'N', 8, 1, 0, 9, 512));
    ASSERT_TRUE(link.StartMonitoring());
    std::vector<uint8_t> big(600, 0x41);
    EXPECT_FALSE(link.WriteToPort(big.data(), static_cast<int>(big.size())));
    EXPECT_TRUE(pty.ReadFor(std::chrono::milliseconds(100)).empty());
    const uint8_t small[] = {1, 2, 3};
    EXPECT_TRUE(link.WriteToPort(small, 3));
    EXPECT_EQ(pty.ReadFor(std::chrono::milliseconds(100)), std::vector<uint8_t>({1, 2, 3}));
}

TEST(SerialLink, WritesQueuedBeforeTheWorkerGoOutAsOneRunInOrder) {
    PtyPair pty;
    CountingLink link;
    ASSERT_TRUE(link.InitPort(pty.path, 19200, 'E', 8, 1, 0, 9, 512));
    const uint8_t first[] = {0x10, 0x11}, second[] = {0x20, 0x21, 0x22};
    ASSERT_TRUE(link.WriteToPort(first, 2));
    ASSERT_TRUE(link.WriteToPort(second, 3));
    ASSERT_TRUE(link.StartMonitoring());
    EXPECT_FALSE(link.StartMonitoring()) << "a second worker must not start";
    EXPECT_EQ(pty.ReadFor(std::chrono::milliseconds(150)),
              std::vector<uint8_t>({0x10, 0x11, 0x20, 0x21, 0x22}));
    EXPECT_EQ(link.runs.load(), 1);
    EXPECT_EQ(link.written.load(), 5u);
}

TEST(SerialLink, TextWriteStopsAtTheTerminatingZero) {
    PtyPair pty;
    CountingLink link;
    ASSERT_TRUE(link.InitPort(pty.path));
    ASSERT_TRUE(link.StartMonitoring());
    EXPECT_TRUE(link.WriteToPort("AT\r"));
    EXPECT_EQ(pty.ReadFor(std::chrono::milliseconds(100)), std::vector<uint8_t>({'A', 'T', '\r'}));
}

TEST(SerialLink, DeviceRemovalEndsTheWorkerAndCloseStillWorks) {
    auto pty = std::make_unique<PtyPair>();
    CountingLink link;
    ASSERT_TRUE(link.InitPort(pty->path));
    ASSERT_TRUE(link.StartMonitoring());
    pty.reset(); // the device goes away
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (link.IsMonitoring() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(link.IsMonitoring());
    EXPECT_FALSE(link.IsOpen());
    link.ClosePort(); // must not wait or fail
    EXPECT_FALSE(link.IsOpen());
}

TEST(SerialLink, OpenFailsForMissingDevicesPortsInUseAndFtdiNames) {
    CountingLink link;
    EXPECT_FALSE(link.InitPort("/dev/does-not-exist"));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.InitPort("FT5A3B")); // no FTDI support in this build
    EXPECT_TRUE(link.IsFtdiMode());
    PtyPair pty;
    CountingLink first, second;
    ASSERT_TRUE(first.InitPort(pty.path));
    EXPECT_FALSE(second.InitPort(pty.path)) << "a port is opened by one program at a time";
}

TEST(SerialLink, SettersChangeTheLineSettings) {
    PtyPair pty;
    CountingLink link;
    ASSERT_TRUE(link.InitPort(pty.path, 19200, 'N', 8, 1, 0, 9, 512));
    EXPECT_TRUE(link.SetBaudRate(115200));
    EXPECT_TRUE(link.SetEvenParity()); // pseudo-terminals take everything but the parity
    EXPECT_TRUE(link.SetStopBits(2));
    EXPECT_EQ(link.Line().baud, 115200u);
    EXPECT_EQ(link.Line().parity, 'E');
    EXPECT_EQ(link.Line().stopBits, 2);
}

namespace {

// Board ports (one real, one placeholder), a tty without a device, and USB ttys of
// other makers and of the maker.
void FillSysfs(vtest::SysfsTree& sysfs) {
    sysfs.Tty("ttyS0", "/devices/platform/serial8250/tty/ttyS0", "4");
    sysfs.Tty("ttyS1", "/devices/platform/serial8250/tty/ttyS1", "0"); // placeholder
    sysfs.Usb("ttyUSB0", "1-1", "0403", "6001", "FT232R USB UART");
    sysfs.Usb("ttyACM10", "1-2", "2e5b", "0c2d", "CDC Device");
    sysfs.Usb("ttyACM2", "1-3", "1234", "0001", "QL-5 Reader");
    sysfs.Usb("ttyACM9", "1-4", "1234", "0002", "nvk Desk Reader");
}

} // namespace

TEST(ComPortList, ListsRealPortsSortedWithMakerSuffixes) {
    vtest::SysfsTree sysfs;
    FillSysfs(sysfs);
    std::vector<std::string> list;
    ASSERT_TRUE(vorex::links::ListComPortsFromSysfs(sysfs.Root(), "/dev", list));
    EXPECT_EQ(list, (std::vector<std::string>{
                        "/dev/ttyACM2 [QL-5 Reader]",
                        "/dev/ttyACM9 [nvk Desk Reader]",
                        "/dev/ttyACM10 [Nvk Virtual COM]",
                        "/dev/ttyS0",
                        "/dev/ttyUSB0",
                    }));
}

TEST(ComPortList, MissingSysfsIsReportedAsFailure) {
    std::vector<std::string> list{"stale"};
    EXPECT_FALSE(vorex::links::ListComPortsFromSysfs("/nonexistent-root", "/dev", list));
    EXPECT_TRUE(list.empty());
}

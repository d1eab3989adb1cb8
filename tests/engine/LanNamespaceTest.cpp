// The LAN link with more than one adapter, inside two network namespaces the test makes
// itself (veth pairs and a bridge between them) and removes afterwards: binding to the
// adapter that reaches the reader, and one reader seen through two adapters. Nothing
// leaves these namespaces. Where namespaces cannot be made (no root, no "ip"), the
// tests are skipped and say why.
#include "engine/links/lan/LanDiscovery.h"
#include "engine/links/lan/TCPSocketThread.h"
#include "sim/DeviceCommands.h"
#include "sim/LanResponder.h"
#include "sim/TcpServer.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <thread>
#include <unistd.h>

using namespace vorex::lan;

namespace {

using namespace std::chrono_literals;

// Host side "h": vA 10.0.0.5/8, vB 192.168.1.7/24, vC 192.168.1.8/24.
// Reader side "r": vA' 10.0.0.9/8; vB' and vC' on bridge br0 with 192.168.1.50/24.
class TwoNamespaces {
public:
    TwoNamespaces() {
        const std::string id = std::to_string(getpid());
        host_ = "vx16h" + id;
        reader_ = "vx16r" + id;
        const std::string h = "ip -n " + host_ + " ", r = "ip -n " + reader_ + " ";
        const std::vector<std::string> steps = {
            "ip netns add " + host_,
            "ip netns add " + reader_,
            h + "link set lo up",
            r + "link set lo up",
            h + "link add vA type veth peer name vA2 netns " + reader_,
            h + "link add vB type veth peer name vB2 netns " + reader_,
            h + "link add vC type veth peer name vC2 netns " + reader_,
            h + "addr add 10.0.0.5/8 dev vA",
            h + "addr add 192.168.1.7/24 dev vB",
            h + "addr add 192.168.1.8/24 dev vC",
            r + "addr add 10.0.0.9/8 dev vA2",
            r + "link add br0 type bridge",
            r + "link set vB2 master br0",
            r + "link set vC2 master br0",
            r + "addr add 192.168.1.50/24 dev br0",
        };
        for (const auto& s : steps)
            if (!Run(s))
                return;
        for (const char* dev : {"vA", "vB", "vC"})
            if (!Run(h + "link set " + dev + " up") ||
                !Run(r + "link set " + std::string(dev) + "2 up"))
                return;
        // Ready once the bridge has carrier (its ports came up).
        ready_ = Run(r + "link set br0 up") &&
                 Run("for i in $(seq 50); do " + r +
                     "-br link show br0 | grep -q LOWER_UP && exit 0; sleep 0.1; done; exit 1");
    }
    ~TwoNamespaces() {
        std::system(("ip netns del " + host_ + " 2>/dev/null").c_str());
        std::system(("ip netns del " + reader_ + " 2>/dev/null").c_str());
    }
    bool Ready() const { return ready_; }
    const std::string& Problem() const { return problem_; }

    // Runs fn on a thread inside the host or the reader namespace; sockets made there
    // stay in it.
    bool InHost(const std::function<void()>& fn) { return In(host_, fn); }
    bool InReader(const std::function<void()>& fn) { return In(reader_, fn); }

private:
    bool Run(const std::string& command) {
        if (std::system((command + " >/dev/null 2>&1").c_str()) == 0)
            return true;
        problem_ = "\"" + command + "\" failed";
        return false;
    }
    static bool In(const std::string& ns, const std::function<void()>& fn) {
        bool entered = false;
        std::thread t([&] {
            const int fd = open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
            entered = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
            if (fd >= 0)
                close(fd);
            if (entered)
                fn();
        });
        t.join();
        return entered;
    }

    std::string host_, reader_, problem_;
    bool ready_ = false;
};

LanEnvironment Adapters(const std::string& list, uint16_t udp) {
    LanEnvironment env;
    env.datagramPort = udp;
    env.adapters = [list] { return ParseAdapterList(list); };
    return env;
}

class LanNamespaces : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "network namespaces need root; multi-adapter cases not run";
        net_ = std::make_unique<TwoNamespaces>();
        if (!net_->Ready())
            GTEST_SKIP() << "cannot make network namespaces here (" << net_->Problem()
                         << "); multi-adapter cases not run";
    }
    std::unique_ptr<TwoNamespaces> net_;
};

} // namespace

TEST_F(LanNamespaces, BindsToTheAdapterThatReachesTheReader) {
    vsim::ReaderModel model;
    model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
    vsim::TcpServer server(model);
    ASSERT_TRUE(
        net_->InReader([&] { ASSERT_TRUE(server.Start("192.168.1.50", 0)) << server.Error(); }));
    Bytes answer;
    ASSERT_TRUE(net_->InHost([&] {
        // Listed first: the adapter that does not reach the reader.
        CTCPSocketThread link(Adapters("10.0.0.5/255.0.0.0,192.168.1.7/255.255.255.0", 1));
        link.SetReceiver(
            [&](const uint8_t* b, size_t n) { answer.insert(answer.end(), b, b + n); });
        ASSERT_TRUE(link.OpenConnection("192.168.1.50-" + std::to_string(server.Port())));
        const Bytes identify = vtest::Hex("02 01 F0 00 F1");
        link.QueueSend(identify.data(), identify.size());
        // This thread waits and reads, as an exchange does.
        const auto until = std::chrono::steady_clock::now() + 1s;
        while (answer.size() < 9 && std::chrono::steady_clock::now() < until)
            link.WaitForInput(until);
    }));
    EXPECT_EQ(server.LastPeerAddress(), "192.168.1.7");
    EXPECT_EQ(answer, vtest::Hex("02 01 00 04 31 32 35 35 06"));
    server.Stop();
}

TEST_F(LanNamespaces, OneReaderSeenThroughTwoAdaptersIsListedOnce) {
    const uint16_t udp = 30718; // the readers' own port: these namespaces are the test's
    std::unique_ptr<vsim::LanResponder> reader;
    ASSERT_TRUE(net_->InReader([&] {
        reader = std::make_unique<vsim::LanResponder>(
            vsim::LanRecords::Make("BENCH", "192.168.1.50", 8, "192.168.1.1", 10001, "VX-C770"),
            "192.168.1.50", udp, "192.168.1.255");
        ASSERT_TRUE(reader->Start()) << reader->Error();
    }));
    std::vector<std::string> verified, withOther;
    ASSERT_TRUE(net_->InHost([&] {
        LanDiscovery both(Adapters("192.168.1.7/255.255.255.0,192.168.1.8/255.255.255.0", udp));
        verified = both.Search(true, 300ms);
        // The 10.x adapter hears nothing, and adds nothing.
        LanDiscovery mixed(Adapters("10.0.0.5/255.0.0.0,192.168.1.8/255.255.255.0", udp));
        withOther = mixed.Search(false, 300ms);
    }));
    EXPECT_EQ(verified, std::vector<std::string>{"192.168.1.50-10001"});
    EXPECT_EQ(withOther, std::vector<std::string>{"192.168.1.50-10001"});
    int broadcasts = 0;
    for (uint8_t t : reader->Requests())
        broadcasts += t == 0xF8;
    EXPECT_EQ(broadcasts, 3); // from both adapters, then from 192.168.1.8 again
    reader->Stop();
}

// The LAN link and discovery against stand-in readers on loopback: the TCP worker
// (ports, bracketed names, dropped connections), the scans, the name lookup, and
// reading and changing a reader's network settings. Every datagram goes to
// 127.255.255.255 or a 127.x address on a port no other test uses.
#include "engine/links/lan/LanLink.h"
#include "engine/Vorex_Port.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/lan/LanConfig.h"
#include "engine/links/lan/LanDiscovery.h"
#include "engine/links/lan/TCPSocketThread.h"
#include "sim/DeviceCommands.h"
#include "sim/LanResponder.h"
#include "sim/TcpServer.h"
#include "tests/support/TestSupport.h"

#include <vorex/vorex.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace vorex::lan;
using vtest::Hex;

namespace {

using namespace std::chrono_literals;

// A stand-in reader served over TCP on a loopback address.
struct TcpReader {
    explicit TcpReader(const std::string& host = "127.0.0.1", uint16_t port = 0) {
        model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
        started = server.Start(host, port);
    }
    vsim::ReaderModel model;
    vsim::TcpServer server{model};
    bool started = false;
};

// Collects what the link receives; the test thread waits and reads, as the exchange's
// waiting thread does.
class Inbox {
public:
    CTCPSocket::Receiver Receiver() {
        return [this](const uint8_t* b, size_t n) { bytes_.insert(bytes_.end(), b, b + n); };
    }
    // The bytes once at least `count` arrived, or what came within the timeout.
    Bytes Take(CTCPSocketThread& link, size_t count, std::chrono::milliseconds timeout = 2000ms) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (bytes_.size() < count && std::chrono::steady_clock::now() < until)
            link.WaitForInput(until);
        Bytes out;
        out.swap(bytes_);
        return out;
    }

private:
    Bytes bytes_;
};

const Bytes kIdentify = Hex("02 01 F0 00 F1");               // variant 0, bus address 1
const Bytes kIdentified = Hex("02 01 00 04 31 32 35 35 06"); // "1255"

// A reader on the datagram protocol.
std::unique_ptr<vsim::LanResponder> Responder(uint16_t udp, const std::string& from,
                                              const std::string& name, const std::string& address,
                                              const std::string& model = "VX-C770",
                                              uint16_t port = 10001, bool makerTag = true) {
    auto records = vsim::LanRecords::Make(name, address, 8, "0.0.0.0", port, model);
    records.makerTag = makerTag;
    auto r = std::make_unique<vsim::LanResponder>(records, from, udp);
    if (!r->Start())
        throw std::runtime_error("responder: " + r->Error());
    return r;
}

} // namespace

TEST(LanLink, ExchangesOverTcpWithAndWithoutPort) {
    const uint16_t udp = vtest::FreeUdpPort();
    TcpReader reader;
    ASSERT_TRUE(reader.started) << reader.server.Error();
    Inbox inbox;
    CTCPSocketThread link(vtest::LoopbackLan(udp));
    link.SetReceiver(inbox.Receiver());
    ASSERT_TRUE(link.OpenConnection(reader.server.PortName()));
    ASSERT_TRUE(link.QueueSend(kIdentify.data(), kIdentify.size()));
    EXPECT_EQ(inbox.Take(link, kIdentified.size()), kIdentified);
    // The socket was bound to the adapter that reaches the reader.
    EXPECT_EQ(reader.server.LastPeerAddress(), "127.0.0.1");
    link.StopWorker();
    EXPECT_FALSE(link.QueueSend(kIdentify.data(), kIdentify.size()));

    // Without "-port" the link connects to 10001. A loopback address of its own keeps
    // this test apart from anything else listening on that port.
    TcpReader standard("127.0.16.1", 10001);
    if (!standard.started)
        GTEST_SKIP() << "port 10001 on 127.0.16.1 is taken: " << standard.server.Error();
    CTCPSocketThread plain(vtest::LoopbackLan(udp));
    plain.SetReceiver(inbox.Receiver());
    ASSERT_TRUE(plain.OpenConnection("127.0.16.1"));
    ASSERT_TRUE(plain.QueueSend(kIdentify.data(), kIdentify.size()));
    EXPECT_EQ(inbox.Take(plain, kIdentified.size()), kIdentified);
}

TEST(LanLink, NoReaderNoConnection) {
    const uint16_t udp = vtest::FreeUdpPort();
    // A port nobody listens on, a name nobody answers to, and text that is no address.
    TcpReader reader;
    const uint16_t closedPort = reader.server.Port();
    reader.server.Stop();
    for (const std::string& name :
         {"127.0.0.1-" + std::to_string(closedPort), std::string("[NOBODY]-10001"),
          std::string("[NOBODY"), std::string("127.0.0.1-0")}) {
        CTCPSocketThread link(vtest::LoopbackLan(udp));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(link.OpenConnection(name)) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << name;
    }
}

TEST(LanLink, BracketedNameIsFoundByDiscovery) {
    const uint16_t udp = vtest::FreeUdpPort();
    TcpReader reader("127.0.0.3");
    ASSERT_TRUE(reader.started) << reader.server.Error();
    auto lan = Responder(udp, "127.0.0.3", "READER01", "0.0.0.0", "VX-C770", reader.server.Port());
    Inbox inbox;
    CTCPSocketThread link(vtest::LoopbackLan(udp));
    link.SetReceiver(inbox.Receiver());
    ASSERT_TRUE(link.OpenConnection("[READER01]-" + std::to_string(reader.server.Port())));
    ASSERT_TRUE(link.QueueSend(kIdentify.data(), kIdentify.size()));
    EXPECT_EQ(inbox.Take(link, kIdentified.size()), kIdentified);
}

TEST(LanLink, DroppedConnectionFailsOneSendAndReconnectsOnTheNext) {
    const uint16_t udp = vtest::FreeUdpPort();
    TcpReader reader;
    ASSERT_TRUE(reader.started);
    vsim::Fault drop;
    drop.kind = vsim::Fault::Kind::DropLink;
    reader.model.InjectFault(drop);
    Inbox inbox;
    CTCPSocketThread link(vtest::LoopbackLan(udp));
    link.SetReceiver(inbox.Receiver());
    ASSERT_TRUE(link.OpenConnection(reader.server.PortName()));

    // Each request as an exchange sends it: input left over is dropped first.
    auto request = [&] {
        link.DiscardInput();
        link.QueueSend(kIdentify.data(), kIdentify.size());
    };
    request();
    EXPECT_EQ(inbox.Take(link, kIdentified.size()), kIdentified); // answered, then dropped
    for (int i = 0; i < 200 && reader.server.Drops() == 0; ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(reader.server.Drops(), 1);
    std::this_thread::sleep_for(50ms); // the close reaches this side

    request();
    EXPECT_TRUE(inbox.Take(link, 1, 300ms).empty()); // the first send after the drop fails
    EXPECT_EQ(reader.server.Connections(), 1);

    request();
    EXPECT_EQ(inbox.Take(link, kIdentified.size()), kIdentified); // the second reconnects
    EXPECT_EQ(reader.server.Connections(), 2);
}

TEST(LanLink, InputThatCameWhileNobodyWaitedIsDroppedBeforeTheNextRequest) {
    const uint16_t udp = vtest::FreeUdpPort();
    TcpReader reader;
    ASSERT_TRUE(reader.started);
    Inbox inbox;
    CTCPSocketThread link(vtest::LoopbackLan(udp));
    link.SetReceiver(inbox.Receiver());
    ASSERT_TRUE(link.OpenConnection(reader.server.PortName()));
    link.QueueSend(kIdentify.data(), kIdentify.size()); // nobody waits for this answer
    std::this_thread::sleep_for(100ms);
    link.DiscardInput();
    link.QueueSend(kIdentify.data(), kIdentify.size());
    // One answer arrives, not the stale one in front of it.
    EXPECT_EQ(inbox.Take(link, 2 * kIdentified.size(), 300ms), kIdentified);
}

// Exchanges of a connection over the LAN link, where the waiting thread reads the
// socket itself.
class LanExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(reader.started);
        vorex::links::LinkRequest request;
        request.name = reader.server.PortName();
        int openResult = 0;
        ASSERT_TRUE(port.AttachLink(vorex::links::OpenLanLink(request, port, openResult)));
    }
    void MuteReader() {
        vsim::Fault mute;
        mute.kind = vsim::Fault::Kind::NoAnswer;
        mute.times = -1;
        reader.model.InjectFault(mute);
    }
    bool Identify() {
        port.Transmit() = {0xF0};
        return port.Exchange();
    }

    TcpReader reader;
    CVorex_Port port;
};

TEST_F(LanExchange, AnswersWithAndWithoutAPumpingWaitHook) {
    int pumps = 0;
    const VOREX_WaitHook hook{nullptr, [](void* c) { ++*static_cast<int*>(c); }, nullptr, &pumps};
    for (const VOREX_WaitHook* installed : {static_cast<const VOREX_WaitHook*>(nullptr), &hook}) {
        port.SetWaitHook(installed);
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(Identify()) << "error " << port.LastError();
            std::vector<uint8_t> payload;
            ASSERT_TRUE(port.TakeAnswer(payload));
            EXPECT_EQ(payload, Hex("31 32 35 35"));
        }
    }
    EXPECT_GE(pumps, 20);
}

TEST_F(LanExchange, ATimeoutRunsItsFullLength) {
    MuteReader();
    for (const int timeoutMs : {30, 250}) { // a short wait and one that blocks in recv
        port.SetTimeoutMs(timeoutMs);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(Identify());
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(port.LastError(), 4);
        EXPECT_GE(took, std::chrono::milliseconds(timeoutMs)) << timeoutMs;
        EXPECT_LT(took, std::chrono::milliseconds(timeoutMs) + 1s) << timeoutMs;
        port.ForgetTimeout();
    }
}

TEST_F(LanExchange, ClosingTheConnectionEndsARunningWaitAtOnce) {
    MuteReader();
    port.SetTimeoutMs(20000);
    bool answered = true;
    const auto start = std::chrono::steady_clock::now();
    std::thread waiter([&] { answered = Identify(); });
    std::this_thread::sleep_for(100ms);
    port.MarkClosed();
    waiter.join();
    EXPECT_FALSE(answered);
    EXPECT_EQ(port.LastError(), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

class LanDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        udp = vtest::FreeUdpPort();
        readers.push_back(Responder(udp, "127.0.0.2", "FIXED", "127.0.0.2"));
        readers.push_back(Responder(udp, "127.0.0.3", "READER01", "0.0.0.0", "VX-A75"));
        readers.push_back(Responder(udp, "127.0.0.4", "OTHER", "127.0.0.4", "XP-900"));
        // An answer of 119 payload bytes is not a record 0.
        auto records = vsim::LanRecords::Make("SHORT", "127.0.0.5", 8, "0.0.0.0", 10001, "VX-C7");
        records.record0.resize(119);
        readers.push_back(std::make_unique<vsim::LanResponder>(records, "127.0.0.5", udp));
        ASSERT_TRUE(readers.back()->Start());
    }
    LanDiscovery Discovery(std::vector<std::string> adapters = {"127.0.0.1"}) {
        return LanDiscovery(vtest::LoopbackLan(udp, std::move(adapters)));
    }

    uint16_t udp = 0;
    std::vector<std::unique_ptr<vsim::LanResponder>> readers;
};

TEST_F(LanDiscoveryTest, UnverifiedAndVerifiedScans) {
    auto discovery = Discovery();
    EXPECT_EQ(discovery.Search(false, 200ms),
              (std::vector<std::string>{"127.0.0.2-10001", "127.0.0.4-10001",
                                        "[READER01]127.0.0.3-10001"}));
    EXPECT_EQ(discovery.Search(true, 200ms),
              (std::vector<std::string>{"127.0.0.2-10001", "[READER01]"}));
}

TEST_F(LanDiscoveryTest, TwoAdaptersSeeingTheSameReadersGiveOneEntryEach) {
    auto discovery = Discovery({"127.0.0.1", "127.0.0.9"});
    EXPECT_EQ(discovery.Search(false, 200ms),
              (std::vector<std::string>{"127.0.0.2-10001", "127.0.0.4-10001",
                                        "[READER01]127.0.0.3-10001"}));
    // Both adapters asked.
    int queries = 0;
    for (uint8_t t : readers[0]->Requests())
        queries += t == 0xF8;
    EXPECT_EQ(queries, 2);
}

TEST_F(LanDiscoveryTest, NoAdaptersNoTraffic) {
    LanEnvironment env = vtest::LoopbackLan(udp);
    env.adapters = [] { return std::vector<CAdapter>{}; };
    LanDiscovery discovery(env);
    EXPECT_TRUE(discovery.Search(false, 100ms).empty());
    EXPECT_FALSE(discovery.TestConnection("127.0.0.2"));
    EXPECT_TRUE(readers[0]->Requests().empty());
}

TEST_F(LanDiscoveryTest, NamesAndReachability) {
    auto discovery = Discovery();
    EXPECT_EQ(discovery.ResolveBracketName("[READER01]", 200ms), "127.0.0.3-10001");
    // Readers at their configured address are not looked up by name.
    EXPECT_EQ(discovery.ResolveBracketName("[FIXED]", 200ms), "");
    EXPECT_EQ(discovery.ResolveBracketName("[NOBODY]", 200ms), "");
    for (const char* reachable : {"127.0.0.2", "127.0.0.2-10001", "[READER01]",
                                  "[READER01]127.0.0.3-10001", "127.0.0.4-10001:3"})
        EXPECT_TRUE(discovery.TestConnection(reachable)) << reachable;
    for (const char* silent : {"127.0.0.9", "[NOBODY]", "127.0.0.5", "not an address"})
        EXPECT_FALSE(discovery.TestConnection(silent)) << silent;
}

TEST_F(LanDiscoveryTest, ReadsSettings) {
    auto discovery = Discovery();
    LanConfig config(discovery);
    LanSettingsText t;
    ASSERT_EQ(config.Get("[READER01]", t), 0);
    EXPECT_EQ(t.address, "");
    EXPECT_EQ(t.name, "[READER01]-10001");
    EXPECT_EQ(t.mask, "255.255.255.0");
    EXPECT_EQ(t.gateway, "0.0.0.0");
    ASSERT_EQ(config.Get("127.0.0.2-10001", t), 0);
    EXPECT_EQ(t.address, "127.0.0.2-10001");
    EXPECT_EQ(t.name, "[FIXED]-10001");
    EXPECT_EQ(config.Get("127.0.0.9", t), -1);
}

TEST_F(LanDiscoveryTest, GatewayOnlyChangeUsesTheShortSetupAndRecordZero) {
    // This reader's probe answer lacks the maker tag.
    readers.push_back(Responder(udp, "127.0.0.6", "PLAIN", "127.0.0.6", "VX-C770", 10001, false));
    auto& reader = *readers.back();
    auto discovery = Discovery();
    LanConfig config(discovery);
    ASSERT_EQ(config.Set("127.0.0.6-10001", "127.0.0.6-10001", "255.255.255.0", "127.0.0.254"), 0);
    EXPECT_EQ(reader.Setups(), std::vector<bool>{false});
    const auto fields = reader.Records().Fields();
    EXPECT_EQ(fields.gateway.Text(), "127.0.0.254");
    EXPECT_EQ(fields.address.Text(), "127.0.0.6");
    EXPECT_EQ(fields.hostBits, 8u);
    EXPECT_EQ(fields.name, "PLAIN");
    // Restarted at the end; the restart is not answered, so it may still be on its way.
    for (int i = 0; i < 200 && reader.Requests().back() != 0x03; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(reader.Requests().back(), 0x03);
}

TEST_F(LanDiscoveryTest, AutomaticAddressWithNameThroughTheExtendedSetup) {
    auto discovery = Discovery();
    LanConfig config(discovery);
    ASSERT_EQ(config.Set("127.0.0.2-10001", "[LAB1]-10001", "255.255.0.0", ""), 0);
    auto& reader = *readers[0];
    EXPECT_EQ(reader.Setups(), std::vector<bool>{true});
    const auto fields = reader.Records().Fields();
    EXPECT_TRUE(fields.address.IsZero());
    EXPECT_EQ(fields.name, "LAB1");
    EXPECT_EQ(fields.hostBits, 16u);
    EXPECT_EQ(fields.port, 10001);
    // Found by its new name now.
    EXPECT_TRUE(discovery.TestConnection("[LAB1]-10001"));
}

TEST_F(LanDiscoveryTest, NewFixedAddressMovesTheReader) {
    auto discovery = Discovery();
    LanConfig config(discovery);
    ASSERT_EQ(config.Set("127.0.0.2", "127.0.0.7-10001", "", ""), 0);
    EXPECT_EQ(readers[0]->AnswerFrom(), "127.0.0.7");
    EXPECT_TRUE(discovery.TestConnection("127.0.0.7"));
    EXPECT_FALSE(discovery.TestConnection("127.0.0.2"));
}

TEST_F(LanDiscoveryTest, SettingsThatDoNotParseAreRefusedBeforeAnythingIsSent) {
    auto discovery = Discovery();
    LanConfig config(discovery);
    EXPECT_EQ(config.Set("127.0.0.2", "127.0.0.300-10001", "", ""), -1);
    EXPECT_EQ(config.Set("127.0.0.2", "127.0.0.2", "255.255.255.x", ""), -1);
    EXPECT_EQ(config.Set("127.0.0.2", "127.0.0.2", "", "[GW]"), -1);
    EXPECT_TRUE(readers[0]->Requests().empty());
    EXPECT_EQ(config.Set("127.0.0.9", "127.0.0.9", "", ""), -1); // nobody answers
}

// Through VOREX_OpenPort: LAN connections take handles from 20001, the smallest free
// one again after a close, and identify their reader like a serial connection.
TEST(LanOpen, HandlesFrom20001AndTheSmallestFreeReused) {
    TcpReader a, b;
    ASSERT_TRUE(a.started && b.started);
    const int first = VOREX_OpenPort(a.server.PortName().c_str(), 19200, 500);
    const int second = VOREX_OpenPort(b.server.PortName().c_str(), 19200, 500);
    EXPECT_EQ(first, 20001);
    EXPECT_EQ(second, 20002);
    char name[32] = {};
    EXPECT_GT(VOREX_GetDeviceName(first, name, sizeof name), 0);
    EXPECT_EQ(VOREX_ClosePort(first), 0);
    const int third = VOREX_OpenPort(a.server.PortName().c_str(), 19200, 500);
    EXPECT_EQ(third, 20001);
    VOREX_ClosePort(second);
    VOREX_ClosePort(third);
}

TEST(LanOpen, NoReaderAtTheAddressOpensNothing) {
    // A port on loopback where nothing listens: the connect is refused at once.
    TcpReader gone;
    ASSERT_TRUE(gone.started);
    const std::string name = gone.server.PortName();
    gone.server.Stop();
    EXPECT_EQ(VOREX_OpenPort(name.c_str(), 19200, 200), -1);
}

TEST(LanOpen, AConnectionOutlivesItsReaderAndReconnectsWhenItIsBack) {
    TcpReader reader;
    ASSERT_TRUE(reader.started);
    const uint16_t port = reader.server.Port();
    const int handle = VOREX_OpenPort(reader.server.PortName().c_str(), 19200, 300);
    ASSERT_EQ(handle, 20001);
    uint8_t settings[16] = {};
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), 3);

    // The reader goes away: its connection is closed and nothing listens any more.
    // Exchanges fail within their timeout, the connection keeps its handle.
    reader.server.Stop();
    std::this_thread::sleep_for(50ms);
    for (int i = 0; i < 2; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
    EXPECT_EQ(VOREX_GetDeviceType(handle), 0x125);

    // Back at its address, the next exchange reconnects.
    ASSERT_TRUE(reader.server.Start("127.0.0.1", port)) << reader.server.Error();
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), 3);
    EXPECT_EQ(reader.server.Connections(), 2); // the first and the reconnection
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
}

namespace {

// A listener on a loopback port that never accepts, its queue filled by connections of
// its own: a further connect to the port neither succeeds nor is refused, as with a
// reader that has gone from the network.
class UnreachablePort {
public:
    explicit UnreachablePort(uint16_t port) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(port);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
              listen(listener_, 0) == 0;
        for (int i = 0; ok_ && i < 3; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
            fillers_.push_back(fd);
        }
        std::this_thread::sleep_for(50ms);
    }
    ~UnreachablePort() {
        for (const int fd : fillers_)
            close(fd);
        close(listener_);
    }
    bool Ok() const { return ok_; }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    bool ok_ = false;
};

// Records the longest gap between two calls of the wait hook's pump.
struct PumpGaps {
    static void Pump(void* context) {
        auto* self = static_cast<PumpGaps*>(context);
        const auto now = std::chrono::steady_clock::now();
        if (self->last != std::chrono::steady_clock::time_point{})
            self->longest = std::max(self->longest, now - self->last);
        self->last = now;
    }
    void Restart() { last = {}; }
    std::chrono::steady_clock::time_point last{};
    std::chrono::steady_clock::duration longest{};
};

} // namespace

TEST(LanOpen, AnUnreachableReaderHoldsNoExchangeBeyondItsTimeout) {
    TcpReader reader;
    ASSERT_TRUE(reader.started);
    const uint16_t port = reader.server.Port();
    const int handle = VOREX_OpenPort(reader.server.PortName().c_str(), 19200, 500);
    ASSERT_EQ(handle, 20001);
    uint8_t settings[16] = {};
    EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), 3);

    // The reader drops its connection, and connects to its address now hang.
    reader.server.Stop();
    UnreachablePort gone(port);
    ASSERT_TRUE(gone.Ok());
    PumpGaps gaps;
    const VOREX_WaitHook hook{nullptr, &PumpGaps::Pump, nullptr, &gaps};
    VOREX_SetWaitHook(&hook);
    // The first exchange finds the connection closed, the second reconnects: both end
    // at their timeout, and the waiting thread keeps pumping meanwhile.
    for (int i = 0; i < 2; ++i) {
        gaps.Restart();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(VOREX_ReadSettings(handle, settings, sizeof settings), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms) << i;
        EXPECT_LT(gaps.longest, 300ms) << i;
    }
    VOREX_SetWaitHook(nullptr);
    // Closing does not wait for the connect in progress.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VOREX_ClosePort(handle), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(LanOpen, TheLookupDropsAConnectionWhoseLinkEnded) {
    TcpReader a, b;
    ASSERT_TRUE(a.started && b.started);
    const int first = VOREX_OpenPort(a.server.PortName().c_str(), 19200, 300);
    const int second = VOREX_OpenPort(b.server.PortName().c_str(), 19200, 300);
    ASSERT_EQ(first, 20001);
    ASSERT_EQ(second, 20002);
    // The worker of the first connection ends while the connection is still listed.
    VorexEngine().Find(first)->CloseLink();
    // Looking up the second passes the first, which leaves the list.
    EXPECT_EQ(VOREX_GetDeviceType(second), 0x125);
    EXPECT_EQ(VOREX_GetDeviceType(first), -1);
    EXPECT_EQ(VOREX_ClosePort(first), -1);
    const int third = VOREX_OpenPort(a.server.PortName().c_str(), 19200, 300);
    EXPECT_EQ(third, 20001);
    EXPECT_EQ(VOREX_ClosePort(second), 0);
    EXPECT_EQ(VOREX_ClosePort(third), 0);
}

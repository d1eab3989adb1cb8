// CBluetoothLink against the stand-in module on a pseudo-terminal (search, names,
// class filter, connect, drop and reconnect), and against scripted adapter bytes for
// what a module must never make it do (overfill its buffers).
#include "engine/links/bluetooth/BluetoothLink.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <thread>

using namespace vorex::links::bt;
using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

namespace {

constexpr uint8_t kInquiryOp = 0x00;
constexpr uint8_t kNameOp = 0x02;
constexpr uint8_t kConnectOp = 0x0A;
constexpr uint8_t kCancelOp = 0x26;

const char* const kTwoReaders = R"({"bluetooth": {"devices": [
    {"address": "112233445566", "name": "VX-F74BT PN7711#0042"},
    {"address": "0A0B0C0D0E0F", "name": "VX-E74BT PN7711#0007", "name_delay_ms": 150}]}})";

std::string NameOf(const uint8_t* record) {
    return std::string(reinterpret_cast<const char*>(record + 6),
                       strnlen(reinterpret_cast<const char*>(record + 6), 32));
}

Address AddressOf(const uint8_t* record) {
    Address a;
    std::copy_n(record, 6, a.begin());
    return a;
}

struct OpenModule {
    explicit OpenModule(const std::string& scenario) : sim(scenario) {
        EXPECT_TRUE(link.OpenBluetoothAdapter(sim.PortName()));
    }
    vtest::SimBtModule sim;
    CBluetoothLink link;
};

} // namespace

TEST(BluetoothLink, SearchListsEveryDeviceWithItsName) {
    OpenModule m(kTwoReaders);
    uint8_t records[380] = {};
    ASSERT_EQ(m.link.SearchBluetoothDevices(records, sizeof records, 20000, 0), 76);
    EXPECT_EQ(NameOf(records), "VX-F74BT PN7711#0042");
    EXPECT_EQ(AddressOf(records), (Address{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    EXPECT_EQ(NameOf(records + 38), "VX-E74BT PN7711#0007") << "a late name is waited for";

    const auto inquiries = m.sim.Requests(kInquiryOp);
    ASSERT_EQ(inquiries.size(), 1u);
    EXPECT_EQ(inquiries[0].payload, (Bytes{14, 0, 0})) << "N for 20000 ms";
    EXPECT_EQ(m.sim.Requests(kNameOp).size(), 2u);

    m.sim.Module().ClearRequests();
    // Room for one record: the second device is not even asked for its name.
    ASSERT_EQ(m.link.SearchBluetoothDevices(records, 40, 10000, 0), 38);
    EXPECT_EQ(m.sim.Requests(kInquiryOp).at(0).payload, (Bytes{6, 0, 0})) << "N for 10000 ms";
    EXPECT_EQ(m.sim.Requests(kNameOp).size(), 1u);
}

TEST(BluetoothLink, EmptyNameIsAskedSixTimesThenWrittenEmpty) {
    OpenModule m(R"({"bluetooth": {"devices": [
        {"address": "010203040506", "name": "never told", "empty_names": -1},
        {"address": "0A0B0C0D0E0F", "name": "VX-F74BT PN7711#0009", "empty_names": 2}]}})");
    uint8_t records[380];
    std::memset(records, 0xEE, sizeof records);
    ASSERT_EQ(m.link.SearchBluetoothDevices(records, sizeof records, 5000, 0), 76);
    EXPECT_EQ(NameOf(records), "");
    EXPECT_EQ(Bytes(records + 6, records + 38), Bytes(32, 0)) << "the name is zero-padded";
    EXPECT_EQ(NameOf(records + 38), "VX-F74BT PN7711#0009");
    EXPECT_EQ(m.sim.Requests(kNameOp).size(), 6u + 3u);
}

TEST(BluetoothLink, NameThatNeverComesFailsTheSearch) {
    OpenModule m(R"({"bluetooth": {"devices": [
        {"address": "010203040506", "name": "silent", "name_never": true}]}})");
    uint8_t records[380];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m.link.SearchBluetoothDevices(records, sizeof records, 1500, 0), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1500ms);
}

TEST(BluetoothLink, ClassFilterEndsTheInquiryAtTheFirstMatch) {
    OpenModule m(R"({"bluetooth": {"devices": [
        {"address": "A1A2A3A4A5A6", "name": "phone", "class": "5A020C"},
        {"address": "B1B2B3B4B5B6", "name": "VX-F74BT PN7711#0001"},
        {"address": "C1C2C3C4C5C6", "name": "VX-F74BT PN7711#0002"}]}})");
    uint8_t records[380];
    ASSERT_EQ(m.link.SearchBluetoothDevices(records, sizeof records, 10000, 0x000500), 38);
    EXPECT_EQ(NameOf(records), "VX-F74BT PN7711#0001");
    EXPECT_EQ(m.sim.Requests(kCancelOp).size(), 1u);
    EXPECT_EQ(m.sim.Requests(kNameOp).size(), 1u);
}

TEST(BluetoothLink, ConnectReportsTheModuleStatusOrTimeout) {
    OpenModule m(R"({"bluetooth": {"devices": [
        {"address": "112233445566", "name": "VX-F74BT PN7711#0042", "connect_failures": 1,
         "connect_status": 12}]}})");
    const Address reader{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(m.link.ConnectBluetoothDevice(reader, 1, 3000), 12);
    EXPECT_FALSE(m.link.Connected());
    EXPECT_EQ(m.link.ConnectBluetoothDevice(reader, 1, 3000), 0);
    EXPECT_TRUE(m.link.Connected());
    EXPECT_EQ(m.link.StoredAddress(), reader);
    EXPECT_EQ(m.sim.Requests(kConnectOp).back().payload,
              (Bytes{0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x01}));
}

TEST(BluetoothLink, DroppedLinkReconnectsOnlyAfterThePause) {
    OpenModule m(kTwoReaders);
    const Address reader{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    ASSERT_EQ(m.link.ConnectBluetoothDevice(reader, 1, 3000), 0);
    m.sim.Module().SetConnectFailures("VX-F74BT PN7711#0042", 1);
    m.sim.Module().ClearRequests();
    m.sim.Drop();
    uint8_t buffer[64];
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (m.link.Connected() && std::chrono::steady_clock::now() < until)
        m.link.PollBluetoothPacket();
    ASSERT_FALSE(m.link.Connected()) << "the disconnect indication clears the flag";

    // First read: a connect attempt at once, refused by the module.
    EXPECT_EQ(m.link.ReadBluetoothData(buffer, sizeof buffer), 0u);
    ASSERT_EQ(m.sim.Requests(kConnectOp).size(), 1u);
    // Reads and writes right after the failure do not try again.
    for (int i = 0; i < 5; ++i)
        m.link.ReadBluetoothData(buffer, sizeof buffer);
    EXPECT_EQ(m.sim.Requests(kConnectOp).size(), 1u);
    // Past the pause the next read connects to the stored address.
    std::this_thread::sleep_for(CBluetoothLink::kReconnectPause + 50ms);
    m.link.ReadBluetoothData(buffer, sizeof buffer);
    const auto connects = m.sim.Requests(kConnectOp);
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_TRUE(m.link.Connected());
    EXPECT_GE(connects[1].at - connects[0].at, CBluetoothLink::kReconnectPause);
    EXPECT_EQ(Bytes(connects[1].payload.begin() + 1, connects[1].payload.begin() + 7),
              Bytes(reader.begin(), reader.end()));
}

namespace {

// Adapter bytes given by the test, read in the pieces they were queued in. With a
// clock, the link's waits run on that clock, which passes only in WaitReadable.
class ScriptedAdapter final : public BluetoothAdapter {
public:
    using Clock = std::chrono::steady_clock;
    explicit ScriptedAdapter(std::deque<Bytes>& reads, Clock::time_point* clock = nullptr)
        : reads_(reads), clock_(clock) {}
    size_t Read(uint8_t* into, size_t room) override {
        if (reads_.empty())
            return 0;
        Bytes& front = reads_.front();
        const size_t n = std::min(room, front.size());
        std::copy_n(front.begin(), n, into);
        front.erase(front.begin(), front.begin() + static_cast<long>(n));
        if (front.empty())
            reads_.pop_front();
        return n;
    }
    // A disconnect request is answered as the module does.
    bool Write(const uint8_t* bytes, size_t count) override {
        if (count > 2 && bytes[2] == 0x0D)
            reads_.push_back(BuildPacket(kIndication, 0x51, nullptr, 0));
        return true;
    }
    void WaitReadable(int ms) override {
        if (clock_)
            *clock_ += std::chrono::milliseconds(ms);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    Clock::time_point Now() const override { return clock_ ? *clock_ : Clock::now(); }
    bool ComMode() const override { return true; }

private:
    std::deque<Bytes>& reads_;
    Clock::time_point* clock_;
};

Bytes Data(size_t count, uint8_t value, size_t announced) {
    Bytes p{0x02, static_cast<uint8_t>(announced & 0xFF), static_cast<uint8_t>(announced >> 8)};
    p.insert(p.end(), count, value);
    return BuildPacket(kIndication, 0x10, p.data(), p.size());
}

Bytes ConnectedEvent() {
    const Bytes p{0, 1, 2, 3, 4, 5, 6, 2, 1};
    return BuildPacket(kIndication, 0x0B, p.data(), p.size());
}

} // namespace

TEST(BluetoothLink, ModuleBytesNeverOverfillTheBuffers) {
    std::deque<Bytes> reads;
    CBluetoothLink link;
    link.Attach(std::make_unique<ScriptedAdapter>(reads), "scripted BT");
    reads.push_back(ConnectedEvent());
    while (link.PollBluetoothPacket()) {
    }
    ASSERT_TRUE(link.Connected());
    // Three data packets of 400 bytes without the data being taken, one announcing more
    // than it carries, and a name announcing 200 bytes in a short packet.
    for (int i = 0; i < 3; ++i)
        reads.push_back(Data(400, static_cast<uint8_t>(i + 1), 400));
    reads.push_back(Data(4, 0x55, 900));
    Bytes name{0, 1, 2, 3, 4, 5, 6, 200, 'a', 'b'};
    reads.push_back(BuildPacket(kConfirmation, 0x02, name.data(), name.size()));
    while (link.PollBluetoothPacket()) {
    }
    EXPECT_EQ(link.DroppedDataBytes(), 200u + 4u);
    Bytes taken(1200);
    ASSERT_EQ(link.ReadBluetoothData(taken.data(), taken.size()), CBluetoothLink::kDataCapacity);
    EXPECT_EQ(taken[0], 1);
    EXPECT_EQ(taken[999], 3);
}

TEST(BluetoothLink, StartedPacketThatNeverEndsIsGivenUp) {
    std::deque<Bytes> reads;
    CBluetoothLink link;
    link.Attach(std::make_unique<ScriptedAdapter>(reads), "scripted BT");
    const Bytes whole = ConnectedEvent();
    // A valid header whose rest never comes, then a whole packet.
    reads.push_back({0x02, 0x69, 0x10, 0x40, 0x00, static_cast<uint8_t>(0x69 + 0x10 + 0x40)});
    reads.push_back(whole);
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (!link.Connected() && std::chrono::steady_clock::now() < until) {
        link.PollBluetoothPacket();
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(link.Connected()) << "the packet behind the broken one is found";
}

TEST(BluetoothLink, CloseFindsTheDisconnectAnswerBehindAHalfReceivedPacket) {
    // The disconnect answer lands behind a started packet whose rest never comes: the
    // close gives that packet up after its 0.5 s and takes the answer, instead of
    // waiting out the 7 s disconnect time-out. The waits run on the adapter's clock.
    std::deque<Bytes> reads;
    auto clock = ScriptedAdapter::Clock::time_point{} + 1h;
    const auto start = clock;
    CBluetoothLink link;
    link.Attach(std::make_unique<ScriptedAdapter>(reads, &clock), "scripted BT");
    reads.push_back(ConnectedEvent());
    while (link.PollBluetoothPacket()) {
    }
    ASSERT_TRUE(link.Connected());
    reads.push_back({0x02, 0x69, 0x10, 0x40, 0x00, static_cast<uint8_t>(0x69 + 0x10 + 0x40)});
    link.CloseBluetoothAdapter();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(reads.empty()) << "the answer was read";
    EXPECT_GT(clock - start, 500ms);
    EXPECT_LT(clock - start, 1s) << "the close waited out its time-out";
}

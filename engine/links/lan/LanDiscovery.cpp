#include "engine/links/lan/LanDiscovery.h"

namespace vorex::lan {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kBracketResolveTimeout = std::chrono::milliseconds(200);

// Answers to a broadcast record-0 query until `quiet` passes without one; calls `take`
// for each record-0 answer of at least 120 payload bytes until it returns true.
template <typename Take>
void CollectRecord0(DatagramChannel& channel, std::chrono::milliseconds quiet, Take take) {
    if (!channel.Send(RecordQuery(0), true))
        return;
    Datagram d;
    const auto giveUp = Clock::now() + 20 * quiet;
    while (Clock::now() < giveUp && channel.WaitFor(
                                        [](const Datagram& g) {
                                            return g.type == QueryAnswerType(0) &&
                                                   g.payload.size() >= kRecordMinBytes;
                                        },
                                        d, quiet)) {
        if (take(d))
            return;
    }
}

} // namespace

void LanDiscovery::ScanAdapter(const AdapterSelection& adapters, std::set<std::string>& list,
                               std::chrono::milliseconds quiet, bool verify) {
    DatagramChannel channel;
    if (!channel.Open(adapters.LocalAddress(), "255.255.255.255", adapters.Broadcast(),
                      env_.datagramPort))
        return;
    std::set<std::string> found;
    CollectRecord0(channel, quiet, [&](const Datagram& d) {
        const std::string entry = DiscoveryEntry(d.payload, d.sender);
        if (!entry.empty())
            found.insert(entry);
        return false;
    });
    if (verify) {
        std::set<std::string> kept;
        for (const auto& entry : found) {
            const std::string head = entry.substr(0, entry.rfind('-'));
            const size_t close = head.find(']');
            const std::string address = close == std::string::npos ? head : head.substr(close + 1);
            channel.SetHost(address);
            Bytes record2;
            if (!channel.QueryRecord(2, record2, false) || !IsOwnModel(record2))
                continue;
            kept.insert(close == std::string::npos ? entry : head.substr(0, close + 1));
        }
        found.swap(kept);
    }
    list.insert(found.begin(), found.end());
}

std::vector<std::string> LanDiscovery::Search(bool verify, std::chrono::milliseconds quiet) {
    AdapterSelection adapters(env_.adapters);
    std::set<std::string> list;
    if (!adapters.Enumerate() || !adapters.SelectFirst())
        return {};
    do {
        ScanAdapter(adapters, list, quiet, verify);
    } while (adapters.SelectNext());
    return {list.begin(), list.end()};
}

std::string LanDiscovery::ResolveBracketName(const std::string& name,
                                             std::chrono::milliseconds timeout) {
    AdapterSelection adapters(env_.adapters);
    if (!adapters.Enumerate() || !adapters.SelectFirst())
        return {};
    std::string result;
    do {
        DatagramChannel channel;
        if (!channel.Open(adapters.LocalAddress(), "255.255.255.255", adapters.Broadcast(),
                          env_.datagramPort))
            continue;
        const auto end = Clock::now() + timeout;
        if (!channel.Send(RecordQuery(0), true))
            continue;
        Datagram d;
        while (result.empty() && Clock::now() < end) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - Clock::now() + std::chrono::milliseconds(1));
            if (!channel.Receive(d, left))
                break;
            const auto record =
                d.type == QueryAnswerType(0) ? ReadRecord0(d.payload) : std::nullopt;
            // Readers at their configured address are known by it, not by name.
            if (!record || record->address == d.sender)
                continue;
            if (BracketName(record->name) == name)
                result = d.sender.Text() + "-" + std::to_string(record->port);
        }
    } while (result.empty() && adapters.SelectNext());
    return result;
}

std::string LanDiscovery::TargetAddress(const std::string& identity) {
    std::string text = identity.substr(0, identity.find(':'));
    const size_t open = text.find('[');
    if (open != std::string::npos) {
        const size_t close = text.find(']', open);
        if (close == std::string::npos)
            return {};
        text = ResolveBracketName(text.substr(open, close - open + 1), kBracketResolveTimeout);
    }
    const size_t dash = text.rfind('-');
    return dash == std::string::npos ? text : text.substr(0, dash);
}

bool LanDiscovery::OpenConfigChannel(const std::string& identity, DatagramChannel& channel) {
    const std::string address = TargetAddress(identity);
    if (!Ipv4::Parse(address))
        return false;
    AdapterSelection adapters(env_.adapters);
    if (!adapters.Enumerate() || !adapters.SelectFirst())
        return false;
    do {
        if (!channel.Open(adapters.LocalAddress(), address, adapters.Broadcast(),
                          env_.datagramPort))
            continue;
        Bytes record0;
        if (channel.QueryRecord(0, record0, true))
            return true;
        channel.Close();
    } while (adapters.SelectNext());
    return false;
}

bool LanDiscovery::TestConnection(const std::string& identity) {
    DatagramChannel channel;
    return OpenConfigChannel(identity, channel);
}

} // namespace vorex::lan

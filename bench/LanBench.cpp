// Exchange cost over a LAN link on loopback.
//
//  BM_LanExchangeToEcho  identification exchanges of a connection over the LAN link
//                        (TCP with TCP_NODELAY, the waiting thread reading the socket)
//                        against a bare echo peer that answers every 5-byte request with
//                        the 9 answer bytes at once.
//  BM_BareTcpRoundTrip   baseline: the same 5 request and 9 answer bytes bounced by the
//                        same kind of echo peer to a bare client blocking in recv; no
//                        framing, no receive wait, no link.
//  BM_LanExchange        the first against the stand-in reader served over TCP on
//                        127.0.0.1 (opened by VOREX_OpenPort), as a program meets it.
//  BM_BareClientToStandIn the bare client against the stand-in reader: what the reader
//                        side costs.
// bench/run prints the ratio of the first two (goal <= 1.10): the same peer, so the
// ratio is what the engine and its link add to a round trip.
#include "engine/Vorex_Port.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/lan/LanLink.h"
#include "sim/DeviceCommands.h"
#include "sim/TcpServer.h"

#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vorex/vorex.h>

namespace {

// Identification exchanges of the connection, each timed from request to checked answer.
void TimedExchanges(benchmark::State& state, CVorex_Port& port) {
    std::vector<uint8_t> payload;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        port.Transmit() = {0xF0};
        if (!port.Exchange() || !port.TakeAnswer(payload))
            state.SkipWithError("exchange failed");
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["seconds_per_exchange"] = total / static_cast<double>(state.iterations());
}

void BM_LanExchange(benchmark::State& state) {
    vsim::ReaderModel model;
    model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
    vsim::TcpServer server(model);
    if (!server.Start("127.0.0.1", 0))
        std::abort();
    // The connection as VOREX_OpenPort makes it: over the LAN link.
    const int handle = VOREX_OpenPort(server.PortName().c_str(), 19200, 500);
    auto connection = VorexEngine().Find(handle);
    if (!connection)
        std::abort();
    CVorex_Port& port = *connection;
    TimedExchanges(state, port);
    VOREX_ClosePort(handle);
}
BENCHMARK(BM_LanExchange)->MinTime(1.0)->UseRealTime();

// Identification request and answer bytes over a connected client socket, the client
// blocking in recv: the round trip without framing, waiting logic or worker thread.
void BareRoundTrips(benchmark::State& state, const sockaddr_in& to) {
    const int on = 1;
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0)
        std::abort();
    const uint8_t request[5] = {2, 1, 0xF0, 0, 0xF1};
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        [[maybe_unused]] ssize_t w = send(client, request, sizeof request, MSG_NOSIGNAL);
        uint8_t b[64];
        size_t got = 0;
        while (got < 9) {
            const ssize_t n = recv(client, b, sizeof b, 0);
            if (n <= 0)
                std::abort();
            got += static_cast<size_t>(n);
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    close(client);
    state.counters["seconds_per_exchange"] = total / static_cast<double>(state.iterations());
}

// A loopback TCP peer that answers every 5 request bytes with the 9 bytes of an
// identification answer, on its own thread; one connection.
class EchoPeer {
public:
    EchoPeer() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        address_.sin_family = AF_INET;
        address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof address_;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address_), sizeof address_) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address_), &len) != 0)
            std::abort();
        thread_ = std::thread([this] { Serve(); });
    }
    ~EchoPeer() {
        shutdown(listener_, SHUT_RDWR); // ends a pending accept
        thread_.join();
        close(listener_);
    }
    EchoPeer(const EchoPeer&) = delete;
    EchoPeer& operator=(const EchoPeer&) = delete;

    const sockaddr_in& Address() const { return address_; }
    std::string PortName() const { return "127.0.0.1-" + std::to_string(ntohs(address_.sin_port)); }

private:
    void Serve() {
        const int peer = accept(listener_, nullptr, nullptr);
        if (peer < 0)
            return;
        const int on = 1;
        setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const uint8_t answer[9] = {2, 1, 0, 4, '1', '2', '5', '5', 6};
        uint8_t b[64];
        size_t got = 0;
        ssize_t n;
        while ((n = recv(peer, b, sizeof b, 0)) > 0) {
            got += static_cast<size_t>(n);
            for (; got >= 5; got -= 5)
                [[maybe_unused]] ssize_t w = send(peer, answer, sizeof answer, MSG_NOSIGNAL);
        }
        close(peer);
    }

    int listener_ = -1;
    sockaddr_in address_{};
    std::thread thread_;
};

void BM_BareTcpRoundTrip(benchmark::State& state) {
    EchoPeer echo;
    BareRoundTrips(state, echo.Address());
}
BENCHMARK(BM_BareTcpRoundTrip)->MinTime(1.0)->UseRealTime();

// The engine's exchange over the LAN link to the same echo peer: the connection is made
// as VOREX_OpenPort makes it, without the identification (the peer is no reader).
void BM_LanExchangeToEcho(benchmark::State& state) {
    EchoPeer echo;
    CVorex_Port port;
    vorex::links::LinkRequest request;
    request.name = echo.PortName();
    int openResult = 0;
    if (!port.AttachLink(vorex::links::OpenLanLink(request, port, openResult)))
        std::abort();
    port.SetTimeoutMs(500);
    TimedExchanges(state, port);
    port.CloseLink();
}
BENCHMARK(BM_LanExchangeToEcho)->MinTime(1.0)->UseRealTime();

void BM_BareClientToStandIn(benchmark::State& state) {
    vsim::ReaderModel model;
    model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
    vsim::TcpServer server(model);
    if (!server.Start("127.0.0.1", 0))
        std::abort();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(server.Port());
    BareRoundTrips(state, a);
}
BENCHMARK(BM_BareClientToStandIn)->MinTime(1.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

// Exchange cost against the stand-in reader on a pseudo-terminal.
//
//  BM_ExchangeVsWireTime   identification exchanges at 115200 8E1 with the wire-time
//                          model on; counter ratio_to_wire = exchange time / time the
//                          request and answer bytes need on the wire (goal <= 1.05).
//  BM_WaitCpuDuringTimeout one exchange that times out after 500 ms; counter
//                          cpu_share = CPU time of the waiting thread / wall time
//                          (goal <= 0.01).
//  BM_RawPtyRoundTrip      baseline: the same bytes bounced through a pseudo-terminal
//                          by a bare echo thread, without framing or waiting logic.
//  BM_RawPtyWireTime       baseline for the first: the bare echo answering after the
//                          same wire time, so that the ratio of the two shows what the
//                          engine adds over a pseudo-terminal and two thread wake-ups.
//  BM_ExchangesZeroDelay   identification exchanges with no device delay; compare its
//                          rate with the baseline's (ratio printed by bench/run).
#include "engine/Vorex_Port.h"
#include "engine/links/serial/LineSettings.h"
#include "engine/links/serial/SerialLink.h"
#include "sim/DeviceCommands.h"
#include "sim/PtyServer.h"
#include "sim/ReaderModel.h"
#include "sim/Scenario.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

struct Bench {
    explicit Bench(bool wireTime, int format, uint32_t baud) : model(Config(wireTime, format)) {
        model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
        server = std::make_unique<vsim::PtyServer>(model);
        if (!server->Start())
            std::abort();
        const char parity = format == 1 ? 'E' : format == 2 ? 'O' : 'N';
        if (!port.AttachLink(vorex::links::SerialLink::Open(
                {server->SlavePath(), baud, parity, format == 3 ? 2 : 1}, port)))
            std::abort();
    }
    static vsim::ReaderConfig Config(bool wireTime, int format) {
        vsim::ReaderConfig c;
        c.wireTime = wireTime;
        c.format = format;
        return c;
    }
    bool Identify() {
        std::vector<uint8_t> payload;
        port.Transmit() = {0xF0};
        return port.Exchange() && port.TakeAnswer(payload);
    }
    vsim::ReaderModel model;
    std::unique_ptr<vsim::PtyServer> server;
    CVorex_Port port;
};

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void BM_ExchangeVsWireTime(benchmark::State& state) {
    Bench b(true, 1, 115200);
    // Request 02 01 F0 00 F1 (5 bytes), answer 02 01 00 04 t t t r x (9 bytes), 11 bits each.
    const double wire = (5 + 9) * 11.0 / 115200.0;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!b.Identify())
            state.SkipWithError("exchange failed");
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["ratio_to_wire"] = total / static_cast<double>(state.iterations()) / wire;
}
BENCHMARK(BM_ExchangeVsWireTime)->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_WaitCpuDuringTimeout(benchmark::State& state) {
    Bench b(false, 0, 19200);
    b.model.InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (b.Identify())
            state.SkipWithError("expected a timeout");
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += ThreadCpuSeconds() - c0;
    }
    state.counters["cpu_share"] = cpu / wall;
}
BENCHMARK(BM_WaitCpuDuringTimeout)->Iterations(4)->Unit(benchmark::kMillisecond);

// A bare echo over a pseudo-terminal: reads the 5-byte request and answers 9 bytes,
// after `delay` counted from when it read the request (0: at once).
void RawRoundTrips(benchmark::State& state, std::chrono::nanoseconds delay) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    vorex::links::MakeRaw(slave);
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        uint8_t b[64];
        const uint8_t answer[9] = {2, 1, 0, 4, '1', '2', '5', '5', 0};
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) > 0 && read(master, b, sizeof b) > 0) {
                if (delay.count() > 0)
                    std::this_thread::sleep_for(delay);
                [[maybe_unused]] ssize_t w = write(master, answer, sizeof answer);
            }
        }
    });
    const uint8_t request[5] = {2, 1, 0xF0, 0, 0xF1};
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        [[maybe_unused]] ssize_t w = write(slave, request, sizeof request);
        size_t got = 0;
        uint8_t b[64];
        while (got < 9) {
            pollfd p{slave, POLLIN, 0};
            poll(&p, 1, 100);
            const ssize_t n = read(slave, b, sizeof b);
            if (n > 0)
                got += static_cast<size_t>(n);
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    stop = true;
    echo.join();
    close(slave);
    close(master);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["seconds_per_round_trip"] = total / static_cast<double>(state.iterations());
}

void BM_RawPtyRoundTrip(benchmark::State& state) {
    RawRoundTrips(state, {});
}
void BM_RawPtyWireTime(benchmark::State& state) {
    RawRoundTrips(state,
                  std::chrono::nanoseconds(static_cast<int64_t>((5 + 9) * 11.0 / 115200.0 * 1e9)));
}
BENCHMARK(BM_RawPtyWireTime)->Iterations(300)->UseRealTime();
BENCHMARK(BM_RawPtyRoundTrip)->MinTime(1.0)->UseRealTime();

void BM_ExchangesZeroDelay(benchmark::State& state) {
    Bench b(false, 0, 115200);
    for (auto _ : state) {
        if (!b.Identify())
            state.SkipWithError("exchange failed");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ExchangesZeroDelay)->MinTime(1.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

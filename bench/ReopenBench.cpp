// Opening a reader that was identified before, against the stand-in reader on a
// pseudo-terminal at 19200 baud with its wire-time model.
//
//  BM_OpenVariant0         baseline: a variant-0 reader, found with the first
//                          identification exchange (what any open costs at least).
//  BM_ReopenKnownVariant3  a variant-3 reader opened again in the same process: the
//                          remembered variant is tried first (goal <= 0.15 s per open).
//  BM_OpenUnknownVariant3  the same reader with nothing remembered: variant 0 twice and
//                          variants 1 and 2 time out before variant 3 answers.
// Counter seconds_per_open; bench/run prints the ratios to the baseline.
#include "engine/Vorex_SDKApp.h"
#include "sim/DeviceCommands.h"
#include "sim/PtyServer.h"
#include "sim/ReaderModel.h"
#include <vorex/vorex.h>

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>

namespace {

struct Reader {
    explicit Reader(int variant) : model(Config(variant)), server(model) {
        model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
        if (!server.Start())
            std::abort();
    }
    static vsim::ReaderConfig Config(int variant) {
        vsim::ReaderConfig c;
        c.variant = variant;
        c.baud = 19200;
        c.wireTime = true;
        return c;
    }
    vsim::ReaderModel model;
    vsim::PtyServer server;
};

// Opens and closes once; the seconds the open took.
double OpenOnce(const std::string& path, benchmark::State& state) {
    const auto start = std::chrono::steady_clock::now();
    const int handle = VOREX_OpenPort(path.c_str(), 19200, 500);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (handle <= 0)
        state.SkipWithError("open failed");
    else
        VOREX_ClosePort(handle);
    return seconds;
}

void Measure(benchmark::State& state, int variant, bool remembered) {
    Reader reader(variant);
    const std::string path = reader.server.SlavePath();
    VorexEngine().ForgetIdentifications();
    if (remembered)
        OpenOnce(path, state);
    double total = 0;
    for (auto _ : state) {
        if (!remembered)
            VorexEngine().ForgetIdentifications();
        total += OpenOnce(path, state);
    }
    state.counters["seconds_per_open"] = total / static_cast<double>(state.iterations());
}

void BM_OpenVariant0(benchmark::State& state) {
    Measure(state, 0, true);
}
BENCHMARK(BM_OpenVariant0)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReopenKnownVariant3(benchmark::State& state) {
    Measure(state, 3, true);
}
BENCHMARK(BM_ReopenKnownVariant3)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenUnknownVariant3(benchmark::State& state) {
    Measure(state, 3, false);
}
BENCHMARK(BM_OpenUnknownVariant3)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

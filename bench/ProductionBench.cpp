// Serial production against the stand-in reader and the record stores.
//
//  BM_NtagTagVsWire   NTAG213 tags with an NDEF URL carrying the serial, written,
//                     verified and locked by the production loop at 115200 8E1 against
//                     the stand-in conveyor with its wire-time model, recorded in an
//                     SQLite file. counters: ratio_to_wire = time per tag / summed
//                     wire time of its request and answer frames (11 bits a byte);
//                     store_share = part of the time spent in the record store;
//                     tags_per_hour.
//  BM_AllocationPg3   three stations (threads, a connection each) allocating and
//                     finishing serials on one PostgreSQL server the benchmark starts;
//                     counters: p99_ms, p50_ms of one allocation, allocations_per_s.
//  BM_AllocationSqlite1  one station on an SQLite file: the same counters (baseline).
// bench/run prints the ratio and the PostgreSQL rate against the SQLite one.
#include "production/Job.h"
#include "production/RecordStore.h"
#include "production/Station.h"
#include "sim/Conveyor.h"
#include "sim/PtyServer.h"
#include "sim/Scenario.h"
#include "tests/production/PgServer.h"
#include <vorex/vorex.h>

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <unistd.h>

namespace {

using namespace vorex::production;
using SteadyClock = std::chrono::steady_clock;

double Seconds(SteadyClock::time_point since) {
    return std::chrono::duration<double>(SteadyClock::now() - since).count();
}

// A store that adds up the time spent in it.
class TimedStore : public RecordStore {
public:
    explicit TimedStore(RecordStore& inner) : inner_(inner) {}
    double seconds = 0;

    void RegisterJob(const std::string& job, const SerialFormat& f) override {
        Time([&] { inner_.RegisterJob(job, f); });
    }
    Allocation Allocate(const std::string& job, const std::string& station,
                        const std::string& uid) override {
        Allocation a;
        Time([&] { a = inner_.Allocate(job, station, uid); });
        return a;
    }
    void Finish(int64_t id, Result r, const std::string& e, int64_t ms) override {
        Time([&] { inner_.Finish(id, r, e, ms); });
    }
    bool UidRecorded(const std::string& job, const std::string& uid) override {
        bool b = false;
        Time([&] { b = inner_.UidRecorded(job, uid); });
        return b;
    }
    std::vector<Record> Records(const std::string& job) override { return inner_.Records(job); }

private:
    template <typename F> void Time(F f) {
        const auto start = SteadyClock::now();
        f();
        seconds += Seconds(start);
    }
    RecordStore& inner_;
};

std::filesystem::path TempDir(const char* name) {
    auto dir = std::filesystem::temp_directory_path() /
               (std::string(name) + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void BM_NtagTagVsWire(benchmark::State& state) {
    constexpr int kTags = 50;
    const JobLoad load = ParseJob(R"({
      "name": "bench", "family": "ntag", "chips": ["NTAG213"],
      "serial": {"prefix": "VX-", "width": 6, "start": 1, "step": 1},
      "content": {"ndef": [{"type": "uri", "uri": "https://vorex.example/t/{serial}"}]},
      "lock_after_verify": true})");
    const auto dir = TempDir("vorex-production-bench");
    double wall = 0, wire = 0, store = 0;
    int64_t tags = 0;
    for (auto _ : state) {
        std::string error;
        auto model = vsim::LoadScenario({{"reader", {{"wire_time", true}, {"format", 1}}},
                                         {"conveyor", {{"family", "ntag213"}, {"count", kTags}}}},
                                        error);
        std::atomic<size_t> bytes{0};
        model->SetTrace([&](const char*, const vsim::Bytes& frame) { bytes += frame.size(); });
        vsim::PtyServer server(*model);
        if (!server.Start()) {
            state.SkipWithError("stand-in reader did not start");
            return;
        }
        const int handle = VOREX_OpenPort(server.SlavePath().c_str(), 115201, 1000);
        auto sqlite = OpenStore((dir / ("r" + std::to_string(tags) + ".sqlite")).string());
        TimedStore timed(*sqlite);
        StationOptions o;
        o.station = "bench";
        o.count = kTags;
        o.journalPath = (dir / "journal.json").string();
        o.pollMs = 1;
        Station station(handle, load.job, timed, o);
        bytes = 0;
        timed.seconds = 0;
        const auto start = SteadyClock::now();
        const RunSummary s = station.Run([&](const TagReport&) {
            auto lock = model->Lock();
            model->FindCommandSet<vsim::Conveyor>()->Next(*model);
        });
        wall += Seconds(start);
        wire += static_cast<double>(bytes) * 11.0 / 115200.0;
        store += timed.seconds;
        tags += s.passed;
        VOREX_ClosePort(handle);
        if (s.passed != kTags)
            state.SkipWithError(("run ended early: " + s.error).c_str());
    }
    state.counters["ratio_to_wire"] = wall / wire;
    state.counters["ratio_to_wire_without_store"] = (wall - store) / wire;
    state.counters["store_share"] = store / wall;
    state.counters["tags_per_hour"] = static_cast<double>(tags) / wall * 3600;
    std::filesystem::remove_all(dir);
}

// `stations` threads, each with its own store from `open`, allocate and finish
// serials; the latency of each allocation is kept.
void Allocations(benchmark::State& state, int stations,
                 const std::function<std::unique_ptr<RecordStore>()>& open) {
    constexpr int kPerStation = 300;
    std::vector<double> latencies;
    double wall = 0;
    int run = 0;
    for (auto _ : state) {
        const std::string job = "alloc" + std::to_string(run++);
        open()->RegisterJob(job, {"", 8, 1, 1});
        std::mutex mutex;
        const auto start = SteadyClock::now();
        std::vector<std::thread> threads;
        for (int s = 0; s < stations; ++s)
            threads.emplace_back([&, s] {
                auto store = open();
                std::vector<double> mine;
                for (int i = 0; i < kPerStation; ++i) {
                    const auto t0 = SteadyClock::now();
                    const Allocation a =
                        store->Allocate(job, "st" + std::to_string(s),
                                        "UID" + std::to_string(s) + "-" + std::to_string(i));
                    mine.push_back(Seconds(t0));
                    store->Finish(a.id, Result::Passed, "", 1);
                }
                std::lock_guard<std::mutex> lock(mutex);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
            });
        for (auto& t : threads)
            t.join();
        wall += Seconds(start);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<size_t>(q * static_cast<double>(latencies.size())))] *
               1000;
    };
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["allocations_per_s"] = static_cast<double>(latencies.size()) / wall;
}

void BM_AllocationPg3(benchmark::State& state) {
    vtest::PgServer server;
    if (!server.Error().empty()) {
        state.SkipWithError(("PostgreSQL: " + server.Error()).c_str());
        return;
    }
    const std::string url = server.NewDatabase();
    Allocations(state, 3, [&] { return OpenStore(url); });
}

void BM_AllocationSqlite1(benchmark::State& state) {
    const auto dir = TempDir("vorex-allocation-bench");
    Allocations(state, 1, [&] { return OpenStore((dir / "records.sqlite").string()); });
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_NtagTagVsWire)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AllocationPg3)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AllocationSqlite1)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

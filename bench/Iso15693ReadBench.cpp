// "Alles Lesen" of an ICODE SLIX2 (80 blocks of 4 bytes) through the ISO 15693
// workbench's own read path (inventory, memory size, 80 block reads, grid filled), at
// 115200 8E1 against the stand-in reader with its wire-time model, with the program's
// receive-wait hook installed.
//
//  BM_Iso15693ReadAll  (also without the hook, and the engine's block reads alone)
//                      counters: ratio_to_wire = time of one "Alles Lesen" / summed time
//                      its request and answer frames need on the wire (11 bits a byte);
//                      ui_cpu_share = CPU time of the UI thread / wall time during the
//                      read (the hook's event pumping must not spin).
// bench/run divides ratio_to_wire by the bare pseudo-terminal baseline of
// vorex_exchange_bench measured in the same run (goal: within 10 % of it).
//
//  BM_Iso15693ReadAllLargeTag / BM_Iso15693CliDumpLargeTag
//                      "Alles Lesen" of an ST M24LR64 (2048 blocks of 4 bytes) through
//                      the dialog's read path, and the read path of `vorexctl iso15693
//                      dump` (memory size, every block, the JSON dump) on the same
//                      stand-in tag at 115200 8E1 in the same run; counter
//                      ratio_to_user_wire = time / wire time of the 8192 user bytes.
//                      bench/run prints dialog / CLI (goal: <= 1.10).
#include "bench/OffscreenBench.h"
#include "cards/Iso15693Tag.h"
#include "sim/PtyServer.h"
#include "sim/ReaderModel.h"
#include "sim/Scenario.h"
#include "ui/ShellEnv.h"
#include "ui/WaitHook.h"
#include "workbench/iso15693/ISO15693Dlg.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <time.h>

namespace {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

enum class Path { Dialog, DialogNoHook, EngineOnly };

void ReadBench(benchmark::State& state, Path path) {
    const nlohmann::json scenario = {
        {"reader", {{"wire_time", true}, {"format", 1}}},
        {"iso15693",
         {{"tags", {{{"type", "nxp-icode-slix2"}, {"uid", "E0 04 01 08 8A 3C 21 95"}}}}}}};
    std::string error;
    auto model = vsim::LoadScenario(scenario, error);
    if (!model) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::atomic<size_t> frameBytes{0};
    model->SetTrace([&](const char*, const vsim::Bytes& frame) { frameBytes += frame.size(); });
    vsim::PtyServer server(*model);
    if (!server.Start()) {
        state.SkipWithError("stand-in reader did not start");
        return;
    }
    const int handle = VOREX_OpenPort(server.SlavePath().c_str(), 115201, 1000);
    if (handle <= 0) {
        state.SkipWithError("no connection");
        return;
    }
    std::optional<vorex::ui::CWaitHook> hook;
    if (path == Path::Dialog)
        hook.emplace();
    vbench::CSilentMessages messages;
    vorex::ui::ShellEnv env;
    env.messages = &messages;
    {
        vorex::wb::iso::CISO15693Dlg dialog(env);
        dialog.SetConnection(handle, false);
        dialog.show();
        // The start read, 50 ms after opening.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (dialog.StoredText().size() < 80 || dialog.StoredText().back().isEmpty()) {
            QApplication::processEvents();
            QThread::msleep(5);
            if (std::chrono::steady_clock::now() > until) {
                const QString status = dialog.Status().Current();
                state.SkipWithError(("start read did not finish: " + status.toStdString()).c_str());
                break;
            }
        }
        double wall = 0;
        double cpu = 0;
        size_t bytes = 0;
        const vorex::wb::iso::Uid uid =
            dialog.Tags().empty() ? vorex::wb::iso::Uid{} : dialog.Tags()[0];
        for (auto _ : state) {
            frameBytes = 0;
            if (path == Path::EngineOnly) {
                const double c1 = ThreadCpuSeconds();
                const auto s1 = std::chrono::steady_clock::now();
                for (int block = 0; block < 80; ++block) {
                    unsigned char data[5];
                    VOREX_Iso15693ReadBlock(handle, block, data, 5, uid.data(), 8, 0x41);
                }
                wall +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - s1).count();
                cpu += ThreadCpuSeconds() - c1;
                bytes += frameBytes;
                continue;
            }
            const double c0 = ThreadCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            dialog.OnReadAll();
            wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            cpu += ThreadCpuSeconds() - c0;
            bytes += frameBytes;
            if (dialog.TagCount() != 1 || dialog.StoredText().back().isEmpty())
                state.SkipWithError("read failed");
        }
        state.counters["ratio_to_wire"] = wall / (static_cast<double>(bytes) * 11.0 / 115200.0);
        state.counters["ui_cpu_share"] = cpu / wall;
    }
    VOREX_ClosePort(handle);
}
void BM_Iso15693ReadAll(benchmark::State& state) {
    ReadBench(state, Path::Dialog);
}
// The same without the receive-wait hook: what the hook's pumping costs.
void BM_Iso15693ReadAllNoHook(benchmark::State& state) {
    ReadBench(state, Path::DialogNoHook);
}
// The 80 VOREX_Iso15693ReadBlock calls alone, no dialog, no hook: the engine's part.
void BM_Iso15693EngineReads(benchmark::State& state) {
    ReadBench(state, Path::EngineOnly);
}
BENCHMARK(BM_Iso15693ReadAll)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Iso15693ReadAllNoHook)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Iso15693EngineReads)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// One stand-in reader at 115200 8E1 with its wire-time model and one ST M24LR64.
struct LargeTagReader {
    std::unique_ptr<vsim::ReaderModel> model;
    std::unique_ptr<vsim::PtyServer> server;
    int handle = 0;
    std::string error;

    LargeTagReader() {
        const nlohmann::json scenario = {
            {"reader", {{"wire_time", true}, {"format", 1}}},
            {"iso15693",
             {{"tags", {{{"type", "st-m24lr64"}, {"uid", "E0 02 2C 00 48 15 9E 07"}}}}}}};
        model = vsim::LoadScenario(scenario, error);
        if (!model)
            return;
        server = std::make_unique<vsim::PtyServer>(*model);
        if (!server->Start()) {
            error = "stand-in reader did not start";
            return;
        }
        handle = VOREX_OpenPort(server->SlavePath().c_str(), 115201, 1000);
        if (handle <= 0)
            error = "no connection";
    }
    ~LargeTagReader() {
        if (handle > 0)
            VOREX_ClosePort(handle);
    }
};

constexpr int kLargeBlocks = 2048;
constexpr double kLargeUserWire = kLargeBlocks * 4 * 11.0 / 115200.0;

void BM_Iso15693ReadAllLargeTag(benchmark::State& state) {
    LargeTagReader reader;
    if (reader.handle <= 0) {
        state.SkipWithError(reader.error.c_str());
        return;
    }
    vorex::ui::CWaitHook hook;
    vbench::CSilentMessages messages;
    vorex::ui::ShellEnv env;
    env.messages = &messages;
    env.waitHook = &hook;
    vorex::wb::iso::CISO15693Dlg dialog(env);
    dialog.SetConnection(reader.handle, false);
    dialog.show();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (dialog.StoredText().size() < kLargeBlocks || dialog.StoredText().back().isEmpty()) {
        QApplication::processEvents();
        QThread::msleep(5);
        if (std::chrono::steady_clock::now() > until) {
            state.SkipWithError("start read did not finish");
            return;
        }
    }
    double wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        dialog.OnReadAll();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (dialog.StoredText().size() != kLargeBlocks || dialog.StoredText().back().isEmpty())
            state.SkipWithError("read failed");
    }
    state.counters["seconds_per_read"] = wall / static_cast<double>(state.iterations());
    state.counters["ratio_to_user_wire"] =
        wall / static_cast<double>(state.iterations()) / kLargeUserWire;
}

// What `vorexctl iso15693 dump` does once the reader is open: memory size, every
// block through the card library, the JSON text.
void BM_Iso15693CliDumpLargeTag(benchmark::State& state) {
    namespace iso = vorex::cards::iso15693;
    LargeTagReader reader;
    if (reader.handle <= 0) {
        state.SkipWithError(reader.error.c_str());
        return;
    }
    iso::TagAddress tag{{0x07, 0x9E, 0x15, 0x48, 0x00, 0x2C, 0x02, 0xE0}, 0x01};
    double wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        iso::Layout layout;
        std::vector<iso::BlockRead> blocks;
        int failed = -1;
        if (!iso::GetLayout(reader.handle, tag, layout) ||
            !iso::ReadAllBlocks(reader.handle, tag, layout, blocks, failed))
            state.SkipWithError("dump failed");
        benchmark::DoNotOptimize(iso::DumpToJson("E0022C0048159E07", layout, blocks));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["seconds_per_read"] = wall / static_cast<double>(state.iterations());
    state.counters["ratio_to_user_wire"] =
        wall / static_cast<double>(state.iterations()) / kLargeUserWire;
}
BENCHMARK(BM_Iso15693ReadAllLargeTag)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Iso15693CliDumpLargeTag)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return vbench::RunOffscreenBenchmarks(argc, argv);
}

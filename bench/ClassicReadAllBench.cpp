// "Alle Sektoren lesen" of a MIFARE Classic 4K card through the Classic workbench
// (select, the card library's dump with one authentication per sector, the card kept
// and shown), against `vorexctl mifare dump` of the same card from the same stand-in
// reader in the same run, at 115200 8E1 with the stand-in's wire-time model and the
// program's receive-wait hook installed.
//
//  BM_ClassicReadAllVsVorexctl  counters (seconds of one read, medians of the runs):
//     dialog          the workbench's "Alle Sektoren lesen"
//     vorexctl_dump   the whole `vorexctl mifare dump --format json` run
//     vorexctl_open   a `vorexctl identify` run: process start, open, identification
//     ratio           dialog / (vorexctl_dump - vorexctl_open): the dialog against the
//                     command's own dump (goal <= 1.10)
#include "bench/OffscreenBench.h"
#include "sim/PtyServer.h"
#include "sim/ReaderModel.h"
#include "sim/Scenario.h"
#include "ui/ShellEnv.h"
#include "ui/WaitHook.h"
#include "workbench/iso14443/ClassicSector.h"
#include "workbench/iso14443/Mifare1KDlg.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <nlohmann/json.hpp>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One vorexctl run against the port; its wall time, or a negative value on failure.
double RunVorexctl(const QString& port, const QStringList& command) {
    QProcess process;
    const auto start = std::chrono::steady_clock::now();
    process.start(QStringLiteral(VOREXCTL),
                  QStringList{"--port", port, "--baud", "115201"} + command);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return -1;
    return Seconds(start);
}

void BM_ClassicReadAllVsVorexctl(benchmark::State& state) {
    const nlohmann::json scenario = {
        {"reader", {{"device_type", "125"}, {"baud", 115200}, {"format", 1}, {"wire_time", true}}},
        {"iso14443", {{"cards", {{{"type", "classic4k"}, {"uid", "04 01 02 03 04 05 06"}}}}}}};
    std::string error;
    auto model = vsim::LoadScenario(scenario, error);
    if (!model) {
        state.SkipWithError(error.c_str());
        return;
    }
    vsim::PtyServer server(*model);
    if (!server.Start()) {
        state.SkipWithError("stand-in reader did not start");
        return;
    }
    const QString port = QString::fromStdString(server.SlavePath());
    QTemporaryDir dir;
    const QString out = dir.filePath("card.json");
    vorex::ui::CWaitHook hook;
    vbench::CSilentMessages messages;
    vorex::ui::ShellEnv env;
    env.messages = &messages;
    env.waitHook = &hook;
    std::vector<double> dialogTimes, dumpTimes, openTimes;
    for (auto _ : state) {
        // The dialog, on a connection of its own that is closed before vorexctl opens.
        const int handle = VOREX_OpenPort(server.SlavePath().c_str(), 115201, 1000);
        if (handle <= 0) {
            state.SkipWithError("no connection");
            break;
        }
        {
            vorex::wb::mfc::CMifare1KDlg dialog(env, vorex::wb::mfc::kTemplate4K);
            dialog.SetConnection(handle, false);
            dialog.show();
            QApplication::processEvents();
            const auto start = std::chrono::steady_clock::now();
            dialog.OnReadAll();
            dialogTimes.push_back(Seconds(start));
            const auto& card = dialog.WholeCard();
            if (!card || card->interrupted || card->cancelled || !card->unreadable.empty())
                state.SkipWithError("the dialog did not read the whole card");
        }
        VOREX_ClosePort(handle);
        QFile::remove(out);
        const double dump = RunVorexctl(port, {"mifare", "dump", "--format", "json", "--out", out});
        const double open = RunVorexctl(port, {"identify"});
        if (dump < 0 || open < 0) {
            state.SkipWithError("vorexctl failed");
            break;
        }
        dumpTimes.push_back(dump);
        openTimes.push_back(open);
    }
    const double dialog = Median(dialogTimes);
    const double dump = Median(dumpTimes);
    const double open = Median(openTimes);
    state.counters["dialog"] = dialog;
    state.counters["vorexctl_dump"] = dump;
    state.counters["vorexctl_open"] = open;
    state.counters["ratio"] = dump > open ? dialog / (dump - open) : 0;
}
BENCHMARK(BM_ClassicReadAllVsVorexctl)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return vbench::RunOffscreenBenchmarks(argc, argv);
}

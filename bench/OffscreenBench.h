#pragma once
// What the Google Benchmarks of the Qt program's dialogs share: message boxes that
// never show (a question is answered No), and a main that runs the benchmarks in an
// offscreen application with a throw-away settings profile.
#include "bench/OffscreenApp.h"
#include "ui/ShellEnv.h"

#include <benchmark/benchmark.h>

namespace vbench {

class CSilentMessages : public vorex::ui::IMessages {
public:
    void Show(QWidget*, const QString&, Icon) override {}
    bool AskYesNo(QWidget*, const QString&, Icon) override { return false; }
};

inline int RunOffscreenBenchmarks(int argc, char** argv) {
    const COffscreenApp app(argc, argv, QStringLiteral("VorexProgrammerBench"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vbench

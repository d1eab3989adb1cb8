#pragma once
// What the benchmarks of the Qt program's dialogs share: message boxes that never
// show (a question is answered No), and a main that runs the Google Benchmarks in an
// offscreen QApplication with a throw-away settings profile.
#include "ui/ShellEnv.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace vbench {

class CSilentMessages : public vorex::ui::IMessages {
public:
    void Show(QWidget*, const QString&, Icon) override {}
    bool AskYesNo(QWidget*, const QString&, Icon) override { return false; }
};

inline int RunOffscreenBenchmarks(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Nvk Applikationen"));
    QCoreApplication::setApplicationName(QStringLiteral("VorexProgrammerBench"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vbench

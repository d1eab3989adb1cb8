// The Qt test program: `vorex_qt_tests CLASS [Qt Test options]` runs one registered test
// class on the offscreen platform, with the settings in a temporary XDG_CONFIG_HOME.
#include "tests/shell/qt/QtTestEnv.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::map<std::string, vtest::QtTestFactory>& Registry() {
    static std::map<std::string, vtest::QtTestFactory> classes;
    return classes;
}

} // namespace

bool vtest::RegisterQtTest(const char* name, QtTestFactory make) {
    return Registry().emplace(name, make).second;
}

int main(int argc, char** argv) {
    const auto found = argc > 1 ? Registry().find(argv[1]) : Registry().end();
    if (found == Registry().end()) {
        std::fprintf(stderr, "usage: %s CLASS [Qt Test options]\nclasses:", argv[0]);
        for (const auto& entry : Registry())
            std::fprintf(stderr, " %s", entry.first.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    // Whatever a test does, LAN datagrams stay on loopback.
    qputenv("VOREX_LAN_ADAPTERS", "127.0.0.1/8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt Test sees the program name and the options after the class name.
    std::vector<char*> args{argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());
    QCoreApplication::setOrganizationName(QStringLiteral("Nvk Applikationen"));
    QCoreApplication::setApplicationName(QStringLiteral("VorexProgrammer"));
    const auto test = found->second();
    return QTest::qExec(test.get(), count, args.data());
}

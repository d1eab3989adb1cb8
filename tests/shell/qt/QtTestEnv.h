#pragma once
// Shared pieces of the Qt tests: the registration of a test class, and a message sink
// that records instead of showing boxes.
#include "ui/ShellEnv.h"

#include <QApplication>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <functional>
#include <memory>

namespace vtest {

class RecordingMessages : public vorex::ui::IMessages {
public:
    void Show(QWidget*, const QString& text, Icon) override { shown << text; }
    bool AskYesNo(QWidget*, const QString& text, Icon) override {
        asked << text;
        return yes;
    }
    bool AskRetryCancel(QWidget*, const QString& text, const QString& caption) override {
        asked << caption + ": " + text;
        return retries-- > 0;
    }
    QStringList shown;
    QStringList asked;
    bool yes = false;
    int retries = 0; // "Retry" this many times, then "Cancel"
};

// An environment without real devices, boxes or document viewers.
struct ShellRig {
    RecordingMessages messages;
    vorex::ui::ShellEnv env;
    QStringList opened;
    ShellRig() {
        env.messages = &messages;
        env.listComPorts = [] { return std::vector<std::string>{}; };
        env.translationDirs = {QStringLiteral(VOREX_BINARY_DIR "/shell")};
        env.manualDirs = {QStringLiteral("/nonexistent-vorex-manual")};
        env.openDocument = [this](const QString& path) {
            opened << path;
            return 42;
        };
        env.watchDevices = false;
        // No LAN searches or probes unless a test asks for them.
        env.listLan = [] { return std::vector<std::string>{}; };
        env.testLan = [](const std::string&) { return false; };
        env.listUsb = [] { return std::vector<std::string>{}; };
        env.checkUsbDrivers = [] { return 0; };
        env.openUrl = [this](const QUrl& url) {
            opened << url.toString();
            return true;
        };
        env.FillDefaults();
    }
};

// Runs `act` on the next modal dialog that opens other than `besides` (polling, since
// exec blocks).
inline void OnNextModal(QWidget* besides, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, besides, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == besides)
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start(20);
}

} // namespace vtest

// The Qt tests are one program; each test class registers itself under its name and the
// program runs the class its first argument names (tests/support/QtTestMain.cpp), one
// class per process with its own settings folder.
namespace vtest {
using QtTestFactory = std::unique_ptr<QObject> (*)();
bool RegisterQtTest(const char* name, QtTestFactory make);
} // namespace vtest

#define VOREX_QTEST_REGISTER(TestClass)                                                            \
    [[maybe_unused]] static const bool registered##TestClass = vtest::RegisterQtTest(              \
        #TestClass, []() -> std::unique_ptr<QObject> { return std::make_unique<TestClass>(); });

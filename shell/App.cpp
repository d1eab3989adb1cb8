#include "shell/App.h"

#include "shell/DemoReader.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "shell/Screenshots.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include "update/UpdateService.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <cstdio>

namespace vorex::shell {

void ShowThenIdentify(CMainFrame& frame) {
    // The reader is looked for once the window is on the screen, with the progress in
    // the status bar and a cancel button.
    frame.show();
    frame.repaint();
    QTimer::singleShot(0, frame.View(), &CProgrammerView::OnInitialUpdate);
}

void SetProgramIcon() {
    // The installed icon theme's picture of the program, else the built-in logo.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QGuiApplication::desktopFileName(), QIcon(QStringLiteral(":/vorex/images/tb_57664.png"))));
}

void StartUpdateChecks(vorex::update::CUpdateService& updates) {
    // Nothing is fetched unless automatic checking is on; otherwise the about box asks
    // the server when the operator opens it.
    if (ui::ProfileInt("Version", "Update", 1) == 0)
        return;
    updates.StartReader();
    updates.StartProgram(true);
}

int RunProgram(int argc, char** argv) {
    bool demo = false;
    QString shots;
    {
        // The command line is read before the desktop is contacted, so that --help and
        // --version work without a display.
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(VOREX_PROGRAM_VERSION));
        QCommandLineParser parser;
        parser.setApplicationDescription(
            QStringLiteral("Programming station for Vorex RFID readers."));
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption demoOption(
            QStringLiteral("demo"), QStringLiteral("Run against the built-in stand-in reader."));
        const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                            QStringLiteral("Write screenshots into DIR and exit."),
                                            QStringLiteral("DIR"));
        parser.addOption(demoOption);
        parser.addOption(shotOption);
        parser.process(commandLine);
        demo = parser.isSet(demoOption);
        shots = parser.value(shotOption);
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VOREX_PROGRAM_VERSION));
    SetProgramIcon();

    // The profile: company key and profile name; the demo keeps its own profile so the
    // user's saved interface stays untouched.
    QCoreApplication::setOrganizationName(QStringLiteral("Nvk Applikationen"));
    QCoreApplication::setApplicationName(demo ? QStringLiteral("VorexProgrammerDemo")
                                              : QStringLiteral("VorexProgrammer"));

    ui::CMessageBoxes boxes;
    CLoggedMessages logged;
    ui::ShellEnv env;
    env.messages = shots.isEmpty() ? static_cast<ui::IMessages*>(&boxes) : &logged;
    env.FillDefaults();

    CDemoReader demoReader;
    if (demo) {
        QString error;
        if (!demoReader.Start(error)) {
            std::fprintf(stderr, "vorex-programmer: cannot start the demo reader: %s\n",
                         error.toUtf8().constData());
            return 1;
        }
        ui::WriteProfileString("Port", "Name", demoReader.Path());
        ui::WriteProfileInt("Port", "Baudrate", demoReader.BaudCode());
        ui::WriteProfileInt("Port", "Adresse", demoReader.Address());
        const std::string pty = demoReader.Path().toStdString();
        const ui::NameLister system = env.listComPorts;
        env.listComPorts = [system, pty] {
            std::vector<std::string> names{pty};
            for (const std::string& n : system())
                names.push_back(n);
            return names;
        };
        env.captionNote = QStringLiteral(" [Demo]");
        // Each workbench opens with a card or tags it works with in the field.
        env.workbenchOpening = [&demoReader](int command) { demoReader.FitFieldFor(command); };
    }

    ui::CWaitHook waitHook;
    env.waitHook = &waitHook;
    // The demo stays off the network unless an update server is named.
    vorex::update::UpdateSettings updateSettings;
    if (demo && qEnvironmentVariableIsEmpty("VOREX_UPDATE_URL"))
        updateSettings.baseUrl.clear();
    vorex::update::CUpdateService updates(updateSettings);
    env.updates = &updates;
    env.reportReader = [&updates](const QString& firmwareCode, const QString& model) {
        updates.DeviceIdentified(firmwareCode, model, ui::ProfileInt("Version", "Update", 1) != 0);
    };
    CMainFrame frame(env);
    // A newer program or reader firmware opens the about box once the main loop runs.
    for (auto signal : {&vorex::update::CUpdateService::programUpdateOffered,
                        &vorex::update::CUpdateService::readerUpdateOffered})
        QObject::connect(&updates, signal, &frame, &CMainFrame::OpenAboutBox, Qt::QueuedConnection);
    if (demo) {
        frame.SetDemoReader(&demoReader);
        frame.SetStatusNote(QT_TRANSLATE_NOOP("Vorex", "Demo: Simulierter Leser an %1"),
                            demoReader.Path());
    }
    ShowThenIdentify(frame);
    StartUpdateChecks(updates);
    if (!shots.isEmpty()) {
        QApplication::processEvents(); // the queued identification
        return TakeScreenshots(frame, env, demoReader, shots);
    }
    return app.exec();
}

} // namespace vorex::shell

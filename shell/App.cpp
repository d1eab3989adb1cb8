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
#include <QTimer>
#include <cstdio>

namespace vorex::ui {

void ShowThenIdentify(CMainFrame& frame) {
    // The reader is looked for once the window is on the screen, with the progress in
    // the status bar and a cancel button.
    frame.show();
    frame.repaint();
    QTimer::singleShot(0, frame.View(), &CProgrammerView::OnInitialUpdate);
}

int RunProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption demoOption(
        QStringLiteral("demo"), QStringLiteral("Run against the built-in stand-in reader."));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Write screenshots into DIR and exit."),
                                        QStringLiteral("DIR"));
    parser.addOption(demoOption);
    parser.addOption(shotOption);
    parser.process(app);
    const bool demo = parser.isSet(demoOption);
    const QString shots = parser.value(shotOption);

    // The profile: company key and profile name; the demo keeps its own profile so the
    // user's saved interface stays untouched.
    QCoreApplication::setOrganizationName(QStringLiteral("Nvk Applikationen"));
    QCoreApplication::setApplicationName(demo ? QStringLiteral("VorexProgrammerDemo")
                                              : QStringLiteral("VorexProgrammer"));

    CMessageBoxes boxes;
    CLoggedMessages logged;
    ShellEnv env;
    env.messages = shots.isEmpty() ? static_cast<IMessages*>(&boxes) : &logged;
    env.FillDefaults();

    CDemoReader demoReader;
    if (demo) {
        QString error;
        if (!demoReader.Start(error)) {
            std::fprintf(stderr, "vorex-programmer: cannot start the demo reader: %s\n",
                         error.toUtf8().constData());
            return 1;
        }
        WriteProfileString("Port", "Name", demoReader.Path());
        WriteProfileInt("Port", "Baudrate", demoReader.BaudCode());
        WriteProfileInt("Port", "Adresse", demoReader.Address());
        const std::string pty = demoReader.Path().toStdString();
        const NameLister system = env.listComPorts;
        env.listComPorts = [system, pty] {
            std::vector<std::string> names{pty};
            for (const std::string& n : system())
                names.push_back(n);
            return names;
        };
        env.captionNote = QStringLiteral(" [Demo]");
    }

    CWaitHook waitHook;
    env.waitHook = &waitHook;
    // The reader version file is fetched in the background from the start.
    // The demo stays off the network unless an update server is named.
    vorex::update::UpdateSettings updateSettings;
    if (demo && qEnvironmentVariableIsEmpty("VOREX_UPDATE_URL"))
        updateSettings.baseUrl.clear();
    vorex::update::CUpdateService updates(updateSettings);
    updates.StartReader();
    env.updates = &updates;
    env.reportReader = [&updates](const QString& firmwareCode, const QString& model) {
        updates.DeviceIdentified(firmwareCode, model, ProfileInt("Version", "Update", 1) != 0);
    };
    CMainFrame frame(env);
    // A newer program or reader firmware opens the about box once the main loop runs.
    for (auto signal : {&vorex::update::CUpdateService::programUpdateOffered,
                        &vorex::update::CUpdateService::readerUpdateOffered})
        QObject::connect(&updates, signal, &frame, &CMainFrame::OpenAboutBox, Qt::QueuedConnection);
    if (demo)
        frame.SetStatusNote(QT_TRANSLATE_NOOP("Vorex", "Demo: Simulierter Leser an %1"),
                            demoReader.Path());
    ShowThenIdentify(frame);
    if (ProfileInt("Version", "Update", 1) != 0)
        updates.StartProgram(true);
    if (!shots.isEmpty()) {
        QApplication::processEvents(); // the queued identification
        return TakeScreenshots(frame, env, demoReader, shots);
    }
    return app.exec();
}

} // namespace vorex::ui

// The main window and view against the stand-in reader on a pseudo-terminal.
#include "engine/DeviceTable.h"
#include "engine/Vorex_SDKApp.h"
#include "engine/links/serial/ComPortList.h"
#include "resources/strings/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/PortDlg.h"
#include "shell/ProgrammerView.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include <vorex/vorex.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <algorithm>
#include <functional>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace view_test {

using namespace vorex::ui;
using namespace vorex::shell;

namespace {

std::unique_ptr<vtest::SimReader> Reader(const char* type, char revision, uint32_t baud = 0) {
    vsim::ReaderConfig config;
    config.deviceType = type;
    config.revision = revision;
    config.baud = baud;
    return std::make_unique<vtest::SimReader>(config);
}

// Answers come within microseconds; the timeout only has to ride out a loaded machine.
void SaveInterface(const QString& name, int baud = 19200, int timeout = 150) {
    WriteProfileString("Port", "Name", name);
    WriteProfileInt("Port", "Baudrate", baud);
    WriteProfileInt("Port", "Timeout", timeout);
}

void SaveInterface(vtest::SimReader& sim, int baud = 19200, int timeout = 150) {
    SaveInterface(QString::fromStdString(sim.Path()), baud, timeout);
}

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

// Answers the yes/no questions in turn (No once the list is used up).
class ScriptedAnswers : public vtest::RecordingMessages {
public:
    explicit ScriptedAnswers(QList<bool> answers) : answers_(std::move(answers)) {}
    bool AskYesNo(QWidget*, const QString& text, Icon) override {
        asked << text;
        return !answers_.isEmpty() && answers_.takeFirst();
    }

private:
    QList<bool> answers_;
};

bool SentCommand(vtest::SimReader& sim, uint8_t command) {
    const auto requests = sim.Model().Requests();
    return std::any_of(requests.begin(), requests.end(),
                       [command](const vsim::Request& r) { return r.command == command; });
}

// Runs `action` and, once its modal dialog is up, `inDialog` on it.
void WithModalDialog(const std::function<void()>& action,
                     const std::function<void(QWidget*)>& inDialog) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        seen = true;
        inDialog(dialog);
    });
    action();
    QVERIFY(seen);
}

constexpr int kReaderCommands[] = {40001, 40004, 40002, 40003, 40005, 40006, 40007};

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void menuEnablingByDevice_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("revision");
        // enabled: 40001 40004 40002 40003 40005 40006 40007
        QTest::addColumn<QString>("enabled");
        QTest::newRow("0x125") << "125"
                               << "5"
                               << "1000000";
        QTest::newRow("0x124") << "124"
                               << "5"
                               << "0000000";
        QTest::newRow("0x161 fw 18") << "161"
                                     << "I"
                                     << "1111000";
        QTest::newRow("0x161 fw 19") << "161"
                                     << "J"
                                     << "1111100";
        QTest::newRow("0x425 fw 3") << "425"
                                    << "3"
                                    << "1000000";
        QTest::newRow("0x425 fw 4") << "425"
                                    << "4"
                                    << "1000010";
        QTest::newRow("0x414") << "414"
                               << "9"
                               << "0000000";
        QTest::newRow("0x411 fw 1") << "411"
                                    << "1"
                                    << "1111111";
    }

    void menuEnablingByDevice() {
        QFETCH(QString, type);
        QFETCH(QString, revision);
        QFETCH(QString, enabled);
        auto sim = Reader(type.toLatin1().constData(), revision.at(0).toLatin1());
        SaveInterface(*sim);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), type.toInt(nullptr, 16));
        for (size_t i = 0; i < std::size(kReaderCommands); ++i)
            QVERIFY2(frame.Action(kReaderCommands[i])->isEnabled() == (enabled.at(int(i)) == '1'),
                     qPrintable(QString::number(kReaderCommands[i])));
        for (int always : {32778, 32780, 32781, 32782, 57665, 57664})
            QVERIFY(frame.Action(always)->isEnabled());
        QVERIFY(!frame.Action(32864)->isEnabled());
        const bool programmer = (type.toInt(nullptr, 16) & 1) != 0;
        QCOMPARE(rig.messages.shown, programmer ? QStringList{} : QStringList{Ger(226)});
    }

    void noReaderDisablesEverything() {
        // A saved USB entry without USB readers leaves no entry: no connection, no message.
        WriteProfileString("Port", "Name", "USB: gone");
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0);
        for (int id : kReaderCommands)
            QVERIFY(!frame.Action(id)->isEnabled());
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(frame.windowTitle(), QString("Vorex Programmer"));
    }

    void captionAfterIdentification() {
        auto sim = Reader("125", '5');
        SaveInterface(*sim);
        vtest::ShellRig rig;
        QStringList reported;
        rig.env.reportReader = [&](const QString& firmware, const QString& model) {
            reported << firmware << model;
        };
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        // An update-checked type is reported to the update check with code and model.
        QCOMPARE(reported, (QStringList{"1255", QString::fromStdString(vorex::DeviceName(0x125))}));
        const QString expected = QString("Vorex Programmer V%1 <%2 %3:1  FW V1.05>")
                                     .arg(CProgrammerView::CaptionVersion(),
                                          QString::fromStdString(vorex::DeviceName(0x125)),
                                          QString::fromStdString(sim->Path()));
        QCOMPARE(frame.windowTitle(), expected);
        QCOMPARE(frame.View()->BaseCaption(), QString("Vorex Programmer"));
    }

    void baudSearchFindsAndSavesTheRate() {
        auto sim = Reader("125", '5', 57600);
        SaveInterface(*sim, 19200);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        QCOMPARE(ProfileInt("Port", "Baudrate", 0), 57600);
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void baudSearchFromAFormatCode() {
        // 19201 retries 19200 first, then the cycle up and round to 9600.
        auto sim = Reader("125", '5', 9600);
        SaveInterface(*sim, 19201);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        QCOMPARE(ProfileInt("Port", "Baudrate", 0), 9600);
    }

    void interfaceChangeSetsTheReadersBaudRate() {
        auto sim = Reader("125", '5', 19200);
        SaveInterface(*sim, 57600); // the dialog has just saved 57600
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->ReconnectAfterInterface(19200);
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        QCOMPARE(ProfileInt("Port", "Baudrate", 0), 57600);
        auto lock = sim->Model().Lock();
        QCOMPARE(sim->Model().Config().baud, 57600u);
    }

    void interfaceBaudChangeRefused() {
        // The reader refuses a serial format it does not know (code 4).
        auto sim = Reader("125", '5', 19200);
        SaveInterface(*sim, 38404);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->ReconnectAfterInterface(19200);
        QCOMPARE(rig.messages.shown, QStringList{Ger(10047)});
        const auto requests = sim->Model().Requests();
        QVERIFY(std::any_of(requests.begin(), requests.end(),
                            [](const vsim::Request& r) { return r.command == 0xF2; }));
        QCOMPARE(ProfileInt("Port", "Baudrate", 0), 19200);
        QCOMPARE(frame.View()->DeviceType(), 0x125);
    }

    void interfaceFailureMessages() {
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        SaveInterface("/dev/nonexistent-vorex-port");
        frame.View()->OnInitialUpdate();
        // Nobody asked for the opening identification: the status bar says it, no box.
        QVERIFY(rig.messages.shown.isEmpty());
        // The port as the operator chose it, without the default bus address.
        const QString busy = Format(Ger(10012), QString("/dev/nonexistent-vorex-port"));
        QCOMPARE(frame.statusBar()->currentMessage(), busy);
        frame.View()->ReconnectAfterInterface(19200);
        QCOMPARE(rig.messages.shown, QStringList{busy});

        auto silent = Reader("125", '5', 1200); // answers at no rate of the search
        SaveInterface(*silent, 19200, 20);
        rig.messages.shown.clear();
        frame.View()->ReconnectAfterInterface(19200);
        const QString port = QString::fromStdString(silent->Path());
        QCOMPARE(rig.messages.shown, QStringList{Ger(10023) + "\n\n" +
                                                 Ger(12006).arg(port).arg(20) + "\n" + Ger(12005)});
        QCOMPARE(frame.View()->DeviceType(), 0);
        QCOMPARE(frame.windowTitle(), QString("Vorex Programmer"));
    }

    void readerThatStopsAnsweringIsReported() {
        auto sim = Reader("125", '5');
        SaveInterface(*sim);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        WriteProfileInt("Port", "Timeout", 20); // keeps the search through all rates short
        QVERIFY(frame.statusBar()->currentMessage().contains(QString::fromStdString(sim->Path())));
        sim->Model().InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
        frame.View()->OnWorkbench(40001);
        const QString port = QString::fromStdString(sim->Path());
        const QString why = Ger(12006).arg(port).arg(20) + "\n" + Ger(12005);
        QCOMPARE(rig.messages.shown, QStringList{why});
        QCOMPARE(frame.statusBar()->currentMessage(), QString(why).replace('\n', ' '));
        QVERIFY(!frame.Action(40001)->isEnabled());
    }

    void variant3ReaderOpenedTwiceSendsOnlyVariant3Frames() {
        VorexEngine().ForgetIdentifications(); // the pseudo-terminal name may be reused
        vsim::ReaderConfig config;
        config.deviceType = "117";
        config.revision = '3';
        config.variant = 3;
        vtest::SimReader sim(config);
        SaveInterface(sim);
        vtest::ShellRig rig;
        // Only the frames of the open count here, not the workbench's own.
        rig.env.runWorkbench = [](int, int, int, int) {};
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x117);
        sim.Model().ClearRequests();
        frame.View()->OnWorkbench(40001);
        QCOMPARE(frame.View()->DeviceType(), 0x117);
        // The open's one identification and the view's version query, both variant 3.
        QCOMPARE(sim.Model().RawReceived(), vtest::Hex("1E 60 00  1E 60 00"));
    }

    void freshProfileFindsTheUsbReaderWithoutProbingTheBoardPort() {
        // sysfs lists an on-board ttyS0 and a USB serial ttyUSB0; both device nodes are
        // links to stand-in readers, so that a probe of either would show.
        auto board = Reader("125", '5');
        auto usb = Reader("145", '5');
        vtest::SysfsTree sysfs;
        sysfs.Tty("ttyS0", "/devices/platform/serial8250/tty/ttyS0", "4");
        sysfs.Usb("ttyUSB0", "1-1", "0403", "6001", "FT232R USB UART");
        const std::string dev = sysfs.DevDir({{"ttyS0", board->Path()}, {"ttyUSB0", usb->Path()}});
        vtest::ShellRig rig;
        rig.env.listComPorts = [&] {
            std::vector<std::string> list;
            vorex::links::ListComPortsFromSysfs(sysfs.Root(), dev, list);
            return list;
        };
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x145);
        QCOMPARE(ProfileString("Port", "Name"), QString::fromStdString(dev + "/ttyUSB0"));
        QVERIFY(board->Model().RawReceived().empty());
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void freshProfileWithoutReaderShowsTheWindowAndAHint() {
        auto board = Reader("125", '5');
        vtest::SysfsTree sysfs;
        sysfs.Tty("ttyS0", "/devices/platform/serial8250/tty/ttyS0", "4");
        const std::string dev = sysfs.DevDir({{"ttyS0", board->Path()}});
        vtest::ShellRig rig;
        rig.env.listComPorts = [&] {
            std::vector<std::string> list;
            vorex::links::ListComPortsFromSysfs(sysfs.Root(), dev, list);
            return list;
        };
        CMainFrame frame(rig.env);
        frame.show();
        frame.View()->OnInitialUpdate();
        QVERIFY(frame.isVisible());
        QCOMPARE(frame.statusBar()->currentMessage(), Ger(12002));
        QVERIFY(board->Model().RawReceived().empty());
        QVERIFY(!QSettings().contains("Port/Name"));
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(frame.View()->DeviceType(), 0);
    }

    void typedDevicePathIsSavedAndUsed() {
        auto sim = Reader("125", '5');
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        CPortDlg dialog(rig.env, &frame);
        dialog.InitDialog();
        auto* path = dialog.findChild<QLineEdit*>("DevicePath");
        path->clear();
        QTest::keyClicks(path, QString::fromStdString(sim->Path()));
        dialog.findChild<QLineEdit*>("Timeout")->setText("150");
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        frame.View()->ReconnectAfterInterface(19200);
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        QVERIFY(rig.messages.shown.isEmpty());
        QVERIFY(frame.windowTitle().contains(QString::fromStdString(sim->Path()) + ":1"));
    }

    void searchCanBeCancelled() {
        auto sim = Reader("125", '5');
        sim->Model().InjectFault({.kind = vsim::Fault::Kind::NoAnswer, .times = -1});
        SaveInterface(*sim, 19200, 2000);
        vtest::ShellRig rig;
        CWaitHook hook;
        rig.env.waitHook = &hook;
        CMainFrame frame(rig.env);
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto* cancel = frame.findChild<QToolButton*>("CancelSearch");
        QVERIFY(cancel && cancel->isHidden());
        bool usable = false, menusOff = false;
        QString progress;
        QTimer::singleShot(100, [&] {
            usable = cancel->isVisible() && cancel->isEnabled() && frame.isEnabled() &&
                     frame.findChild<QProgressBar*>("SearchProgress")->isVisible();
            menusOff = !frame.menuBar()->isEnabled() && !frame.Action(57670)->isEnabled() &&
                       QApplication::overrideCursor()->shape() == Qt::BusyCursor;
            progress = frame.statusBar()->currentMessage();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        frame.View()->OnWorkbench(40001);
        QVERIFY(usable);
        QVERIFY(menusOff);
        QCOMPARE(progress, Ger(12000).arg(QString::fromStdString(sim->Path())).arg(19200));
        // One identification frame went out; the cancel ended it and the search.
        QCOMPARE(sim->Model().RawReceived(), vtest::Hex("02 01 F0 00 F1"));
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(frame.statusBar()->currentMessage(), Ger(12008));
        QVERIFY(cancel->isHidden());
        QVERIFY(frame.menuBar()->isEnabled());
        QVERIFY(frame.Action(57670)->isEnabled());
        QCOMPARE(hook.Depth(), 0);
    }

    void transmitPowerReadsAndWritesTheSettingsBlock() {
        auto sim = Reader("411", '1');
        {
            auto lock = sim->Model().Lock();
            sim->Model().Config().settings = {0x01, 0x02, 0x80}; // ISO 15693 full, 14443 half
        }
        SaveInterface(*sim);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        frame.View()->OnInitialUpdate();
        WithModalDialog([&] { frame.View()->OnTransmitPower(); },
                        [&](QWidget* dialog) {
                            QCOMPARE(dialog->objectName(), QString("418"));
                            const auto radio = [&](const char* id) {
                                return dialog->findChild<QAbstractButton*>(id);
                            };
                            QVERIFY(radio("1065")->isChecked());
                            QVERIFY(radio("1068")->isChecked());
                            radio("1066")->click(); // both half
                            dialog->findChild<QPushButton*>("1")->click();
                        });
        QCOMPARE(rig.messages.shown, QStringList{Ger(10137)});
        {
            auto lock = sim->Model().Lock();
            QCOMPARE(sim->Model().Config().settings, vtest::Hex("03 03 80"));
        }

        // A block longer than the dialog's three bytes is not understood: said, full/full.
        {
            auto lock = sim->Model().Lock();
            sim->Model().Config().settings = {0x01, 0x03, 0x80, 0x00};
        }
        rig.messages.shown.clear();
        WithModalDialog([&] { frame.View()->OnTransmitPower(); },
                        [&](QWidget* dialog) {
                            QVERIFY(dialog->findChild<QAbstractButton*>("1065")->isChecked());
                            QVERIFY(dialog->findChild<QAbstractButton*>("1067")->isChecked());
                            dialog->findChild<QPushButton*>("2")->click();
                        });
        QCOMPARE(rig.messages.shown, QStringList{Ger(10136)});
    }

    void factoryResetNeedsTwoYes() {
        const struct {
            QList<bool> answers;
            int questions;
            bool sent;
        } cases[] = {{{false}, 1, false}, {{true, false}, 2, false}, {{true, true}, 2, true}};
        for (const auto& c : cases) {
            auto sim = Reader("431", '1');
            SaveInterface(*sim);
            vtest::ShellRig rig;
            ScriptedAnswers answers(c.answers);
            rig.env.messages = &answers;
            CMainFrame frame(rig.env);
            frame.View()->OnInitialUpdate();
            frame.View()->OnFactoryReset();
            QCOMPARE(answers.asked.size(), c.questions);
            QCOMPARE(answers.asked.first(), Ger(10139));
            QCOMPARE(SentCommand(*sim, 0xFB), c.sent);
            QCOMPARE(answers.shown, c.sent ? QStringList{Ger(10142)} : QStringList{});
        }
    }

    void workbenchCommandsOpenTestAndClose() {
        auto sim = Reader("125", '5');
        SaveInterface(*sim);
        vtest::ShellRig rig;
        QList<int> run;
        int lastHandle = 0;
        rig.env.runWorkbench = [&](int command, int handle, int type, int) {
            run << command;
            lastHandle = handle;
            QCOMPARE(type, 0x125);
            unsigned char id[4];
            QCOMPARE(VOREX_GetVersion(handle, id, 4), 4); // open while the workbench runs
        };
        CMainFrame frame(rig.env);
        frame.View()->OnWorkbench(40001);
        frame.View()->OnWorkbench(40002); // not a MIFARE programmer: ends after the test
        QCOMPARE(run, QList<int>{40001});
        QVERIFY(lastHandle > 0);
        QCOMPARE(VOREX_ClosePort(lastHandle), -1); // closed by the command
    }

    void waitHookDisablesTheWindowDuringAnExchange() {
        auto sim = Reader("125", '5');
        vsim::Fault slow;
        slow.kind = vsim::Fault::Kind::Delay;
        // Long enough that the probe 100 ms in falls inside the wait on a busy machine.
        slow.ms = 1500;
        slow.command = 0xF0;
        slow.skip = 1; // the open identifies at once; the identification that follows waits
        slow.times = 1;
        sim->Model().InjectFault(slow);
        SaveInterface(*sim, 19200, 2000);
        vtest::ShellRig rig;
        CWaitHook hook;
        CMainFrame frame(rig.env);
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        bool enabledDuring = true;
        bool waitCursor = false;
        QTimer::singleShot(100, [&] {
            enabledDuring = frame.isEnabled();
            waitCursor = QApplication::overrideCursor() &&
                         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        QVERIFY(!enabledDuring);
        QVERIFY(waitCursor);
        QVERIFY(frame.isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(hook.Depth(), 0);
    }

    // A short wait holds input off without greying the window (no repaint per
    // exchange); a long one shows it disabled; afterwards input reaches it again.
    void waitHookSwallowsInputAndGreysOnlyLongWaits() {
        auto sim = Reader("125", '5');
        CWaitHook hook;
        QWidget window;
        auto* button = new QPushButton("x", &window);
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const int handle = VOREX_OpenPort(sim->Path().c_str(), 19200, 2000);
        QVERIFY(handle > 0);
        vsim::Fault slow;
        slow.kind = vsim::Fault::Kind::Delay;
        slow.ms = 400;
        slow.command = 0xF0;
        slow.times = 1;
        sim->Model().InjectFault(slow);
        bool enabledEarly = false, enabledLate = true;
        QTimer::singleShot(0, [&] {
            enabledEarly = window.isEnabled();
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::keyClick(button, Qt::Key_Space);
        });
        QTimer::singleShot(CWaitHook::kShowDisabledAfterMs + 100,
                           [&] { enabledLate = window.isEnabled(); });
        unsigned char version[16];
        QVERIFY(VOREX_GetVersion(handle, version, sizeof version) > 0);
        QVERIFY(enabledEarly);
        QVERIFY(!enabledLate);
        QCOMPARE(clicks, 0);
        QVERIFY(window.isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        VOREX_ClosePort(handle);
    }

    void languageSetting_data() {
        QTest::addColumn<int>("sprache");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("firstMenu");
        QTest::newRow("0 German") << 0 << 0 << "TransponderTyp";
        QTest::newRow("1 English") << 1 << 1 << "Transponder type";
        QTest::newRow("2 German") << 2 << 0 << "TransponderTyp";
    }

    void languageSetting() {
        QFETCH(int, sprache);
        QFETCH(int, language);
        QFETCH(QString, firstMenu);
        WriteProfileInt("Settings", "Sprache", sprache);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        QCOMPARE(frame.Language(), language);
        QCOMPARE(frame.menuBar()->actions().at(0)->text(), firstMenu);
        QCOMPARE(frame.Action(32781)->isChecked(), language == 0);
        QCOMPARE(frame.Action(32782)->isChecked(), language == 1);
        QVERIFY(rig.messages.shown.isEmpty());
        frame.close();
        QCOMPARE(ProfileInt("Settings", "Sprache", -1), language);
        QCOMPARE(frame.Language(), 0); // released on close
    }

    void englishSwitchChangesTexts() {
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        QCOMPARE(frame.Action(40006)->text(), QString("Sendeleistung"));
        QCOMPARE(frame.Action(40006)->statusTip(), QString("Sendeleistung des Geräts einstellen"));
        QCOMPARE(frame.Action(40006)->toolTip(), QString("Sendeleistung"));
        frame.SetStatusNote("Demo: Simulierter Leser an %1", "/dev/pts/9");
        auto* note = frame.findChild<QLabel*>("StatusNote");
        QCOMPARE(note->text(), QString("Demo: Simulierter Leser an /dev/pts/9"));
        frame.Action(32782)->trigger();
        QCOMPARE(frame.Language(), 1);
        QCOMPARE(frame.Action(40006)->text(), QString("Transmit power"));
        QCOMPARE(note->text(), QString("Demo: simulated reader on /dev/pts/9"));
        // Lock-key panes that could not show the keys' state are not there at all.
        for (const char* pane : {"UF", "NUM", "RF"})
            QVERIFY(!frame.findChild<QLabel*>(pane));
        QCOMPARE(frame.Action(40006)->toolTip(), QString("Transmit power"));
        QCOMPARE(frame.Action(57665)->text(), QString("E&xit"));
        QCOMPARE(S(10023).left(31), QString("Could not connect to the device"));
        frame.Action(32781)->trigger();
        QCOMPARE(frame.Action(40006)->text(), QString("Sendeleistung"));
        QCOMPARE(S(10023), Ger(10023));
    }

    void missingTranslationKeepsGerman() {
        QTemporaryDir empty;
        vtest::ShellRig rig;
        rig.env.translationDirs = {empty.path()};
        WriteProfileInt("Settings", "Sprache", 1);
        CMainFrame frame(rig.env);
        QCOMPARE(frame.Language(), 0);
        QCOMPARE(rig.messages.shown, QStringList{Ger(10075)});
        frame.Action(32782)->trigger();
        QCOMPARE(rig.messages.shown.size(), 2);
        QCOMPARE(frame.menuBar()->actions().at(0)->text(), QString("TransponderTyp"));
        QCOMPARE(ProfileInt("Settings", "Sprache", -1), 1); // kept until the window closes
    }

    void translationCoversTheShellStrings() {
        QTranslator english;
        QVERIFY(english.load("VorexProgrammerEng.qm", VOREX_BINARY_DIR "/shell"));
        for (int id : {139,   226,   10000, 10001, 10002, 10012, 10023, 10047, 10075, 32778,
                       32780, 32781, 32782, 32864, 40001, 40002, 40003, 40004, 40005, 40006,
                       40007, 57344, 57345, 57664, 57665, 57670, 61712, 61714, 61719, 12000,
                       12001, 12002, 12003, 12004, 12005, 12006, 12007, 12008}) {
            const QByteArray comment = QByteArray::number(id);
            QVERIFY2(!english
                          .translate("VorexStrings", vorex::GermanString(id).c_str(),
                                     comment.constData())
                          .isEmpty(),
                     comment.constData());
        }
    }

    void windowPositionIsSavedAndRestored() {
        vtest::ShellRig rig;
        {
            CMainFrame frame(rig.env);
            frame.show();
            frame.move(120, 90);
            QTRY_COMPARE(frame.pos(), QPoint(120, 90));
            frame.close();
        }
        QCOMPARE(ProfileInt("Window", "left", -1), 120);
        QCOMPARE(ProfileInt("Window", "top", -1), 90);
        CMainFrame again(rig.env);
        QCOMPARE(again.pos(), QPoint(120, 90));
    }

    void manual_data() {
        QTest::addColumn<int>("openResult");
        QTest::addColumn<QString>("message");
        QTest::newRow("opened") << 42 << "";
        QTest::newRow("no resources") << 0 << Ger(10000);
        QTest::newRow("no viewer") << 31 << Ger(10001);
        QTest::newRow("other") << 5 << "Unbekannter Fehler 5";
    }

    void manual() {
        QFETCH(int, openResult);
        QFETCH(QString, message);
        QTemporaryDir empty;
        QTemporaryDir docs;
        for (const char* name : {"b-manual.pdf", "a-manual.pdf", "notes.txt"}) {
            QFile f(docs.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        vtest::ShellRig rig;
        rig.env.manualDirs = {empty.path(), docs.path()};
        QStringList opened;
        rig.env.openDocument = [&](const QString& path) {
            opened << path;
            return openResult;
        };
        CMainFrame frame(rig.env);
        frame.Action(57670)->trigger();
        QCOMPARE(opened, QStringList{docs.filePath("a-manual.pdf")});
        QCOMPARE(rig.messages.shown, message.isEmpty() ? QStringList{} : QStringList{message});

        rig.env.manualDirs = {empty.path()};
        opened.clear();
        frame.OpenManual();
        QVERIFY(opened.isEmpty());

        // The HTML manual that comes with the program, where no PDF is.
        QVERIFY(QDir(empty.path()).mkpath("manual"));
        QFile html(empty.filePath("manual/index.html"));
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.close();
        frame.OpenManual();
        QCOMPARE(opened, QStringList{empty.filePath("manual/index.html")});
    }
};

VOREX_QTEST_REGISTER(ViewTest)
} // namespace view_test
#include "ViewTest.moc"

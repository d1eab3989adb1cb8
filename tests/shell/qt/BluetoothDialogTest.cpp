// The Bluetooth connect dialog and the view's connect step against the stand-in
// module: search, the name filter, connect, the remembered reader, a failed connect
// falling back to a search, and a cancelled dialog leaving no connection.
#include "shell/BluetoothConnectDlg.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QListWidget>
#include <QPushButton>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace bluetooth_dialog_test {

using namespace vorex::ui;
using namespace vorex::shell;

namespace {

const char* const kScenario = R"({
  "reader": {"device_type": "155", "revision": "7"},
  "bluetooth": {"devices": [
    {"address": "0A0B0C0D0E0F", "name": "VX-F74BT PN7711#0001 PN7710#"},
    {"address": "112233445566", "name": "VX-F74BT PN7711#0042", "connect_failures": 1}]}})";

// Profile value of 11:22:33:44:55:66 (bytes 0-3 low, 4-5 above).
const QString kReaderProfile = QString::number(0x665544332211LL);

} // namespace

class BluetoothDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void searchListsReadersAndAFailedConnectSearchesAgain() {
        vtest::SimBtModule sim(kScenario);
        const int handle = VOREX_OpenPort(sim.PortName().c_str(), 19200, 500);
        QVERIFY(handle > 0);
        CBluetoothConnectDlg dialog(handle);
        auto* list = dialog.findChild<QListWidget*>("1025");
        auto* button = dialog.findChild<QPushButton*>("1026");
        QCOMPARE(button->text(), S(550));
        dialog.OnButton();
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QString("VX-F74BT PN7711#0042"));
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(button->text(), S(563));
        QVERIFY(button->isEnabled());
        // The module refuses the first connect (status 4): the dialog says so and searches.
        dialog.OnButton();
        QVERIFY2(dialog.StatusText().contains("Fehler 4 bei Connect"),
                 qPrintable(dialog.StatusText()));
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(list->count(), 1);
        dialog.OnButton();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ProfileString("Bluetooth", "LastDevAddr"), kReaderProfile);
        QCOMPARE(ProfileString("Bluetooth", "LastDevName"), QString("VX-F74BT PN7711#0042"));
        QVERIFY(sim.Module().Connected());
        VOREX_ClosePort(handle);
    }

    void viewConnectsTheRememberedReaderThroughTheDialog() {
        vtest::SimBtModule sim(kScenario);
        sim.Module().SetConnectFailures("VX-F74BT PN7711#0042", 0);
        WriteProfileString("Bluetooth", "LastDevAddr", kReaderProfile);
        WriteProfileString("Bluetooth", "LastDevName", "VX-F74BT PN7711#0042");
        WriteProfileString("Port", "Name", QString::fromStdString("Bluetooth: " + sim.PortName()));
        vtest::ShellRig rig;
        rig.env.listBluetooth = [&] { return std::vector<std::string>{sim.PortName()}; };
        CMainFrame frame(rig.env);
        // The dialog opens with the remembered reader and connects it by itself.
        frame.View()->OnInitialUpdate();
        QCOMPARE(frame.View()->DeviceType(), 0x155);
        QVERIFY2(sim.Requests(0x00).empty(), "no search for a remembered reader");
        QCOMPARE(sim.Requests(0x0A).size(), size_t{1});
    }

    void cancelledConnectLeavesNoConnection() {
        vtest::SimBtModule sim(kScenario);
        WriteProfileString("Port", "Name", QString::fromStdString("Bluetooth: " + sim.PortName()));
        vtest::ShellRig rig;
        rig.env.listBluetooth = [&] { return std::vector<std::string>{sim.PortName()}; };
        int given = 0;
        rig.env.connectBluetooth = [&](int handle, QWidget*) {
            given = handle;
            return false;
        };
        CMainFrame frame(rig.env);
        int baud = 19200;
        QCOMPARE(frame.View()->OpenReader(false, baud), 0);
        QVERIFY(given > 0);
        QCOMPARE(VOREX_ClosePort(given), -1); // the view closed it
        QCOMPARE(frame.View()->DeviceType(), 0);
    }
};

VOREX_QTEST_REGISTER(BluetoothDialogTest)
} // namespace bluetooth_dialog_test
#include "BluetoothDialogTest.moc"

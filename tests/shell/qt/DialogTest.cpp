// The cycle-time dialog and the interface settings dialog.
#include "shell/BeepTimeDlg.h"
#include "shell/PortDlg.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"
#include "ui/Texts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace dialog_test {

using namespace vorex::ui;
using namespace vorex::shell;

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void beepFreshProfileShowsDefaults() {
        vtest::ShellRig rig;
        CBeepTimeDlg dialog(&rig.messages);
        QCOMPARE(dialog.findChild<QLineEdit*>("1002")->text(), QString("150"));
        QCOMPARE(dialog.findChild<QLineEdit*>("1003")->text(), QString("250"));
        QCOMPARE(dialog.CycleTime(), 250);
    }

    void beepRanges_data() {
        QTest::addColumn<QString>("beep");
        QTest::addColumn<QString>("cycle");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("message");
        const QString range = "Geben Sie eine ganze Zahl zwischen %1 und %2 ein.";
        QTest::newRow("tone off") << "0"
                                  << "250" << true << "";
        QTest::newRow("tone 1001") << "1001"
                                   << "250" << false << range.arg(0).arg(1000);
        QTest::newRow("tone -1") << "-1"
                                 << "250" << false << range.arg(0).arg(1000);
        QTest::newRow("cycle 99") << "150"
                                  << "99" << false << range.arg(100).arg(10000);
        QTest::newRow("cycle 10000") << "150"
                                     << "10000" << true << "";
        QTest::newRow("cycle 10001") << "150"
                                     << "10001" << false << range.arg(100).arg(10000);
        QTest::newRow("not a number") << "12a"
                                      << "250" << false << "Geben Sie eine ganze Zahl ein.";
    }

    void beepRanges() {
        QFETCH(QString, beep);
        QFETCH(QString, cycle);
        QFETCH(bool, accepted);
        QFETCH(QString, message);
        vtest::ShellRig rig;
        CBeepTimeDlg dialog(&rig.messages);
        dialog.findChild<QLineEdit*>("1002")->setText(beep);
        dialog.findChild<QLineEdit*>("1003")->setText(cycle);
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QSettings settings;
        if (accepted) {
            QVERIFY(rig.messages.shown.isEmpty());
            QCOMPARE(settings.value("Settings/BeepTime").toString(), beep);
            QCOMPARE(settings.value("Settings/ZyklusZeit").toString(), cycle);
        } else {
            QCOMPARE(rig.messages.shown, QStringList{message});
            QVERIFY(!settings.contains("Settings/BeepTime"));
            QVERIFY(!settings.contains("Settings/ZyklusZeit"));
        }
    }

    void beepCancelWritesNothing() {
        WriteProfileInt("Settings", "BeepTime", 300);
        vtest::ShellRig rig;
        CBeepTimeDlg dialog(&rig.messages);
        QCOMPARE(dialog.BeepTime(), 300);
        dialog.findChild<QLineEdit*>("1002")->setText("0");
        dialog.findChild<QPushButton*>("2")->click();
        QCOMPARE(ProfileInt("Settings", "BeepTime", -1), 300);
        QVERIFY(!QSettings().contains("Settings/ZyklusZeit"));
    }

    void portFreshProfileTakesTheFirstReader_data() {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("USB serial before on-board")
            << QStringList{"/dev/ttyS0", "/dev/ttyUSB0"} << "/dev/ttyUSB0";
        QTest::newRow("maker's device first")
            << QStringList{"/dev/ttyACM0", "/dev/ttyACM1 [Nvk Virtual COM]"}
            << "/dev/ttyACM1 [Nvk Virtual COM]";
        QTest::newRow("only on-board ports") << QStringList{"/dev/ttyS0", "/dev/ttyS1"} << "";
        QTest::newRow("nothing") << QStringList{} << "";
    }

    void portFreshProfileTakesTheFirstReader() {
        QFETCH(QStringList, ports);
        QFETCH(QString, chosen);
        vtest::ShellRig rig;
        rig.env.listComPorts = [ports] {
            std::vector<std::string> names;
            for (const QString& p : ports)
                names.push_back(p.toStdString());
            return names;
        };
        CPortDlg dialog(rig.env);
        QCOMPARE(dialog.Name(), chosen);
        QCOMPARE(dialog.Timeout(), 1000);
        // Written back when a reader was found; nothing is invented otherwise.
        QCOMPARE(QSettings().contains("Port/Name"), !chosen.isEmpty());
        if (!chosen.isEmpty())
            QCOMPARE(dialog.BuildPortName(), chosen + ":1");
    }

    void portBaudCodes() {
        WriteProfileInt("Port", "Baudrate", 9601);
        WriteProfileString("Port", "Name", "COM1");
        vtest::ShellRig rig;
        rig.env.listComPorts = [] { return std::vector<std::string>{"COM1", "COM2"}; };
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        auto* baud = dialog.findChild<QComboBox*>("Baudrate");
        auto* parity = dialog.findChild<QComboBox*>("Parity");
        auto* stop = dialog.findChild<QComboBox*>("StopBits");
        QCOMPARE(baud->currentText(), QString("9600"));
        QCOMPARE(parity->currentText(), QString("gerade"));
        QCOMPARE(stop->currentText(), QString("1"));
        parity->setCurrentIndex(parity->findText("ungerade"));
        stop->setCurrentIndex(stop->findText("2"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ProfileInt("Port", "Baudrate", 0), 9602);

        // No parity with two stop bits is code 3; an unlisted rate writes 19200.
        CPortDlg again(rig.env);
        again.InitDialog();
        QCOMPARE(again.findChild<QComboBox*>("Parity")->currentText(), QString("ungerade"));
        again.findChild<QComboBox*>("Parity")->setCurrentIndex(0);
        again.findChild<QComboBox*>("StopBits")->setCurrentIndex(1);
        again.findChild<QComboBox*>("Baudrate")
            ->setCurrentIndex(again.findChild<QComboBox*>("Baudrate")->findText("57600"));
        again.accept();
        QCOMPARE(ProfileInt("Port", "Baudrate", 0), 57603);
    }

    void portSavedNameNotListedStaysSelected_data() {
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("one other port") << QStringList{"COM1"};
        QTest::newRow("two other ports") << QStringList{"COM1", "COM2"};
    }

    void portSavedNameNotListedStaysSelected() {
        QFETCH(QStringList, ports);
        WriteProfileString("Port", "Name", "/dev/serial/by-id/usb-Nvk_Reader-if00");
        vtest::ShellRig rig;
        rig.env.listComPorts = [&ports] {
            std::vector<std::string> names;
            for (const QString& p : ports)
                names.push_back(p.toStdString());
            return names;
        };
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        auto* list = dialog.findChild<QListWidget*>("PortList");
        QCOMPARE(list->count(), ports.size() + 1);
        QCOMPARE(list->currentItem()->text(),
                 QString("/dev/serial/by-id/usb-Nvk_Reader-if00 (nicht vorhanden)"));
        QCOMPARE(dialog.Name(), QString("/dev/serial/by-id/usb-Nvk_Reader-if00"));
        dialog.accept();
        QCOMPARE(ProfileString("Port", "Name"), QString("/dev/serial/by-id/usb-Nvk_Reader-if00"));

        // Once the device is listed the mark goes and the same entry stays selected.
        ports << "/dev/serial/by-id/usb-Nvk_Reader-if00";
        dialog.OnDeviceChange(0x8000);
        QCOMPARE(list->count(), ports.size());
        QCOMPARE(list->currentItem()->text(), QString("/dev/serial/by-id/usb-Nvk_Reader-if00"));
    }

    void portNoNameTakesTheOnlyEntry() {
        vtest::ShellRig rig;
        rig.env.listComPorts = [] { return std::vector<std::string>{"COM1"}; };
        CPortDlg dialog(rig.env);
        QCOMPARE(dialog.Name(), QString()); // COM1 is no reader: not chosen unasked
        dialog.InitDialog();
        QCOMPARE(dialog.Name(), QString("COM1")); // but the dialog offers the only entry
        QVERIFY(!QSettings().contains("Port/Name"));
        dialog.accept();
        QCOMPARE(ProfileString("Port", "Name"), QString("COM1"));
    }

    void portTypedDevicePath() {
        WriteProfileString("Port", "Name", "COM1");
        vtest::ShellRig rig;
        rig.env.listComPorts = [] { return std::vector<std::string>{"COM1", "COM2"}; };
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        auto* path = dialog.findChild<QLineEdit*>("DevicePath");
        auto* list = dialog.findChild<QListWidget*>("PortList");
        QCOMPARE(path->text(), QString("COM1"));
        path->clear();
        QTest::keyClicks(path, "/tmp/vorex-socat-link");
        QCOMPARE(dialog.Name(), QString("/tmp/vorex-socat-link"));
        QCOMPARE(list->currentItem()->text(), QString("/tmp/vorex-socat-link (nicht vorhanden)"));
        QVERIFY(dialog.findChild<QComboBox*>("Baudrate")->isEnabled()); // a serial device
        // Typing a listed name selects that entry; choosing an entry fills the field.
        path->clear();
        QTest::keyClicks(path, "COM2");
        QCOMPARE(list->currentItem()->text(), QString("COM2"));
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(0);
        QCOMPARE(path->text(), QString("COM1"));
        path->setText(QString());
        QTest::keyClicks(path, " /dev/pts/77 ");
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ProfileString("Port", "Name"), QString("/dev/pts/77"));
    }

    void portSavedEntryValidation() {
        vtest::ShellRig rig;
        rig.env.listUsb = [] { return std::vector<std::string>{"VX-B75 4160-0001 HID"}; };
        WriteProfileString("Port", "Name", "USB: VX-B75 4160-9999 HID");
        {
            CPortDlg dialog(rig.env);
            QCOMPARE(dialog.Name(), QString("USB: VX-B75 4160-0001 HID"));
            QVERIFY(dialog.IsUsbEntry());
            QCOMPARE(dialog.BuildPortName(), QString("VX-B75 4160-0001 HID:1"));
        }
        QCOMPARE(ProfileString("Port", "Name"), QString("USB: VX-B75 4160-0001 HID"));

        rig.env.listUsb = [] { return std::vector<std::string>{}; };
        { CPortDlg dialog(rig.env); }
        QCOMPARE(ProfileString("Port", "Name"), QString());

        // A LAN entry with Ethernet off stays, and no LAN reader is listed.
        rig.env.listLan = [] { return std::vector<std::string>{"10.0.0.9"}; };
        WriteProfileString("Port", "Name", "LAN: 10.0.0.5");
        CPortDlg lan(rig.env);
        QCOMPARE(lan.Name(), QString("LAN: 10.0.0.5"));
        lan.InitDialog();
        auto* list = lan.findChild<QListWidget*>("PortList");
        QCOMPARE(list->count(), 1); // only the saved entry, marked as not present
        QCOMPARE(list->item(0)->text(), QString("LAN: 10.0.0.5 (nicht vorhanden)"));
    }

    void portValidation_data() {
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::newRow("timeout 9") << "9"
                                   << "1"
                                   << "Geben Sie eine ganze Zahl zwischen 10 und 300000 ein.";
        QTest::newRow("timeout negative") << "-5"
                                          << "1"
                                          << "Geben Sie eine positive ganze Zahl ein.";
        QTest::newRow("timeout 300001") << "300001"
                                        << "1"
                                        << "Geben Sie eine ganze Zahl zwischen 10 und 300000 ein.";
        QTest::newRow("address 0") << "500"
                                   << "0"
                                   << "Geben Sie eine ganze Zahl zwischen 1 und 255 ein.";
        QTest::newRow("address 256") << "500"
                                     << "256"
                                     << "Geben Sie eine ganze Zahl zwischen 1 und 255 ein.";
        QTest::newRow("address text") << "500"
                                      << "x"
                                      << "Geben Sie eine ganze Zahl ein.";
        QTest::newRow("bounds") << "10"
                                << "255"
                                << "";
    }

    void portValidation() {
        QFETCH(QString, timeout);
        QFETCH(QString, address);
        QFETCH(QString, message);
        WriteProfileString("Port", "Name", "COM1");
        vtest::ShellRig rig;
        rig.env.listComPorts = [] { return std::vector<std::string>{"COM1"}; };
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        dialog.findChild<QLineEdit*>("Timeout")->setText(timeout);
        dialog.findChild<QLineEdit*>("Adresse")->setText(address);
        dialog.accept();
        if (message.isEmpty()) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(ProfileInt("Port", "Timeout", 0), timeout.toInt());
            QCOMPARE(ProfileInt("Port", "Adresse", 0), address.toInt());
        } else {
            QCOMPARE(rig.messages.shown, QStringList{message});
            QVERIFY(!QSettings().contains("Port/Timeout"));
            QVERIFY(!QSettings().contains("Port/Baudrate"));
        }
    }

    void portRefreshOnePlusFive() {
        WriteProfileString("Port", "Name", "COM1");
        vtest::ShellRig rig;
        int listings = 0;
        std::vector<std::string> ports{"COM1"};
        rig.env.listComPorts = [&] {
            ++listings;
            return ports;
        };
        rig.env.refreshIntervalMs = 20;
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        QTest::qWait(100); // the refresh posted at opening runs once
        QCOMPARE(dialog.RefreshCount(), 0);
        const int before = listings;

        ports.push_back("COM2");
        dialog.OnDeviceChange(0x8000);
        QCOMPARE(dialog.findChild<QListWidget*>("PortList")->count(), 2);
        QTRY_COMPARE(listings, before + 6);
        QTest::qWait(150);
        QCOMPARE(listings, before + 6);
        QCOMPARE(dialog.RefreshCount(), 0);
        QCOMPARE(dialog.Name(), QString("COM1"));
    }

    void portMissingUsbDriverOffersTheDriverPage() {
        WriteProfileString("Port", "Name", "COM1");
        vtest::ShellRig rig;
        int missing = 3;
        rig.env.checkUsbDrivers = [&] { return missing; };
        rig.messages.yes = true;
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        dialog.OnDeviceChange(0x18);
        QTRY_VERIFY(!rig.messages.asked.isEmpty());
        QCOMPARE(rig.messages.asked.first(), S(10133) + "\n" + S(10134) + "\n" + S(10135) + "\n");
        QCOMPARE(rig.opened.first(), S(10132));
        rig.messages.asked.clear();
        missing = 0;
        dialog.OnDeviceChange(0x18);
        QCOMPARE(rig.messages.asked, QStringList{});
    }

    void portUsbModeButtons() {
        vtest::SimReader reader;
        const std::string vcom = reader.Path() + " [Nvk Virtual COM]";
        WriteProfileString("Port", "Name", QString::fromStdString(vcom));
        vtest::ShellRig rig;
        rig.env.listComPorts = [&] { return std::vector<std::string>{vcom, "COM1"}; };
        rig.env.listUsb = [] { return std::vector<std::string>{"4160-0001 HID", "4350-0002"}; };
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        auto* list = dialog.findChild<QListWidget*>("PortList");
        auto* hid = dialog.findChild<QPushButton*>("HidMode");
        auto* virtualCom = dialog.findChild<QPushButton*>("VirtualCom");
        struct Row {
            const char* entry;
            bool enabled, hidChecked, vcomChecked;
        };
        const Row rows[] = {{"COM1", false, false, false},
                            {"USB: 4350-0002", false, false, false},
                            {"USB: 4160-0001 HID", true, true, false},
                            {vcom.c_str(), true, false, true}};
        for (const Row& r : rows) {
            const auto found = list->findItems(QString::fromUtf8(r.entry), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            list->setCurrentItem(found.first());
            QCOMPARE(hid->isEnabled(), r.enabled);
            QCOMPARE(virtualCom->isEnabled(), r.enabled);
            QCOMPARE(hid->isChecked(), r.hidChecked);
            QCOMPARE(virtualCom->isChecked(), r.vcomChecked);
        }
        // The virtual-COM reader switches to HID: mode 1, then F6 00 00.
        hid->click();
        QCOMPARE(dialog.Name(), QString());
        const auto requests = reader.Model().Requests();
        QVERIFY(requests.size() >= 3);
        QCOMPARE(int(requests[requests.size() - 2].command), 0xFF);
        QCOMPARE(int(requests[requests.size() - 2].data.at(0)), 1);
        QCOMPARE(int(requests.back().command), 0xF6);
        QCOMPARE(reader.Model().Config().usbMode, 1);
    }
};

VOREX_QTEST_REGISTER(DialogTest)
} // namespace dialog_test
#include "DialogTest.moc"

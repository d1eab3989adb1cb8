// The LAN reader list, the LAN settings dialog and LAN entries in the interface dialog
// against stand-in readers on loopback (their datagram port is one no other test uses;
// adapters: 127.0.0.1 only).
#include "shell/IPAddrSuche.h"
#include "shell/LanConfigDlg.h"
#include "shell/MainFrame.h"
#include "shell/PortDlg.h"
#include "shell/ProgrammerView.h"
#include "sim/DeviceCommands.h"
#include "sim/LanResponder.h"
#include "sim/TcpServer.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <memory>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace lan_dialog_test {

using namespace vorex::ui;
using namespace vorex::shell;

namespace {

std::unique_ptr<vsim::LanResponder> Reader(uint16_t udp, const std::string& from,
                                           const std::string& name, const std::string& address,
                                           const std::string& model) {
    auto r = std::make_unique<vsim::LanResponder>(
        vsim::LanRecords::Make(name, address, 8, "0.0.0.0", 10001, model), from, udp);
    if (!r->Start())
        qFatal("stand-in reader: %s", r->Error().c_str());
    return r;
}

// Clicks `button` and, once the modal dialog it opens is up, runs `inDialog` on it.
void ClickIntoModal(QPushButton* button, const std::function<void(QWidget*)>& inDialog) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        seen = true;
        inDialog(dialog);
    });
    button->click();
    QVERIFY(seen);
}

// In the open reader list: waits for the searches, selects the row with `text` and
// closes the list, which hands that reader back.
void ChooseInReaderList(QWidget* dialog, const QString& text) {
    QCOMPARE(dialog->objectName(), QString("234"));
    auto* list = dialog->findChild<QListWidget*>("1295");
    QTRY_VERIFY_WITH_TIMEOUT(list->count() > 0, 10000);
    const auto rows = list->findItems(text, Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    list->setCurrentItem(rows.front());
    dialog->findChild<QPushButton*>("2")->click();
}

} // namespace

class LanDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QSettings().clear();
        udp_ = vtest::FreeUdpPort();
        qputenv("VOREX_LAN_ADAPTERS", "127.0.0.1/8");
        qputenv("VOREX_LAN_UDP_PORT", QByteArray::number(udp_));
        readers_.clear();
    }

    void listShowsBothSearchesAndOnlyVerifiedReadersCanBeChosen() {
        readers_.push_back(Reader(udp_, "127.0.0.2", "FIXED", "127.0.0.2", "VX-C770"));
        readers_.push_back(Reader(udp_, "127.0.0.3", "READER01", "0.0.0.0", "VX-A75"));
        readers_.push_back(Reader(udp_, "127.0.0.4", "OTHER", "127.0.0.4", "XP-900"));
        vtest::RecordingMessages messages;
        CIPAddrSuche dialog(&messages);
        QVERIFY(dialog.FillAddressList());
        auto* list = dialog.findChild<QListWidget*>("1295");
        auto* change = dialog.findChild<QPushButton*>("1");
        QCOMPARE(list->count(), 3);
        const QStringList texts{list->item(0)->text(), list->item(1)->text(),
                                list->item(2)->text()};
        QCOMPARE(texts,
                 QStringList({"127.0.0.2-10001", "[READER01]127.0.0.3-10001", "127.0.0.4-10001"}));
        for (int i = 0; i < 2; ++i) {
            QVERIFY(!list->item(i)->font().italic());
            QVERIFY(list->item(i)->foreground().style() == Qt::NoBrush);
        }
        QVERIFY(list->item(2)->font().italic());
        QCOMPARE(list->item(2)->foreground().color(), QColor(255, 0, 0));
        QVERIFY(!change->isEnabled());

        list->setCurrentRow(2);
        QVERIFY(change->isEnabled());
        dialog.reject();
        QCOMPARE(dialog.SelectedAddress(), QString()); // unverified: not chosen
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        list->setCurrentRow(1);
        dialog.reject();
        QCOMPARE(dialog.SelectedAddress(), QString("[READER01]127.0.0.3-10001"));
        QVERIFY(messages.asked.isEmpty());
    }

    void emptyResultOffersRetryThenCancel() {
        vtest::RecordingMessages messages;
        messages.retries = 1;
        CIPAddrSuche dialog(&messages);
        QVERIFY(!dialog.FillAddressList());
        QCOMPARE(messages.asked.size(), 2); // asked, retried, asked again, cancelled
        QCOMPARE(messages.asked.first(), S(10129) + ": " + S(10131));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.SelectedAddress(), QString());
    }

    void settingsShowTheReaderAndTakeAnAutomaticAddress() {
        readers_.push_back(Reader(udp_, "127.0.0.2", "FIXED", "127.0.0.2", "VX-C770"));
        vtest::RecordingMessages messages;
        CLanConfig dialog("127.0.0.2-10001", &messages);
        dialog.SetAnswerWaitMs(3000);
        auto* fixed = dialog.findChild<QRadioButton*>("1252");
        auto* automatic = dialog.findChild<QRadioButton*>("1251");
        QVERIFY(fixed->isChecked());
        QCOMPARE(dialog.findChild<QLineEdit*>("1243")->text(), QString("127.0.0.2"));
        QCOMPARE(dialog.findChild<QLineEdit*>("1246")->text(), QString("10001"));
        QCOMPARE(dialog.findChild<QLineEdit*>("1247")->text(), QString("FIXED"));
        QCOMPARE(dialog.findChild<QLineEdit*>("1244")->text(), QString("255.255.255.0"));
        QVERIFY(dialog.findChild<QLineEdit*>("1243")->isEnabled());
        QVERIFY(!dialog.findChild<QLineEdit*>("1247")->isEnabled());

        automatic->click();
        QVERIFY(!dialog.findChild<QLineEdit*>("1243")->isEnabled());
        QVERIFY(dialog.findChild<QLineEdit*>("1247")->isEnabled());
        dialog.findChild<QLineEdit*>("1247")->setText("LAB1");
        dialog.findChild<QLineEdit*>("1248")->setText("10001");
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Identity(), QString("[LAB1]-10001"));
        QVERIFY(messages.shown.isEmpty());
        const auto fields = readers_[0]->Records().Fields();
        QCOMPARE(QString::fromStdString(fields.name), QString("LAB1"));
        QVERIFY(fields.address.IsZero());
    }

    void okWithoutEditsKeepsAFullLengthName() {
        // A reader named with all 16 characters the reader stores, address from DHCP.
        readers_.push_back(Reader(udp_, "127.0.0.3", "ABCDEFGH12345678", "0.0.0.0", "VX-A75"));
        vtest::RecordingMessages messages;
        CLanConfig dialog("[ABCDEFGH12345678]127.0.0.3-10001", &messages);
        dialog.SetAnswerWaitMs(3000);
        QCOMPARE(dialog.findChild<QLineEdit*>("1247")->text(), QString("ABCDEFGH12345678"));
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Identity(), QString("[ABCDEFGH12345678]-10001"));
        QVERIFY(readers_[0]->Setups().empty()); // nothing changed, nothing sent
        QCOMPARE(QString::fromStdString(readers_[0]->Records().Fields().name),
                 QString("ABCDEFGH12345678"));
    }

    void fixedModeNeedsAnAddress() {
        readers_.push_back(Reader(udp_, "127.0.0.2", "FIXED", "127.0.0.2", "VX-C770"));
        vtest::RecordingMessages messages;
        CLanConfig dialog("127.0.0.2", &messages);
        dialog.findChild<QLineEdit*>("1243")->setText("0.0.0.0");
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(messages.shown, QStringList{S(10128)});
        QVERIFY(dialog.result() != QDialog::Accepted);
        QVERIFY(readers_[0]->Setups().empty());
    }

    void silentReaderLeavesTheFormEmptyAndRefusesTheChange() {
        vtest::RecordingMessages messages;
        CLanConfig dialog("127.0.0.9-10001", &messages);
        QCOMPARE(dialog.findChild<QLineEdit*>("1247")->text(), QString());
        QCOMPARE(dialog.findChild<QLineEdit*>("1244")->text(), QString());
        dialog.findChild<QLineEdit*>("1247")->setText("LAB2");
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(messages.shown, QStringList{S(10130)});
        QVERIFY(dialog.result() != QDialog::Accepted);
        // The buttons are back and the progress bar gone after the failure.
        QVERIFY(!dialog.findChild<QPushButton*>("1")->isHidden());
        QVERIFY(dialog.findChild<QWidget*>("1253")->isHidden());
        QCOMPARE(dialog.Identity(), QString("127.0.0.9-10001"));
    }

    void ipSearchInThePortDialogTakesTheChosenReader() {
        readers_.push_back(Reader(udp_, "127.0.0.3", "READER01", "0.0.0.0", "VX-A75"));
        readers_.push_back(Reader(udp_, "127.0.0.4", "OTHER", "127.0.0.4", "XP-900"));
        WriteProfileString("Port", "Name", "COM1");
        WriteProfileInt("Port", "EthernetAktiv", 1);
        vtest::ShellRig rig;
        rig.env.listComPorts = [] { return std::vector<std::string>{"COM1"}; };
        CPortDlg dialog(rig.env);
        dialog.InitDialog();
        auto* search = dialog.findChild<QPushButton*>("IpSearch");
        auto* path = dialog.findChild<QLineEdit*>("DevicePath");
        QVERIFY(!search->isHidden());

        // A reader seen only by the unverified search cannot be taken.
        ClickIntoModal(search, [](QWidget* list) { ChooseInReaderList(list, "127.0.0.4-10001"); });
        QCOMPARE(dialog.Name(), QString("COM1"));
        QVERIFY(!dialog.IsLanEntry());

        // A named reader is kept by its name alone.
        ClickIntoModal(
            search, [](QWidget* list) { ChooseInReaderList(list, "[READER01]127.0.0.3-10001"); });
        QCOMPARE(dialog.Name(), QString("LAN: [READER01]"));
        QVERIFY(dialog.IsLanEntry());
        QCOMPARE(path->text(), QString("LAN: [READER01]"));
        QVERIFY(!dialog.findChild<QWidget*>("Baudrate")->isEnabled());
        QCOMPARE(dialog.BuildPortName(), QString("[READER01]:1"));
        dialog.findChild<QPushButton*>("1")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ProfileString("Port", "Name"), QString("LAN: [READER01]"));
        QCOMPARE(ProfileInt("Port", "EthernetAktiv", 0), 1);
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void viewOpensALanEntryChosenInThePortList() {
        // A reader on 127.0.0.2: its TCP port serves the reader, its datagram answers
        // announce that port.
        vsim::ReaderModel model(vsim::ReaderConfig{.deviceType = "161", .revision = 'J'});
        model.AddCommandSet(std::make_unique<vsim::DeviceCommands>());
        vsim::TcpServer server(model);
        QVERIFY2(server.Start("127.0.0.2", 0), server.Error().c_str());
        readers_.push_back(std::make_unique<vsim::LanResponder>(
            vsim::LanRecords::Make("NET1", "127.0.0.2", 8, "0.0.0.0", server.Port(), "VX-C75"),
            "127.0.0.2", udp_));
        QVERIFY(readers_.back()->Start());
        const QString entry = "LAN: 127.0.0.2-" + QString::number(server.Port());

        WriteProfileString("Port", "Name", "COM1");
        WriteProfileInt("Port", "Timeout", 500);
        vtest::ShellRig rig;
        // The engine's own LAN listing and reachability test.
        rig.env.listLan = nullptr;
        rig.env.testLan = nullptr;
        rig.env.FillDefaults();
        CMainFrame frame(rig.env);
        {
            CPortDlg dialog(rig.env, &frame);
            dialog.InitDialog();
            auto* list = dialog.findChild<QListWidget*>("PortList");
            QVERIFY(list->findItems(entry, Qt::MatchExactly).isEmpty()); // Ethernet off
            dialog.findChild<QCheckBox*>("EthernetAktiv")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!list->findItems(entry, Qt::MatchExactly).isEmpty(), 10000);
            list->setCurrentItem(list->findItems(entry, Qt::MatchExactly).front());
            QVERIFY(dialog.IsLanEntry());
            dialog.findChild<QPushButton*>("1")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(ProfileString("Port", "Name"), entry);
        frame.View()->ReconnectAfterInterface(19200);
        QVERIFY2(rig.messages.shown.isEmpty(), qPrintable(rig.messages.shown.join('\n')));
        QCOMPARE(frame.View()->DeviceType(), 0x161);
        QCOMPARE(server.Connections(), 1);
        QVERIFY(frame.windowTitle().contains(entry.mid(5)));
        // The saved entry still answers, so the next construction keeps it.
        QCOMPARE(CPortDlg(rig.env).Name(), entry);
        QVERIFY(!model.Requests().empty());
    }

private:
    uint16_t udp_ = 0;
    std::vector<std::unique_ptr<vsim::LanResponder>> readers_;
};

VOREX_QTEST_REGISTER(LanDialogTest)
} // namespace lan_dialog_test
#include "LanDialogTest.moc"

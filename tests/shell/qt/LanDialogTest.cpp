// The LAN reader list and the LAN settings dialog against stand-in readers on loopback
// (their datagram port is one no other test uses; adapters: 127.0.0.1 only).
#include "IPAddrSuche.h"
#include "LanConfig.h"
#include "LanResponder.h"
#include "QtTestEnv.h"
#include "TestSupport.h"
#include "Texts.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

using namespace vorex::ui;

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

private:
    uint16_t udp_ = 0;
    std::vector<std::unique_ptr<vsim::LanResponder>> readers_;
};

VOREX_QTEST_MAIN(LanDialogTest)
#include "LanDialogTest.moc"

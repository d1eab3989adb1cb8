// The MIFARE Classic workbench and the key-store dialogs against the stand-in reader
// on a pseudo-terminal, with the demo scenario's cards and key store: reading sectors
// with store keys, refusals by key, card size and access conditions, value blocks,
// writing data and trailer with new keys, the 4K layout, and the view opening it.
#include "workbench/iso14443/Mifare1KDlg.h"
#include "resources/strings/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "sim/Iso14443Cards.h"
#include "sim/Iso14443Commands.h"
#include "tests/workbench/qt/WorkbenchFixture.h"
#include "ui/ButtonTabs.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include "workbench/iso14443/MifareKeyStoreDlg.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <fstream>
#include <nlohmann/json.hpp>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace mifare1k_dlg_test {

using namespace vorex::ui;
using namespace vorex::shell;
using nlohmann::json;
using vorex::wb::mfc::CKeyStoreDlg;
using vorex::wb::mfc::CMifare1KDlg;
using vorex::wb::mfc::CMifareDefineKeys;
using vorex::wb::mfc::CMifareReducedKeys;
using vtest::OnNextModal;

namespace {

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

std::string DemoScenario() {
    std::ifstream in(VOREX_SOURCE_DIR "/sim/scenarios/demo.json");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The demo scenario with a second 1K card, "classic1k-other" (UID 5A 3C 91 E2), whose
// sector 1 opens with the same keys as the demo's 1K card: a card swap that only the
// UID tells apart.
std::string TwinCardScenario() {
    json scenario = json::parse(DemoScenario());
    json& cards = scenario["iso14443"]["cards"];
    for (json card : json(cards))
        if (card["name"] == "classic1k") {
            card["name"] = "classic1k-other";
            card["uid"] = "5A 3C 91 E2";
            cards.push_back(card);
        }
    return scenario.dump();
}

// The demo reader (its classic4k card in the field) and an open connection to it.
struct Field : vtest::ReaderField {
    vsim::Iso14443Commands* cards = nullptr;

    explicit Field(bool connect = true, const std::string& scenario = DemoScenario())
        : ReaderField(vtest::SimReader::FromScenario(scenario)) {
        cards = sim->Model().FindCommandSet<vsim::Iso14443Commands>();
        if (connect)
            Connect();
    }
    void PutCard(const char* name) {
        auto lock = sim->Model().Lock();
        cards->SetField(cards->FindCard(name));
    }
    QString Block(int block) {
        auto lock = sim->Model().Lock();
        auto& card =
            static_cast<vsim::ClassicCard&>(cards->Card(static_cast<size_t>(cards->Field())));
        QStringList pairs;
        for (uint8_t b : card.Block(block))
            pairs << QString("%1").arg(b, 2, 16, QChar('0')).toUpper();
        return pairs.join(' ');
    }
    void EmptyField() {
        auto lock = sim->Model().Lock();
        cards->SetField(-1);
    }
    // The blocks of the write requests the reader was sent.
    std::vector<int> WrittenBlocks() {
        std::vector<int> blocks;
        for (const vsim::Request& r : sim->Model().Requests())
            if (r.command == 0x35 && !r.data.empty())
                blocks.push_back(r.data[0]);
        return blocks;
    }
    // Key type and store index of the last authentication.
    std::pair<int, int> LastKey() {
        std::pair<int, int> key{-1, -1};
        for (const vsim::Request& r : sim->Model().Requests())
            if (r.command == 0x33 && r.data.size() >= 3)
                key = {r.data[r.data.size() - 2], r.data.back()};
        return key;
    }
    vsim::Bytes StoredKey(int type, int index) {
        auto lock = sim->Model().Lock();
        return cards->Key(type, index);
    }
    std::vector<vsim::Request> StoreRequests() {
        std::vector<vsim::Request> out;
        for (const vsim::Request& r : sim->Model().Requests())
            if (r.command == 0x39)
                out.push_back(r);
        return out;
    }
};

// The workbench as the view opens it.
struct Bench : vtest::WorkbenchBench<CMifare1KDlg> {
    void Open(Field& field, int templateId = 226, bool smallStore = false) {
        WorkbenchBench::Open(std::make_unique<CMifare1KDlg>(rig.env, templateId), field.handle,
                             smallStore);
    }
    // The 4K workbench on a sector, with a key of the store chosen.
    void OpenAt(Field& field, int sector, int type, int index) {
        Open(field);
        Sector(sector);
        Key(type, index);
    }
    void Sector(int s) const {
        dlg->Tabs()->findChild<QPushButton*>(QString("tab%1").arg(s))->click();
    }
    void Key(int type, int index) const {
        Find<QComboBox>("keyType")->setCurrentIndex(type);
        Find<QComboBox>("keyIndex")->setCurrentIndex(index);
    }
    QString Row(int r) const { return Find<QLineEdit>(QString("rowText%1").arg(r))->text(); }
    QString Label(int r) const { return Find<QCheckBox>(QString("rowSelected%1").arg(r))->text(); }
    // Types as the operator does (so the edit's change notification runs).
    void Type(const QString& name, const QString& text) const {
        auto* edit = Find<QLineEdit>(name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        for (QChar c : text)
            if (c.unicode() < 0x80)
                QTest::keyClick(edit, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), {});
    }
    QString Status() const { return dlg->Status().Current(); }
    QString Log() const { return dlg->Status().Log()->toPlainText(); }
    // Every status text so far, oldest first.
    QString All() const { return Log() + "\n" + Status(); }
    // Selects exactly these rows.
    void SelectRows(std::initializer_list<int> rows) const {
        Press("selectNone");
        for (int r : rows)
            Press(QString("rowSelected%1").arg(r));
    }
    // The rights boxes of one row of the grid, "1" for a checked box.
    QString Rights(int group) const {
        QString bits;
        for (int box = 0; box < (group == 3 ? 12 : 8); ++box)
            bits += Find<QCheckBox>(QString("rights%1_%2").arg(group).arg(box))->isChecked() ? '1'
                                                                                             : '0';
        return bits;
    }
};

} // namespace

class Mifare1KDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void controlsAreNamedOnceAndForScreenReaders() {
        Field field;
        for (int templateId : {225, 226}) {
            Bench bench;
            bench.Open(field, templateId);
            bench.ExpectNamedControls();
        }
    }

    void readsASectorWithAStoreKey() {
        Field field;
        Bench bench;
        bench.Open(field);
        QCOMPARE(bench.Rights(3), QString("001010101010"));
        bench.Sector(1);
        bench.Key(0, 1);
        bench.Press("selectAll");
        bench.Press("rowSelected3"); // the trailer is read only when its row is chosen
        bench.Press("read");
        // UID and blocks in the order of their bytes, as vorexctl shows them.
        QCOMPARE(bench.Find<QLineEdit>("uidText")->text(), QString("045A3C219B6E80"));
        QCOMPARE(bench.Row(0), QString("56 6F 72 65 78 20 64 65 6D 6F 20 34 4B 00 00 00"));
        bench.Press("msbFirst");
        QCOMPARE(bench.Row(0), QString("0000004B34206F6D6564207865726F56"));
        bench.Press("lsbFirst");
        bench.Press("ascii");
        QCOMPARE(bench.Row(1), QString("sector 1 block 5"));
        // The trailer: Key A reads as zeros, access 0 0 0 3, user byte C1, Key B hidden.
        QCOMPARE(bench.Row(3), QString("00 00 00 00 00 00 77 8F 08 C1 00 00 00 00 00 00"));
        QCOMPARE(bench.dlg->Access(), (vorex::cards::mifare::AccessValues{0, 0, 0, 3}));
        QCOMPARE(bench.Find<QComboBox>("access3")->currentIndex(), 3);
        QCOMPARE(bench.Find<QLineEdit>("userByte")->text(), QString("C1"));
        QCOMPARE(bench.Rights(0), QString("11111111"));
        QCOMPARE(bench.Rights(3), QString("000000001100"));
        QVERIFY(bench.Find<QLineEdit>("rowText3")->isReadOnly());
        // With the trailer row unchecked a combo changes the grid only.
        bench.Press("rowSelected3");
        bench.Find<QComboBox>("access0")->setCurrentIndex(7);
        emit bench.Find<QComboBox>("access0")->activated(7);
        QCOMPARE(bench.Rights(0), QString("00000000"));
        QCOMPARE(bench.Row(3), QString("00 00 00 00 00 00 77 8F 08 C1 00 00 00 00 00 00"));
        bench.Press("rowSelected3");
        QCOMPARE(bench.Row(3), QString("00 00 00 00 00 00 66 9E 19 C1 00 00 00 00 00 00"));
        QVERIFY2(bench.Status().isEmpty(), qPrintable(QString(bench.Status())));
    }

    void refusalsShowTheirTexts() {
        Field field;
        Bench bench;
        bench.Open(field);
        // A sector whose keys are not in the store.
        bench.Sector(6);
        bench.Key(0, 1);
        bench.Press("selectAll");
        bench.Press("read");
        QVERIFY2(bench.Status().endsWith(Ger(232)), qPrintable(QString(bench.Status())));
        QVERIFY(bench.Row(0).isEmpty());

        // The 1K card on the 4K workbench, and the 4K card on the 1K workbench: refused
        // before any authentication.
        field.PutCard("classic1k");
        const int before = field.Requests(0x33);
        bench.Press("read");
        QVERIFY2(bench.Status().endsWith(Ger(238)), qPrintable(QString(bench.Status())));
        field.PutCard("classic4k");
        Bench oneK;
        oneK.Open(field, 225);
        oneK.Press("selectAll");
        oneK.Press("read");
        QVERIFY2(oneK.Status().endsWith(Ger(239)), qPrintable(QString(oneK.Status())));
        field.PutCard("ultralight");
        oneK.Press("read");
        QVERIFY2(oneK.Status().endsWith(Ger(240)), qPrintable(QString(oneK.Status())));
        QCOMPARE(field.Requests(0x33), before);
    }

    void forbiddenReadStopsCyclicReading() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 5, 0, 1); // block 20 may never be read
        bench.Press("selectAll");
        bench.Press("read");
        // The refusal is the access conditions', not a missing authentication.
        QVERIFY2(bench.Status().contains(Ger(12518).replace("%1", "20").replace("%2", "Key A")),
                 qPrintable(QString(bench.Status())));
        QVERIFY(bench.Row(0).isEmpty());
        QVERIFY2(bench.Row(1).isEmpty(), qPrintable(QString("reading ends at the refused block")));

        bench.Press("stopOnError");
        bench.Press("cyclic");
        QVERIFY(bench.dlg->CyclicRunning());
        QVERIFY(!bench.Find<QPushButton>("read")->isEnabled());
        QVERIFY(bench.Find<QComboBox>("access0")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!bench.Find<QPushButton>("cyclic")->isChecked(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(bench.Find<QPushButton>("read")->isEnabled(), 5000);
        QVERIFY(!bench.dlg->CyclicRunning());
    }

    void valueBlocks() {
        Field field;
        Bench bench;
        // Data groups 1, 2, 3: block 10 (row 2) increments with Key B only.
        bench.OpenAt(field, 2, 1, 1);
        bench.Press("valueMode2");
        bench.Press("valueMode0");
        bench.Press("selectAll");
        bench.Press("read");
        QCOMPARE(bench.Row(2), QString("1000"));
        QCOMPARE(bench.Row(0), QString());
        QVERIFY(bench.Find<QPushButton>("inc2")->isEnabled());
        QVERIFY(!bench.Find<QPushButton>("inc1")->isEnabled());
        bench.Press("inc2");
        QVERIFY2(bench.Status().contains(Ger(12516).replace("%1", "10")),
                 qPrintable(bench.Status()));
        bench.Press("read");
        QCOMPARE(bench.Row(2), QString("1001"));
        bench.Key(0, 1);
        bench.Press("inc2");
        QVERIFY2(bench.Status().endsWith(Ger(245)), qPrintable(QString(bench.Status())));
        bench.Press("dec2");
        bench.Press("dec2");
        bench.Press("read");
        QCOMPARE(bench.Row(2), QString("999"));

        // Typing 100 in value mode and writing stores the value block.
        bench.Sector(1);
        bench.Key(0, 1);
        bench.Press("selectNone");
        bench.Press("valueMode1");
        bench.Press("rowSelected1");
        bench.Type("rowText1", "100");
        bench.Press("write");
        QCOMPARE(field.Block(5), QString("64 00 00 00 9B FF FF FF 64 00 00 00 00 FF 00 FF"));
        QVERIFY2(bench.Status().endsWith(Ger(199)), qPrintable(QString(bench.Status())));
        QVERIFY2(bench.rig.messages.asked.isEmpty(),
                 qPrintable(QString("no trailer, no question")));
    }

    void writeDataAndTrailerThenTheNewKeyReads() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 7, 0, 0); // delivery state: keys FFFFFFFFFFFF, access 0 0 0 4
        bench.Press("selectAll");
        bench.Press("rowSelected3");
        bench.Press("read");
        QCOMPARE(bench.Row(3), QString("00 00 00 00 00 00 FF 07 80 69 FF FF FF FF FF FF"));
        bench.Press("lsbFirst");
        bench.Type("rowText0", "01 02 03");
        bench.Type("rowText2", "");
        bench.Type("keyA", "112233AABBCC");
        bench.Type("keyB", "445566DDEEFF");
        bench.Find<QComboBox>("access1")->setCurrentIndex(4);
        emit bench.Find<QComboBox>("access1")->activated(4);
        QCOMPARE(bench.Row(3), QString("11 22 33 AA BB CC FF 05 A0 69 44 55 66 DD EE FF"));

        // Declining the question writes nothing.
        const int writes = field.Requests(0x35);
        bench.Press("write");
        QCOMPARE(bench.rig.messages.asked.size(), 1);
        QCOMPARE(field.Requests(0x35), writes);

        bench.rig.messages.yes = true;
        bench.Press("write");
        QCOMPARE(field.Block(28), QString("01 02 03 00 00 00 00 00 00 00 00 00 00 00 00 00"));
        QCOMPARE(field.Block(31).left(26), QString("11 22 33 AA BB CC FF 05 A0"));
        // Row 2 had no text and keeps the data it was read with.
        QCOMPARE(field.Block(30), QString("00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
        QVERIFY2(bench.Status().endsWith(Ger(199)), qPrintable(QString(bench.Status())));
        QCOMPARE(bench.dlg->Access(), (vorex::cards::mifare::AccessValues{0, 4, 0, 4}));

        bench.Press("read");
        QVERIFY2(bench.Status().endsWith(Ger(232)),
                 qPrintable(QString("the old key no longer opens the sector")));

        // The new key goes into the reader's store through the key-store dialog.
        OnNextModal(bench.dlg.get(), [](QWidget* modal) {
            auto* keys = qobject_cast<CMifareDefineKeys*>(modal);
            QVERIFY(keys);
            keys->KeyEdit(0, 5)->setText("112233aabbcc");
            keys->findChild<QPushButton*>("store")->click();
            keys->findChild<QPushButton*>("close")->click();
        });
        bench.Press("defineKeys");
        QCOMPARE(field.StoredKey(0, 5), (vsim::Bytes{0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC}));
        bench.Key(0, 5);
        bench.Press("hex");
        bench.Press("read");
        QCOMPARE(bench.Row(0), QString("01 02 03 00 00 00 00 00 00 00 00 00 00 00 00 00"));
        // The key texts stay and go into the trailer row again (the card read zeros).
        QCOMPARE(bench.Row(3), QString("11 22 33 AA BB CC FF 05 A0 69 44 55 66 DD EE FF"));
        bench.Type("keyA", "");
        bench.Press("read");
        QCOMPARE(bench.Row(3).left(26), QString("00 00 00 00 00 00 FF 05 A0"));
    }

    // A refused block does not stop the others, and the end message names every
    // refused block with its cause; success only when nothing failed.
    void aRefusedWriteDoesNotStopTheOthers() {
        // Sector 2: Key A may write none of blocks 8, 9, 10; Key B blocks 8 and 10.
        const struct {
            int keyType;
            QString refused; // as the end message lists them
            QString block10; // its first byte afterwards
        } cases[] = {{0, "Block 8-10: ", "E8"}, {1, "Block 9: ", "AA"}}; // 10 holds 1000
        for (const auto& c : cases) {
            Field field;
            Bench bench;
            bench.OpenAt(field, 2, c.keyType, 1);
            bench.SelectRows({0, 1, 2});
            for (int r = 0; r < 3; ++r)
                bench.Type(QString("rowText%1").arg(r), "AA");
            bench.Press("write");
            QCOMPARE(field.WrittenBlocks(), (std::vector<int>{8, 9, 10}));
            QVERIFY2(!bench.All().contains(Ger(199)), qPrintable(bench.All()));
            QVERIFY2(bench.Status().contains(Ger(12305).section('%', 0, 0)),
                     qPrintable(bench.Status()));
            QVERIFY2(bench.Status().contains(c.refused + Ger(245)), qPrintable(bench.Status()));
            QVERIFY2(bench.All().contains(QString("Block 9 schreiben: %1").arg(Ger(245))),
                     qPrintable(bench.All()));
            QCOMPARE(field.Block(10).left(2), c.block10);
        }
        // A selected row without data is reported with its block.
        Field field;
        Bench bench;
        bench.OpenAt(field, 3, 0, 1);
        bench.SelectRows({1});
        bench.Press("write");
        QVERIFY2(bench.All().contains("Block 13 schreiben: " + Ger(12500)),
                 qPrintable(bench.All()));
        QVERIFY(!bench.All().contains(Ger(242).left(4)));
    }

    void fourKLayoutOfA16BlockSector() {
        Field field;
        Bench bench;
        bench.Open(field);
        QCOMPARE(bench.Label(3), QString("Rechte"));
        QVERIFY(!bench.Find<QCheckBox>("rowSelected4")->isVisible());
        bench.Sector(32);
        for (int r = 0; r < 15; ++r)
            QCOMPARE(bench.Label(r), QString("Block %1").arg(128 + r));
        QCOMPARE(bench.Label(15), QString("Rechte"));
        QCOMPARE(bench.Find<QLabel>("groupLabel0")->text(), QString("Block 128 - 132"));
        QCOMPARE(bench.Find<QLabel>("groupLabel1")->text(), QString("Block 133 - 137"));
        QCOMPARE(bench.Find<QLabel>("groupLabel2")->text(), QString("Block 138 - 142"));
        QVERIFY(bench.Find<QCheckBox>("rowSelected14")->isVisible());
        bench.Sector(33);
        bench.Key(0, 1);
        bench.Press("selectAll");
        bench.Press("rowSelected15");
        bench.Press("read");
        QCOMPARE(bench.Row(0), QString("73 65 63 74 6F 72 20 33 33 00 00 00 00 00 00 00"));
        QCOMPARE(bench.dlg->Access(), (vorex::cards::mifare::AccessValues{0, 2, 3, 3}));
        QCOMPARE(bench.Row(15).left(26), QString("00 00 00 00 00 00 13 CF 0E"));
        // Value mode on a row read as HEX shows its value and keeps its data.
        const std::vector<uint8_t> before = bench.dlg->RowData(10);
        bench.Press("valueMode10");
        QCOMPARE(bench.Row(10), QString("250"));
        QCOMPARE(bench.dlg->RowData(10), before);
        // Back to a 4-block sector: row 3 is the trailer again, the rows are empty and
        // nothing of sector 33's trailer is taken over.
        bench.Sector(31);
        QCOMPARE(bench.Label(3), QString("Rechte"));
        QVERIFY(bench.Row(0).isEmpty());
        QVERIFY(bench.Row(3).isEmpty());
        QCOMPARE(bench.Find<QComboBox>("access1")->currentIndex(), -1);
        QVERIFY(!bench.Find<QCheckBox>("rowSelected4")->isVisible());
        QCOMPARE(bench.Find<QLabel>("groupLabel2")->text(), QString("Block 126"));
    }

    void manufacturerBlockAndStatusReset() {
        Field field;
        Bench bench;
        bench.Open(field);
        QVERIFY(bench.Find<QLineEdit>("rowText0")->isReadOnly());
        QVERIFY(!bench.Find<QCheckBox>("valueMode0")->isEnabled());
        bench.Sector(6);
        bench.Press("read");
        QVERIFY(!bench.Status().isEmpty());
        bench.Press("read");
        QVERIFY(!bench.Log().isEmpty());
        bench.Press("resetStatus");
        QVERIFY(bench.Status().isEmpty());
        QVERIFY(bench.Log().isEmpty());
        QVERIFY(bench.Find<QLineEdit>("statusLine")->text().isEmpty());
    }

    void keyStoreDialogs() {
        Field field;
        vtest::ShellRig rig;
        CMifareDefineKeys keys(rig.env);
        keys.SetConnection(field.handle);
        keys.show();
        QCOMPARE(keys.Columns(), 2);
        QCOMPARE(keys.Rows(), 16);
        keys.findChild<QPushButton*>("philips")->click();
        QCOMPARE(keys.KeyEdit(0, 0)->text(), QString("9E8D7C6B5A49"));
        keys.KeyEdit(0, 0)->clear();

        // 11 characters: the marker at once, and both saving buttons refuse.
        keys.KeyEdit(1, 2)->setText("A0A1A2A3A4A");
        QVERIFY(keys.Marker(1, 2)->isVisibleTo(&keys));
        QVERIFY(!keys.Marker(0, 2)->isVisibleTo(&keys));
        keys.findChild<QPushButton*>("store")->click();
        keys.findChild<QPushButton*>("saveDefaults")->click();
        QCOMPARE(rig.messages.shown, QStringList({Ger(112), Ger(112)}));
        QCOMPARE(keys.FocusedEdit(), keys.KeyEdit(1, 2));
        QVERIFY(field.StoreRequests().empty());
        QVERIFY(!QSettings().contains("Default KeysB/Key2"));
        keys.KeyEdit(1, 2)->setText("A0A1A2A3A4AX");
        keys.findChild<QPushButton*>("store")->click();
        QCOMPARE(rig.messages.shown.last(), Ger(138));

        // Only Key B of row 3: exactly one store command, type 1, index 3.
        keys.KeyEdit(1, 2)->clear();
        QVERIFY(!keys.Marker(1, 2)->isVisibleTo(&keys));
        keys.KeyEdit(1, 3)->setText("b0b1b2b3b4b5");
        keys.findChild<QPushButton*>("store")->click();
        const auto sent = field.StoreRequests();
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(sent[0].data, (vsim::Bytes{1, 3, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}));

        // Saved defaults, empty ones too, come back with "Standard laden".
        keys.findChild<QPushButton*>("saveDefaults")->click();
        QCOMPARE(QSettings().value("Default KeysB/Key3").toString(), QString("b0b1b2b3b4b5"));
        QVERIFY(QSettings().contains("Default KeysA/Key0"));
        keys.findChild<QPushButton*>("clearAll")->click();
        QVERIFY(keys.KeyEdit(1, 3)->text().isEmpty());
        keys.findChild<QPushButton*>("loadDefaults")->click();
        QCOMPARE(keys.KeyEdit(1, 3)->text(), QString("b0b1b2b3b4b5"));
        keys.findChild<QPushButton*>("clearAll")->click();
        keys.findChild<QPushButton*>("saveDefaults")->click();
        keys.KeyEdit(1, 3)->setText("FFFFFFFFFFFF");
        keys.findChild<QPushButton*>("loadDefaults")->click();
        QVERIFY(keys.KeyEdit(1, 3)->text().isEmpty());

        // The focused edit takes the standard key, and the pointer stands beside it.
        keys.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&keys));
        keys.KeyEdit(1, 7)->setFocus();
        QTRY_COMPARE(keys.FocusedEdit(), keys.KeyEdit(1, 7));
        keys.findChild<QPushButton*>("infineon")->click();
        QCOMPARE(keys.KeyEdit(1, 7)->text(), QString("C3D4E5F60718"));
        QVERIFY(keys.Pointer()->isVisible());
        QCOMPARE(keys.Pointer()->geometry().right() + 1,
                 keys.KeyEdit(1, 7)->mapTo(&keys, QPoint(0, 0)).x());

        CMifareReducedKeys reduced(rig.env);
        reduced.SetConnection(field.handle);
        QCOMPARE(reduced.Columns(), 1);
        QCOMPARE(reduced.Rows(), 12);
        reduced.KeyEdit(0, 11)->setText("0102030405AB");
        reduced.findChild<QPushButton*>("store")->click();
        QCOMPARE(field.StoreRequests().back().data,
                 (vsim::Bytes{0, 11, 0x01, 0x02, 0x03, 0x04, 0x05, 0xAB}));
        reduced.findChild<QPushButton*>("saveDefaults")->click();
        QCOMPARE(QSettings().value("Default Keys/Key11").toString(), QString("0102030405AB"));
    }

    void smallKeyStoreOpensTheReducedDialog() {
        Field field;
        Bench bench;
        bench.Open(field, 225, true);
        bool reduced = false;
        OnNextModal(bench.dlg.get(), [&](QWidget* modal) {
            reduced = qobject_cast<CMifareReducedKeys*>(modal) != nullptr;
            modal->close();
        });
        bench.Press("defineKeys");
        QVERIFY(reduced);
    }

    void viewOpensBothWorkbenches() {
        Field field(false);
        WriteProfileString("Port", "Name", QString::fromStdString(field.sim->Path()));
        WriteProfileInt("Port", "Baudrate", 19200);
        WriteProfileInt("Port", "Timeout", 500);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        for (const auto& [command, objectName, sectors] :
             {std::tuple{40002, "225", 16}, std::tuple{40003, "226", 40}}) {
            QString opened;
            int tabs = 0;
            bool hostMode = false;
            OnNextModal(nullptr, [&](QWidget* modal) {
                auto* dlg = qobject_cast<CMifare1KDlg*>(modal);
                QVERIFY(dlg);
                opened = dlg->objectName();
                tabs = dlg->Tabs()->count();
                hostMode = field.HostMode();
                dlg->findChild<QPushButton*>("close")->click();
            });
            frame.View()->OnWorkbench(command);
            QCOMPARE(opened, QString(objectName));
            QCOMPARE(tabs, sectors);
            QVERIFY(hostMode);
            QVERIFY(!field.HostMode());
        }
    }

    // A write goes only to the card whose data the grid shows: another card of the
    // same size, or none, gets no write frame and the status names both UIDs.
    void writeGoesOnlyToTheCardThatWasRead() {
        for (const char* swapTo : {"classic1k-other", ""}) {
            Field field(true, TwinCardScenario());
            field.PutCard("classic1k");
            Bench bench;
            bench.Open(field, 225);
            bench.Sector(1);
            bench.Key(0, 1);
            bench.SelectRows({0, 1});
            bench.Press("read");
            QCOMPARE(bench.Row(1), QString("00 ").repeated(16).trimmed());
            if (*swapTo)
                field.PutCard(swapTo);
            else
                field.EmptyField();
            bench.Type("rowText1", "11223344");
            bench.Press("write");
            QCOMPARE(field.WrittenBlocks(), std::vector<int>{});
            QVERIFY2(bench.Status().contains("3E7A91C4"), qPrintable(bench.Status()));
            if (*swapTo)
                QVERIFY2(bench.Status().contains("5A3C91E2"), qPrintable(bench.Status()));
            QVERIFY(!bench.All().contains(Ger(199)));
            // The card whose data it is takes the write.
            field.PutCard("classic1k");
            bench.Press("write");
            QCOMPARE(field.WrittenBlocks(), (std::vector<int>{4, 5}));
        }
    }

    // A trailer is written only with both keys typed for the sector on show; "Alles
    // markieren" leaves the trailer row alone; the key fields and access values of
    // one sector never reach another's trailer.
    void trailerNeedsKeysTypedForItsSector() {
        Field field;
        Bench bench;
        bench.Open(field);
        bench.rig.messages.yes = true;
        bench.Sector(7); // delivery state: keys FFFFFFFFFFFF, access 0 0 0 4
        bench.Key(0, 0);
        bench.Press("selectAll");
        QVERIFY(!bench.Find<QCheckBox>("rowSelected3")->isChecked());
        bench.Press("rowSelected3");
        bench.Press("read");
        QCOMPARE(bench.Find<QComboBox>("access3")->currentIndex(), 4);
        // "Alles markieren" again, a data block changed: only that block is written.
        bench.Press("rowSelected3");
        bench.Press("selectAll");
        bench.Press("lsbFirst");
        bench.Type("rowText0", "01 02");
        bench.Press("write");
        QCOMPARE(field.WrittenBlocks(), (std::vector<int>{28, 29, 30}));
        QCOMPARE(field.Block(31), QString("FF FF FF FF FF FF FF 07 80 69 FF FF FF FF FF FF"));

        // The trailer row with empty key fields: nothing is sent, the status says why.
        const auto before = field.WrittenBlocks();
        bench.SelectRows({0, 3});
        bench.Press("write");
        QCOMPARE(field.WrittenBlocks(), before);
        QVERIFY2(bench.All().contains("Key A") && bench.All().contains("Key B"),
                 qPrintable(bench.All()));

        // Keys typed for sector 7 are gone in sector 8, and so are its access values.
        bench.Type("keyA", "112233AABBCC");
        bench.Type("keyB", "445566DDEEFF");
        bench.Sector(8);
        QVERIFY(bench.Find<QLineEdit>("keyA")->text().isEmpty());
        QVERIFY(bench.Find<QLineEdit>("keyB")->text().isEmpty());
        QCOMPARE(bench.Find<QComboBox>("access3")->currentIndex(), -1);
        QCOMPARE(bench.Rights(3), QString("000000000000"));
        bench.SelectRows({3});
        bench.Press("write");
        QCOMPARE(field.WrittenBlocks(), before);

        // Typed for sector 8: the question shows the bytes and rights, warns that the
        // access bits can never change again, and "No" sends nothing.
        bench.rig.messages.yes = false;
        bench.Type("keyA", "112233AABBCC");
        bench.Type("keyB", "445566DDEEFF");
        for (int g = 0; g < 4; ++g) {
            bench.Find<QComboBox>(QString("access%1").arg(g))->setCurrentIndex(g == 3 ? 3 : 0);
            emit bench.Find<QComboBox>(QString("access%1").arg(g))->activated(g == 3 ? 3 : 0);
        }
        bench.rig.messages.asked.clear();
        bench.Press("write");
        QCOMPARE(bench.rig.messages.asked.size(), 1);
        const QString asked = bench.rig.messages.asked.first();
        QVERIFY2(asked.contains("11 22 33 AA BB CC 77 8F 08 00 44 55 66 DD EE FF"),
                 qPrintable(asked));
        QVERIFY2(asked.contains(Ger(12319)), qPrintable(asked));
        QCOMPARE(field.WrittenBlocks(), before);
    }

    // A read that stops before the trailer takes no access values over from the sector
    // shown before.
    void partialReadClearsTheAccessValues() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 33, 0, 1);
        bench.Press("selectAll");
        bench.Press("rowSelected15");
        bench.Press("read");
        QCOMPARE(bench.dlg->Access(), (vorex::cards::mifare::AccessValues{0, 2, 3, 3}));
        bench.Sector(5); // block 20 may never be read: the read ends before the trailer
        bench.SelectRows({0, 1, 2, 3});
        bench.Press("read");
        QCOMPARE(bench.Find<QComboBox>("access1")->currentIndex(), -1);
        QCOMPARE(bench.Find<QComboBox>("access3")->currentIndex(), -1);
        QVERIFY(bench.Row(3).isEmpty());
        QCOMPARE(bench.Rights(0), QString("00000000"));
    }

    // A value outside 32 bits stops its row's write and counts as a failure; later
    // reads do not repeat it.
    void outOfRangeValueIsAFailedRow() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 1, 0, 1);
        bench.Press("valueMode1");
        bench.SelectRows({1, 2});
        bench.Type("rowText1", "99999999999");
        bench.Type("rowText2", "41");
        const QString block5 = field.Block(5);
        bench.Press("write");
        QCOMPARE(field.WrittenBlocks(), std::vector<int>{6});
        QCOMPARE(field.Block(5), block5);
        QVERIFY2(bench.Status().contains("Block 5") && bench.Status().contains("99999999999"),
                 qPrintable(bench.Status()));
        QVERIFY(!bench.All().contains(Ger(199)));
        bench.rig.messages.yes = true;
        const int lines = bench.All().count("99999999999");
        bench.Press("read");
        bench.Press("read");
        QCOMPARE(bench.All().count("99999999999"), lines);
    }

    // The key chosen to authenticate stays chosen across sector tabs.
    void keyChoiceSurvivesASectorChange() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 1, 1, 1);
        bench.Sector(2);
        QCOMPARE(bench.Find<QComboBox>("keyType")->currentIndex(), 1);
        QCOMPARE(bench.Find<QComboBox>("keyIndex")->currentIndex(), 1);
        bench.SelectRows({0});
        bench.Press("read");
        QCOMPARE(field.LastKey(), (std::pair<int, int>{1, 1}));
        QVERIFY2(!bench.Row(0).isEmpty(), qPrintable(bench.All()));
    }

    // An ASCII text with a character that has no single-byte code is refused, by
    // name, before anything is written.
    void asciiWithoutSingleByteCodeIsRefused() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 1, 0, 1);
        bench.Press("ascii");
        bench.SelectRows({0, 1});
        bench.Type("rowText0", "Preis");
        bench.Type("rowText1", "Preis 5 \u20AC");
        bench.Press("write");
        QCOMPARE(field.WrittenBlocks(), std::vector<int>{});
        QVERIFY2(bench.All().contains("\u20AC"), qPrintable(bench.All()));
        QVERIFY(!bench.All().contains(Ger(199)));
    }

    // Sector changes, reads and closing ask before they drop unwritten edits; "No" (the
    // default) keeps them.
    void unwrittenEditsAreNotDroppedSilently() {
        Field field;
        Bench bench;
        bench.OpenAt(field, 1, 0, 1);
        bench.SelectRows({0, 1});
        bench.Press("read");
        bench.Press("lsbFirst");
        bench.Type("rowText1", "01 02 03");
        bench.Sector(2);
        QCOMPARE(bench.rig.messages.asked.size(), 1);
        QVERIFY2(bench.rig.messages.asked.first().contains("5"),
                 qPrintable(bench.rig.messages.asked.first()));
        QCOMPARE(bench.dlg->Sector(), 1);
        QVERIFY(bench.dlg->Tabs()->currentIndex() == 1);
        QVERIFY(bench.Row(1).startsWith("01 02 03"));
        bench.Press("read");
        QCOMPARE(bench.rig.messages.asked.size(), 2);
        QVERIFY(bench.Row(1).startsWith("01 02 03"));
        // A cyclic read reads the other rows and leaves the edited one as typed.
        const int reads = field.Requests(0x34);
        bench.Press("cyclic");
        QTRY_VERIFY_WITH_TIMEOUT(field.Requests(0x34) >= reads + 2, 5000);
        bench.Press("cyclic");
        QTRY_VERIFY_WITH_TIMEOUT(bench.Find<QPushButton>("read")->isEnabled(), 5000);
        QCOMPARE(bench.rig.messages.asked.size(), 2);
        QVERIFY(bench.Row(1).startsWith("01 02 03"));
        QCOMPARE(bench.Row(0), QString("56 6F 72 65 78 20 64 65 6D 6F 20 34 4B 00 00 00"));
        // Closing the window asks as well; "No" keeps the dialog and the edit.
        QSignalSpy finished(&*bench.dlg, &QDialog::finished);
        bench.dlg->close();
        QCoreApplication::processEvents();
        QCOMPARE(bench.rig.messages.asked.size(), 3);
        QCOMPARE(finished.count(), 0);
        QVERIFY(bench.Row(1).startsWith("01 02 03"));
        bench.rig.messages.yes = true;
        bench.Press("read");
        QCOMPARE(bench.Row(1), QString("73 65 63 74 6F 72 20 31 20 62 6C 6F 63 6B 20 35"));
        // Written edits are no longer unwritten.
        bench.rig.messages.yes = false;
        bench.Type("rowText1", "01 02 03");
        bench.Press("write");
        bench.Sector(2);
        QCOMPARE(bench.rig.messages.asked.size(), 4);
        QCOMPARE(bench.dlg->Sector(), 2);
    }

    // "In Gerät speichern" reports what it stored, and on a failure which key failed
    // and why, without sending the keys after it.
    void keyStoreReportsTheOutcome() {
        Field field;
        vtest::ShellRig rig;
        CMifareDefineKeys keys(rig.env);
        keys.SetConnection(field.handle);
        keys.KeyEdit(0, 1)->setText("A0A1A2A3A4A5");
        keys.KeyEdit(1, 1)->setText("B0B1B2B3B4B5");
        keys.findChild<QPushButton*>("store")->click();
        QCOMPARE(field.StoreRequests().size(), size_t(2));
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY2(rig.messages.shown.last().contains("2"), qPrintable(rig.messages.shown.last()));

        // The reader stops answering: the first store command (Key A 1) waits, the two
        // after it are not sent.
        field.sim->Model().InjectFault({vsim::Fault::Kind::NoAnswer, 0, {}, 0, 0x39, 0, -1});
        keys.KeyEdit(0, 2)->setText("A0A1A2A3A4A5");
        QElapsedTimer timer;
        timer.start();
        keys.findChild<QPushButton*>("store")->click();
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(field.StoreRequests().size(), size_t(3));
        QCOMPARE(rig.messages.shown.size(), 2);
        const QString failed = rig.messages.shown.last();
        QVERIFY2(failed.startsWith("Key A 1 "), qPrintable(failed));
        QVERIFY2(failed.contains(": Timeout"), qPrintable(failed)); // the engine's reason
    }

    // "Alle Sektoren lesen" reads the card once with the store's keys and keeps it: the
    // sector tabs show it without reading again, with the key that opened each sector.
    void readAllSectorsKeepsTheCard() {
        Field field;
        Bench bench;
        bench.Open(field);
        bench.Press("readAll");
        QVERIFY(bench.dlg->WholeCard().has_value());
        QVERIFY2(bench.Status().contains("045A3C219B6E80") && bench.Status().contains("40"),
                 qPrintable(bench.Status()));
        const int reads = field.Requests(0x34);
        const int auths = field.Requests(0x33);
        bench.Sector(1);
        QCOMPARE(bench.Row(0), QString("56 6F 72 65 78 20 64 65 6D 6F 20 34 4B 00 00 00"));
        QCOMPARE(bench.Row(3).mid(18, 11), QString("77 8F 08 C1"));
        QCOMPARE(bench.dlg->Access(), (vorex::cards::mifare::AccessValues{0, 0, 0, 3}));
        QVERIFY(bench.Find<QLabel>("sectorState")->text().startsWith("Sektor 1: gelesen mit A"));
        bench.Sector(5); // block 20 may never be read
        QVERIFY2(bench.Find<QLabel>("sectorState")->text().endsWith("Block 20"),
                 qPrintable(bench.Find<QLabel>("sectorState")->text()));
        QVERIFY(bench.Row(0).isEmpty());
        QVERIFY(!bench.Row(1).isEmpty());
        bench.Sector(6); // no key of the store opens it
        QCOMPARE(bench.Find<QLabel>("sectorState")->text(), Ger(12513).replace("%1", "6"));
        bench.Sector(33);
        QCOMPARE(bench.Row(0), QString("73 65 63 74 6F 72 20 33 33 00 00 00 00 00 00 00"));
        QCOMPARE(field.Requests(0x34), reads);
        QCOMPARE(field.Requests(0x33), auths);
        // The kept card is the write's card: another one gets nothing.
        field.PutCard("classic1k");
        bench.SelectRows({1});
        bench.Press("write");
        QVERIFY2(bench.Status().contains("045A3C219B6E80"), qPrintable(bench.Status()));
        QVERIFY(field.WrittenBlocks().empty());
    }

    // The read of every sector shows its progress and can be cancelled: it ends before
    // the next sector, and the sectors not reached say so.
    void readAllSectorsCanBeCancelled() {
        Field field;
        Bench bench;
        vorex::ui::CWaitHook hook;
        bench.rig.env.waitHook = &hook;
        bench.Open(field);
        bool sawProgress = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* progress = bench.Find<QProgressBar>("progress");
            if (!sawProgress && progress->isVisible()) {
                sawProgress = true;
                QCOMPARE(bench.Find<QPushButton>("readAll")->text(), Ger(12506));
                QVERIFY(!bench.Find<QPushButton>("read")->isEnabled());
                bench.Press("readAll");
            }
        });
        poll.start(1);
        bench.Press("readAll");
        poll.stop();
        QVERIFY(sawProgress);
        QVERIFY(!bench.Find<QProgressBar>("progress")->isVisible());
        QVERIFY(bench.dlg->WholeCard()->cancelled);
        QVERIFY2(bench.Status().contains(Ger(12508).section('%', 0, 0)),
                 qPrintable(bench.Status()));
        QCOMPARE(bench.Find<QPushButton>("readAll")->text(), Ger(12505));
        QVERIFY(bench.Find<QPushButton>("read")->isEnabled());
        bench.Sector(39);
        QCOMPARE(bench.Find<QLabel>("sectorState")->text(), Ger(12514).replace("%1", "39"));
        QVERIFY(bench.Row(0).isEmpty());
    }

    // After the whole-card read the operator may take the keys it knows by value for a
    // sector into the key fields; a sector no key opened offers none.
    void knownKeysOfTheWholeCardGoIntoTheTrailer() {
        Field field;
        Bench bench;
        bench.Open(field);
        QVERIFY(!bench.Find<QPushButton>("knownKeys")->isEnabled());
        bench.Press("readAll");
        bench.Sector(6);
        QVERIFY(!bench.Find<QPushButton>("knownKeys")->isEnabled());
        bench.Sector(7); // delivery state: the transport key opens it, Key B is shown
        QVERIFY(bench.Find<QPushButton>("knownKeys")->isEnabled());
        QVERIFY(bench.Find<QLineEdit>("keyA")->text().isEmpty());
        bench.Press("knownKeys");
        QCOMPARE(bench.Find<QLineEdit>("keyA")->text(), QString("FFFFFFFFFFFF"));
        QCOMPARE(bench.Find<QLineEdit>("keyB")->text(), QString("FFFFFFFFFFFF"));
        bench.SelectRows({3});
        bench.Find<QComboBox>("access0")->setCurrentIndex(1);
        emit bench.Find<QComboBox>("access0")->activated(1);
        bench.rig.messages.yes = true;
        bench.Key(0, 0);
        bench.Press("write");
        QCOMPARE(field.WrittenBlocks(), std::vector<int>{31});
        QCOMPARE(field.Block(31).left(29), QString("FF FF FF FF FF FF FE 17 80 69"));
    }

    void translationCoversTheWorkbenchStrings() {
        QTranslator english;
        QVERIFY(english.load("VorexProgrammerEng.qm", VOREX_BINARY_DIR "/shell"));
        for (int id : {112, 138, 199, 232, 238, 239, 240, 241, 242}) {
            const QByteArray comment = QByteArray::number(id);
            QVERIFY2(!english
                          .translate("VorexStrings", vorex::GermanString(id).c_str(),
                                     comment.constData())
                          .isEmpty(),
                     comment.constData());
        }
        for (const char* text :
             {"MIFARE® Classic 4K", "Zugriffsrechte", "Value (dezimal)", "Stop bei Fehler",
              "Keys definieren (VX-B75)", "In Gerät speichern", "Philips Standard laden"})
            QVERIFY2(!english.translate("Vorex", text).isEmpty(), text);
    }
};

VOREX_QTEST_REGISTER(Mifare1KDlgTest)
} // namespace mifare1k_dlg_test
#include "Mifare1KDlgTest.moc"

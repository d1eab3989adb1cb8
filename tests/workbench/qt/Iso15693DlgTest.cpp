// The ISO 15693 workbench against the stand-in reader on a pseudo-terminal: reading
// every tag, writing with read-back, locking, cyclic reading, the tag log, and the view
// opening the workbench.
#include "workbench/iso15693/ISO15693Dlg.h"
#include "resources/strings/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "sim/Iso15693Tags.h"
#include "tests/workbench/qt/WorkbenchFixture.h"
#include "ui/EditableListCtrl.h"
#include "ui/InPlaceEdit.h"
#include "ui/Texts.h"
#include "workbench/iso15693/SelectLockBlocksDlg.h"
#include "workbench/iso15693/TagNaming.h"
#include "workbench/iso15693/TagTabs.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>
#include <nlohmann/json.hpp>

using namespace vorex::ui;
using namespace vorex::shell;
using nlohmann::json;
using vorex::wb::iso::CISO15693Dlg;
using vorex::wb::iso::Uid;
using Mark = CISO15693Dlg::CellMark;
using vtest::OnNextModal;

namespace {

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

json DemoTags() {
    std::ifstream in(VOREX_SOURCE_DIR "/sim/scenarios/demo.json");
    return json::parse(in).at("iso15693");
}

json Tags(std::vector<json> tags) {
    json section;
    section["tags"] = json::array();
    for (json& t : tags)
        section["tags"].push_back(std::move(t));
    return section;
}

// A stand-in reader (type 0x125) with the tags of an "iso15693" scenario section, and
// an open connection to it.
struct Field : vtest::ReaderField {
    vsim::Iso15693Commands* iso = nullptr;

    explicit Field(const json& section, bool connect = true)
        : ReaderField(std::make_unique<vtest::SimReader>(vsim::ReaderConfig{})) {
        std::vector<vsim::IsoTag> tags;
        std::string error;
        if (!vsim::ParseIso15693(section, tags, error))
            qFatal("bad tags: %s", error.c_str());
        auto set = std::make_unique<vsim::Iso15693Commands>(std::move(tags));
        iso = set.get();
        sim->Model().AddCommandSet(std::move(set));
        if (connect)
            Connect();
    }

    std::vector<vsim::IsoTag> SimTags() {
        auto lock = sim->Model().Lock();
        return iso->Tags();
    }
    vsim::IsoTag SimTag(const Uid& uid) {
        for (const vsim::IsoTag& t : SimTags())
            if (std::equal(t.uid.begin(), t.uid.end(), uid.begin()))
                return t;
        return {};
    }
    // Requests with this ISO 15693 command code.
    int IsoRequests(uint8_t code) {
        return Count([code](const vsim::Request& r) {
            return r.command == 0x20 && r.data.size() >= 2 && r.data[1] == code;
        });
    }
};

// The block as the grid shows it in HEX.
QString HexBlock(const vsim::IsoTag& tag, int block) {
    QStringList pairs;
    for (int i = 0; i < tag.blockSize; ++i)
        pairs << QString("%1")
                     .arg(tag.memory[static_cast<size_t>(block * tag.blockSize + i)], 2, 16,
                          QChar('0'))
                     .toUpper();
    return pairs.join(' ');
}

// The workbench as the operator opens it: shown, the start read done.
struct Bench : vtest::WorkbenchBench<CISO15693Dlg> {
    void Open(Field& field, bool highDataRateLock = false) {
        const int before = field.IsoRequests(0x01);
        WorkbenchBench::Open(std::make_unique<CISO15693Dlg>(rig.env), field.handle,
                             highDataRateLock);
        QTRY_VERIFY_WITH_TIMEOUT(field.IsoRequests(0x01) > before, 5000);
    }
    void ClickTab(int index) const {
        QTest::mouseClick(dlg->Tabs()->findChild<QPushButton*>(QString("tab%1").arg(index)),
                          Qt::LeftButton);
    }
    int TabOf(const std::string& uidMsbFirst) const {
        for (int i = 0; i < dlg->TagCount(); ++i)
            if (vorex::wb::iso::UidText(dlg->Tags()[static_cast<size_t>(i)]) == uidMsbFirst)
                return i;
        return -1;
    }
    // Types into a cell as the operator does and ends the edit with Enter.
    void Type(int row, int column, const QString& text) const {
        dlg->Grid()->EditSubLabel(row, column);
        auto* edit = dlg->Grid()->ActiveEdit();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        if (auto* next = dlg->Grid()->ActiveEdit())
            QTest::keyClick(next, Qt::Key_Escape);
    }
};

constexpr const char* kSlix = "E004015012345671";

} // namespace

class Iso15693DlgTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void controlsAreNamedOnceAndForScreenReaders() {
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        b.ExpectNamedControls();
    }

    void readAllShowsEveryTagInItsTab() {
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        const auto simTags = field.SimTags();
        // The Fujitsu tag ignores requests for two subcarriers (the default).
        const int reachable = int(std::count_if(
            simTags.begin(), simTags.end(), [](auto& t) { return !t.profile->oneSubcarrierOnly; }));
        QCOMPARE(b.dlg->TagCount(), reachable);
        QCOMPARE(b.dlg->Tabs()->tabText(b.TabOf(kSlix)).section(" - ", 1),
                 QString("ICode SLIX S20 - 015012345671")); // (0x50 >> 3) & 3 = 2
        for (int i = b.dlg->TagCount(); i < 16; ++i)
            QVERIFY(b.dlg->Tabs()->tabText(i).isEmpty());
        for (int i = 0; i < b.dlg->TagCount(); ++i) {
            if (i != 0)
                b.ClickTab(i);

            QCOMPARE(b.dlg->CurrentIndex(), i);
            const Uid uid = b.dlg->Tags()[size_t(i)];
            const vsim::IsoTag tag = field.SimTag(uid);
            QVERIFY(b.dlg->Tabs()->tabText(i).startsWith(QString("%1 - ").arg(i + 1)));
            QCOMPARE(int(b.dlg->Slot(i).blockCount), tag.blockCount);
            QCOMPARE(int(b.dlg->Slot(i).blockSize), tag.blockSize);
            const int perRow = b.dlg->Slot(i).blocksPerRow;
            QCOMPARE(b.dlg->Grid()->rowCount(), (tag.blockCount + perRow - 1) / perRow);
            for (int block = 0; block < tag.blockCount; ++block)
                QCOMPARE(b.dlg->Grid()->CellText(block / perRow, block % perRow + 1),
                         HexBlock(tag, block));
        }
        // The Fujitsu tag answers with one subcarrier.
        b.Click("1296");
        QCOMPARE(ProfileInt("Settings", "RequestFlag", -1), 0);
        b.Click("1030");
        QCOMPARE(b.dlg->TagCount(), int(simTags.size()));
    }

    void editWriteReadBack() {
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        QCOMPARE(b.dlg->CurrentIndex(), 0);
        b.ClickTab(b.TabOf(kSlix));
        const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
        const int row = 5 / perRow;
        const int column = 5 % perRow + 1;
        b.Type(row, column, "c0ffee");
        QCOMPARE(b.dlg->Grid()->CellText(row, column), QString("c0 ff ee 00"));
        QCOMPARE(b.dlg->MarkOf(row, column), Mark::Changed);
        b.Click("1129");
        QCOMPARE(b.rig.messages.shown, QStringList{Ger(199)});
        QCOMPARE(HexBlock(field.SimTag(b.dlg->Tags()[size_t(b.dlg->CurrentIndex())]), 5),
                 QString("C0 FF EE 00"));
        QCOMPARE(b.dlg->MarkOf(row, column), Mark::Plain);
        // Nothing changed: nothing written, no message.
        const int writes = field.IsoRequests(0x21);
        b.Click("1129");
        QCOMPARE(field.IsoRequests(0x21), writes);
        QCOMPARE(b.rig.messages.shown.size(), 1);
    }

    void readBackDifferenceIsReportedAndTheRestWritten() {
        Field field(Tags({{{"type", "nxp-icode-slix"},
                           {"uid", "E0 04 01 50 00 00 00 01"},
                           {"ignores_writes", true}}}));
        Bench b;
        b.Open(field);
        const int perRow = b.dlg->Slot(0).blocksPerRow;
        b.Type(3 / perRow, 3 % perRow + 1, "11223344");
        b.Type(9 / perRow, 9 % perRow + 1, "55");
        b.Click("1129");
        const QStringList expected{Format(Ger(218), 3), Format(Ger(218), 9)};
        QCOMPARE(b.rig.messages.shown, expected);
        QCOMPARE(b.dlg->MarkOf(3 / perRow, 3 % perRow + 1), Mark::Changed);
        QCOMPARE(b.dlg->Grid()->CellText(3 / perRow, 3 % perRow + 1), QString("11 22 33 44"));
        QCOMPARE(field.IsoRequests(0x21), 2);
    }

    void hexInputChecks() {
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        b.ClickTab(b.TabOf(kSlix));
        const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
        const int row = 6 / perRow;
        const int col = 6 % perRow + 1;
        b.Type(row, col, "G");
        QVERIFY(b.dlg->Status().Current().endsWith(Ger(138)));
        QCOMPARE(b.dlg->Grid()->CellText(row, col), QString("00 00 00 00"));
        b.Type(row, col, "123456789");
        QVERIFY(b.dlg->Status().Current().endsWith(Ger(162)));
        QCOMPARE(b.dlg->Grid()->CellText(row, col), QString("12 34 56 78"));
        b.Type(row, col, "");
        QCOMPARE(b.dlg->Grid()->CellText(row, col), QString("00 00 00 00"));
        // The previous message moved into the log.
        QVERIFY(
            b.Find<QPlainTextEdit>("1007")->toPlainText().contains("Eingabe hat kein HEX-Format"));
        b.Click("1139");
        QVERIFY(b.Find<QPlainTextEdit>("1007")->toPlainText().isEmpty());
        QVERIFY(b.Find<QLineEdit>("1120")->text().isEmpty());
    }

    void lockedRangeTurnsPinkAndKeepsItsText() {
        WriteProfileInt("Settings", "VonBlock", 10);
        WriteProfileInt("Settings", "BisBlock", 80);
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        b.ClickTab(b.TabOf(kSlix));
        const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
        // Block 0 is locked from the start.
        QCOMPARE(b.dlg->MarkOf(0, 1), Mark::Locked);
        QCOMPARE(b.dlg->MarkOf(0, 2), Mark::Plain);

        // Cancelled confirmation: nothing is locked.
        QString from, to;
        OnNextModal(b.dlg.get(), [&](QWidget* modal) {
            from = modal->findChild<QLineEdit*>("1138")->text();
            to = modal->findChild<QLineEdit*>("1139")->text();
            static_cast<QDialog*>(modal)->accept();
        });
        b.rig.messages.yes = false;
        b.Click("1031");
        QCOMPARE(from, QString("10"));
        QCOMPARE(to, QString("27")); // lowered to the tag's last block
        QCOMPARE(b.rig.messages.asked, QStringList{Ger(216)});
        QCOMPARE(field.IsoRequests(0x22), 0);

        OnNextModal(b.dlg.get(), [](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
        b.rig.messages.yes = true;
        b.Click("1031");
        QCOMPARE(field.IsoRequests(0x22), 18);
        const auto tag = field.SimTag(b.dlg->Tags()[size_t(b.dlg->CurrentIndex())]);
        for (int block = 0; block < 28; ++block)
            QCOMPARE(bool(tag.locked[size_t(block)]), block == 0 || block >= 10);
        QCOMPARE(b.dlg->MarkOf(10 / perRow, 10 % perRow + 1), Mark::Locked);
        QCOMPARE(b.dlg->MarkOf(27 / perRow, 27 % perRow + 1), Mark::Locked);
        QCOMPARE(b.dlg->MarkOf(9 / perRow, 9 % perRow + 1), Mark::Plain);
        // An edit of a locked block brings its stored text back.
        const QString stored = b.dlg->Grid()->CellText(12 / perRow, 12 % perRow + 1);
        b.Type(12 / perRow, 12 % perRow + 1, "ABCDEF01");
        QCOMPARE(b.dlg->Grid()->CellText(12 / perRow, 12 % perRow + 1), stored);
        QCOMPARE(b.dlg->MarkOf(12 / perRow, 12 % perRow + 1), Mark::Locked);
        QVERIFY(b.Find<QLineEdit>("1120")->text().isEmpty()); // locking a locked tag is quiet
    }

    void lockDialogRangeChecks() {
        vtest::RecordingMessages messages;
        WriteProfileInt("Settings", "VonBlock", 3);
        WriteProfileInt("Settings", "BisBlock", 5);
        vorex::wb::iso::CSelectLockBlocksDlg d(27, &messages);
        d.findChild<QLineEdit*>("1138")->setText("9");
        d.findChild<QLineEdit*>("1139")->setText("8");
        d.findChild<QRadioButton*>("1137")->setChecked(true);
        d.accept(); // "Alle" still needs a valid range
        QCOMPARE(messages.shown, QStringList{S(61714).arg(9).arg(27)});
        QVERIFY(!d.isVisible() && d.result() != QDialog::Accepted);
        QCOMPARE(ProfileInt("Settings", "VonBlock", -1), 3);
        d.findChild<QLineEdit*>("1139")->setText("27");
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.Mode(), 1);
        QCOMPARE(ProfileInt("Settings", "VonBlock", -1), 9);
        QCOMPARE(ProfileInt("Settings", "BisBlock", -1), 27);
        vorex::wb::iso::CSelectLockBlocksDlg cancelled(27, &messages);
        cancelled.findChild<QLineEdit*>("1138")->setText("1");
        cancelled.reject();
        QCOMPARE(ProfileInt("Settings", "VonBlock", -1), 9);
    }

    void infineonServiceBlocksAreNotWritten() {
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        b.ClickTab(b.TabOf("E00545660120331A"));
        QCOMPARE(int(b.dlg->Slot(b.dlg->CurrentIndex()).blockSize), 8);
        QCOMPARE(int(b.dlg->Slot(b.dlg->CurrentIndex()).blockCount), 32);
        const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
        b.Type(1 / perRow, 1 % perRow + 1, "01");
        b.Click("1129");
        QVERIFY(b.dlg->Status().Current().endsWith(Ger(225)));
        QCOMPARE(field.IsoRequests(0xA0) > 0, true); // read with the custom command
        QVERIFY(b.rig.messages.shown.isEmpty());
    }

    void seventeenTagsGiveSixteenTabs() {
        Field field(json{{"count", 17}, {"generated_type", "nxp-icode-slix"}, {"seed", 3}});
        Bench b;
        b.Open(field);
        QCOMPARE(b.dlg->TagCount(), 16);
        for (int i = 0; i < 16; ++i)
            QVERIFY(b.dlg->Tabs()->tabText(i).startsWith(QString("%1 - ICode").arg(i + 1)));
    }

    void noTagLeavesBlankCaptions() {
        Field field(Tags(std::vector<json>{}));
        Bench b;
        b.Open(field);
        QCOMPARE(b.dlg->TagCount(), 0);
        for (int i = 0; i < 16; ++i)
            QVERIFY(b.dlg->Tabs()->tabText(i).isEmpty());
        // Slot 0's row labels with empty cells; no count message (it was 0 before).
        QCOMPARE(b.dlg->Grid()->rowCount(), 16);
        QCOMPARE(b.dlg->Grid()->CellText(15, 0), QString("60 - 63"));
        QVERIFY(b.dlg->Grid()->CellText(0, 1).isEmpty());
        QVERIFY(b.Find<QPlainTextEdit>("1007")->toPlainText().isEmpty());
        QVERIFY(b.Find<QLineEdit>("1120")->text().isEmpty());
    }

    void highDataRateLock() {
        WriteProfileInt("Settings", "RequestFlag", 3);
        Field field(DemoTags());
        Bench b;
        b.Open(field, true);
        QCOMPARE(b.dlg->RequestFlags(), 1);
        QVERIFY(!b.Find<QCheckBox>("1295")->isEnabled());
        QVERIFY(!b.Find<QCheckBox>("1295")->isChecked());
        QVERIFY(b.Find<QCheckBox>("1296")->isChecked());
    }

    void cyclicReadingReadsEachNewTagOnce() {
        WriteProfileInt("Settings", "ZyklusZeit", 100);
        Field field(Tags({{{"type", "nxp-icode-slix-l"}, {"uid", "E0 04 03 10 00 00 00 01"}}}));
        Bench b;
        b.Open(field);
        QVERIFY(field.HostMode());
        const int reads = field.IsoRequests(0x20);
        QCOMPARE(reads, 8);
        b.Click("1102");
        QVERIFY(!b.Find<QPushButton>("1030")->isEnabled());
        QVERIFY(b.Find<QPushButton>("1102")->isEnabled());
        // The first tick reads the tag; later ticks only inventory.
        QTRY_COMPARE_WITH_TIMEOUT(field.IsoRequests(0x20), reads + 8, 5000);
        const int inventories = field.IsoRequests(0x01);
        QTRY_VERIFY_WITH_TIMEOUT(field.IsoRequests(0x01) >= inventories + 3, 5000);
        QCOMPARE(field.IsoRequests(0x20), reads + 8);
        // A new tag in place of the old one is read again.
        {
            auto lock = field.sim->Model().Lock();
            auto& tags = field.iso->Tags();
            tags[0] = vsim::MakeIsoTag(*tags[0].profile, {2, 0, 0, 0, 0x10, 3, 4, 0xE0});
        }
        QTRY_COMPARE_WITH_TIMEOUT(field.IsoRequests(0x20), reads + 16, 5000);
        QCOMPARE(vorex::wb::iso::UidText(b.dlg->Tags()[0]), std::string("E004031000000002"));
        // Closing stops the timer; the workbench says host mode off when it goes.
        b.Click("2");
        QVERIFY(!b.dlg->CyclicRunning());
        QVERIFY(!b.Find<QPushButton>("1102")->isChecked());
        QTRY_VERIFY(!b.dlg->isVisible());
        const int after = field.IsoRequests(0x01);
        QTest::qWait(300);
        QCOMPARE(field.IsoRequests(0x01), after);
        QVERIFY(field.HostMode());
        b.dlg.reset();
        QVERIFY(!field.HostMode());
    }

    void tagLogFile() {
        QTemporaryDir dir;
        WriteProfileInt("Settings", "Speichern", 1);
        Field field(DemoTags());
        Bench b;
        QStringList offered;
        b.rig.env.chooseSaveFile = [&](QWidget*, const QString& initial, const QString&) {
            offered << initial;
            return dir.filePath("tags");
        };
        b.Open(field);
        const QString path = dir.filePath("tags ISO15693.pos");
        QCOMPARE(b.dlg->TagLogPath(), path);
        QCOMPARE(b.dlg->windowTitle(), QString("ISO 15693 - tags ISO15693.pos"));
        QCOMPARE(offered, QStringList{"C:\\test"});
        QCOMPARE(ProfileString("Settings", "LastPfad"), path);
        auto lines = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly)
                       ? QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts)
                       : QStringList{};
        };
        const int tags = b.dlg->TagCount();
        QCOMPARE(lines().size(), tags);
        QVERIFY(lines().at(b.TabOf(kSlix)).endsWith(" ISO15693 ICode -> HEX - 015012345671"));
        QVERIFY(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d ISO")
                    .match(lines().at(0))
                    .hasMatch());
        b.Click("1030");
        QCOMPARE(lines().size(), 2 * tags);
        b.Click("1032"); // "Seite Lesen" logs nothing
        QCOMPARE(lines().size(), 2 * tags);
        // A second file replaces the caption's file part.
        b.rig.env.chooseSaveFile = [&](QWidget*, const QString& initial, const QString&) {
            offered << initial;
            return dir.filePath("more.txt");
        };
        b.Click("1118");
        QCOMPARE(b.dlg->windowTitle(), QString("ISO 15693 - more ISO15693.txt"));
        QCOMPARE(offered.last(), path);
    }

    void cancelledLogFileClosesTheWorkbench() {
        WriteProfileInt("Settings", "Speichern", 1);
        Field field(DemoTags());
        vtest::ShellRig rig;
        rig.env.chooseSaveFile = [](QWidget*, const QString&, const QString&) { return QString(); };
        CISO15693Dlg dlg(rig.env);
        dlg.SetConnection(field.handle, false);
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(field.IsoRequests(0x01), 0);
    }

    void viewOpensTheWorkbench() {
        Field field(DemoTags(), false);
        WriteProfileString("Port", "Name", QString::fromStdString(field.sim->Path()));
        WriteProfileInt("Port", "Baudrate", 19200);
        WriteProfileInt("Port", "Timeout", 500);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        int tags = -1;
        bool hdrEnabled = true;
        bool hostMode = false;
        OnNextModal(nullptr, [&](QWidget* modal) {
            auto* dlg = qobject_cast<CISO15693Dlg*>(modal);
            QVERIFY(dlg);
            QTRY_VERIFY_WITH_TIMEOUT(field.IsoRequests(0x01) > 0, 5000);
            tags = dlg->TagCount();
            hdrEnabled = dlg->findChild<QCheckBox*>("1295")->isEnabled();
            hostMode = field.HostMode();
            QTest::mouseClick(dlg->findChild<QPushButton*>("2"), Qt::LeftButton);
        });
        frame.View()->OnWorkbench(40001);
        QCOMPARE(tags, 9);
        QVERIFY(!hdrEnabled); // type 0x125 may not use the high data rate
        QVERIFY(hostMode);
        QVERIFY(!field.HostMode());
    }

    void translationCoversTheWorkbenchStrings() {
        QTranslator english;
        QVERIFY(english.load("VorexProgrammerEng.qm", VOREX_BINARY_DIR "/shell"));
        for (int id : {138, 162, 163, 198, 199, 200, 201, 205, 216, 218, 225}) {
            const QByteArray comment = QByteArray::number(id);
            QVERIFY2(!english
                          .translate("VorexStrings", vorex::GermanString(id).c_str(),
                                     comment.constData())
                          .isEmpty(),
                     comment.constData());
        }
        for (const char* text : {"Alles Lesen", "Seite Schreiben", "Blöcke sperren", "Blockauswahl",
                                 "nacheinander alle Reiter anzeigen"})
            QVERIFY2(!english.translate("Vorex", text).isEmpty(), text);
    }
};

VOREX_QTEST_MAIN(Iso15693DlgTest)
#include "Iso15693DlgTest.moc"

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
#include "ui/WaitHook.h"
#include "workbench/common/TextIds.h"
#include "workbench/iso15693/SelectLockBlocksDlg.h"
#include "workbench/iso15693/TagNaming.h"
#include "workbench/iso15693/TagTabs.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <fstream>
#include <nlohmann/json.hpp>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace iso15693_dlg_test {

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
    // Block reads (Read Single and Read Multiple Blocks), whatever tag they address.
    int BlockReadRequests() { return IsoRequests(0x20) + IsoRequests(0x23); }
    size_t RequestCount() { return sim->Model().Requests().size(); }
};

// An addressed block read as the reader was sent it: the tag and the blocks asked for.
struct BlockRead {
    Uid uid{};
    int first = 0;
    int count = 0;
};

// The addressed block reads among the requests from index `from` on, in order.
std::vector<BlockRead> BlockReads(Field& field, size_t from = 0) {
    std::vector<BlockRead> reads;
    const auto requests = field.sim->Model().Requests();
    for (size_t i = from; i < requests.size(); ++i) {
        const vsim::Bytes& d = requests[i].data;
        if (requests[i].command != 0x20 || d.size() < 11 || (d[1] != 0x20 && d[1] != 0x23) ||
            (d[0] & 0x20) == 0)
            continue;
        BlockRead r;
        std::copy(d.begin() + 2, d.begin() + 10, r.uid.begin());
        // ST tags take two-byte block numbers with the protocol extension flag.
        const bool twoBytes = (d[0] & 0x08) != 0 && r.uid[6] == 0x02;
        r.first = twoBytes && d.size() > 11 ? d[10] | d[11] << 8 : d[10];
        const size_t countAt = twoBytes ? 12 : 11;
        r.count = d[1] == 0x23 && d.size() > countAt ? d[countAt] + 1 : 1;
        reads.push_back(r);
    }
    return reads;
}

// Runs `act` once as soon as `when` holds (while `owner` lives). The dialog's waits
// pump events, so this also runs in the middle of a read.
void When(QObject* owner, std::function<bool()> when, std::function<void()> act) {
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, [poll, when, act] {
        if (!when())
            return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start(0);
}

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
        // Key clicks carry only ASCII; other characters arrive as typed text.
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
        QTest::keyClick(edit, Qt::Key_Return);
        if (auto* next = dlg->Grid()->ActiveEdit())
            QTest::keyClick(next, Qt::Key_Escape);
    }
};

constexpr const char* kSlix = "E004015012345671";
constexpr const char* kSt = "E0022C0048159E07";

// A large ST tag (2048 blocks) and a small SLIX, as vorex-sim's demo has them.
json StAndSlix() {
    return Tags({{{"type", "st-m24lr64"}, {"uid", "E0 02 2C 00 48 15 9E 07"}},
                 {{"type", "nxp-icode-slix"}, {"uid", "E0 04 01 50 12 34 56 71"}}});
}

Uid UidOf(const std::string& msbFirst) {
    Uid uid{};
    for (size_t i = 0; i < 8; ++i)
        uid[7 - i] = uint8_t(std::stoi(msbFirst.substr(2 * i, 2), nullptr, 16));
    return uid;
}

// A cyclic tick runs: cyclic reading is on and its timer waits for the tick's end.
bool InTick(const CISO15693Dlg& dlg) {
    return !dlg.CyclicRunning() && dlg.findChild<QPushButton*>("1102")->isChecked();
}

// The last block read went to this tag and did not reach its last block.
bool MidRead(Field& field, const Uid& uid, int blockCount) {
    const auto reads = BlockReads(field);
    return !reads.empty() && reads.back().uid == uid &&
           reads.back().first + reads.back().count < blockCount;
}

bool Shows(const CISO15693Dlg& dlg, const Uid& uid) {
    return dlg.ShownUid() == std::vector<uint8_t>(uid.begin(), uid.end());
}

// The grid shows exactly the tag's blocks.
bool GridShows(const CISO15693Dlg& dlg, const vsim::IsoTag& tag) {
    const int perRow = dlg.Slot(dlg.CurrentIndex()).blocksPerRow;
    if (dlg.StoredText().size() != size_t(tag.blockCount))
        return false;
    for (int block = 0; block < tag.blockCount; ++block)
        if (dlg.Grid()->CellText(block / perRow, block % perRow + 1) != HexBlock(tag, block))
            return false;
    return true;
}

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
        // The status says which tag answers only with one subcarrier.
        QVERIFY(b.Find<QPlainTextEdit>("1007")->toPlainText().contains(
            "1 Transponder antworten nur mit einem Unterträger (E0080100000A55B9)"));
        QCOMPARE(b.dlg->Tabs()->tabText(b.TabOf(kSlix)).section(" - ", 1),
                 QString("ICode SLIX S20 - 015012345671")); // (0x50 >> 3) & 3 = 2
        for (int i = b.dlg->TagCount(); i < 16; ++i)
            QVERIFY(b.dlg->Tabs()->tabText(i).isEmpty());
        // Every caption fits its tab, last digit included.
        for (int i = 0; i < b.dlg->TagCount(); ++i) {
            auto* tab = b.dlg->Tabs()->findChild<QPushButton*>(QString("tab%1").arg(i));
            QVERIFY2(tab->fontMetrics().horizontalAdvance(tab->text()) + 10 <= tab->width(),
                     qPrintable(tab->text()));
        }
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
        QCOMPARE(b.dlg->Grid()->CellText(row, column), QString("C0 FF EE 00")); // as the tag has it
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
        // One end message naming both blocks; never "written successfully".
        QCOMPARE(b.rig.messages.shown.size(), 1);
        const QString summary = b.rig.messages.shown.first();
        QVERIFY2(summary.contains("2 von 2") && summary.contains(Format(Ger(218), 3)) &&
                     summary.contains(Format(Ger(218), 9)),
                 qPrintable(summary));
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
        QVERIFY(b.Find<QPlainTextEdit>("1007")->toPlainText().contains("Block 1 schreiben: " +
                                                                       Ger(225)));
        QCOMPARE(field.IsoRequests(0xA0) > 0, true); // read with the custom command
        QCOMPARE(field.IsoRequests(0x21), 0);
        QCOMPARE(b.rig.messages.shown.size(), 1);
        QVERIFY(b.rig.messages.shown.first().contains("Block 1: " + Ger(225)));
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
        // The 8 blocks in one Read Multiple Blocks.
        const int reads = field.BlockReadRequests();
        QCOMPARE(reads, 1);
        b.Click("1102");
        QVERIFY(!b.Find<QPushButton>("1030")->isEnabled());
        QVERIFY(b.Find<QPushButton>("1102")->isEnabled());
        // The first tick reads the tag; later ticks only inventory.
        QTRY_COMPARE_WITH_TIMEOUT(field.BlockReadRequests(), reads + 1, 5000);
        const int inventories = field.IsoRequests(0x01);
        QTRY_VERIFY_WITH_TIMEOUT(field.IsoRequests(0x01) >= inventories + 3, 5000);
        QCOMPARE(field.BlockReadRequests(), reads + 1);
        // A new tag in place of the old one is read again.
        {
            auto lock = field.sim->Model().Lock();
            auto& tags = field.iso->Tags();
            tags[0] = vsim::MakeIsoTag(*tags[0].profile, {2, 0, 0, 0, 0x10, 3, 4, 0xE0});
        }
        QTRY_COMPARE_WITH_TIMEOUT(field.BlockReadRequests(), reads + 2, 5000);
        QCOMPARE(vorex::wb::iso::UidText(b.dlg->Tags()[0]), std::string("E004031000000002"));
        // Closing stops the timer and says host mode off at once.
        b.Click("2");
        QVERIFY(!b.dlg->CyclicRunning());
        QVERIFY(!b.Find<QPushButton>("1102")->isChecked());
        QTRY_VERIFY(!b.dlg->isVisible());
        const int after = field.IsoRequests(0x01);
        QTest::qWait(300);
        QCOMPARE(field.IsoRequests(0x01), after);
        QVERIFY(!field.HostMode());
    }

    // A tab clicked while a cyclic tick reads a tag applies at the next tick: the
    // tick reads its own tag to the end and never sends a block read to the other.
    void tabClickDuringCyclicTickKeepsTheTickOnItsTag() {
        WriteProfileInt("Settings", "ZyklusZeit", 100);
        Field field(StAndSlix());
        vorex::ui::CWaitHook hook;
        Bench b;
        b.rig.env.waitHook = &hook;
        b.Open(field);
        const Uid st = UidOf(kSt), slix = UidOf(kSlix);
        if (b.TabOf(kSt) != 0)
            b.ClickTab(b.TabOf(kSt));
        QTRY_VERIFY_WITH_TIMEOUT(Shows(*b.dlg, st), 5000);
        QCOMPARE(b.dlg->Grid()->verticalScrollBar()->value(), 0); // read, shown from the top
        const size_t start = field.RequestCount();
        size_t clicked = 0;
        QObject polls; // ends the polling with the test
        When(
            &polls,
            [&] {
                return InTick(*b.dlg) && BlockReads(field, start).size() >= 3 &&
                       MidRead(field, st, 2048);
            },
            [&] {
                clicked = field.RequestCount();
                b.dlg->Tabs()
                    ->findChild<QPushButton*>(QString("tab%1").arg(b.TabOf(kSlix)))
                    ->click();
            });
        b.Click("1102");
        QTRY_VERIFY2_WITH_TIMEOUT(
            clicked > 0 && Shows(*b.dlg, slix),
            qPrintable(QString("clicked %1 index %2 tab %3 reads %4 log %5")
                           .arg(clicked)
                           .arg(b.dlg->CurrentIndex())
                           .arg(b.dlg->Tabs()->currentIndex())
                           .arg(BlockReads(field, start).size())
                           .arg(b.Find<QPlainTextEdit>("1007")->toPlainText() +
                                b.dlg->Status().Current())),
            10000);
        b.Click("1102");
        QTRY_VERIFY(!b.dlg->CyclicRunning());
        // The tick went on with the ST tag to its last block, then the SLIX was read.
        int stEnd = 0;
        bool slixSeen = false;
        for (const BlockRead& r : BlockReads(field, start)) {
            if (r.uid == st) {
                QVERIFY2(!slixSeen, "a block read of the ST tag after the SLIX was read");
                stEnd = std::max(stEnd, r.first + r.count);
            } else {
                QCOMPARE(r.uid, slix);
                QCOMPARE(stEnd, 2048);
                QVERIFY2(r.first + r.count <= 28, "a block the SLIX does not have");
                slixSeen = true;
            }
        }
        QVERIFY(slixSeen);
        QCOMPARE(b.dlg->Tabs()->currentIndex(), b.TabOf(kSlix));
        QVERIFY(GridShows(*b.dlg, field.SimTag(slix)));
    }

    // "Schließen" during a cyclic tick ends the read between two exchanges: the
    // workbench is gone, host mode is off and the port opens again at once.
    void closeDuringCyclicTickFreesThePortAtOnce() {
        Field field(StAndSlix(), false);
        WriteProfileString("Port", "Name", QString::fromStdString(field.sim->Path()));
        WriteProfileInt("Port", "Baudrate", 19200);
        WriteProfileInt("Port", "Timeout", 500);
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        vorex::ui::CWaitHook hook;
        vtest::ShellRig rig;
        rig.env.waitHook = &hook;
        CMainFrame frame(rig.env);
        // Every ISO 15693 request takes a few milliseconds, so that waits pump events.
        field.sim->Model().InjectFault({vsim::Fault::Kind::Delay, 5, {}, 0, 0x20, 0, -1});
        size_t closedAt = 0;
        const Uid st = UidOf(kSt);
        OnNextModal(nullptr, [&](QWidget* modal) {
            auto* dlg = qobject_cast<CISO15693Dlg*>(modal);
            QVERIFY(dlg);
            When(
                dlg,
                [&, dlg] {
                    return InTick(*dlg) && BlockReads(field).size() >= 3 &&
                           MidRead(field, st, 2048);
                },
                [&, dlg] {
                    closedAt = field.RequestCount();
                    dlg->findChild<QPushButton*>("2")->click();
                });
            // Never left open, whatever happens.
            QTimer::singleShot(20000, dlg, [dlg] { dlg->done(QDialog::Rejected); });
            dlg->findChild<QCheckBox*>("1294")->setChecked(true); // every tick reads
            dlg->findChild<QPushButton*>("1102")->click();
        });
        frame.View()->OnWorkbench(40001);
        QVERIFY(closedAt > 0);
        // At most the exchange that was under way when "Schließen" came, then host mode off.
        QVERIFY2(BlockReads(field, closedAt).size() <= 1,
                 qPrintable(QString::number(BlockReads(field, closedAt).size())));
        QVERIFY(!field.HostMode());
        const int again = VOREX_OpenPort(field.sim->Path().c_str(), 19200, 500);
        QVERIFY(again > 0);
        VOREX_ClosePort(again);
    }

    // A long read shows progress and stops at the cancel button or Esc: the blocks
    // read stay on the grid, the status says it was cancelled, the dialog stays.
    void longReadIsCancelledByButtonOrEsc() {
        for (const bool esc : {false, true}) {
            QSettings().clear();
            Field field(StAndSlix());
            field.sim->Model().InjectFault({vsim::Fault::Kind::Delay, 2, {}, 0, 0x20, 0, -1});
            vorex::ui::CWaitHook hook;
            Bench b;
            b.rig.env.waitHook = &hook;
            b.Open(field);
            QTRY_VERIFY_WITH_TIMEOUT(!b.dlg->ShownUid().empty(), 5000);
            if (b.TabOf(kSt) != 0)
                b.ClickTab(b.TabOf(kSt));
            const size_t start = field.RequestCount();
            bool progressShown = false;
            size_t cancelledAt = 0;
            const QRect buttonsBefore = b.Find<QPushButton>("1030")->geometry();
            QRect buttonsDuring;
            QObject polls;
            When(
                &polls, [&] { return BlockReads(field, start).size() >= 3; },
                [&] {
                    cancelledAt = field.RequestCount();
                    progressShown = b.Find<QProgressBar>("1269")->isVisible();
                    QApplication::processEvents(); // lay out with the bar shown
                    buttonsDuring = b.Find<QPushButton>("1030")->geometry();
                    if (esc)
                        QTest::keyClick(b.dlg.get(), Qt::Key_Escape);
                    else
                        b.Click("cancelOperation");
                });
            b.Click("1032");
            QVERIFY(progressShown);
            QCOMPARE(buttonsDuring, buttonsBefore); // the bar moves nothing
            // The read stopped after the exchange under way.
            QVERIFY(cancelledAt > 0);
            QVERIFY(BlockReads(field, cancelledAt).size() <= 1);
            const auto reads = BlockReads(field, start);
            QVERIFY(b.dlg->isVisible());
            QVERIFY(!b.Find<QProgressBar>("1269")->isVisible());
            QVERIFY(b.dlg->Status().Current().contains(" von 2048 Blöcken wurden gelesen"));
            // What was read is on the grid, the rest is empty.
            const vsim::IsoTag tag = field.SimTag(UidOf(kSt));
            const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
            const int read = reads.back().first;
            QVERIFY(read > 0);
            QCOMPARE(b.dlg->Grid()->CellText(0, 1), HexBlock(tag, 0));
            QCOMPARE(b.dlg->Grid()->CellText((read - 1) / perRow, (read - 1) % perRow + 1),
                     HexBlock(tag, read - 1));
            QVERIFY(b.dlg->Grid()->CellText(2047 / perRow, 2047 % perRow + 1).isEmpty());
            QVERIFY(b.Find<QPushButton>("1030")->isEnabled());
        }
    }

    // ASCII text with a character that has no single-byte code is refused in the
    // cell, by name; no write frame carries "?" for it.
    void asciiRefusesCharactersWithoutSingleByteCode() {
        Field field(DemoTags());
        Bench b;
        b.Open(field);
        b.ClickTab(b.TabOf(kSlix));
        b.Click("1104"); // ASCII
        QCOMPARE(b.dlg->DisplayMode(), 1);
        const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
        const int row = 5 / perRow, col = 5 % perRow + 1;
        const QString before = b.dlg->Grid()->CellText(row, col);
        b.Type(row, col, QString::fromUtf8("€ü"));
        QVERIFY2(b.dlg->Status().Current().contains(QString::fromUtf8("„€“ (U+20AC, Stelle 1)")),
                 qPrintable(b.dlg->Status().Current()));
        QCOMPARE(b.dlg->Grid()->CellText(row, col), before);
        QCOMPARE(b.dlg->MarkOf(row, col), Mark::Plain);
        b.Click("1129");
        QCOMPARE(field.IsoRequests(0x21), 0);
        // A Latin-1 character is written as its own byte.
        b.Type(row, col, QString::fromUtf8("ü"));
        b.Click("1129");
        QCOMPARE(field.IsoRequests(0x21), 1);
        QCOMPARE(HexBlock(field.SimTag(UidOf(kSlix)), 5), QString("FC 00 00 00"));
    }

    // When cyclic reading stops (also in the middle of a tick), the highlighted tab
    // is the tag the grid shows, and a write goes to that tag.
    void afterCyclicStopTabGridAndWriteTargetAgree() {
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        Field field(Tags({{{"type", "nxp-icode-slix"}, {"uid", "E0 04 01 50 12 34 56 71"}},
                          {{"type", "ti-tagit-hfi-plus"}, {"uid", "E0 07 80 00 1D 4C 99 03"}}}));
        vorex::ui::CWaitHook hook;
        Bench b;
        b.rig.env.waitHook = &hook;
        b.Open(field);
        QTRY_VERIFY_WITH_TIMEOUT(!b.dlg->ShownUid().empty(), 5000);
        const int other = b.dlg->CurrentIndex() == 0 ? 1 : 0;
        const Uid otherUid = b.dlg->Tags()[size_t(other)];
        const Uid firstUid = b.dlg->Tags()[size_t(1 - other)];
        b.Click("1102");
        b.dlg->Tabs()->findChild<QPushButton*>(QString("tab%1").arg(other))->click();
        QTRY_VERIFY_WITH_TIMEOUT(Shows(*b.dlg, otherUid), 5000);
        // Stop from within a tick's exchange.
        bool stopped = false;
        QObject polls;
        When(
            &polls, [&] { return InTick(*b.dlg); },
            [&] {
                b.Find<QPushButton>("1102")->click();
                stopped = true;
            });
        QTRY_VERIFY_WITH_TIMEOUT(
            stopped && !b.dlg->CyclicRunning() && b.Find<QPushButton>("1030")->isEnabled(), 5000);
        QCOMPARE(b.dlg->Tabs()->currentIndex(), other);
        QCOMPARE(b.dlg->CurrentIndex(), other);
        QVERIFY(GridShows(*b.dlg, field.SimTag(otherUid)));
        const int perRow = b.dlg->Slot(other).blocksPerRow;
        b.Type(4 / perRow, 4 % perRow + 1, "A1B2C3D4");
        b.Click("1129");
        QCOMPARE(HexBlock(field.SimTag(otherUid), 4), QString("A1 B2 C3 D4"));
        QVERIFY(HexBlock(field.SimTag(firstUid), 4) != QString("A1 B2 C3 D4"));
    }

    // A write of several blocks goes on after a block that fails; the end message
    // names every failed block with its cause and never says success; the status line
    // names the block; the failed block keeps what was typed, still marked.
    void failedBlocksAreNamedAndNeverReportedAsSuccess() {
        Field field(Tags({{{"type", "nxp-icode-slix"}, {"uid", "E0 04 01 50 00 00 00 01"}}}));
        Bench b;
        b.Open(field);
        const Uid uid = b.dlg->Tags()[0];
        const int perRow = b.dlg->Slot(0).blocksPerRow;
        b.Type(3 / perRow, 3 % perRow + 1, "11223344");
        b.Type(5 / perRow, 5 % perRow + 1, "55667788");
        {
            // Block 3 was locked by someone else after it was read.
            auto lock = field.sim->Model().Lock();
            for (auto& t : field.iso->Tags())
                t.locked[3] = true;
        }
        b.Click("1129");
        QCOMPARE(HexBlock(field.SimTag(uid), 5), QString("55 66 77 88"));
        QCOMPARE(b.rig.messages.shown.size(), 1);
        const QString summary = b.rig.messages.shown.first();
        QVERIFY2(!summary.contains(Ger(199)) && summary.contains("1 von 2") &&
                     summary.contains("Block 3: "),
                 qPrintable(summary));
        QVERIFY(b.Find<QPlainTextEdit>("1007")->toPlainText().contains("Block 3 schreiben: "));
        QCOMPARE(b.dlg->Grid()->CellText(3 / perRow, 3 % perRow + 1), QString("11 22 33 44"));
        QCOMPARE(b.dlg->MarkOf(3 / perRow, 3 % perRow + 1), Mark::Changed);
        QCOMPARE(b.dlg->MarkOf(5 / perRow, 5 % perRow + 1), Mark::Plain);
        QCOMPARE(b.dlg->UnwrittenCount(), 1);
    }

    // A log file that cannot be created is said (status and one box), not skipped
    // while the caption says logging is on.
    void tagLogThatCannotBeCreatedIsReported() {
        WriteProfileInt("Settings", "Speichern", 1);
        Field field(DemoTags());
        Bench b;
        b.rig.env.chooseSaveFile = [](QWidget*, const QString&, const QString&) {
            return QString("/nonexistent-vorex-folder/tags");
        };
        b.Open(field);
        const QString log =
            b.Find<QPlainTextEdit>("1007")->toPlainText() + b.dlg->Status().Current();
        QVERIFY2(log.contains("Die Protokolldatei /nonexistent-vorex-folder/tags ISO15693.pos kann "
                              "nicht angelegt"),
                 qPrintable(log));
        QCOMPARE(b.rig.messages.shown.size(), 1);
        b.Click("1030");
        QCOMPARE(b.rig.messages.shown.size(), 1); // said in the status, the box only once
    }

    // Edits not yet written are asked about (default No) before anything replaces
    // them; "No" keeps them as typed, "Yes" goes ahead.
    void unwrittenEditsAreAskedAboutFirst() {
        struct Case {
            const char* what;
            std::function<void(Bench&)> act;
        };
        const std::vector<Case> cases{
            {"tab", [](Bench& b) { b.ClickTab(b.TabOf(kSlix) == 0 ? 1 : 0); }},
            {"HEX already checked", [](Bench& b) { b.Click("1103"); }},
            {"ASCII", [](Bench& b) { b.Click("1104"); }},
            {"Alles Lesen", [](Bench& b) { b.Click("1030"); }},
            {"Enter on a check box",
             [](Bench& b) { QTest::keyClick(b.Find<QCheckBox>("1294"), Qt::Key_Return); }},
            {"Seite Lesen", [](Bench& b) { b.Click("1032"); }},
            {"Schließen", [](Bench& b) { b.Click("2"); }},
            {"Esc", [](Bench& b) { QTest::keyClick(b.dlg.get(), Qt::Key_Escape); }},
        };
        for (const Case& c : cases) {
            QSettings().clear();
            Field field(DemoTags());
            Bench b;
            b.Open(field);
            b.ClickTab(b.TabOf(kSlix));
            const int perRow = b.dlg->Slot(b.dlg->CurrentIndex()).blocksPerRow;
            b.Type(5 / perRow, 5 % perRow + 1, "C0FFEE01");
            const int reads = field.BlockReadRequests();
            b.rig.messages.yes = false;
            c.act(b);
            QTest::qWait(20);
            QVERIFY2(b.rig.messages.asked == QStringList{Ger(12307).arg(5)}, c.what);
            QVERIFY2(b.dlg->isVisible(), c.what);
            QCOMPARE(field.BlockReadRequests(), reads);
            QCOMPARE(b.dlg->Grid()->CellText(5 / perRow, 5 % perRow + 1), QString("C0 FF EE 01"));
            QCOMPARE(b.dlg->MarkOf(5 / perRow, 5 % perRow + 1), Mark::Changed);
            QCOMPARE(b.dlg->Tabs()->currentIndex(), b.dlg->CurrentIndex());
            QCOMPARE(b.dlg->DisplayMode(), 0);
            b.rig.messages.yes = true;
            c.act(b);
            QTRY_VERIFY2(b.dlg->UnwrittenCount() == 0, c.what);
            QCOMPARE(b.rig.messages.asked.size(), 2);
        }
    }

    // A reader that stops answering during cyclic reading is reported as such, not as
    // an empty field; the grid keeps what it showed.
    void pulledReaderIsNotAnEmptyField() {
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        Field field(Tags({{{"type", "nxp-icode-slix"}, {"uid", "E0 04 01 50 00 00 00 01"}}}));
        Bench b;
        b.Open(field);
        QTRY_VERIFY_WITH_TIMEOUT(!b.dlg->ShownUid().empty(), 5000);
        const QString block0 = b.dlg->Grid()->CellText(0, 1);
        b.Click("1102");
        field.sim->Model().InjectFault(vtest::SilentFrom(0x20, 0));
        QTRY_VERIFY_WITH_TIMEOUT(b.dlg->Status().Current().contains("Inventory: "), 5000);
        b.Click("1102");
        const QString log =
            b.Find<QPlainTextEdit>("1007")->toPlainText() + b.dlg->Status().Current();
        QVERIFY2(!log.contains(Format(Ger(163), 0)), qPrintable(log));
        QCOMPARE(log.count("Inventory: "), 1); // said once, not every tick
        QCOMPARE(b.dlg->TagCount(), 1);
        QCOMPARE(b.dlg->Grid()->CellText(0, 1), block0);
    }

    void tagLogFile() {
        QTemporaryDir dir;
        const QByteArray xdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", xdg); });
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
        // A fresh profile starts in the user's data folder (XDG), which now exists.
        const QString data = dir.filePath("data/Nvk Applikationen/VorexProgrammer");
        QCOMPARE(offered, QStringList{data + "/taglog.pos"});
        QVERIFY(QFileInfo(data).isDir());
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

VOREX_QTEST_REGISTER(Iso15693DlgTest)
} // namespace iso15693_dlg_test
#include "Iso15693DlgTest.moc"

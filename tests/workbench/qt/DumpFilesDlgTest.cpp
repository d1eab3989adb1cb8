// "Speichern…" and "Laden…" of the four workbenches against the stand-in reader: a save
// in each format the workbench offers, the card changed behind the workbench and read
// again, the file loaded back as changed cells and written by the workbench's own write,
// and files of another chip or size refused with nothing shown.
#include "cards/FileIo.h"
#include "resources/strings/StringTable.h"
#include "sim/Iso14443Cards.h"
#include "sim/Iso15693Tags.h"
#include "tests/workbench/qt/PageTagField.h"
#include "tests/workbench/qt/WorkbenchFixture.h"
#include "ui/ButtonTabs.h"
#include "ui/EditableListCtrl.h"
#include "ui/Texts.h"
#include "workbench/common/BlockGridLayout.h"
#include "workbench/common/DumpFit.h"
#include "workbench/common/DumpTextIds.h"
#include "workbench/common/DumpUnits.h"
#include "workbench/iso14443/Mifare1KDlg.h"
#include "workbench/iso14443/MifareUltralightDlg.h"
#include "workbench/iso14443/NFCType2Dlg.h"
#include "workbench/iso15693/ISO15693Dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>
#include <nlohmann/json.hpp>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace dump_files_dlg_test {

using namespace vorex::ui;
using nlohmann::json;
using vorex::wb::CWorkbenchDlg;
namespace vd = vorex::dumpfiles;
namespace dumps = vorex::wb::dumps;

namespace {

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

// The file dialog and message boxes of saving and loading, answered by the test.
struct Files {
    QTemporaryDir dir;
    QStringList asked;
    QStringList shown;
    bool answer = true;

    QString Path(const QString& name) const { return dir.filePath(name); }
    void Attach(CWorkbenchDlg& dlg) {
        dlg.DumpDialogs().ask = [this](QWidget*, const QString& text) {
            asked << text;
            return answer;
        };
        dlg.DumpDialogs().show = [this](QWidget*, const QString& text) { shown << text; };
    }
    // Saves to path with the filter of the format at `index` of the dialog's list.
    void Save(CWorkbenchDlg& dlg, const QString& path, int index) {
        dlg.DumpDialogs().choose = [path, index](QWidget*, bool save, const QString& filters,
                                                 QString& chosen) {
            if (!save)
                qFatal("an open dialog where a save dialog was expected");
            chosen = filters.split(";;").at(index);
            return path;
        };
        dlg.OnSaveDump();
    }
    // Saves in the family's format at `index` to stem + index + its extension; the path.
    QString SaveAs(CWorkbenchDlg& dlg, dumps::Family family, const QString& stem, int index) {
        const vd::Format format = dumps::SaveFormats(family).at(static_cast<size_t>(index));
        qInfo("%s", vd::FormatName(format).c_str());
        const QString path = QString::fromStdString(
            dumps::PathForFormat(Path(stem + QString::number(index)).toStdString(), format));
        Save(dlg, path, index);
        return path;
    }
    void Load(CWorkbenchDlg& dlg, const QString& path) {
        dlg.DumpDialogs().choose = [path](QWidget*, bool save, const QString&, QString&) {
            if (save)
                qFatal("a save dialog where an open dialog was expected");
            return path;
        };
        dlg.OnLoadDump();
    }
    // Writes a dump in our own format, as another program would have saved it.
    QString Write(const QString& name, const vd::TagDump& dump) const {
        const vd::WriteResult w = vd::WriteDump(vd::Format::Own, dump, std::nullopt);
        std::string error;
        if (!w.error.empty() ||
            !vorex::cards::ReplaceFile(Path(name).toStdString(), w.content, error))
            qFatal("cannot write %s: %s%s", qPrintable(name), w.error.c_str(), error.c_str());
        return Path(name);
    }
};

// The status log and line of a workbench.
QString Shown(CWorkbenchDlg& dlg) {
    return dlg.Status().Log()->toPlainText() + '\n' + dlg.Status().Current();
}

// A file of another chip: ISO 15693 blocks, Classic 1K, NTAG213.
vd::TagDump IsoOfBlocks(int blocks, uint8_t maker = 0x04) {
    return dumps::Iso15693DumpOf({1, 2, 3, 4, 5, 6, maker, 0xE0}, 4, dumps::Units(blocks), {});
}

// ---- ISO 15693 ----

struct IsoField : vtest::ReaderField {
    vsim::Iso15693Commands* iso = nullptr;
    explicit IsoField(const json& tag)
        : ReaderField(vtest::SimReader::FromScenario(
              json{{"iso15693", {{"tags", json::array({tag})}}}}.dump())) {
        iso = sim->Model().FindCommandSet<vsim::Iso15693Commands>();
        Connect();
    }
    vsim::Bytes Block(int block) {
        auto lock = sim->Model().Lock();
        const vsim::IsoTag& t = iso->Tags().front();
        const auto at = t.memory.begin() + block * t.blockSize;
        return {at, at + t.blockSize};
    }
    void SetBlock(int block, const vsim::Bytes& bytes) {
        auto lock = sim->Model().Lock();
        vsim::IsoTag& t = iso->Tags().front();
        std::copy(bytes.begin(), bytes.end(), t.memory.begin() + block * t.blockSize);
    }
    int IsoRequests(uint8_t code) {
        return Count([code](const vsim::Request& r) {
            return r.command == 0x20 && r.data.size() >= 2 && r.data[1] == code;
        });
    }
};

struct IsoBench : vtest::WorkbenchBench<vorex::wb::iso::CISO15693Dlg> {
    void Open(IsoField& field) {
        const int before = field.IsoRequests(0x01);
        WorkbenchBench::Open(std::make_unique<vorex::wb::iso::CISO15693Dlg>(rig.env), field.handle,
                             false);
        QTRY_VERIFY_WITH_TIMEOUT(field.IsoRequests(0x01) > before, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(dlg->Grid()->rowCount() > 0, 5000);
    }
    vorex::wb::GridCell At(int block) const {
        return vorex::wb::CellOfBlock(block, dlg->Slot(0).blocksPerRow);
    }
    QString Cell(int block) const {
        const auto at = At(block);
        return dlg->Grid()->CellText(at.row, at.column);
    }
    vorex::wb::iso::CISO15693Dlg::CellMark Mark(int block) const {
        const auto at = At(block);
        return dlg->MarkOf(at.row, at.column);
    }
    QStringList Cells() const {
        QStringList cells;
        for (int b = 0; b < dlg->Slot(0).blockCount; ++b)
            cells << Cell(b);
        return cells;
    }
};

const json kSlix = {{"type", "nxp-icode-slix"},
                    {"uid", "E0 04 01 50 12 34 56 71"},
                    {"blocks", {"56 6F 72 65", "78 20 44 65", "6D 6F 00 00"}},
                    {"locked", {0}}};

// ---- MIFARE Classic ----

std::string DemoScenario() {
    std::ifstream in(VOREX_SOURCE_DIR "/sim/scenarios/demo.json");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ClassicField : vtest::ReaderField {
    vsim::Iso14443Commands* cards = nullptr;
    ClassicField() : ReaderField(vtest::SimReader::FromScenario(DemoScenario())) {
        cards = sim->Model().FindCommandSet<vsim::Iso14443Commands>();
        Connect();
    }
    vsim::Bytes& Block(int block) {
        return static_cast<vsim::ClassicCard&>(cards->Card(static_cast<size_t>(cards->Field())))
            .Block(block);
    }
};

struct ClassicBench : vtest::WorkbenchBench<vorex::wb::mfc::CMifare1KDlg> {
    void Open(ClassicField& field) {
        WorkbenchBench::Open(std::make_unique<vorex::wb::mfc::CMifare1KDlg>(rig.env, 226),
                             field.handle, false);
    }
    // Sector 1 of the demo card, with Key A of store slot 1.
    void ReadSector1() const {
        dlg->Tabs()->findChild<QPushButton*>("tab1")->click();
        Find<QComboBox>("keyType")->setCurrentIndex(0);
        Find<QComboBox>("keyIndex")->setCurrentIndex(1);
        Press("selectAll");
        Press("read");
    }
    QString Row(int r) const { return Find<QLineEdit>(QString("rowText%1").arg(r))->text(); }
    bool Selected(int r) const {
        return Find<QCheckBox>(QString("rowSelected%1").arg(r))->isChecked();
    }
    bool Yellow(int r) const {
        return !Find<QLineEdit>(QString("rowText%1").arg(r))->styleSheet().isEmpty();
    }
};

// ---- Ultralight and NFC Type 2 ----

using vtest::PageTagField;

struct UltralightBench : vtest::WorkbenchBench<vorex::wb::nfc::CMifareUltralightDlg> {
    explicit UltralightBench(PageTagField& field) {
        Open(std::make_unique<vorex::wb::nfc::CMifareUltralightDlg>(rig.env), field.handle);
    }
    void Read() const {
        Press("selectAll");
        Press("read");
    }
    QLineEdit* Edit(int page) const { return Find<QLineEdit>(QString("pageText%1").arg(page)); }
    bool Selected(int page) const {
        return Find<QCheckBox>(QString("pageSelected%1").arg(page))->isChecked();
    }
};

struct NfcBench : vtest::WorkbenchBench<vorex::wb::nfc::CNFCType2Dlg> {
    explicit NfcBench(PageTagField& field) {
        Open(std::make_unique<vorex::wb::nfc::CNFCType2Dlg>(rig.env), field.handle);
    }
    QString Cell(int page) const { return dlg->Grid()->CellText(page / 4, page % 4 + 1); }
    vorex::wb::nfc::CNFCType2Dlg::CellMark Mark(int page) const {
        return dlg->MarkOf(page / 4, page % 4 + 1);
    }
};

void SetSimPage(PageTagField& field, int page, const vsim::Bytes& bytes) {
    auto lock = field.sim->Model().Lock();
    static_cast<vsim::PageTag&>(field.cards->Card(static_cast<size_t>(field.cards->Field())))
        .Page(page) = bytes;
}

} // namespace

class DumpFilesDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void iso15693SavesAndLoadsEveryFormat() {
        IsoField field(kSlix);
        IsoBench b;
        b.Open(field);
        Files files;
        files.Attach(*b.dlg);
        const auto formats = dumps::SaveFormats(dumps::Family::Iso15693);
        for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
            const QString name = "tag" + QString::number(i);
            qInfo("%s", vd::FormatName(formats[size_t(i)]).c_str());
            files.asked.clear();
            files.Save(*b.dlg, files.Path(name), i);
            const QString path = QString::fromStdString(
                dumps::PathForFormat(files.Path(name).toStdString(), formats[size_t(i)]));
            QVERIFY2(QFile::exists(path), qPrintable(b.dlg->Status().Current()));
            // Our own files mark what is unknown: no question.
            if (formats[size_t(i)] == vd::Format::Own)
                QVERIFY(files.asked.isEmpty());
            // The tag changes behind the workbench and is read again.
            field.SetBlock(2, {1, 2, 3, 4});
            b.Click("1030");
            QCOMPARE(b.Cell(2), QString("01 02 03 04"));
            files.Load(*b.dlg, path);
            QVERIFY2(files.shown.isEmpty(), qPrintable(files.shown.join('\n')));
            QCOMPARE(b.Cell(2), QString("6D 6F 00 00"));
            QCOMPARE(b.Mark(2), vorex::wb::iso::CISO15693Dlg::CellMark::Changed);
            QCOMPARE(b.Mark(1), vorex::wb::iso::CISO15693Dlg::CellMark::Plain);
            // The locked block stays as read.
            QCOMPARE(b.Mark(0), vorex::wb::iso::CISO15693Dlg::CellMark::Locked);
            QVERIFY(Shown(*b.dlg).contains(Ger(vorex::wb::kTextDumpKeptUnits).arg("0")));
            // The workbench's own write puts it on the tag.
            const int writes = field.IsoRequests(0x21);
            b.Click("1129");
            QCOMPARE(field.IsoRequests(0x21), writes + 1);
            QCOMPARE(field.Block(2), (vsim::Bytes{0x6D, 0x6F, 0, 0}));
            QCOMPARE(b.Mark(2), vorex::wb::iso::CISO15693Dlg::CellMark::Plain);
        }
    }

    void iso15693RefusesAFileOfAnotherSize() {
        IsoField field(kSlix);
        IsoBench b;
        b.Open(field);
        Files files;
        files.Attach(*b.dlg);
        const QStringList before = b.Cells();
        const int blocks = b.dlg->Slot(0).blockCount;
        files.Load(*b.dlg, files.Write("big.json", IsoOfBlocks(blocks + 4)));
        files.Load(*b.dlg, files.Write("classic.json", vorex::cards::mifare::ClassicMemory::Unknown(
                                                           vorex::cards::mifare::ClassicSize::K1)));
        // The same size from another maker's tag.
        files.Load(*b.dlg, files.Write("ti.json", IsoOfBlocks(blocks, 0x07)));
        QCOMPARE(files.shown.size(), 3);
        QVERIFY2(files.shown[2].contains("ISO 15693 Texas Instruments"),
                 qPrintable(files.shown[2]));
        QVERIFY2(files.shown[0].contains(
                     QString("ISO 15693 NXP Semiconductors (%1 \u00D7 4 Bytes)").arg(blocks + 4)) &&
                     files.shown[0].contains(
                         QString("ISO 15693 NXP Semiconductors (%1 \u00D7 4 Bytes)").arg(blocks)),
                 qPrintable(files.shown[0]));
        QVERIFY2(files.shown[1].contains("MIFARE Classic 1K"), qPrintable(files.shown[1]));
        QCOMPARE(b.Cells(), before);
        for (int block = 0; block < blocks; ++block)
            QVERIFY(b.Mark(block) != vorex::wb::iso::CISO15693Dlg::CellMark::Changed);
        // A malformed file names itself and what was expected.
        QFile bad(files.Path("bad.nfc"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("Filetype: Flipper NFC device\nVersion: 4\nDevice type: ISO15693-3\nUID: zz\n");
        bad.close();
        files.Load(*b.dlg, bad.fileName());
        QCOMPARE(files.shown.size(), 4);
        QVERIFY2(files.shown[3].contains("bad.nfc"), qPrintable(files.shown[3]));
        QCOMPARE(b.Cells(), before);
    }

    void classicSavesAndLoadsTheSectorShown() {
        ClassicField field;
        ClassicBench b;
        b.Open(field);
        Files files;
        files.Attach(*b.dlg);
        b.ReadSector1();
        const QString block5 = b.Row(1);
        QVERIFY(!block5.isEmpty());
        const auto formats = dumps::SaveFormats(dumps::Family::Classic);
        for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
            const vd::Format format = formats[size_t(i)];
            files.shown.clear();
            files.asked.clear();
            const QString path = files.SaveAs(*b.dlg, dumps::Family::Classic, "card", i);
            // Formats without a mark for unknown bytes ask before they write 00.
            QCOMPARE(files.asked.size(),
                     format == vd::Format::Pm3 || format == vd::Format::Bin ? 1 : 0);
            if (format == vd::Format::Pm3) {
                // Zeros in block 0 would contradict the UID the file names.
                QVERIFY(!QFile::exists(path));
                QCOMPARE(files.shown.size(), 1);
                QVERIFY2(files.shown[0].contains("block 0"), qPrintable(files.shown[0]));
                continue;
            }
            QVERIFY2(QFile::exists(path), qPrintable(files.shown.join('\n')));
            const vsim::Bytes original = field.Block(5);
            field.Block(5) = vsim::Bytes(16, 0x5A);
            b.Press("read");
            QVERIFY(b.Row(1) != block5);
            QVERIFY(!b.Yellow(1));
            files.Load(*b.dlg, path);
            QVERIFY2(files.shown.isEmpty(), qPrintable(files.shown.join('\n')));
            QCOMPARE(b.Row(1), block5);
            QVERIFY(b.Selected(1) && b.Yellow(1));
            // The trailer is never loaded: it is written only through its editor.
            QVERIFY(!b.Selected(3) && !b.Yellow(3));
            b.Press("write");
            QCOMPARE(field.Block(5), original);
            QVERIFY(b.rig.messages.asked.isEmpty());
        }
    }

    // After "Alle Sektoren lesen" a save holds the whole card, with the card's own ATQA and
    // SAK, not only the sector on show.
    void classicSavesTheWholeCardAfterReadingAllSectors() {
        ClassicField field;
        ClassicBench b;
        b.Open(field);
        Files files;
        files.Attach(*b.dlg);
        b.Press("readAll");
        QTRY_VERIFY_WITH_TIMEOUT(
            b.dlg->WholeCard().has_value() && b.Find<QPushButton>("read")->isEnabled(), 60000);
        const auto formats = dumps::SaveFormats(dumps::Family::Classic);
        const auto own = std::find(formats.begin(), formats.end(), vd::Format::Own);
        QVERIFY(own != formats.end());
        const QString path = files.SaveAs(*b.dlg, dumps::Family::Classic, "whole",
                                          static_cast<int>(own - formats.begin()));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(files.shown.join('\n')));
        const auto read = vd::ReadDump("whole", file.readAll().toStdString());
        QVERIFY2(read.dump, read.error.c_str());
        const auto* memory = std::get_if<vorex::cards::mifare::ClassicMemory>(&*read.dump);
        QVERIFY(memory);
        const auto& card = b.dlg->WholeCard()->dump;
        QVERIFY(card.atqa >= 0 && card.sak >= 0);
        QCOMPARE(memory->atqa.value_or(0xFFFF), static_cast<uint16_t>(card.atqa));
        QCOMPARE(static_cast<int>(memory->sak.value_or(0xFF)), card.sak);
        int known = 0;
        for (int block = 0; block < memory->Blocks(); ++block) {
            const auto& readBlock = card.blocks[static_cast<size_t>(block)];
            if (!readBlock || (block + 1) % 4 == 0 || block >= 128)
                continue;
            const size_t at = memory->BlockOffset(block);
            for (size_t i = 0; i < 16; ++i)
                QVERIFY(memory->bytes[at + i] == std::optional<uint8_t>((*readBlock)[i]));
            ++known;
        }
        QVERIFY2(known > 8, qPrintable(QString::number(known)));
    }

    void classicRefusesACardOfAnotherSize() {
        ClassicField field;
        ClassicBench b;
        b.Open(field);
        Files files;
        files.Attach(*b.dlg);
        b.ReadSector1();
        const QString rows = b.Row(0) + b.Row(1) + b.Row(2) + b.Row(3);
        files.Load(*b.dlg, files.Write("1k.json", vorex::cards::mifare::ClassicMemory::Unknown(
                                                      vorex::cards::mifare::ClassicSize::K1)));
        QCOMPARE(files.shown.size(), 1);
        QVERIFY2(files.shown[0].contains("MIFARE Classic 1K") &&
                     files.shown[0].contains("MIFARE Classic 4K"),
                 qPrintable(files.shown[0]));
        QCOMPARE(b.Row(0) + b.Row(1) + b.Row(2) + b.Row(3), rows);
        QVERIFY(!b.Yellow(0) && !b.Yellow(1));
    }

    void ultralightSavesAndLoadsEveryFormat() {
        PageTagField field("ultralight");
        UltralightBench b(field);
        Files files;
        files.Attach(*b.dlg);
        b.Read();
        const QString page4 = b.Edit(4)->text();
        QVERIFY(!page4.isEmpty());
        const auto formats = dumps::SaveFormats(dumps::Family::Pages);
        for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
            const QString path = files.SaveAs(*b.dlg, dumps::Family::Pages, "ul", i);
            QVERIFY2(QFile::exists(path), qPrintable(files.shown.join('\n')));
            SetSimPage(field, 4, {0x11, 0x22, 0x33, 0x44});
            b.Read();
            QVERIFY(b.Edit(4)->text() != page4);
            files.Load(*b.dlg, path);
            QVERIFY2(files.shown.isEmpty(), qPrintable(files.shown.join('\n')));
            QCOMPARE(b.Edit(4)->text(), page4);
            QVERIFY(b.Selected(4) && !b.Edit(4)->styleSheet().isEmpty());
            QVERIFY(b.Edit(0)->styleSheet().isEmpty());
            b.Press("write");
            QCOMPARE(field.Page(4), std::string("0A0B0C0D"));
        }
    }

    void ultralightRefusesAnotherChip() {
        PageTagField field("ultralight");
        UltralightBench b(field);
        Files files;
        files.Attach(*b.dlg);
        b.Read();
        const QString page4 = b.Edit(4)->text();
        files.Load(*b.dlg, files.Write("ntag.json", dumps::PageDumpOf(dumps::Units(45))));
        QCOMPARE(files.shown.size(), 1);
        QVERIFY2(files.shown[0].contains("NTAG213 (45") &&
                     files.shown[0].contains("MIFARE Ultralight (16"),
                 qPrintable(files.shown[0]));
        QCOMPARE(b.Edit(4)->text(), page4);
        QVERIFY(b.Edit(4)->styleSheet().isEmpty());
    }

    void nfcType2SavesAndLoadsEveryFormat() {
        WriteProfileInt("Settings", "NFC2Order", 1);
        PageTagField field("ntag213");
        NfcBench b(field);
        Files files;
        files.Attach(*b.dlg);
        b.Click("read");
        QCOMPARE(b.Cell(4), QString("03 12 D1 01"));
        const auto formats = dumps::SaveFormats(dumps::Family::Pages);
        for (int i = 0; i < static_cast<int>(formats.size()); ++i) {
            const QString path = files.SaveAs(*b.dlg, dumps::Family::Pages, "ntag", i);
            QVERIFY2(QFile::exists(path), qPrintable(files.shown.join('\n')));
            SetSimPage(field, 4, {0x11, 0x22, 0x33, 0x44});
            b.Click("read");
            QCOMPARE(b.Cell(4), QString("11 22 33 44"));
            files.Load(*b.dlg, path);
            QVERIFY2(files.shown.isEmpty(), qPrintable(files.shown.join('\n')));
            QCOMPARE(b.Cell(4), QString("03 12 D1 01"));
            QCOMPARE(b.Mark(4), vorex::wb::nfc::CNFCType2Dlg::CellMark::Changed);
            QCOMPARE(b.Mark(5), vorex::wb::nfc::CNFCType2Dlg::CellMark::Plain);
            b.Click("write");
            QCOMPARE(field.Page(4), std::string("0312D101"));
            QCOMPARE(b.Mark(4), vorex::wb::nfc::CNFCType2Dlg::CellMark::Plain);
        }
    }

    void nfcType2RefusesAnotherSizeAndNeedsARead() {
        PageTagField field("ntag213");
        NfcBench b(field);
        Files files;
        files.Attach(*b.dlg);
        const QString ntag215 = files.Write("ntag215.json", dumps::PageDumpOf(dumps::Units(135)));
        // Nothing read: no chip to check the file against, nothing to save.
        files.Load(*b.dlg, ntag215);
        QVERIFY(b.dlg->Status().Current().endsWith(Ger(vorex::wb::kTextDumpNoChipShown)));
        files.Save(*b.dlg, files.Path("empty"), 0);
        QVERIFY(b.dlg->Status().Current().endsWith(Ger(vorex::wb::kTextDumpNothingShown)));
        QVERIFY(!QFile::exists(files.Path("empty.json")));
        b.Click("read");
        // ASCII texts do not show every byte: nothing is saved or loaded from them.
        b.Click("ascii");
        const QString page4 = b.Cell(4);
        files.Load(*b.dlg, files.Write("same.json", dumps::PageDumpOf(dumps::Units(45))));
        QVERIFY(b.dlg->Status().Current().endsWith(Ger(vorex::wb::kTextDumpHexOnly)));
        files.Save(*b.dlg, files.Path("ascii"), 0);
        QVERIFY(!QFile::exists(files.Path("ascii.json")));
        QCOMPARE(b.Cell(4), page4);
        QVERIFY(files.shown.isEmpty());
        b.Click("hex");
        files.Load(*b.dlg, ntag215);
        QCOMPARE(files.shown.size(), 1);
        QVERIFY2(files.shown[0].contains("NTAG215 (135") && files.shown[0].contains("NTAG213 (45"),
                 qPrintable(files.shown[0]));
        for (int page = 0; page < 45; ++page)
            QVERIFY(b.Mark(page) != vorex::wb::nfc::CNFCType2Dlg::CellMark::Changed);
    }
};

VOREX_QTEST_REGISTER(DumpFilesDlgTest)
} // namespace dump_files_dlg_test
#include "DumpFilesDlgTest.moc"

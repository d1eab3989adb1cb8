// The NFC Type 2 workbench against the stand-in reader on a pseudo-terminal: finding
// the memory size by reading, the chip maker, the NDEF view, refused MIFARE cards,
// writing exactly the changed pages, cyclic reading, a password-protected NTAG, and the
// view opening the workbench.
#include "workbench/iso14443/NFCType2Dlg.h"
#include "resources/strings/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "tests/workbench/qt/PageTagField.h"
#include "ui/EditableListCtrl.h"
#include "ui/InPlaceEdit.h"
#include "ui/Texts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace nfc_type2_dlg_test {

using namespace vorex::ui;
using namespace vorex::shell;
using vorex::wb::nfc::CNFCType2Dlg;
using vtest::PageTagField;
using Mark = CNFCType2Dlg::CellMark;

namespace {

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

// The workbench as the operator opens it, on the field's connection.
struct Bench : vtest::WorkbenchBench<CNFCType2Dlg> {
    explicit Bench(PageTagField& field) {
        Open(std::make_unique<CNFCType2Dlg>(rig.env), field.handle);
    }
    QString Cell(int page) const { return dlg->Grid()->CellText(page / 4, page % 4 + 1); }
    Mark MarkOf(int page) const { return dlg->MarkOf(page / 4, page % 4 + 1); }
    // Types into the cell of a page as the operator does and ends the edit with Enter.
    void Type(int page, const QString& text) const {
        dlg->Grid()->EditSubLabel(page / 4, page % 4 + 1);
        auto* edit = dlg->Grid()->ActiveEdit();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        if (auto* next = dlg->Grid()->ActiveEdit())
            QTest::keyClick(next, Qt::Key_Escape);
    }
    // The newest status message without its time.
    QString Status() const { return dlg->Status().Current().section(" -> ", 1); }
    QString Ndef() const { return Find<QPlainTextEdit>("ndefText")->toPlainText(); }
};

} // namespace

class NFCType2DlgTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QSettings().clear();
        WriteProfileInt("Settings", "NFC2Order", 1); // LSB first: bytes as on the tag
    }

    void controlsAreNamedOnceAndForScreenReaders() {
        PageTagField field("ntag213");
        Bench b(field);
        b.ExpectNamedControls();
    }

    void readFindsTheEndInsideTheLastGroup() {
        // 45 pages: the 16-byte read of page 44 is answered, the one of 48 refused;
        // page 44 answers alone, 45..47 do not.
        PageTagField field("ntag213");
        Bench b(field);
        b.Click("read");
        QCOMPARE(b.dlg->Grid()->rowCount(), 12);
        QCOMPARE(b.dlg->Memory().PageCount(), 48);
        QCOMPARE(b.dlg->Grid()->CellText(11, 0), QString("044 - 047"));
        QCOMPARE(b.Cell(44), QString("00 00 00 00")); // PACK reads as zeros
        for (int p : {45, 46, 47}) {
            QVERIFY(b.Cell(p).isEmpty());
            QCOMPARE(b.MarkOf(p), Mark::Plain);
        }
        QCOMPARE(b.Cell(4), QString("03 12 D1 01"));
        QCOMPARE(b.Find<QLineEdit>("uidText")->text(), QString("048F2D6AE15280"));
        QCOMPARE(b.Find<QLineEdit>("makerText")->text(), QString("NXP Semiconductors"));
        QCOMPARE(b.Ndef(), QString("URI https://vorex.example"));
        QCOMPARE(b.MarkOf(0), Mark::Fixed);
        QCOMPARE(b.MarkOf(3), Mark::Fixed);
        QCOMPARE(b.MarkOf(4), Mark::Plain);
        QVERIFY(b.Find<QProgressBar>("progress")->isHidden());
        QVERIFY(field.HostMode());
        b.dlg.reset();
        QVERIFY(!field.HostMode());
    }

    void largeTagIsReadAcrossSectors() {
        PageTagField field("type2");
        Bench b(field);
        b.Click("read");
        QCOMPARE(b.dlg->Memory().PageCount(), 512);
        QCOMPARE(b.dlg->Grid()->rowCount(), 128);
        QCOMPARE(b.Cell(0x105), QString("56 4F 52 45"));
        QCOMPARE(b.dlg->Grid()->CellText(127, 0), QString("508 - 511"));
    }

    void editWriteAndRepaint() {
        PageTagField field("ntag216");
        Bench b(field);
        b.Click("read");
        QCOMPARE(b.dlg->Memory().PageCount(), 232);
        const QString page2 = b.Cell(2);
        b.Type(4, "A1B2C3D4");
        QCOMPARE(b.Cell(4), QString("A1 B2 C3 D4"));
        QCOMPARE(b.MarkOf(4), Mark::Changed);
        b.Type(2, "FFFFFFFF");
        QCOMPARE(b.Cell(2), page2);
        b.Click("write");
        QCOMPARE(field.Written(), std::vector<int>{4});
        QCOMPARE(field.Page(4), std::string("A1B2C3D4"));
        QCOMPARE(b.rig.messages.shown, QStringList{Ger(199)});
        QCOMPARE(b.MarkOf(4), Mark::Plain);
        QCOMPARE(b.Cell(4), QString("A1 B2 C3 D4"));
        // Nothing changed since: nothing written, no message.
        b.Click("write");
        QCOMPARE(field.Written().size(), size_t{1});
        QCOMPARE(b.rig.messages.shown.size(), 1);
    }

    void refusedWriteStopsAndKeepsTheEdit() {
        // Page 4 of this Ultralight is locked (lock byte 2, bit 4).
        PageTagField field("ultralight-locked");
        Bench b(field);
        b.Click("read");
        QCOMPARE(b.dlg->Memory().PageCount(), 16);
        // The reason in the operator's language.
        QCOMPARE(b.Ndef(),
                 QString("Kein NDEF: keine NDEF-Kennung (Capability Container) in Page 3"));
        b.Type(4, "01020304");
        b.Type(6, "05060708");
        b.Click("write");
        QCOMPARE(field.Written(), std::vector<int>{4});
        QCOMPARE(field.Page(6), std::string("00000000"));
        // The end message names the refused page with its cause and the page not tried.
        const QString end = "Schreiben fehlgeschlagen: 2 von 2 Pages wurden nicht geschrieben.\n"
                            "Page 4: " +
                            Ger(245) +
                            "\nPage 6: nicht versucht: das Schreiben wurde nach dem Fehler bei "
                            "Page 4 beendet";
        QCOMPARE(b.rig.messages.shown, QStringList{end});
        QCOMPARE(b.Status(), end);
        QCOMPARE(b.MarkOf(4), Mark::Changed);
        QCOMPARE(b.MarkOf(6), Mark::Changed);
    }

    void byteOrderAndDisplayAreStored() {
        PageTagField field("ntag213");
        {
            Bench b(field);
            b.Click("read");
            b.Click("msbFirst");
            QCOMPARE(b.Cell(4), QString("01D11203"));
            QCOMPARE(ProfileInt("Settings", "NFC2Order", -1), 0);
            b.Type(5, "0102");
            QCOMPARE(b.Cell(5), QString("01020000"));
            b.Click("ascii");
            QCOMPARE(ProfileInt("Settings", "NFC2Darstellung", -1), 1);
            QCOMPARE(b.Cell(6), QString("xero")); // 6F 72 65 78
            QCOMPARE(b.dlg->Grid()->ColumnEditLength(1), 4);
            b.Click("hex");
            QCOMPARE(b.Cell(5), QString("01020000"));
            QCOMPARE(b.MarkOf(5), Mark::Changed);
        }
        Bench again(field);
        QVERIFY(again.Find<QRadioButton>("msbFirst")->isChecked());
        QVERIFY(again.Find<QRadioButton>("hex")->isChecked());
        again.dlg.reset();
        // None stored: pages show their bytes in tag order, as vorexctl does.
        QSettings().clear();
        Bench fresh(field);
        QVERIFY(fresh.Find<QRadioButton>("lsbFirst")->isChecked());
        fresh.Click("read");
        QCOMPARE(fresh.Cell(4), QString("03 12 D1 01"));
    }

    void mifareCardsAreRefused() {
        struct Case {
            const char* card;
            QString status;
            QString maker;
        };
        for (const Case& c : {Case{"classic4k", Ger(239), "NXP Semiconductors"},
                              Case{"classic1k", Ger(238), "Unknown"}}) {
            PageTagField field(c.card);
            Bench b(field);
            b.Click("read");
            QCOMPARE(b.Status(), c.status);
            QCOMPARE(b.dlg->Grid()->rowCount(), 0);
            QCOMPARE(b.Find<QLineEdit>("makerText")->text(), c.maker);
            QCOMPARE(field.Requests(0x34), 0);
            b.Click("write");
            QCOMPARE(field.Requests(0x35), 0);
        }
    }

    void noCardShowsTheEngineError() {
        PageTagField field("ntag213");
        field.Put("none");
        Bench b(field);
        b.Click("read");
        QCOMPARE(b.Status(), Ger(VOREX_GetErrorStringId(VOREX_GetLastError(field.handle))));
        QCOMPARE(b.dlg->Grid()->rowCount(), 0);
        QVERIFY(b.Find<QLineEdit>("uidText")->text().isEmpty());
    }

    void cyclicReadingLeavesTheSameTagAlone() {
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        PageTagField field("ntag213");
        Bench b(field);
        b.Click("cyclic");
        QTRY_COMPARE_WITH_TIMEOUT(b.dlg->Grid()->rowCount(), 12, 5000);
        QVERIFY(!b.Find<QPushButton>("read")->isEnabled());
        b.Type(6, "11223344");
        const int reads = field.Requests(0x34);
        const int selects = field.Requests(0x31);
        QTRY_VERIFY_WITH_TIMEOUT(field.Requests(0x31) > selects + 2, 5000);
        QCOMPARE(field.Requests(0x34), reads);
        QCOMPARE(b.Cell(6), QString("11 22 33 44"));
        QCOMPARE(b.MarkOf(6), Mark::Changed);
        // Typed back to what the tag holds: no edit waits, another tag is read at once.
        b.Type(6, "6F726578");
        field.Put("ntag216");
        QTRY_COMPARE_WITH_TIMEOUT(b.dlg->Grid()->rowCount(), 58, 5000);
        // "immer neu einlesen" reads the same tag every time.
        b.Click("alwaysRead");
        const int before = field.Requests(0x34);
        QTRY_VERIFY_WITH_TIMEOUT(field.Requests(0x34) > before + 60, 10000);
        b.Click("cyclic");
        QTRY_VERIFY_WITH_TIMEOUT(b.Find<QPushButton>("read")->isEnabled(), 5000);
        QVERIFY(!b.dlg->CyclicRunning());
    }

    void writeGoesOnlyToTheTagThatWasRead() {
        PageTagField field("ntag216");
        Bench b(field);
        b.Click("read");
        b.Type(4, "A1B2C3D4");
        field.Put("ntag213");
        b.Click("write");
        QCOMPARE(field.Requests(0x35), 0);
        QCOMPARE(field.Page(4), std::string("0312D101"));
        const QString other = vtest::OtherTagRefusal("043B940C277180", "048F2D6AE15280");
        QVERIFY2(b.Status().startsWith(other), qPrintable(b.Status()));
        QCOMPARE(b.rig.messages.shown.size(), 1);
        // The grid still shows the NTAG216 and its edit.
        QCOMPARE(b.Find<QLineEdit>("uidText")->text(), QString("043B940C277180"));
        QCOMPARE(b.MarkOf(4), Mark::Changed);
        field.Put("ntag216");
        b.Click("write");
        QCOMPARE(field.Written(), std::vector<int>{4});
        QCOMPARE(field.Page(4), std::string("A1B2C3D4"));
    }

    void asciiCharacterWithoutSingleByteCodeIsRefused() {
        PageTagField field("ntag216");
        Bench b(field);
        b.Click("read");
        b.Click("ascii");
        b.Type(5, "AB");
        b.dlg->Grid()->SetCellText(1, 3, QString::fromUtf8("x\u20AC")); // page 6
        b.Click("write");
        QCOMPARE(field.Requests(0x35), 0);
        QVERIFY2(b.Status().startsWith(QString::fromUtf8("Page 6 schreiben: Das Zeichen „€“")),
                 qPrintable(b.Status()));
        QCOMPARE(b.rig.messages.shown.size(), 1);
        b.Click("hex");
        QVERIFY(b.Find<QRadioButton>("ascii")->isChecked());
        QCOMPARE(b.Cell(6), QString::fromUtf8("x\u20AC"));
        QVERIFY2(b.Status().startsWith(QString::fromUtf8("Page 6: das Zeichen „€“")),
                 qPrintable(b.Status()));
    }

    void aTagLeavingDuringCyclicReadingKeepsTheEdits() {
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        PageTagField field("ntag213");
        Bench b(field);
        b.Click("cyclic");
        QTRY_COMPARE_WITH_TIMEOUT(b.dlg->Grid()->rowCount(), 12, 5000);
        b.Type(6, "11223344");
        // The tag slips away, another one comes: the grid and the edit stay.
        field.Put("none");
        QTRY_VERIFY_WITH_TIMEOUT(b.Status().contains("048F2D6AE15280 ist nicht mehr im Feld"),
                                 5000);
        field.Put("ntag216");
        QTRY_VERIFY_WITH_TIMEOUT(b.Status().startsWith("Im Feld ist jetzt 043B940C277180"), 5000);
        const int selects = field.Requests(0x31);
        QTRY_VERIFY_WITH_TIMEOUT(field.Requests(0x31) > selects + 2, 5000);
        QCOMPARE(b.dlg->Grid()->rowCount(), 12);
        QCOMPARE(b.Cell(6), QString("11 22 33 44"));
        QCOMPARE(b.MarkOf(6), Mark::Changed);
        b.Click("cyclic");
        QTRY_VERIFY_WITH_TIMEOUT(b.Find<QPushButton>("read")->isEnabled(), 5000);
        // Reading and closing ask first; "No" (the default) keeps the edit.
        const int reads = field.Requests(0x30);
        b.Click("read");
        b.Click("close");
        QCOMPARE(b.rig.messages.asked,
                 QStringList(2, "Page 6 wurde geändert und noch nicht geschrieben. Die "
                                "Änderung verwerfen?"));
        QCOMPARE(field.Requests(0x30), reads);
        QCoreApplication::processEvents();
        QVERIFY(b.dlg->isVisible());
        QCOMPARE(b.Cell(6), QString("11 22 33 44"));
        // "Yes" reads the tag in the field.
        b.rig.messages.yes = true;
        b.Click("read");
        QCOMPARE(b.dlg->Grid()->rowCount(), 58);
    }

    void passwordProtectedTagShowsThePagesBeforeAuth0() {
        PageTagField field("ntag215-password");
        Bench b(field);
        b.Click("read");
        QCOMPARE(b.dlg->Memory().PageCount(), 16);
        QCOMPARE(b.dlg->Grid()->rowCount(), 4);
        QVERIFY2(b.Status().contains("16"), qPrintable(b.Status()));
        QCOMPARE(b.Ndef(), QString("Text (de, UTF-8): Vorex"));
        b.Type(15, "CAFE0000");
        b.Click("write");
        QCOMPARE(field.Written(), std::vector<int>{15});
        QCOMPARE(b.rig.messages.shown, QStringList{Ger(199)});
        // The protected pages are neither shown nor written.
        QCOMPARE(field.Page(16), std::string("50524F54"));
    }

    void viewOpensTheWorkbench() {
        PageTagField field("ntag213", false);
        WriteProfileString("Port", "Name", QString::fromStdString(field.sim->Path()));
        WriteProfileInt("Port", "Baudrate", 19200);
        WriteProfileInt("Port", "Timeout", 500);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        int rows = -1;
        bool hostMode = false;
        vtest::OnNextModal(nullptr, [&](QWidget* modal) {
            auto* dlg = qobject_cast<CNFCType2Dlg*>(modal);
            QVERIFY(dlg);
            QTest::mouseClick(dlg->findChild<QPushButton*>("read"), Qt::LeftButton);
            rows = dlg->Grid()->rowCount();
            hostMode = field.HostMode();
            QTest::mouseClick(dlg->findChild<QPushButton*>("close"), Qt::LeftButton);
        });
        // The tool-bar button and the menu entry share the action.
        frame.View()->OnInitialUpdate();
        QVERIFY(frame.Action(40005)->isEnabled());
        frame.Action(40005)->trigger();
        QCOMPARE(rows, 12);
        QVERIFY(hostMode);
        QVERIFY(!field.HostMode());
    }

    void translationCoversTheWorkbenchStrings() {
        QTranslator english;
        QVERIFY(english.load("VorexProgrammerEng.qm", VOREX_BINARY_DIR "/shell"));
        for (int id : {238, 239, 241, 242}) {
            const QByteArray comment = QByteArray::number(id);
            QVERIFY2(!english
                          .translate("VorexStrings", vorex::GermanString(id).c_str(),
                                     comment.constData())
                          .isEmpty(),
                     comment.constData());
        }
        for (const char* text : {"immer neu einlesen", "Hersteller:", "Kein NDEF",
                                 "NDEF beschädigt", "Leere NDEF-Nachricht", "Reihenfolge"})
            QVERIFY2(!english.translate("Vorex", text).isEmpty(), text);
    }
};

VOREX_QTEST_REGISTER(NFCType2DlgTest)
} // namespace nfc_type2_dlg_test
#include "NFCType2DlgTest.moc"

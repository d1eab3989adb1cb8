// The MIFARE Ultralight workbench against the stand-in reader on a pseudo-terminal:
// reading selected pages, writing only pages 4..15, page lengths, byte order kept in
// the settings, refused cards, failing pages that do not stop the others, cyclic
// reading, and the view opening the workbench.
#include "workbench/iso14443/MifareUltralightDlg.h"
#include "resources/strings/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "tests/workbench/qt/PageTagField.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace mifare_ultralight_dlg_test {

using namespace vorex::ui;
using namespace vorex::shell;
using vorex::wb::nfc::CMifareUltralightDlg;
using vtest::PageTagField;

namespace {

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

struct Bench : vtest::WorkbenchBench<CMifareUltralightDlg> {
    explicit Bench(PageTagField& field) {
        Open(std::make_unique<CMifareUltralightDlg>(rig.env), field.handle);
    }
    void Select(std::initializer_list<int> pages) const {
        for (int p : pages)
            Find<QCheckBox>(QStringLiteral("pageSelected%1").arg(p))->setChecked(true);
    }
    QLineEdit* Edit(int page) const {
        return Find<QLineEdit>(QStringLiteral("pageText%1").arg(page));
    }
    QString Text(int page) const { return Edit(page)->text(); }
    void Type(int page, const QString& text) const {
        Edit(page)->selectAll();
        QTest::keyClick(Edit(page), Qt::Key_Backspace);
        QTest::keyClicks(Edit(page), text);
    }
    // Status messages (newest last), without their times.
    QStringList Messages() const {
        QStringList lines = dlg->Status().Log()->toPlainText().split('\n', Qt::SkipEmptyParts);
        lines << dlg->Status().Current();
        for (QString& l : lines)
            l = l.section(" -> ", 1);
        return lines;
    }
};

// Counts the host-mode requests the reader had when the workbench got its show event.
struct ShowWatch : QObject {
    PageTagField& field;
    int hostModeWhenShown = -1;
    explicit ShowWatch(PageTagField& f) : field(f) { qApp->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<CMifareUltralightDlg*>(watched))
            hostModeWhenShown = field.Requests(0xF5);
        return false;
    }
};

} // namespace

class MifareUltralightDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QSettings().clear();
        WriteProfileInt("Settings", "UltralightOrder", 0); // MSB first, as stored by default
    }

    void controlsAreNamedOnceAndForScreenReaders() {
        PageTagField field("ultralight");
        Bench b(field);
        b.ExpectNamedControls();
    }

    void opensAtItsProperSize() {
        // Through the view, as the program opens it, with the wait hook pumping events
        // while the reader answers, late or at once: host mode is switched on before the
        // window is shown, never while it is being shown.
        for (int delay : {0, 300}) {
            PageTagField field("ultralight", false);
            WriteProfileString("Port", "Name", QString::fromStdString(field.sim->Path()));
            WriteProfileInt("Port", "Baudrate", 19200);
            WriteProfileInt("Port", "Timeout", 1000);
            vtest::ShellRig rig;
            CWaitHook hook;
            CMainFrame frame(rig.env);
            frame.View()->OnInitialUpdate();
            field.sim->Model().InjectFault({vsim::Fault::Kind::Delay, delay, {}, 0, 0xF5, 0, 1});
            ShowWatch watch(field);
            QSize size, minimum;
            vtest::OnNextModal(&frame, [&](QWidget* modal) {
                size = modal->size();
                minimum = modal->minimumSizeHint();
                QTest::mouseClick(modal->findChild<QPushButton*>("close"), Qt::LeftButton);
            });
            frame.Action(40004)->trigger();
            QCOMPARE(watch.hostModeWhenShown, 1);
            QVERIFY2(size.width() >= minimum.width() && size.height() >= minimum.height(),
                     qPrintable(QStringLiteral("%1x%2, at least %3x%4")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(minimum.width())
                                    .arg(minimum.height())));
        }
    }

    void displaySettings() {
        // None stored: pages show their bytes in tag order, as vorexctl does.
        QSettings().clear();
        PageTagField field("ultralight");
        {
            Bench b(field);
            QCOMPARE(b.dlg->DisplayMode(), 0);
            QCOMPARE(b.dlg->ByteOrder(), 1);
            b.Select({4});
            b.Click("read");
            QCOMPARE(b.Text(4), QString("0A 0B 0C 0D"));
        }
        // Out of range: HEX and MSB first.
        WriteProfileInt("Settings", "UltralightDarstellung", 5);
        WriteProfileInt("Settings", "UltralightOrder", -1);
        Bench b(field);
        QCOMPARE(b.dlg->DisplayMode(), 0);
        QCOMPARE(b.dlg->ByteOrder(), 0);
        QVERIFY(b.Find<QRadioButton>("hex")->isChecked());
        QVERIFY(b.Find<QRadioButton>("msbFirst")->isChecked());
    }

    void readsTheSelectedPages() {
        PageTagField field("ultralight");
        Bench b(field);
        QVERIFY(field.HostMode());
        QVERIFY(b.Find<QRadioButton>("hex")->isChecked());
        QVERIFY(b.Find<QRadioButton>("msbFirst")->isChecked());
        QVERIFY(b.Edit(3)->isReadOnly());
        QVERIFY(!b.Edit(4)->isReadOnly());
        b.Select({0, 4, 5});
        b.Click("read");
        QCOMPARE(b.Find<QLineEdit>("uidText")->text(), QString("04C25E1A734080"));
        QVERIFY(b.Text(0).endsWith("5EC204")); // 04 C2 5E BCC0, last byte first
        QCOMPARE(b.Text(4), QString("0D0C0B0A"));
        QCOMPARE(b.Text(5), QString("45524F56"));
        QVERIFY(b.Text(6).isEmpty());
        QCOMPARE(field.Requests(0x34), 3);
        b.Click("selectAll");
        b.Click("read");
        QCOMPARE(field.Requests(0x34), 3 + 16);
        for (int p = 0; p < 16; ++p)
            QCOMPARE(b.Text(p).size(), 8);
        b.Click("selectNone");
        b.Click("read");
        QCOMPARE(field.Requests(0x34), 3 + 16);
        QVERIFY(b.Text(4).isEmpty());
        b.dlg.reset();
        QVERIFY(!field.HostMode());
    }

    void byteOrderIsShownAndKept() {
        PageTagField field("ultralight");
        {
            Bench b(field);
            b.Select({4});
            b.Click("read");
            QCOMPARE(b.Text(4), QString("0D0C0B0A"));
            b.Click("lsbFirst");
            QCOMPARE(b.Text(4), QString("0A 0B 0C 0D"));
            QCOMPARE(ProfileInt("Settings", "UltralightOrder", -1), 1);
            b.Click("ascii");
            QCOMPARE(ProfileInt("Settings", "UltralightDarstellung", -1), 1);
            b.Click("hex");
        }
        Bench again(field);
        QVERIFY(again.Find<QRadioButton>("lsbFirst")->isChecked());
        again.Select({4});
        again.Click("read");
        QCOMPARE(again.Text(4), QString("0A 0B 0C 0D"));
    }

    void writesOnlyPagesFourToFifteen() {
        PageTagField field("ultralight");
        Bench b(field);
        b.Click("lsbFirst");
        b.Select({2, 4, 7});
        b.Click("read");
        b.Type(4, "A1B2C3D4");
        b.Type(7, "11 22");
        b.Click("write");
        QCOMPARE(field.Written(), (std::vector<int>{4, 7}));
        QCOMPARE(field.Page(4), std::string("A1B2C3D4"));
        QCOMPARE(field.Page(7), std::string("11220000"));
        QCOMPARE(b.Text(4), QString("A1 B2 C3 D4"));
        QVERIFY(b.rig.messages.shown.isEmpty()); // no success box
        QCOMPARE(b.Messages().last(), Ger(199));
    }

    void writeGoesOnlyToTheTagThatWasRead() {
        PageTagField field("ultralight");
        Bench b(field);
        b.Click("lsbFirst");
        b.Select({4, 5});
        b.Click("read");
        b.Type(4, "A1B2C3D4");
        // Another tag, then none: nothing is written, and the UIDs are named.
        field.Put("ntag213");
        b.Click("write");
        QCOMPARE(field.Requests(0x35), 0);
        QCOMPARE(field.Page(4), std::string("0312D101"));
        const QString other = vtest::OtherTagRefusal("04C25E1A734080", "048F2D6AE15280");
        QVERIFY2(b.Messages().last().startsWith(other), qPrintable(b.Messages().last()));
        QCOMPARE(b.rig.messages.shown.size(), 1);
        QCOMPARE(b.Find<QLineEdit>("uidText")->text(), QString("04C25E1A734080"));
        field.Put("none");
        b.Click("write");
        QCOMPARE(field.Requests(0x35), 0);
        QVERIFY(b.Messages().last().contains("04C25E1A734080"));
        // The tag that was read is back: the write goes to it.
        field.Put("ultralight");
        b.Click("write");
        QCOMPARE(field.Written(), (std::vector<int>{4, 5}));
        QCOMPARE(field.Page(4), std::string("A1B2C3D4"));
        // Pages typed without a read may go to any page tag.
        PageTagField other213("ntag213");
        Bench fresh(other213);
        fresh.Select({8});
        fresh.Type(8, "01020304");
        fresh.Click("write");
        QCOMPARE(other213.Written(), std::vector<int>{8});
    }

    void asciiCharacterWithoutSingleByteCodeIsRefused() {
        PageTagField field("ultralight");
        Bench b(field);
        b.Click("ascii");
        b.Click("lsbFirst");
        b.Select({4, 5});
        b.Type(4, "AB");
        b.Edit(5)->setText(QString::fromUtf8("1\u20AC")); // not typeable through QTest
        b.Click("write");
        // Refused before the tag is even selected: nothing at all is written.
        QCOMPARE(field.Requests(0x35), 0);
        QCOMPARE(field.Requests(0x31), 0);
        QVERIFY2(b.Messages().last().startsWith(
                     QString::fromUtf8("Page 5 schreiben: Das Zeichen „€“ (U+20AC, Stelle 2)")),
                 qPrintable(b.Messages().last()));
        QCOMPARE(b.rig.messages.shown.size(), 1);
        // Leaving ASCII would turn the character into "?": the display stays ASCII.
        b.Click("hex");
        QVERIFY(b.Find<QRadioButton>("ascii")->isChecked());
        QCOMPARE(b.dlg->DisplayMode(), 1);
        QCOMPARE(b.Text(5), QString::fromUtf8("1\u20AC"));
        QVERIFY2(
            b.Messages().last().startsWith(QString::fromUtf8("Page 5: das Zeichen „€“ (U+20AC)")),
            qPrintable(b.Messages().last()));
        // Latin-1 characters are written as their single byte.
        b.Edit(5)->setText(QString::fromUtf8("1\u00FC"));
        b.Click("write");
        QCOMPARE(field.Written(), (std::vector<int>{4, 5}));
        QCOMPARE(field.Page(5), std::string("31FC0000"));
    }

    void emptyPageHasTheWrongLengthAndIsNotWritten() {
        PageTagField field("ultralight");
        Bench b(field);
        b.Select({6, 7});
        b.Type(7, "01020304");
        b.Click("write");
        QCOMPARE(field.Written(), std::vector<int>{7});
        QVERIFY(b.Messages().contains("Page 6 hat falsche Datenlänge 0"));
        const QString end = "Schreiben fehlgeschlagen: 1 von 2 Pages wurden nicht geschrieben.\n"
                            "Page 6: falsche Datenlänge 0";
        QCOMPARE(b.Messages().last(), end);
        QCOMPARE(b.rig.messages.shown, QStringList{end});
    }

    void failingPagesDoNotStopTheOthers() {
        // Page 4 of this Ultralight is locked (lock byte 2, bit 4).
        PageTagField field("ultralight-locked");
        Bench b(field);
        b.Select({4, 5, 6});
        b.Type(4, "01010101");
        b.Type(5, "02020202");
        b.Type(6, "03030303");
        b.Click("write");
        QCOMPARE(field.Written(), (std::vector<int>{4, 5, 6}));
        QCOMPARE(field.Page(4), std::string("00000000"));
        QCOMPARE(field.Page(5), std::string("02020202"));
        QCOMPARE(field.Page(6), std::string("03030303"));
        // The refused page is named with its cause, at once and in the end message.
        QVERIFY(b.Messages().contains("Page 4 schreiben: " + Ger(245)));
        const QString end = "Schreiben fehlgeschlagen: 1 von 3 Pages wurden nicht geschrieben.\n"
                            "Page 4: " +
                            Ger(245);
        QCOMPARE(b.Messages().last(), end);
        QCOMPARE(b.rig.messages.shown, QStringList{end});
        // Page 4 is still unwritten: reading asks first, and "No" (the default) keeps it.
        const int reads = field.Requests(0x34);
        b.Click("read");
        QCOMPARE(b.rig.messages.asked,
                 QStringList{"Page 4 wurde geändert und noch nicht geschrieben. Die Änderung "
                             "verwerfen?"});
        QCOMPARE(field.Requests(0x34), reads);
        QCOMPARE(b.Text(4), QString("01010101"));
        // A read the reader refuses: the pages after it are still read.
        b.rig.messages.yes = true;
        field.sim->Model().InjectFault({vsim::Fault::Kind::Status, 0, {}, 0x01, 0x34, 1, 1});
        b.Click("read");
        QVERIFY(b.Text(4).size() == 8);
        QVERIFY(b.Text(5).isEmpty());
        QVERIFY2(b.Messages().last().startsWith("Page 5 lesen: "), qPrintable(b.Messages().last()));
        QCOMPARE(b.Text(6), QString("03030303"));
    }

    void mifareCardIsRefused() {
        PageTagField field("classic1k");
        Bench b(field);
        b.Click("selectAll");
        b.Click("read");
        QCOMPARE(b.Messages().last(), Ger(238));
        QCOMPARE(field.Requests(0x34), 0);
        QCOMPARE(b.Find<QLineEdit>("uidText")->text(), QString("3E7A91C4"));
        b.Click("write");
        QCOMPARE(field.Requests(0x35), 0);
    }

    void cyclicReadingRereadsTheTag() {
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        PageTagField field("ultralight");
        Bench b(field);
        b.Select({4});
        b.Click("cyclic");
        QVERIFY(!b.Find<QPushButton>("read")->isEnabled());
        QVERIFY(!b.Edit(4)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(field.Requests(0x34) >= 3, 5000);
        QCOMPARE(b.Text(4), QString("0D0C0B0A"));
        b.Click("close");
        QVERIFY(!b.dlg->CyclicRunning());
        QVERIFY(b.Find<QPushButton>("read")->isEnabled());
    }

    void cyclicReadingNeverReplacesTypedPages() {
        WriteProfileInt("Settings", "ZyklusZeit", 50);
        PageTagField field("ultralight");
        Bench b(field);
        b.Select({4, 6});
        b.Click("read");
        b.Type(6, "11223344");
        const int reads = field.Requests(0x34);
        const int selects = field.Requests(0x31);
        b.Click("cyclic");
        QTRY_VERIFY_WITH_TIMEOUT(field.Requests(0x31) > selects + 2, 5000);
        QCOMPARE(field.Requests(0x34), reads);
        QCOMPARE(b.Text(6), QString("11223344"));
        // The tag leaves: said once, the typed page stays.
        field.Put("none");
        QTRY_VERIFY_WITH_TIMEOUT(b.Messages().last().contains("ist nicht mehr im Feld"), 5000);
        QCOMPARE(b.Text(6), QString("11223344"));
        b.Click("cyclic");
        QTRY_VERIFY_WITH_TIMEOUT(b.Find<QPushButton>("read")->isEnabled(), 5000);
        // Closing asks; "No" (the default) keeps the dialog and the page.
        b.Click("close");
        QCOMPARE(b.rig.messages.asked,
                 QStringList{"Page 6 wurde geändert und noch nicht geschrieben. Die Änderung "
                             "verwerfen?"});
        QCoreApplication::processEvents();
        QVERIFY(b.dlg->isVisible());
        QCOMPARE(b.Text(6), QString("11223344"));
    }

    void viewOpensTheWorkbench() {
        PageTagField field("ultralight", false);
        WriteProfileString("Port", "Name", QString::fromStdString(field.sim->Path()));
        WriteProfileInt("Port", "Baudrate", 19200);
        WriteProfileInt("Port", "Timeout", 500);
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        QString uid;
        vtest::OnNextModal(nullptr, [&](QWidget* modal) {
            auto* dlg = qobject_cast<CMifareUltralightDlg*>(modal);
            QVERIFY(dlg);
            QTest::mouseClick(dlg->findChild<QPushButton*>("read"), Qt::LeftButton);
            uid = dlg->findChild<QLineEdit*>("uidText")->text();
            QTest::mouseClick(dlg->findChild<QPushButton*>("close"), Qt::LeftButton);
        });
        // The tool-bar button and the menu entry share the action.
        frame.View()->OnInitialUpdate();
        QVERIFY(frame.Action(40004)->isEnabled());
        frame.Action(40004)->trigger();
        QCOMPARE(uid, QString("04C25E1A734080"));
        QVERIFY(!field.HostMode());
    }
};

VOREX_QTEST_REGISTER(MifareUltralightDlgTest)
} // namespace mifare_ultralight_dlg_test
#include "MifareUltralightDlgTest.moc"

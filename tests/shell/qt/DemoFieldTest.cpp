// The demo mode's field: the "Demo-Feld" menu puts any card or tag set of the demo
// scenario in the stand-in reader's field, and each workbench opens with a card or
// tags it works with.
#include "cards/ClassicCard.h"
#include "shell/DemoReader.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QMenu>
#include <QMenuBar>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace demo_field_test {

using namespace vorex::ui;
using namespace vorex::shell;

namespace {

// The demo reader as the program starts it, its port saved as the program's reader.
struct Demo {
    CDemoReader reader;
    Demo() {
        QString error;
        if (!reader.Start(error))
            qFatal("demo reader: %s", qPrintable(error));
        WriteProfileString("Port", "Name", reader.Path());
        WriteProfileInt("Port", "Baudrate", reader.BaudCode());
        WriteProfileInt("Port", "Adresse", reader.Address());
    }
    // The UID of the card that answers a select, as vorexctl shows it; empty for none.
    std::string SelectedUid() {
        const int handle =
            VOREX_OpenPort(reader.Path().toUtf8().constData(), reader.BaudCode(), 500);
        vorex::cards::mifare::CardInfo card;
        const bool found = handle > 0 && vorex::cards::mifare::Activate(handle, card);
        if (handle > 0)
            VOREX_ClosePort(handle);
        return found ? vorex::cards::Hex(card.uid.data(), card.uid.size()) : std::string();
    }
};

} // namespace

class DemoFieldTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void menuPutsEveryCardAndTagSetInTheField() {
        Demo demo;
        vtest::ShellRig rig;
        CMainFrame frame(rig.env);
        QVERIFY(!frame.menuBar()->findChild<QMenu*>("DemoField")); // not outside demo mode
        frame.SetDemoReader(&demo.reader);
        auto menu = [&frame] { return frame.menuBar()->findChild<QMenu*>("DemoField"); };
        QVERIFY(menu());
        QCOMPARE(menu()->title(), QString("Demo-Feld"));
        struct Case {
            const char* command;
            std::string uid; // selected afterwards
        };
        for (const Case& c :
             {Case{"card ultralight", "04C25E1A734080"}, Case{"card ntag216", "043B940C277180"},
              Case{"card classic1k", "3E7A91C4"}, Case{"card none", ""},
              Case{"card classic4k", "045A3C219B6E80"}}) {
            QAction* action = menu()->findChild<QAction*>(c.command);
            QVERIFY2(action, c.command);
            action->trigger();
            QCOMPARE(demo.SelectedUid(), c.uid);
        }
        menu()->findChild<QAction*>("card type2")->trigger();
        menu()->findChild<QAction*>("tags slix")->trigger();
        QCOMPARE(demo.reader.TagsInField(), std::string("slix"));
        // The checks show what is in the field.
        emit menu()->aboutToShow();
        QStringList checked;
        for (QAction* a : menu()->actions())
            if (a->isChecked())
                checked << a->objectName();
        QCOMPARE(checked, (QStringList{"card type2", "tags slix"}));
        // Every card and tag set of the scenario is offered, also after a language switch.
        frame.SwitchToEnglish();
        QCOMPARE(menu()->title(), QString("Demo field"));
        for (const char* name :
             {"card classic4k", "card classic1k", "card ultralight", "card ntag213", "card ntag216",
              "card ntag215-password", "tags all", "tags icode", "tags others", "tags none"})
            QVERIFY2(menu()->findChild<QAction*>(name), name);
        frame.SwitchToGerman();
    }

    void eachWorkbenchOpensWithAFittingCard() {
        Demo demo;
        vtest::ShellRig rig;
        rig.env.workbenchOpening = [&demo](int command) { demo.reader.FitFieldFor(command); };
        std::string inField;
        rig.env.runWorkbench = [&](int, int, int, int) {
            inField = demo.reader.CardInField() + "/" + demo.reader.TagsInField();
        };
        CMainFrame frame(rig.env);
        frame.SetDemoReader(&demo.reader);
        frame.View()->OnInitialUpdate();
        demo.reader.ChangeField("empty");
        struct Case {
            int command;
            const char* before; // field command first, or nullptr
            std::string opened;
        };
        for (const Case& c :
             {Case{40005, nullptr, "ntag213/none"}, Case{40004, nullptr, "ultralight/none"},
              Case{40005, "card ntag216", "ntag216/none"}, // chosen, and fits
              Case{40005, "card ultralight", "ultralight/none"},
              Case{40002, nullptr, "classic1k/none"}, Case{40003, nullptr, "classic4k/none"},
              Case{40001, nullptr, "classic4k/all"}, Case{40001, "tags slix", "classic4k/slix"}}) {
            if (c.before)
                QVERIFY(demo.reader.ChangeField(c.before));
            QVERIFY2(frame.Action(c.command)->isEnabled(), qPrintable(QString::number(c.command)));
            frame.Action(c.command)->trigger();
            QVERIFY2(inField == c.opened, inField.c_str());
        }
    }
};

VOREX_QTEST_REGISTER(DemoFieldTest)
} // namespace demo_field_test
#include "DemoFieldTest.moc"

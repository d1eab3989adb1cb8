// The production window on the stand-in conveyor: a job file loaded, a run started and
// stopped from the window, each tag listed with its result, the counter and the last
// serial shown; a job with an error is refused with the field at fault.
#include "shell/ProductionDlg.h"
#include "sim/Conveyor.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/support/TestSupport.h"

#include <QLabel>
#include <QTemporaryDir>
#include <vorex/vorex.h>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace production_dlg_test {

using namespace vorex::ui;
using namespace vorex::shell;

class ProductionDlgTest : public QObject {
    Q_OBJECT

private slots:
    void runsTheJobUntilStopped() {
        auto sim =
            vtest::SimReader::FromScenario(R"({"conveyor": {"family": "ntag213", "count": 10}})");
        const int handle = VOREX_OpenPort(sim->Path().c_str(), 19200, 500);
        QVERIFY(handle > 0);
        QTemporaryDir dir;
        CProductionDlg dialog(handle);
        QVERIFY(dialog.LoadJob(
            QString::fromStdString(vtest::SourcePath("examples/production/ntag213-url.json"))));
        dialog.SetDatabase(dir.filePath("records.sqlite"));
        // The conveyor moves on after each tag listed; after three the operator stops.
        int seen = 0;
        QTimer line;
        connect(&line, &QTimer::timeout, [&] {
            if (dialog.Entries().size() == seen)
                return;
            seen = static_cast<int>(dialog.Entries().size());
            if (seen >= 3) {
                dialog.Stop();
                return;
            }
            auto lock = sim->Model().Lock();
            sim->Model().FindCommandSet<vsim::Conveyor>()->Next(sim->Model());
        });
        line.start(5);
        dialog.Start();
        line.stop();
        VOREX_ClosePort(handle);
        QCOMPARE(dialog.Passed(), 3);
        const QStringList entries = dialog.Entries();
        QCOMPARE(entries.size(), 3);
        QVERIFY2(entries[2].startsWith("Bestanden") && entries[2].contains("VX-000003"),
                 qPrintable(entries[2]));
        bool counterShown = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            counterShown = counterShown || label->text() == "3";
        QVERIFY(counterShown);
    }

    void aJobWithAnErrorIsRefused() {
        QTemporaryDir dir;
        const QString file = dir.filePath("job.json");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(R"({"name": "x", "family": "ntag", "chips": ["NTAG999"]})");
        f.close();
        CProductionDlg dialog(0);
        QVERIFY(!dialog.LoadJob(file));
        bool named = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            named = named || label->text().contains("$.chips");
        QVERIFY(named);
    }
};

VOREX_QTEST_REGISTER(ProductionDlgTest)
} // namespace production_dlg_test
#include "ProductionDlgTest.moc"

// The update check against an HTTPS server on loopback with a CA made for the test:
// offers of the program and the reader file, failures, the installer download and the
// about box.
#include "resources/strings/StringTable.h"
#include "shell/AboutDlg.h"
#include "shell/App.h"
#include "shell/MainFrame.h"
#include "shell/ProgrammerView.h"
#include "tests/shell/qt/QtTestEnv.h"
#include "tests/shell/qt/TestHttpsServer.h"
#include "tests/support/TestSupport.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include "update/InstallerDownload.h"
#include "update/UpdateService.h"

#include <vorex/vorex.h>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <QTranslator>

// Each Qt test source has its own namespace: the tests are compiled as one program.
namespace update_test {

using namespace vorex::ui;
using namespace vorex::shell;
namespace up = vorex::update;

namespace {

QString Ger(int id) {
    return QString::fromStdString(vorex::GermanString(id));
}

const QByteArray kProgramFile = "[VorexProgrammer]\r\n"
                                "Version=2.9\r\n"
                                "Build=2026-04-01\r\n"
                                "Installer=%1vorex-2.9.deb\r\n";

const QByteArray kReaderFile = "[Alias]\n"
                               "125=VX-B7x\n"
                               "[VX-B7x]\n"
                               "Version=1.10\n"
                               "Installer=%1b7x-1.10.bin\n";

} // namespace

class UpdateTest : public QObject {
    Q_OBJECT

private:
    vtest::TestPki pki_;

    // The version files as the test server holds them, installers under the base URL.
    void Serve(vtest::TestHttpsServer& server) {
        server.Set("RFIDVersionsHF.txt",
                   {200, QString(kProgramFile).arg(server.BaseUrl()).toUtf8()});
        server.Set("RFIDDeviceVersions.txt",
                   {200, QString(kReaderFile).arg(server.BaseUrl()).toUtf8()});
    }

    up::UpdateSettings Settings(const QString& baseUrl) {
        up::UpdateSettings settings;
        settings.baseUrl = baseUrl;
        settings.ssl = pki_.ClientConfig();
        settings.transferTimeoutMs = 20000;
        return settings;
    }

    static bool WaitDone(up::CUpdateCheck& check) {
        return QTest::qWaitFor([&] { return check.IsFinished(); }, 20000);
    }

private slots:
    void initTestCase() { QVERIFY2(pki_.Make(), qPrintable(pki_.log)); }
    void init() { QSettings().clear(); }

    void programOffer_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");
        QTest::addColumn<bool>("offered");
        QTest::newRow("older") << "2.8"
                               << "2026-05-01" << true;
        QTest::newRow("same version, later build") << "2.9"
                                                   << "2026-03-18" << true;
        QTest::newRow("same version and build") << "2.9"
                                                << "2026-04-01" << false;
        QTest::newRow("2.16 above 2.9") << "2.16"
                                        << "2026-03-18" << false;
    }

    void programOffer() {
        QFETCH(QString, version);
        QFETCH(QString, build);
        QFETCH(bool, offered);
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        up::CUpdateService updates(Settings(server.BaseUrl()));
        updates.SetOwnVersion(version, build);
        QSignalSpy offers(&updates, &up::CUpdateService::programUpdateOffered);
        updates.StartProgram(true);
        QVERIFY(WaitDone(updates.Program()));
        QCOMPARE(offers.count(), offered ? 1 : 0);
        QCOMPARE(updates.ProgramVerdict(), offered ? up::Verdict::Update : up::Verdict::Current);
        if (offered)
            QCOMPARE(QString::fromStdString(updates.ProgramOffer().installer),
                     server.BaseUrl() + "vorex-2.9.deb");
        // A finished check is not fetched again.
        QVERIFY(!updates.Program().Start());
        QCOMPARE(server.requests, QStringList{"/rfid/software/RFIDVersionsHF.txt"});
    }

    void readerOfferThroughAlias_data() {
        QTest::addColumn<bool>("identifiedFirst");
        QTest::newRow("identified before the file arrives") << true;
        QTest::newRow("identified after the file arrived") << false;
    }

    void readerOfferThroughAlias() {
        QFETCH(bool, identifiedFirst);
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        up::CUpdateService updates(Settings(server.BaseUrl()));
        QSignalSpy offers(&updates, &up::CUpdateService::readerUpdateOffered);
        updates.StartReader();
        if (identifiedFirst)
            updates.DeviceIdentified("1257", "VX-B71", true);
        QVERIFY(WaitDone(updates.Reader()));
        if (!identifiedFirst)
            updates.DeviceIdentified("1257", "VX-B71", true);
        QCOMPARE(offers.count(), 1);
        QCOMPARE(updates.Reader().Source().SectionName(), std::string("VX-B7x"));
        // With automatic checking off nothing opens by itself; a reader of the same
        // version is not offered anything.
        updates.DeviceIdentified("1257", "VX-B71", false);
        updates.DeviceIdentified("125A", "VX-B71", true);
        QCOMPARE(offers.count(), 1);
    }

    // What the about box says for each kind of server.
    void aboutBoxLabels_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("reader");
        QTest::addColumn<bool>("clickable");
        const QString title = Ger(57344);
        QTest::newRow("offers") << "ok"
                                << "1257" << Ger(600) + title + " => V 2.9 (2026-04-01)"
                                << "Update VX-B71 V1.07 => V1.10" << true;
        QTest::newRow("current") << "ok"
                                 << "125A" << title + Ger(601) << "VX-B71 V1.10 " + Ger(601)
                                 << false;
        QTest::newRow("no server") << "none"
                                   << "1257" << Ger(602) << Ger(602) << false;
        QTest::newRow("untrusted certificate") << "rogue"
                                               << "1257" << Ger(602) << Ger(602) << false;
        QTest::newRow("file without Version")
            << "noversion"
            << "1257" << Ger(603) << "VX-B71 V1.07 " + Ger(601) << false;
        QTest::newRow("no files on the server")
            << "404"
            << "1257" << Ger(603) << "VX-B71 V1.07 " + Ger(601) << false;
        QTest::newRow("version file too large") << "huge"
                                                << "1257" << Ger(602) << Ger(602) << false;
    }

    void aboutBoxLabels() {
        QFETCH(QString, server);
        QFETCH(QString, firmware);
        QFETCH(QString, program);
        QFETCH(QString, reader);
        QFETCH(bool, clickable);
        vtest::TestHttpsServer https;
        QVERIFY(https.Listen(pki_, server == "rogue" ? "rogue" : "server"));
        if (server == "ok" || server == "rogue")
            Serve(https);
        if (server == "noversion") {
            https.Set("RFIDVersionsHF.txt", {200, "[VorexProgrammer]\nBuild=2026-04-01\n"});
            https.Set("RFIDDeviceVersions.txt", {200, "[Alias]\n"});
        }
        if (server == "huge") {
            const QByteArray big = "[VorexProgrammer]\n" + QByteArray(2 << 20, ';');
            https.Set("RFIDVersionsHF.txt", {200, big});
            https.Set("RFIDDeviceVersions.txt", {200, big});
        }
        const QString base =
            server == "none"
                ? QStringLiteral("https://127.0.0.1:%1/rfid/software/").arg(https.ClosedPort())
                : https.BaseUrl();
        up::CUpdateService updates(Settings(base));
        // The current row runs the file's own version; all others an older one.
        updates.SetOwnVersion(firmware == "125A" ? "2.9" : "2.8", "2026-05-01");
        updates.StartReader();
        updates.DeviceIdentified(firmware, "VX-B71", false);
        vtest::ShellRig rig;
        rig.env.updates = &updates;
        CAboutDlg about(rig.env);
        auto* programLabel = about.findChild<CClickLabel*>("105");
        auto* readerLabel = about.findChild<CClickLabel*>("106");
        QVERIFY(programLabel && readerLabel);
        QVERIFY(WaitDone(updates.Program()));
        QVERIFY(WaitDone(updates.Reader()));
        QCOMPARE(programLabel->text(), program);
        QCOMPARE(readerLabel->text(), reader);
        QCOMPARE(programLabel->IsClickable(), clickable);
        QCOMPARE(readerLabel->IsClickable(), clickable);
        const QColor colour = programLabel->palette().color(QPalette::WindowText);
        QCOMPARE(colour, clickable                                    ? QColor(192, 0, 0)
                         : program == Ger(602) || program == Ger(603) ? QColor(255, 0, 0)
                                                                      : QColor(128, 128, 128));
        QVERIFY(programLabel->font().italic());
        // A version shorter than four characters gets a space.
        QVERIFY(about.windowTitle().startsWith(L("Info über Vorex Programmer") + " 2.") &&
                about.windowTitle().contains(" (2"));
        QCOMPARE(about.windowTitle().count(' '), 6);
        const int sdk = VOREX_GetSdkVersion(); // e.g. 222 is shown as 2.22
        QCOMPARE(about.findChild<QLabel*>("101")->text(),
                 QString("SDK Version %1.%2").arg(sdk / 100).arg(sdk % 100, 2, 10, QChar('0')));
    }

    void aboutBoxTwiceFillsAtOnce() {
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        up::CUpdateService updates(Settings(server.BaseUrl()));
        updates.SetOwnVersion("2.8", "2026-05-01");
        vtest::ShellRig rig;
        rig.env.updates = &updates;
        QString first;
        {
            CAboutDlg about(rig.env);
            // Both files are fetched when the about box first opens, once.
            QVERIFY(WaitDone(updates.Program()) && WaitDone(updates.Reader()));
            first = about.findChild<QLabel*>("105")->text();
        }
        QVERIFY(first.startsWith(Ger(600)));
        CAboutDlg again(rig.env);
        QCOMPARE(again.findChild<QLabel*>("105")->text(), first);
        server.requests.sort();
        QCOMPARE(server.requests, QStringList({"/rfid/software/RFIDDeviceVersions.txt",
                                               "/rfid/software/RFIDVersionsHF.txt"}));
    }

    // A server that takes the connection and never answers: ending the program aborts
    // the transfers instead of waiting for them.
    void exitWhileFetching() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        auto updates = std::make_unique<up::CUpdateService>(Settings(
            QStringLiteral("https://127.0.0.1:%1/rfid/software/").arg(silent.serverPort())));
        updates->StartReader();
        updates->StartProgram(true);
        QVERIFY(QTest::qWaitFor([&] { return silent.hasPendingConnections(); }, 20000));
        QVERIFY(updates->Program().IsRunning());
        QElapsedTimer timer;
        timer.start();
        updates.reset();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QTest::qWait(50); // the aborted replies are deleted later; nothing may be left to crash
    }

    void installerDownload_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("complete");
        QTest::newRow("complete") << 200 << qint64(-1) << qint64(1 << 20) << true;
        QTest::newRow("cut off") << 200 << qint64(1 << 20) << qint64(4 << 20) << false;
        QTest::newRow("not found") << 404 << qint64(-1) << qint64(1 << 20) << false;
        QTest::newRow("above the limit") << 200 << qint64(-1) << qint64(1000) << false;
    }

    void installerDownload() {
        QFETCH(int, status);
        QFETCH(qint64, announced);
        QFETCH(qint64, limit);
        QFETCH(bool, complete);
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        QByteArray payload(200000, 'x');
        payload[0] = '!';
        server.Set("setup.deb", {status, payload, announced});
        QTemporaryDir folder;
        up::UpdateSettings settings = Settings(server.BaseUrl());
        settings.maxInstallerBytes = limit;
        QNetworkAccessManager network;
        up::CInstallerDownload download(network, settings);
        QSignalSpy done(&download, &up::CInstallerDownload::finished);
        QVERIFY(download.Start(server.BaseUrl() + "setup.deb", folder.path()));
        QVERIFY(done.wait(20000));
        const QString path = done.front().front().toString();
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        if (complete) {
            QCOMPARE(path, QDir(folder.path()).filePath("setup.deb"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), payload);
            QCOMPARE(left, QStringList{"setup.deb"});
        } else {
            QVERIFY(path.isEmpty());
            QVERIFY(!download.ErrorText().isEmpty());
            QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
        }
    }

    void installerOnlyOverHttps() {
        QNetworkAccessManager network;
        up::UpdateSettings settings;
        up::CInstallerDownload download(network, settings);
        QTemporaryDir folder;
        QVERIFY(!download.Start("http://127.0.0.1:1/setup.deb", folder.path()));
        QVERIFY(!download.Start("", folder.path()));
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    // With automatic checking off the program contacts no server at start-up; opening
    // the about box is the operator's request.
    void startUpChecksOnlyWithConsent() {
        for (const int automatic : {1, 0}) {
            QSettings().clear();
            WriteProfileInt("Version", "Update", automatic);
            vtest::TestHttpsServer server;
            QVERIFY(server.Listen(pki_));
            Serve(server);
            up::CUpdateService updates(Settings(server.BaseUrl()));
            StartUpdateChecks(updates);
            const QStringList both{"/rfid/software/RFIDDeviceVersions.txt",
                                   "/rfid/software/RFIDVersionsHF.txt"};
            if (automatic) {
                QVERIFY(WaitDone(updates.Program()) && WaitDone(updates.Reader()));
                server.requests.sort();
                QCOMPARE(server.requests, both);
                continue;
            }
            QTest::qWait(300);
            QVERIFY(!updates.Program().IsRunning() && !updates.Reader().IsRunning());
            QVERIFY2(server.requests.isEmpty(), qPrintable(server.requests.join(' ')));
            vtest::ShellRig rig;
            rig.env.updates = &updates;
            CAboutDlg about(rig.env);
            QVERIFY(WaitDone(updates.Program()) && WaitDone(updates.Reader()));
            server.requests.sort();
            QCOMPARE(server.requests, both);
        }
    }

    void programIcon() {
        SetProgramIcon();
        QVERIFY(!QApplication::windowIcon().isNull());
    }

    // A server that keeps a transfer alive by trickling bytes: the fetch ends at its
    // deadline and says so.
    void slowVersionFileEndsAtTheDeadline() {
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        server.Set("RFIDVersionsHF.txt", {200, QByteArray(1000, ';'), -1, 100});
        up::UpdateSettings settings = Settings(server.BaseUrl());
        settings.versionFileDeadlineMs = 1000;
        up::CUpdateService updates(settings);
        QElapsedTimer timer;
        timer.start();
        updates.StartProgram(false);
        QVERIFY(updates.Program().IsRunning());
        QVERIFY(QTest::qWaitFor([&] { return updates.Program().IsFinished(); }, 10000));
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(updates.ProgramVerdict(), up::Verdict::NoConnection);
        QCOMPARE(QString::fromStdString(updates.Program().Source().Error()),
                 QString("timed out after 1 s"));
    }

    void slowInstallerDownloadFails() {
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        server.Set("setup.deb", {200, QByteArray(1000, 'x'), -1, 100}); // 10 bytes/s
        up::UpdateSettings settings = Settings(server.BaseUrl());
        settings.minInstallerBytesPerSecond = 100;
        settings.rateWindowMs = 500;
        QTemporaryDir folder;
        QNetworkAccessManager network;
        up::CInstallerDownload download(network, settings);
        QSignalSpy done(&download, &up::CInstallerDownload::finished);
        QVERIFY(download.Start(server.BaseUrl() + "setup.deb", folder.path()));
        QVERIFY(done.wait(10000));
        QVERIFY(done.front().front().toString().isEmpty());
        QCOMPARE(download.ErrorText(), QString("slower than 100 bytes/s for 0.5 s"));
        QVERIFY(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // Version files come only over https; a CA file that cannot be used is named.
    void onlyHttpsAndAUsableCaFile() {
        for (const QString base :
             {"http://127.0.0.1:9/rfid/software/", "file:///tmp/rfid/", "no address/"}) {
            up::UpdateSettings settings;
            settings.baseUrl = base;
            up::CUpdateService updates(settings);
            updates.StartProgram(false);
            QVERIFY(!updates.Program().IsRunning());
            QCOMPARE(updates.ProgramVerdict(), up::Verdict::NoConnection);
            QVERIFY2(updates.Program().Source().Error().find("not an https address") == 0,
                     updates.Program().Source().Error().c_str());
        }
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        QTemporaryDir dir;
        QFile empty(dir.filePath("empty.pem"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        const QString missing = dir.filePath("missing.pem");
        for (const auto& [file, problem] :
             {std::pair{missing, "CA file " + missing + " does not exist"},
              std::pair{empty.fileName(),
                        "CA file " + empty.fileName() + " holds no certificate"}}) {
            qputenv("VOREX_UPDATE_CA", file.toUtf8());
            up::UpdateSettings settings;
            qunsetenv("VOREX_UPDATE_CA");
            settings.baseUrl = server.BaseUrl();
            up::CUpdateService updates(settings);
            updates.StartProgram(false);
            QVERIFY(!updates.Program().IsRunning());
            QCOMPARE(QString::fromStdString(updates.Program().Source().Error()), problem);
        }
        QVERIFY(server.requests.isEmpty());
    }

    // What the server writes into a version file is shown as it is, never as markup, and
    // cut to a length that keeps the dialog usable.
    void aboutBoxShowsServerTextsAsPlainText() {
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        server.Set("RFIDVersionsHF.txt",
                   {200, "[VorexProgrammer]\nVersion=9.9<img src=\"/usr/share/pixmaps/x.png\">" +
                             QByteArray(300000, 'W') + "\nBuild=<b>2099</b>\nInstaller=" +
                             server.BaseUrl().toUtf8() + "x.deb\n"});
        up::CUpdateService updates(Settings(server.BaseUrl()));
        updates.SetOwnVersion("2.8", "2026-05-01");
        vtest::ShellRig rig;
        rig.env.updates = &updates;
        CAboutDlg about(rig.env);
        QVERIFY(WaitDone(updates.Program()));
        auto* label = about.findChild<CClickLabel*>("105");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY(label->text().contains("9.9<img src="));
        QVERIFY(label->text().contains("(<b>2099</b>)"));
        QVERIFY2(label->text().size() < 200, qPrintable(QString::number(label->text().size())));
        QVERIFY2(about.sizeHint().width() < 1500,
                 qPrintable(QString::number(about.sizeHint().width())));
    }

    // The operator can cancel a download by clicking its label again; a failed download
    // says why.
    void downloadCancelledOrFailed_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("not found") << false;
    }

    void downloadCancelledOrFailed() {
        QFETCH(bool, cancel);
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        if (cancel)
            server.Set("vorex-2.9.deb", {200, QByteArray(1000, 'x'), -1, 100});
        QTemporaryDir folder;
        up::UpdateSettings settings = Settings(server.BaseUrl());
        settings.installerFolder = folder.path();
        up::CUpdateService updates(settings);
        updates.SetOwnVersion("2.8", "2026-05-01");
        vtest::ShellRig rig;
        rig.env.updates = &updates;
        rig.env.openDocument = [&](const QString& path) {
            rig.opened << path;
            return 42;
        };
        CAboutDlg about(rig.env);
        auto* label = about.findChild<CClickLabel*>("105");
        QVERIFY(WaitDone(updates.Program()));
        const QString offer = label->text();
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), Ger(604));
        if (cancel) {
            QTest::qWait(300);
            QTest::mouseClick(label, Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), offer, 10000);
        QVERIFY(rig.opened.isEmpty());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        if (cancel) {
            QVERIFY(rig.messages.shown.isEmpty());
        } else {
            QCOMPARE(rig.messages.shown.size(), 1);
            QVERIFY2(rig.messages.shown.front().startsWith("The download failed:"),
                     qPrintable(rig.messages.shown.front()));
        }
        QVERIFY(label->IsClickable()); // the offer can be taken again
    }

    // A click on the program offer downloads the installer, hands it to the desktop and
    // asks the program to end; a refused hand-over says so and keeps the offer.
    void clickOnOffer_data() {
        QTest::addColumn<int>("openResult");
        QTest::newRow("handed over") << 42;
        QTest::newRow("no program for it") << 31;
    }

    void clickOnOffer() {
        QFETCH(int, openResult);
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        server.Set("vorex-2.9.deb", {200, "package"});
        QTemporaryDir folder;
        up::UpdateSettings settings = Settings(server.BaseUrl());
        settings.installerFolder = folder.path();
        up::CUpdateService updates(settings);
        updates.SetOwnVersion("2.8", "2026-05-01");
        vtest::ShellRig rig;
        rig.env.updates = &updates;
        rig.env.openDocument = [&](const QString& path) {
            rig.opened << path;
            return openResult;
        };
        CAboutDlg about(rig.env);
        QSignalSpy exit(&about, &CAboutDlg::exitRequested);
        auto* label = about.findChild<CClickLabel*>("105");
        QVERIFY(WaitDone(updates.Program()));
        const QString offer = label->text();
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), Ger(604));
        const QString installer = QDir(folder.path()).filePath("vorex-2.9.deb");
        QTRY_COMPARE_WITH_TIMEOUT(rig.opened, QStringList{installer}, 20000);
        QCOMPARE(label->text(), offer);
        QFile file(installer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("package"));
        if (openResult > 32) {
            QCOMPARE(exit.count(), 1);
            QCOMPARE(about.result(), int(QDialog::Accepted));
            QVERIFY(rig.messages.shown.isEmpty());
        } else {
            QCOMPARE(exit.count(), 0);
            QCOMPARE(rig.messages.shown.size(), 1);
            QVERIFY(rig.messages.shown.front().contains("can not be started!"));
        }
    }

    void checkBoxStoredOnOkAndCancel() {
        vtest::ShellRig rig; // no update check: the program label says 602 at once
        {
            CAboutDlg about(rig.env);
            QCOMPARE(about.findChild<QLabel*>("105")->text(), Ger(602));
            auto* box = about.findChild<QCheckBox*>("1058");
            QVERIFY(box->isChecked());
            box->setChecked(false);
            about.reject();
        }
        QCOMPARE(ProfileInt("Version", "Update", 1), 0);
        CAboutDlg about(rig.env);
        auto* box = about.findChild<QCheckBox*>("1058");
        QVERIFY(!box->isChecked());
        box->setChecked(true);
        about.accept();
        QCOMPARE(ProfileInt("Version", "Update", 0), 1);
    }

    // vorexctl asks the same server; it trusts the CA named by $VOREX_UPDATE_CA.
    void commandLine_data() {
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("status");
        QTest::newRow("trusted") << "ca.pem" << 0 << "update";
        QTest::newRow("untrusted") << "rogue-ca.pem" << 1 << "no-connection";
    }

    void commandLine() {
        QFETCH(QString, caFile);
        QFETCH(int, exitCode);
        QFETCH(QString, status);
        vtest::TestHttpsServer server;
        QVERIFY(server.Listen(pki_));
        Serve(server);
        auto sim = std::make_unique<vtest::SimReader>([] {
            vsim::ReaderConfig config;
            config.deviceType = "125";
            config.revision = '7';
            return config;
        }());
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VOREX_UPDATE_URL", server.BaseUrl());
        env.insert("VOREX_UPDATE_CA", pki_.Path(caFile));
        cli.setProcessEnvironment(env);
        cli.start(VOREX_BINARY_DIR "/cli/vorexctl",
                  {"--port", QString::fromStdString(sim->Path()), "--json", "update-check"});
        // The server runs in this test's event loop.
        QVERIFY(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 60000));
        QCOMPARE(cli.exitCode(), exitCode);
        const QJsonObject out = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
        QCOMPARE(out["ok"].toBool(), exitCode == 0);
        const QJsonObject program = out["program_check"].toObject();
        const QJsonObject reader = out["reader"].toObject();
        QCOMPARE(program["status"].toString(), status);
        QCOMPARE(reader["status"].toString(), status);
        QCOMPARE(reader["model"].toString(), QString("VX-B71"));
        QCOMPARE(reader["firmware"].toString(), QString("1.07"));
        if (status == "update") {
            QCOMPARE(reader["offer"].toObject()["version"].toString(), QString("1.10"));
            QCOMPARE(reader["offer"].toObject()["installer"].toString(),
                     server.BaseUrl() + "b7x-1.10.bin");
            QCOMPARE(program["offer"].toObject()["installer"].toString(),
                     server.BaseUrl() + "vorex-2.9.deb");
        }
    }

    // The update check may ask for the about box at any time; while the reader is being
    // opened and identified it waits, and opens once that is done.
    void aboutBoxWaitsForReaderWork() {
        vsim::ReaderConfig config;
        config.deviceType = "125";
        config.revision = '5';
        vtest::SimReader sim(config);
        vsim::Fault slow;
        slow.kind = vsim::Fault::Kind::Delay;
        slow.ms = 300;
        slow.command = 0xF0;
        slow.skip = 1; // the open identifies at once; the identification that follows waits
        slow.times = 1;
        sim.Model().InjectFault(slow);
        WriteProfileString("Port", "Name", QString::fromStdString(sim.Path()));
        WriteProfileInt("Port", "Baudrate", 19200);
        WriteProfileInt("Port", "Timeout", 2000);
        vtest::ShellRig rig;
        CWaitHook hook;
        rig.env.waitHook = &hook;
        up::CUpdateService updates(Settings(QString())); // fetches nothing
        rig.env.updates = &updates;
        CMainFrame frame(rig.env);
        frame.show();
        bool working = true;
        bool seenWhileWorking = false;
        bool seenAfter = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, &frame, [&] {
            if (auto* box = frame.findChild<CAboutDlg*>()) {
                (working ? seenWhileWorking : seenAfter) = true;
                box->reject();
            }
        });
        closer.start(20);
        // Runs inside the engine's wait (events flow only there during the call).
        QTimer::singleShot(50, &frame, &CMainFrame::OpenAboutBox);
        frame.View()->OnInitialUpdate();
        working = false;
        QCOMPARE(frame.View()->DeviceType(), 0x125);
        QVERIFY(!seenWhileWorking);
        QTRY_VERIFY_WITH_TIMEOUT(seenAfter, 5000);
    }

    void englishTexts() {
        QTranslator english;
        QVERIFY(english.load("VorexProgrammerEng.qm", VOREX_BINARY_DIR "/shell"));
        QCoreApplication::installTranslator(&english);
        vtest::ShellRig rig;
        CAboutDlg about(rig.env);
        QCoreApplication::removeTranslator(&english);
        QVERIFY(about.windowTitle().startsWith("About Vorex Programmer "));
        QCOMPARE(about.findChild<QLabel*>("105")->text(),
                 QString("No Internet connection: cannot check for updates!"));
        QCOMPARE(about.findChild<QCheckBox*>("1058")->text(),
                 QString("check for new versions automatically"));
    }
};

VOREX_QTEST_REGISTER(UpdateTest)
} // namespace update_test
#include "UpdateTest.moc"

#include "shell/Screenshots.h"

#include "reader/ReaderFacts.h"
#include "shell/AboutDlg.h"
#include "shell/BeepTimeDlg.h"
#include "shell/DemoReader.h"
#include "shell/MainFrame.h"
#include "shell/PortDlg.h"
#include "shell/ProductionDlg.h"
#include "shell/ProgrammerView.h"
#include "shell/SendeLeistungDlg.h"
#include "sim/Conveyor.h"
#include "sim/PtyServer.h"
#include "sim/Scenario.h"
#include "ui/EditableListCtrl.h"
#include "ui/Texts.h"
#include "update/UpdateService.h"
#include "workbench/iso14443/Mifare1KDlg.h"
#include "workbench/iso14443/MifareKeyStoreDlg.h"
#include "workbench/iso14443/NFCType2Dlg.h"
#include "workbench/iso15693/ISO15693Dlg.h"
#include <vorex/vorex.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>

namespace vorex::shell {

void CLoggedMessages::Show(QWidget*, const QString& text, Icon) {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
}

bool CLoggedMessages::AskYesNo(QWidget*, const QString& text, Icon) {
    std::fprintf(stderr, "question (answered no): %s\n", text.toUtf8().constData());
    return false;
}

namespace {

// Keeps the question a dialog asks and answers No.
class CQuestionCatcher : public ui::IMessages {
public:
    void Show(QWidget*, const QString&, Icon) override {}
    bool AskYesNo(QWidget*, const QString& text, Icon) override {
        question = text;
        return false;
    }
    QString question;
};

// The window's contents under a plain title bar that shows its caption (the offscreen
// platform draws no window frame).
bool Save(QWidget& w, const QDir& dir, const QString& file) {
    QApplication::processEvents();
    const QPixmap contents = w.grab();
    constexpr int kTitle = 28;
    QImage shot(contents.width(), contents.height() + kTitle, QImage::Format_RGB32);
    shot.fill(QColor(48, 56, 70));
    QPainter painter(&shot);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(10, 0, shot.width() - 20, kTitle), Qt::AlignVCenter | Qt::AlignLeft,
                     w.windowTitle());
    painter.drawPixmap(0, kTitle, contents);
    painter.end();
    const bool ok = shot.save(dir.filePath(file));
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write",
                 dir.filePath(file).toUtf8().constData());
    return ok;
}

// Runs `shoot` on an open, identified connection to the saved reader and closes it.
bool WithReader(CMainFrame& frame, const std::function<bool(int handle)>& shoot) {
    int baud = 19200;
    const int handle = frame.View()->OpenReader(false, baud);
    if (handle <= 0 || !frame.View()->IdentifyReader(handle))
        return false;
    const bool ok = shoot(handle);
    VOREX_ClosePort(handle);
    return ok;
}

// The ISO 15693 workbench on the demo reader's tags, with one edited (yellow) cell next
// to the first tag's locked (pink) block.
bool SaveWorkbench(CMainFrame& frame, ui::ShellEnv& env, const QDir& dir) {
    return WithReader(frame, [&](int handle) {
        wb::iso::CISO15693Dlg dialog(env, &frame);
        dialog.SetConnection(handle, reader::HighDataRateLock(frame.View()->DeviceType()));
        dialog.show();
        QElapsedTimer waited;
        waited.start();
        while (dialog.Grid()->CellText(0, 1).isEmpty() && waited.elapsed() < 5000) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        dialog.Grid()->SetCellText(1, 2, QStringLiteral("c0ffee"));
        dialog.ValidateCell(1, 2);
        dialog.Grid()->SelectRow(1);
        return Save(dialog, dir, QStringLiteral("iso15693-workbench.png"));
    });
}

// The NFC Type 2 workbench on the demo NTAG216 with one edited (yellow) page, and the
// transmit-power dialog with the reader's settings.
bool SaveReaderDialogs(CMainFrame& frame, ui::ShellEnv& env, CDemoReader& demo, const QDir& dir) {
    // Outside the demo the card on the reader is shown.
    demo.ChangeField("card ntag216");
    return WithReader(frame, [&](int handle) {
        bool ok = false;
        {
            wb::nfc::CNFCType2Dlg dialog(env, &frame);
            dialog.SetConnection(handle);
            dialog.show();
            dialog.OnRead();
            dialog.Grid()->SetCellText(2, 1, QStringLiteral("c0ffee"));
            dialog.OnCellEdited(2, 1);
            dialog.Grid()->SelectRow(2);
            ok = Save(dialog, dir, QStringLiteral("nfc-type2-workbench.png"));
        }
        {
            CSendeLeistungDlg dialog(handle, env.messages, &frame);
            dialog.OnInitDialog();
            dialog.show();
            ok = Save(dialog, dir, QStringLiteral("transmit-power-dialog.png")) && ok;
        }
        return ok;
    });
}

// The MIFARE Classic 4K workbench after "Alle Sektoren lesen" of the demo card, on its
// 16-block sector 33: data rows, a value block, the access rights and the key that
// opened the sector; then the key-store dialog with the demo store's keys and one
// unfinished key.
bool SaveClassicWorkbench(CMainFrame& frame, ui::ShellEnv& env, CDemoReader& demo,
                          const QDir& dir) {
    demo.ChangeField("card classic4k");
    return WithReader(frame, [&](int handle) {
        bool ok = false;
        {
            wb::mfc::CMifare1KDlg dialog(env, wb::mfc::kTemplate4K, &frame);
            dialog.SetConnection(handle, reader::HasSmallKeyStore(frame.View()->DeviceType()));
            dialog.show();
            const auto click = [&dialog](const QString& name) {
                if (auto* button = dialog.findChild<QAbstractButton*>(name))
                    button->click();
            };
            for (const char* name : {"readAll", "tab33", "valueMode10"})
                click(QString::fromLatin1(name));
            ok = Save(dialog, dir, QStringLiteral("mifare4k-workbench.png"));
            // The question before a trailer write: sector 7 with the keys the read
            // knows, trailer access 3 (keys and access bits frozen).
            for (const char* name : {"tab7", "knownKeys", "rowSelected3"})
                click(QString::fromLatin1(name));
            if (auto* access = dialog.findChild<QComboBox*>(QStringLiteral("access3"))) {
                access->setCurrentIndex(3);
                emit access->activated(3);
            }
            CQuestionCatcher catcher;
            ui::IMessages* messages = env.messages;
            env.messages = &catcher;
            click(QStringLiteral("write"));
            env.messages = messages;
            QMessageBox box(QMessageBox::Warning, ui::S(57344), catcher.question,
                            QMessageBox::Yes | QMessageBox::No, &dialog);
            box.setDefaultButton(QMessageBox::No);
            box.show();
            ok = !catcher.question.isEmpty() &&
                 Save(box, dir, QStringLiteral("mifare-trailer-question.png")) && ok;
        }
        {
            wb::mfc::CMifareDefineKeys keys(env, &frame);
            keys.SetConnection(handle);
            keys.show();
            const char* texts[][2] = {{"FFFFFFFFFFFF", "FFFFFFFFFFFF"},
                                      {"A0A1A2A3A4A5", "B0B1B2B3B4B5"},
                                      {"4D3A99C351DD", "1A982C7E45"}};
            for (int row = 0; row < 3; ++row)
                for (int column = 0; column < 2; ++column)
                    keys.KeyEdit(column, row)->setText(QString::fromLatin1(texts[row][column]));
            keys.KeyEdit(1, 2)->setFocus();
            ok = Save(keys, dir, QStringLiteral("key-store-dialog.png")) && ok;
        }
        return ok;
    });
}

// The production window after a short run on a stand-in conveyor of NTAG213 tags, one of
// which refuses a page.
bool SaveProductionWindow(CMainFrame& frame, const QDir& dir) {
    std::string error;
    auto model =
        vsim::LoadScenario(nlohmann::json::parse(R"({"conveyor": {"family": "ntag213", "count": 20},
          "faults": [{"kind": "status", "status": 241, "command": "35", "skip": 50}]})"),
                           error);
    QTemporaryDir work;
    if (!model || !work.isValid())
        return false;
    vsim::PtyServer server(*model);
    if (!server.Start())
        return false;
    const int handle = VOREX_OpenPort(server.SlavePath().c_str(), 19200, 500);
    if (handle <= 0)
        return false;
    QFile job(work.filePath(QStringLiteral("ntag213-url.json")));
    job.open(QIODevice::WriteOnly);
    job.write(R"({"name": "ntag213-url", "family": "ntag", "chips": ["NTAG213"],
      "serial": {"prefix": "VX-", "width": 6, "start": 1, "step": 1},
      "content": {"ndef": [{"type": "uri", "uri": "https://vorex.example/t/{serial}"}]},
      "lock_after_verify": true})");
    job.close();
    bool ok = false;
    {
        CProductionDlg dialog(handle, &frame);
        dialog.SetDatabase(work.filePath(QStringLiteral("records.sqlite")));
        dialog.show();
        if (dialog.LoadJob(job.fileName())) {
            // The conveyor moves on after each tag; after seven the run is stopped.
            QTimer line;
            int seen = 0;
            QObject::connect(&line, &QTimer::timeout, [&] {
                if (dialog.Entries().size() == seen)
                    return;
                seen = static_cast<int>(dialog.Entries().size());
                if (seen >= 7)
                    dialog.Stop();
                auto lock = model->Lock();
                model->FindCommandSet<vsim::Conveyor>()->Next(*model);
            });
            line.start(5);
            dialog.Start();
            line.stop();
            ok = Save(dialog, dir, QStringLiteral("production-window.png"));
        }
    }
    VOREX_ClosePort(handle);
    server.Stop();
    return ok;
}

} // namespace

int TakeScreenshots(CMainFrame& frame, ui::ShellEnv& env, CDemoReader& demo,
                    const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    std::fprintf(stderr, "caption: %s\n", frame.windowTitle().toUtf8().constData());
    bool ok = Save(frame, dir, QStringLiteral("main-window.png"));
    {
        CPortDlg dialog(env, &frame);
        dialog.show();
        ok = Save(dialog, dir, QStringLiteral("interface-dialog.png")) && ok;
    }
    {
        CBeepTimeDlg dialog(env.messages, &frame);
        dialog.show();
        ok = Save(dialog, dir, QStringLiteral("cycle-dialog.png")) && ok;
    }
    {
        CAboutDlg dialog(env, &frame);
        dialog.show();
        // The labels show what the program file's check found (bounded wait).
        QElapsedTimer waited;
        waited.start();
        while (env.updates && env.updates->Program().IsRunning() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        ok = Save(dialog, dir, QStringLiteral("about-box.png")) && ok;
    }
    ok = SaveWorkbench(frame, env, dir) && ok;
    ok = SaveClassicWorkbench(frame, env, demo, dir) && ok;
    ok = SaveReaderDialogs(frame, env, demo, dir) && ok;
    ok = SaveProductionWindow(frame, dir) && ok;
    return ok ? 0 : 1;
}

} // namespace vorex::shell

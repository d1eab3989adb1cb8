#include "shell/ProgrammerView.h"

#include "shell/BluetoothConnectDlg.h"
#include "shell/ProductionDlg.h"

#include "shell/FactoryReset.h"
#include "shell/SendeLeistungDlg.h"

#include "reader/ReaderFacts.h"
#include "shell/BeepTimeDlg.h"
#include "shell/LanConfigDlg.h"
#include "shell/PortDlg.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include "workbench/iso14443/Mifare1KDlg.h"
#include "workbench/iso14443/MifareUltralightDlg.h"
#include "workbench/iso14443/NFCType2Dlg.h"
#include "workbench/iso15693/ISO15693Dlg.h"
#include <vorex/vorex.h>

#include <QPainter>

namespace vorex::shell {

namespace sc = vorex::reader;

namespace {

// What the baud-rate search sees from a try after a cancel: ends the search.
constexpr int kCancelled = -12;

} // namespace

// For the length of a reader search: the view counts as searching, the main window
// stays enabled for the cancel button (the frame disables the rest), and the frame
// hears when it starts and ends.
class CProgrammerView::SearchScope {
public:
    explicit SearchScope(CProgrammerView& view) : view_(view) {
        view_.searching_ = true;
        view_.cancelled_ = false;
        if (view_.env_.waitHook)
            view_.env_.waitHook->Spare(view_.window());
        emit view_.searching(true);
    }
    ~SearchScope() {
        if (view_.env_.waitHook)
            view_.env_.waitHook->Spare(nullptr);
        view_.searching_ = false;
        emit view_.searching(false);
    }
    SearchScope(const SearchScope&) = delete;
    SearchScope& operator=(const SearchScope&) = delete;

private:
    CProgrammerView& view_;
};

CProgrammerView::CProgrammerView(ui::ShellEnv& env, QWidget* parent)
    : QWidget(parent), env_(env), picture_(QStringLiteral(":/vorex/images/view.png")) {
    env_.FillDefaults();
    setObjectName("ProgrammerView");
    if (picture_.isNull()) {
        picture_ = QImage(600, 450, QImage::Format_RGB888);
        picture_.fill(QColor(232, 238, 245));
    }
}

QSize CProgrammerView::sizeHint() const {
    return QSize(778, picture_.height());
}

QString CProgrammerView::CaptionVersion() {
    const QString version = QStringLiteral(VOREX_PROGRAM_VERSION);
    return version.isEmpty() || version.size() >= 20 ? QStringLiteral("1.xx") : version;
}

void CProgrammerView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), picture_.pixelColor(0, 0));
    const int x = (width() - picture_.width()) / 2;
    p.drawImage(QPoint(x, 0), picture_);
}

void CProgrammerView::AdjustFrameSize() {
    // Logical pixels already carry the screen scaling.
    setFixedSize(778, 450);
    if (QWidget* frame = window(); frame != this) {
        frame->setMinimumSize(0, 0);
        frame->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        frame->adjustSize();
        frame->setFixedSize(frame->sizeHint());
    }
}

void CProgrammerView::SetCaption(const QString& caption) {
    window()->setWindowTitle(caption);
}

void CProgrammerView::ForgetReader() {
    deviceType_ = 0;
    SetCaption(baseCaption_);
    emit readerChanged();
}

int CProgrammerView::OpenReader(bool useGivenBaud, int& baud) {
    CPortDlg settings(env_);
    if (!useGivenBaud)
        baud = ui::ProfileInt("Port", "Baudrate", 19200);
    portText_ = settings.BuildPortName();
    displayPort_ = QString::fromStdString(
        sc::DisplayPortName(settings.Name().toStdString(), settings.Address()));
    timeoutMs_ = ui::ProfileInt("Port", "Timeout", 500);
    searchedRates_ = false;
    stoppedAnswering_ = false;
    cancelled_ = false;
    if (settings.Name().isEmpty())
        return 0;
    const SearchScope scope(*this);
    const QByteArray name = portText_.toUtf8();
    const bool serial = sc::KindOf(settings.Name().toStdString()) == sc::EntryKind::Serial;
    auto open = [&](int rate) {
        if (cancelled_)
            return kCancelled;
        emit statusMessage(serial ? ui::S(12000).arg(displayPort_).arg(rate / 100 * 100)
                                  : ui::S(12001).arg(displayPort_));
        return VOREX_OpenPort(name.constData(), rate, timeoutMs_);
    };
    if (settings.IsLanEntry()) {
        lanFlag_ = true;
        const int result = open(baud);
        if (result < 0)
            lanFlag_ = false;
        emit readerChanged();
        return result;
    }
    lanFlag_ = false;
    int result = open(baud);
    if (result == -11 && serial && !cancelled_) {
        searchedRates_ = true;
        int found = 0;
        result = sc::SearchBaudRate(baud, open, found);
        if (result > 0) {
            baud = found;
            if (!useGivenBaud)
                ui::WriteProfileInt("Port", "Baudrate", found);
        }
    }
    if (result == kCancelled)
        result = -11;
    // An adapter is open: the operator picks and connects the reader, or the
    // connection is given up.
    if (result > 0 && settings.IsBluetoothEntry()) {
        const bool connected = env_.connectBluetooth
                                   ? env_.connectBluetooth(result, this)
                                   : CBluetoothConnectDlg(result, this).exec() == QDialog::Accepted;
        if (!connected) {
            VOREX_ClosePort(result);
            return 0;
        }
    }
    return result;
}

void CProgrammerView::CancelSearch() {
    if (!searching_)
        return;
    cancelled_ = true;
    VOREX_CancelWait();
}

QString CProgrammerView::FailureText(int code) const {
    if (code == 0)
        return ui::S(12002);
    if (cancelled_)
        return ui::S(12008);
    if (code == -1)
        return ui::Format(ui::S(10012), displayPort_);
    if (code == -11) {
        const QString what = stoppedAnswering_ ? ui::S(12007).arg(displayPort_)
                             : searchedRates_  ? ui::S(12006).arg(displayPort_).arg(timeoutMs_)
                                               : ui::S(12004).arg(displayPort_).arg(timeoutMs_);
        return what + '\n' + ui::S(12005);
    }
    return ui::Format(ui::S(10002), -code);
}

void CProgrammerView::ReportFailure(int code, bool ask, const QString& lead) {
    const QString text = FailureText(code);
    emit statusMessage(QString(text).replace('\n', ' '));
    if (ask && !cancelled_)
        env_.messages->Show(this, lead.isEmpty() ? text : lead + "\n\n" + text,
                            ui::IMessages::Icon::Warning);
}

bool CProgrammerView::IdentifyReader(int handle) {
    unsigned char version[4] = {};
    if (VOREX_GetVersion(handle, version, 4) != 4) {
        VOREX_ClosePort(handle);
        stoppedAnswering_ = true;
        deviceType_ = 0;
        emit readerChanged();
        return false;
    }
    sc::Identity id;
    if (!sc::ParseIdentity(version, 4, id))
        id = sc::Identity{0, sc::Base62Value(static_cast<char>(version[3]))};
    deviceType_ = id.deviceType;
    firmware_ = id.firmware;
    const QString firmwareText = QString::asprintf(ui::S(139).toUtf8().constData(), 1, firmware_);

    if (VOREX_IsProgrammer(handle) == 1)
        VOREX_SetReaderMode(handle, 0);
    else
        env_.messages->Show(this, ui::S(226), ui::IMessages::Icon::Information);

    char name[30] = {};
    const QString model = VOREX_GetDeviceName(handle, name, sizeof name) > 0
                              ? QString::fromUtf8(name)
                              : QStringLiteral("---");
    QString device = model + ' ';
    if (VOREX_IsUsbLink(handle) == 1)
        device += QStringLiteral("USB:");
    device += portText_;
    SetCaption(ui::S(57344) + " V" + CaptionVersion() + " <" + device + "  " + firmwareText + ">" +
               env_.captionNote);
    emit statusMessage(ui::S(12003).arg(model, displayPort_));
    emit readerChanged();
    return true;
}

void CProgrammerView::ReportAndClose(int handle) {
    if (sc::IsUpdateCheckedType(deviceType_)) {
        unsigned char version[4] = {};
        if (VOREX_GetVersion(handle, version, 4) == 4) {
            char model[30] = {};
            VOREX_GetDeviceName(handle, model, sizeof model);
            VOREX_ClosePort(handle);
            env_.reportReader(QString::fromLatin1(reinterpret_cast<const char*>(version), 4),
                              QString::fromUtf8(model));
            return;
        }
    }
    VOREX_ClosePort(handle);
}

void CProgrammerView::OnInitialUpdate() {
    if (searching_)
        return;
    baseCaption_ = window()->windowTitle();
    AdjustFrameSize();
    // Nobody asked for this open: the outcome goes to the status bar only.
    const int handle = OpenAndIdentify(false);
    AdjustFrameSize();
    if (handle > 0)
        ReportAndClose(handle);
}

bool CProgrammerView::IsCommandEnabled(int command) const {
    const int t = deviceType_;
    const int f = firmware_;
    switch (command) {
    case 40001:
        return sc::IsIsoProgrammer(t);
    case 40002:
    case 40003:
    case 40004:
        return sc::IsMifareProgrammer(t);
    case 40005:
        return sc::IsNfcType2Programmer(t, f);
    case 32864:
        return lanFlag_;
    case 40006:
        return sc::HasTransmitPower(t, f);
    case 40007:
        return sc::HasFactoryReset(t, f);
    default:
        return true;
    }
}

int CProgrammerView::OpenAndIdentify(bool ask) {
    int baud = 19200;
    const int handle = OpenReader(false, baud);
    if (handle <= 0) {
        ForgetReader();
        ReportFailure(handle, ask);
        return handle < 0 ? handle : -11;
    }
    const bool identified = IdentifyReader(handle);
    if (!identified || deviceType_ == 0) {
        if (identified)
            VOREX_ClosePort(handle);
        ForgetReader();
        ReportFailure(-11, ask);
        return -11;
    }
    return handle;
}

void CProgrammerView::OnWorkbench(int command) {
    if (searching_)
        return;
    const int handle = OpenAndIdentify(true);
    if (handle < 0)
        return;
    if (IsCommandEnabled(command)) {
        if (env_.workbenchOpening)
            env_.workbenchOpening(command);
        if (env_.runWorkbench)
            env_.runWorkbench(command, handle, deviceType_, firmware_);
        else
            RunWorkbench(command, handle);
    }
    VOREX_ClosePort(handle);
}

void CProgrammerView::RunWorkbench(int command, int handle) {
    switch (command) {
    case 40001: {
        wb::iso::CISO15693Dlg dialog(env_, this);
        dialog.SetConnection(handle, sc::HighDataRateLock(deviceType_));
        dialog.exec();
        break;
    }
    case 40002:
    case 40003: {
        wb::mfc::CMifare1KDlg dialog(
            env_, command == 40002 ? wb::mfc::kTemplate1K : wb::mfc::kTemplate4K, this);
        dialog.SetConnection(handle, sc::HasSmallKeyStore(deviceType_));
        dialog.exec();
        break;
    }
    case 40004: {
        wb::nfc::CMifareUltralightDlg dialog(env_, this);
        dialog.SetConnection(handle);
        dialog.exec();
        break;
    }
    case 40005: {
        wb::nfc::CNFCType2Dlg dialog(env_, this);
        dialog.SetConnection(handle);
        dialog.exec();
        break;
    }
    default:
        // Any other command opens no workbench.
        break;
    }
}

void CProgrammerView::OnInterface() {
    if (searching_)
        return;
    const int oldBaud = ui::ProfileInt("Port", "Baudrate", 19200);
    CPortDlg dialog(env_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    ReconnectAfterInterface(oldBaud);
}

void CProgrammerView::ReconnectAfterInterface(int oldBaud) {
    deviceType_ = 0;
    const bool usb = CPortDlg(env_).IsUsbEntry();
    const int newBaud = ui::ProfileInt("Port", "Baudrate", 19200);
    const bool change = !usb && newBaud != oldBaud;
    int handle = 0;
    if (change) {
        int baud = oldBaud;
        handle = OpenReader(true, baud);
        // The reader runs at the old rate: tell it the new one. A missing connection
        // (no entry) has nothing to tell.
        if (handle > 0 && newBaud != baud &&
            VOREX_SetBaudrate(handle, newBaud / 100 * 100, newBaud % 100) == -1) {
            env_.messages->Show(this, ui::S(10047), ui::IMessages::Icon::Warning);
            ui::WriteProfileInt("Port", "Baudrate", oldBaud);
        }
    } else {
        int baud = oldBaud;
        handle = OpenReader(false, baud);
    }
    if (handle == 0) {
        // No interface chosen: nothing to connect to, and the status bar says so.
        ForgetReader();
        ReportFailure(0, false);
        return;
    }
    if (handle > 0) {
        const bool identified = IdentifyReader(handle);
        if (!identified || deviceType_ == 0) {
            if (identified)
                VOREX_ClosePort(handle);
            handle = -11;
        }
    }
    if (handle < 0) {
        ForgetReader();
        // -1 names the port itself; a missing reader leads with the cable hint.
        ReportFailure(handle, true, handle == -11 ? ui::S(10023) : QString());
        return;
    }
    ReportAndClose(handle);
    emit readerChanged();
}

void CProgrammerView::OnCycleParameters() {
    CBeepTimeDlg dialog(env_.messages, this);
    dialog.exec();
}

void CProgrammerView::OnIpAddress() {
    if (!lanFlag_ || searching_)
        return;
    // The saved LAN reader's settings; afterwards the reader is opened and identified
    // anew, whatever the dialog's result.
    const QString saved = CPortDlg(env_).Name();
    CLanConfig dialog(saved.mid(5), env_.messages, this);
    if (dialog.exec() == QDialog::Accepted)
        ui::WriteProfileString("Port", "Name", "LAN: " + dialog.Identity());
    const int handle = OpenAndIdentify(true);
    if (handle > 0)
        VOREX_ClosePort(handle);
}

void CProgrammerView::ReaderSettingsCommand(bool (*gate)(int, int),
                                            const std::function<void(int handle)>& body) {
    if (searching_ || !gate(deviceType_, firmware_))
        return;
    const int handle = OpenAndIdentify(true);
    if (handle < 0)
        return;
    // The identification has refreshed the type and revision: the gate is asked again.
    if (gate(deviceType_, firmware_))
        body(handle);
    VOREX_ClosePort(handle);
}

void CProgrammerView::OnTransmitPower() {
    ReaderSettingsCommand(&sc::HasTransmitPower, [this](int handle) {
        CSendeLeistungDlg dialog(handle, env_.messages, this);
        dialog.exec();
    });
}

void CProgrammerView::OnProduction() {
    if (searching_)
        return;
    const int handle = OpenAndIdentify(true);
    if (handle < 0)
        return;
    {
        CProductionDlg dialog(handle, this);
        dialog.exec();
    }
    VOREX_ClosePort(handle);
}

void CProgrammerView::OnFactoryReset() {
    ReaderSettingsCommand(&sc::HasFactoryReset,
                          [this](int handle) { RunFactoryReset(handle, *env_.messages, this); });
}

} // namespace vorex::shell

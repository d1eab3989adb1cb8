#include "ProgrammerView.h"

#include "BeepTimeDlg.h"
#include "LanConfig.h"
#include "PortDlg.h"
#include "ShellCore.h"
#include "Texts.h"
#include "vorex.h"

#include <QPainter>

namespace vorex::ui {

namespace sc = vorex::shell;

CProgrammerView::CProgrammerView(ShellEnv& env, QWidget* parent)
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
        baud = ProfileInt("Port", "Baudrate", 19200);
    portText_ = settings.BuildPortName();
    if (settings.Name().isEmpty())
        return 0;
    const QByteArray name = portText_.toUtf8();
    const int timeout = ProfileInt("Port", "Timeout", 500);
    if (settings.IsLanEntry()) {
        lanFlag_ = true;
        const int result = VOREX_OpenPort(name.constData(), baud, timeout);
        if (result < 0)
            lanFlag_ = false;
        emit readerChanged();
        return result;
    }
    lanFlag_ = false;
    int result = VOREX_OpenPort(name.constData(), baud, timeout);
    if (result == -11 && !settings.IsUsbEntry() && !settings.IsBluetoothEntry()) {
        int found = 0;
        result = sc::SearchBaudRate(
            baud, [&](int rate) { return VOREX_OpenPort(name.constData(), rate, timeout); }, found);
        if (result > 0) {
            baud = found;
            if (!useGivenBaud)
                WriteProfileInt("Port", "Baudrate", found);
        }
    }
    // The Bluetooth connect dialog joins here with the Bluetooth link.
    return result;
}

bool CProgrammerView::IdentifyReader(int handle) {
    unsigned char version[4] = {};
    if (VOREX_GetVersion(handle, version, 4) != 4) {
        VOREX_ClosePort(handle);
        deviceType_ = 0;
        emit readerChanged();
        return false;
    }
    sc::Identity id;
    if (!sc::ParseIdentity(version, 4, id))
        id = sc::Identity{0, sc::Base62Value(static_cast<char>(version[3]))};
    deviceType_ = id.deviceType;
    firmware_ = id.firmware;
    const QString firmwareText = QString::asprintf(S(139).toUtf8().constData(), 1, firmware_);

    if (VOREX_IsProgrammer(handle) == 1)
        VOREX_SetReaderMode(handle, 0);
    else
        env_.messages->Show(this, S(226), IMessages::Icon::Information);

    char name[30] = {};
    QString device = VOREX_GetDeviceName(handle, name, sizeof name) > 0 ? QString::fromUtf8(name)
                                                                        : QStringLiteral("---");
    device += ' ';
    if (VOREX_IsUsbLink(handle) == 1)
        device += QStringLiteral("USB:");
    device += portText_;
    SetCaption(S(57344) + " V" + CaptionVersion() + " <" + device + "  " + firmwareText + ">" +
               env_.captionNote);
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
    baseCaption_ = window()->windowTitle();
    AdjustFrameSize();
    int baud = 19200;
    const int handle = OpenReader(false, baud);
    if (handle < 0) {
        AdjustFrameSize();
        ForgetReader();
        return;
    }
    const bool identified = IdentifyReader(handle);
    if (!identified || deviceType_ == 0) {
        if (identified)
            VOREX_ClosePort(handle);
        AdjustFrameSize();
        ForgetReader();
        return;
    }
    AdjustFrameSize();
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

int CProgrammerView::OpenAndIdentify() {
    int baud = 19200;
    const int handle = OpenReader(false, baud);
    if (handle < 0) {
        ForgetReader();
        return handle;
    }
    const bool identified = IdentifyReader(handle);
    if (!identified || deviceType_ == 0) {
        if (identified)
            VOREX_ClosePort(handle);
        ForgetReader();
        return -11;
    }
    return handle;
}

void CProgrammerView::OnWorkbench(int command) {
    const int handle = OpenAndIdentify();
    if (handle < 0)
        return;
    if (IsCommandEnabled(command) && env_.runWorkbench)
        env_.runWorkbench(command, handle, deviceType_, firmware_);
    VOREX_ClosePort(handle);
}

void CProgrammerView::OnInterface() {
    const int oldBaud = ProfileInt("Port", "Baudrate", 19200);
    CPortDlg dialog(env_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    ReconnectAfterInterface(oldBaud);
}

void CProgrammerView::ReconnectAfterInterface(int oldBaud) {
    deviceType_ = 0;
    const bool usb = CPortDlg(env_).IsUsbEntry();
    const int newBaud = ProfileInt("Port", "Baudrate", 19200);
    const bool change = !usb && newBaud != oldBaud;
    int handle = 0;
    if (change) {
        int baud = oldBaud;
        handle = OpenReader(true, baud);
        // The reader runs at the old rate: tell it the new one. A missing connection
        // (no entry) has nothing to tell.
        if (handle > 0 && newBaud != baud &&
            VOREX_SetBaudrate(handle, newBaud / 100 * 100, newBaud % 100) == -1) {
            env_.messages->Show(this, S(10047), IMessages::Icon::Warning);
            WriteProfileInt("Port", "Baudrate", oldBaud);
        }
    } else {
        int baud = oldBaud;
        handle = OpenReader(false, baud);
    }
    if (handle >= 0) {
        const bool identified = IdentifyReader(handle);
        if (!identified || deviceType_ == 0) {
            if (identified)
                VOREX_ClosePort(handle);
            handle = -11;
        }
    }
    if (handle < 0) {
        if (handle == -11)
            env_.messages->Show(this, S(10023), IMessages::Icon::Warning);
        else if (handle == -1)
            env_.messages->Show(this, Format(S(10012), portText_), IMessages::Icon::Warning);
        else
            env_.messages->Show(this, Format(S(10002), -handle), IMessages::Icon::Warning);
        ForgetReader();
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
    if (!lanFlag_)
        return;
    // The saved LAN reader's settings; afterwards the reader is opened and identified
    // anew, whatever the dialog's result.
    const QString saved = CPortDlg(env_).Name();
    CLanConfig dialog(saved.mid(5), env_.messages, this);
    if (dialog.exec() == QDialog::Accepted)
        WriteProfileString("Port", "Name", "LAN: " + dialog.Identity());
    const int handle = OpenAndIdentify();
    if (handle > 0)
        VOREX_ClosePort(handle);
}

void CProgrammerView::ReaderSettingsCommand(bool (*gate)(int, int), int command) {
    if (!gate(deviceType_, firmware_))
        return;
    const int handle = OpenAndIdentify();
    if (handle < 0)
        return;
    if (gate(deviceType_, firmware_) && env_.runWorkbench)
        env_.runWorkbench(command, handle, deviceType_, firmware_);
    VOREX_ClosePort(handle);
}

void CProgrammerView::OnTransmitPower() {
    ReaderSettingsCommand(&sc::HasTransmitPower, 40006);
}

void CProgrammerView::OnFactoryReset() {
    ReaderSettingsCommand(&sc::HasFactoryReset, 40007);
}

} // namespace vorex::ui

#include "shell/PortDlg.h"

#include "shell/DeviceMonitor.h"
#include "shell/IPAddrSuche.h"
#include "ui/DataExchange.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace vorex::shell {
namespace {

using vorex::reader::EntryKind;

QString Q(const std::string& s) {
    return QString::fromUtf8(s.c_str());
}
std::string U(const QString& s) {
    return s.toUtf8().toStdString();
}

bool IsSerial(const QString& name) {
    return vorex::reader::KindOf(U(name)) == EntryKind::Serial;
}

} // namespace

CPortDlg::CPortDlg(ui::ShellEnv& env, QWidget* parent)
    : QDialog(parent), env_(env), timeout_(ui::ProfileInt("Port", "Timeout", 1000)),
      ethernet_on_(ui::ProfileInt("Port", "EthernetAktiv", 0)),
      address_(ui::ProfileInt("Port", "Adresse", 1)), name_(ui::ProfileString("Port", "Name")),
      baud_(ui::ProfileInt("Port", "Baudrate", 19200)) {
    env_.FillDefaults();
    if (name_.isEmpty()) {
        // A fresh profile starts with the first attached reader; an on-board serial
        // port is never chosen (and so never probed) unasked.
        RefreshDeviceList(Kind::Serial);
        RefreshDeviceList(Kind::Usb);
        name_ = Q(vorex::reader::ChooseDefaultEntry(serialPorts_, usbReaders_));
        if (!name_.isEmpty())
            ui::WriteProfileString("Port", "Name", name_);
    }
    if (name_.startsWith(QLatin1String("USB: "))) {
        ValidateSavedEntry(Kind::Usb, QStringLiteral("USB: "));
        usbFlag_ = true;
    } else if (name_.startsWith(QLatin1String("LAN: ")) && ethernet_on_ == 1) {
        if (env_.testLan(U(name_.mid(5)))) {
            lanFlag_ = true;
        } else {
            ValidateSavedEntry(Kind::Lan, QStringLiteral("LAN: "));
        }
    } else if (name_.startsWith(QLatin1String("Bluetooth: "))) {
        ValidateSavedEntry(Kind::Bluetooth, QStringLiteral("Bluetooth: "));
        btFlag_ = true;
    }

    setObjectName("109");
    setWindowTitle(ui::L("Schnittstelle"));
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(env_.refreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &CPortDlg::PostRefresh);

    auto* group = new QGroupBox(ui::L("Schnittstelle auswählen"), this);
    entries_ = new QListWidget(group);
    entries_->setObjectName("PortList");
    ethernet_ = new QCheckBox(ui::L("Ethernet aktivieren"), group);
    ethernet_->setObjectName("EthernetAktiv");
    ethernet_->setChecked(ethernet_on_ == 1);
    ipSearch_ = new QPushButton(ui::L("IP ?"), group);
    ipSearch_->setObjectName("IpSearch");
    hidMode_ = new QPushButton(ui::L("HID Mode"), group);
    hidMode_->setObjectName("HidMode");
    virtualCom_ = new QPushButton(ui::L("Virtual Com"), group);
    virtualCom_->setObjectName("VirtualCom");
    for (QPushButton* b : {hidMode_, virtualCom_})
        b->setCheckable(true);
    path_ = new QLineEdit(group);
    path_->setObjectName("DevicePath");
    path_->setPlaceholderText(ui::L("Gerätepfad, z. B. /dev/serial/by-id/…"));
    browse_ = new QPushButton(ui::L("Durchsuchen …"), group);
    browse_->setObjectName("BrowseDevice");
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(ui::L("Gerät:"), group));
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse_);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(entries_, 1);
    groupLayout->addLayout(pathRow);
    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(ethernet_);
    groupRow->addWidget(ipSearch_);
    groupRow->addStretch(1);
    groupRow->addWidget(hidMode_);
    groupRow->addWidget(virtualCom_);
    groupLayout->addLayout(groupRow);

    baudRate_ = new QComboBox(this);
    baudRate_->setObjectName("Baudrate");
    baudRate_->addItems({"2400", "4800", "9600", "19200", "38400", "57600", "115200"});
    parity_ = new QComboBox(this);
    parity_->setObjectName("Parity");
    parity_->addItems({ui::L("keine"), ui::L("gerade"), ui::L("ungerade")});
    stopBits_ = new QComboBox(this);
    stopBits_->setObjectName("StopBits");
    stopBits_->addItems({"1", "2"});
    timeoutEdit_ = new QLineEdit(QString::number(timeout_), this);
    timeoutEdit_->setObjectName("Timeout");
    addressEdit_ = new QLineEdit(QString::number(address_), this);
    addressEdit_->setObjectName("Adresse");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(ui::L("Baudrate"), this), 0, 0);
    grid->addWidget(baudRate_, 0, 1);
    grid->addWidget(new QLabel(ui::L("Parität"), this), 1, 0);
    grid->addWidget(parity_, 1, 1);
    grid->addWidget(new QLabel(ui::L("Stopbits:"), this), 2, 0);
    grid->addWidget(stopBits_, 2, 1);
    grid->addWidget(new QLabel(ui::L("Timeout in [ms]"), this), 0, 2);
    grid->addWidget(timeoutEdit_, 0, 3);
    grid->addWidget(new QLabel(ui::L("Geräteadresse [dez.]"), this), 1, 2);
    grid->addWidget(addressEdit_, 1, 3);

    auto* ok = new QPushButton(ui::L("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(ui::L("Abbrechen"), this);
    cancel->setObjectName("2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CPortDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CPortDlg::reject);
    connect(entries_, &QListWidget::itemSelectionChanged, this, &CPortDlg::OnSelectionChanged);
    connect(path_, &QLineEdit::textEdited, this, &CPortDlg::OnPathEdited);
    connect(browse_, &QPushButton::clicked, this, &CPortDlg::OnBrowse);
    connect(ipSearch_, &QPushButton::clicked, this, &CPortDlg::OnIpSearch);
    connect(hidMode_, &QPushButton::clicked, this, &CPortDlg::OnHidMode);
    connect(virtualCom_, &QPushButton::clicked, this, &CPortDlg::OnVirtualCom);
    connect(ethernet_, &QCheckBox::toggled, this, [this](bool on) {
        ethernet_on_ = on ? 1 : 0;
        PostRefresh();
        ipSearch_->setVisible(on);
    });
}

CPortDlg::~CPortDlg() = default;

// A saved USB, LAN or Bluetooth entry whose device is gone becomes the first device
// of its kind that is present, or "".
void CPortDlg::ValidateSavedEntry(Kind kind, const QString& prefix) {
    RefreshDeviceList(kind);
    const std::vector<std::string>& list = ListOf(kind);
    QString name = name_;
    if (list.empty()) {
        name.clear();
    } else {
        const std::string rest = U(name_.mid(prefix.size()));
        if (std::find(list.begin(), list.end(), rest) == list.end())
            name = prefix + Q(list.front());
    }
    if (name != name_) {
        name_ = name;
        ui::WriteProfileString("Port", "Name", name_);
    }
}

std::vector<std::string>& CPortDlg::ListOf(Kind kind) {
    switch (kind) {
    case Kind::Usb:
        return usbReaders_;
    case Kind::Lan:
        return lanReaders_;
    case Kind::Bluetooth:
        return btReaders_;
    case Kind::Serial:
        break;
    }
    return serialPorts_;
}

bool CPortDlg::RefreshDeviceList(Kind kind) {
    const ui::NameLister& lister = kind == Kind::Usb         ? env_.listUsb
                                   : kind == Kind::Lan       ? env_.listLan
                                   : kind == Kind::Bluetooth ? env_.listBluetooth
                                                             : env_.listComPorts;
    return vorex::reader::RefreshList(ListOf(kind), lister ? lister() : std::vector<std::string>{});
}

QString CPortDlg::BuildPortName() const {
    return Q(vorex::reader::BuildPortName(U(name_), address_));
}

void CPortDlg::showEvent(QShowEvent* event) {
    if (!initialised_)
        InitDialog();
    QDialog::showEvent(event);
}

void CPortDlg::InitDialog() {
    if (initialised_)
        return;
    initialised_ = true;
    const vorex::reader::BaudParts parts = vorex::reader::SplitBaudCode(baud_);
    parity_->setCurrentIndex(parts.parity);
    stopBits_->setCurrentIndex(parts.stopIndex);
    baudRate_->setCurrentIndex(baudRate_->findText(QString::number(parts.baud)));

    if (ethernet_on_ != 1)
        lanReaders_.clear();
    else if (lanReaders_.empty())
        RefreshDeviceList(Kind::Lan);
    for (Kind k : {Kind::Bluetooth, Kind::Usb, Kind::Serial})
        if (ListOf(k).empty())
            RefreshDeviceList(k);

    FillEntryList();
    SelectName();
    // A saved name that is not listed stays selected as "not present" (FillEntryList);
    // with no name the only entry there is is taken.
    if (entries_->currentRow() < 0 && entries_->count() == 1) {
        entries_->setCurrentRow(0);
        name_ = EntryName(entries_->item(0));
    }
    path_->setText(name_);
    SetKindFlags(name_);
    EnableSerialCombos();
    UpdateUsbModeButtons(name_);
    ipSearch_->setVisible(ethernet_->isChecked());
    adjustSize();
    setMinimumSize(sizeHint());
    if (env_.watchDevices) {
        monitor_ = std::make_unique<CDeviceMonitor>(env_.useUdev);
        connect(monitor_.get(), &CDeviceMonitor::deviceChange, this, &CPortDlg::OnDeviceChange);
    }
    PostRefresh();
}

QString CPortDlg::EntryName(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void CPortDlg::FillEntryList() {
    const QSignalBlocker block(entries_);
    entries_->clear();
    auto add = [this](const QString& name) {
        auto* item = new QListWidgetItem(name, entries_);
        item->setData(Qt::UserRole, name);
    };
    for (const std::string& n : serialPorts_)
        add(Q(n));
    for (const std::string& n : usbReaders_)
        add("USB: " + Q(n));
    for (const std::string& n : lanReaders_)
        add("LAN: " + Q(n));
    for (const std::string& n : btReaders_)
        add("Bluetooth: " + Q(n));
    const auto listed = entries_->findItems(name_, Qt::MatchExactly);
    if (!name_.isEmpty() && listed.isEmpty()) {
        // The chosen device is not attached now: it stays, visibly, instead of another.
        auto* item = new QListWidgetItem(ui::L("%1 (nicht vorhanden)").arg(name_), entries_);
        item->setData(Qt::UserRole, name_);
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        QFont font = item->font();
        font.setItalic(true);
        item->setFont(font);
    }
}

void CPortDlg::SelectName() {
    const QSignalBlocker block(entries_);
    entries_->setCurrentRow(-1);
    for (int row = 0; row < entries_->count(); ++row)
        if (!name_.isEmpty() && EntryName(entries_->item(row)) == name_) {
            entries_->setCurrentRow(row);
            break;
        }
}

void CPortDlg::SetKindFlags(const QString& name) {
    const EntryKind kind = vorex::reader::KindOf(U(name));
    usbFlag_ = kind == EntryKind::Usb;
    lanFlag_ = kind == EntryKind::Lan;
    btFlag_ = kind == EntryKind::Bluetooth;
}

void CPortDlg::EnableSerialCombos() {
    const bool serial = IsSerial(name_);
    for (QComboBox* c : {baudRate_, parity_, stopBits_})
        c->setEnabled(serial);
}

void CPortDlg::UpdateUsbModeButtons(const QString& entry) {
    const std::string e = U(entry);
    const bool hid = entry.startsWith(QLatin1String("USB: ")) && vorex::reader::IsHidReaderEntry(e);
    const bool vcom = vorex::reader::IsVirtualComEntry(e);
    hidMode_->setEnabled(hid || vcom);
    virtualCom_->setEnabled(hid || vcom);
    hidMode_->setChecked(hid);
    virtualCom_->setChecked(vcom);
}

bool CPortDlg::CheckDrivers() {
    const int missing = env_.checkUsbDrivers ? env_.checkUsbDrivers() : 0;
    if (missing == 0)
        return true;
    QString text;
    if (missing & 1)
        text += ui::S(10133) + "\n";
    if (missing & 2)
        text += ui::S(10134) + "\n";
    OfferDriverPage(text);
    return false;
}

void CPortDlg::OfferDriverPage(const QString& text) {
    if (env_.messages &&
        env_.messages->AskYesNo(this, text + ui::S(10135) + "\n", ui::IMessages::Icon::Question) &&
        env_.openUrl)
        env_.openUrl(QUrl(ui::S(10132)));
}

namespace {

// The wait cursor for the length of a USB mode switch.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void CPortDlg::SwitchUsbMode(const QString& portName, int mode) {
    const int handle = VOREX_OpenPort(U(portName).c_str(), 19200, 100);
    if (handle < 1)
        return;
    VOREX_SetUsbMode(handle, mode);
    VOREX_SendCommandF6(handle, 0, 0);
    VOREX_ClosePort(handle);
    name_.clear();
    // The reader leaves the bus and comes back in its other personality.
    QEventLoop wait;
    QTimer::singleShot(1000, &wait, &QEventLoop::quit);
    wait.exec();
}

void CPortDlg::OnHidMode() {
    WaitCursor busy;
    QListWidgetItem* item = entries_->currentItem();
    if (item && item->isSelected()) {
        name_ = EntryName(item);
        if (vorex::reader::IsVirtualComEntry(U(name_)))
            SwitchUsbMode(name_, 1);
    }
    UpdateUsbModeButtons(name_);
}

void CPortDlg::OnVirtualCom() {
    WaitCursor busy;
    QListWidgetItem* item = entries_->currentItem();
    if (item && item->isSelected()) {
        name_ = EntryName(item);
        if (name_.startsWith(QLatin1String("USB: ")) && vorex::reader::IsHidReaderEntry(U(name_))) {
            if (VOREX_IsCdcDriverAvailable() != 1)
                OfferDriverPage(ui::S(10134) + "\n");
            else
                SwitchUsbMode(name_.mid(5), 2);
        }
    }
    UpdateUsbModeButtons(name_);
}

void CPortDlg::PostRefresh() {
    QMetaObject::invokeMethod(
        this, [this] { OnDeviceChange(0x18); }, Qt::QueuedConnection);
}

void CPortDlg::OnDeviceChange(int event) {
    if (busy_)
        return;
    busy_ = true;
    for (int pass = 0; pass < 2; ++pass) {
        if (event == 0x8000 || event == 7 || event == 0x18) {
            bool changed = false;
            if (ethernet_on_ != 1) {
                if (!lanReaders_.empty()) {
                    lanReaders_.clear();
                    changed = true;
                }
            } else {
                changed = RefreshDeviceList(Kind::Lan) || changed;
            }
            for (Kind k : {Kind::Bluetooth, Kind::Usb, Kind::Serial})
                changed = RefreshDeviceList(k) || changed;
            if (changed) {
                FillEntryList();
                SelectName();
            }
        }
        if (pass == 0 && CheckDrivers())
            break;
    }
    busy_ = false;
    UpdateUsbModeButtons(name_);
    if (event == 0x8000 || event == 7) {
        refreshCount_ = 1;
        refreshTimer_.start();
    } else if (refreshCount_ >= 1 && refreshCount_ <= 4) {
        ++refreshCount_;
        refreshTimer_.start();
    } else {
        refreshCount_ = 0;
    }
}

void CPortDlg::OnSelectionChanged() {
    QListWidgetItem* item = entries_->currentItem();
    if (!item || !item->isSelected()) {
        name_.clear();
    } else {
        name_ = EntryName(item);
        SetKindFlags(name_);
    }
    path_->setText(name_);
    EnableSerialCombos();
    UpdateUsbModeButtons(name_);
}

void CPortDlg::OnPathEdited(const QString& text) {
    name_ = text.trimmed();
    SetKindFlags(name_);
    // The list shows the typed device when it is listed (or marked "not present").
    FillEntryList();
    SelectName();
    EnableSerialCombos();
    UpdateUsbModeButtons(name_);
}

void CPortDlg::OnIpSearch() {
    if (!ethernet_->isChecked())
        return;
    CIPAddrSuche search(env_.messages, this);
    search.exec();
    const QString address = search.SelectedAddress();
    if (address.isEmpty())
        return;
    // A reader known by name is saved by its name alone: its address may change.
    const int close = address.indexOf(']');
    const QString chosen = "LAN: " + (close > 0 ? address.left(close + 1) : address);
    // The device field is what OK saves: it shows the chosen reader as a typed one.
    path_->setText(chosen);
    OnPathEdited(chosen);
    PostRefresh();
}

void CPortDlg::OnBrowse() {
    const QString byId = QStringLiteral("/dev/serial/by-id");
    QFileDialog dialog(this, ui::L("Gerät auswählen"),
                       QFileInfo(byId).isDir() ? byId : QStringLiteral("/dev"));
    // Device nodes count as system files, which a file dialog hides by default.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    path_->setText(dialog.selectedFiles().front());
    OnPathEdited(path_->text());
}

void CPortDlg::accept() {
    int timeout = 0;
    int address = 0;
    if (!ui::ExchangeInt(timeoutEdit_, 10, 300000, true, env_.messages, this, timeout) ||
        !ui::ExchangeInt(addressEdit_, 1, 255, false, env_.messages, this, address))
        return;
    timeout_ = timeout;
    address_ = address;
    // The device field shows the selected entry or what the operator typed.
    if (const QString chosen = path_->text().trimmed(); !chosen.isEmpty()) {
        name_ = chosen;
        ui::WriteProfileString("Port", "Name", name_);
        SetKindFlags(name_);
    }
    baud_ = 19200;
    if (baudRate_->currentIndex() >= 0)
        baud_ = vorex::reader::ComposeBaudCode(baudRate_->currentText().toInt(),
                                               parity_->currentIndex(), stopBits_->currentIndex());
    ui::WriteProfileInt("Port", "Baudrate", baud_);
    ui::WriteProfileInt("Port", "Timeout", timeout_);
    ui::WriteProfileInt("Port", "Adresse", address_);
    ui::WriteProfileInt("Port", "EthernetAktiv", ethernet_on_);
    QDialog::accept();
}

} // namespace vorex::shell

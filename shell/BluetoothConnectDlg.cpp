#include "shell/BluetoothConnectDlg.h"

#include "ui/BusyScope.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QCoreApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vorex::shell {

namespace sh = vorex::reader;

namespace {

constexpr int kFirstPressMs = 10;

} // namespace

CBluetoothConnectDlg::CBluetoothConnectDlg(int handle, QWidget* parent)
    : QDialog(parent), handle_(handle) {
    setObjectName("135");
    setWindowTitle(ui::L("Bluetooth Verbindungsaufbau"));
    address_ =
        sh::BtAddressFromProfile(ui::ProfileString("Bluetooth", "LastDevAddr", "0").toLongLong());
    deviceName_ = ui::ProfileString("Bluetooth", "LastDevName");

    status_ = new QPlainTextEdit(this);
    status_->setObjectName("1007");
    status_->setReadOnly(true);
    list_ = new QListWidget(this);
    list_->setObjectName("1025");
    button_ = new QPushButton(this);
    button_->setObjectName("1026");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(list_);
    layout->addWidget(button_);
    connect(button_, &QPushButton::clicked, this, &CBluetoothConnectDlg::OnButton);

    if (!sh::IsZero(address_)) {
        button_->setText(ui::S(563));
        list_->addItem(deviceName_);
        list_->setCurrentRow(0);
    } else {
        button_->setText(ui::S(550));
    }
    resize(360, 300);
}

void CBluetoothConnectDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    // The dialog starts its work itself, once it is on the screen.
    QTimer::singleShot(kFirstPressMs, this, [this] { button_->click(); });
}

QString CBluetoothConnectDlg::StatusText() const {
    return status_->toPlainText();
}

void CBluetoothConnectDlg::Append(const QString& text) {
    status_->setPlainText(status_->toPlainText() + QString(text).remove('\r'));
    // Shown before the blocking call that follows.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CBluetoothConnectDlg::OnButton() {
    const ui::CBusyScope busy;
    button_->setEnabled(false);
    status_->clear();
    if (sh::IsZero(address_) && list_->currentItem()) {
        const std::string chosen = list_->currentItem()->text().toStdString();
        for (const auto& r : records_)
            if (r.name == chosen) {
                address_ = r.address;
                deviceName_ = QString::fromStdString(r.name);
                break;
            }
    }
    if (!sh::IsZero(address_) && Connect())
        return;
    Search();
}

bool CBluetoothConnectDlg::Connect() {
    Append(ui::Format(ui::S(511), deviceName_));
    if (VOREX_ConnectBluetooth(handle_, address_.data(), sh::kBtConnectParameter,
                               sh::kBtConnectMs) == 1) {
        ui::WriteProfileString("Bluetooth", "LastDevAddr",
                               QString::number(sh::BtAddressToProfile(address_)));
        ui::WriteProfileString("Bluetooth", "LastDevName", deviceName_);
        Append(ui::S(514));
        button_->setEnabled(true);
        accept();
        return true;
    }
    Append("\n" + ui::Format(ui::S(512), VOREX_GetLastError(handle_)));
    address_ = {};
    deviceName_.clear();
    button_->setText(ui::S(550));
    return false;
}

void CBluetoothConnectDlg::Search() {
    Append(ui::S(515));
    list_->clear();
    std::vector<uint8_t> bytes(sh::kBtSearchBytes);
    const int used =
        VOREX_SearchBluetooth(handle_, bytes.data(), sh::kBtSearchBytes, sh::kBtSearchMs, 0);
    records_ = sh::SplitBtRecords(bytes.data(), used);
    for (const auto& r : records_)
        if (sh::IsListedBtReader(r.name))
            list_->addItem(QString::fromStdString(r.name));
    Append(ui::S(514));
    if (list_->count() == 0) {
        button_->setText(ui::S(550));
    } else {
        list_->setCurrentRow(0);
        button_->setText(ui::S(563));
    }
    button_->setEnabled(true);
}

} // namespace vorex::shell

#include "shell/LanConfigDlg.h"

#include "ui/DataExchange.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QThread>

namespace vorex::shell {

namespace {

constexpr int kTextBytes = 64;
constexpr int kProgressStepMs = 100;

QLineEdit* AddressEdit(const char* id, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(id);
    static const QRegularExpression ip(
        R"(^((25[0-5]|2[0-4]\d|1\d\d|\d\d?)\.){3}(25[0-5]|2[0-4]\d|1\d\d|\d\d?)$)");
    e->setValidator(new QRegularExpressionValidator(ip, e));
    e->setMinimumWidth(120);
    return e;
}

QLineEdit* PortEdit(const char* id, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(id);
    e->setMaximumWidth(60);
    return e;
}

} // namespace

CLanConfig::CLanConfig(const QString& identity, ui::IMessages* messages, QWidget* parent)
    : QDialog(parent), messages_(messages), identity_(identity) {
    setObjectName("159");
    setWindowTitle(ui::L("LAN Einstellung"));
    automatic_ = new QRadioButton(ui::L("IP Adresse automatisch beziehen"), this);
    automatic_->setObjectName("1251");
    fixed_ = new QRadioButton(ui::L("Folgende IP Adresse verwenden"), this);
    fixed_->setObjectName("1252");
    dhcpName_ = new QLineEdit(this);
    dhcpName_->setObjectName("1247");
    dhcpName_->setMaxLength(static_cast<int>(vorex::shell::kDhcpNameMax));
    autoPort_ = PortEdit("1248", this);
    address_ = AddressEdit("1243", this);
    fixedPort_ = PortEdit("1246", this);
    mask_ = AddressEdit("1244", this);
    gateway_ = AddressEdit("1245", this);
    ok_ = new QPushButton(ui::L("OK"), this);
    ok_->setObjectName("1");
    ok_->setDefault(true);
    cancel_ = new QPushButton(ui::L("Abbrechen"), this);
    cancel_->setObjectName("2");
    progress_ = new QProgressBar(this);
    progress_->setObjectName("1253");
    progress_->setOrientation(Qt::Vertical);
    progress_->setTextVisible(false);
    progress_->hide();

    auto* grid = new QGridLayout(this);
    grid->addWidget(automatic_, 0, 0, 1, 4);
    grid->addWidget(new QLabel(ui::L("DHCP Name:"), this), 1, 0);
    grid->addWidget(dhcpName_, 1, 1);
    grid->addWidget(new QLabel("-", this), 1, 2);
    grid->addWidget(autoPort_, 1, 3);
    grid->addWidget(fixed_, 2, 0, 1, 4);
    grid->addWidget(new QLabel(ui::L("IP-Adresse:"), this), 3, 0);
    grid->addWidget(address_, 3, 1);
    grid->addWidget(new QLabel("-", this), 3, 2);
    grid->addWidget(fixedPort_, 3, 3);
    grid->addWidget(new QLabel(ui::L("Subnetzmaske:"), this), 4, 0);
    grid->addWidget(mask_, 4, 1);
    grid->addWidget(new QLabel(ui::L("Gateway:"), this), 5, 0);
    grid->addWidget(gateway_, 5, 1);
    grid->addWidget(ok_, 6, 0);
    grid->addWidget(cancel_, 6, 1);
    grid->addWidget(progress_, 0, 4, 7, 1);

    connect(automatic_, &QRadioButton::toggled, this, &CLanConfig::EnableByMode);
    connect(fixed_, &QRadioButton::toggled, this, &CLanConfig::EnableByMode);
    connect(ok_, &QPushButton::clicked, this, &CLanConfig::accept);
    connect(cancel_, &QPushButton::clicked, this, &CLanConfig::reject);
    LoadLanSettings();
}

void CLanConfig::LoadLanSettings() {
    char name[kTextBytes], address[kTextBytes], mask[kTextBytes], gateway[kTextBytes];
    const QByteArray id = identity_.toUtf8();
    vorex::shell::LanForm form;
    if (VOREX_GetLanConfig(id.constData(), name, address, mask, gateway, kTextBytes) == 0)
        form = vorex::shell::FormFromReader(name, address, mask, gateway);
    else
        form = {}; // the reader did not answer: the form stays empty
    ShowForm(form);
}

void CLanConfig::ShowForm(const vorex::shell::LanForm& f) {
    (f.mode == vorex::shell::LanMode::Fixed ? fixed_ : automatic_)->setChecked(true);
    dhcpName_->setText(QString::fromStdString(f.dhcpName));
    address_->setText(QString::fromStdString(f.address));
    autoPort_->setText(QString::number(f.port));
    fixedPort_->setText(QString::number(f.port));
    mask_->setText(QString::fromStdString(f.mask));
    gateway_->setText(QString::fromStdString(f.gateway));
    EnableByMode();
}

void CLanConfig::EnableByMode() {
    const bool fixed = fixed_->isChecked();
    dhcpName_->setEnabled(!fixed);
    autoPort_->setEnabled(!fixed);
    address_->setEnabled(fixed);
    fixedPort_->setEnabled(fixed);
}

void CLanConfig::SetApplying(bool applying) {
    setEnabled(!applying);
    ok_->setVisible(!applying);
    cancel_->setVisible(!applying);
    progress_->setVisible(applying);
    if (applying)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CLanConfig::accept() {
    vorex::shell::LanForm form;
    const bool fixed = fixed_->isChecked();
    form.mode = fixed ? vorex::shell::LanMode::Fixed : vorex::shell::LanMode::Automatic;
    if (!ui::ExchangeInt(fixed ? fixedPort_ : autoPort_, 1, 65535, true, messages_, this,
                         form.port))
        return;
    form.address = address_->text().toStdString();
    form.dhcpName = dhcpName_->text().toStdString();
    const std::string text = vorex::shell::NewAddressText(form);
    if (text.empty()) {
        if (messages_)
            messages_->Show(this, ui::S(10128));
        address_->setFocus();
        return;
    }
    const QByteArray id = identity_.toUtf8();
    const QByteArray mask = mask_->text().toUtf8();
    const QByteArray gateway = gateway_->text().toUtf8();

    SetApplying(true);
    progress_->setRange(0, answerWaitMs_);
    progress_->setValue(0);
    QApplication::processEvents();
    if (VOREX_SetLanConfig(id.constData(), text.c_str(), mask.constData(), gateway.constData()) !=
        0) {
        SetApplying(false);
        if (messages_)
            messages_->Show(this, ui::S(10130));
        LoadLanSettings();
        return;
    }
    identity_ = QString::fromStdString(text);
    QElapsedTimer elapsed;
    elapsed.start();
    while (VOREX_TestLanConnection(text.c_str()) != 1 && elapsed.elapsed() < answerWaitMs_) {
        progress_->setValue(static_cast<int>(elapsed.elapsed()));
        QApplication::processEvents();
        QThread::msleep(kProgressStepMs);
    }
    SetApplying(false);
    QDialog::accept();
}

} // namespace vorex::shell

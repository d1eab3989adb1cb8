#include "shell/SendeLeistungDlg.h"

#include "reader/TransmitPower.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <vorex/vorex.h>

namespace vorex::shell {

CSendeLeistungDlg::CSendeLeistungDlg(int handle, ui::IMessages* messages, QWidget* parent)
    : QDialog(parent), handle_(handle), messages_(messages) {
    setWindowTitle(ui::L("Dialog"));
    setObjectName("418");
    auto* grid = new QGridLayout(this);
    const char* titles[] = {"ISO15693 Modus", "ISO14443 (Mifare) Modus"};
    for (int g = 0; g < 2; ++g) {
        auto* box = new QGroupBox(ui::L(titles[g]), this);
        auto* column = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box); // each pair is its own exclusive group
        for (int i = 0; i < 2; ++i) {
            auto* radio = new QRadioButton(
                ui::L(i == 0 ? "volle Sendeleistung" : "halbe Sendeleistung"), box);
            radio->setObjectName(QString::number(1065 + 2 * g + i));
            group->addButton(radio, i);
            column->addWidget(radio);
            radios_[2 * g + i] = radio;
        }
        grid->addWidget(box, g, 0);
    }
    radios_[0]->setChecked(true);
    radios_[2]->setChecked(true);
    auto* set = new QPushButton(ui::L("Setzen"), this);
    set->setObjectName("1");
    set->setDefault(true);
    auto* close = new QPushButton(ui::L("Schliessen"), this);
    close->setObjectName("2");
    grid->addWidget(set, 1, 1, Qt::AlignTop);
    grid->addWidget(close, 1, 1, Qt::AlignBottom);
    connect(set, &QPushButton::clicked, this, &CSendeLeistungDlg::accept);
    connect(close, &QPushButton::clicked, this, &CSendeLeistungDlg::reject);
}

void CSendeLeistungDlg::OnInitDialog() {
    unsigned char block[3] = {};
    reader::TransmitPower power;
    if (!reader::DecodeTransmitPower(block, VOREX_ReadSettings(handle_, block, 3), power) &&
        messages_)
        messages_->Show(this, ui::S(10136));
    iso15693_ = power.iso15693;
    iso14443_ = power.iso14443;
    radios_[iso15693_]->setChecked(true);
    radios_[2 + iso14443_]->setChecked(true);
}

int CSendeLeistungDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CSendeLeistungDlg::accept() {
    iso15693_ = radios_[1]->isChecked() ? 1 : 0;
    iso14443_ = radios_[3]->isChecked() ? 1 : 0;
    const auto block = reader::EncodeTransmitPower({iso15693_, iso14443_});
    if (VOREX_WriteSettings(handle_, block.data(), static_cast<int>(block.size())) < 0) {
        if (messages_)
            messages_->Show(this, ui::S(10138));
        return;
    }
    if (messages_)
        messages_->Show(this, ui::S(10137), ui::IMessages::Icon::Information);
    QDialog::accept();
}

} // namespace vorex::shell

#include "shell/BeepTimeDlg.h"

#include "ui/DataExchange.h"
#include "ui/Texts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vorex::shell {

CBeepTimeDlg::CBeepTimeDlg(ui::IMessages* messages, QWidget* parent)
    : QDialog(parent), messages_(messages), beepTime_(ui::ProfileInt("Settings", "BeepTime", 150)),
      cycleTime_(ui::ProfileInt("Settings", "ZyklusZeit", 250)) {
    setWindowTitle(ui::L("Einstellungen"));
    setObjectName("151");
    auto* grid = new QGridLayout(this);
    beepEdit_ = new QLineEdit(QString::number(beepTime_), this);
    beepEdit_->setObjectName("1002");
    cycleEdit_ = new QLineEdit(QString::number(cycleTime_), this);
    cycleEdit_->setObjectName("1003");
    for (QLineEdit* e : {beepEdit_, cycleEdit_})
        e->setFixedWidth(60);
    grid->addWidget(new QLabel(ui::L("Tondauer"), this), 0, 0);
    grid->addWidget(beepEdit_, 0, 1);
    grid->addWidget(new QLabel(ui::L("ms"), this), 0, 2);
    grid->addWidget(new QLabel(ui::L("(0 ms = Ton aus)"), this), 1, 0, 1, 3);
    grid->addWidget(new QLabel(ui::L("Zykluszeit"), this), 2, 0);
    grid->addWidget(cycleEdit_, 2, 1);
    grid->addWidget(new QLabel(ui::L("ms"), this), 2, 2);
    auto* ok = new QPushButton(ui::L("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(ui::L("Abbrechen"), this);
    cancel->setObjectName("2");
    grid->addWidget(ok, 3, 0);
    grid->addWidget(cancel, 3, 1, 1, 2);
    connect(ok, &QPushButton::clicked, this, &CBeepTimeDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CBeepTimeDlg::reject);
}

bool CBeepTimeDlg::SaveData() {
    int beep = 0;
    int cycle = 0;
    if (!ui::ExchangeInt(beepEdit_, 0, 1000, false, messages_, this, beep) ||
        !ui::ExchangeInt(cycleEdit_, 100, 10000, false, messages_, this, cycle))
        return false;
    beepTime_ = beep;
    cycleTime_ = cycle;
    return true;
}

void CBeepTimeDlg::accept() {
    if (!SaveData())
        return;
    ui::WriteProfileInt("Settings", "ZyklusZeit", cycleTime_);
    ui::WriteProfileInt("Settings", "BeepTime", beepTime_);
    QDialog::accept();
}

} // namespace vorex::shell

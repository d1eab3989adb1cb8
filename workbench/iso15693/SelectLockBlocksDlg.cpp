#include "workbench/iso15693/SelectLockBlocksDlg.h"

#include "ui/DataExchange.h"
#include "ui/Texts.h"
#include "workbench/iso15693/LockRange.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vorex::wb::iso {

using ui::L;

CSelectLockBlocksDlg::CSelectLockBlocksDlg(unsigned highestBlock, ui::IMessages* messages,
                                           QWidget* parent)
    : QDialog(parent), messages_(messages), highest_(highestBlock) {
    const int storedFrom = std::max(ui::ProfileInt("Settings", "VonBlock", 0), 0);
    const int storedTo = std::max(ui::ProfileInt("Settings", "BisBlock", 0), 0);
    const BlockRange range = ClampStoredRange(static_cast<unsigned>(storedFrom),
                                              static_cast<unsigned>(storedTo), highest_);
    from_ = range.from;
    to_ = range.to;

    setObjectName("140");
    setWindowTitle(L("Blockauswahl"));
    range_ = new QRadioButton(L("Blöcke"), this);
    range_->setObjectName("1136");
    all_ = new QRadioButton(L("Alle"), this);
    all_->setObjectName("1137");
    range_->setChecked(true);
    fromEdit_ = new QLineEdit(QString::number(from_), this);
    fromEdit_->setObjectName("1138");
    toEdit_ = new QLineEdit(QString::number(to_), this);
    toEdit_->setObjectName("1139");
    for (QLineEdit* e : {fromEdit_, toEdit_})
        e->setFixedWidth(60);
    auto* ok = new QPushButton(L("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(L("Abbrechen"), this);
    cancel->setObjectName("2");

    auto* grid = new QGridLayout(this);
    grid->addWidget(range_, 0, 0);
    grid->addWidget(new QLabel(L("Von"), this), 0, 1);
    grid->addWidget(fromEdit_, 0, 2);
    grid->addWidget(new QLabel(L("Bis"), this), 0, 3);
    grid->addWidget(toEdit_, 0, 4);
    grid->addWidget(all_, 1, 0);
    grid->addWidget(ok, 2, 1, 1, 2);
    grid->addWidget(cancel, 2, 3, 1, 2);
    connect(ok, &QPushButton::clicked, this, &CSelectLockBlocksDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectLockBlocksDlg::reject);
}

bool CSelectLockBlocksDlg::SaveData() {
    // Both ends are checked whichever radio button is chosen.
    int from = 0;
    int to = 0;
    const int highest = static_cast<int>(highest_);
    if (!ui::ExchangeInt(fromEdit_, 0, highest, true, messages_, this, from) ||
        !ui::ExchangeInt(toEdit_, from, highest, true, messages_, this, to))
        return false;
    mode_ = all_->isChecked() ? 1 : 0;
    from_ = static_cast<unsigned>(from);
    to_ = static_cast<unsigned>(to);
    return true;
}

void CSelectLockBlocksDlg::accept() {
    if (!SaveData())
        return;
    ui::WriteProfileInt("Settings", "VonBlock", static_cast<int>(from_));
    ui::WriteProfileInt("Settings", "BisBlock", static_cast<int>(to_));
    QDialog::accept();
}

} // namespace vorex::wb::iso

#include "shell/IPAddrSuche.h"

#include "reader/ReaderFacts.h"
#include "shell/LanConfigDlg.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace vorex::shell {

namespace {

constexpr int kListBytes = 2500;
constexpr int kVerifiedRole = Qt::UserRole;

std::vector<std::string> Search(int (*search)(char*, int)) {
    std::vector<char> buffer(kListBytes);
    const int used = search(buffer.data(), kListBytes);
    return used > 0 ? vorex::reader::SplitNameList(buffer.data(), used)
                    : std::vector<std::string>{};
}

// Wait cursor and a disabled dialog for the length of a search.
class BusyScope {
public:
    explicit BusyScope(QWidget* w) : w_(w) {
        w_->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyScope() {
        QApplication::restoreOverrideCursor();
        w_->setEnabled(true);
    }

private:
    QWidget* w_;
};

} // namespace

CIPAddrSuche::CIPAddrSuche(ui::IMessages* messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setObjectName("234");
    setWindowTitle(ui::L("IP-Adressen"));
    list_ = new QListWidget(this);
    list_->setObjectName("1295");
    list_->setUniformItemSizes(true);
    change_ = new QPushButton(ui::L("IP-Adresse ändern"), this);
    change_->setObjectName("1");
    auto* close = new QPushButton(ui::L("Schliessen"), this);
    close->setObjectName("2");
    close->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(change_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(360, 260);
    connect(list_, &QListWidget::itemSelectionChanged, this, &CIPAddrSuche::UpdateButtons);
    connect(change_, &QPushButton::clicked, this, &CIPAddrSuche::ChangeAddress);
    connect(close, &QPushButton::clicked, this, &CIPAddrSuche::reject);
    UpdateButtons();
}

void CIPAddrSuche::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (filled_)
        return;
    filled_ = true;
    setMinimumSize(size());
    // After the dialog is on screen, so that Cancel can end it.
    QTimer::singleShot(0, this, [this] { FillAddressList(); });
}

bool CIPAddrSuche::FillAddressList() {
    list_->clear();
    for (;;) {
        std::vector<vorex::shell::LanListItem> items;
        {
            BusyScope busy(this);
            items =
                vorex::shell::MergeLanSearches(Search(VOREX_SearchLanEx), Search(VOREX_SearchLan));
        }
        if (!items.empty()) {
            for (const auto& i : items) {
                auto* item = new QListWidgetItem(QString::fromStdString(i.text), list_);
                item->setData(kVerifiedRole, i.verified);
                if (!i.verified) {
                    QFont font = list_->font();
                    font.setItalic(true);
                    item->setFont(font);
                    item->setForeground(QColor(255, 0, 0));
                }
            }
            UpdateButtons();
            return true;
        }
        if (!messages_ || !messages_->AskRetryCancel(this, ui::S(10131), ui::S(10129))) {
            QDialog::reject();
            return false;
        }
    }
}

void CIPAddrSuche::UpdateButtons() {
    change_->setEnabled(list_->currentItem() != nullptr && list_->currentItem()->isSelected());
}

void CIPAddrSuche::ChangeAddress() {
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected())
        return;
    CLanConfig config(item->text(), messages_, this);
    if (config.exec() == QDialog::Accepted) {
        QThread::msleep(300);
        FillAddressList();
    }
}

void CIPAddrSuche::reject() {
    QListWidgetItem* item = list_->currentItem();
    if (item && item->isSelected()) {
        const vorex::shell::LanListItem chosen{item->text().toStdString(),
                                               item->data(kVerifiedRole).toBool()};
        selected_ = QString::fromStdString(vorex::shell::ChosenAddress(chosen));
    }
    QDialog::reject();
}

} // namespace vorex::shell

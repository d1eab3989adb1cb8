#pragma once
// "IP-Adressen": runs both LAN searches and lists every reader found; readers found only
// by the unverified search are shown in red italics and cannot be chosen. Always ends
// with QDialog::Rejected; SelectedAddress() is the chosen reader (empty = none).
#include "shell/core/LanDialogRules.h"

#include <QDialog>
#include <vector>

class QListWidget;
class QPushButton;

namespace vorex::ui {
class IMessages;
} // namespace vorex::ui

namespace vorex::shell {

class CIPAddrSuche : public QDialog {
    Q_OBJECT
public:
    explicit CIPAddrSuche(ui::IMessages* messages, QWidget* parent = nullptr);

    QString SelectedAddress() const { return selected_; }
    // Runs both searches and fills the list; with nothing found, asks Retry/Cancel.
    // False when the operator cancelled (the dialog then ends).
    bool FillAddressList();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ChangeAddress();
    void UpdateButtons();

    ui::IMessages* messages_;
    QListWidget* list_;
    QPushButton* change_;
    QString selected_;
    bool filled_ = false;
};

} // namespace vorex::shell

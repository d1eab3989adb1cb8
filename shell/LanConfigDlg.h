#pragma once
// "LAN Einstellung": shows and changes one LAN reader's address settings (fixed address
// or automatic with a DHCP name, TCP port, mask, gateway). Accepted means the reader
// took the settings and Identity() is its new identity.
#include "shell/core/LanDialogRules.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vorex::ui {
class IMessages;
} // namespace vorex::ui

namespace vorex::shell {

class CLanConfig : public QDialog {
    Q_OBJECT
public:
    CLanConfig(const QString& identity, ui::IMessages* messages, QWidget* parent = nullptr);

    QString Identity() const { return identity_; }
    // How long OK waits for the reader at its new identity.
    void SetAnswerWaitMs(int ms) { answerWaitMs_ = ms; }

    void accept() override;

private:
    void LoadLanSettings();
    void ShowForm(const vorex::shell::LanForm& form);
    void EnableByMode();
    void SetApplying(bool applying);

    ui::IMessages* messages_;
    QString identity_;
    int answerWaitMs_ = 25000;
    QLineEdit* dhcpName_;
    QLineEdit* autoPort_;
    QLineEdit* address_;
    QLineEdit* fixedPort_;
    QLineEdit* mask_;
    QLineEdit* gateway_;
    QRadioButton* automatic_;
    QRadioButton* fixed_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QProgressBar* progress_;
};

} // namespace vorex::shell

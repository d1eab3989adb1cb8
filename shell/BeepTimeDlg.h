#pragma once
// Tone duration and cycle time of cyclic reading ("Settings"/"BeepTime", "ZyklusZeit").
// The workbenches construct it without showing it and take CycleTime().
#include <QDialog>

class QLineEdit;

namespace vorex::ui {
class IMessages;
} // namespace vorex::ui

namespace vorex::shell {

class CBeepTimeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBeepTimeDlg(ui::IMessages* messages = nullptr, QWidget* parent = nullptr);

    int BeepTime() const { return beepTime_; }
    int CycleTime() const { return cycleTime_; }

    void accept() override;

private:
    bool SaveData();

    ui::IMessages* messages_;
    int beepTime_;
    int cycleTime_;
    QLineEdit* beepEdit_;
    QLineEdit* cycleEdit_;
};

} // namespace vorex::shell

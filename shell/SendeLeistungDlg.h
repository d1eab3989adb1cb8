#pragma once
// Transmit power of the reader for ISO 15693 and ISO 14443, full or half, read from and
// written to its settings block over a connection the caller has opened.
#include <QDialog>

class QRadioButton;

namespace vorex::ui {
class IMessages;
} // namespace vorex::ui

namespace vorex::shell {

class CSendeLeistungDlg : public QDialog {
    Q_OBJECT
public:
    CSendeLeistungDlg(int handle, ui::IMessages* messages, QWidget* parent = nullptr);

    // Reads the settings block into the radio groups (a failed read is reported and
    // leaves both groups on full power). Called by exec(); tests call it directly.
    void OnInitDialog();
    // "Setzen": writes 03, power bits, 80; closes only when the reader took it.
    void accept() override;

    int Iso15693Index() const { return iso15693_; }
    int Iso14443Index() const { return iso14443_; }

    int exec() override;

private:
    int handle_;
    ui::IMessages* messages_;
    int iso15693_ = 0; // 0 full, 1 half
    int iso14443_ = 0;
    QRadioButton* radios_[4] = {}; // 1065, 1066 (ISO 15693), 1067, 1068 (ISO 14443)
};

} // namespace vorex::shell

#pragma once
// "Bluetooth Verbindungsaufbau": search for Bluetooth readers on an open adapter
// connection, pick one and connect it; the last reader connected is remembered in the
// profile (section "Bluetooth") and connected at once the next time.
#include "reader/BluetoothRules.h"

#include <QDialog>
#include <vector>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vorex::shell {

class CBluetoothConnectDlg : public QDialog {
    Q_OBJECT
public:
    // handle: the open connection of a Bluetooth adapter. Ends with Accepted once a
    // reader is connected.
    explicit CBluetoothConnectDlg(int handle, QWidget* parent = nullptr);

    // Button 1026: connect to the chosen reader, or search (also after a failed connect).
    void OnButton();
    QString StatusText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // True when connected (the dialog then ends).
    bool Connect();
    void Search();
    void Append(const QString& text);

    int handle_;
    vorex::reader::BtAddress address_{};
    QString deviceName_;
    std::vector<vorex::reader::BtRecord> records_;
    bool started_ = false;
    QPlainTextEdit* status_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* button_ = nullptr;
};

} // namespace vorex::shell

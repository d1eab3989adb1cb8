#pragma once
// The MIFARE Ultralight workbench: the 16 pages of 4 bytes of an Ultralight, each with
// a check box and an edit. Selected pages are read; selected pages 4..15 are written
// (pages 0..3, serial number, lock and one-time bytes, are shown but never written).
// A failing page does not stop the others. Display mode and byte order live in the
// settings store. All reader work is synchronous VOREX_ calls on the connection the
// view opened.
#include "ui/CyclicReader.h"
#include "ui/StatusPane.h"
#include "workbench/iso14443/UltralightPages.h"

#include <QDialog>
#include <array>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorex::wb::nfc {

class CMifareUltralightDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMifareUltralightDlg(QWidget* parent = nullptr);
    ~CMifareUltralightDlg() override;

    void SetConnection(int handle);

    // State, for tests.
    int DisplayMode() const { return displayMode_; }
    int ByteOrder() const { return byteOrder_; }
    const UltralightPages& Pages() const { return pages_; }
    ui::CStatusPane& Status() { return *status_; }
    bool CyclicRunning() const { return cyclic_.Running(); }

    // Buttons.
    void OnRead();
    void OnWrite();
    void OnSelectAll(bool selected);
    void OnCyclic(bool checked);
    void OnResetStatus();
    void OnDisplayMode(int mode);
    void OnByteOrder(int order);
    void OnClose();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void Refresh();
    void TakeData();
    // Request, select and the chip check; false (with the reason shown) to stop.
    bool SelectTag();
    void EnableControls(bool enable);

    int handle_ = 0;
    int displayMode_;
    int byteOrder_;
    int cycleTime_;
    bool initialised_ = false;
    UltralightPages pages_;
    std::vector<uint8_t> uid_;

    ui::CCyclicReader cyclic_;
    std::unique_ptr<ui::CStatusPane> status_;
    QLineEdit* uidText_ = nullptr;
    std::array<QCheckBox*, kUltralightPages> selected_{};
    std::array<QLineEdit*, kUltralightPages> texts_{};
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* selectNone_ = nullptr;
    QPushButton* cyclicButton_ = nullptr;
    QPushButton* resetStatus_ = nullptr;
    QPushButton* close_ = nullptr;
    QRadioButton* hex_ = nullptr;
    QRadioButton* ascii_ = nullptr;
    QRadioButton* msbFirst_ = nullptr;
    QRadioButton* lsbFirst_ = nullptr;
};

} // namespace vorex::wb::nfc

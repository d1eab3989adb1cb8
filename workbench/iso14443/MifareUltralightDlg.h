#pragma once
// The MIFARE Ultralight workbench: the 16 pages of 4 bytes of an Ultralight, each with
// a check box and an edit. Selected pages are read; selected pages 4..15 are written
// (pages 0..3, serial number, lock and one-time bytes, are shown but never written).
// A failing page does not stop the others. Display mode and byte order live in the
// settings store. All reader work is synchronous VOREX_ calls on the connection the
// view opened.
#include "workbench/common/WorkbenchDlg.h"
#include "workbench/iso14443/UltralightPages.h"

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vorex::wb::nfc {

class CMifareUltralightDlg : public CWorkbenchDlg {
    Q_OBJECT
public:
    explicit CMifareUltralightDlg(QWidget* parent = nullptr);
    // State, for tests.
    const UltralightPages& Pages() const { return pages_; }

    // Buttons.
    void OnRead();
    void OnWrite();
    void OnSelectAll(bool selected);
    void OnDisplay(int mode, int order) override;

private:
    void BuildControls();
    void InitDialog() override;
    void Refresh();
    void TakeData();
    // Request, select and the chip check; false (with the reason shown) to stop.
    bool SelectTag();
    void EnableControls(bool enable) override;

    UltralightPages pages_;
    std::vector<uint8_t> uid_;

    QLineEdit* uidText_ = nullptr;
    std::array<QCheckBox*, kUltralightPages> selected_{};
    std::array<QLineEdit*, kUltralightPages> texts_{};
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* selectNone_ = nullptr;

    // Saving and loading dump files (MifareUltralightDlgDumps.cpp).
    std::optional<dumps::DumpChip> ShownChip() const override;
    std::optional<dumpfiles::TagDump> ShownDump() override;
    dumps::LoadPlan ShowDump(const dumpfiles::TagDump& dump) override;
};

} // namespace vorex::wb::nfc

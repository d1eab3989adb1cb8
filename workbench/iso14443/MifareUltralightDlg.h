#pragma once
// The MIFARE Ultralight workbench: the 16 pages of 4 bytes of an Ultralight, each with
// a check box and an edit. Selected pages are read; selected pages 4..15 are written
// (pages 0..3, serial number, lock and one-time bytes, are shown but never written).
// A failing page does not stop the others; the end message names every page not
// written. A write goes only to the tag whose pages were read. Display mode and byte
// order live in the settings store. All reader work is synchronous VOREX_ calls on the
// connection the view opened.
#include "workbench/iso14443/PageTagDlg.h"
#include "workbench/iso14443/UltralightPages.h"

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vorex::wb::nfc {

class CMifareUltralightDlg : public CPageTagDlg {
    Q_OBJECT
public:
    explicit CMifareUltralightDlg(ui::ShellEnv& env, QWidget* parent = nullptr);
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
    // Request, select and the chip check for a read; false (with the reason shown) to
    // stop.
    bool SelectTag();
    void EnableControls(bool enable) override;
    // Reads the selected pages of the tag in the field, replacing what is shown.
    void ReadPages();
    // A cyclic tick: reads again unless pages typed and not written would be lost.
    void CyclicStep();
    PendingEdits Pending() override;
    // The texts of pages 4..15 (only the selected ones), by page.
    std::vector<std::pair<int, QString>> EditedTexts(bool selectedOnly) const;

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

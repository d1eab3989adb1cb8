#pragma once
// The NFC Type 2 workbench: reads the whole memory of a Type 2 tag (its size found by
// reading until the tag refuses) into the block grid, names the chip maker from the
// UID, shows the NDEF records found in the memory, and writes back exactly the pages
// the operator changed (never pages 0..3), and only to the tag they were read from.
// Cyclic reading leaves a tag that stays on the reader alone unless "immer neu
// einlesen" is checked; it never replaces pages the operator changed and has not
// written, and a read or close asks before it discards them. All reader work is
// synchronous VOREX_ calls on the connection the view opened.
#include "workbench/common/PendingEdits.h"
#include "workbench/iso14443/PageTagDlg.h"
#include "workbench/iso14443/Type2Memory.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vorex::ui {
struct ShellEnv;
class CEditableListCtrl;
struct CellPaint;
} // namespace vorex::ui

namespace vorex::wb::nfc {

class CNFCType2Dlg : public CPageTagDlg {
    Q_OBJECT
public:
    explicit CNFCType2Dlg(ui::ShellEnv& env, QWidget* parent = nullptr);
    // How a data cell is drawn.
    enum class CellMark { Plain, Fixed, Changed };
    CellMark MarkOf(int row, int column) const;

    // State, for tests and screenshots.
    const Type2Memory& Memory() const { return memory_; }
    const Bytes& Uid() const { return uid_; }
    ui::CEditableListCtrl* Grid() const { return grid_; }

    // Operations.
    bool ReadAllPages();
    void OnRead();
    void OnWrite();
    void OnDisplay(int mode, int order) override;
    void OnCellEdited(int row, int column);

private:
    void BuildControls();
    void InitDialog() override;
    void BuildGrid();
    void SetColumnLimits();
    void FillGrid();
    void Clear();
    void Refresh();
    void TakeData();
    void ShowNdef();
    void EnableControls(bool enable) override;
    void CyclicStep();
    bool DrawCell(const ui::CellPaint& cell) const;
    int PageOf(int row, int column) const;
    // The text of every page's cell, by page.
    std::vector<std::pair<int, QString>> CellTexts() const;
    PendingEdits Pending() override;

    Type2Memory memory_;
    Bytes uid_;

    ui::CEditableListCtrl* grid_ = nullptr;
    QLineEdit* uidText_ = nullptr;
    QLineEdit* makerText_ = nullptr;
    QPlainTextEdit* ndef_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QCheckBox* alwaysRead_ = nullptr;

    // Saving and loading dump files (NFCType2DlgDumps.cpp).
    std::optional<dumps::DumpChip> ShownChip() const override;
    std::optional<dumpfiles::TagDump> ShownDump() override;
    dumps::LoadPlan ShowDump(const dumpfiles::TagDump& dump) override;
};

} // namespace vorex::wb::nfc

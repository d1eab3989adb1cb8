#pragma once
// The NFC Type 2 workbench: reads the whole memory of a Type 2 tag (its size found by
// reading until the tag refuses) into the block grid, names the chip maker from the
// UID, shows the NDEF records found in the memory, and writes back exactly the pages
// the operator changed (never pages 0..3). Cyclic reading leaves a tag that stays on
// the reader alone unless "immer neu einlesen" is checked. All reader work is
// synchronous VOREX_ calls on the connection the view opened.
#include "ui/CyclicReader.h"
#include "ui/StatusPane.h"
#include "workbench/iso14443/Type2Memory.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vorex::ui {
struct ShellEnv;
class CEditableListCtrl;
struct CellPaint;
} // namespace vorex::ui

namespace vorex::wb::nfc {

class CNFCType2Dlg : public QDialog {
    Q_OBJECT
public:
    explicit CNFCType2Dlg(ui::ShellEnv& env, QWidget* parent = nullptr);
    ~CNFCType2Dlg() override;

    void SetConnection(int handle);

    // How a data cell is drawn.
    enum class CellMark { Plain, Fixed, Changed };
    CellMark MarkOf(int row, int column) const;

    // State, for tests and screenshots.
    int DisplayMode() const { return displayMode_; }
    int ByteOrder() const { return byteOrder_; }
    const Type2Memory& Memory() const { return memory_; }
    const Bytes& Uid() const { return uid_; }
    ui::CEditableListCtrl* Grid() const { return grid_; }
    ui::CStatusPane& Status() { return *status_; }
    bool CyclicRunning() const { return cyclic_.Running(); }

    // Operations.
    bool ReadAllPages();
    void OnRead();
    void OnWrite();
    void OnCyclic(bool checked);
    void OnResetStatus();
    void OnDisplayMode(int mode);
    void OnByteOrder(int order);
    void OnCellEdited(int row, int column);
    void OnClose();

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void InitDialog();
    void BuildGrid();
    void SetColumnLimits();
    void FillGrid();
    void Clear();
    void Refresh();
    void TakeData();
    void ShowNdef();
    void EnableControls(bool enable);
    void CyclicStep();
    bool Select(uint8_t& sak);
    bool DrawCell(const ui::CellPaint& cell) const;
    int PageOf(int row, int column) const;

    ui::ShellEnv& env_;
    int handle_ = 0;
    int displayMode_;
    int byteOrder_;
    int cycleTime_;
    bool initialised_ = false;
    Type2Memory memory_;
    Bytes uid_;

    ui::CCyclicReader cyclic_;
    ui::CEditableListCtrl* grid_ = nullptr;
    std::unique_ptr<ui::CStatusPane> status_;
    QProgressBar* progress_ = nullptr;
    QLineEdit* uidText_ = nullptr;
    QLineEdit* makerText_ = nullptr;
    QPlainTextEdit* ndef_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* cyclicButton_ = nullptr;
    QPushButton* resetStatus_ = nullptr;
    QPushButton* close_ = nullptr;
    QCheckBox* alwaysRead_ = nullptr;
    QRadioButton* hex_ = nullptr;
    QRadioButton* ascii_ = nullptr;
    QRadioButton* msbFirst_ = nullptr;
    QRadioButton* lsbFirst_ = nullptr;
};

} // namespace vorex::wb::nfc

#pragma once
// The ISO 15693 workbench: inventories the tags in the reader's field (up to 16, one
// tab each), shows the blocks of the tag on the selected tab in the block grid, reads
// all or selected rows, writes changed blocks back with a read-back check, locks block
// ranges after a confirmation, reads cyclically, and appends found tags to a tag log
// file. All reader work is synchronous VOREX_ calls on the connection the view opened;
// whole-tag reads go through the card library (Read Multiple Blocks in chunks) with
// progress and a cancel button. The grid is bound to the tag whose data it shows: a
// read keeps the tag it started with, and writes go to that tag only.
#include "workbench/common/CardBinding.h"
#include "workbench/common/PendingEdits.h"
#include "workbench/common/WorkbenchDlg.h"
#include "workbench/iso15693/TagSlot.h"

#include <QTimer>
#include <array>
#include <vector>

class QCheckBox;
class QPushButton;

namespace vorex::ui {
struct ShellEnv;
class CEditableListCtrl;
struct CellPaint;
} // namespace vorex::ui

namespace vorex::wb::iso {

class CTagTabs;

class CISO15693Dlg : public CWorkbenchDlg {
    Q_OBJECT
public:
    explicit CISO15693Dlg(ui::ShellEnv& env, QWidget* parent = nullptr);
    ~CISO15693Dlg() override;

    // The connection and whether the reader may not use the high data rate.
    void SetConnection(int handle, bool highDataRateLock);

    // How a data cell is drawn.
    enum class CellMark { Plain, Changed, Locked };
    CellMark MarkOf(int row, int column) const;

    // State, for the view and for tests.
    int RequestFlags() const { return requestFlags_; }
    int TagCount() const { return static_cast<int>(tags_.size()); }
    const std::vector<Uid>& Tags() const { return tags_; }
    int CurrentIndex() const { return currentIndex_; }
    const TagSlot& Slot(int index) const { return slots_.at(static_cast<size_t>(index)); }
    const std::vector<QString>& StoredText() const { return storedText_; }
    const std::vector<uint8_t>& LockState() const { return lockState_; }
    // The UID whose data the grid shows (empty when it shows none).
    const std::vector<uint8_t>& ShownUid() const { return binding_.Uid(); }
    int UnwrittenCount() const { return edits_.Count(); }
    QString TagLogPath() const { return tagLogPath_; }
    ui::CEditableListCtrl* Grid() const { return grid_; }
    CTagTabs* Tabs() const { return tabs_; }

    // Operations.
    void RefreshTags();
    bool ReadAllBlocks();
    bool ReadBlock(int block, QString& text);
    bool ValidateCell(int row, int column);
    void CyclicStep();
    bool ChooseDataFile();
    void WriteTagLog();

    // Buttons and notifications.
    void OnReadAll();
    void OnReadPage();
    void OnReadSelection();
    void OnWritePage();
    void OnLockBlocks();
    void OnCyclic(bool checked) override;
    void OnDisplay(int mode, int order) override;
    void OnTabChanged(int index);

protected:
    bool MayClose() override;

private:
    void BuildControls();
    void InitDialog() override;
    bool Inventory();
    // Says which tags in the field answer only with one subcarrier.
    void ReportOneSubcarrierTags();
    void GetTagInfo(int index);
    void SetupColumns();
    void FillRows();
    void SetColumnLimits();
    void EnableControls(bool enable) override;
    void CyclicStopped() override;
    // Reads every block of the tag on tab `index` through the card library, with
    // progress and cancel. A plain read fills the grid as blocks arrive; a cyclic tick
    // keeps the grid as it is until the tag is read and then shows it at once.
    bool ReadTag(int index, bool cyclic);
    // One block of `uid` as the grid shows it; the reason in `error` when it fails.
    bool ReadOne(const Uid& uid, const TagSlot& slot, int block, QString& text, QString& error);
    // Writes one block with its read-back check; the cause when it fails.
    bool WriteOne(const Uid& uid, int block, const QString& text, QString& cause, int& error);
    // The tag the next write goes to: the bound tag, else the tag on the current tab.
    bool WriteTarget(Uid& uid);
    void ShowBlockText(int block, const QString& text);
    int IndexOf(const std::vector<uint8_t>& uid) const;
    bool DrawCell(const ui::CellPaint& cell) const;
    void OnStartTimer();
    void SelectTab(int index);
    QString ChipName(const Uid& uid) const;
    const TagSlot& CurrentSlot() const;
    int SlotBlock(int row, int column) const;

    ui::ShellEnv& env_;
    bool highDataRateLock_ = false;
    int requestFlags_;
    int saveFlag_ = 0;
    QString tagLogPath_;
    bool tagLogFailed_ = false;
    std::vector<Uid> tags_;
    int previousCount_ = 0;
    int currentIndex_ = 0;
    std::vector<QString> storedText_;
    std::vector<uint8_t> lockState_;
    bool changed_ = false;
    int pendingTab_ = -1; // chosen during cyclic reading, shown from the next tick
    TagSlot shownSlot_{};
    wb::CardBinding binding_{wb::UidOrder::LsbFirst};
    wb::PendingEdits edits_{wb::WriteUnit::Block};
    QString inventoryError_;
    std::array<TagSlot, kMaxTags> slots_{};

    QTimer startTimer_;

    CTagTabs* tabs_ = nullptr;
    ui::CEditableListCtrl* grid_ = nullptr;
    QPushButton* readAll_ = nullptr;
    QPushButton* readSelection_ = nullptr;
    QPushButton* readPage_ = nullptr;
    QPushButton* writePage_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* chooseFile_ = nullptr;
    QPushButton* lock_ = nullptr;
    QCheckBox* rotate_ = nullptr;
    QCheckBox* highDataRate_ = nullptr;
    QCheckBox* twoSubcarrier_ = nullptr;

    // Saving and loading dump files (ISO15693DlgDumps.cpp): the tag on the current tab.
    std::optional<dumps::DumpChip> ShownChip() const override;
    std::optional<dumpfiles::TagDump> ShownDump() override;
    dumps::LoadPlan ShowDump(const dumpfiles::TagDump& dump) override;
};

} // namespace vorex::wb::iso

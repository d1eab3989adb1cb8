#pragma once
// The MIFARE Classic workbench: reads and writes one sector at a time, data blocks as
// HEX or ASCII text or as decimal value blocks, and the sector trailer only through
// the access-condition editor (four access combos, the rights grid, Key A, Key B and
// the user byte). One class for both card sizes: template 225 is the 1K layout (four
// rows, 16 sectors), 226 the 4K layout (sixteen rows, 40 sectors). Authentication uses
// a key of the reader's key store, named by type and index. All reader work is
// synchronous VOREX_ calls on the connection the view opened.
//
// A write goes only to the card whose data the grid shows (checked by a fresh select),
// a trailer only with both keys typed for the sector on show and after a confirmation,
// and the end of a write names every block that failed. Edits not yet written are
// dropped only after the operator said so. "Alle Sektoren lesen" reads the whole card
// with the keys of the reader's store and keeps it, so that the sector tabs show it.
#include "cards/ClassicCard.h"
#include "workbench/common/CardBinding.h"
#include "workbench/common/PendingEdits.h"
#include "workbench/common/TextRef.h"
#include "workbench/common/WorkbenchDlg.h"
#include "workbench/iso14443/ClassicSector.h"
#include "workbench/iso14443/TrailerEditor.h"
#include "workbench/iso14443/TrailerRules.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorex::ui {
struct ShellEnv;
class CButtonTabs;
} // namespace vorex::ui

namespace vorex::wb::mfc {

class CMifare1KDlg : public CWorkbenchDlg {
    Q_OBJECT
public:
    static constexpr int kRows = 16;

    CMifare1KDlg(ui::ShellEnv& env, int templateId, QWidget* parent = nullptr);

    // The connection and whether the reader's key store holds 12 single keys.
    void SetConnection(int handle, bool smallKeyStore);

    // Operations.
    bool SelectAndAuthenticate(int firstBlock);
    void EncodeTrailer();
    void DecodeTrailer();
    void ShowAccessRights();
    void EnableControls(bool enable) override;

    // Handlers.
    // A cyclic tick reads in the background: it keeps edited rows as typed.
    void OnRead(bool background = false);
    void OnWrite();
    // Reads every sector with the keys of the reader's store; a second click cancels.
    void OnReadAll();
    void OnValue(int row, bool increment);
    void OnValueMode(int row);
    void OnRowSelected(int row);
    void OnAccessCombo(int group);
    void OnKeyText();
    void OnSectorChanged(int sector);
    void OnSelectAll(bool select);
    void OnDisplay(int mode, int order) override;
    void OnCyclic(bool checked) override;
    void OnDefineKeys();
    // Takes the keys known by value for the sector into Key A and Key B.
    void OnKnownKeys();

    // State, for tests.
    bool Layout1K() const { return layout1k_; }
    int Sector() const;
    const std::vector<uint8_t>& RowData(int row) const {
        return rowData_.at(static_cast<size_t>(row));
    }
    const cards::mifare::AccessValues& Access() const { return trailer_.access; }
    const std::vector<uint8_t>& Uid() const { return uid_; }
    ui::CButtonTabs* Tabs() const { return tabs_; }
    // The card read by "Alle Sektoren lesen", if any.
    const std::optional<cards::mifare::ClassicReadResult>& WholeCard() const { return card_; }

private:
    void BuildControls();
    QLayout* BuildAccessGroup();
    // Data exchange: controls -> members (parsing the row texts), members -> controls,
    // and the layout pass after both.
    void TakeData();
    void Refresh();
    void LayoutRows();
    void ShowTrailerRow();
    int TrailerRow() const;
    bool IsManufacturerRow(int row) const;
    void StopCyclicOnError();
    // Request and select: the card's UID and SAK, or false with the error shown.
    bool SelectCard(std::vector<uint8_t>& uid, uint8_t& sak);
    // The SAK fits the layout and the chosen store key opens the sector.
    bool CheckSakAndAuthenticate(uint8_t sak, int firstBlock);
    // Before a write: the card in the field is the one whose data the grid shows and
    // the sector is open; otherwise why not (nothing was written).
    std::optional<QString> OpenBoundCard(int firstBlock);
    // "Block 20: ..." with the engine's error text.
    QString ReadFailureText(int block) const;
    // Whether an action that replaces the grid may go ahead (asks when edits would go).
    bool MayReplaceGrid(GridAction action);
    bool MayClose() override;
    // What the rows, keys and access values show for the sector now on show: the kept
    // whole card's blocks, or nothing.
    void ShowSectorData();
    // The access values are not known for the sector on show (combos empty).
    void ForgetAccess();
    bool AccessKnown() const;
    // The trailer write planned for the sector on show; false (with the reasons shown)
    // when it may not be written, or when the operator did not confirm it.
    bool ConfirmTrailer(std::array<uint8_t, 16>& bytes);
    void ShowSectorStates();
    // The keys of the sector on show that the kept whole card knows by value.
    cards::mifare::SectorKeys KnownKeys() const;

    ui::ShellEnv& env_;
    CardBinding binding_{UidOrder::CardOrder};
    PendingEdits edits_{WriteUnit::Block};
    TrailerKeys keys_;
    // Why a typed row is not written (a value out of range): per row, id 0 for none.
    std::array<TextRef, kRows> rowRefusal_{};
    // A typed character without a single-byte code refuses the whole write.
    std::optional<TextRef> textRefusal_;
    std::optional<cards::mifare::ClassicReadResult> card_;
    std::vector<QString> sectorStates_;
    bool readingAll_ = false;
    bool cancelReadAll_ = false;
    int shownSector_ = 0;
    int keyIndex_ = 0;
    int keyType_ = 0;
    TrailerFields trailer_;
    std::array<bool, kRows> rowSelected_{};
    std::array<QString, kRows> rowText_{};
    std::array<std::vector<uint8_t>, kRows> rowData_{};
    std::array<bool, kRows> valueMode_{};
    std::vector<uint8_t> uid_;
    bool layout1k_;
    bool smallKeyStore_ = false;
    bool controlsEnabled_ = true;
    std::array<QString, 2> savedLabels_; // "Rechte", "Block 3" (4K layout)
    bool stopOnError_ = false;
    int rows_;

    ui::CButtonTabs* tabs_ = nullptr;
    QLineEdit* uidEdit_ = nullptr;
    QComboBox* keyTypeCombo_ = nullptr;
    QComboBox* keyIndexCombo_ = nullptr;
    QLineEdit* keyAEdit_ = nullptr;
    QLineEdit* keyBEdit_ = nullptr;
    QLineEdit* userByteEdit_ = nullptr;
    std::array<QComboBox*, 4> accessCombos_{};
    std::array<QLabel*, 3> groupLabels_{};
    std::array<std::array<QCheckBox*, 8>, 3> dataRights_{};
    std::array<QCheckBox*, 12> trailerRights_{};
    std::array<QCheckBox*, kRows> rowCheck_{};
    std::array<QLineEdit*, kRows> rowEdit_{};
    std::array<QCheckBox*, kRows> valueCheck_{};
    std::array<QPushButton*, kRows> incButton_{};
    std::array<QPushButton*, kRows> decButton_{};
    QPushButton* read_ = nullptr;
    QPushButton* readAll_ = nullptr;
    QLabel* sectorState_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* selectNone_ = nullptr;
    QPushButton* defineKeys_ = nullptr;
    QPushButton* knownKeys_ = nullptr;
    QCheckBox* stopOnErrorCheck_ = nullptr;

    // Saving and loading dump files (Mifare1KDlgDumps.cpp: the sector shown).
    std::optional<dumps::DumpChip> ShownChip() const override;
    std::optional<dumpfiles::TagDump> ShownDump() override;
    dumps::LoadPlan ShowDump(const dumpfiles::TagDump& dump) override;
};

} // namespace vorex::wb::mfc

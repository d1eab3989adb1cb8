#pragma once
// The base of the workbench dialogs: the reader connection the view hands over, the
// status pane with its progress bar, cyclic reading with its "Zyklisch lesen" button,
// the display mode and byte order, and what every workbench does alike: "Reset
// Status", "Schließen" and Esc, the engine's error texts, the page write of the page
// tags, reader host mode off when the dialog goes. A dialog builds its controls with
// the factories below, so that every workbench names its controls the same way (its
// template's control id where it has one, else an English camelCase name) and gives
// them an accessible name. What a dialog does with its card stays in the dialog.
#include "ui/CyclicReader.h"
#include "ui/StatusPane.h"
#include "workbench/common/DumpFit.h"
#include "workbench/common/DumpUnits.h"
#include "workbench/common/PendingEdits.h"
#include "workbench/common/TextRef.h"
#include "workbench/common/WriteReport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vorex::ui {
class CEditableListCtrl;
class CWaitHook;
class IMessages;
} // namespace vorex::ui

namespace vorex::wb {

namespace nfc {
enum class PageWrite;
}

class CWorkbenchDlg : public QDialog {
    Q_OBJECT
public:
    ~CWorkbenchDlg() override;

    // The connection the view opened (0 = none); the view closes it after the dialog.
    void SetConnection(int handle);

    // State, for the view and for tests.
    ui::CStatusPane& Status() { return *status_; }
    bool CyclicRunning() const { return cyclic_.Running(); }
    // 0 = HEX, 1 = ASCII; 0 = MSB first, 1 = LSB first.
    int DisplayMode() const { return displayMode_; }
    int ByteOrder() const { return byteOrder_; }

    void AddStatus(const QString& text);
    // The string-table text of id; 170 is the empty text.
    void ShowStatusId(int id);

    // Buttons shared by every workbench.
    virtual void OnCyclic(bool checked);
    void OnResetStatus();
    void OnClose();
    void reject() override;
    // Done: the reader session ends at once (see EndReaderSession).
    void done(int result) override;

protected:
    explicit CWorkbenchDlg(QWidget* parent);

    int Handle() const { return handle_; }
    // Reader host mode on; the destructor turns it off again.
    void HostModeOn();

    // The text of an engine error number, and of the connection's last error.
    static QString EngineErrorText(int error);
    QString LastErrorText() const;
    // Shows why a card is refused (string textId; 241 names the SAK); false for 0.
    bool ShowRefusal(int textId, uint8_t sak);
    // "Page %d hat falsche Datenlänge %d".
    void ShowWrongLength(int page, int length);
    // Whether a page-tag write loop writes this page; a page of the wrong length is
    // reported and skipped.
    bool PageToWrite(nfc::PageWrite action, int page, int length);
    // Writes one page of a page tag with its read-back check; on failure shows why (the
    // read-back differs, or the engine's error) and returns false.
    bool WritePage(int page, const std::vector<uint8_t>& data);

    // Edit and cell texts are byte strings: one character per tag byte.
    static std::string ByteString(const QString& text);
    static QString FromByteString(const std::string& bytes);

    // Controls. name is the object name, accessible the name a screen reader says
    // where the control shows no text of its own.
    // The status pane, and with a progressName the progress bar shown over its line.
    void MakeStatusPane(const QString& logName, const QString& lineName, int logHeight,
                        const QString& progressName = {});
    // "Status:" in row, the log below it and the status line (and progress bar) below
    // that.
    void AddStatusRows(QGridLayout* layout, int row, int columns);
    // The progress bar from 0 to maximum in place of the status line, its steps, and
    // the status line back. Steps repaint at most every 20 ms: a repaint costs about
    // as much as a read.
    void ShowProgress(int maximum);
    void StepProgress(int value);
    void HideProgress();
    // The block or page grid; the space bar starts editing in the focused row.
    ui::CEditableListCtrl* MakeGrid(const QString& name, const QString& accessible);
    // The end of the button column: a stretch, then above, "Reset Status", "Schließen".
    void EndButtonColumn(QBoxLayout* column, std::initializer_list<QWidget*> above = {});
    QPushButton* MakeButton(const QString& name, const QString& text);
    // "Zyklisch lesen" (checkable, runs OnCyclic), "Reset Status", "Schließen".
    QPushButton* MakeCyclicButton(const QString& name);
    QPushButton* MakeResetStatusButton(const QString& name);
    QPushButton* MakeCloseButton(const QString& name);
    QCheckBox* MakeCheck(const QString& name, const QString& text);
    QRadioButton* MakeRadio(const QString& name, const QString& text);
    QLineEdit* MakeEdit(const QString& name, const QString& accessible, int maxLength = 32767);
    QLineEdit* MakeReadOnlyEdit(const QString& name, const QString& accessible);
    QComboBox* MakeCombo(const QString& name, const QString& accessible, const QStringList& items);
    // The "HEX" / "ASCII" radios and, withOrder, "MSB first" / "LSB first"; each pair
    // is one group, and a click runs OnDisplay with the new mode or order.
    void MakeDisplayRadios(const QString& hexName, const QString& asciiName, bool withOrder);
    // "Darstellung" with HEX and ASCII, "Reihenfolge" with MSB and LSB first.
    void AddDisplayColumn(QBoxLayout* column);
    QRadioButton* HexRadio() const { return hex_; }
    QRadioButton* AsciiRadio() const { return ascii_; }
    QRadioButton* MsbFirstRadio() const { return msbFirst_; }
    QRadioButton* LsbFirstRadio() const { return lsbFirst_; }
    // The settings keys ("Settings" section) that keep mode and order, nullptr for
    // none; reads them. A value other than 0 or 1 reads as 0.
    void KeepDisplayIn(const char* modeKey, const char* orderKey);
    // Sets mode and order and writes the kept ones to the settings.
    void SetDisplay(int mode, int order);
    // The radios show the display mode and byte order.
    void ShowDisplay();
    // A display radio was clicked: the dialog takes its data in the old mode and order,
    // then shows it in the new ones.
    virtual void OnDisplay(int mode, int order) = 0;
    // Names a control made elsewhere.
    static void Name(QWidget* widget, const QString& name, const QString& accessible);

    // Cyclic reading: step runs once a tick, between background mode on and off.
    void SetCyclicStep(std::function<void()> step);
    ui::CCyclicReader& Cyclic() { return cyclic_; }
    const ui::CCyclicReader& Cyclic() const { return cyclic_; }
    QPushButton* CyclicButton() const { return cyclicButton_; }
    int CycleTime() const { return cycleTime_; }

    // The controls that a running cyclic read locks.
    virtual void EnableControls(bool enable) = 0;
    // Cyclic reading has ended: the controls are back.
    virtual void CyclicStopped() { EnableControls(true); }
    // Once, when the dialog is shown the first time.
    virtual void InitDialog() {}

    void showEvent(QShowEvent* event) override;

    // ---- Long operations, write reports, unwritten edits (for every workbench) ----

    // For the length of a read or write that may run longer than a moment: the
    // progress bar with its "Abbrechen" button in place of the status line, the
    // dialog's controls locked (EnableControls(false), and with lockTabs `lockAlso`
    // too), while the wait hook lets the cancel button, Esc and "Schließen" through.
    // Nested scopes belong to the outermost one (a maximum above 0 sets the bar's
    // range anew); no cyclic tick runs meanwhile. A cyclic tick opens one with
    // cyclic = true: the controls stay as cyclic reading has them.
    class OperationScope {
    public:
        OperationScope(CWorkbenchDlg& dialog, int maximum, ui::CWaitHook* hook,
                       std::initializer_list<QWidget*> lockAlso = {}, bool cyclic = false);
        ~OperationScope();
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

    private:
        CWorkbenchDlg& dialog_;
        ui::CWaitHook* hook_;
        bool outermost_;
        bool cyclic_;
        std::vector<QWidget*> locked_;
    };
    // The operator asked to stop the running operation (cancel button, Esc, close).
    // A long operation asks this between two exchanges and stops there.
    bool CancelRequested() const { return cancel_; }
    bool OperationRunning() const { return operationDepth_ > 0; }
    // Stops the running operation; in a cyclic tick also cyclic reading.
    void RequestCancel();
    // Whether an action that replaces the grid may go ahead: asks the edits' question
    // when the action needs it (default No) and discards the edits on Yes.
    bool MayDiscard(PendingEdits& edits, GridAction action, ui::IMessages* messages);
    // The end message of a write: the summary box (warning when a block failed) and
    // its text in the status pane; nothing when nothing was tried.
    void ShowWriteSummary(const WriteReport& report, ui::IMessages* messages);
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Asked before "Schließen", Esc or the window's close take the dialog away; false
    // keeps it open (e.g. the operator keeps unwritten edits).
    virtual bool MayClose() { return true; }
    // Ends the dialog's work with the reader: cyclic reading and a running operation
    // stop, queued work is dropped, host mode goes off. Runs when the dialog is done
    // (so the port is free at once) and at the latest from the destructor; a derived
    // dialog calls it from its own destructor, while it is still whole (the exchange
    // pumps events).
    void EndReaderSession();

private:
    bool cancel_ = false;
    bool sessionEnded_ = false;
    int operationDepth_ = 0;
    QWidget* progressRow_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    int handle_ = 0;
    int displayMode_ = 0;
    int byteOrder_ = 0;
    const char* modeKey_ = nullptr;
    const char* orderKey_ = nullptr;
    int cycleTime_;
    bool initialised_ = false;
    ui::CCyclicReader cyclic_;
    std::unique_ptr<ui::CStatusPane> status_;
    QProgressBar* progress_ = nullptr;
    QElapsedTimer sinceProgress_;
    QPushButton* cyclicButton_ = nullptr;
    QPushButton* resetStatus_ = nullptr;
    QPushButton* close_ = nullptr;
    QRadioButton* hex_ = nullptr;
    QRadioButton* ascii_ = nullptr;
    QRadioButton* msbFirst_ = nullptr;
    QRadioButton* lsbFirst_ = nullptr;

    // ---- First show, rule texts, display defaults ----
public:
    void setVisible(bool visible) override;

protected:
    // Once, before the dialog is shown the first time: the place for reader exchanges
    // such as HostModeOn. An exchange waits with the wait hook pumping events, which
    // must not happen while the window is being shown (it would appear unsized).
    virtual void BeforeFirstShow() {}
    // A rule's text: the string-table text of ref.id with %1, %2, ... filled in from
    // ref.args (in one pass, so a value holding "%2" stays as it is); empty for id 0.
    static QString Text(const TextRef& ref);
    // KeepDisplayIn with another byte order for a profile that has none stored yet.
    void KeepDisplayIn(const char* modeKey, const char* orderKey, int defaultOrder);

private:
    bool beforeShowDone_ = false;

    // ---- Dump files: "Speichern…" and "Laden…" (WorkbenchDlgDumps.cpp) ----
public:
    // The file dialog and the message boxes of saving and loading; tests replace them.
    struct DumpFileDialogs {
        // A save (true) or open file dialog with Qt name filters; the chosen path, and
        // in `chosenFilter` the filter chosen; empty when cancelled.
        std::function<QString(QWidget* parent, bool save, const QString& filters,
                              QString& chosenFilter)>
            choose;
        std::function<bool(QWidget* parent, const QString& text)> ask; // true for "Yes"
        std::function<void(QWidget* parent, const QString& text)> show;
    };
    DumpFileDialogs& DumpDialogs() { return dumpDialogs_; }
    // Saves what the dialog shows (units not shown as unknown bytes, a lossy format
    // only after a question) through a temporary file and a rename.
    void OnSaveDump();
    // Loads a file that fits the chip shown as edited cells, for the dialog's own
    // write; a file of another chip or size is refused before anything is shown.
    void OnLoadDump();

protected:
    // The dialog's side. The chip it shows, none before anything was read.
    virtual std::optional<dumps::DumpChip> ShownChip() const { return std::nullopt; }
    // What it shows, as a dump.
    virtual std::optional<dumpfiles::TagDump> ShownDump() { return std::nullopt; }
    // Shows a dump that fits the chip as edited cells; the plan says what it took.
    virtual dumps::LoadPlan ShowDump(const dumpfiles::TagDump&) { return {}; }
    // "Speichern…" and "Laden…" at the end of a button column.
    void AddDumpButtons(QBoxLayout* column);
    // Marks an edit that shows loaded, unwritten bytes (yellow) until its text changes.
    static void MarkLoaded(QLineEdit* edit);

private:
    void FillDumpDialogs();
    DumpFileDialogs dumpDialogs_;
    QPushButton* saveDump_ = nullptr;
    QPushButton* loadDump_ = nullptr;
};

} // namespace vorex::wb

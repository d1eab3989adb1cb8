#pragma once
// The base of the workbench dialogs: the reader connection the view hands over, the
// status pane, cyclic reading with its "Zyklisch lesen" button, and what every
// workbench does alike: "Reset Status", "Schließen" and Esc, the engine's error texts,
// reader host mode off when the dialog goes. A dialog builds its controls with the
// factories below, so that every workbench names its controls the same way (its
// template's control id where it has one, else an English camelCase name) and gives
// them an accessible name.
#include "ui/CyclicReader.h"
#include "ui/StatusPane.h"

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorex::wb {

class CWorkbenchDlg : public QDialog {
    Q_OBJECT
public:
    ~CWorkbenchDlg() override;

    // The connection the view opened (0 = none); the view closes it after the dialog.
    void SetConnection(int handle);

    // State, for the view and for tests.
    ui::CStatusPane& Status() { return *status_; }
    bool CyclicRunning() const { return cyclic_.Running(); }

    void AddStatus(const QString& text);
    // The string-table text of id; 170 is the empty text.
    void ShowStatusId(int id);

    // Buttons shared by every workbench.
    virtual void OnCyclic(bool checked);
    void OnResetStatus();
    void OnClose();
    void reject() override;

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

    // Edit and cell texts are byte strings: one character per tag byte.
    static std::string ByteString(const QString& text);
    static QString FromByteString(const std::string& bytes);

    // Controls. name is the object name, accessible the name a screen reader says
    // where the control shows no text of its own.
    void MakeStatusPane(const QString& logName, const QString& lineName, int logHeight);
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

private:
    int handle_ = 0;
    int cycleTime_;
    bool initialised_ = false;
    ui::CCyclicReader cyclic_;
    std::unique_ptr<ui::CStatusPane> status_;
    QPushButton* cyclicButton_ = nullptr;
};

} // namespace vorex::wb

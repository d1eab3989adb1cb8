#pragma once
// The main window: menu, tool bar, status bar, the language switch, the manual and the
// saved window position. The view inside does the reader work.
#include "ui/ShellEnv.h"

#include <QMainWindow>
#include <QPointer>
#include <QTranslator>
#include <map>
#include <memory>

class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace vorex::shell {

class CAboutDlg;
class CDemoReader;
class CProgrammerView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Builds menu, tool bar and status bar, restores the position and the language.
    explicit CMainFrame(ui::ShellEnv& env);
    ~CMainFrame() override;

    CProgrammerView* View() const { return view_; }
    int Language() const { return language_; }
    // The action of a command id (menu and tool bar share it), or null.
    QAction* Action(int command) const;

    void SwitchToEnglish();
    void SwitchToGerman();
    void OpenManual();
    // The about box (one at a time); an installer handed over from it ends the program.
    void OpenAboutBox();
    // Enables the commands from the view's last identification.
    void UpdateCommandUi();
    // Adds a note to the status bar (demo mode): a German text with one %1 argument,
    // shown in the active language.
    void SetStatusNote(const char* german, const QString& argument);
    // Demo mode: the "Demo-Feld" menu puts any card or tag set of the demo scenario in
    // the stand-in reader's field.
    void SetDemoReader(CDemoReader* demo);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void BuildMenu();
    void BuildDemoMenu();
    void BuildToolBar();
    void BuildStatusBar();
    void ApplyTexts();
    void InstallQtTranslation(const QString& language);
    // While the view searches for the reader only the cancel button takes input.
    void SetSearching(bool on);

    ui::ShellEnv& env_;
    CDemoReader* demo_ = nullptr;
    CProgrammerView* view_ = nullptr;
    std::map<int, QAction*> actions_;
    int language_ = 0;
    std::unique_ptr<QTranslator> translator_;
    std::unique_ptr<QTranslator> qtTranslator_;
    QLabel* idle_ = nullptr;
    QLabel* note_ = nullptr;
    const char* noteText_ = nullptr;
    QString noteArgument_;
    QToolBar* toolBar_ = nullptr;
    QToolButton* cancel_ = nullptr;
    QProgressBar* busy_ = nullptr;
    QPointer<CAboutDlg> about_;
};

} // namespace vorex::shell

#pragma once
// The about box: program version and build date, engine version, the maker's mail and
// web addresses, what the update check found for the program and for the identified
// reader (a click on an offer downloads the installer and hands it to the desktop), and
// the switch for automatic checking.
#include "ui/ShellEnv.h"

#include <QDialog>
#include <QLabel>
#include <memory>

class QCheckBox;

namespace vorex::update {
class CInstallerDownload;
}

namespace vorex::shell {

// A label that reports clicks while it is clickable.
class CClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit CClickLabel(QWidget* parent = nullptr);
    void SetClickable(bool on);
    bool IsClickable() const { return clickable_; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool clickable_ = false;
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(ui::ShellEnv& env, QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // Fills the program and reader labels from what the update check holds.
    void RefreshLabels();

    void accept() override;
    void reject() override;

signals:
    // An installer was handed over: the program should end.
    void exitRequested();

private:
    void RefreshProgram();
    void RefreshReader();
    void ClickOnOffer(CClickLabel* label, const QString& url);
    void StartInstaller(CClickLabel* label, const QString& url);
    static QString DownloadFailedText(const QString& why);
    void OnDownloaded(const QString& path);
    bool RunInstaller(const QString& path);
    void SaveCheckBox();

    ui::ShellEnv& env_;
    CClickLabel* program_ = nullptr;
    CClickLabel* reader_ = nullptr;
    QCheckBox* autoCheck_ = nullptr;
    QString programUrl_;
    QString readerUrl_;
    std::unique_ptr<vorex::update::CInstallerDownload> download_;
    CClickLabel* downloading_ = nullptr;
    bool cancelled_ = false;
    QString savedText_;
};

} // namespace vorex::shell

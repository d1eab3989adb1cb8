#pragma once
// The view: shows the picture and runs the commands that need the reader. Every such
// command opens a connection from the saved interface settings, identifies the
// reader, does its work and closes the connection again.
#include "ui/ShellEnv.h"

#include <QImage>
#include <QWidget>
#include <functional>

namespace vorex::shell {

class CProgrammerView : public QWidget {
    Q_OBJECT
public:
    explicit CProgrammerView(ui::ShellEnv& env, QWidget* parent = nullptr);

    int DeviceType() const { return deviceType_; }
    int Firmware() const { return firmware_; }
    bool LanFlag() const { return lanFlag_; }
    QString PortText() const { return portText_; }
    QString BaseCaption() const { return baseCaption_; }

    // A handle > 0, 0 (no entry) or a negative open code. Searches the baud rates on a
    // serial entry that does not answer.
    int OpenReader(bool useGivenBaud, int& baud);
    // Reads type and firmware and sets the caption; false (connection closed) when the
    // reader does not identify.
    bool IdentifyReader(int handle);
    void AdjustFrameSize();

    // Whether the menu command may run now.
    bool IsCommandEnabled(int command) const;

    // True while OpenReader searches for the reader (the window stays usable for the
    // cancel button; commands are refused).
    bool IsSearching() const { return searching_; }
    // Ends a running search: the wait running now ends and no further rate is tried.
    void CancelSearch();

    // Commands.
    void OnInitialUpdate();
    void OnWorkbench(int command);
    void OnInterface();
    // Reconnects after the interface settings were changed (steps after the dialog).
    void ReconnectAfterInterface(int oldBaud);
    void OnCycleParameters();
    void OnIpAddress();
    void OnTransmitPower();
    void OnFactoryReset();
    void OnProduction();

    // Caption version text: the program version, or "1.xx".
    static QString CaptionVersion();

    QSize sizeHint() const override;

signals:
    // The device type or the LAN flag changed: menu enabling must be updated.
    void readerChanged();
    // A reader search starts (true) or ends (false).
    void searching(bool on);
    // Progress and outcome of opening the reader, for the status bar.
    void statusMessage(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SetCaption(const QString& caption);
    void ForgetReader();
    // Closes the connection after reporting an update-checked reader.
    void ReportAndClose(int handle);
    // Opens and identifies; a handle > 0 or a negative code (type 0 counts as -11). A
    // failure is reported in the status bar and, for a command the operator started
    // (`ask`), in a message box.
    int OpenAndIdentify(bool ask);
    void ReaderSettingsCommand(bool (*gate)(int, int), const std::function<void(int handle)>& body);
    // The workbench dialog of a menu command, modal, on the open connection.
    void RunWorkbench(int command, int handle);
    // The text that says why the last open gave `code` (0: no interface chosen) and
    // what to do.
    QString FailureText(int code) const;
    // Status bar, and a message box for a command the operator started; `lead` goes
    // before the explanation in the box.
    void ReportFailure(int code, bool ask, const QString& lead = {});
    class SearchScope;

    ui::ShellEnv& env_;
    QImage picture_;
    int deviceType_ = 0;
    int firmware_ = -1;
    QString baseCaption_;
    QString portText_;
    bool lanFlag_ = false;
    // How the last OpenReader went: the port as the operator reads it, whether the
    // baud rates were searched, whether it was cancelled or the reader stopped
    // answering after the open.
    QString displayPort_;
    int timeoutMs_ = 0;
    bool searchedRates_ = false;
    bool searching_ = false;
    bool cancelled_ = false;
    bool stoppedAnswering_ = false;
};

} // namespace vorex::shell

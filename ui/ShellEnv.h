#pragma once
// What the shell takes from its surroundings: message boxes, device listings, the
// places of the translation and the manual, and how documents are opened. The
// program fills it with the real services; tests replace parts of it.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QUrl;
class QWidget;

namespace vorex::update {
class CUpdateService;
}

namespace vorex::ui {

class CWaitHook;

// Message boxes, replaceable so that tests never block.
class IMessages {
public:
    virtual ~IMessages() = default;
    enum class Icon { Information, Warning, Critical, Question };
    virtual void Show(QWidget* parent, const QString& text, Icon icon = Icon::Warning) = 0;
    // True for "Yes".
    virtual bool AskYesNo(QWidget* parent, const QString& text, Icon icon = Icon::Question) = 0;
    // A box with its own caption and Retry and Cancel; true for "Retry".
    virtual bool AskRetryCancel(QWidget*, const QString& /*text*/, const QString& /*caption*/) {
        return false;
    }
};

// QMessageBox with the program title.
class CMessageBoxes : public IMessages {
public:
    void Show(QWidget* parent, const QString& text, Icon icon) override;
    bool AskYesNo(QWidget* parent, const QString& text, Icon icon) override;
    bool AskRetryCancel(QWidget* parent, const QString& text, const QString& caption) override;
};

using NameLister = std::function<std::vector<std::string>()>;

struct ShellEnv {
    IMessages* messages = nullptr;
    // Serial ports (VOREX_ListComPorts by default), LAN readers (VOREX_SearchLanEx) and
    // Bluetooth adapters (VOREX_ListBluetoothPorts); the USB listing arrives with its
    // link and is empty until then.
    NameLister listComPorts;
    NameLister listUsb;
    NameLister listLan;
    NameLister listBluetooth;
    // Bits of attached USB readers without driver (VOREX_CheckUsbDrivers by default).
    std::function<int()> checkUsbDrivers;
    // True when a saved LAN address answers.
    std::function<bool(const std::string&)> testLan;
    // Folders searched for VorexProgrammerEng.qm and for the manual, in order.
    QStringList translationDirs;
    QStringList manualDirs;
    // Opens a document; returns a value above 32 on success, 0 when out of resources,
    // 31 when no program is associated, anything else for other failures.
    std::function<int(const QString& path)> openDocument;
    // A save-file dialog (no question before an existing file is chosen) starting at
    // `initial`, with a Qt name filter; the chosen full path, or empty when cancelled.
    std::function<QString(QWidget* parent, const QString& initial, const QString& filter)>
        chooseSaveFile;
    // Opens a web or mail address; true on success.
    std::function<bool(const QUrl& url)> openUrl;
    // The update check, or null (no version files are fetched; the about box says so).
    vorex::update::CUpdateService* updates = nullptr;
    // Reports an identified reader to the firmware update check.
    std::function<void(const QString& firmwareCode, const QString& model)> reportReader;
    // Runs the Bluetooth connect dialog on an open adapter connection; true when a
    // reader was connected (tests plug in here; default: CBluetoothConnectDlg).
    std::function<bool(int handle, QWidget* parent)> connectBluetooth;
    // Runs a workbench (menu command id) on an open, identified connection in place of
    // the view's own workbench dialogs (tests plug in here).
    std::function<void(int command, int handle, int deviceType, int firmware)> runWorkbench;
    // The engine's installed wait hook, if any: the view spares the main window while a
    // reader search with a cancel button runs.
    CWaitHook* waitHook = nullptr;
    // Shown in the caption, e.g. " [Demo]".
    QString captionNote;
    // Period of the device-list refresh after a device change, ms.
    int refreshIntervalMs = 1000;
    // Watch for device changes while the interface dialog is open: with the libudev
    // monitor (useUdev) or else a 1 s poll.
    bool watchDevices = true;
    bool useUdev = true;
    // Runs before a workbench (menu command id) opens on the reader (demo mode puts a
    // fitting card in the stand-in's field); may be empty.
    std::function<void(int command)> workbenchOpening;

    // Fills every empty service with the real one.
    void FillDefaults();
};

} // namespace vorex::ui

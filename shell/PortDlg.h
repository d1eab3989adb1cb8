#pragma once
// Interface settings ("Schnittstelle"): the entry that selects the link, the serial
// parameters, the answer timeout and the bus address, kept in the profile section
// "Port". Constructed silently by the view, which then uses BuildPortName().
#include "reader/ReaderFacts.h"
#include "ui/ShellEnv.h"

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vorex::shell {

class CDeviceMonitor;

class CPortDlg : public QDialog {
    Q_OBJECT
public:
    // Reads the saved settings and checks the saved entry against the devices present.
    explicit CPortDlg(ui::ShellEnv& env, QWidget* parent = nullptr);
    ~CPortDlg() override;

    QString Name() const { return name_; }
    int BaudValue() const { return baud_; }
    int Timeout() const { return timeout_; }
    int Address() const { return address_; }
    bool IsUsbEntry() const { return usbFlag_; }
    bool IsLanEntry() const { return lanFlag_; }
    bool IsBluetoothEntry() const { return btFlag_; }
    // The text for VOREX_OpenPort: the entry without its kind prefix plus ":<address>".
    QString BuildPortName() const;

    // Runs the dialog's opening steps (done automatically when it is first shown).
    void InitDialog();
    // One device-change message (0x8000 arrival, 7 nodes changed, 0x18 refresh request).
    void OnDeviceChange(int event);
    int RefreshCount() const { return refreshCount_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class Kind { Serial, Usb, Lan, Bluetooth };
    bool RefreshDeviceList(Kind kind);
    std::vector<std::string>& ListOf(Kind kind);
    void FillEntryList();
    void SelectName();
    void SetKindFlags(const QString& name);
    void EnableSerialCombos();
    void UpdateUsbModeButtons(const QString& entry);
    bool CheckDrivers();
    // Asks whether to open the driver download page, with the texts given.
    void OfferDriverPage(const QString& text);
    // "HID Mode" / "Virtual Com": the selected reader switches its USB personality.
    void OnHidMode();
    void OnVirtualCom();
    // Opens the reader of `portName` briefly and sends the USB mode (1 HID, 2 virtual
    // COM) followed by F6 00 00; the name is then cleared (the reader comes back under
    // another name).
    void SwitchUsbMode(const QString& portName, int mode);
    void PostRefresh();
    void OnSelectionChanged();
    void ValidateSavedEntry(Kind kind, const QString& prefix);
    // The operator typed or browsed to a device: it becomes the name.
    void OnPathEdited(const QString& text);
    void OnBrowse();
    // "IP ?": the LAN reader list; a chosen reader becomes the entry.
    void OnIpSearch();
    // The entry name behind a list row (the row may say "not present").
    static QString EntryName(const QListWidgetItem* item);

    ui::ShellEnv& env_;
    // controls
    QPushButton* virtualCom_ = nullptr;
    QPushButton* hidMode_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QListWidget* entries_ = nullptr;
    QCheckBox* ethernet_ = nullptr;
    QPushButton* ipSearch_ = nullptr;
    QLineEdit* timeoutEdit_ = nullptr;
    QLineEdit* addressEdit_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    // data
    int timeout_;
    int ethernet_on_;
    int address_;
    QTimer refreshTimer_;
    int refreshCount_ = 0;
    QString name_;
    int baud_;
    std::vector<std::string> serialPorts_, usbReaders_, lanReaders_, btReaders_;
    bool usbFlag_ = false, lanFlag_ = false, btFlag_ = false;
    bool initialised_ = false;
    bool busy_ = false;
    std::unique_ptr<CDeviceMonitor> monitor_;
};

} // namespace vorex::shell

#include "ui/ShellEnv.h"

#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>
#include <array>

#include "reader/ReaderFacts.h"

namespace vorex::ui {
namespace {

QMessageBox::Icon ToQt(IMessages::Icon icon) {
    switch (icon) {
    case IMessages::Icon::Information:
        return QMessageBox::Information;
    case IMessages::Icon::Warning:
        return QMessageBox::Warning;
    case IMessages::Icon::Critical:
        return QMessageBox::Critical;
    case IMessages::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The names an engine listing call writes as one list into a buffer.
std::vector<std::string> NameList(int (*list)(char*, int)) {
    std::array<char, 2500> buffer{};
    const int used = list(buffer.data(), static_cast<int>(buffer.size()));
    return used > 0 ? vorex::reader::SplitNameList(buffer.data(), used)
                    : std::vector<std::string>{};
}

std::vector<std::string> LanReaders() {
    return NameList(VOREX_SearchLanEx);
}

std::vector<std::string> BluetoothPorts() {
    return NameList(VOREX_ListBluetoothPorts);
}

std::vector<std::string> UsbReaders() {
    return NameList(VOREX_ListUsbDevices);
}

std::vector<std::string> ComPorts() {
    std::array<char, 2500> buffer{};
    const int used = VOREX_ListComPorts(buffer.data(), static_cast<int>(buffer.size()));
    if (used <= 0)
        return {};
    std::vector<std::string> names = vorex::reader::SplitNameList(buffer.data(), used);
    // Listed Windows-style device names lose their "\\.\" prefix.
    for (std::string& n : names)
        if (n.rfind("\\\\.\\", 0) == 0)
            n.erase(0, 4);
    return names;
}

} // namespace

void CMessageBoxes::Show(QWidget* parent, const QString& text, Icon icon) {
    QMessageBox box(ToQt(icon), S(57344), text, QMessageBox::Ok, parent);
    box.exec();
}

bool CMessageBoxes::AskYesNo(QWidget* parent, const QString& text, Icon icon) {
    QMessageBox box(ToQt(icon), S(57344), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool CMessageBoxes::AskRetryCancel(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Retry | QMessageBox::Cancel,
                    parent);
    return box.exec() == QMessageBox::Retry;
}

void ShellEnv::FillDefaults() {
    if (!listComPorts)
        listComPorts = ComPorts;
    const NameLister none = [] { return std::vector<std::string>{}; };
    if (!listUsb)
        listUsb = UsbReaders;
    if (!checkUsbDrivers)
        checkUsbDrivers = [] { return VOREX_CheckUsbDrivers(); };
    if (!listLan)
        listLan = LanReaders;
    if (!listBluetooth)
        listBluetooth = BluetoothPorts;
    if (!testLan)
        testLan = [](const std::string& name) {
            return VOREX_TestLanConnection(name.c_str()) == 1;
        };
    // Beside the program (the build tree), then the installed folders: as seen from the
    // program's folder, then under the configured prefix.
    const QString programDir = QCoreApplication::applicationDirPath();
    const auto installed = [&programDir](const char* fromBin, const char* configured) {
        return QStringList{QDir::cleanPath(programDir + QLatin1Char('/') + QLatin1String(fromBin)),
                           QString::fromUtf8(configured)};
    };
    if (translationDirs.isEmpty())
        translationDirs = QStringList{programDir} +
                          installed(VOREX_TRANSLATIONDIR_FROM_BIN, VOREX_TRANSLATIONDIR);
    if (manualDirs.isEmpty())
        manualDirs = QStringList{programDir} + installed(VOREX_MANUALDIR_FROM_BIN, VOREX_MANUALDIR);
    if (!openDocument)
        openDocument = [](const QString& path) {
            return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? 42 : 31;
        };
    if (!chooseSaveFile)
        chooseSaveFile = [](QWidget* parent, const QString& initial, const QString& filter) {
            return QFileDialog::getSaveFileName(parent, QString(), initial, filter, nullptr,
                                                QFileDialog::DontConfirmOverwrite);
        };
    if (!openUrl)
        openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!reportReader)
        reportReader = [](const QString&, const QString&) {};
}

} // namespace vorex::ui

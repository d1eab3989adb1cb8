// "Speichern…" and "Laden…" of the workbench base: the file dialog with the formats of
// the family shown, the question before a lossy save, the temp-file-and-rename write,
// and the check that a loaded file fits the chip shown before the dialog shows any of it.
#include "cards/FileIo.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/DumpTextIds.h"
#include "workbench/common/WorkbenchDlg.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace vorex::wb {

namespace vd = vorex::dumpfiles;

namespace {

QString FormatLabel(vd::Format format) {
    switch (format) {
    case vd::Format::Own:
        return ui::S(kTextDumpOwn) + QStringLiteral(" JSON");
    case vd::Format::Pm3:
        return QStringLiteral("Proxmark3 JSON");
    case vd::Format::Mct:
        return QStringLiteral("MIFARE Classic Tool");
    case vd::Format::Flipper:
        return QStringLiteral("Flipper NFC");
    case vd::Format::Bin:
        return ui::S(kTextDumpBinary);
    case vd::Format::Eml:
        return QStringLiteral("Proxmark3 EML");
    }
    return {};
}

QString FilterOf(vd::Format format) {
    return FormatLabel(format) + " (" + QString::fromStdString(dumps::FormatPatterns(format)) + ")";
}

QString UnitList(const std::vector<int>& units) {
    QStringList list;
    for (int unit : units)
        list << QString::number(unit);
    return list.join(' ');
}

} // namespace

void CWorkbenchDlg::FillDumpDialogs() {
    if (!dumpDialogs_.choose)
        dumpDialogs_.choose = [](QWidget* parent, bool save, const QString& filters,
                                 QString& chosenFilter) {
            const QString folder = ui::ProfileString("Settings", "DumpPfad");
            const QString path = save
                                     ? QFileDialog::getSaveFileName(parent, ui::S(kTextDumpSave),
                                                                    folder, filters, &chosenFilter)
                                     : QFileDialog::getOpenFileName(parent, ui::S(kTextDumpLoad),
                                                                    folder, filters, &chosenFilter);
            if (!path.isEmpty())
                ui::WriteProfileString("Settings", "DumpPfad", QFileInfo(path).absolutePath());
            return path;
        };
    if (!dumpDialogs_.ask)
        dumpDialogs_.ask = [](QWidget* parent, const QString& text) {
            return ui::CMessageBoxes().AskYesNo(parent, text, ui::IMessages::Icon::Question);
        };
    if (!dumpDialogs_.show)
        dumpDialogs_.show = [](QWidget* parent, const QString& text) {
            ui::CMessageBoxes().Show(parent, text, ui::IMessages::Icon::Warning);
        };
}

void CWorkbenchDlg::AddDumpButtons(QBoxLayout* column) {
    saveDump_ = MakeButton("saveDump", ui::S(kTextDumpSave));
    loadDump_ = MakeButton("loadDump", ui::S(kTextDumpLoad));
    column->addWidget(saveDump_);
    column->addWidget(loadDump_);
    connect(saveDump_, &QPushButton::clicked, this, &CWorkbenchDlg::OnSaveDump);
    connect(loadDump_, &QPushButton::clicked, this, &CWorkbenchDlg::OnLoadDump);
}

void CWorkbenchDlg::MarkLoaded(QLineEdit* edit) {
    if (!edit)
        return;
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: rgb(255, 255, 0); }"));
    const QString loaded = edit->text();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(edit, &QLineEdit::textChanged, edit, [edit, loaded, connection] {
        if (edit->text() == loaded)
            return;
        edit->setStyleSheet(QString());
        QObject::disconnect(*connection);
    });
}

void CWorkbenchDlg::OnSaveDump() {
    FillDumpDialogs();
    // An ASCII text holds no zero or unprintable byte: bytes are taken from HEX texts.
    if (DisplayMode() != kHex) {
        ShowStatusId(kTextDumpHexOnly);
        return;
    }
    const auto chip = ShownChip();
    const auto dump = chip ? ShownDump() : std::nullopt;
    if (!dump) {
        ShowStatusId(kTextDumpNothingShown);
        return;
    }
    const std::vector<vd::Format> formats = dumps::SaveFormats(chip->family);
    QStringList filters;
    for (vd::Format f : formats)
        filters << FilterOf(f);
    QString chosenFilter = filters.front();
    QString path = dumpDialogs_.choose(this, true, filters.join(";;"), chosenFilter);
    if (path.isEmpty())
        return;
    std::optional<vd::Format> filterFormat;
    if (const qsizetype at = filters.indexOf(chosenFilter); at >= 0)
        filterFormat = formats[static_cast<size_t>(at)];
    const vd::Format format = dumps::ChosenFormat(path.toStdString(), filterFormat, formats);
    path = QString::fromStdString(dumps::PathForFormat(path.toStdString(), format));
    const QString name = QFileInfo(path).fileName();
    const auto refuse = [this, &name](const QString& reason) {
        const QString text = ui::S(kTextDumpSaveFailed).arg(name, reason);
        AddStatus(text);
        dumpDialogs_.show(this, text);
    };
    dumps::SavedDump saved = dumps::SaveDump(format, *dump, false);
    if (saved.error.empty() && saved.lossy > 0) {
        if (!dumpDialogs_.ask(this, ui::S(kTextDumpAskFill)
                                        .arg(static_cast<qulonglong>(saved.lossy))
                                        .arg(FormatLabel(format)))) {
            ShowStatusId(kTextDumpNotSaved);
            return;
        }
        saved = dumps::SaveDump(format, *dump, true);
    }
    if (!saved.error.empty()) {
        refuse(QString::fromStdString(saved.error));
        return;
    }
    std::string error;
    if (!cards::ReplaceFile(path.toStdString(), saved.content, error)) {
        refuse(QString::fromStdString(error));
        return;
    }
    AddStatus(ui::S(kTextDumpSaved).arg(path, FormatLabel(format)));
    if (saved.lossy > 0)
        AddStatus(ui::S(kTextDumpFilled).arg(static_cast<qulonglong>(saved.lossy)));
}

void CWorkbenchDlg::OnLoadDump() {
    FillDumpDialogs();
    if (CyclicRunning()) {
        ShowStatusId(kTextDumpCyclicRunning);
        return;
    }
    // Loaded bytes are shown in HEX, for the same reason.
    if (DisplayMode() != kHex) {
        ShowStatusId(kTextDumpHexOnly);
        return;
    }
    const auto chip = ShownChip();
    if (!chip) {
        ShowStatusId(kTextDumpNoChipShown);
        return;
    }
    QStringList filters;
    QStringList patterns;
    for (vd::Format f : dumps::LoadFormats(chip->family)) {
        filters << FilterOf(f);
        patterns << QString::fromStdString(dumps::FormatPatterns(f));
    }
    patterns.removeDuplicates();
    filters.prepend(ui::S(kTextDumpOwn) + QStringLiteral(", Proxmark3, MCT, Flipper (") +
                    patterns.join(' ') + ")");
    filters << ui::S(kTextDumpAllFiles) + QStringLiteral(" (*)");
    QString chosenFilter = filters.front();
    const QString path = dumpDialogs_.choose(this, false, filters.join(";;"), chosenFilter);
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    const auto refuse = [this](const QString& text) {
        AddStatus(text);
        dumpDialogs_.show(this, text);
    };
    std::string content, error;
    if (!cards::ReadWholeFile(path.toStdString(), content, error)) {
        refuse(ui::S(kTextDumpLoadFailed).arg(name, QString::fromStdString(error)));
        return;
    }
    const vd::ReadResult read = vd::ReadDump(name.toStdString(), content);
    if (!read.dump) {
        refuse(ui::S(kTextDumpLoadFailed).arg(name, QString::fromStdString(read.error)));
        return;
    }
    const dumps::DumpChip fileChip = dumps::ChipOfDump(*read.dump);
    if (!dumps::Fits(fileChip, *chip)) {
        refuse(ui::S(kTextDumpOtherChip)
                   .arg(name, QString::fromStdString(dumps::ChipText(fileChip)),
                        QString::fromStdString(dumps::ChipText(*chip))));
        return;
    }
    const dumps::LoadPlan plan = ShowDump(*read.dump);
    AddStatus(ui::S(kTextDumpLoaded).arg(name).arg(plan.Loaded()));
    if (!plan.unknown.empty())
        AddStatus(ui::S(kTextDumpUnknownUnits).arg(UnitList(plan.unknown)));
    if (!plan.kept.empty())
        AddStatus(ui::S(kTextDumpKeptUnits).arg(UnitList(plan.kept)));
}

} // namespace vorex::wb

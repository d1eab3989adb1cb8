#include "workbench/iso15693/ISO15693Dlg.h"

#include "ui/BusyScope.h"
#include "ui/EditableListCtrl.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/common/BlockGridLayout.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/CellText.h"
#include "workbench/iso15693/LockRange.h"
#include "workbench/iso15693/SelectLockBlocksDlg.h"
#include "workbench/iso15693/TagLogFile.h"
#include "workbench/iso15693/TagTabs.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace vorex::wb::iso {

using ui::Format;
using ui::L;
using ui::S;

namespace {

constexpr unsigned kTwoSubcarriers = 0x01;
constexpr unsigned kHighDataRate = 0x02;
constexpr int kLabelColumnWidth = 100;

} // namespace

CISO15693Dlg::CISO15693Dlg(ui::ShellEnv& env, QWidget* parent)
    : CWorkbenchDlg(parent), env_(env),
      requestFlags_(ui::ProfileInt("Settings", "RequestFlag", 1)) {
    env_.FillDefaults();
    KeepDisplayIn("Datentyp", nullptr);
    setObjectName("138");
    setWindowTitle(QStringLiteral("ISO 15693"));
    setSizeGripEnabled(true);
    BuildControls();
    startTimer_.setSingleShot(true);
    connect(&startTimer_, &QTimer::timeout, this, &CISO15693Dlg::OnStartTimer);
    SetCyclicStep([this] { CyclicStep(); });
}

void CISO15693Dlg::SetConnection(int handle, bool highDataRateLock) {
    CWorkbenchDlg::SetConnection(handle);
    highDataRateLock_ = highDataRateLock;
    if (highDataRateLock)
        requestFlags_ &= ~static_cast<int>(kHighDataRate);
}

void CISO15693Dlg::BuildControls() {
    tabs_ = new CTagTabs(this);
    Name(tabs_, "1135", L("Transponder"));
    grid_ = MakeGrid("1134", L("Blöcke"));
    grid_->setMinimumSize(560, 250);
    MakeStatusPane("1007", "1120", 90, "1269");

    readAll_ = MakeButton("1030", L("Alles Lesen"));
    readAll_->setDefault(true);
    readAll_->setAutoDefault(true);
    readSelection_ = MakeButton("1127", L("Auswahl Lesen"));
    readPage_ = MakeButton("1032", L("Seite Lesen"));
    writePage_ = MakeButton("1129", L("Seite Schreiben"));
    refresh_ = MakeButton("1075", L("Aktualisieren"));
    MakeCloseButton("2");
    chooseFile_ = MakeButton("1118", L("Dateiname wählen"));
    lock_ = MakeButton("1031", L("Blöcke sperren"));
    MakeResetStatusButton("1139");
    MakeCyclicButton("1102");
    MakeDisplayRadios("1103", "1104", false);
    rotate_ = MakeCheck("1294", L("nacheinander alle Reiter anzeigen"));
    highDataRate_ = MakeCheck("1295", L("High Data Rate"));
    twoSubcarrier_ = MakeCheck("1296", L("Two Subcarrier"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b :
         {readAll_, readSelection_, readPage_, writePage_, refresh_, lock_, CyclicButton()})
        buttons->addWidget(b);
    buttons->addSpacing(8);
    buttons->addWidget(new QLabel(L("Darstellung:"), this));
    auto* mode = new QHBoxLayout;
    mode->addWidget(HexRadio());
    mode->addWidget(AsciiRadio());
    buttons->addLayout(mode);
    buttons->addWidget(rotate_);
    buttons->addWidget(highDataRate_);
    buttons->addWidget(twoSubcarrier_);
    AddDumpButtons(buttons);
    EndButtonColumn(buttons, {chooseFile_});

    auto* layout = new QGridLayout(this);
    layout->addWidget(tabs_, 0, 0, 1, 2);
    layout->addWidget(grid_, 1, 0);
    layout->addLayout(buttons, 1, 1);
    AddStatusRows(layout, 2, 2);
    layout->setRowStretch(1, 3);
    layout->setRowStretch(3, 1);

    connect(readAll_, &QPushButton::clicked, this, &CISO15693Dlg::OnReadAll);
    connect(refresh_, &QPushButton::clicked, this, &CISO15693Dlg::OnReadAll);
    connect(readPage_, &QPushButton::clicked, this, &CISO15693Dlg::OnReadPage);
    connect(readSelection_, &QPushButton::clicked, this, &CISO15693Dlg::OnReadSelection);
    connect(writePage_, &QPushButton::clicked, this, &CISO15693Dlg::OnWritePage);
    connect(lock_, &QPushButton::clicked, this, &CISO15693Dlg::OnLockBlocks);
    connect(chooseFile_, &QPushButton::clicked, this, [this] { ChooseDataFile(); });
    connect(highDataRate_, &QCheckBox::clicked, this, [this](bool on) {
        requestFlags_ = on ? requestFlags_ | kHighDataRate : requestFlags_ & ~kHighDataRate;
        ui::WriteProfileInt("Settings", "RequestFlag", requestFlags_);
    });
    connect(twoSubcarrier_, &QCheckBox::clicked, this, [this](bool on) {
        requestFlags_ = on ? requestFlags_ | kTwoSubcarriers : requestFlags_ & ~kTwoSubcarriers;
        ui::WriteProfileInt("Settings", "RequestFlag", requestFlags_);
    });
    connect(tabs_, &CTagTabs::currentChanged, this, &CISO15693Dlg::OnTabChanged);
    connect(grid_, &ui::CEditableListCtrl::editEnded, this,
            [this](int row, int column) { ValidateCell(row, column); });
    resize(980, 640);
}

void CISO15693Dlg::InitDialog() {
    SetupColumns();
    saveFlag_ = ui::ProfileInt("Settings", "Speichern", saveFlag_);
    if (saveFlag_ != 0 && tagLogPath_.isEmpty() && !ChooseDataFile()) {
        QMetaObject::invokeMethod(
            this, [this] { done(Accepted); }, Qt::QueuedConnection);
        return;
    }
    chooseFile_->setEnabled(saveFlag_ != 0);
    HostModeOn();
    startTimer_.start(50);
    setMinimumSize(size());
    // Controls from the members.
    ShowDisplay();
    highDataRate_->setChecked(requestFlags_ & kHighDataRate);
    twoSubcarrier_->setChecked(requestFlags_ & kTwoSubcarriers);
    highDataRate_->setEnabled(!highDataRateLock_);
}

void CISO15693Dlg::OnStartTimer() {
    // A running tick delays the start read.
    if (!Cyclic().RunBusy([this] {
            QMetaObject::invokeMethod(this, &CISO15693Dlg::OnReadAll, Qt::QueuedConnection);
        }))
        startTimer_.start(50);
}

QString CISO15693Dlg::ChipName(const Uid& uid) const {
    const int id = ChipNameId(uid);
    return id == 205 ? Format(S(205), uid[6]) : S(id);
}

const TagSlot& CISO15693Dlg::CurrentSlot() const {
    return slots_[static_cast<size_t>(std::clamp(currentIndex_, 0, kMaxTags - 1))];
}

int CISO15693Dlg::SlotBlock(int row, int column) const {
    return wb::BlockOfCell(row, column, CurrentSlot().blocksPerRow);
}

void CISO15693Dlg::SelectTab(int index) {
    tabs_->setCurrentIndex(index);
}

void CISO15693Dlg::EnableControls(bool enable) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{readAll_, readSelection_, readPage_, writePage_, refresh_,
                                         CyclicButton(), lock_, HexRadio(), AsciiRadio()})
        w->setEnabled(enable);
}

// ---- Tags ----

bool CISO15693Dlg::Inventory() {
    std::array<uint8_t, kInventoryCapacity> buffer{};
    const int count =
        VOREX_Iso15693Inventory(Handle(), buffer.data(), kInventoryCapacity, requestFlags_);
    if (count == -1) {
        if (!Cyclic().Busy())
            AddStatus("Inventory: " + LastErrorText());
        return false;
    }
    tags_ = SplitInventory(buffer.data(), std::min(count, kInventoryCapacity));
    if (tags_.size() > static_cast<size_t>(kMaxTags))
        tags_.resize(kMaxTags);
    return true;
}

void CISO15693Dlg::GetTagInfo(int index) {
    const Uid& uid = tags_[static_cast<size_t>(index)];
    int count = 0;
    int size = 0;
    if (VOREX_Iso15693GetMemorySize(Handle(), uid.data(), 8, &count, &size, nullptr,
                                    requestFlags_) == -1) {
        if (!Cyclic().Busy())
            AddStatus("GetTagInfo: " + LastErrorText());
        count = 64;
        size = 4;
    }
    // ISO 15693 blocks hold 1 to 32 bytes; a reader answer beyond that is not shown.
    size = std::clamp(size, 1, 32);
    count = std::clamp(count, 1, 0xFFFF);
    const int available = grid_->width() - 2 * grid_->frameWidth() -
                          grid_->verticalScrollBar()->sizeHint().width() - kLabelColumnWidth;
    TagSlot& slot = slots_[static_cast<size_t>(index)];
    slot.blocksPerRow = static_cast<uint8_t>(BlocksPerRow(available, size));
    slot.blockCount = static_cast<uint16_t>(count);
    slot.blockSize = static_cast<uint8_t>(size);
}

void CISO15693Dlg::RefreshTags() {
    lockState_.clear();
    if (!Inventory())
        tags_.clear();
    const int count = TagCount();
    if (count != previousCount_)
        AddStatus(Format(S(163), count));
    previousCount_ = count;
    if (count == 0)
        grid_->setRowCount(0);
    for (int i = 0; i < count; ++i) {
        const Uid& uid = tags_[static_cast<size_t>(i)];
        slots_[static_cast<size_t>(i)].manufacturer = uid[6];
        GetTagInfo(i);
        tabs_->setTabText(i, QStringLiteral("%1 - %2 - %3")
                                 .arg(i + 1)
                                 .arg(ChipName(uid), QString::fromStdString(SerialText(uid))));
    }
    for (int i = count; i < kMaxTags; ++i)
        tabs_->setTabText(i, QString());
    currentIndex_ = std::max(tabs_->currentIndex(), 0);
    SetColumnLimits();
}

// ---- Grid ----

void CISO15693Dlg::SetupColumns() {
    TagSlot& slot = slots_[static_cast<size_t>(std::clamp(currentIndex_, 0, kMaxTags - 1))];
    if (slot.blocksPerRow == 0)
        slot.blocksPerRow = 1;
    const int perRow = slot.blocksPerRow;
    const int width = (grid_->width() - 2 * grid_->frameWidth() -
                       grid_->verticalScrollBar()->sizeHint().width() - kLabelColumnWidth) /
                      perRow;
    grid_->setRowCount(0);
    grid_->setColumnCount(perRow + 1);
    auto header = [this](int column, int textId, Qt::Alignment align) {
        auto* item = new QTableWidgetItem(S(textId));
        item->setTextAlignment(align | Qt::AlignVCenter);
        grid_->setHorizontalHeaderItem(column, item);
    };
    header(0, 200, Qt::AlignHCenter);
    grid_->setColumnWidth(0, kLabelColumnWidth);
    for (int c = 1; c <= perRow; ++c) {
        header(c, 201, Qt::AlignLeft);
        grid_->setColumnWidth(c, std::max(width, 20));
    }
    grid_->DisableColumns();
    SetColumnLimits();
    grid_->SetDrawCallback([this](const ui::CellPaint& cell) { return DrawCell(cell); });
}

void CISO15693Dlg::SetColumnLimits() {
    const TagSlot& slot = CurrentSlot();
    const int length = DisplayMode() == wb::kHex ? slot.blockSize * 3 - 1 : slot.blockSize;
    for (int c = 1; c <= slot.blocksPerRow && c < grid_->columnCount(); ++c)
        grid_->SetColumnEdit(c, length);
}

void CISO15693Dlg::FillRows() {
    const TagSlot& slot = CurrentSlot();
    storedText_.assign(slot.blockCount, QString());
    grid_->setRowCount(0);
    for (const std::string& label : wb::RowLabels(slot.blockCount, slot.blocksPerRow)) {
        const int row = grid_->AppendRow(QString::fromStdString(label));
        for (int c = 1; c <= slot.blocksPerRow; ++c)
            grid_->SetCellText(row, c, QString());
    }
}

CISO15693Dlg::CellMark CISO15693Dlg::MarkOf(int row, int column) const {
    if (column <= 0)
        return CellMark::Plain;
    const int block = SlotBlock(row, column);
    if (block < 0 || block >= CurrentSlot().blockCount ||
        block >= static_cast<int>(storedText_.size()))
        return CellMark::Plain;
    const auto b = static_cast<size_t>(block);
    if (!wb::CompareBlockText(ByteString(grid_->CellText(row, column)), ByteString(storedText_[b]),
                              DisplayMode()))
        return CellMark::Changed;
    if (b < lockState_.size() && IsLocked(lockState_[b]))
        return CellMark::Locked;
    return CellMark::Plain;
}

bool CISO15693Dlg::DrawCell(const ui::CellPaint& cell) const {
    const CellMark mark = MarkOf(cell.row, cell.column);
    if (mark == CellMark::Plain)
        return false;
    const bool changed = mark == CellMark::Changed;
    cell.painter->fillRect(cell.rect, changed ? QColor(255, 255, 0) : QColor(255, 128, 128));
    cell.painter->setPen(changed ? QColor(255, 0, 0) : QColor(0, 0, 0));
    cell.painter->drawText(cell.rect.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           cell.text);
    return true;
}

bool CISO15693Dlg::ValidateCell(int row, int column) {
    if (column == 0)
        return true;
    const int block = SlotBlock(row, column);
    if (block < 0 || block >= static_cast<int>(storedText_.size()))
        return true;
    const auto b = static_cast<size_t>(block);
    QString text = grid_->CellText(row, column).left(255);
    if (b < lockState_.size() && IsLocked(lockState_[b])) {
        text = storedText_[b];
        grid_->SetCellText(row, column, text);
    }
    if (DisplayMode() != wb::kHex)
        return true;
    const wb::HexCell cell = wb::NormalizeHexCell(ByteString(text), CurrentSlot().blockSize);
    switch (cell.check) {
    case wb::CellCheck::NotHex:
        ShowStatusId(138);
        grid_->SetCellText(row, column, storedText_[b]);
        return false;
    case wb::CellCheck::Truncated:
        ShowStatusId(162);
        grid_->SetCellText(row, column, FromByteString(cell.text));
        return false;
    case wb::CellCheck::Ok:
        break;
    }
    grid_->SetCellText(row, column, FromByteString(cell.text));
    return true;
}

// ---- Reading ----

bool CISO15693Dlg::ReadBlock(int block, QString& text) {
    if (tags_.empty() || currentIndex_ >= TagCount())
        return false;
    const Uid& uid = tags_[static_cast<size_t>(currentIndex_)];
    const TagSlot& slot = CurrentSlot();
    const ReadRequest request = ReadRequestFor(slot, static_cast<unsigned>(requestFlags_));
    std::vector<uint8_t> data(static_cast<size_t>(request.expected));
    const int got = VOREX_Iso15693ReadBlock(Handle(), block, data.data(), request.expected,
                                            uid.data(), 8, request.flags);
    if (got == -1) {
        AddStatus("Read(" + QString::fromStdString(UidText(uid)) + "): " + LastErrorText());
        return false;
    }
    if (got != request.expected)
        return false;
    if (request.withSecurityStatus) {
        if (IsLocked(data[0]) && block < static_cast<int>(lockState_.size()))
            lockState_[static_cast<size_t>(block)] = data[0];
        data.erase(data.begin());
    }
    text = FromByteString(wb::BytesToText(data, slot.blockSize, DisplayMode(), wb::kLsbFirst));
    return true;
}

bool CISO15693Dlg::ReadBlocksIntoGrid(bool withProgress) {
    const TagSlot& slot = CurrentSlot();
    for (int row = 0;; ++row) {
        for (int c = 0; c < slot.blocksPerRow; ++c) {
            const int block = row * slot.blocksPerRow + c;
            if (withProgress)
                StepProgress(block);
            if (block >= slot.blockCount)
                return true;
            QString text;
            if (!ReadBlock(block, text))
                return false;
            storedText_[static_cast<size_t>(block)] = text;
            grid_->SetCellText(row, c + 1, text);
            if (withProgress && c == 0)
                grid_->scrollToItem(grid_->item(row, 0));
        }
    }
}

bool CISO15693Dlg::ReadAllBlocks() {
    EnableControls(false);
    const TagSlot& slot = CurrentSlot();
    lockState_.assign(slot.blockCount, 0);
    SetupColumns();
    FillRows();
    ui::CBusyScope wait;
    ShowProgress(slot.blockCount);
    const bool ok = ReadBlocksIntoGrid(true);
    EnableControls(true);
    HideProgress();
    return ok;
}

void CISO15693Dlg::OnReadAll() {
    ui::CBusyScope busy;
    RefreshTags();
    if (TagCount() < currentIndex_ + 1) {
        currentIndex_ = 0;
        SelectTab(0);
    }
    if (ReadAllBlocks()) {
        ShowStatusId(170);
        if (saveFlag_ != 0)
            WriteTagLog();
    }
}

void CISO15693Dlg::OnReadPage() {
    ui::CBusyScope busy;
    if (ReadAllBlocks())
        ShowStatusId(170);
}

void CISO15693Dlg::OnReadSelection() {
    QList<int> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty()) {
        env_.messages->Show(this, S(198), ui::IMessages::Icon::Information);
        return;
    }
    std::sort(rows.begin(), rows.end());
    ui::CBusyScope busy;
    const TagSlot& slot = CurrentSlot();
    for (int row : rows) {
        for (int c = 0; c < slot.blocksPerRow; ++c) {
            const int block = row * slot.blocksPerRow + c;
            if (block >= slot.blockCount || block >= static_cast<int>(storedText_.size()))
                break;
            QString text;
            if (!ReadBlock(block, text))
                return;
            storedText_[static_cast<size_t>(block)] = text;
            grid_->SetCellText(row, c + 1, text);
        }
    }
    ShowStatusId(170);
}

// ---- Writing and locking ----

bool CISO15693Dlg::WriteBlock(int block, const QString& text) {
    if (tags_.empty() || currentIndex_ >= TagCount())
        return false;
    const TagSlot& slot = CurrentSlot();
    std::vector<uint8_t> bytes;
    if (!wb::TextToBlock(ByteString(text), slot.blockSize, DisplayMode(), bytes))
        return false;
    if (IsServiceBlock(slot, block)) {
        ShowStatusId(225);
        return false;
    }
    const Uid& uid = tags_[static_cast<size_t>(currentIndex_)];
    if (VOREX_Iso15693WriteBlock(Handle(), block, bytes.data(), slot.blockSize, uid.data(), 8,
                                 WriteFlagsFor(slot, static_cast<unsigned>(requestFlags_))) == -1) {
        AddStatus("Write: " + LastErrorText());
        return false;
    }
    return true;
}

void CISO15693Dlg::OnWritePage() {
    ui::CBusyScope busy;
    EnableControls(false);
    const TagSlot& slot = CurrentSlot();
    int written = 0;
    for (int block = 0;; ++block) {
        if (block >= slot.blockCount) {
            ShowStatusId(170);
            if (written > 0)
                env_.messages->Show(this, S(199), ui::IMessages::Icon::Information);
            grid_->viewport()->update();
            EnableControls(true);
            return;
        }
        if (storedText_.size() != slot.blockCount) {
            EnableControls(true);
            return;
        }
        const wb::GridCell at = wb::CellOfBlock(block, slot.blocksPerRow);
        const QString cell = grid_->CellText(at.row, at.column);
        const auto b = static_cast<size_t>(block);
        if (wb::CompareBlockText(ByteString(cell), ByteString(storedText_[b]), DisplayMode()))
            continue;
        if (!WriteBlock(block, cell)) {
            grid_->SetCellText(at.row, at.column, storedText_[b]);
            EnableControls(true);
            return;
        }
        QString back;
        if (!ReadBlock(block, back)) {
            EnableControls(true);
            return;
        }
        if (back.compare(cell, Qt::CaseInsensitive) != 0) {
            const QString message = Format(S(218), block);
            env_.messages->Show(this, message, ui::IMessages::Icon::Warning);
            AddStatus(message);
            EnableControls(true);
            continue;
        }
        storedText_[b] = cell;
        ++written;
    }
}

void CISO15693Dlg::OnLockBlocks() {
    const TagSlot& slot = CurrentSlot();
    CSelectLockBlocksDlg choose(static_cast<unsigned>(std::max(slot.blockCount - 1, 0)),
                                env_.messages, this);
    if (choose.exec() != QDialog::Accepted || tags_.empty() || currentIndex_ >= TagCount())
        return;
    const BlockRange range =
        BlocksToLock(choose.Mode(), {choose.FromBlock(), choose.ToBlock()}, slot.blockCount);
    if (!env_.messages->AskYesNo(this, S(216), ui::IMessages::Icon::Question))
        return;
    const Uid uid = tags_[static_cast<size_t>(currentIndex_)];
    for (unsigned block = range.from; block <= range.to; ++block) {
        const int b = static_cast<int>(block);
        const int result = VOREX_Iso15693LockBlock(Handle(), b, uid.data(), 8,
                                                   static_cast<unsigned>(requestFlags_));
        // The lock's own reason, before the read-back replaces the error number.
        const int error = VOREX_GetLastError(Handle());
        const QString errorText = EngineErrorText(error);
        QString text;
        ReadBlock(b, text);
        const bool locked = block < lockState_.size() && IsLocked(lockState_[block]);
        if (result == -1 && !locked && error != 40)
            AddStatus("Lock: " + errorText);
    }
    grid_->viewport()->update();
}

// ---- Tabs and cyclic reading ----

void CISO15693Dlg::OnTabChanged(int index) {
    ui::CBusyScope busy;
    const bool quiet = Cyclic().Busy() || Cyclic().Running();
    if (!quiet) {
        RefreshTags();
    } else {
        currentIndex_ = index;
        changed_ = true;
        lastShownUid_.clear();
    }
    if (TagCount() < currentIndex_ + 1) {
        currentIndex_ = 0;
        SelectTab(0);
        changed_ = true;
        lastShownUid_.clear();
    }
    tabs_->setFocus();
    if (!quiet)
        ReadAllBlocks();
}

void CISO15693Dlg::OnCyclic(bool checked) {
    if (checked) {
        lastShownUid_.clear();
        changed_ = true;
    }
    CWorkbenchDlg::OnCyclic(checked);
}

void CISO15693Dlg::CyclicStopped() {
    EnableControls(true);
    SelectTab(0);
}

void CISO15693Dlg::CyclicStep() {
    RefreshTags();
    if (tags_.empty()) {
        SelectTab(0);
        lastShownUid_.clear();
        grid_->setRowCount(0);
        grid_->viewport()->update();
        changed_ = true;
        return;
    }
    const int index = std::min(std::max(tabs_->currentIndex(), 0), TagCount() - 1);
    if (rotate_->isChecked())
        changed_ = true;
    currentIndex_ = index;
    SelectTab(index);
    const Uid& uid = tags_[static_cast<size_t>(index)];
    if (!std::equal(lastShownUid_.begin(), lastShownUid_.end(), uid.begin(), uid.end()))
        changed_ = true;
    lastShownUid_.assign(uid.begin(), uid.end());
    if (changed_) {
        SetupColumns();
        FillRows();
        ui::CBusyScope wait;
        lockState_.assign(CurrentSlot().blockCount, 0);
        if (ReadBlocksIntoGrid(false))
            changed_ = false;
        grid_->viewport()->update();
    }
    if (rotate_->isChecked())
        SelectTab(index + 1 < TagCount() ? index + 1 : 0);
}

void CISO15693Dlg::OnDisplay(int mode, int order) {
    SetDisplay(mode, order);
    ReadAllBlocks();
    SetColumnLimits();
}

// ---- Tag log ----

bool CISO15693Dlg::ChooseDataFile() {
    const QString initial = ui::ProfileString("Settings", "LastPfad", QStringLiteral("C:\\test"));
    const QString chosen = env_.chooseSaveFile(
        this, initial,
        QStringLiteral("Pos Datei (*.pos);;Text Datei (*.txt);; Alle Dateien (*.*)"));
    if (chosen.isEmpty())
        return false;
    QString caption = windowTitle();
    if (const int cut = caption.indexOf(QStringLiteral(" - ")); cut >= 0)
        caption.truncate(cut);
    const QFileInfo file(chosen);
    const QString name = QString::fromStdString(MarkTagLogName(file.fileName().toStdString()));
    setWindowTitle(caption + " - " + name);
    tagLogPath_ = file.dir().filePath(name);
    WriteTagLog();
    ui::WriteProfileString("Settings", "LastPfad", tagLogPath_);
    return true;
}

void CISO15693Dlg::WriteTagLog() {
    if (tagLogPath_.isEmpty())
        return;
    std::vector<std::string> lines;
    for (int i = 0; i < TagCount() && i < kMaxTags; ++i) {
        const QString time =
            QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        lines.push_back(TagLogLine(time.toStdString(), slots_[static_cast<size_t>(i)].manufacturer,
                                   tags_[static_cast<size_t>(i)]));
    }
    AppendTagLog(tagLogPath_.toStdString(), lines);
}

} // namespace vorex::wb::iso

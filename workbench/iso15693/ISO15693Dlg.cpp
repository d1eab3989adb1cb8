#include "workbench/iso15693/ISO15693Dlg.h"

#include "cards/Iso15693Tag.h"
#include "ui/BusyScope.h"
#include "ui/EditableListCtrl.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/common/BlockGridLayout.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/CellText.h"
#include "workbench/common/SingleByteText.h"
#include "workbench/common/TextIds.h"
#include "workbench/iso15693/Iso15693TextIds.h"
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
#include <cstdlib>

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

CISO15693Dlg::~CISO15693Dlg() {
    startTimer_.stop();
    EndReaderSession();
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
    return shownSlot_;
}

int CISO15693Dlg::SlotBlock(int row, int column) const {
    return wb::BlockOfCell(row, column, CurrentSlot().blocksPerRow);
}

void CISO15693Dlg::SelectTab(int index) {
    // Highlights the tab only; the dialog decides what the grid shows.
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
        // A reader that stops answering is said once, not taken for an empty field.
        const QString error = "Inventory: " + LastErrorText();
        if (error != inventoryError_ || !Cyclic().Busy())
            AddStatus(error);
        inventoryError_ = error;
        return false;
    }
    inventoryError_.clear();
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
    if (!Inventory()) {
        // The reader did not answer: what was found before stays as it was.
        return;
    }
    const int count = TagCount();
    if (count != previousCount_)
        AddStatus(Format(S(163), count));
    previousCount_ = count;
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
    if ((requestFlags_ & kTwoSubcarriers) != 0 && !Cyclic().Busy())
        ReportOneSubcarrierTags();
}

void CISO15693Dlg::ReportOneSubcarrierTags() {
    // Some tags (e.g. Fujitsu) answer only with one subcarrier: one more inventory
    // with one subcarrier finds them, so that the operator learns why they are missing.
    std::array<uint8_t, kInventoryCapacity> buffer{};
    const int count = VOREX_Iso15693Inventory(Handle(), buffer.data(), kInventoryCapacity,
                                              requestFlags_ & ~static_cast<int>(kTwoSubcarriers));
    if (count <= 0)
        return;
    QStringList missing;
    for (const Uid& uid : SplitInventory(buffer.data(), std::min(count, kInventoryCapacity)))
        if (std::find(tags_.begin(), tags_.end(), uid) == tags_.end())
            missing << QString::fromStdString(UidText(uid));
    if (!missing.isEmpty())
        AddStatus(Text({kTextOneSubcarrierTags,
                        {std::to_string(missing.size()), missing.join(", ").toStdString()}}));
}

int CISO15693Dlg::IndexOf(const std::vector<uint8_t>& uid) const {
    for (int i = 0; i < TagCount(); ++i) {
        const Uid& t = tags_[static_cast<size_t>(i)];
        if (std::equal(t.begin(), t.end(), uid.begin(), uid.end()))
            return i;
    }
    return -1;
}

// ---- Grid ----

void CISO15693Dlg::SetupColumns() {
    TagSlot& slot = shownSlot_;
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
    lockState_.assign(slot.blockCount, 0);
    edits_.DiscardAll();
    grid_->setRowCount(0);
    for (const std::string& label : wb::RowLabels(slot.blockCount, slot.blocksPerRow)) {
        const int row = grid_->AppendRow(QString::fromStdString(label));
        for (int c = 1; c <= slot.blocksPerRow; ++c)
            grid_->SetCellText(row, c, QString());
    }
}

void CISO15693Dlg::ShowBlockText(int block, const QString& text) {
    const wb::GridCell at = wb::CellOfBlock(block, CurrentSlot().blocksPerRow);
    storedText_[static_cast<size_t>(block)] = text;
    grid_->SetCellText(at.row, at.column, text);
}

CISO15693Dlg::CellMark CISO15693Dlg::MarkOf(int row, int column) const {
    if (column <= 0)
        return CellMark::Plain;
    const int block = SlotBlock(row, column);
    if (block < 0 || block >= CurrentSlot().blockCount ||
        block >= static_cast<int>(storedText_.size()))
        return CellMark::Plain;
    const auto b = static_cast<size_t>(block);
    if (edits_.IsEdited(block) || !wb::CompareBlockText(ByteString(grid_->CellText(row, column)),
                                                        ByteString(storedText_[b]), DisplayMode()))
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
    const auto settle = [&] {
        if (wb::CompareBlockText(ByteString(grid_->CellText(row, column)),
                                 ByteString(storedText_[b]), DisplayMode()))
            edits_.Settled(block);
        else
            edits_.Edited(block);
    };
    if (DisplayMode() != wb::kHex) {
        // A character without a single-byte code is refused here, by name, before
        // anything could be written.
        const wb::SingleByteText bytes = wb::ToSingleByte(text.toStdString());
        if (bytes.refused) {
            AddStatus(Text(wb::RefusalText(*bytes.refused)));
            grid_->SetCellText(row, column, storedText_[b]);
            settle();
            return false;
        }
        settle();
        return true;
    }
    const wb::HexCell cell = wb::NormalizeHexCell(ByteString(text), CurrentSlot().blockSize);
    switch (cell.check) {
    case wb::CellCheck::NotHex:
        ShowStatusId(138);
        grid_->SetCellText(row, column, storedText_[b]);
        settle();
        return false;
    case wb::CellCheck::Truncated:
        ShowStatusId(162);
        grid_->SetCellText(row, column, FromByteString(cell.text));
        settle();
        return false;
    case wb::CellCheck::Ok:
        break;
    }
    grid_->SetCellText(row, column, FromByteString(cell.text));
    settle();
    return true;
}

// ---- Reading ----

bool CISO15693Dlg::ReadOne(const Uid& uid, const TagSlot& slot, int block, QString& text,
                           QString& error) {
    const ReadRequest request = ReadRequestFor(slot, static_cast<unsigned>(requestFlags_));
    std::vector<uint8_t> data(static_cast<size_t>(request.expected));
    const int got = VOREX_Iso15693ReadBlock(Handle(), block, data.data(), request.expected,
                                            uid.data(), 8, request.flags);
    if (got == -1) {
        error = LastErrorText();
        AddStatus("Read(" + QString::fromStdString(UidText(uid)) + "): " + error);
        return false;
    }
    if (got != request.expected) {
        error = EngineErrorText(VOREX_GetLastError(Handle()));
        return false;
    }
    if (request.withSecurityStatus) {
        if (block < static_cast<int>(lockState_.size()))
            lockState_[static_cast<size_t>(block)] = IsLocked(data[0]) ? data[0] : 0;
        data.erase(data.begin());
    }
    text = FromByteString(wb::BytesToText(data, slot.blockSize, DisplayMode(), wb::kLsbFirst));
    return true;
}

bool CISO15693Dlg::ReadBlock(int block, QString& text) {
    Uid uid{};
    QString error;
    return WriteTarget(uid) && ReadOne(uid, CurrentSlot(), block, text, error);
}

bool CISO15693Dlg::ReadTag(int index, bool cyclic) {
    namespace card = cards::iso15693;
    if (index < 0 || index >= TagCount()) {
        // No tag to read: the grid shows the empty rows of the tab's slot.
        binding_.Release();
        shownSlot_ = slots_[static_cast<size_t>(std::clamp(index, 0, kMaxTags - 1))];
        SetupColumns();
        FillRows();
        return false;
    }
    // The read keeps the tag it started with, whatever tab is clicked meanwhile.
    const Uid uid = tags_[static_cast<size_t>(index)];
    const TagSlot slot = slots_[static_cast<size_t>(index)];
    card::TagAddress address{{uid.begin(), uid.end()}, static_cast<unsigned>(requestFlags_)};
    card::Layout layout;
    layout.blocks = slot.blockCount;
    layout.blockSize = slot.blockSize;
    layout.manufacturer = slot.manufacturer;
    layout.readFlags = ReadRequestFor(slot, address.flags).flags & ~card::kOptionFlag;

    OperationScope scope(*this, slot.blockCount, env_.waitHook, {tabs_}, cyclic);
    const auto toText = [&](const card::BlockRead& read) {
        return FromByteString(
            wb::BytesToText(read.data, slot.blockSize, DisplayMode(), wb::kLsbFirst));
    };
    std::vector<card::BlockRead> blocks;
    size_t shown = 0;
    const auto showRead = [&] {
        for (; shown < blocks.size() && shown < slot.blockCount; ++shown) {
            ShowBlockText(static_cast<int>(shown), toText(blocks[shown]));
            lockState_[shown] = blocks[shown].locked.value_or(false) ? 1 : 0;
        }
    };
    const auto start = [&] {
        shownSlot_ = slot;
        currentIndex_ = index;
        // A tab chosen during a cyclic tick stays highlighted until the next tick.
        SelectTab(pendingTab_ >= 0 ? pendingTab_ : index);
        SetupColumns();
        FillRows();
        binding_.Bind({uid.begin(), uid.end()});
    };
    if (!cyclic)
        start();
    int failed = -1;
    const bool ok = card::ReadAllBlocks(
        Handle(), address, layout, blocks, failed,
        [&](int done, int) {
            StepProgress(done);
            if (!cyclic)
                showRead();
        },
        0, [this] { return CancelRequested(); });
    const bool cancelled = !ok && CancelRequested();
    if (cyclic) {
        // A tick shows its tag only when it was read whole.
        if (!ok) {
            if (!cancelled)
                AddStatus("Read(" + QString::fromStdString(UidText(uid)) + "): " + LastErrorText());
            return false;
        }
        start();
    }
    showRead();
    grid_->scrollToTop();
    grid_->viewport()->update();
    if (cancelled)
        AddStatus(Text({kTextReadCancelled,
                        {std::to_string(blocks.size()), std::to_string(slot.blockCount)}}));
    else if (!ok)
        AddStatus("Read(" + QString::fromStdString(UidText(uid)) + "): " + LastErrorText());
    return ok;
}

bool CISO15693Dlg::ReadAllBlocks() {
    return ReadTag(std::clamp(tabs_->currentIndex(), 0, kMaxTags - 1), false);
}

void CISO15693Dlg::OnReadAll() {
    if (!MayDiscard(edits_, wb::GridAction::Read, env_.messages))
        return;
    ui::CBusyScope busy;
    OperationScope scope(*this, 0, env_.waitHook, {tabs_});
    RefreshTags();
    if (TagCount() < tabs_->currentIndex() + 1)
        SelectTab(0);
    if (ReadAllBlocks()) {
        ShowStatusId(170);
        if (saveFlag_ != 0)
            WriteTagLog();
    }
}

void CISO15693Dlg::OnReadPage() {
    if (!MayDiscard(edits_, wb::GridAction::Read, env_.messages))
        return;
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
    Uid uid{};
    if (!WriteTarget(uid))
        return;
    std::sort(rows.begin(), rows.end());
    ui::CBusyScope busy;
    const TagSlot& slot = CurrentSlot();
    OperationScope scope(*this, static_cast<int>(rows.size()), env_.waitHook, {tabs_});
    int done = 0;
    for (int row : rows) {
        if (CancelRequested())
            break;
        StepProgress(done++);
        for (int c = 0; c < slot.blocksPerRow; ++c) {
            const int block = row * slot.blocksPerRow + c;
            if (block >= slot.blockCount || block >= static_cast<int>(storedText_.size()))
                break;
            QString text;
            QString error;
            if (!ReadOne(uid, slot, block, text, error))
                return;
            ShowBlockText(block, text);
            edits_.Settled(block);
        }
    }
    ShowStatusId(170);
}

// ---- Writing and locking ----

bool CISO15693Dlg::WriteTarget(Uid& uid) {
    if (binding_.Bound()) {
        std::copy(binding_.Uid().begin(), binding_.Uid().end(), uid.begin());
        return true;
    }
    if (tags_.empty() || currentIndex_ >= TagCount())
        return false;
    uid = tags_[static_cast<size_t>(currentIndex_)];
    return true;
}

bool CISO15693Dlg::WriteOne(const Uid& uid, int block, const QString& text, QString& cause,
                            int& error) {
    const TagSlot& slot = CurrentSlot();
    error = 0;
    std::vector<uint8_t> bytes;
    std::string typed = ByteString(text);
    if (DisplayMode() != wb::kHex) {
        const wb::SingleByteText single = wb::ToSingleByte(text.toStdString());
        if (single.refused) {
            cause = Text(wb::RefusalText(*single.refused));
            return false;
        }
        typed = single.bytes;
    }
    if (!wb::TextToBlock(typed, slot.blockSize, DisplayMode(), bytes)) {
        cause = S(138);
        return false;
    }
    if (IsServiceBlock(slot, block)) {
        cause = S(225);
        return false;
    }
    if (VOREX_Iso15693WriteBlock(Handle(), block, bytes.data(), slot.blockSize, uid.data(), 8,
                                 WriteFlagsFor(slot, static_cast<unsigned>(requestFlags_))) == -1) {
        error = VOREX_GetLastError(Handle());
        cause = EngineErrorText(error);
        return false;
    }
    QString back;
    QString readError;
    if (!ReadOne(uid, slot, block, back, readError)) {
        error = VOREX_GetLastError(Handle());
        cause = readError;
        return false;
    }
    if (!wb::CompareBlockText(ByteString(back), typed, DisplayMode())) {
        cause = Format(S(218), block);
        return false;
    }
    // The tag's own bytes, as a read shows them (upper-case hex).
    ShowBlockText(block, back);
    return true;
}

void CISO15693Dlg::OnWritePage() {
    ui::CBusyScope busy;
    const TagSlot slot = CurrentSlot();
    if (storedText_.size() != slot.blockCount)
        return;
    Uid uid{};
    if (!WriteTarget(uid))
        return;
    std::vector<int> toWrite;
    for (int block = 0; block < slot.blockCount; ++block) {
        const wb::GridCell at = wb::CellOfBlock(block, slot.blocksPerRow);
        if (edits_.IsEdited(block) ||
            !wb::CompareBlockText(ByteString(grid_->CellText(at.row, at.column)),
                                  ByteString(storedText_[static_cast<size_t>(block)]),
                                  DisplayMode()))
            toWrite.push_back(block);
    }
    if (toWrite.empty()) {
        ShowStatusId(170);
        return;
    }
    OperationScope scope(*this, static_cast<int>(toWrite.size()), env_.waitHook, {tabs_});
    // The grid's tag must still be in the field: never write its data onto another.
    if (binding_.Bound()) {
        std::vector<std::vector<uint8_t>> field;
        if (Inventory())
            for (const Uid& t : tags_)
                field.emplace_back(t.begin(), t.end());
        const wb::BindingCheck check = binding_.CheckInventory(field);
        if (!check.write) {
            const QString why = Text(check.refusal);
            AddStatus(why);
            env_.messages->Show(this, why, ui::IMessages::Icon::Warning);
            return;
        }
    }
    wb::WriteReport report(wb::WriteUnit::Block);
    int done = 0;
    for (int block : toWrite) {
        if (CancelRequested()) {
            AddStatus(Text(
                {kTextWriteCancelled, {std::to_string(done), std::to_string(toWrite.size())}}));
            break;
        }
        StepProgress(done++);
        const wb::GridCell at = wb::CellOfBlock(block, slot.blocksPerRow);
        QString cause;
        int error = 0;
        // A failed block keeps what was typed, still marked as unwritten.
        if (!WriteOne(uid, block, grid_->CellText(at.row, at.column), cause, error)) {
            edits_.Edited(block);
            AddStatus(Text(report.Failed(block, cause.toStdString())));
            if (error != 0 && cards::iso15693::ReaderOrTagGone(error))
                break;
            continue;
        }
        edits_.Settled(block);
        report.Written(block);
    }
    grid_->viewport()->update();
    if (!report.AnyFailed())
        ShowStatusId(170);
    ShowWriteSummary(report, env_.messages);
}

void CISO15693Dlg::OnLockBlocks() {
    const TagSlot& slot = CurrentSlot();
    CSelectLockBlocksDlg choose(static_cast<unsigned>(std::max(slot.blockCount - 1, 0)),
                                env_.messages, this);
    Uid uid{};
    if (choose.exec() != QDialog::Accepted || !WriteTarget(uid))
        return;
    const BlockRange range =
        BlocksToLock(choose.Mode(), {choose.FromBlock(), choose.ToBlock()}, slot.blockCount);
    if (!env_.messages->AskYesNo(this, S(216), ui::IMessages::Icon::Question))
        return;
    OperationScope scope(*this, 0, env_.waitHook, {tabs_});
    for (unsigned block = range.from; block <= range.to; ++block) {
        const int b = static_cast<int>(block);
        const int result = VOREX_Iso15693LockBlock(Handle(), b, uid.data(), 8,
                                                   static_cast<unsigned>(requestFlags_));
        // The lock's own reason, before the read-back replaces the error number.
        const int error = VOREX_GetLastError(Handle());
        const QString errorText = EngineErrorText(error);
        QString text;
        QString readError;
        ReadOne(uid, slot, b, text, readError);
        const bool locked = block < lockState_.size() && IsLocked(lockState_[block]);
        if (result == -1 && !locked && error != 40)
            AddStatus("Lock: " + errorText);
    }
    grid_->viewport()->update();
}

// ---- Tabs and cyclic reading ----

void CISO15693Dlg::OnTabChanged(int index) {
    if (Cyclic().Busy() || Cyclic().Running()) {
        // Cyclic reading shows the chosen tab from its next tick on; a tick that runs
        // goes on with the tag it started with.
        pendingTab_ = index;
        changed_ = true;
        return;
    }
    if (!MayDiscard(edits_, wb::GridAction::TabChange, env_.messages)) {
        SelectTab(currentIndex_);
        return;
    }
    ui::CBusyScope busy;
    OperationScope scope(*this, 0, env_.waitHook, {tabs_});
    RefreshTags();
    if (TagCount() < index + 1)
        index = 0;
    tabs_->setFocus();
    ReadTag(index, false);
}

bool CISO15693Dlg::MayClose() {
    return MayDiscard(edits_, wb::GridAction::Close, env_.messages);
}

void CISO15693Dlg::OnCyclic(bool checked) {
    if (checked)
        changed_ = true;
    CWorkbenchDlg::OnCyclic(checked);
}

void CISO15693Dlg::CyclicStopped() {
    EnableControls(true);
    pendingTab_ = -1;
    // The highlighted tab is the one whose tag the grid shows (and writes go to).
    const int shown = IndexOf(binding_.Uid());
    if (shown >= 0)
        currentIndex_ = shown;
    SelectTab(currentIndex_);
}

void CISO15693Dlg::CyclicStep() {
    RefreshTags();
    if (!inventoryError_.isEmpty())
        return;
    if (tags_.empty()) {
        // The field is empty: edits not yet written stay on the grid.
        if (edits_.Before(wb::GridAction::TagLost) == wb::PendingVerdict::KeepEdits)
            return;
        SelectTab(0);
        currentIndex_ = 0;
        binding_.Release();
        grid_->setRowCount(0);
        grid_->viewport()->update();
        changed_ = true;
        return;
    }
    int index = std::clamp(pendingTab_ >= 0 ? pendingTab_ : currentIndex_, 0, TagCount() - 1);
    pendingTab_ = -1;
    if (rotate_->isChecked()) {
        changed_ = true;
        if (binding_.Bound() && index == currentIndex_)
            index = (currentIndex_ + 1) % TagCount();
    }
    const Uid& uid = tags_[static_cast<size_t>(index)];
    if (!std::equal(uid.begin(), uid.end(), binding_.Uid().begin(), binding_.Uid().end()))
        changed_ = true;
    if (!changed_ || edits_.Before(wb::GridAction::CyclicRefresh) == wb::PendingVerdict::KeepEdits)
        return;
    if (ReadTag(index, true))
        changed_ = false;
}

void CISO15693Dlg::OnDisplay(int mode, int order) {
    if (!MayDiscard(edits_, wb::GridAction::DisplaySwitch, env_.messages)) {
        ShowDisplay();
        return;
    }
    SetDisplay(mode, order);
    ReadAllBlocks();
    SetColumnLimits();
}

// ---- Tag log ----

bool CISO15693Dlg::ChooseDataFile() {
    // The chooser starts in the user's data folder (XDG) unless a usable path is kept.
    const QString app =
        QCoreApplication::organizationName() + "/" + QCoreApplication::applicationName();
    const std::string folder =
        DefaultTagLogFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), app.toStdString());
    if (folder.empty())
        AddStatus(Text({wb::kTextTagLogNoFolder, {}}));
    else if (const wb::TextRef why = PrepareTagLogFolder(folder); why.id != 0)
        AddStatus(Text(why));
    const QString initial = QString::fromStdString(InitialTagLogPath(
        ui::ProfileString("Settings", "LastPfad", QString()).toStdString(), folder));
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
    tagLogFailed_ = false;
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
    // A log that cannot be created or written is said, not skipped silently: in the
    // status each time, in a box the first time.
    const wb::TextRef why = AppendTagLogLines(tagLogPath_.toStdString(), lines);
    if (why.id == 0) {
        tagLogFailed_ = false;
        return;
    }
    AddStatus(Text(why));
    if (!tagLogFailed_)
        env_.messages->Show(this, Text(why), ui::IMessages::Icon::Warning);
    tagLogFailed_ = true;
}

} // namespace vorex::wb::iso

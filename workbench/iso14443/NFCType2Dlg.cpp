#include "workbench/iso14443/NFCType2Dlg.h"

#include "cards/ClassicCard.h"
#include "cards/Ndef.h"
#include "cards/Type2Tag.h"
#include "ui/BusyScope.h"
#include "ui/EditableListCtrl.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/common/BlockGridLayout.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/PageTagRules.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorex::wb::nfc {

using ui::Format;
using ui::L;
using ui::S;

namespace {

// As far as the reader can select sectors of 256 pages.
constexpr int kPageLimit = 256 * 256;
constexpr int kProgressRows = 128;

} // namespace

CNFCType2Dlg::CNFCType2Dlg(ui::ShellEnv& env, QWidget* parent) : CPageTagDlg(env, parent) {
    // Pages in the order of their bytes on the tag, as vorexctl shows them, until the
    // operator chooses otherwise.
    KeepDisplayIn("NFC2Darstellung", "NFC2Order", kLsbFirst);
    setObjectName("231");
    setWindowTitle(QStringLiteral("NFC Type 2 Tag"));
    setSizeGripEnabled(true);
    BuildControls();
    SetCyclicStep([this] { CyclicStep(); });
}

void CNFCType2Dlg::BuildControls() {
    uidText_ = MakeReadOnlyEdit("uidText", L("UID"));
    makerText_ = MakeReadOnlyEdit("makerText", L("Hersteller"));
    grid_ = MakeGrid("pageGrid", L("Seiten"));
    grid_->setMinimumSize(520, 260);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ndef_ = new QPlainTextEdit(this);
    Name(ndef_, "ndefText", L("NDEF"));
    ndef_->setReadOnly(true);
    ndef_->setMaximumHeight(80);
    MakeStatusPane("statusLog", "statusLine", 80, "progress");

    read_ = MakeButton("read", L("Lesen"));
    write_ = MakeButton("write", L("Schreiben"));
    QPushButton* cyclic = MakeCyclicButton("cyclic");
    MakeResetStatusButton("resetStatus");
    MakeCloseButton("close");
    alwaysRead_ = MakeCheck("alwaysRead", L("immer neu einlesen"));
    MakeDisplayRadios("hex", "ascii", true);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(L("UID:"), this));
    top->addWidget(uidText_, 2);
    top->addWidget(new QLabel(L("Hersteller:"), this));
    top->addWidget(makerText_, 1);

    auto* buttons = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{read_, write_, cyclic, alwaysRead_})
        buttons->addWidget(w);
    AddDisplayColumn(buttons);
    AddDumpButtons(buttons);
    EndButtonColumn(buttons);

    auto* layout = new QGridLayout(this);
    layout->addLayout(top, 0, 0, 1, 2);
    layout->addWidget(grid_, 1, 0);
    layout->addLayout(buttons, 1, 1, 3, 1);
    layout->addWidget(new QLabel(L("NDEF:"), this), 2, 0);
    layout->addWidget(ndef_, 3, 0);
    AddStatusRows(layout, 4, 2);
    layout->setRowStretch(1, 3);
    layout->setRowStretch(5, 1);

    connect(read_, &QPushButton::clicked, this, &CNFCType2Dlg::OnRead);
    connect(write_, &QPushButton::clicked, this, &CNFCType2Dlg::OnWrite);
    connect(grid_, &ui::CEditableListCtrl::editEnded, this, &CNFCType2Dlg::OnCellEdited);
    resize(760, 640);
}

void CNFCType2Dlg::InitDialog() {
    ShowDisplay();
    BuildGrid();
    // The height may grow, the width stays.
    setMinimumSize(size());
    setMaximumWidth(width());
}

// ---- Grid ----

int CNFCType2Dlg::PageOf(int row, int column) const {
    return kPagesPerRow * row + column - 1;
}

void CNFCType2Dlg::BuildGrid() {
    if (grid_->GetColumnCount() != kPagesPerRow + 1) {
        grid_->setColumnCount(kPagesPerRow + 1);
        const int client = grid_->viewport()->width();
        const int labelWidth = (client - 20) / 8;
        auto header = [this](int column, int textId, Qt::Alignment align) {
            auto* item = new QTableWidgetItem(S(textId));
            item->setTextAlignment(align | Qt::AlignVCenter);
            grid_->setHorizontalHeaderItem(column, item);
        };
        header(0, 200, Qt::AlignHCenter);
        grid_->setColumnWidth(0, labelWidth);
        for (int c = 1; c <= kPagesPerRow; ++c) {
            header(c, 201, Qt::AlignLeft);
            grid_->setColumnWidth(c, std::max((client - 20 - labelWidth) / kPagesPerRow, 20));
        }
    }
    grid_->ResetColumns();
    grid_->SetColumnReadOnly(0);
    grid_->DisableColumns();
    SetColumnLimits();
    grid_->SetDrawCallback([this](const ui::CellPaint& cell) { return DrawCell(cell); });
    grid_->setRowCount(0);
}

void CNFCType2Dlg::SetColumnLimits() {
    for (int c = 1; c <= kPagesPerRow; ++c)
        grid_->SetColumnEdit(c, DisplayMode() == wb::kAscii ? 4 : 11);
}

void CNFCType2Dlg::FillGrid() {
    grid_->setRowCount(0);
    for (int first = 0; first < memory_.PageCount(); first += kPagesPerRow) {
        const int row = grid_->AppendRow(QString::fromStdString(PageRowLabel(first)));
        for (int c = 1; c <= kPagesPerRow; ++c)
            grid_->SetCellText(
                row, c, FromByteString(memory_.Text(first + c - 1, DisplayMode(), ByteOrder())));
    }
}

CNFCType2Dlg::CellMark CNFCType2Dlg::MarkOf(int row, int column) const {
    const int page = PageOf(row, column);
    if (column < 1 || page >= memory_.PageCount())
        return CellMark::Plain;
    if (page < kFixedPages)
        return CellMark::Fixed;
    return memory_.Differs(page, ByteString(grid_->CellText(row, column)), DisplayMode(),
                           ByteOrder())
               ? CellMark::Changed
               : CellMark::Plain;
}

bool CNFCType2Dlg::DrawCell(const ui::CellPaint& cell) const {
    const CellMark mark = MarkOf(cell.row, cell.column);
    if (mark == CellMark::Plain)
        return false;
    cell.painter->fillRect(cell.rect,
                           mark == CellMark::Fixed ? QColor(255, 128, 128) : QColor(255, 255, 0));
    cell.painter->setPen(Qt::black);
    cell.painter->drawText(cell.rect.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           cell.text);
    return true;
}

void CNFCType2Dlg::OnCellEdited(int row, int column) {
    if (column < 1)
        return;
    const int page = PageOf(row, column);
    const std::string text = memory_.AfterEdit(page, ByteString(grid_->CellText(row, column)),
                                               DisplayMode(), ByteOrder());
    grid_->SetCellText(row, column, FromByteString(text));
    grid_->viewport()->update();
}

// ---- Data exchange ----

void CNFCType2Dlg::Refresh() {
    uidText_->setText(UidText(uid_));
    for (int row = 0; row < grid_->rowCount(); ++row)
        for (int c = 1; c <= kPagesPerRow; ++c)
            grid_->SetCellText(
                row, c, FromByteString(memory_.Text(PageOf(row, c), DisplayMode(), ByteOrder())));
    grid_->viewport()->update();
}

void CNFCType2Dlg::TakeData() {
    for (int row = 0; row < grid_->rowCount(); ++row)
        for (int c = 1; c <= kPagesPerRow; ++c)
            memory_.Take(PageOf(row, c), ByteString(grid_->CellText(row, c)), DisplayMode(),
                         ByteOrder());
}

void CNFCType2Dlg::Clear() {
    memory_.Clear();
    uid_.clear();
    Binding().Release();
    ForgetKeptEditsNote();
    makerText_->clear();
    ndef_->clear();
    grid_->setRowCount(0);
    Refresh();
}

void CNFCType2Dlg::ShowNdef() {
    const Bytes bytes = memory_.TagBytes();
    if (bytes.empty()) {
        ndef_->clear();
        return;
    }
    const cards::ndef::Message message = cards::ndef::Parse(bytes);
    const TextRef reason = NdefReasonText(message.error);
    const QString why = reason.id != 0 ? Text(reason) : QString::fromStdString(message.error);
    QStringList lines;
    switch (message.status) {
    case cards::ndef::Status::NotNdef:
        lines << L("Kein NDEF") + ": " + why;
        break;
    case cards::ndef::Status::Damaged:
        lines << L("NDEF beschädigt") + ": " + why;
        break;
    case cards::ndef::Status::Ok:
        if (message.records.empty())
            lines << L("Leere NDEF-Nachricht");
        for (const cards::ndef::Record& r : message.records)
            lines << QString::fromStdString(cards::ndef::Describe(r));
        break;
    }
    ndef_->setPlainText(lines.join('\n'));
}

void CNFCType2Dlg::EnableControls(bool enable) {
    for (QWidget* w : std::initializer_list<QWidget*>{read_, write_, CyclicButton(), AsciiRadio(),
                                                      HexRadio(), MsbFirstRadio(), LsbFirstRadio()})
        w->setEnabled(enable);
}

// ---- Reading ----

bool CNFCType2Dlg::ReadAllPages() {
    TakeData();
    cards::mifare::CardInfo card;
    const bool present = cards::mifare::Activate(Handle(), card);
    // A background read never replaces edits the operator has not written.
    if (Pending().Before(present ? GridAction::CyclicRefresh : GridAction::TagLost) ==
        PendingVerdict::KeepEdits) {
        NoteKeptEdits(present, uid_, card.uid);
        return true;
    }
    if (!present)
        return false;
    if (card.uid == uid_ && !alwaysRead_->isChecked())
        return true;
    Clear();
    uid_ = card.uid;
    makerText_->setText(QString::fromStdString(MakerName(uid_)));
    Refresh();
    BuildGrid();
    if (ShowRefusal(RefusalTextId(card.sak), card.sak))
        return true;
    ShowProgress(kProgressRows);
    cards::type2::PageScan scan;
    const bool read = cards::type2::ReadPages(Handle(), kPageLimit, scan, [this](int done, int) {
        StepProgress(std::min(done / kPagesPerRow, kProgressRows));
    });
    if (read) {
        memory_.Load(scan.pages);
        // The grid shows this tag's pages: a write goes to it only.
        Binding().Bind(uid_);
        // Pages the tag hides behind its password are not the end of its memory.
        if (cards::type2::StoppedInsideDataArea(scan))
            AddStatus(Format(L("Die Seiten ab %d sind durch das Kennwort des Tags "
                               "geschützt und werden nicht gelesen oder geschrieben"),
                             static_cast<int>(scan.pages.size())));
    } else if (!Cyclic().Busy()) {
        AddStatus(LastErrorText());
    }
    FillGrid();
    HideProgress();
    Refresh();
    ShowNdef();
    return true;
}

void CNFCType2Dlg::OnRead() {
    if (Handle() == 0 || !MayDiscardEdits(GridAction::Read))
        return;
    ui::CBusyScope busy;
    EnableControls(false);
    Clear();
    if (!ReadAllPages()) {
        AddStatus(LastErrorText());
        Clear();
        BuildGrid();
    }
    EnableControls(true);
}

void CNFCType2Dlg::CyclicStep() {
    if (!ReadAllPages()) {
        Clear();
        BuildGrid();
    }
}

// ---- Unwritten edits ----

PendingEdits CNFCType2Dlg::Pending() {
    TakeData();
    PendingEdits edits(WriteUnit::Page);
    for (int page : memory_.ChangedPages())
        edits.Edited(page);
    return edits;
}

// ---- Writing ----

std::vector<std::pair<int, QString>> CNFCType2Dlg::CellTexts() const {
    std::vector<std::pair<int, QString>> texts;
    for (int page = 0; page < memory_.PageCount(); ++page) {
        const wb::GridCell at = wb::CellOfBlock(page, kPagesPerRow);
        texts.emplace_back(page, grid_->CellText(at.row, at.column));
    }
    return texts;
}

void CNFCType2Dlg::OnWrite() {
    if (Handle() == 0)
        return;
    ui::CBusyScope busy;
    std::vector<std::pair<int, QString>> texts = CellTexts();
    TakeData();
    std::erase_if(texts, [this](const auto& page) {
        return memory_.WriteAction(page.first, ByteString(page.second)) != PageWrite::Write;
    });
    if (!AsciiWritable(texts))
        return;
    EnableControls(false);
    auto finish = [this] {
        grid_->viewport()->update();
        EnableControls(true);
        Refresh();
        ShowNdef();
    };
    cards::mifare::CardInfo card;
    if (!SelectForWrite(card)) {
        finish();
        return;
    }
    WriteReport report(WriteUnit::Page);
    int failed = -1;
    for (int page = 0; page < memory_.PageCount(); ++page) {
        const wb::GridCell at = wb::CellOfBlock(page, kPagesPerRow);
        const PageWrite action =
            memory_.WriteAction(page, ByteString(grid_->CellText(at.row, at.column)));
        const int length = static_cast<int>(memory_.Current(page).size());
        if (action == PageWrite::WrongLength) {
            ShowWrongLength(page, length);
            report.Failed(page,
                          Text({kTextWrongPageLength, {std::to_string(length)}}).toStdString());
        }
        if (action != PageWrite::Write)
            continue;
        // Writing stops at the first page the tag refuses; the pages after it are
        // named as not tried.
        if (failed >= 0)
            report.Failed(page, Text({kTextPageNotTried, {std::to_string(failed)}}).toStdString());
        else if (WriteOnePage(page, memory_.Current(page), report))
            memory_.Written(page);
        else
            failed = page;
    }
    finish();
    EndWrite(report, true);
}

// ---- Buttons ----

void CNFCType2Dlg::OnDisplay(int mode, int order) {
    if (!AsciiSwitchable(CellTexts()))
        return;
    TakeData();
    SetDisplay(mode, order);
    SetColumnLimits();
    Refresh();
}

} // namespace vorex::wb::nfc

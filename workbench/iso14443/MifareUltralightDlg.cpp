#include "workbench/iso14443/MifareUltralightDlg.h"

#include "cards/ClassicCard.h"
#include "cards/Type2Tag.h"
#include "ui/Texts.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/PageTagRules.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorex::wb::nfc {

using ui::L;

namespace {
constexpr int kRowsPerColumn = 8;
} // namespace

CMifareUltralightDlg::CMifareUltralightDlg(ui::ShellEnv& env, QWidget* parent)
    : CPageTagDlg(env, parent) {
    // Pages in the order of their bytes on the tag, as vorexctl shows them, until the
    // operator chooses otherwise.
    KeepDisplayIn("UltralightDarstellung", "UltralightOrder", kLsbFirst);
    setObjectName("224");
    setWindowTitle(QStringLiteral("MIFARE Ultralight® (64 Byte)"));
    BuildControls();
    SetCyclicStep([this] { CyclicStep(); });
}

void CMifareUltralightDlg::BuildControls() {
    uidText_ = MakeReadOnlyEdit("uidText", L("UID"));
    MakeStatusPane("statusLog", "statusLine", 80);
    read_ = MakeButton("read", L("Lesen"));
    write_ = MakeButton("write", L("Schreiben"));
    selectAll_ = MakeButton("selectAll", L("Alles markieren"));
    selectNone_ = MakeButton("selectNone", L("Nichts markieren"));
    QPushButton* cyclic = MakeCyclicButton("cyclic");
    MakeResetStatusButton("resetStatus");
    MakeCloseButton("close");
    MakeDisplayRadios("hex", "ascii", true);

    auto* pages = new QGridLayout;
    for (int p = 0; p < kUltralightPages; ++p) {
        const QString label = QStringLiteral("Page %1").arg(p);
        QCheckBox* box = MakeCheck(QStringLiteral("pageSelected%1").arg(p), label);
        QLineEdit* edit = MakeEdit(QStringLiteral("pageText%1").arg(p), label);
        edit->setReadOnly(p < kFirstWritablePage);
        edit->setMinimumWidth(130);
        selected_[static_cast<size_t>(p)] = box;
        texts_[static_cast<size_t>(p)] = edit;
        const int column = 2 * (p / kRowsPerColumn);
        pages->addWidget(box, p % kRowsPerColumn, column);
        pages->addWidget(edit, p % kRowsPerColumn, column + 1);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(L("UID:"), this));
    top->addWidget(uidText_, 1);

    auto* buttons = new QVBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{read_, write_, cyclic, selectAll_, selectNone_})
        buttons->addWidget(w);
    AddDisplayColumn(buttons);
    AddDumpButtons(buttons);
    EndButtonColumn(buttons);

    auto* layout = new QGridLayout(this);
    layout->addLayout(top, 0, 0);
    layout->addLayout(pages, 1, 0);
    layout->addLayout(buttons, 0, 1, 2, 1);
    AddStatusRows(layout, 2, 2);

    connect(read_, &QPushButton::clicked, this, &CMifareUltralightDlg::OnRead);
    connect(write_, &QPushButton::clicked, this, &CMifareUltralightDlg::OnWrite);
    connect(selectAll_, &QPushButton::clicked, this, [this] { OnSelectAll(true); });
    connect(selectNone_, &QPushButton::clicked, this, [this] { OnSelectAll(false); });
}

void CMifareUltralightDlg::InitDialog() {
    ShowDisplay();
    Refresh();
}

// ---- Data exchange ----

void CMifareUltralightDlg::Refresh() {
    uidText_->setText(UidText(uid_));
    for (int p = 0; p < kUltralightPages; ++p)
        texts_[static_cast<size_t>(p)]->setText(
            FromByteString(pages_.Text(p, DisplayMode(), ByteOrder())));
}

void CMifareUltralightDlg::TakeData() {
    for (int p = 0; p < kUltralightPages; ++p)
        pages_.Take(p, ByteString(texts_[static_cast<size_t>(p)]->text()), DisplayMode(),
                    ByteOrder());
}

void CMifareUltralightDlg::EnableControls(bool enable) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{read_, write_, CyclicButton(), AsciiRadio(), HexRadio(),
                                         MsbFirstRadio(), LsbFirstRadio(), selectAll_, selectNone_})
        w->setEnabled(enable);
    for (int p = 0; p < kUltralightPages; ++p) {
        selected_[static_cast<size_t>(p)]->setEnabled(enable);
        texts_[static_cast<size_t>(p)]->setEnabled(enable);
    }
}

// ---- Reading and writing ----

bool CMifareUltralightDlg::SelectTag() {
    cards::mifare::CardInfo card;
    if (!cards::mifare::Activate(Handle(), card)) {
        AddStatus(LastErrorText());
        return false;
    }
    uid_ = card.uid;
    Refresh();
    return !ShowRefusal(RefusalTextId(card.sak), card.sak);
}

void CMifareUltralightDlg::OnRead() {
    if (Handle() == 0 || !MayDiscardEdits(GridAction::Read))
        return;
    ReadPages();
}

void CMifareUltralightDlg::CyclicStep() {
    if (Handle() == 0)
        return;
    // A background read never replaces pages the operator typed and has not written.
    if (Pending().Before(GridAction::CyclicRefresh) == PendingVerdict::KeepEdits) {
        cards::mifare::CardInfo card;
        const bool present = cards::mifare::Activate(Handle(), card);
        NoteKeptEdits(present, uid_, card.uid);
        return;
    }
    ForgetKeptEditsNote();
    ReadPages();
}

PendingEdits CMifareUltralightDlg::Pending() {
    TakeData();
    PendingEdits edits(WriteUnit::Page);
    for (int page : pages_.ChangedPages())
        edits.Edited(page);
    return edits;
}

void CMifareUltralightDlg::ReadPages() {
    pages_.ClearAll();
    uid_.clear();
    Binding().Release();
    Refresh();
    if (!SelectTag())
        return;
    bool any = false;
    for (int p = 0; p < kUltralightPages; ++p) {
        if (!selected_[static_cast<size_t>(p)]->isChecked())
            continue;
        unsigned char page[4];
        if (VOREX_MifareReadBlock(Handle(), p, page, 4) == 4) {
            pages_.Set(p, {page, page + 4});
            any = true;
            continue;
        }
        AddStatus(Text({kTextReadPageFailed, {std::to_string(p), LastErrorText().toStdString()}}));
        // A refused read leaves the tag idle: wake it for the following pages.
        cards::mifare::CardInfo again;
        cards::mifare::Activate(Handle(), again);
    }
    // The pages shown are this tag's: a write goes to it only.
    if (any)
        Binding().Bind(uid_);
    pages_.MarkRead();
    Refresh();
}

std::vector<std::pair<int, QString>> CMifareUltralightDlg::EditedTexts(bool selectedOnly) const {
    std::vector<std::pair<int, QString>> texts;
    for (int p = kFirstWritablePage; p < kUltralightPages; ++p)
        if (!selectedOnly || selected_[static_cast<size_t>(p)]->isChecked())
            texts.emplace_back(p, texts_[static_cast<size_t>(p)]->text());
    return texts;
}

void CMifareUltralightDlg::OnWrite() {
    if (Handle() == 0)
        return;
    if (!AsciiWritable(EditedTexts(true)))
        return;
    TakeData();
    cards::mifare::CardInfo card;
    if (!SelectForWrite(card))
        return;
    uid_ = card.uid;
    Refresh();
    WriteReport report(WriteUnit::Page);
    for (int p = kFirstWritablePage; p < kUltralightPages; ++p) {
        const PageWrite action =
            pages_.WriteAction(p, selected_[static_cast<size_t>(p)]->isChecked());
        const int length = static_cast<int>(pages_.Data(p).size());
        if (action == PageWrite::WrongLength) {
            ShowWrongLength(p, length);
            report.Failed(p, Text({kTextWrongPageLength, {std::to_string(length)}}).toStdString());
        }
        if (action != PageWrite::Write)
            continue;
        if (WriteOnePage(p, pages_.Data(p), report)) {
            pages_.MarkWritten(p);
            continue;
        }
        // A refused write leaves the tag idle: wake it for the following pages.
        cards::mifare::CardInfo again;
        cards::mifare::Activate(Handle(), again);
    }
    Refresh();
    EndWrite(report, false);
}

// ---- Buttons ----

void CMifareUltralightDlg::OnSelectAll(bool selected) {
    TakeData();
    for (QCheckBox* box : selected_)
        box->setChecked(selected);
    Refresh();
}

void CMifareUltralightDlg::OnDisplay(int mode, int order) {
    if (!AsciiSwitchable(EditedTexts(false)))
        return;
    TakeData();
    SetDisplay(mode, order);
    Refresh();
}

} // namespace vorex::wb::nfc

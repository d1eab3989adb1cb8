#include "workbench/iso14443/MifareUltralightDlg.h"

#include "cards/ClassicCard.h"
#include "cards/Type2Tag.h"
#include "ui/Texts.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/PageTagRules.h"
#include <vorex/vorex.h>

#include <QButtonGroup>
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

CMifareUltralightDlg::CMifareUltralightDlg(QWidget* parent)
    : CWorkbenchDlg(parent), displayMode_(ui::ProfileInt("Settings", "UltralightDarstellung", 0)),
      byteOrder_(ui::ProfileInt("Settings", "UltralightOrder", 0)) {
    setObjectName("224");
    setWindowTitle(QStringLiteral("MIFARE Ultralight® (64 Byte)"));
    BuildControls();
    SetCyclicStep([this] { OnRead(); });
}

void CMifareUltralightDlg::BuildControls() {
    uidText_ = MakeReadOnlyEdit("uidText", L("UID"));
    MakeStatusPane("statusLog", "statusLine", 80);
    read_ = MakeButton("read", L("Lesen"));
    write_ = MakeButton("write", L("Schreiben"));
    selectAll_ = MakeButton("selectAll", L("Alles markieren"));
    selectNone_ = MakeButton("selectNone", L("Nichts markieren"));
    QPushButton* cyclic = MakeCyclicButton("cyclic");
    QPushButton* resetStatus = MakeResetStatusButton("resetStatus");
    QPushButton* close = MakeCloseButton("close");
    hex_ = MakeRadio("hex", L("HEX"));
    ascii_ = MakeRadio("ascii", L("ASCII"));
    msbFirst_ = MakeRadio("msbFirst", L("MSB first"));
    lsbFirst_ = MakeRadio("lsbFirst", L("LSB first"));
    for (auto pair : {std::pair{hex_, ascii_}, std::pair{msbFirst_, lsbFirst_}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(pair.first);
        group->addButton(pair.second);
    }

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
    buttons->addSpacing(8);
    buttons->addWidget(new QLabel(L("Darstellung"), this));
    buttons->addWidget(hex_);
    buttons->addWidget(ascii_);
    buttons->addWidget(new QLabel(L("Reihenfolge"), this));
    buttons->addWidget(msbFirst_);
    buttons->addWidget(lsbFirst_);
    buttons->addStretch(1);
    buttons->addWidget(resetStatus);
    buttons->addWidget(close);

    auto* layout = new QGridLayout(this);
    layout->addLayout(top, 0, 0);
    layout->addLayout(pages, 1, 0);
    layout->addLayout(buttons, 0, 1, 2, 1);
    layout->addWidget(new QLabel(L("Status:"), this), 2, 0, 1, 2);
    layout->addWidget(Status().Log(), 3, 0, 1, 2);
    layout->addWidget(Status().Line(), 4, 0, 1, 2);

    connect(read_, &QPushButton::clicked, this, &CMifareUltralightDlg::OnRead);
    connect(write_, &QPushButton::clicked, this, &CMifareUltralightDlg::OnWrite);
    connect(selectAll_, &QPushButton::clicked, this, [this] { OnSelectAll(true); });
    connect(selectNone_, &QPushButton::clicked, this, [this] { OnSelectAll(false); });
    connect(hex_, &QRadioButton::clicked, this, [this] { OnDisplayMode(wb::kHex); });
    connect(ascii_, &QRadioButton::clicked, this, [this] { OnDisplayMode(wb::kAscii); });
    connect(msbFirst_, &QRadioButton::clicked, this, [this] { OnByteOrder(wb::kMsbFirst); });
    connect(lsbFirst_, &QRadioButton::clicked, this, [this] { OnByteOrder(wb::kLsbFirst); });
}

void CMifareUltralightDlg::InitDialog() {
    hex_->setChecked(displayMode_ == wb::kHex);
    ascii_->setChecked(displayMode_ == wb::kAscii);
    msbFirst_->setChecked(byteOrder_ == wb::kMsbFirst);
    lsbFirst_->setChecked(byteOrder_ == wb::kLsbFirst);
    Refresh();
    HostModeOn();
}

// ---- Data exchange ----

void CMifareUltralightDlg::Refresh() {
    uidText_->setText(uid_.empty()
                          ? QString()
                          : FromByteString(wb::BytesToText(uid_, static_cast<uint8_t>(uid_.size()),
                                                           wb::kHex, wb::kMsbFirst)));
    for (int p = 0; p < kUltralightPages; ++p)
        texts_[static_cast<size_t>(p)]->setText(
            FromByteString(pages_.Text(p, displayMode_, byteOrder_)));
}

void CMifareUltralightDlg::TakeData() {
    for (int p = 0; p < kUltralightPages; ++p)
        pages_.Take(p, ByteString(texts_[static_cast<size_t>(p)]->text()), displayMode_,
                    byteOrder_);
}

void CMifareUltralightDlg::EnableControls(bool enable) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{read_, write_, CyclicButton(), ascii_, hex_, msbFirst_,
                                         lsbFirst_, selectAll_, selectNone_})
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
    if (Handle() == 0)
        return;
    TakeData();
    pages_.ClearAll();
    uid_.clear();
    Refresh();
    if (!SelectTag())
        return;
    for (int p = 0; p < kUltralightPages; ++p) {
        if (!selected_[static_cast<size_t>(p)]->isChecked())
            continue;
        unsigned char page[4];
        if (VOREX_MifareReadBlock(Handle(), p, page, 4) == 4) {
            pages_.Set(p, {page, page + 4});
            continue;
        }
        AddStatus(LastErrorText());
        // A refused read leaves the tag idle: wake it for the following pages.
        cards::mifare::CardInfo again;
        cards::mifare::Activate(Handle(), again);
    }
    Refresh();
}

void CMifareUltralightDlg::OnWrite() {
    if (Handle() == 0)
        return;
    TakeData();
    if (!SelectTag())
        return;
    for (int p = kFirstWritablePage; p < kUltralightPages; ++p) {
        switch (pages_.WriteAction(p, selected_[static_cast<size_t>(p)]->isChecked())) {
        case UltralightWrite::Skip:
            continue;
        case UltralightWrite::WrongLength:
            ShowWrongLength(p, static_cast<int>(pages_.Data(p).size()));
            continue;
        case UltralightWrite::Write:
            break;
        }
        const cards::type2::PageWriteResult result =
            cards::type2::WritePages(Handle(), p, pages_.Data(p).data(), 1);
        if (result.failedPage < 0)
            continue;
        AddStatus(result.problem == "verify"
                      ? ui::Format(ui::S(218), p)
                      : EngineErrorText(WriteErrorCode(VOREX_GetLastError(Handle()))));
        // A refused write leaves the tag idle: wake it for the following pages.
        cards::mifare::CardInfo again;
        cards::mifare::Activate(Handle(), again);
    }
    Refresh();
}

// ---- Buttons ----

void CMifareUltralightDlg::OnSelectAll(bool selected) {
    TakeData();
    for (QCheckBox* box : selected_)
        box->setChecked(selected);
    Refresh();
}

void CMifareUltralightDlg::OnDisplayMode(int mode) {
    TakeData();
    displayMode_ = mode;
    ui::WriteProfileInt("Settings", "UltralightDarstellung", mode);
    Refresh();
}

void CMifareUltralightDlg::OnByteOrder(int order) {
    TakeData();
    byteOrder_ = order;
    ui::WriteProfileInt("Settings", "UltralightOrder", order);
    Refresh();
}

} // namespace vorex::wb::nfc

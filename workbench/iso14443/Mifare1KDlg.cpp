#include "workbench/iso14443/Mifare1KDlg.h"

#include "ui/ButtonTabs.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include "workbench/common/ByteText.h"
#include "workbench/common/SingleByteText.h"
#include "workbench/common/TextIds.h"
#include "workbench/common/WriteReport.h"
#include "workbench/iso14443/ClassicRows.h"
#include "workbench/iso14443/ClassicSector.h"
#include "workbench/iso14443/ClassicTexts.h"
#include "workbench/iso14443/MifareKeyStoreDlg.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace vorex::wb::mfc {

using ui::Format;
using ui::L;
using ui::S;

namespace {

constexpr int kValueEditWidth = 80;
constexpr int kEditWidth = 330;

QStringList Numbers(int count) {
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QString::number(i);
    return items;
}

} // namespace

CMifare1KDlg::CMifare1KDlg(ui::ShellEnv& env, int templateId, QWidget* parent)
    : CWorkbenchDlg(parent), env_(env), layout1k_(templateId != kTemplate4K),
      rows_(TemplateRows(layout1k_)) {
    env_.FillDefaults();
    setObjectName(QString::number(layout1k_ ? kTemplate1K : kTemplate4K));
    setWindowTitle(layout1k_ ? L("MIFARE® Classic 1K") : L("MIFARE® Classic 4K"));
    BuildControls();
    SetCyclicStep([this] { OnRead(true); });
    // Blocks in the order of their bytes on the card, as vorexctl shows them.
    SetDisplay(kHex, kLsbFirst);
    ShowDisplay();
    tabs_->setCurrentIndex(0);
    keys_.EnterSector(0);
    ShowAccessRights();
    Refresh();
}

void CMifare1KDlg::SetConnection(int handle, bool smallKeyStore) {
    CWorkbenchDlg::SetConnection(handle);
    smallKeyStore_ = smallKeyStore;
    HostModeOn();
}

// ---- Controls ----

void CMifare1KDlg::BuildControls() {
    const int sectors = TemplateSectors(layout1k_);
    tabs_ = new ui::CButtonTabs(sectors, 8, QSize(86, 22), this);
    Name(tabs_, "sectorTabs", L("Sektoren"));
    for (int s = 0; s < sectors; ++s)
        tabs_->setTabText(s, Format(L("Sector %d"), s));
    MakeStatusPane("statusLog", "statusLine", 70, "progress");

    auto* rows = new QGridLayout;
    rows->setVerticalSpacing(2);
    for (int r = 0; r < rows_; ++r) {
        const bool last = r == rows_ - 1;
        rowCheck_[r] = MakeCheck(QString("rowSelected%1").arg(r),
                                 last ? L("Rechte") : L("Block") + QString(" %1").arg(r));
        rowEdit_[r] = MakeEdit(QString("rowText%1").arg(r), rowCheck_[r]->text(), 47);
        rowEdit_[r]->setMinimumWidth(kEditWidth);
        rows->addWidget(rowCheck_[r], r, 0);
        rows->addWidget(rowEdit_[r], r, 1);
        connect(rowCheck_[r], &QCheckBox::clicked, this, [this, r] { OnRowSelected(r); });
        connect(rowEdit_[r], &QLineEdit::textEdited, this,
                [this, r] { edits_.Edited(SectorOf(Sector(), layout1k_).first + r); });
        if (r >= 15)
            continue;
        valueCheck_[r] = MakeCheck(QString("valueMode%1").arg(r), L("Value (dezimal)"));
        incButton_[r] = MakeButton(QString("inc%1").arg(r), L("inc."));
        decButton_[r] = MakeButton(QString("dec%1").arg(r), L("dec."));
        incButton_[r]->setFixedWidth(44);
        decButton_[r]->setFixedWidth(44);
        rows->addWidget(valueCheck_[r], r, 2);
        rows->addWidget(incButton_[r], r, 3);
        rows->addWidget(decButton_[r], r, 4);
        connect(valueCheck_[r], &QCheckBox::clicked, this, [this, r] { OnValueMode(r); });
        connect(incButton_[r], &QPushButton::clicked, this, [this, r] { OnValue(r, true); });
        connect(decButton_[r], &QPushButton::clicked, this, [this, r] { OnValue(r, false); });
    }
    rows->setColumnStretch(1, 1);

    uidEdit_ = MakeEdit("uidText", L("UID"), 32);
    uidEdit_->setReadOnly(true);
    keyTypeCombo_ = MakeCombo("keyType", L("Key-Typ"), {L("Key A"), L("Key B")});
    keyIndexCombo_ = MakeCombo("keyIndex", L("Key-Index"), Numbers(16));
    read_ = MakeButton("read", L("Lesen"));
    read_->setDefault(true);
    read_->setAutoDefault(true);
    readAll_ = MakeButton("readAll", S(kTextReadAll));
    write_ = MakeButton("write", L("Schreiben"));
    selectAll_ = MakeButton("selectAll", L("Alles markieren"));
    selectNone_ = MakeButton("selectNone", L("Nichts markieren"));
    defineKeys_ = MakeButton("defineKeys", L("Keys definieren"));
    MakeResetStatusButton("resetStatus");
    MakeCloseButton("close");
    QPushButton* cyclic = MakeCyclicButton("cyclic");
    stopOnErrorCheck_ = MakeCheck("stopOnError", L("Stop bei Fehler"));
    MakeDisplayRadios("hex", "ascii", true);

    auto* display = new QGroupBox(L("Darstellung"), this);
    auto* displayLayout = new QHBoxLayout(display);
    displayLayout->addWidget(HexRadio());
    displayLayout->addWidget(AsciiRadio());
    auto* order = new QGroupBox(L("Reihenfolge"), this);
    auto* orderLayout = new QHBoxLayout(order);
    orderLayout->addWidget(MsbFirstRadio());
    orderLayout->addWidget(LsbFirstRadio());

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(new QLabel(L("UID:"), this));
    buttons->addWidget(uidEdit_);
    buttons->addWidget(new QLabel(L("Authenticate mit:"), this));
    auto* key = new QHBoxLayout;
    key->addWidget(keyTypeCombo_);
    key->addWidget(keyIndexCombo_);
    buttons->addLayout(key);
    for (QWidget* w :
         std::initializer_list<QWidget*>{read_, readAll_, write_, cyclic, stopOnErrorCheck_,
                                         selectAll_, selectNone_, display, order, defineKeys_})
        buttons->addWidget(w);
    AddDumpButtons(buttons);
    EndButtonColumn(buttons);

    sectorState_ = new QLabel(this);
    sectorState_->setObjectName("sectorState");
    auto* layout = new QGridLayout(this);
    layout->addWidget(tabs_, 0, 0, 1, 2);
    layout->addWidget(sectorState_, 1, 0, 1, 2);
    layout->addLayout(rows, 2, 0);
    layout->addLayout(buttons, 2, 1, 2, 1);
    layout->addLayout(BuildAccessGroup(), 3, 0);
    AddStatusRows(layout, 4, 2);

    connect(read_, &QPushButton::clicked, this, [this] { OnRead(); });
    connect(readAll_, &QPushButton::clicked, this, &CMifare1KDlg::OnReadAll);
    // The key chosen to authenticate is the operator's until they choose another.
    connect(keyTypeCombo_, &QComboBox::currentIndexChanged, this,
            [this](int index) { keyType_ = std::max(index, 0); });
    connect(keyIndexCombo_, &QComboBox::currentIndexChanged, this,
            [this](int index) { keyIndex_ = std::max(index, 0); });
    connect(write_, &QPushButton::clicked, this, &CMifare1KDlg::OnWrite);
    connect(selectAll_, &QPushButton::clicked, this, [this] { OnSelectAll(true); });
    connect(selectNone_, &QPushButton::clicked, this, [this] { OnSelectAll(false); });
    connect(defineKeys_, &QPushButton::clicked, this, &CMifare1KDlg::OnDefineKeys);
    connect(stopOnErrorCheck_, &QCheckBox::clicked, this, [this](bool on) { stopOnError_ = on; });
    connect(tabs_, &ui::CButtonTabs::currentChanged, this, &CMifare1KDlg::OnSectorChanged);
    connect(keyAEdit_, &QLineEdit::textEdited, this, &CMifare1KDlg::OnKeyText);
    connect(keyBEdit_, &QLineEdit::textEdited, this, &CMifare1KDlg::OnKeyText);
    connect(userByteEdit_, &QLineEdit::textEdited, this, &CMifare1KDlg::OnKeyText);
}

QLayout* CMifare1KDlg::BuildAccessGroup() {
    auto* group = new QGroupBox(L("Zugriffsrechte"), this);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(1);
    const auto headings = [this, grid](int row, const std::vector<const char*>& texts) {
        for (size_t c = 0; c < texts.size(); ++c) {
            const int column = 2 + 2 * static_cast<int>(c);
            auto* heading = new QLabel(L(texts[c]), this);
            heading->setAlignment(Qt::AlignCenter);
            grid->addWidget(heading, row, column, 1, 2);
            grid->addWidget(new QLabel(L("A"), this), row + 1, column, Qt::AlignCenter);
            grid->addWidget(new QLabel(L("B"), this), row + 1, column + 1, Qt::AlignCenter);
        }
    };
    const auto accessRow = [this, grid](int row, int group, QLabel* label) {
        grid->addWidget(label, row, 0);
        accessCombos_[group] =
            MakeCombo(QString("access%1").arg(group),
                      L("Zugriffsrechte") + QString(" %1").arg(group), Numbers(8));
        grid->addWidget(accessCombos_[group], row, 1);
        connect(accessCombos_[group], &QComboBox::activated, this,
                [this, group] { OnAccessCombo(group); });
    };
    const std::vector<const char*> dataHeadings{"Read", "Write", "Increment", "Decrement"};
    const std::vector<const char*> trailerHeadings{"Read KeyA",  "Write KeyA",  "Read KeyB",
                                                   "Write KeyB", "Read Rights", "Write Rights"};
    // A rights box says its group, its right and its key ("0 - Write B") to a screen
    // reader; it shows no text of its own.
    const auto rightsBox = [this, &dataHeadings, &trailerHeadings](int group, int box) {
        const char* heading = (group == 3 ? trailerHeadings : dataHeadings)[box / 2];
        auto* b = MakeCheck(QString("rights%1_%2").arg(group).arg(box), QString());
        b->setAccessibleName(QString("%1 - %2 %3")
                                 .arg(group == 3 ? L("Rechte") : QString::number(group), L(heading),
                                      L(box % 2 ? "B" : "A")));
        b->setEnabled(false);
        return b;
    };
    headings(0, dataHeadings);
    for (int g = 0; g < 3; ++g) {
        groupLabels_[g] = new QLabel(this);
        groupLabels_[g]->setObjectName(QString("groupLabel%1").arg(g));
        accessRow(2 + g, g, groupLabels_[g]);
        for (int box = 0; box < 8; ++box) {
            dataRights_[g][box] = rightsBox(g, box);
            grid->addWidget(dataRights_[g][box], 2 + g, 2 + box, Qt::AlignCenter);
        }
    }
    headings(5, trailerHeadings);
    accessRow(7, 3, new QLabel(L("Rechte"), this));
    for (int box = 0; box < 12; ++box) {
        trailerRights_[box] = rightsBox(3, box);
        grid->addWidget(trailerRights_[box], 7, 2 + box, Qt::AlignCenter);
    }
    userByteEdit_ = MakeEdit("userByte", L("User Byte"), 2);
    userByteEdit_->setMaximumWidth(40);
    keyAEdit_ = MakeEdit("keyA", L("Key A"), 12);
    keyBEdit_ = MakeEdit("keyB", L("Key B"), 12);
    auto* fields = new QHBoxLayout;
    fields->addWidget(new QLabel(L("User Byte:"), this));
    fields->addWidget(userByteEdit_);
    fields->addSpacing(12);
    fields->addWidget(new QLabel(L("Key A"), this));
    fields->addWidget(keyAEdit_);
    fields->addWidget(new QLabel(L("Key B"), this));
    fields->addWidget(keyBEdit_);
    knownKeys_ = MakeButton("knownKeys", S(kTextTakeKnownKeys));
    knownKeys_->setEnabled(false);
    fields->addWidget(knownKeys_);
    connect(knownKeys_, &QPushButton::clicked, this, &CMifare1KDlg::OnKnownKeys);
    grid->addLayout(fields, 8, 0, 1, 14);
    auto* outer = new QVBoxLayout;
    outer->addWidget(group);
    return outer;
}

// ---- Data exchange ----

int CMifare1KDlg::Sector() const {
    return std::max(tabs_->currentIndex(), 0);
}

int CMifare1KDlg::TrailerRow() const {
    return SectorOf(Sector(), layout1k_).trailerRow;
}

bool CMifare1KDlg::IsManufacturerRow(int row) const {
    return Sector() == 0 && row == 0;
}

void CMifare1KDlg::TakeData() {
    keyType_ = keyTypeCombo_->currentIndex();
    keyIndex_ = keyIndexCombo_->currentIndex();
    for (size_t g = 0; g < 4; ++g)
        trailer_.access[g] = accessCombos_[g]->currentIndex();
    trailer_.keyA = ByteString(keyAEdit_->text());
    trailer_.keyB = ByteString(keyBEdit_->text());
    trailer_.userByte = ByteString(userByteEdit_->text());
    keys_.Type(TrailerKey::A, trailer_.keyA);
    keys_.Type(TrailerKey::B, trailer_.keyB);
    for (int r = 0; r < rows_; ++r) {
        rowSelected_[r] = rowCheck_[r]->isChecked();
        rowText_[r] = rowEdit_[r]->text();
    }
    // A text is parsed in the mode it was shown in: a HEX text of a row whose "Value"
    // box was just checked is no decimal value. A text that cannot be written keeps
    // its row's data and is refused when a write comes.
    textRefusal_.reset();
    for (int r = 0; r < TrailerRow(); ++r) {
        rowRefusal_[r] = {};
        const QString& text = rowText_[r];
        if (!valueMode_[r] && DisplayMode() == kAscii) {
            const SingleByteText bytes = ToSingleByte(text.toStdString());
            if (bytes.refused) {
                rowRefusal_[r] = RefusalText(*bytes.refused);
                if (!textRefusal_)
                    textRefusal_ = rowRefusal_[r];
                continue;
            }
        }
        const auto data = mfc::RowData(ByteString(text), valueMode_[r], DisplayMode(), ByteOrder());
        if (data)
            rowData_[r] = *data;
        else if (valueMode_[r] && !text.isEmpty())
            rowRefusal_[r] = {kTextValueOutOfRange, {text.toStdString()}};
    }
    for (int r = 0; r < std::min(rows_, 15); ++r)
        valueMode_[r] = valueCheck_[r]->isChecked();
}

void CMifare1KDlg::Refresh() {
    // The UID in the order the card sends it, as vorexctl shows it.
    uidEdit_->setText(QString::fromStdString(UidText(uid_, UidOrder::CardOrder)));
    const int trailerRow = TrailerRow();
    for (int r = 0; r < rows_; ++r) {
        // A row whose text was refused shows it as typed, so it can be corrected.
        if (rowRefusal_[r].id == 0)
            rowText_[r] = FromByteString(RowText(rowData_[r], r == trailerRow,
                                                 valueMode_[r] && r != trailerRow, DisplayMode(),
                                                 ByteOrder()));
        const QSignalBlocker blockCheck(rowCheck_[r]);
        rowCheck_[r]->setChecked(rowSelected_[r]);
        rowEdit_[r]->setMaxLength(47);
        rowEdit_[r]->setText(rowText_[r]);
        if (r < 15)
            valueCheck_[r]->setChecked(valueMode_[r]);
    }
    keyTypeCombo_->setCurrentIndex(keyType_);
    keyIndexCombo_->setCurrentIndex(keyIndex_);
    for (size_t g = 0; g < 4; ++g)
        accessCombos_[g]->setCurrentIndex(trailer_.access[g]);
    keyAEdit_->setText(FromByteString(trailer_.keyA));
    keyBEdit_->setText(FromByteString(trailer_.keyB));
    userByteEdit_->setText(FromByteString(trailer_.userByte));
    LayoutRows();
}

void CMifare1KDlg::LayoutRows() {
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    static const QRegularExpression kDigits(QStringLiteral("-?[0-9]*"));
    for (int r = 0; r < rows_; ++r) {
        const bool trailer = r == s.trailerRow;
        const bool inSector = r < s.blocks;
        const bool value = r < 15 && valueMode_[r] && !trailer;
        QLineEdit* edit = rowEdit_[r];
        edit->setMaxLength(RowTextLimit(trailer, value, DisplayMode(), ByteOrder()));
        if (value && !edit->validator())
            edit->setValidator(new QRegularExpressionValidator(kDigits, edit));
        else if (!value && edit->validator())
            edit->setValidator(nullptr);
        edit->setMinimumWidth(value ? kValueEditWidth : kEditWidth);
        edit->setMaximumWidth(value ? kValueEditWidth : QWIDGETSIZE_MAX);
        edit->setReadOnly(trailer || IsManufacturerRow(r));
        rowCheck_[r]->setEnabled(inSector && controlsEnabled_);
        edit->setEnabled(inSector && controlsEnabled_);
        if (r < 15) {
            valueCheck_[r]->setEnabled(inSector && controlsEnabled_ && !trailer &&
                                       !IsManufacturerRow(r));
            if (IsManufacturerRow(r)) {
                valueCheck_[r]->setChecked(false);
                valueMode_[r] = false;
            }
            const bool steps = inSector && controlsEnabled_ && !trailer && valueMode_[r];
            incButton_[r]->setEnabled(steps);
            decButton_[r]->setEnabled(steps);
        }
    }
    // The 4K template's row 3 is the trailer ("Rechte") in 4-block sectors and a data
    // row ("Block 3") in 16-block sectors.
    if (!layout1k_) {
        if (savedLabels_[0].isEmpty())
            savedLabels_ = {rowCheck_[rows_ - 1]->text(), rowCheck_[3]->text()};
        rowCheck_[3]->setText(s.blocks == 4 ? savedLabels_[0] : savedLabels_[1]);
    }
    const std::string prefix = LabelPrefix(ByteString(rowCheck_[0]->text()));
    for (int r = 0; r < rows_; ++r) {
        if (r != s.trailerRow && r < rows_ - 1)
            rowCheck_[r]->setText(FromByteString(RowLabel(prefix, s, r)));
        rowEdit_[r]->setAccessibleName(rowCheck_[r]->text());
        // Rows past the sector's trailer are not shown (the 1K template has none).
        const bool shown = r <= s.trailerRow;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 rowCheck_[r], rowEdit_[r], r < 15 ? valueCheck_[r] : nullptr,
                 r < 15 ? incButton_[r] : nullptr, r < 15 ? decButton_[r] : nullptr})
            if (w)
                w->setVisible(shown);
    }
    const auto groups = GroupLabels(prefix, s);
    for (size_t g = 0; g < 3; ++g)
        groupLabels_[g]->setText(FromByteString(groups[g]));
}

void CMifare1KDlg::ShowTrailerRow() {
    const int row = TrailerRow();
    rowEdit_[row]->setText(
        FromByteString(RowText(rowData_[row], true, false, DisplayMode(), ByteOrder())));
}

// ---- Trailer ----

bool CMifare1KDlg::AccessKnown() const {
    return std::all_of(trailer_.access.begin(), trailer_.access.end(),
                       [](int v) { return v >= 0 && v <= 7; });
}

void CMifare1KDlg::ForgetAccess() {
    trailer_.access = {-1, -1, -1, -1};
}

void CMifare1KDlg::EncodeTrailer() {
    const int row = TrailerRow();
    if (!rowCheck_[row]->isChecked() || !AccessKnown())
        return;
    mfc::EncodeTrailer(rowData_[row], trailer_);
}

void CMifare1KDlg::DecodeTrailer() {
    const auto& row = rowData_[TrailerRow()];
    if (row.size() != 16)
        return;
    // Access bits that do not fit together say nothing about the sector.
    ForgetAccess();
    mfc::DecodeTrailer(row, trailer_);
}

void CMifare1KDlg::ShowAccessRights() {
    const RightsGrid grid = mfc::ShowAccessRights(trailer_.access);
    const auto known = [this](size_t g) {
        return trailer_.access[g] >= 0 && trailer_.access[g] <= 7;
    };
    for (size_t g = 0; g < 3; ++g)
        for (size_t b = 0; b < 8; ++b)
            dataRights_[g][b]->setChecked(known(g) && grid.data[g][b]);
    for (size_t b = 0; b < 12; ++b)
        trailerRights_[b]->setChecked(known(3) && grid.trailer[b]);
}

bool CMifare1KDlg::ConfirmTrailer(std::array<uint8_t, 16>& bytes) {
    const TrailerPlan plan = PlanTrailerWrite(keys_, Sector(), SectorOf(Sector(), layout1k_),
                                              trailer_.access, trailer_.userByte);
    if (!plan.write) {
        for (const TextRef& why : plan.refusals)
            AddStatus(Text(why));
        return false;
    }
    QStringList lines{Text(plan.confirm.head), QString()};
    for (const TextRef& line : plan.confirm.rights)
        lines << Text(line);
    if (!plan.confirm.warnings.empty())
        lines << QString();
    for (const TextRef& line : plan.confirm.warnings)
        lines << Text(line);
    lines << QString() << Text(plan.confirm.question);
    if (!env_.messages->AskYesNo(this, lines.join('\n'), ui::IMessages::Icon::Warning))
        return false;
    bytes = plan.confirm.bytes;
    return true;
}

// ---- Status ----

void CMifare1KDlg::StopCyclicOnError() {
    if (stopOnError_ && CyclicButton()->isChecked())
        CyclicButton()->setChecked(false);
}

// ---- Reader operations ----

bool CMifare1KDlg::SelectCard(std::vector<uint8_t>& uid, uint8_t& sak) {
    cards::mifare::CardInfo card;
    if (!cards::mifare::Activate(Handle(), card)) {
        AddStatus(LastErrorText());
        return false;
    }
    uid = card.uid;
    sak = card.sak;
    return true;
}

bool CMifare1KDlg::CheckSakAndAuthenticate(uint8_t sak, int firstBlock) {
    if (ShowRefusal(SakStatusId(sak, layout1k_), sak))
        return false;
    if (VOREX_MifareAuthenticate(Handle(), nullptr, 0, keyType_ != 0 ? 1 : 0, keyIndex_,
                                 firstBlock) == -1) {
        ShowStatusId(232);
        return false;
    }
    return true;
}

bool CMifare1KDlg::SelectAndAuthenticate(int firstBlock) {
    uint8_t sak = 0;
    if (!SelectCard(uid_, sak)) {
        uid_.clear();
        return false;
    }
    Refresh();
    return CheckSakAndAuthenticate(sak, firstBlock);
}

std::optional<QString> CMifare1KDlg::OpenBoundCard(int firstBlock) {
    cards::mifare::CardInfo card;
    std::vector<uint8_t> present;
    if (cards::mifare::Activate(Handle(), card))
        present = card.uid;
    else if (cards::mifare::ReaderGone(VOREX_GetLastError(Handle())))
        return LastErrorText();
    const BindingCheck check = binding_.Check(present);
    if (!check.write)
        return Text(check.refusal);
    if (const int id = SakStatusId(card.sak, layout1k_)) {
        ShowRefusal(id, card.sak);
        return Status().Current();
    }
    if (VOREX_MifareAuthenticate(Handle(), nullptr, 0, keyType_ != 0 ? 1 : 0, keyIndex_,
                                 firstBlock) == -1)
        return S(232);
    return std::nullopt;
}

// Closing drops unwritten edits too: ask first, default No.
bool CMifare1KDlg::MayClose() {
    return MayReplaceGrid(GridAction::Close);
}

bool CMifare1KDlg::MayReplaceGrid(GridAction action) {
    const bool ask = edits_.Before(action) == PendingVerdict::Ask;
    if (!MayDiscard(edits_, action, env_.messages))
        return false;
    if (ask)
        rowRefusal_ = {}; // the refused rows were discarded with the edits
    return true;
}

void CMifare1KDlg::OnRead(bool background) {
    TakeData();
    if (!background && !MayReplaceGrid(GridAction::Read))
        return;
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    // A cyclic read leaves rows with unwritten edits as typed.
    const auto kept = [&](int r) { return background && edits_.IsEdited(s.first + r); };
    for (int r = 0; r < rows_; ++r)
        if (!kept(r))
            rowData_[static_cast<size_t>(r)].clear();
    uid_.clear();
    binding_.Release();
    Refresh();
    if (!SelectAndAuthenticate(s.first)) {
        StopCyclicOnError();
        return;
    }
    binding_.Bind(uid_);
    if (card_ && card_->dump.uid != uid_) {
        card_.reset();
        sectorStates_.clear();
        ShowSectorStates();
        knownKeys_->setEnabled(false);
    }
    bool stopped = false;
    for (int r = 0; r < s.blocks; ++r) {
        auto& data = rowData_[r];
        if (kept(r))
            continue;
        if (!rowSelected_[r]) {
            data.clear();
            continue;
        }
        data.assign(16, 0);
        if (VOREX_MifareReadBlock(Handle(), s.first + r, data.data(), 16) != 16) {
            data.clear();
            AddStatus(ReadFailureText(s.first + r));
            StopCyclicOnError();
            stopped = true;
            break;
        }
        if (card_)
            std::copy(data.begin(), data.end(),
                      card_->dump.blocks[static_cast<size_t>(s.first + r)].emplace().begin());
    }
    // A read that stopped early says nothing about this sector's keys and access bits.
    if (stopped) {
        keys_.EnterSector(Sector());
        trailer_.keyA.clear();
        trailer_.keyB.clear();
        ForgetAccess();
    }
    DecodeTrailer();
    ShowAccessRights();
    EncodeTrailer();
    Refresh();
}

void CMifare1KDlg::OnWrite() {
    TakeData();
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    if (textRefusal_) {
        AddStatus(Text(*textRefusal_));
        return;
    }
    bool any = false;
    for (int r = 0; r < s.blocks; ++r)
        any = any || rowSelected_[r];
    if (!any)
        return;
    std::array<uint8_t, 16> trailerBytes{};
    if (rowSelected_[s.trailerRow] && !ConfirmTrailer(trailerBytes))
        return;
    if (const auto refused = OpenBoundCard(s.first)) {
        AddStatus(*refused);
        return;
    }
    WriteReport report(WriteUnit::Block);
    const auto fail = [&](int block, const QString& cause) {
        AddStatus(Text(report.Failed(block, cause.toStdString())));
    };
    bool sessionLost = false;
    std::optional<QString> gone;
    for (int r = 0; r < s.blocks; ++r) {
        const int block = s.first + r;
        auto& data = rowData_[r];
        if (!rowSelected_[r]) {
            data.clear();
            continue;
        }
        if (rowRefusal_[r].id != 0) {
            fail(block, Text(rowRefusal_[r]));
            continue;
        }
        if (r == s.trailerRow)
            data.assign(trailerBytes.begin(), trailerBytes.end());
        if (data.size() != 16) {
            fail(block, S(kTextRowEmpty));
            continue;
        }
        // A refused write leaves the card idle: open the sector again for the next row,
        // on the same card; when that fails, the rows left fail for the same reason.
        if (sessionLost && !gone)
            gone = OpenBoundCard(s.first);
        if (gone) {
            fail(block, *gone);
            continue;
        }
        sessionLost = false;
        if (VOREX_MifareWriteBlock(Handle(), block, data.data(), 16) == -1) {
            fail(block, LastErrorText());
            sessionLost = true;
            continue;
        }
        report.Written(block);
        edits_.Settled(block);
        if (card_ && card_->dump.uid == binding_.Uid())
            std::copy(data.begin(), data.end(),
                      card_->dump.blocks[static_cast<size_t>(block)].emplace().begin());
    }
    if (const TextRef summary = report.Summary(); summary.id != 0)
        AddStatus(Text(summary));
    DecodeTrailer();
    ShowAccessRights();
    EncodeTrailer();
    Refresh();
}

void CMifare1KDlg::OnValue(int row, bool increment) {
    TakeData();
    if (IsManufacturerRow(row) || !valueMode_[row])
        return;
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    if (const auto refused = OpenBoundCard(s.first)) {
        AddStatus(*refused);
        return;
    }
    if (VOREX_MifareValue(Handle(), s.first + row, increment ? 1 : 0, 1) == -1)
        AddStatus(Text({kTextBlockProblem,
                        {std::to_string(s.first + row), LastErrorText().trimmed().toStdString()}}));
    else
        AddStatus(Text(
            {increment ? kTextIncremented : kTextDecremented, {std::to_string(s.first + row)}}));
}

QString CMifare1KDlg::ReadFailureText(int block) const {
    // Right after the sector was opened, "not authenticated" means the sector's access
    // conditions do not let this key read the block.
    if (VOREX_GetErrorStringId(VOREX_GetLastError(Handle())) == 244)
        return Text(
            {kTextReadForbidden, {std::to_string(block), keyType_ != 0 ? "Key B" : "Key A"}});
    return Text(
        {kTextBlockProblem, {std::to_string(block), LastErrorText().trimmed().toStdString()}});
}

void CMifare1KDlg::OnReadAll() {
    if (readingAll_) {
        cancelReadAll_ = true;
        return;
    }
    TakeData();
    if (!MayReplaceGrid(GridAction::Read))
        return;
    std::vector<uint8_t> uid;
    uint8_t sak = 0;
    if (!SelectCard(uid, sak) || ShowRefusal(SakStatusId(sak, layout1k_), sak))
        return;
    cards::mifare::CardInfo card;
    card.uid = uid;
    card.sak = sak;
    readingAll_ = true;
    cancelReadAll_ = false;
    EnableControls(false);
    readAll_->setEnabled(true);
    readAll_->setText(S(kTextCancel));
    // The wait leaves this dialog usable: its one enabled button cancels.
    if (env_.waitHook)
        env_.waitHook->Spare(this);
    const int sectors = TemplateSectors(layout1k_);
    ShowProgress(sectors);
    cards::mifare::ClassicReadResult result = cards::mifare::DumpClassic(
        Handle(), card, {}, cards::mifare::KeyStoreSlots(smallKeyStore_),
        [this](int done, int) { StepProgress(done); }, [this] { return cancelReadAll_; });
    HideProgress();
    if (env_.waitHook)
        env_.waitHook->Spare(nullptr);
    readAll_->setText(S(kTextReadAll));
    readingAll_ = false;
    EnableControls(true);

    int done = 0;
    for (int sector = 0; sector < sectors; ++sector)
        if (!result.opened[static_cast<size_t>(sector)].empty() ||
            std::count(result.closedSectors.begin(), result.closedSectors.end(), sector))
            done = sector + 1;
    const std::string uidText = UidText(uid, UidOrder::CardOrder);
    if (result.interrupted) {
        const auto& why = *result.interrupted;
        AddStatus(Text({kTextReadAllStopped,
                        {std::to_string(cards::mifare::SectorOf(why.block)),
                         (why.cause == cards::mifare::Interruption::Cause::CardGone
                              ? S(kTextCardLeft)
                              : EngineErrorText(why.error).trimmed())
                             .toStdString()}}));
    } else if (result.cancelled) {
        AddStatus(Text({kTextReadAllCancelled, {std::to_string(done), std::to_string(sectors)}}));
    } else {
        AddStatus(Text({kTextReadAllDone,
                        {uidText, std::to_string(sectors - result.closedSectors.size()),
                         std::to_string(sectors)}}));
    }
    sectorStates_.assign(static_cast<size_t>(sectors), QString());
    for (int sector = 0; sector < sectors; ++sector) {
        const auto& opened = result.opened[static_cast<size_t>(sector)];
        std::vector<int> unread;
        for (int b : result.unreadable)
            if (cards::mifare::SectorOf(b) == sector)
                unread.push_back(b);
        std::string keys;
        for (const auto& k : opened)
            keys += (keys.empty() ? "" : ", ") + k.Describe();
        TextRef state;
        if (sector >= done)
            state = {kTextSectorNotRead, {std::to_string(sector)}};
        else if (opened.empty())
            state = {kTextSectorClosed, {std::to_string(sector)}};
        else if (unread.empty())
            state = {kTextSectorRead, {std::to_string(sector), keys}};
        else
            state = {kTextSectorPartly, {std::to_string(sector), keys, NumberRuns(unread)}};
        sectorStates_[static_cast<size_t>(sector)] = Text(state);
    }
    card_ = std::move(result);
    edits_.DiscardAll();
    ShowSectorData();
}

void CMifare1KDlg::ShowSectorData() {
    for (auto& data : rowData_)
        data.clear();
    rowRefusal_ = {};
    uid_.clear();
    binding_.Release();
    // Keys and access values belong to one sector: the next one starts without them.
    keys_.EnterSector(Sector());
    trailer_.keyA.clear();
    trailer_.keyB.clear();
    trailer_.userByte.clear();
    ForgetAccess();
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    if (card_ && static_cast<size_t>(s.first + s.blocks) <= card_->dump.blocks.size()) {
        for (int r = 0; r < s.blocks; ++r)
            if (const auto& block = card_->dump.blocks[static_cast<size_t>(s.first + r)])
                rowData_[r].assign(block->begin(), block->end());
        uid_ = card_->dump.uid;
        binding_.Bind(uid_);
        DecodeTrailer();
    }
    knownKeys_->setEnabled(KnownKeys().keyA || KnownKeys().keyB);
    ShowAccessRights();
    EncodeTrailer();
    Refresh();
    ShowSectorStates();
}

cards::mifare::SectorKeys CMifare1KDlg::KnownKeys() const {
    if (!card_ || static_cast<size_t>(Sector()) >= card_->dump.keys.size() ||
        card_->dump.uid != binding_.Uid())
        return {};
    return card_->dump.keys[static_cast<size_t>(Sector())];
}

// The operator takes the keys the whole-card read knows by value for this sector
// (a key given by value that opened it, or a Key B the trailer shows) into the key
// fields, as if typed.
void CMifare1KDlg::OnKnownKeys() {
    const cards::mifare::SectorKeys known = KnownKeys();
    if (known.keyA)
        trailer_.keyA = cards::Hex(known.keyA->data(), known.keyA->size());
    if (known.keyB)
        trailer_.keyB = cards::Hex(known.keyB->data(), known.keyB->size());
    keyAEdit_->setText(FromByteString(trailer_.keyA));
    keyBEdit_->setText(FromByteString(trailer_.keyB));
    keys_.Type(TrailerKey::A, trailer_.keyA);
    keys_.Type(TrailerKey::B, trailer_.keyB);
    EncodeTrailer();
    ShowTrailerRow();
}

void CMifare1KDlg::ShowSectorStates() {
    const auto state = [this](int sector) {
        return static_cast<size_t>(sector) < sectorStates_.size()
                   ? sectorStates_[static_cast<size_t>(sector)]
                   : QString();
    };
    sectorState_->setText(state(Sector()));
    for (int sector = 0; sector < tabs_->count(); ++sector)
        if (auto* tab = tabs_->findChild<QPushButton*>(QString("tab%1").arg(sector)))
            tab->setToolTip(state(sector).isEmpty() ? tabs_->tabText(sector) : state(sector));
}

// ---- Handlers ----

void CMifare1KDlg::OnValueMode(int row) {
    TakeData();
    if (IsManufacturerRow(row))
        valueMode_[row] = false;
    Refresh();
}

void CMifare1KDlg::OnRowSelected(int row) {
    TakeData();
    if (row == TrailerRow() && rowSelected_[row])
        EncodeTrailer();
    Refresh();
}

void CMifare1KDlg::OnAccessCombo(int group) {
    trailer_.access[static_cast<size_t>(group)] = accessCombos_[group]->currentIndex();
    ShowAccessRights();
    EncodeTrailer();
    ShowTrailerRow();
}

void CMifare1KDlg::OnKeyText() {
    trailer_.keyA = ByteString(keyAEdit_->text());
    trailer_.keyB = ByteString(keyBEdit_->text());
    trailer_.userByte = ByteString(userByteEdit_->text());
    keys_.Type(TrailerKey::A, trailer_.keyA);
    keys_.Type(TrailerKey::B, trailer_.keyB);
    auto* edit = qobject_cast<QLineEdit*>(sender());
    if (edit && edit->text().size() != edit->maxLength())
        return;
    EncodeTrailer();
    ShowTrailerRow();
}

void CMifare1KDlg::OnSectorChanged(int sector) {
    if (sector == shownSector_)
        return;
    if (!MayReplaceGrid(GridAction::TabChange)) {
        tabs_->setCurrentIndex(shownSector_);
        return;
    }
    shownSector_ = sector;
    ShowSectorData();
}

void CMifare1KDlg::OnSelectAll(bool select) {
    TakeData();
    const int trailerRow = TrailerRow();
    for (int r = 0; r < rows_; ++r)
        rowSelected_[r] = RowAfterSelectAll(r, trailerRow, select, rowSelected_[r]);
    Refresh();
}

void CMifare1KDlg::OnDisplay(int mode, int order) {
    TakeData();
    SetDisplay(mode, order);
    Refresh();
}

void CMifare1KDlg::EnableControls(bool enable) {
    controlsEnabled_ = enable;
    for (QWidget* w : std::initializer_list<QWidget*>{
             read_, readAll_, write_, CyclicButton(), AsciiRadio(), HexRadio(), MsbFirstRadio(),
             LsbFirstRadio(), selectAll_, selectNone_, tabs_})
        w->setEnabled(enable);
    LayoutRows();
}

// Unchecking gives the controls back at once, also while a tick still runs.
void CMifare1KDlg::OnCyclic(bool checked) {
    if (checked) {
        CWorkbenchDlg::OnCyclic(true);
        return;
    }
    Cyclic().Stop();
    EnableControls(true);
}

void CMifare1KDlg::OnDefineKeys() {
    if (smallKeyStore_) {
        CMifareReducedKeys dialog(env_, this);
        dialog.SetConnection(Handle());
        dialog.exec();
    } else {
        CMifareDefineKeys dialog(env_, this);
        dialog.SetConnection(Handle());
        dialog.exec();
    }
}

} // namespace vorex::wb::mfc

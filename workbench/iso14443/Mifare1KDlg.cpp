#include "workbench/iso14443/Mifare1KDlg.h"

#include "ui/ButtonTabs.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/ClassicRows.h"
#include "workbench/iso14443/ClassicSector.h"
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
    SetCyclicStep([this] { OnRead(); });
    ShowDisplay();
    tabs_->setCurrentIndex(0);
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
    MakeStatusPane("statusLog", "statusLine", 70);

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
         std::initializer_list<QWidget*>{read_, write_, cyclic, stopOnErrorCheck_, selectAll_,
                                         selectNone_, display, order, defineKeys_})
        buttons->addWidget(w);
    AddDumpButtons(buttons);
    EndButtonColumn(buttons);

    auto* layout = new QGridLayout(this);
    layout->addWidget(tabs_, 0, 0, 1, 2);
    layout->addLayout(rows, 1, 0);
    layout->addLayout(buttons, 1, 1, 2, 1);
    layout->addLayout(BuildAccessGroup(), 2, 0);
    AddStatusRows(layout, 3, 2);

    connect(read_, &QPushButton::clicked, this, &CMifare1KDlg::OnRead);
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
    for (int r = 0; r < rows_; ++r) {
        rowSelected_[r] = rowCheck_[r]->isChecked();
        rowText_[r] = rowEdit_[r]->text();
    }
    // A text is parsed in the mode it was shown in: a HEX text of a row whose "Value"
    // box was just checked is no decimal value.
    for (int r = 0; r < TrailerRow(); ++r) {
        const auto data =
            mfc::RowData(ByteString(rowText_[r]), valueMode_[r], DisplayMode(), ByteOrder());
        if (data)
            rowData_[r] = *data;
        else if (valueMode_[r] && !rowText_[r].isEmpty())
            AddStatus(Format(L("Block %d: der Wert liegt nicht zwischen -2147483648 und "
                               "2147483647"),
                             SectorOf(Sector(), layout1k_).first + r));
    }
    for (int r = 0; r < std::min(rows_, 15); ++r)
        valueMode_[r] = valueCheck_[r]->isChecked();
}

void CMifare1KDlg::Refresh() {
    uidEdit_->setText(uid_.empty()
                          ? QString()
                          : FromByteString(wb::BytesToText(uid_, static_cast<uint8_t>(uid_.size()),
                                                           wb::kHex, wb::kMsbFirst)));
    const int trailerRow = TrailerRow();
    for (int r = 0; r < rows_; ++r) {
        rowText_[r] =
            FromByteString(RowText(rowData_[r], r == trailerRow, valueMode_[r] && r != trailerRow,
                                   DisplayMode(), ByteOrder()));
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

void CMifare1KDlg::EncodeTrailer() {
    const int row = TrailerRow();
    if (!rowCheck_[row]->isChecked())
        return;
    mfc::EncodeTrailer(rowData_[row], trailer_);
}

void CMifare1KDlg::DecodeTrailer() {
    mfc::DecodeTrailer(rowData_[TrailerRow()], trailer_);
}

void CMifare1KDlg::ShowAccessRights() {
    const RightsGrid grid = mfc::ShowAccessRights(trailer_.access);
    for (size_t g = 0; g < 3; ++g)
        for (size_t b = 0; b < 8; ++b)
            dataRights_[g][b]->setChecked(grid.data[g][b]);
    for (size_t b = 0; b < 12; ++b)
        trailerRights_[b]->setChecked(grid.trailer[b]);
}

// ---- Status ----

void CMifare1KDlg::StopCyclicOnError() {
    if (stopOnError_ && CyclicButton()->isChecked())
        CyclicButton()->setChecked(false);
}

// ---- Reader operations ----

bool CMifare1KDlg::SelectAndAuthenticate(int firstBlock) {
    unsigned short atqa = 0;
    if (VOREX_MifareRequest(Handle(), &atqa) == -1) {
        AddStatus(LastErrorText());
        return false;
    }
    uid_.assign(10, 0);
    unsigned char sak = 0;
    const int length = VOREX_MifareSelect(Handle(), uid_.data(), 10, &sak);
    if (length == -1) {
        uid_.clear();
        AddStatus(LastErrorText());
        return false;
    }
    uid_.resize(static_cast<size_t>(std::clamp(length, 0, 10)));
    Refresh();
    if (ShowRefusal(SakStatusId(sak, layout1k_), sak))
        return false;
    if (VOREX_MifareAuthenticate(Handle(), nullptr, 0, keyType_ != 0 ? 1 : 0, keyIndex_,
                                 firstBlock) == -1) {
        ShowStatusId(232);
        return false;
    }
    return true;
}

void CMifare1KDlg::OnRead() {
    TakeData();
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    for (auto& data : rowData_)
        data.clear();
    uid_.clear();
    Refresh();
    if (!SelectAndAuthenticate(s.first)) {
        StopCyclicOnError();
        return;
    }
    for (int r = 0; r < s.blocks; ++r) {
        auto& data = rowData_[r];
        if (!rowSelected_[r]) {
            data.clear();
            continue;
        }
        data.assign(16, 0);
        if (VOREX_MifareReadBlock(Handle(), s.first + r, data.data(), 16) != 16) {
            data.clear();
            AddStatus(LastErrorText());
            StopCyclicOnError();
            break;
        }
    }
    DecodeTrailer();
    ShowAccessRights();
    EncodeTrailer();
    Refresh();
}

void CMifare1KDlg::OnWrite() {
    TakeData();
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    // A trailer with locking access bits or unknown keys closes the sector for good.
    if (rowSelected_[s.trailerRow] &&
        !env_.messages->AskYesNo(this,
                                 L("Der Sektor-Trailer (Keys und Zugriffsrechte) wird "
                                   "geschrieben. Falsche Keys oder Zugriffsrechte können "
                                   "den Sektor für immer sperren!\r\nWollen Sie den "
                                   "Trailer wirklich schreiben?"),
                                 ui::IMessages::Icon::Warning))
        return;
    if (!SelectAndAuthenticate(s.first))
        return;
    bool success = false;
    bool sessionLost = false;
    for (int r = 0; r < s.blocks; ++r) {
        auto& data = rowData_[r];
        if (!rowSelected_[r]) {
            data.clear();
            continue;
        }
        if (data.size() != 16) {
            ShowWrongLength(r, static_cast<int>(data.size()));
            success = false;
            continue;
        }
        // A refused write leaves the card idle: open the sector again for the next row.
        if (sessionLost && !SelectAndAuthenticate(s.first)) {
            success = false;
            continue;
        }
        sessionLost = false;
        if (VOREX_MifareWriteBlock(Handle(), s.first + r, data.data(), 16) == -1) {
            AddStatus(LastErrorText());
            success = false;
            sessionLost = true;
        } else {
            success = true;
        }
    }
    DecodeTrailer();
    ShowAccessRights();
    EncodeTrailer();
    Refresh();
    if (success)
        ShowStatusId(199);
}

void CMifare1KDlg::OnValue(int row, bool increment) {
    TakeData();
    if (IsManufacturerRow(row) || !valueMode_[row])
        return;
    const mfc::Sector s = SectorOf(Sector(), layout1k_);
    if (!SelectAndAuthenticate(s.first))
        return;
    if (VOREX_MifareValue(Handle(), s.first + row, increment ? 1 : 0, 1) == -1)
        AddStatus(LastErrorText());
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
    auto* edit = qobject_cast<QLineEdit*>(sender());
    if (edit && edit->text().size() != edit->maxLength())
        return;
    EncodeTrailer();
    ShowTrailerRow();
}

void CMifare1KDlg::OnSectorChanged(int) {
    for (auto& data : rowData_)
        data.clear();
    uid_.clear();
    Refresh();
    EncodeTrailer();
    Refresh();
}

void CMifare1KDlg::OnSelectAll(bool select) {
    TakeData();
    for (int r = 0; r < rows_; ++r)
        rowSelected_[r] = select;
    Refresh();
}

void CMifare1KDlg::OnDisplay(int mode, int order) {
    TakeData();
    SetDisplay(mode, order);
    Refresh();
}

void CMifare1KDlg::EnableControls(bool enable) {
    controlsEnabled_ = enable;
    for (QWidget* w : std::initializer_list<QWidget*>{read_, write_, CyclicButton(), AsciiRadio(),
                                                      HexRadio(), MsbFirstRadio(), LsbFirstRadio(),
                                                      selectAll_, selectNone_, tabs_})
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

#include "workbench/common/WorkbenchDlg.h"

#include "cards/Type2Tag.h"
#include "ui/EditableListCtrl.h"
#include "ui/ShellEnv.h"
#include "ui/Texts.h"
#include "ui/WaitHook.h"
#include "workbench/common/ByteText.h"
#include "workbench/iso14443/PageTagRules.h"
#include <vorex/vorex.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <limits>

namespace vorex::wb {

CWorkbenchDlg::CWorkbenchDlg(QWidget* parent)
    : QDialog(parent), cycleTime_(ui::ProfileInt("Settings", "ZyklusZeit", 250)) {
    // The program is ending: a running read stops between two exchanges.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &CWorkbenchDlg::RequestCancel);
}

CWorkbenchDlg::~CWorkbenchDlg() {
    EndReaderSession();
}

void CWorkbenchDlg::EndReaderSession() {
    cyclic_.Stop();
    cancel_ = true;
    if (handle_ == 0 || sessionEnded_)
        return;
    sessionEnded_ = true;
    // Work queued for this dialog (a start read) must not run in the wait below.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    VOREX_SetHostMode(handle_, 0);
}

void CWorkbenchDlg::done(int result) {
    QDialog::done(result);
    EndReaderSession();
}

void CWorkbenchDlg::SetConnection(int handle) {
    handle_ = handle;
    cyclic_.SetHandle(handle);
}

void CWorkbenchDlg::HostModeOn() {
    if (handle_ != 0)
        VOREX_SetHostMode(handle_, 1);
}

void CWorkbenchDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (initialised_)
        return;
    initialised_ = true;
    InitDialog();
}

// ---- Status ----

void CWorkbenchDlg::AddStatus(const QString& text) {
    status_->AddStatus(text);
}

void CWorkbenchDlg::ShowStatusId(int id) {
    status_->ShowStatusId(id);
}

QString CWorkbenchDlg::EngineErrorText(int error) {
    return ui::Format(ui::S(VOREX_GetErrorStringId(error)), error);
}

QString CWorkbenchDlg::LastErrorText() const {
    return EngineErrorText(VOREX_GetLastError(handle_));
}

bool CWorkbenchDlg::ShowRefusal(int textId, uint8_t sak) {
    if (textId == 0)
        return false;
    if (textId == 241)
        AddStatus(
            QString(ui::S(241))
                .replace(QLatin1String("%02x"), QStringLiteral("%1").arg(sak, 2, 16, QChar('0'))));
    else
        ShowStatusId(textId);
    return true;
}

void CWorkbenchDlg::ShowWrongLength(int page, int length) {
    QString text = ui::S(242);
    const qsizetype first = text.indexOf(QLatin1String("%d"));
    if (first >= 0)
        text.replace(first, 2, QString::number(page));
    AddStatus(ui::Format(text, length));
}

bool CWorkbenchDlg::PageToWrite(nfc::PageWrite action, int page, int length) {
    if (action == nfc::PageWrite::WrongLength)
        ShowWrongLength(page, length);
    return action == nfc::PageWrite::Write;
}

bool CWorkbenchDlg::WritePage(int page, const std::vector<uint8_t>& data) {
    const cards::type2::PageWriteResult result =
        cards::type2::WritePages(handle_, page, data.data(), 1);
    if (result.failedPage < 0)
        return true;
    AddStatus(result.problem == "verify"
                  ? ui::Format(ui::S(218), page)
                  : EngineErrorText(nfc::WriteErrorCode(VOREX_GetLastError(handle_))));
    return false;
}

std::string CWorkbenchDlg::ByteString(const QString& text) {
    return text.toLatin1().toStdString();
}

QString CWorkbenchDlg::FromByteString(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// ---- Shared buttons ----

void CWorkbenchDlg::OnCyclic(bool checked) {
    if (!checked) {
        if (cyclic_.Stop())
            CyclicStopped();
        return;
    }
    EnableControls(false);
    cyclicButton_->setEnabled(true);
    cyclic_.Start(cycleTime_);
}

void CWorkbenchDlg::OnResetStatus() {
    status_->ShowStatusId(170);
    status_->Reset();
}

void CWorkbenchDlg::OnClose() {
    if (!MayClose())
        return;
    // A running read or write ends between two exchanges; the dialog goes once it has.
    RequestCancel();
    if (cyclicButton_)
        cyclicButton_->setChecked(false);
    if (cyclic_.Stop())
        EnableControls(true);
    QMetaObject::invokeMethod(
        this, [this] { done(Rejected); }, Qt::QueuedConnection);
}

void CWorkbenchDlg::reject() {
    // Esc cancels a running operation; otherwise it closes the dialog.
    if (OperationRunning())
        RequestCancel();
    else
        OnClose();
}

void CWorkbenchDlg::SetCyclicStep(std::function<void()> step) {
    // A tick whose timer fires while another read or write waits for the reader (its
    // wait pumps events) leaves the reader to that operation.
    cyclic_.SetStep(
        [this, step = std::move(step)] {
            if (!OperationRunning())
                step();
        },
        [this] { return cyclicButton_->isChecked(); }, [this] { CyclicStopped(); });
}

// ---- Controls ----

void CWorkbenchDlg::Name(QWidget* widget, const QString& name, const QString& accessible) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
}

void CWorkbenchDlg::MakeStatusPane(const QString& logName, const QString& lineName, int logHeight,
                                   const QString& progressName) {
    status_ = std::make_unique<ui::CStatusPane>(this, logName, lineName);
    status_->Log()->setMinimumHeight(logHeight);
    status_->Log()->setAccessibleName(ui::L("Statusprotokoll"));
    status_->Line()->setAccessibleName(ui::L("Statuszeile"));
    if (progressName.isEmpty())
        return;
    // The bar and its cancel button share one row of the status line's height, so that
    // nothing else moves when they appear.
    progressRow_ = new QWidget(this);
    progress_ = new QProgressBar(progressRow_);
    Name(progress_, progressName, ui::L("Fortschritt"));
    progress_->setTextVisible(false);
    progress_->hide();
    cancelButton_ = new QPushButton(ui::L("Abbrechen"), progressRow_);
    Name(cancelButton_, "cancelOperation", ui::L("Abbrechen"));
    cancelButton_->setAutoDefault(false);
    connect(cancelButton_, &QPushButton::clicked, this, &CWorkbenchDlg::RequestCancel);
    auto* row = new QHBoxLayout(progressRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(progress_, 1);
    row->addWidget(cancelButton_);
    progressRow_->setFixedHeight(status_->Line()->sizeHint().height());
    progressRow_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    progressRow_->hide();
}

void CWorkbenchDlg::AddStatusRows(QGridLayout* layout, int row, int columns) {
    layout->addWidget(new QLabel(ui::L("Status:"), this), row, 0, 1, columns);
    layout->addWidget(status_->Log(), row + 1, 0, 1, columns);
    layout->addWidget(status_->Line(), row + 2, 0, 1, columns);
    if (progressRow_)
        layout->addWidget(progressRow_, row + 2, 0, 1, columns);
}

void CWorkbenchDlg::ShowProgress(int maximum) {
    progress_->setRange(0, maximum);
    progress_->setValue(0);
    status_->Line()->hide();
    progress_->show();
    progressRow_->show();
    sinceProgress_.start();
}

void CWorkbenchDlg::StepProgress(int value) {
    if (sinceProgress_.elapsed() < 20)
        return;
    progress_->setValue(value);
    sinceProgress_.restart();
}

void CWorkbenchDlg::HideProgress() {
    progressRow_->hide();
    progress_->hide();
    status_->Line()->show();
}

ui::CEditableListCtrl* CWorkbenchDlg::MakeGrid(const QString& name, const QString& accessible) {
    auto* grid = new ui::CEditableListCtrl(this);
    Name(grid, name, accessible);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(grid, &ui::CEditableListCtrl::keyDown, this, [grid](int key) {
        if (key == Qt::Key_Space)
            grid->EditCell(grid->currentRow(), 0, 1);
    });
    return grid;
}

void CWorkbenchDlg::EndButtonColumn(QBoxLayout* column, std::initializer_list<QWidget*> above) {
    column->addStretch(1);
    for (QWidget* w : above)
        column->addWidget(w);
    column->addWidget(resetStatus_);
    column->addWidget(close_);
}

QPushButton* CWorkbenchDlg::MakeButton(const QString& name, const QString& text) {
    auto* b = new QPushButton(text, this);
    Name(b, name, text);
    b->setAutoDefault(false);
    return b;
}

QPushButton* CWorkbenchDlg::MakeCyclicButton(const QString& name) {
    cyclicButton_ = MakeButton(name, ui::L("Zyklisch lesen"));
    cyclicButton_->setCheckable(true);
    connect(cyclicButton_, &QPushButton::clicked, this, &CWorkbenchDlg::OnCyclic);
    return cyclicButton_;
}

QPushButton* CWorkbenchDlg::MakeResetStatusButton(const QString& name) {
    resetStatus_ = MakeButton(name, ui::L("Reset Status"));
    connect(resetStatus_, &QPushButton::clicked, this, &CWorkbenchDlg::OnResetStatus);
    return resetStatus_;
}

QPushButton* CWorkbenchDlg::MakeCloseButton(const QString& name) {
    close_ = MakeButton(name, ui::L("Schließen"));
    connect(close_, &QPushButton::clicked, this, &CWorkbenchDlg::OnClose);
    return close_;
}

QCheckBox* CWorkbenchDlg::MakeCheck(const QString& name, const QString& text) {
    auto* b = new QCheckBox(text, this);
    Name(b, name, text);
    return b;
}

QRadioButton* CWorkbenchDlg::MakeRadio(const QString& name, const QString& text) {
    auto* r = new QRadioButton(text, this);
    Name(r, name, text);
    return r;
}

QLineEdit* CWorkbenchDlg::MakeEdit(const QString& name, const QString& accessible, int maxLength) {
    auto* e = new QLineEdit(this);
    Name(e, name, accessible);
    e->setMaxLength(maxLength);
    return e;
}

QLineEdit* CWorkbenchDlg::MakeReadOnlyEdit(const QString& name, const QString& accessible) {
    auto* e = new QLineEdit(this);
    Name(e, name, accessible);
    e->setReadOnly(true);
    return e;
}

QComboBox* CWorkbenchDlg::MakeCombo(const QString& name, const QString& accessible,
                                    const QStringList& items) {
    auto* c = new QComboBox(this);
    Name(c, name, accessible);
    c->addItems(items);
    return c;
}

// ---- Display mode and byte order ----

void CWorkbenchDlg::MakeDisplayRadios(const QString& hexName, const QString& asciiName,
                                      bool withOrder) {
    hex_ = MakeRadio(hexName, ui::L("HEX"));
    ascii_ = MakeRadio(asciiName, ui::L("ASCII"));
    auto* modes = new QButtonGroup(this);
    modes->addButton(hex_);
    modes->addButton(ascii_);
    connect(hex_, &QRadioButton::clicked, this, [this] { OnDisplay(kHex, byteOrder_); });
    connect(ascii_, &QRadioButton::clicked, this, [this] { OnDisplay(kAscii, byteOrder_); });
    if (!withOrder)
        return;
    msbFirst_ = MakeRadio("msbFirst", ui::L("MSB first"));
    lsbFirst_ = MakeRadio("lsbFirst", ui::L("LSB first"));
    auto* orders = new QButtonGroup(this);
    orders->addButton(msbFirst_);
    orders->addButton(lsbFirst_);
    connect(msbFirst_, &QRadioButton::clicked, this,
            [this] { OnDisplay(displayMode_, kMsbFirst); });
    connect(lsbFirst_, &QRadioButton::clicked, this,
            [this] { OnDisplay(displayMode_, kLsbFirst); });
}

void CWorkbenchDlg::AddDisplayColumn(QBoxLayout* column) {
    column->addSpacing(8);
    column->addWidget(new QLabel(ui::L("Darstellung"), this));
    column->addWidget(hex_);
    column->addWidget(ascii_);
    column->addWidget(new QLabel(ui::L("Reihenfolge"), this));
    column->addWidget(msbFirst_);
    column->addWidget(lsbFirst_);
}

void CWorkbenchDlg::KeepDisplayIn(const char* modeKey, const char* orderKey) {
    modeKey_ = modeKey;
    orderKey_ = orderKey;
    const auto read = [](const char* key, int first, int second) {
        const int value = key ? ui::ProfileInt("Settings", key, first) : first;
        return value == second ? second : first;
    };
    displayMode_ = read(modeKey, kHex, kAscii);
    byteOrder_ = read(orderKey, kMsbFirst, kLsbFirst);
}

void CWorkbenchDlg::SetDisplay(int mode, int order) {
    displayMode_ = mode;
    byteOrder_ = order;
    if (modeKey_)
        ui::WriteProfileInt("Settings", modeKey_, mode);
    if (orderKey_)
        ui::WriteProfileInt("Settings", orderKey_, order);
}

void CWorkbenchDlg::ShowDisplay() {
    hex_->setChecked(displayMode_ == kHex);
    ascii_->setChecked(displayMode_ == kAscii);
    if (!msbFirst_)
        return;
    msbFirst_->setChecked(byteOrder_ == kMsbFirst);
    lsbFirst_->setChecked(byteOrder_ == kLsbFirst);
}

// ---- First show, rule texts, display defaults ----

void CWorkbenchDlg::setVisible(bool visible) {
    if (visible && !beforeShowDone_) {
        beforeShowDone_ = true;
        BeforeFirstShow();
    }
    QDialog::setVisible(visible);
}

QString CWorkbenchDlg::Text(const TextRef& ref) {
    if (ref.id == 0)
        return {};
    const QString pattern = ui::S(ref.id);
    // One pass, so that a value holding "%2" stays as it is.
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const qsizetype n = i + 1 < pattern.size() ? pattern[i + 1].digitValue() : -1;
        if (pattern[i] == '%' && n >= 1 && static_cast<size_t>(n) <= ref.args.size()) {
            text += QString::fromStdString(ref.args[static_cast<size_t>(n - 1)]);
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

void CWorkbenchDlg::KeepDisplayIn(const char* modeKey, const char* orderKey, int defaultOrder) {
    KeepDisplayIn(modeKey, orderKey);
    constexpr int kNone = std::numeric_limits<int>::min();
    if (orderKey && ui::ProfileInt("Settings", orderKey, kNone) == kNone)
        byteOrder_ = defaultOrder;
}

// ---- Long operations, write reports, unwritten edits ----

CWorkbenchDlg::OperationScope::OperationScope(CWorkbenchDlg& dialog, int maximum,
                                              ui::CWaitHook* hook,
                                              std::initializer_list<QWidget*> lockAlso, bool cyclic)
    : dialog_(dialog), hook_(hook), outermost_(dialog.operationDepth_++ == 0), cyclic_(cyclic) {
    if (!outermost_) {
        // The inner step knows how far it goes.
        if (maximum > 0 && dialog_.progressRow_)
            dialog_.ShowProgress(maximum);
        return;
    }
    dialog_.cancel_ = false;
    if (!cyclic_) {
        dialog_.EnableControls(false);
        for (QWidget* w : lockAlso)
            if (w && w->isEnabled()) {
                w->setEnabled(false);
                locked_.push_back(w);
            }
    }
    if (dialog_.progressRow_)
        dialog_.ShowProgress(maximum);
    if (hook_)
        hook_->Spare(dialog_.window());
}

CWorkbenchDlg::OperationScope::~OperationScope() {
    if (--dialog_.operationDepth_ > 0 || !outermost_)
        return;
    if (hook_)
        hook_->Spare(nullptr);
    if (dialog_.progressRow_)
        dialog_.HideProgress();
    for (QWidget* w : locked_)
        w->setEnabled(true);
    if (!cyclic_ && !dialog_.cyclic_.Running())
        dialog_.EnableControls(true);
}

void CWorkbenchDlg::RequestCancel() {
    cancel_ = true;
    if (cyclic_.Busy() && cyclicButton_ && cyclicButton_->isChecked())
        cyclicButton_->setChecked(false);
}

bool CWorkbenchDlg::MayDiscard(PendingEdits& edits, GridAction action, ui::IMessages* messages) {
    switch (edits.Before(action)) {
    case PendingVerdict::Proceed:
        return true;
    case PendingVerdict::KeepEdits:
        return false;
    case PendingVerdict::Ask:
        break;
    }
    if (!messages ||
        !messages->AskYesNo(this, Text(edits.Question()), ui::IMessages::Icon::Question))
        return false;
    edits.DiscardAll();
    return true;
}

void CWorkbenchDlg::ShowWriteSummary(const WriteReport& report, ui::IMessages* messages) {
    const TextRef summary = report.Summary();
    if (summary.id == 0)
        return;
    const QString text = Text(summary);
    if (report.AnyFailed())
        AddStatus(text);
    if (messages)
        messages->Show(this, text,
                       report.AnyFailed() ? ui::IMessages::Icon::Warning
                                          : ui::IMessages::Icon::Information);
}

void CWorkbenchDlg::hideEvent(QHideEvent* event) {
    // A workbench hidden by the program (not minimised) reads no further: the program
    // may be ending.
    if (!event->spontaneous())
        RequestCancel();
    QDialog::hideEvent(event);
}

void CWorkbenchDlg::closeEvent(QCloseEvent* event) {
    // The window was closed: stop at once, then go as "Schließen" goes.
    event->ignore();
    OnClose();
}

} // namespace vorex::wb

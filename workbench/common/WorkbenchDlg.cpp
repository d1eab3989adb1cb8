#include "workbench/common/WorkbenchDlg.h"

#include "ui/Texts.h"
#include <vorex/vorex.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vorex::wb {

CWorkbenchDlg::CWorkbenchDlg(QWidget* parent)
    : QDialog(parent), cycleTime_(ui::ProfileInt("Settings", "ZyklusZeit", 250)) {}

CWorkbenchDlg::~CWorkbenchDlg() {
    cyclic_.Stop();
    if (handle_ != 0)
        VOREX_SetHostMode(handle_, 0);
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
    cyclicButton_->setChecked(false);
    if (cyclic_.Stop())
        EnableControls(true);
    QMetaObject::invokeMethod(
        this, [this] { done(Rejected); }, Qt::QueuedConnection);
}

void CWorkbenchDlg::reject() {
    OnClose();
}

void CWorkbenchDlg::SetCyclicStep(std::function<void()> step) {
    cyclic_.SetStep(
        std::move(step), [this] { return cyclicButton_->isChecked(); },
        [this] { CyclicStopped(); });
}

// ---- Controls ----

void CWorkbenchDlg::Name(QWidget* widget, const QString& name, const QString& accessible) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
}

void CWorkbenchDlg::MakeStatusPane(const QString& logName, const QString& lineName, int logHeight) {
    status_ = std::make_unique<ui::CStatusPane>(this, logName, lineName);
    status_->Log()->setMinimumHeight(logHeight);
    status_->Log()->setAccessibleName(ui::L("Statusprotokoll"));
    status_->Line()->setAccessibleName(ui::L("Statuszeile"));
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
    QPushButton* b = MakeButton(name, ui::L("Reset Status"));
    connect(b, &QPushButton::clicked, this, &CWorkbenchDlg::OnResetStatus);
    return b;
}

QPushButton* CWorkbenchDlg::MakeCloseButton(const QString& name) {
    QPushButton* b = MakeButton(name, ui::L("Schließen"));
    connect(b, &QPushButton::clicked, this, &CWorkbenchDlg::OnClose);
    return b;
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

} // namespace vorex::wb

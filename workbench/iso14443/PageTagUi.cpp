#include "workbench/iso14443/PageTagUi.h"

#include "ui/StatusPane.h"
#include "ui/Texts.h"
#include "workbench/iso14443/PageTagRules.h"
#include <vorex/vorex.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vorex::wb::nfc {

QPushButton* MakeButton(QWidget* parent, const char* text) {
    auto* b = new QPushButton(ui::L(text), parent);
    b->setObjectName(text);
    b->setAutoDefault(false);
    return b;
}

QRadioButton* MakeRadio(QWidget* parent, const char* text) {
    auto* r = new QRadioButton(ui::L(text), parent);
    r->setObjectName(text);
    return r;
}

QLineEdit* MakeReadOnlyEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

std::string ByteString(const QString& text) {
    return text.toLatin1().toStdString();
}

QString FromByteString(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString EngineErrorText(int error) {
    return ui::Format(ui::S(VOREX_GetErrorStringId(error)), error);
}

QString LastErrorText(int handle) {
    return EngineErrorText(VOREX_GetLastError(handle));
}

bool ShowRefusal(ui::CStatusPane& status, uint8_t sak) {
    const int id = RefusalTextId(sak);
    if (id == 0)
        return false;
    if (id == 241)
        status.AddStatus(
            QString(ui::S(241))
                .replace(QLatin1String("%02x"), QStringLiteral("%1").arg(sak, 2, 16, QChar('0'))));
    else
        status.ShowStatusId(id);
    return true;
}

void ShowWrongLength(ui::CStatusPane& status, int page, int length) {
    QString text = ui::S(242);
    const qsizetype first = text.indexOf(QLatin1String("%d"));
    if (first >= 0)
        text.replace(first, 2, QString::number(page));
    status.AddStatus(ui::Format(text, length));
}

} // namespace vorex::wb::nfc

#include "ui/Texts.h"

#include "resources/strings/StringTable.h"

#include <QCoreApplication>
#include <QSettings>

namespace vorex::ui {

QString S(int id) {
    const std::string& german = vorex::GermanString(id);
    const QByteArray comment = QByteArray::number(id);
    return QCoreApplication::translate("VorexStrings", german.c_str(), comment.constData());
}

QString L(const char* german) {
    return QCoreApplication::translate("Vorex", german);
}

QString Prompt(int id) {
    return S(id).section('\n', 0, 0);
}

QString ToolTip(int id) {
    const QString text = S(id);
    return text.contains('\n') ? text.section('\n', 1) : text;
}

QString Format(const QString& text, int value) {
    QString out = text;
    out.replace(QLatin1String("%d"), QString::number(value));
    return out;
}

QString Format(const QString& text, const QString& value) {
    QString out = text;
    out.replace(QLatin1String("%s"), value);
    return out;
}

namespace {
QString Key(const char* section, const char* key) {
    return QString::fromUtf8(section) + '/' + QString::fromUtf8(key);
}
} // namespace

int ProfileInt(const char* section, const char* key, int def) {
    bool ok = false;
    const int value = QSettings().value(Key(section, key), def).toInt(&ok);
    return ok ? value : def;
}

void WriteProfileInt(const char* section, const char* key, int value) {
    QSettings().setValue(Key(section, key), value);
}

QString ProfileString(const char* section, const char* key, const QString& def) {
    return QSettings().value(Key(section, key), def).toString();
}

void WriteProfileString(const char* section, const char* key, const QString& value) {
    QSettings().setValue(Key(section, key), value);
}

} // namespace vorex::ui

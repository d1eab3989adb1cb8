#pragma once
// User-visible texts and the settings profile.
// S(id): the string-table text of an id (German, or its English translation while the
// English translator is installed). L("..."): a German text of the program itself,
// translated the same way. Profile access goes through QSettings bound to
// the organisation "Nvk Applikationen" and the application profile name.
#include <QString>

namespace vorex::ui {

QString S(int id);
QString L(const char* german);
// Status prompt (before the line break) and tool tip (after it) of a command's text.
QString Prompt(int id);
QString ToolTip(int id);
// MFC-style "%d"/"%s" formatting of a table text with one argument.
QString Format(const QString& text, int value);
QString Format(const QString& text, const QString& value);

int ProfileInt(const char* section, const char* key, int def);
void WriteProfileInt(const char* section, const char* key, int value);
QString ProfileString(const char* section, const char* key, const QString& def = {});
void WriteProfileString(const char* section, const char* key, const QString& value);

} // namespace vorex::ui

#pragma once
// What the Ultralight and NFC Type 2 workbench dialogs share: their buttons, radio
// buttons and read-only edits (named by their text), the byte strings of edit texts,
// and the status messages for the engine's last error, a card that is no page tag and
// a page whose data has the wrong length.
#include <cstdint>
#include <string>

#include <QString>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vorex::ui {
class CStatusPane;
}

namespace vorex::wb::nfc {

// Controls whose objectName is their German text.
QPushButton* MakeButton(QWidget* parent, const char* text);
QRadioButton* MakeRadio(QWidget* parent, const char* text);
QLineEdit* MakeReadOnlyEdit(QWidget* parent, const char* name);

// Edit texts are byte strings: one character per tag byte.
std::string ByteString(const QString& text);
QString FromByteString(const std::string& bytes);

// The text of an engine error number (error 246 of a page write shows as 241).
QString EngineErrorText(int error);
// The text of the connection's last engine error.
QString LastErrorText(int handle);
// Shows why the card is refused (texts 238, 239, 241); false for a page tag (SAK 00).
bool ShowRefusal(ui::CStatusPane& status, uint8_t sak);
// "Page %d hat falsche Datenlänge %d".
void ShowWrongLength(ui::CStatusPane& status, int page, int length);

} // namespace vorex::wb::nfc

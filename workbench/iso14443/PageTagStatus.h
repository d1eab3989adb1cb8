#pragma once
// Status messages the Ultralight and NFC Type 2 workbenches share: the engine's last
// error, a card that is no page tag, and a page whose data has the wrong length.
#include <cstdint>

#include <QString>

namespace vorex::wb {
class CStatusPane;
}

namespace vorex::nfc {

// The text of an engine error number (error 246 of a page write shows as 241).
QString EngineErrorText(int error);
// The text of the connection's last engine error.
QString LastErrorText(int handle);
// Shows why the card is refused (texts 238, 239, 241); false for a page tag (SAK 00).
bool ShowRefusal(wb::CStatusPane& status, uint8_t sak);
// "Page %d hat falsche Datenlänge %d".
void ShowWrongLength(wb::CStatusPane& status, int page, int length);

} // namespace vorex::nfc

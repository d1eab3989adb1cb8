#pragma once
// Reading validated integers from edits, with the usual messages:
// not a number -> 61712 (61719 for unsigned fields), out of range -> 61714.
// On failure the message is shown, the focus goes back to the edit and false returns.
#include <QString>

class QLineEdit;
class QWidget;

namespace vorex::ui {

class IMessages;

bool ExchangeInt(QLineEdit* edit, int min, int max, bool unsignedOnly, IMessages* messages,
                 QWidget* parent, int& out);

} // namespace vorex::ui

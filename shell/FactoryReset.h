#pragma once
// Factory reset of the reader on an open connection, after two questions that both have
// to be answered Yes (No is the default button); the result is reported.
class QWidget;

namespace vorex::ui {
class IMessages;
} // namespace vorex::ui

namespace vorex::shell {

// True when the reset was sent (whatever the reader answered).
bool RunFactoryReset(int handle, ui::IMessages& messages, QWidget* parent);

} // namespace vorex::shell

#pragma once
// The rules of a workbench status pane: a one-line status field with the newest
// message and a log above it that takes the previous message. Log text uses "\n"
// line breaks; messages may end in "\r\n".
#include <string>

namespace vorex::ui {

// A non-empty message prefixed with its time ("%H:%M:%S -> ").
std::string StampStatus(const std::string& message, const std::string& time);

// The log after the status field's previous message moved into it: a message of two
// or more characters is ended with a line break; a log of more than 500 lines is
// emptied first; the message replaces the log's last (unfinished) line.
std::string MoveIntoLog(std::string log, const std::string& previous);

} // namespace vorex::ui

#pragma once
// A workbench status pane: a one-line status field with the newest message, prefixed
// with its time, and a read-only log above it that takes the previous message and is
// emptied beyond 500 lines.
#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace vorex::ui {

class CStatusPane {
public:
    // Creates the log (objectName logName) and the status line (lineName) under parent.
    CStatusPane(QWidget* parent, const QString& logName, const QString& lineName);

    QPlainTextEdit* Log() const { return log_; }
    QLineEdit* Line() const { return line_; }

    void AddStatus(const QString& text);
    // The string-table text of id; 170 is the empty text.
    void ShowStatusId(int id);
    // Both panes empty.
    void Reset();
    // The newest message as given (with its line breaks).
    const QString& Current() const { return current_; }

private:
    QPlainTextEdit* log_;
    QLineEdit* line_;
    QString current_;
};

} // namespace vorex::ui

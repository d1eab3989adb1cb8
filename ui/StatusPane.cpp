#include "ui/StatusPane.h"

#include "ui/StatusLog.h"
#include "ui/Texts.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTime>

namespace vorex::ui {

CStatusPane::CStatusPane(QWidget* parent, const QString& logName, const QString& lineName)
    : log_(new QPlainTextEdit(parent)), line_(new QLineEdit(parent)) {
    log_->setObjectName(logName);
    log_->setReadOnly(true);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    line_->setObjectName(lineName);
    line_->setReadOnly(true);
}

void CStatusPane::AddStatus(const QString& text) {
    const QString previous = current_;
    current_ = QString::fromStdString(
        StampStatus(text.toStdString(), QTime::currentTime().toString("HH:mm:ss").toStdString()));
    QString shown = current_;
    shown.remove('\r');
    shown.replace('\n', ' ');
    line_->setText(shown.trimmed());
    line_->repaint();
    if (previous.isEmpty())
        return;
    log_->setPlainText(QString::fromStdString(
        MoveIntoLog(log_->toPlainText().toStdString(), previous.toStdString())));
    log_->moveCursor(QTextCursor::End);
    log_->ensureCursorVisible();
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void CStatusPane::ShowStatusId(int id) {
    AddStatus(id == 170 ? QString() : ui::S(id));
}

void CStatusPane::Reset() {
    current_.clear();
    line_->clear();
    log_->clear();
}

} // namespace vorex::ui

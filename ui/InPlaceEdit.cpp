#include "ui/InPlaceEdit.h"

#include <QKeyEvent>

namespace vorex::ui {

CInPlaceEdit::CInPlaceEdit(int row, int column, const QString& text, int maxLength, QWidget* parent,
                           QWidget* grid)
    : QLineEdit(parent), row_(row), column_(column), initial_(text), grid_(grid) {
    setObjectName("CInPlaceEdit");
    setFrame(true);
    setMaxLength(maxLength);
    setText(text);
    connect(this, &QLineEdit::textEdited, this, &CInPlaceEdit::WidenToText);
}

bool CInPlaceEdit::event(QEvent* event) {
    // Tab and Shift+Tab end the edit instead of moving the focus along the dialog.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            tab_ = true;
            shift_ = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            EndByKey();
            return true;
        }
    }
    // Enter and Esc belong to the edit, never to the dialog's default or cancel button.
    if (event->type() == QEvent::ShortcutOverride) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        if (k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        cancelled_ = true;
        EndByKey();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        enter_ = true;
        EndByKey();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Finish();
}

void CInPlaceEdit::EndByKey() {
    // The grid takes the focus, which ends the edit (also where no focus event comes,
    // as in an inactive window).
    if (grid_)
        grid_->setFocus();
    Finish();
}

void CInPlaceEdit::Finish() {
    if (finished_)
        return;
    finished_ = true;
    hide();
    const int flags = (tab_ ? kTab : 0) | (shift_ ? kShift : 0) | (enter_ ? kEnter : 0);
    emit editEnded(row_, column_, cancelled_ ? QString() : text(), cancelled_, flags);
    deleteLater();
}

void CInPlaceEdit::WidenToText() {
    const int wanted = fontMetrics().horizontalAdvance(text()) + 5 + 2 * 4;
    if (wanted <= width() || !parentWidget())
        return;
    const int room = parentWidget()->width() - x();
    resize(std::min(wanted, room), height());
}

} // namespace vorex::ui

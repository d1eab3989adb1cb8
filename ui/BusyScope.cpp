#include "ui/BusyScope.h"

#include <QApplication>

namespace vorex::ui {

CBusyScope::CBusyScope(QWidget* window) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (window && window->isEnabled()) {
        window->setEnabled(false);
        disabled_ = window;
    }
}

CBusyScope::~CBusyScope() {
    if (disabled_)
        disabled_->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

} // namespace vorex::ui

#include "WaitHook.h"

#include <QApplication>

namespace vorex::ui {

CWaitHook::CWaitHook() {
    const VOREX_WaitHook hook{&CWaitHook::Begin, &CWaitHook::Pump, &CWaitHook::End, this};
    VOREX_SetWaitHook(&hook);
}

CWaitHook::~CWaitHook() {
    VOREX_SetWaitHook(nullptr);
    while (depth_ > 0)
        End(this);
}

void CWaitHook::Begin(void* context) {
    auto* self = static_cast<CWaitHook*>(context);
    if (self->depth_++ > 0)
        return;
    self->focus_ = QApplication::focusWidget();
    QWidget* active = QApplication::activeModalWidget();
    if (!active)
        active = QApplication::activeWindow();
    // A spared window keeps taking clicks (its cancel button): busy, not waiting.
    const bool spared = active != nullptr && active == self->spared_;
    QApplication::setOverrideCursor(spared ? Qt::BusyCursor : Qt::WaitCursor);
    if (active && !spared && active->isEnabled()) {
        active->setEnabled(false);
        self->disabled_ = active;
    }
}

void CWaitHook::Pump(void*) {
    // Paint and timer events keep flowing; input goes nowhere while the window is off.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void CWaitHook::End(void* context) {
    auto* self = static_cast<CWaitHook*>(context);
    if (self->depth_ == 0 || --self->depth_ > 0)
        return;
    if (self->disabled_)
        self->disabled_->setEnabled(true);
    self->disabled_ = nullptr;
    if (self->focus_)
        self->focus_->setFocus();
    self->focus_ = nullptr;
    QApplication::restoreOverrideCursor();
}

} // namespace vorex::ui

#include "ui/WaitHook.h"

#include <QApplication>
#include <QEvent>

namespace vorex::ui {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

CWaitHook::CWaitHook() {
    const VOREX_WaitHook hook{&CWaitHook::Begin, &CWaitHook::Pump, &CWaitHook::End, this};
    VOREX_SetWaitHook(&hook);
}

CWaitHook::~CWaitHook() {
    VOREX_SetWaitHook(nullptr);
    while (depth_ > 0)
        End(this);
}

bool CWaitHook::eventFilter(QObject* watched, QEvent* event) {
    if (blocked_ && watched->isWidgetType() && IsUserInput(event->type())) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget == blocked_ || blocked_->isAncestorOf(widget))
            return true;
    }
    return QObject::eventFilter(watched, event);
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
        self->blocked_ = active;
        self->waiting_.start();
        qApp->installEventFilter(self);
    }
}

void CWaitHook::Pump(void* context) {
    auto* self = static_cast<CWaitHook*>(context);
    if (self->blocked_ && !self->disabled_ && self->waiting_.elapsed() >= kShowDisabledAfterMs &&
        self->blocked_->isEnabled()) {
        self->blocked_->setEnabled(false);
        self->disabled_ = self->blocked_;
    }
    // Paint and timer events keep flowing; input goes nowhere while the window waits.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void CWaitHook::End(void* context) {
    auto* self = static_cast<CWaitHook*>(context);
    if (self->depth_ == 0 || --self->depth_ > 0)
        return;
    qApp->removeEventFilter(self);
    self->blocked_ = nullptr;
    if (self->disabled_)
        self->disabled_->setEnabled(true);
    self->disabled_ = nullptr;
    if (self->focus_)
        self->focus_->setFocus();
    self->focus_ = nullptr;
    QApplication::restoreOverrideCursor();
}

} // namespace vorex::ui

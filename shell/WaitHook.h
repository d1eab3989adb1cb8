#pragma once
// Installs the engine's receive-wait hook for the life of the object: while an
// exchange waits, the active window is disabled, the wait cursor shown and events keep
// flowing; afterwards window, focus and cursor are restored.
#include "vorex.h"

#include <QPointer>
#include <QWidget>

namespace vorex::ui {

class CWaitHook {
public:
    CWaitHook();
    ~CWaitHook();
    CWaitHook(const CWaitHook&) = delete;
    CWaitHook& operator=(const CWaitHook&) = delete;

    // Nesting depth of running waits (for tests).
    int Depth() const { return depth_; }
    // While set, a wait leaves this window enabled: its owner has disabled what must
    // not be used during the wait and keeps a cancel control working. Null ends it.
    void Spare(QWidget* window) { spared_ = window; }

private:
    static void Begin(void* self);
    static void Pump(void* self);
    static void End(void* self);

    int depth_ = 0;
    QPointer<QWidget> disabled_;
    QPointer<QWidget> focus_;
    QPointer<QWidget> spared_;
};

} // namespace vorex::ui

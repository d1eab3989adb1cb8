#pragma once
// Installs the engine's receive-wait hook for the life of the object: while an
// exchange waits, the active window takes no input, the wait cursor is shown and events
// keep flowing; afterwards window, focus and cursor are restored.
//
// Input is held off from the first moment of a wait by swallowing the window's input
// events; the window is shown disabled only when the wait lasts longer than a moment
// (kShowDisabledAfter). Greying the whole window for every short exchange would repaint
// it twice per exchange, which costs more than the exchange itself and makes a dialog
// that reads block after block flicker.
#include <vorex/vorex.h>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace vorex::ui {

class CWaitHook : public QObject {
public:
    // How long a wait runs before its window is shown disabled.
    static constexpr int kShowDisabledAfterMs = 50;

    CWaitHook();
    ~CWaitHook() override;
    CWaitHook(const CWaitHook&) = delete;
    CWaitHook& operator=(const CWaitHook&) = delete;

    // Nesting depth of running waits (for tests).
    int Depth() const { return depth_; }
    // While set, a wait leaves this window enabled: its owner has disabled what must
    // not be used during the wait and keeps a cancel control working. Null ends it.
    void Spare(QWidget* window) { spared_ = window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void Begin(void* self);
    static void Pump(void* self);
    static void End(void* self);

    int depth_ = 0;
    QElapsedTimer waiting_;
    QPointer<QWidget> blocked_;  // takes no input during the wait
    QPointer<QWidget> disabled_; // shown disabled by the wait, enabled again at its end
    QPointer<QWidget> focus_;
    QPointer<QWidget> spared_;
};

} // namespace vorex::ui

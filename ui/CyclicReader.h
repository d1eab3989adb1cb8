#pragma once
// Cyclic reading of a workbench: a one-shot timer that, while the operator keeps
// cyclic reading on, runs one read step per tick between VOREX_SetBackgroundMode 1 and
// 0 and re-arms only after the step has finished, so ticks never overlap. The busy flag
// is set for the length of a tick; a tick that comes while another runs is dropped.
#include <QObject>
#include <QTimer>
#include <functional>

namespace vorex::ui {

class CCyclicReader : public QObject {
    Q_OBJECT
public:
    explicit CCyclicReader(QObject* parent = nullptr);

    void SetHandle(int handle) { handle_ = handle; }
    // step: one read; keepGoing: asked after each step whether to re-arm;
    // stopped: runs when a tick ends without re-arming.
    void SetStep(std::function<void()> step, std::function<bool()> keepGoing,
                 std::function<void()> stopped);

    void Start(int intervalMs);
    // Stops the timer; true when it was running.
    bool Stop();
    bool Running() const { return timer_.isActive(); }
    // A tick (or RunBusy) is running.
    bool Busy() const { return busy_; }
    // Runs fn with the busy flag set, unless a tick runs already (then false).
    bool RunBusy(const std::function<void()>& fn);

private:
    void Tick();

    QTimer timer_;
    int handle_ = 0;
    int intervalMs_ = 250;
    bool busy_ = false;
    std::function<void()> step_;
    std::function<bool()> keepGoing_;
    std::function<void()> stopped_;
};

} // namespace vorex::ui

#include "ui/CyclicReader.h"

#include <vorex/vorex.h>

namespace vorex::ui {

CCyclicReader::CCyclicReader(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CCyclicReader::Tick);
}

void CCyclicReader::SetStep(std::function<void()> step, std::function<bool()> keepGoing,
                            std::function<void()> stopped) {
    step_ = std::move(step);
    keepGoing_ = std::move(keepGoing);
    stopped_ = std::move(stopped);
}

void CCyclicReader::Start(int intervalMs) {
    intervalMs_ = intervalMs;
    timer_.start(intervalMs_);
}

bool CCyclicReader::Stop() {
    const bool running = timer_.isActive();
    timer_.stop();
    return running;
}

bool CCyclicReader::RunBusy(const std::function<void()>& fn) {
    if (busy_)
        return false;
    busy_ = true;
    fn();
    busy_ = false;
    return true;
}

void CCyclicReader::Tick() {
    RunBusy([this] {
        VOREX_SetBackgroundMode(handle_, 1);
        if (step_)
            step_();
        VOREX_SetBackgroundMode(handle_, 0);
        if (keepGoing_ && keepGoing_())
            timer_.start(intervalMs_);
        else if (stopped_)
            stopped_();
    });
}

} // namespace vorex::ui

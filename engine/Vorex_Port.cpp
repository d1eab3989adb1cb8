#include "Vorex_Port.h"

#include "FrameCodec.h"
#include "IsoAnswer.h"

namespace {

using Clock = std::chrono::steady_clock;
// While a hook wants pumping, the wait wakes at least this often.
constexpr auto kPumpInterval = std::chrono::milliseconds(5);

// Calls the hook's begin on construction and its end on every way out.
class WaitScope {
public:
    WaitScope(const VOREX_WaitHook* hook, bool background)
        : hook_(hook != nullptr && !background ? hook : nullptr) {
        if (hook_ && hook_->begin)
            hook_->begin(hook_->context);
    }
    ~WaitScope() {
        if (hook_ && hook_->end)
            hook_->end(hook_->context);
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    const VOREX_WaitHook* hook_;
};

} // namespace

CVorex_Port::CVorex_Port() = default;

CVorex_Port::~CVorex_Port() {
    ClosePort();
}

void CVorex_Port::OnReceiveChar(uint8_t byte) {
    OnReceiveChars(&byte, 1);
}

void CVorex_Port::OnReceiveChars(const uint8_t* bytes, size_t count) {
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        rx_.insert(rx_.end(), bytes, bytes + count);
        ++rxVersion_;
    }
    rxArrived_.notify_all();
}

size_t CVorex_Port::RxLength() {
    std::lock_guard<std::mutex> lock(rxLock_);
    return rx_.size();
}

uint8_t CVorex_Port::RxAt(size_t index) {
    std::lock_guard<std::mutex> lock(rxLock_);
    return index < rx_.size() ? rx_[index] : 0;
}

void CVorex_Port::RxRemove(size_t from, size_t count) {
    std::lock_guard<std::mutex> lock(rxLock_);
    if (from >= rx_.size())
        return;
    count = std::min(count, rx_.size() - from);
    rx_.erase(rx_.begin() + static_cast<std::ptrdiff_t>(from),
              rx_.begin() + static_cast<std::ptrdiff_t>(from + count));
}

void CVorex_Port::RxClear() {
    std::lock_guard<std::mutex> lock(rxLock_);
    rx_.clear();
}

void CVorex_Port::Purge() {
    RxClear();
}

bool CVorex_Port::SendToLink(const std::vector<uint8_t>& frame) {
    if (!IsOpen())
        return false;
    return WriteToPort(frame.data(), static_cast<int>(frame.size()));
}

bool CVorex_Port::Exchange() {
    lastError_ = 0;
    if (transmit_.empty()) {
        lastError_ = 8;
        return false;
    }
    lastCommand_ = vorex::frame::BuildFrame(transmit_, variant_, BusAddress());
    if (cancel_)
        cancel_->store(false);
    Purge();
    SendToLink(transmit_);
    transmit_.clear();
    if (!ReceiveWait()) {
        lastError_ = 4;
        return false;
    }
    return true;
}

bool CVorex_Port::AdvanceWait(int& phase, Clock::time_point& phaseStart) {
    const size_t header = vorex::frame::HeaderBytes(variant_);
    for (;;) {
        switch (phase) {
        case 1:
            if (rx_.size() < header)
                return false;
            phase = variant_ == 1 ? 3 : 2;
            phaseStart = Clock::now();
            continue;
        case 2: {
            const auto start = static_cast<uint8_t>(vorex::frame::StartByte(variant_));
            size_t skip = 0;
            while (skip < rx_.size() && rx_[skip] != start)
                ++skip;
            rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(skip));
            if (rx_.size() < header)
                return false;
            phase = 3;
            phaseStart = Clock::now();
            continue;
        }
        default:
            return vorex::frame::AnswerComplete(rx_.data(), rx_.size(), variant_);
        }
    }
}

bool CVorex_Port::ReceiveWait() {
    WaitScope scope(waitHook_, background_);
    const bool pump = waitHook_ != nullptr && waitHook_->pump != nullptr;
    const auto timeout = std::chrono::milliseconds(timeoutMs_ < 0 ? 0 : timeoutMs_);
    int phase = 1;
    auto phaseStart = Clock::now();
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> lock(rxLock_);
            if (AdvanceWait(phase, phaseStart))
                return true;
            seen = rxVersion_;
        }
        const auto now = Clock::now();
        // A phase ends in a timeout once its elapsed time exceeds the timeout.
        const auto deadline = phaseStart + timeout + std::chrono::milliseconds(1);
        if (now >= deadline)
            return false;
        if (pump)
            waitHook_->pump(waitHook_->context);
        if (cancel_ && cancel_->load())
            return false;
        const auto wake = pump ? std::min(deadline, Clock::now() + kPumpInterval) : deadline;
        std::unique_lock<std::mutex> lock(rxLock_);
        rxArrived_.wait_until(lock, wake, [&] { return rxVersion_ != seen; });
    }
}

bool CVorex_Port::TakeAnswer(std::vector<uint8_t>& out) {
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        out.swap(rx_);
        rx_.clear();
    }
    int error = 0;
    const bool ok = vorex::frame::TakeAnswer(out, variant_, lastCommand_, error);
    lastError_ = error;
    return ok;
}

bool CVorex_Port::TakeStatus() {
    std::vector<uint8_t> scratch;
    return TakeAnswer(scratch);
}

bool CVorex_Port::TakeIsoAnswer(std::vector<uint8_t>& out) {
    if (!TakeAnswer(out))
        return false;
    int error = 0;
    const bool ok = vorex::iso::EvaluateIsoAnswer(out, variant_, error);
    if (!ok)
        lastError_ = error;
    return ok;
}

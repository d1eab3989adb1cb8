#include "engine/Vorex_Port.h"

#include "engine/FrameCodec.h"
#include "engine/IsoAnswer.h"

namespace {

using Clock = std::chrono::steady_clock;
// While a hook wants pumping or the link polling, the wait wakes at least this often.
constexpr auto kPumpInterval = std::chrono::milliseconds(5);

VOREX_WaitHook HookOf(const VOREX_WaitHook* hook) {
    return hook ? *hook : VOREX_WaitHook{};
}

// Calls the hook's begin on construction and the same hook's end on every way out,
// even when the hook was changed or removed in between.
class WaitScope {
public:
    WaitScope(const VOREX_WaitHook* hook, bool background)
        : hook_(background ? VOREX_WaitHook{} : HookOf(hook)) {
        if (hook_.begin)
            hook_.begin(hook_.context);
    }
    ~WaitScope() {
        if (hook_.end)
            hook_.end(hook_.context);
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    const VOREX_WaitHook hook_;
};

} // namespace

CVorex_Port::CVorex_Port() = default;

CVorex_Port::~CVorex_Port() {
    CloseLink();
}

bool CVorex_Port::AttachLink(std::unique_ptr<vorex::links::ReaderLink> link) {
    if (!link)
        return false;
    CloseLink();
    link_ = std::move(link);
    return true;
}

void CVorex_Port::CloseLink() {
    if (link_)
        link_->Close();
}

void CVorex_Port::OnReceiveChar(uint8_t byte) {
    OnReceiveChars(&byte, 1);
}

void CVorex_Port::OnReceiveChars(const uint8_t* bytes, size_t count) {
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        rx_.insert(rx_.end(), bytes, bytes + count);
        // Nothing takes bytes between exchanges: keep only the newest.
        if (rx_.size() > kMaxReceiveBytes)
            rx_.erase(rx_.begin(),
                      rx_.begin() + static_cast<std::ptrdiff_t>(rx_.size() - kMaxReceiveBytes));
        ++rxVersion_;
        lastRx_ = Clock::now();
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
    if (link_)
        link_->DiscardInput();
}

bool CVorex_Port::SendToLink(const std::vector<uint8_t>& frame) {
    if (!link_ || !link_->IsOpen())
        return false;
    // Bytes of an earlier request that the device never took would go out in front of
    // this frame and garble it.
    link_->DiscardUnsent();
    return link_->Send(frame.data(), frame.size());
}

void CVorex_Port::MarkClosed() {
    {
        std::lock_guard<std::mutex> lock(rxLock_);
        closed_ = true;
    }
    rxArrived_.notify_all();
    if (link_)
        link_->InterruptWait();
}

bool CVorex_Port::Exchange() {
    lastError_ = 0;
    if (closed_) {
        lastError_ = 3;
        return false;
    }
    if (transmit_.empty()) {
        lastError_ = 8;
        return false;
    }
    lastCommand_ = vorex::frame::BuildFrame(transmit_, variant_, BusAddress());
    const bool afterTimeout = timedOut_;
    timedOut_ = false;
    if (cancel_)
        cancel_->store(false);
    int error;
    {
        WaitScope scope(waitHook_, background_);
        if (afterTimeout)
            DrainLateAnswer();
        Purge();
        SendToLink(transmit_);
        transmit_.clear();
        error = closed_ ? 3 : ReceiveWait(afterTimeout);
    }
    if (error == 4) {
        timedOut_ = true;
        timedOutAt_ = Clock::now();
    }
    lastError_ = error;
    return error == 0;
}

bool CVorex_Port::AdvanceWait(int& phase, Clock::time_point& phaseStart, bool afterTimeout) {
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
            if (!vorex::frame::AnswerComplete(rx_.data(), rx_.size(), variant_))
                return false;
            // After a timeout, a variant 2/3 answer to another command is the late
            // answer of the request that timed out: drop its start byte and look for
            // the next frame.
            if (afterTimeout && variant_ >= 2 &&
                !vorex::frame::AnswersCommand(rx_[1], lastCommand_)) {
                rx_.erase(rx_.begin());
                phase = 2;
                continue;
            }
            return true;
        }
    }
}

void CVorex_Port::Doze(Clock::time_point until, uint64_t seen) {
    const VOREX_WaitHook hook = HookOf(waitHook_);
    if (hook.pump) {
        hook.pump(hook.context);
        until = std::min(until, Clock::now() + kPumpInterval);
    }
    if (link_ && link_->IsPolled()) {
        link_->Poll();
        until = std::min(until, Clock::now() + kPumpInterval);
    }
    if (link_ && link_->ReadsInWait()) {
        {
            std::lock_guard<std::mutex> lock(rxLock_);
            if (rxVersion_ != seen || closed_)
                return;
        }
        link_->WaitForInput(until);
        return;
    }
    std::unique_lock<std::mutex> lock(rxLock_);
    rxArrived_.wait_until(lock, until, [&] { return rxVersion_ != seen || closed_; });
}

void CVorex_Port::DrainLateAnswer() {
    const auto quiet = std::chrono::milliseconds(timeoutMs_ < 0 ? 0 : timeoutMs_);
    const auto bound = Clock::now() + quiet;
    for (;;) {
        uint64_t seen;
        Clock::time_point until;
        {
            std::lock_guard<std::mutex> lock(rxLock_);
            rx_.clear();
            until = std::min(bound, std::max(timedOutAt_, lastRx_) + quiet);
            seen = rxVersion_;
        }
        if (closed_ || Clock::now() >= until)
            return;
        Doze(until, seen);
    }
}

int CVorex_Port::ReceiveWait(bool afterTimeout) {
    const auto timeout = std::chrono::milliseconds(timeoutMs_ < 0 ? 0 : timeoutMs_);
    int phase = 1;
    auto phaseStart = Clock::now();
    for (;;) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> lock(rxLock_);
            if (AdvanceWait(phase, phaseStart, afterTimeout))
                return 0;
            seen = rxVersion_;
        }
        if (closed_)
            return 3;
        // A phase ends in a timeout once its elapsed time exceeds the timeout.
        const auto deadline = phaseStart + timeout + std::chrono::milliseconds(1);
        if (Clock::now() >= deadline)
            return 4;
        Doze(deadline, seen);
        if (cancel_ && cancel_->load())
            return 4;
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

#include "tests/support/StandInHid.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

namespace vtest {

struct StandInHid::State {
    std::mutex lock;
    HidReaderSpec spec;
    vsim::ReaderModel* model = nullptr;
    bool removed = false;
    int opens = 0;
    std::deque<std::vector<uint8_t>> queued;
    std::vector<vsim::Output> answers; // due from the model
    std::deque<uint8_t> bytes;         // answer bytes not yet reported
    std::vector<std::vector<uint8_t>> written;
};

namespace {

using Clock = std::chrono::steady_clock;

class Device final : public vorex::links::HidDevice {
public:
    explicit Device(std::shared_ptr<StandInHid::State> state) : state_(std::move(state)) {}

    int Read(uint8_t* report, size_t capacity, int timeoutMs) override {
        const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(state_->lock);
                if (state_->removed)
                    return -1;
                if (!state_->queued.empty()) {
                    const auto r = std::move(state_->queued.front());
                    state_->queued.pop_front();
                    const size_t n = std::min(capacity, r.size());
                    std::copy(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(n), report);
                    return static_cast<int>(n);
                }
                TakeDueAnswers();
                if (!state_->bytes.empty())
                    return BuildReport(report, capacity);
            }
            if (Clock::now() >= until)
                return 0;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    bool Write(const uint8_t* report, size_t length) override {
        std::lock_guard<std::mutex> lock(state_->lock);
        if (state_->removed)
            return false;
        const bool control = length >= 4 && report[1] == 0x82 && report[2] == 0x10;
        if (control && state_->spec.refuseControl)
            return false;
        state_->written.emplace_back(report, report + length);
        if (control || state_->model == nullptr || length < 2)
            return true;
        const size_t n = std::min<size_t>(report[1], length - 2);
        for (auto& out : state_->model->Feed(report + 2, n, Clock::now(), 0))
            state_->answers.push_back(std::move(out));
        return true;
    }

    bool ReportLengths(uint16_t& input, uint16_t& output) override {
        std::lock_guard<std::mutex> lock(state_->lock);
        input = state_->spec.input;
        output = state_->spec.output;
        return state_->spec.capabilities;
    }

private:
    void TakeDueAnswers() {
        const auto now = Clock::now();
        auto& answers = state_->answers;
        for (auto it = answers.begin(); it != answers.end();) {
            if (it->when > now) {
                ++it;
                continue;
            }
            state_->bytes.insert(state_->bytes.end(), it->bytes.begin(), it->bytes.end());
            it = answers.erase(it);
        }
    }

    // [0][n][n bytes][padding to the input length]
    int BuildReport(uint8_t* report, size_t capacity) {
        const size_t length = std::min<size_t>(state_->spec.input, capacity);
        std::fill(report, report + length, 0);
        const size_t n = std::min(state_->bytes.size(), length - 2);
        report[1] = static_cast<uint8_t>(n);
        for (size_t i = 0; i < n; ++i) {
            report[2 + i] = state_->bytes.front();
            state_->bytes.pop_front();
        }
        return static_cast<int>(length);
    }

    std::shared_ptr<StandInHid::State> state_;
};

} // namespace

StandInHid::StandInHid() = default;
StandInHid::~StandInHid() = default;

size_t StandInHid::Add(const HidReaderSpec& spec, vsim::ReaderModel* model) {
    auto state = std::make_shared<State>();
    state->spec = spec;
    state->model = model;
    std::lock_guard<std::mutex> lock(lock_);
    devices_.push_back(std::move(state));
    return devices_.size() - 1;
}

void StandInHid::Remove(size_t index) {
    std::lock_guard<std::mutex> lock(lock_);
    std::lock_guard<std::mutex> device(devices_.at(index)->lock);
    devices_.at(index)->removed = true;
}

void StandInHid::QueueReport(size_t index, std::vector<uint8_t> report) {
    std::lock_guard<std::mutex> lock(lock_);
    std::lock_guard<std::mutex> device(devices_.at(index)->lock);
    devices_.at(index)->queued.push_back(std::move(report));
}

std::vector<std::vector<uint8_t>> StandInHid::Written(size_t index) {
    std::lock_guard<std::mutex> lock(lock_);
    std::lock_guard<std::mutex> device(devices_.at(index)->lock);
    return devices_.at(index)->written;
}

int StandInHid::Opens(size_t index) {
    std::lock_guard<std::mutex> lock(lock_);
    std::lock_guard<std::mutex> device(devices_.at(index)->lock);
    return devices_.at(index)->opens;
}

std::vector<vorex::links::HidDeviceInfo> StandInHid::Enumerate() {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<vorex::links::HidDeviceInfo> found;
    for (size_t i = 0; i < devices_.size(); ++i) {
        std::lock_guard<std::mutex> device(devices_[i]->lock);
        if (devices_[i]->removed)
            continue;
        const HidReaderSpec& s = devices_[i]->spec;
        found.push_back({"standin/" + std::to_string(i), s.vendorId, s.productId, s.serial});
    }
    return found;
}

std::unique_ptr<vorex::links::HidDevice> StandInHid::Open(const std::string& path) {
    std::lock_guard<std::mutex> lock(lock_);
    const size_t index = std::stoul(path.substr(path.find('/') + 1));
    if (index >= devices_.size())
        return nullptr;
    std::lock_guard<std::mutex> device(devices_[index]->lock);
    if (devices_[index]->removed)
        return nullptr;
    ++devices_[index]->opens;
    return std::make_unique<Device>(devices_[index]);
}

} // namespace vtest

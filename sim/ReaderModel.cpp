#include "sim/ReaderModel.h"

#include "sim/WireFrame.h"

namespace vsim {

ReaderModel::ReaderModel(ReaderConfig config) : config_(std::move(config)) {}

ReaderModel::~ReaderModel() = default;

void ReaderModel::AddCommandSet(std::unique_ptr<CommandSet> set) {
    std::lock_guard<std::mutex> lock(mutex_);
    sets_.push_back(std::move(set));
}

void ReaderModel::InjectFault(const Fault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back(fault);
}

void ReaderModel::ClearFaults() {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
}

std::vector<Request> ReaderModel::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

Bytes ReaderModel::RawReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    return raw_;
}

void ReaderModel::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    raw_.clear();
}

void ReaderModel::SetTrace(std::function<void(const char*, const Bytes&)> trace) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ = std::move(trace);
}

void ReaderModel::SwitchBaudAfterAnswer(uint32_t baud, int format) {
    pendingBaud_ = std::make_pair(baud, format);
}

Clock::duration ReaderModel::WireTime(size_t bytes, uint32_t baud) const {
    if (baud == 0)
        return Clock::duration::zero();
    const int bitsPerChar = 1 + 8 + (config_.format == 1 || config_.format == 2 ? 1 : 0) +
                            (config_.format == 3 ? 2 : 1);
    const double seconds = static_cast<double>(bytes) * bitsPerChar / baud;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::optional<Fault> ReaderModel::TakeFault(const Request& request) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->command >= 0 && it->command != request.command)
            continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        Fault f = *it;
        if (it->times > 0 && --it->times == 0)
            faults_.erase(it);
        return f;
    }
    return std::nullopt;
}

Reply ReaderModel::Dispatch(const Request& request) {
    for (auto& set : sets_) {
        if (auto reply = set->Handle(request, *this))
            return *reply;
    }
    return Reply::Error(kUnknownCommand);
}

std::vector<Output> ReaderModel::Feed(const uint8_t* bytes, size_t count, Clock::time_point now,
                                      uint32_t hostBaud) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Output> out;
    raw_.insert(raw_.end(), bytes, bytes + count);
    // A host at another line speed than the reader's delivers nothing readable.
    if (config_.baud != 0 && hostBaud != 0 && hostBaud != config_.baud) {
        rx_.clear();
        return out;
    }
    if (!rx_.empty() && now - lastByte_ > std::chrono::milliseconds(config_.interByteTimeoutMs))
        rx_.clear();
    if (rx_.empty())
        rxStart_ = now;
    lastByte_ = now;
    rx_.insert(rx_.end(), bytes, bytes + count);

    const uint32_t lineBaud = hostBaud != 0 ? hostBaud : config_.baud;
    for (;;) {
        Request request;
        const ParseResult r = ParseRequest(rx_, config_.variant, config_.address, request);
        if (r == ParseResult::NeedMore)
            break;
        if (r == ParseResult::Skipped)
            continue;
        requests_.push_back(request);
        if (trace_)
            trace_("rx", request.frame);
        const std::optional<Fault> fault = TakeFault(request);
        Reply reply = Dispatch(request);
        if (fault && fault->kind == Fault::Kind::NoAnswer)
            reply.silent = true;
        if (fault && fault->kind == Fault::Kind::Status)
            reply.rawStatus = fault->status;
        if (fault && fault->kind == Fault::Kind::Delay)
            reply.delay += std::chrono::milliseconds(fault->ms);
        Output o;
        if (!reply.silent) {
            if (fault && fault->kind == Fault::Kind::Garbage)
                o.bytes = fault->bytes;
            const Bytes frame = EncodeAnswer(reply, request, config_.variant, config_.address,
                                             fault && fault->kind == Fault::Kind::BadChecksum);
            o.bytes.insert(o.bytes.end(), frame.begin(), frame.end());
            if (fault && fault->kind == Fault::Kind::Trailing)
                o.bytes.insert(o.bytes.end(), fault->bytes.begin(), fault->bytes.end());
        }
        o.dropLink = fault && fault->kind == Fault::Kind::DropLink;
        auto start = now;
        if (config_.wireTime)
            start = std::max(now, rxStart_ + WireTime(request.frame.size(), lineBaud));
        o.when = start + reply.delay +
                 (config_.wireTime ? WireTime(o.bytes.size(), lineBaud) : Clock::duration::zero());
        if (trace_ && !o.bytes.empty())
            trace_("tx", o.bytes);
        if (!o.bytes.empty() || o.dropLink)
            out.push_back(std::move(o));
        // A baud-rate change takes effect only when its success answer went out.
        if (fault && (fault->kind == Fault::Kind::NoAnswer || fault->kind == Fault::Kind::Status))
            pendingBaud_.reset();
        if (pendingBaud_) {
            config_.baud = pendingBaud_->first;
            config_.format = pendingBaud_->second;
            pendingBaud_.reset();
        }
        rxStart_ = now;
    }
    return out;
}

} // namespace vsim

#include "sim/AnswerQueue.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace vsim {

void AnswerQueue::Add(std::vector<Output> outputs) {
    for (auto& o : outputs)
        pending_.push_back(std::move(o));
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Output& a, const Output& b) { return a.when < b.when; });
}

const timespec* AnswerQueue::Timeout() {
    if (pending_.empty())
        return nullptr;
    const auto wait = std::max(pending_.front().when - Clock::now(), Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timeout_.tv_sec = static_cast<time_t>(ns / 1000000000);
    timeout_.tv_nsec = static_cast<long>(ns % 1000000000);
    return &timeout_;
}

bool AnswerQueue::TakeDue(Clock::time_point now, Output& out) {
    if (pending_.empty() || pending_.front().when > now)
        return false;
    out = std::move(pending_.front());
    pending_.erase(pending_.begin());
    return true;
}

bool WriteAll(int fd, const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 10);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace vsim

#pragma once
// Answers of a reader model waiting for their due time, for the transports that
// serve a model (pseudo-terminal, TCP).
#include "sim/WireDevice.h"

#include <time.h>
#include <vector>

namespace vsim {

class AnswerQueue {
public:
    void Add(std::vector<Output> outputs);
    bool Empty() const { return pending_.empty(); }
    // Time until the next answer is due, for ppoll; null when none waits.
    const timespec* Timeout();
    // Takes the next answer when it is due at `now`.
    bool TakeDue(Clock::time_point now, Output& out);
    void Clear() { pending_.clear(); }

private:
    std::vector<Output> pending_; // sorted by due time
    timespec timeout_{};
};

// Writes all bytes to a non-blocking descriptor, waiting while it is full. False when
// the descriptor fails.
bool WriteAll(int fd, const Bytes& bytes);

} // namespace vsim

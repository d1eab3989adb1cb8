#include "tests/support/ScriptedPeer.h"

#include "engine/links/serial/LineSettings.h"

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vtest {

using Clock = std::chrono::steady_clock;

ScriptedPeer::ScriptedPeer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    path_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        throw std::runtime_error("cannot open " + path_);
    vorex::links::MakeRaw(slave_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_ = true;
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = write(wake_, &one, sizeof one);
    thread_.join();
    for (int fd : {master_, slave_, wake_})
        close(fd);
}

void ScriptedPeer::Answer(std::vector<uint8_t> bytes, int afterMs) {
    std::lock_guard<std::mutex> lock(lock_);
    script_.emplace_back(std::move(bytes), afterMs);
}

std::vector<std::vector<uint8_t>> ScriptedPeer::Requests() {
    std::lock_guard<std::mutex> lock(lock_);
    return requests_;
}

void ScriptedPeer::Serve() {
    for (;;) {
        int waitMs = -1;
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (stop_)
                return;
            const auto now = Clock::now();
            // Send what is due, in order of due time.
            std::sort(due_.begin(), due_.end(),
                      [](const Due& a, const Due& b) { return a.when < b.when; });
            while (!due_.empty() && due_.front().when <= now) {
                [[maybe_unused]] ssize_t n =
                    write(master_, due_.front().bytes.data(), due_.front().bytes.size());
                due_.erase(due_.begin());
            }
            if (!due_.empty())
                waitMs = static_cast<int>(
                    std::chrono::ceil<std::chrono::milliseconds>(due_.front().when - now).count());
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (poll(fds, 2, waitMs) <= 0 || !(fds[0].revents & POLLIN))
            continue;
        uint8_t buffer[1024];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        std::lock_guard<std::mutex> lock(lock_);
        requests_.emplace_back(buffer, buffer + n);
        if (!script_.empty()) {
            auto [bytes, afterMs] = std::move(script_.front());
            script_.pop_front();
            due_.push_back({std::move(bytes), Clock::now() + std::chrono::milliseconds(afterMs)});
        }
    }
}

} // namespace vtest

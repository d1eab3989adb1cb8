#include "sim/PtyServer.h"

#include "sim/AnswerQueue.h"

#include "engine/links/serial/LineSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace vsim {

PtyServer::PtyServer(WireDevice& model) : model_(model) {}

PtyServer::~PtyServer() {
    Stop();
}

bool PtyServer::Start() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error_ = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        CloseAll();
        return false;
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        error_ = "cannot name the pseudo-terminal";
        CloseAll();
        return false;
    }
    slavePath_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error_ = "cannot open " + slavePath_ + ": " + std::strerror(errno);
        CloseAll();
        return false;
    }
    // Raw from the start: no echo and no line editing of what either side writes.
    vorex::links::MakeRaw(slave_);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void PtyServer::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t w = write(wake_, &one, sizeof one);
        thread_.join();
    }
    CloseAll();
}

void PtyServer::Send(Bytes bytes) {
    {
        std::lock_guard<std::mutex> lock(unsolicitedLock_);
        unsolicited_.push_back(Output{std::move(bytes), Clock::now()});
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = write(wake_, &one, sizeof one);
}

void PtyServer::CloseAll() {
    for (int* fd : {&master_, &slave_, &wake_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void PtyServer::Serve() {
    AnswerQueue pending;
    uint8_t buffer[4096];
    // Answers are due at exact times (wire-time model): sleep with nanosecond
    // resolution and without the kernel's default timer slack.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    while (!stop_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int r = ppoll(fds, 2, pending.Timeout(), nullptr);
        if (r < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t r = read(wake_, &count, sizeof count);
            std::lock_guard<std::mutex> lock(unsolicitedLock_);
            pending.Add(std::move(unsolicited_));
            unsolicited_.clear();
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n > 0) {
                const uint32_t hostBaud = vorex::links::ReadLineSpeed(slave_);
                pending.Add(model_.Feed(buffer, static_cast<size_t>(n), Clock::now(), hostBaud));
            }
        }
        Output o;
        while (pending.TakeDue(Clock::now(), o)) {
            WriteAll(master_, o.bytes);
            if (o.dropLink) {
                dropped_ = true;
                // Closing both sides hangs the line up: the host's reads fail as on
                // a removed USB device.
                close(master_);
                master_ = -1;
                close(slave_);
                slave_ = -1;
                running_ = false;
                return;
            }
        }
    }
    running_ = false;
}

} // namespace vsim

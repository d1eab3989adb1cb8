#include "TCPSocketThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vorex::lan {

CTCPSocketThread::CTCPSocketThread(LanEnvironment env) : socket_(std::move(env)) {}

CTCPSocketThread::~CTCPSocketThread() {
    StopWorker();
}

void CTCPSocketThread::SetReceiver(CTCPSocket::Receiver receiver) {
    socket_.SetReceiver(std::move(receiver));
}

bool CTCPSocketThread::OpenConnection(const std::string& name) {
    StopWorker();
    name_ = name;
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0)
        return false;
    {
        std::lock_guard<std::mutex> lock(startLock_);
        started_ = false;
        connected_ = false;
    }
    stop_ = false;
    running_ = true;
    worker_ = std::thread([this] { Worker(); });
    std::unique_lock<std::mutex> lock(startLock_);
    startedCv_.wait(lock, [this] { return started_; });
    return connected_;
}

bool CTCPSocketThread::QueueSend(const uint8_t* bytes, size_t count) {
    if (!running_)
        return false;
    std::lock_guard<std::mutex> lock(sendLock_);
    if (!sendQueue_.empty() || stop_) {
        sendQueue_.emplace_back(bytes, bytes + count);
        Wake();
        return true;
    }
    // Nothing waits: send at once on this thread, sparing the worker's wake-up.
    const int before = socket_.Fd();
    socket_.SendBlock(bytes, count);
    if (socket_.Fd() != before)
        Wake(); // the worker watches the new socket from now on
    return true;
}

void CTCPSocketThread::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = write(wakeFd_, &one, sizeof one);
}

void CTCPSocketThread::StopWorker() {
    if (worker_.joinable()) {
        stop_ = true;
        Wake();
        worker_.join();
    }
    if (wakeFd_ >= 0)
        close(wakeFd_);
    wakeFd_ = -1;
    std::lock_guard<std::mutex> lock(sendLock_);
    sendQueue_.clear();
}

void CTCPSocketThread::Worker() {
    const bool ok = socket_.ConnectToReader(name_);
    {
        std::lock_guard<std::mutex> lock(startLock_);
        started_ = true;
        connected_ = ok;
    }
    startedCv_.notify_all();
    while (ok && !stop_) {
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {socket_.Fd(), POLLIN, 0}};
        if (poll(fds, fds[1].fd >= 0 ? 2 : 1, -1) < 0)
            continue;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            std::lock_guard<std::mutex> lock(sendLock_);
            if (socket_.Fd() == fds[1].fd)
                socket_.OnReadable();
        }
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t r = read(wakeFd_, &count, sizeof count);
            std::lock_guard<std::mutex> lock(sendLock_);
            while (!stop_ && !sendQueue_.empty()) {
                socket_.SendBlock(sendQueue_.front().data(), sendQueue_.front().size());
                sendQueue_.pop_front();
            }
        }
    }
    std::lock_guard<std::mutex> lock(sendLock_);
    socket_.Close();
    running_ = false;
}

} // namespace vorex::lan

#include "engine/links/lan/TCPSocketThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vorex::lan {

CTCPSocketThread::CTCPSocketThread(LanEnvironment env)
    : socket_(std::move(env)), interruptFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CTCPSocketThread::~CTCPSocketThread() {
    StopWorker();
    if (interruptFd_ >= 0)
        close(interruptFd_);
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
    if (interruptFd_ >= 0) { // a leftover interrupt would end the first wait at once
        uint64_t count;
        [[maybe_unused]] ssize_t r = read(interruptFd_, &count, sizeof count);
    }
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
    socket_.SendBlock(bytes, count);
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

void CTCPSocketThread::WaitForInput(std::chrono::steady_clock::time_point until) {
    socket_.WaitForInput(until, interruptFd_);
}

void CTCPSocketThread::InterruptWait() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = write(interruptFd_, &one, sizeof one);
    socket_.Close(); // ends a receive blocked on the socket
}

void CTCPSocketThread::DiscardInput() {
    std::lock_guard<std::mutex> lock(sendLock_);
    socket_.DrainInput();
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
        pollfd wake{wakeFd_, POLLIN, 0};
        if (poll(&wake, 1, -1) <= 0 || !(wake.revents & POLLIN))
            continue;
        uint64_t count;
        [[maybe_unused]] ssize_t r = read(wakeFd_, &count, sizeof count);
        std::lock_guard<std::mutex> lock(sendLock_);
        while (!stop_ && !sendQueue_.empty()) {
            socket_.SendBlock(sendQueue_.front().data(), sendQueue_.front().size());
            sendQueue_.pop_front();
        }
    }
    std::lock_guard<std::mutex> lock(sendLock_);
    socket_.Close();
    running_ = false;
}

} // namespace vorex::lan

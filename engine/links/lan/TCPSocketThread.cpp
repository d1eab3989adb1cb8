#include "engine/links/lan/TCPSocketThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vorex::lan {

CTCPSocketThread::CTCPSocketThread(LanEnvironment env)
    : socket_(std::move(env)), interruptFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      stopFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    socket_.SetAbortFd(stopFd_);
}

CTCPSocketThread::~CTCPSocketThread() {
    StopWorker();
    for (const int fd : {interruptFd_, stopFd_})
        if (fd >= 0)
            close(fd);
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
    // A leftover interrupt would end the first wait at once, a leftover stop the connect.
    for (const int fd : {interruptFd_, stopFd_}) {
        uint64_t count;
        if (fd >= 0) [[maybe_unused]]
            ssize_t r = read(fd, &count, sizeof count);
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
    if (sendQueue_.empty() && !sending_ && !stop_ && socket_.Usable()) {
        // Nothing waits and no connect is needed: send at once on this thread, sparing
        // the worker's wake-up.
        socket_.SendBlock(bytes, count);
        return true;
    }
    sendQueue_.emplace_back(bytes, bytes + count);
    Wake();
    return true;
}

void CTCPSocketThread::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = write(wakeFd_, &one, sizeof one);
}

void CTCPSocketThread::StopWorker() {
    if (worker_.joinable()) {
        stop_ = true;
        const uint64_t one = 1;
        if (stopFd_ >= 0) [[maybe_unused]]
            ssize_t w = write(stopFd_, &one, sizeof one);
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

void CTCPSocketThread::InterruptWaitOnly() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = write(interruptFd_, &one, sizeof one);
}

void CTCPSocketThread::InterruptWait() {
    InterruptWaitOnly();
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
        // Each block goes out without the lock held: a reconnect may take up to the
        // connect time-out, and the waiting thread must not block on the lock meanwhile
        // (it takes it to drop stale input before each request).
        std::unique_lock<std::mutex> lock(sendLock_);
        while (!stop_ && !sendQueue_.empty()) {
            const std::vector<uint8_t> block = std::move(sendQueue_.front());
            sendQueue_.pop_front();
            sending_ = true;
            lock.unlock();
            const bool reconnect = !socket_.Usable();
            socket_.SendBlock(block.data(), block.size());
            // A thread waiting for the answer found no socket to read: wake it, so
            // that it reads the new one.
            if (reconnect && socket_.Usable())
                InterruptWaitOnly();
            lock.lock();
            sending_ = false;
        }
    }
    std::lock_guard<std::mutex> lock(sendLock_);
    socket_.Close();
    running_ = false;
}

} // namespace vorex::lan

#pragma once
// The LAN link: one worker thread per connection that connects and sends the queued
// blocks. The thread that waits for an answer reads the socket itself and hands the
// bytes to the receiver (WaitForInput): the answer reaches it without a second thread
// wake-up. Input that arrives while nobody waits stays in the socket until the next
// request drops it (DiscardInput), as the receive buffer would.
#include "engine/links/lan/TCPSocket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vorex::lan {

class CTCPSocketThread {
public:
    explicit CTCPSocketThread(LanEnvironment env);
    ~CTCPSocketThread();
    CTCPSocketThread(const CTCPSocketThread&) = delete;
    CTCPSocketThread& operator=(const CTCPSocketThread&) = delete;

    // Set before OpenConnection; runs on the worker thread.
    void SetReceiver(CTCPSocket::Receiver receiver);

    // Starts the worker, which connects; true when a connection exists afterwards.
    // A failed connect ends the worker.
    bool OpenConnection(const std::string& name);
    // Sends the block: at once on the calling thread when the connection is up and
    // nothing is queued, else by the worker after the queued ones. A reconnect runs only
    // on the worker, so that the caller's wait for the answer goes on (pumping, timing
    // out, cancellable) meanwhile. False when no worker runs. A failed send shows only
    // as a missing answer.
    bool QueueSend(const uint8_t* bytes, size_t count);
    // Ends the worker and closes the socket.
    void StopWorker();

    // Blocks until input arrived (and was handed to the receiver on this thread),
    // InterruptWait is called or `until` passes.
    void WaitForInput(std::chrono::steady_clock::time_point until);
    // The connection is being closed: closes the socket, which ends a running
    // WaitForInput (or the next one) at once.
    void InterruptWait();
    // Reads and drops what waits on the socket.
    void DiscardInput();

    bool Running() const { return running_.load(); }
    const std::string& Name() const { return name_; }

private:
    void Worker();
    void Wake();
    // Ends a running WaitForInput (or the next one) without closing the socket.
    void InterruptWaitOnly();

    CTCPSocket socket_;
    std::string name_;
    std::thread worker_;
    int wakeFd_ = -1;
    int interruptFd_ = -1; // lives as long as the object, unlike the worker's wakeFd_
    int stopFd_ = -1;      // ends a connect in progress when the worker is stopped
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};

    std::mutex startLock_;
    std::condition_variable startedCv_;
    bool started_ = false;
    bool connected_ = false;

    std::mutex sendLock_; // send queue and the socket's state after the connect
    std::deque<std::vector<uint8_t>> sendQueue_;
    bool sending_ = false; // the worker sends (or connects) outside the lock
};

} // namespace vorex::lan

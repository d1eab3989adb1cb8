#pragma once
// Serves a device (a ReaderModel, or the Bluetooth module) on a pseudo-terminal: the
// host opens SlavePath() like a serial port. One thread reads the master side, feeds
// the device and writes its answers at their due time.
#include "sim/WireDevice.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace vsim {

class PtyServer {
public:
    explicit PtyServer(WireDevice& model);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal and starts serving. False with Error() set on failure.
    bool Start();
    void Stop();
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& Error() const { return error_; }
    // True once an injected fault cut the line (the host sees the device vanish).
    bool LinkDropped() const { return dropped_; }
    bool Running() const { return running_; }
    // Sends bytes the device produces of its own accord (not as an answer), at once.
    void Send(Bytes bytes);

private:
    void Serve();
    void CloseAll();

    WireDevice& model_;
    std::mutex unsolicitedLock_;
    std::vector<Output> unsolicited_;
    int master_ = -1;
    int slave_ = -1; // kept open: without a slave handle the master reads fail
    int wake_ = -1;
    std::string slavePath_;
    std::string error_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> dropped_{false};
    std::atomic<bool> running_{false};
};

} // namespace vsim

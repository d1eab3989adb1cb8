#pragma once
// A pseudo-terminal peer for tests that need exact timing: each request (one burst of
// bytes from the host) is answered with the next scripted bytes after a scripted
// pause; a request without a scripted answer gets none.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vtest {

class ScriptedPeer {
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    const std::string& Path() const { return path_; }
    // Answers the next unanswered request with `bytes`, `afterMs` after it came in.
    void Answer(std::vector<uint8_t> bytes, int afterMs = 0);
    // Bursts received so far, one per request.
    std::vector<std::vector<uint8_t>> Requests();

private:
    struct Due {
        std::vector<uint8_t> bytes;
        std::chrono::steady_clock::time_point when;
    };
    void Serve();

    int master_ = -1;
    int slave_ = -1; // kept open: without a slave handle the master reads fail
    int wake_ = -1;
    std::string path_;
    std::thread thread_;
    bool stop_ = false;
    std::mutex lock_;
    std::deque<std::pair<std::vector<uint8_t>, int>> script_;
    std::vector<std::vector<uint8_t>> requests_;
    std::vector<Due> due_;
};

} // namespace vtest

#pragma once
// The stand-in reader: a model of a Vorex reader that takes request bytes as they
// arrive on the wire and produces answer frames, in the frame variant and at the bus
// address it is configured for. Command sets (identification and configuration,
// ISO 15693 tags, ISO 14443 cards) plug in as CommandSet objects. Faults can be
// injected per request. The model is transport-free; PtyServer serves it on a
// pseudo-terminal and tests may also drive it directly.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/WireDevice.h"

namespace vsim {

// A request as the reader understands it: translated commands of variants 2 and 3
// are mapped back (command), the byte seen on the wire is kept (wireCommand).
struct Request {
    uint8_t command = 0;
    uint8_t wireCommand = 0;
    Bytes data;
    int variant = 0;
    uint8_t address = 1;
    Bytes frame; // the request frame as received
};

// Status values the command sets answer with. The framing turns them into the
// status byte of the variant (variant 0 sends 3 for a collision and 7 for an
// ISO 15693 framing error; variants 2 and 3 send their own codes).
enum Status : int {
    kOk = 0,
    kNoValue = 19,
    kWrongCount = 20,
    kNoTransponder = 21,
    kCollision = 23,
    kUnknownCommand = 24,
    kIsoFraming = 44,
    kNotWritable = 241,
    kNotAuthenticated = 246,
};

struct Reply {
    int status = kOk;
    Bytes payload;                      // for a chained reply: the blocks (L + L bytes each)
    bool chained = false;               // sent with length byte 0xFF and a closing 0xFF
    std::chrono::milliseconds delay{0}; // processing time before the answer
    bool silent = false;                // no answer at all
    std::optional<uint8_t> rawStatus;   // exact status byte, overriding `status`

    static Reply Ok(Bytes payload = {}) { return Reply{kOk, std::move(payload)}; }
    static Reply Error(int status) { return Reply{status, {}}; }
};

class ReaderModel;

class CommandSet {
public:
    virtual ~CommandSet() = default;
    // A reply when the request belongs to this set; std::nullopt passes it on.
    virtual std::optional<Reply> Handle(const Request& request, ReaderModel& reader) = 0;
};

struct ReaderConfig {
    std::string deviceType = "125"; // three hex digits
    char revision = '5';            // base-62 digit
    int variant = 0;
    uint8_t address = 1;
    uint32_t baud = 0; // the reader's line speed; 0 answers at any host speed
    int format = 0;    // 0 8N1, 1 8E1, 2 8O1, 3 8N2
    bool wireTime = false;
    Bytes settings{0x01, 0x00, 0x80};
    int usbMode = 2;
    int readerMode = 0;
    bool hostMode = false;
    int factoryResetDelayMs = 800;
    std::optional<Bytes> identification; // overrides the identification payload
    std::optional<Bytes> fvAnswer;       // variant 2: answer to F0 "FV"
    // Partial frames older than this are dropped, like a reader's inter-byte timeout.
    int interByteTimeoutMs = 100;
};

struct Fault {
    enum class Kind { NoAnswer, Delay, Garbage, BadChecksum, Trailing, Status, DropLink };
    Kind kind = Kind::NoAnswer;
    int ms = 0;         // Delay
    Bytes bytes;        // Garbage (sent before the answer), Trailing (after it)
    uint8_t status = 0; // Status: the exact status byte
    int command = -1;   // command (as the reader understands it) to match, -1 any
    int skip = 0;       // matching requests to let pass first
    int times = 1;      // how many matching requests get the fault, -1 all
};

class ReaderModel final : public WireDevice {
public:
    explicit ReaderModel(ReaderConfig config = {});
    ~ReaderModel();

    void AddCommandSet(std::unique_ptr<CommandSet> set);
    // The first command set of that kind, or null (take Lock() first).
    template <typename T> T* FindCommandSet() {
        for (auto& set : sets_)
            if (auto* found = dynamic_cast<T*>(set.get()))
                return found;
        return nullptr;
    }
    void InjectFault(const Fault& fault);
    void ClearFaults();

    // Bytes received from the host at `now`; hostBaud is the host's line speed
    // (0 when unknown). Returns the answers to send.
    std::vector<Output> Feed(const uint8_t* bytes, size_t count, Clock::time_point now,
                             uint32_t hostBaud) override;

    // Configuration and state. Command sets run under the model's lock and use
    // Config() directly; other threads take Lock() first.
    ReaderConfig& Config() { return config_; }
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

    // Every request understood, in order, and every byte received (for tests).
    std::vector<Request> Requests();
    Bytes RawReceived();
    void ClearRequests();

    // Called for each frame received ("rx") and sent ("tx").
    void SetTrace(std::function<void(const char* direction, const Bytes& frame)> trace);

    // Changes the reader's speed once the current answer has gone out (command F2).
    void SwitchBaudAfterAnswer(uint32_t baud, int format);

    // Time the bytes take on the wire at `baud` in the configured format.
    Clock::duration WireTime(size_t bytes, uint32_t baud) const;

private:
    Reply Dispatch(const Request& request);
    std::optional<Fault> TakeFault(const Request& request);
    Bytes Encode(const Reply& reply, const Request& request, bool badChecksum) const;

    ReaderConfig config_;
    std::vector<std::unique_ptr<CommandSet>> sets_;
    std::mutex mutex_;
    std::deque<Fault> faults_;
    Bytes rx_;
    Clock::time_point rxStart_{};
    Clock::time_point lastByte_{};
    std::vector<Request> requests_;
    Bytes raw_;
    std::function<void(const char*, const Bytes&)> trace_;
    std::optional<std::pair<uint32_t, int>> pendingBaud_;
    Clock::time_point busyUntil_{};
};

} // namespace vsim

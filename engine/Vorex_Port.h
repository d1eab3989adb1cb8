#pragma once
// One reader connection: the frame codec, the receive buffer and the receive wait on
// top of the link it talks through (serial, or any other kind: links/ReaderLink.h).
#include "engine/links/ReaderLink.h"
#include <vorex/vorex.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CVorex_Port final : public vorex::links::ReceiveSink {
public:
    static constexpr int kDefaultTimeoutMs = 500;

    CVorex_Port();
    ~CVorex_Port();
    CVorex_Port(const CVorex_Port&) = delete;
    CVorex_Port& operator=(const CVorex_Port&) = delete;

    // The link the connection talks through, opened with this port as its sink; false
    // (and nothing attached) for null. A link attached before is closed first.
    bool AttachLink(std::unique_ptr<vorex::links::ReaderLink> link);
    // The attached link, or null.
    vorex::links::ReaderLink* Link() const { return link_.get(); }
    // Closes the attached link (the connection object stays).
    void CloseLink();

    // The request being built: command byte followed by its parameters.
    std::vector<uint8_t>& Transmit() { return transmit_; }

    // Builds the frame, sends it and waits for a complete answer, which stays in the
    // receive buffer. False with the last error set (8 empty request, 4 timeout, 3 the
    // connection was closed). After a timeout the next exchange first discards what
    // the line still delivers until it has been quiet for one timeout (at most one
    // timeout long), so that a late answer is never taken for the next one; in
    // variants 2 and 3 it also passes over answers that do not echo its command.
    bool Exchange();
    // Moves the receive buffer into `out`, checks it and leaves the payload.
    bool TakeAnswer(std::vector<uint8_t>& out);
    // Take answer for commands whose answer carries no data.
    bool TakeStatus();
    // Take answer followed by the ISO 15693 answer evaluation.
    bool TakeIsoAnswer(std::vector<uint8_t>& out);

    // Receive buffer, each access under the receive lock. It keeps at most the newest
    // kMaxReceiveBytes bytes.
    static constexpr size_t kMaxReceiveBytes = 64 * 1024;
    void OnReceiveChar(uint8_t byte);
    void OnReceiveChars(const uint8_t* bytes, size_t count);
    void OnLinkBytes(const uint8_t* bytes, size_t count) override { OnReceiveChars(bytes, count); }
    size_t RxLength();
    uint8_t RxAt(size_t index);
    void RxRemove(size_t from, size_t count);
    void RxClear();
    // Clears the receive buffer (and drains polled links).
    void Purge();

    uint8_t Variant() const { return variant_; }
    void SetVariant(uint8_t v) { variant_ = v & 3; }
    int TimeoutMs() const { return timeoutMs_; }
    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }
    uint8_t BusAddress() const { return static_cast<uint8_t>(busAddress_); }
    void SetBusAddress(uint32_t a) { busAddress_ = a; }
    int LastError() const { return lastError_; }
    void SetLastError(int e) { lastError_ = e; }
    uint8_t LastCommand() const { return lastCommand_; }
    bool Background() const { return background_; }
    void SetBackground(bool b) { background_ = b; }
    uint32_t DeviceType() const { return deviceType_; }
    void SetDeviceType(uint32_t t) { deviceType_ = t; }
    uint8_t Revision() const { return revision_; }
    void SetRevision(uint8_t r) { revision_ = r; }
    int32_t SectorCache() const { return sectorCache_; }
    void SetSectorCache(int32_t s) { sectorCache_ = s; }
    // The connection handle (serial: small numbers from 1; other kinds: their range).
    int Handle() const { return handle_; }
    void SetHandle(int h) { handle_ = h; }

    // Hook run while an exchange waits; may be null. Not owned: the wait reads it
    // anew on every pass, so the hook may be changed or emptied while it runs.
    void SetWaitHook(const VOREX_WaitHook* hook) { waitHook_ = hook; }
    // A flag that ends the running wait early (set from the hook's pump); each exchange
    // clears it when it starts. May be null. Not owned.
    void SetCancelFlag(std::atomic<bool>* flag) { cancel_ = flag; }

    // The connection was closed while it may still be in use (a close from inside its
    // own wait): a running wait ends and every further exchange fails with error 3.
    void MarkClosed();
    bool Closed() const { return closed_.load(); }
    // Forgets that the last exchange timed out, so that the next one starts without
    // watching for a late answer (identification trials in another frame variant).
    void ForgetTimeout() { timedOut_ = false; }

private:
    // Hands a frame to the connection's link. The result is not examined by the
    // exchange: a send that failed shows as a timeout.
    bool SendToLink(const std::vector<uint8_t>& frame);

    using Clock = std::chrono::steady_clock;
    // The answer wait: 0 when complete, 4 on timeout, 3 when the connection closed.
    // afterTimeout: passes over variant 2/3 answers that do not echo the command.
    int ReceiveWait(bool afterTimeout);
    // Discards what arrives until the line has been quiet for one timeout since the
    // last timeout or byte, at most one timeout long.
    void DrainLateAnswer();
    // One pass of a wait: pumps the hook, then sleeps (or, on a link read by the
    // waiting thread, reads the link) until a byte arrives, `until` passes or the
    // connection closes.
    void Doze(Clock::time_point until, uint64_t seen);
    // Advances the wait's phases on the buffer; true when the answer is complete.
    bool AdvanceWait(int& phase, Clock::time_point& phaseStart, bool afterTimeout);

    std::vector<uint8_t> transmit_;
    uint8_t lastCommand_ = 0;
    int32_t sectorCache_ = 0;
    int handle_ = 0;

    std::mutex rxLock_;
    std::condition_variable rxArrived_;
    std::vector<uint8_t> rx_;
    uint64_t rxVersion_ = 0;
    Clock::time_point lastRx_{};
    Clock::time_point timedOutAt_{};
    bool timedOut_ = false;
    std::atomic<bool> closed_{false};

    int timeoutMs_ = kDefaultTimeoutMs;
    uint8_t variant_ = 0;
    uint32_t deviceType_ = 0;
    uint8_t revision_ = 0;
    uint32_t busAddress_ = 1;
    int lastError_ = 0;
    bool background_ = false;
    const VOREX_WaitHook* waitHook_ = nullptr;
    std::atomic<bool>* cancel_ = nullptr;
    // Last member: destroyed first, so that no link thread delivers into a half
    // destroyed port.
    std::unique_ptr<vorex::links::ReaderLink> link_;
};

#pragma once
// One reader connection: the frame codec, the receive buffer and the receive wait on
// top of the serial link it derives from.
#include "links/USBSerialPort.h"
#include <vorex/vorex.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class CVorex_Port : public CUSBSerialPort {
public:
    static constexpr int kDefaultTimeoutMs = 500;

    CVorex_Port();
    ~CVorex_Port() override;

    // The request being built: command byte followed by its parameters.
    std::vector<uint8_t>& Transmit() { return transmit_; }

    // Builds the frame, sends it and waits for a complete answer, which stays in the
    // receive buffer. False with the last error set (8 empty request, 4 timeout).
    bool Exchange();
    // Moves the receive buffer into `out`, checks it and leaves the payload.
    bool TakeAnswer(std::vector<uint8_t>& out);
    // Take answer for commands whose answer carries no data.
    bool TakeStatus();
    // Take answer followed by the ISO 15693 answer evaluation.
    bool TakeIsoAnswer(std::vector<uint8_t>& out);

    // Receive buffer, each access under the receive lock.
    void OnReceiveChar(uint8_t byte) override;
    void OnReceiveChars(const uint8_t* bytes, size_t count) override;
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
    int SerialHandle() const { return serialHandle_; }
    void SetSerialHandle(int h) { serialHandle_ = h; }

    // Hook run while an exchange waits; may be null. Not owned.
    void SetWaitHook(const VOREX_WaitHook* hook) { waitHook_ = hook; }

protected:
    // Hands a frame to the connection's link. The result is not examined by the
    // exchange: a send that failed shows as a timeout.
    virtual bool SendToLink(const std::vector<uint8_t>& frame);

private:
    bool ReceiveWait();
    // Advances the wait's phases on the buffer; true when the answer is complete.
    bool AdvanceWait(int& phase, std::chrono::steady_clock::time_point& phaseStart);

    std::vector<uint8_t> transmit_;
    uint8_t lastCommand_ = 0;
    int32_t sectorCache_ = 0;
    int serialHandle_ = 0;

    std::mutex rxLock_;
    std::condition_variable rxArrived_;
    std::vector<uint8_t> rx_;
    uint64_t rxVersion_ = 0;

    int timeoutMs_ = kDefaultTimeoutMs;
    uint8_t variant_ = 0;
    uint32_t deviceType_ = 0;
    uint8_t revision_ = 0;
    uint32_t busAddress_ = 1;
    int lastError_ = 0;
    bool background_ = false;
    const VOREX_WaitHook* waitHook_ = nullptr;
};

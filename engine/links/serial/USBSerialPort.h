#pragma once
// Serial byte transport under the reader framing: one worker thread per open port
// that blocks in poll() on the device and a wake-up eventfd, reads whatever arrived
// in bulk and hands it to OnReceiveChar(s), and writes the bytes queued by
// WriteToPort. In FTDI mode (the name is an FTDI serial number) the device is driven
// through the FTDI D2XX library instead, and the worker polls it every millisecond.
#include "engine/links/ftdi/FTD2xxPort.h"
#include "engine/links/serial/LineSettings.h"
#include "engine/links/serial/PortName.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

class CUSBSerialPort : public CFTD2xxPort {
public:
    CUSBSerialPort();
    ~CUSBSerialPort() override;
    CUSBSerialPort(const CUSBSerialPort&) = delete;
    CUSBSerialPort& operator=(const CUSBSerialPort&) = delete;

    // Opens and configures the device. parity: 'N', 'E' or 'O'; stopBits 1 or 2;
    // handshake 0..3 (0 none, 1 RTS/CTS + DSR, 2 XON/XOFF, 3 RTS/CTS).
    // eventMask is kept for callers that look at it; the worker always watches
    // received bytes. A worker still running is stopped first.
    bool InitPort(const std::string& portName, uint32_t baud = 19200, char parity = 'N',
                  int dataBits = 8, int stopBits = 1, int handshake = 0, uint32_t eventMask = 9,
                  size_t writeBufferSize = 512);
    // Starts the worker; false when one was already started (until ClosePort) or the
    // port is not open.
    bool StartMonitoring();
    // Sends bytes: at once when nothing is queued and the worker runs, otherwise
    // queued for the worker, which writes all queued runs in one go, in order. A run
    // that does not fit into the free part of the write buffer is dropped whole.
    // length -1 means up to the terminating zero byte. True when sent or queued.
    bool WriteToPort(const uint8_t* bytes, int length);
    bool WriteToPort(const char* text) {
        return WriteToPort(reinterpret_cast<const uint8_t*>(text), -1);
    }
    // Forgets bytes queued by earlier writes that the device has not taken yet.
    void DropUnsent();
    // Stops the worker, closes the device and frees the write buffer.
    void ClosePort();

    // Change one field of the line settings and apply them at once.
    bool SetBaudRate(uint32_t rate);
    bool SetEvenParity();
    bool SetNoParity();
    bool SetOddParity();
    bool SetStopBits(int stopBits); // 1 or 2

    // Serial ports present, from sysfs; see ComPortList.h.
    static bool ListComPorts(std::vector<std::string>& list);

    bool IsOpen() const { return fd_.load() >= 0 || ftHandle_.load() != nullptr; }
    bool IsMonitoring() const { return running_.load(); }
    bool IsFtdiMode() const { return parsed_.ftdi; }
    int PortNumber() const { return parsed_.portNumber; }
    const std::string& PortName() const { return portName_; }
    const vorex::links::LineSettings& Line() const { return line_; }
    bool HardwareHandshake() const { return hardwareHandshake_; }

protected:
    // Notification hooks; they run on the worker thread, except OnBytesWritten for a
    // run that WriteToPort sent at once (then on the writing thread). The defaults do
    // nothing except OnReceiveChars, which hands each byte to OnReceiveChar.
    virtual void OnReceiveChar(uint8_t) {}
    virtual void OnReceiveChars(const uint8_t* bytes, size_t count);
    virtual void OnCTSChange(bool) {}
    virtual void OnDSRChange(bool) {}
    virtual void OnRLSDChange(bool) {}
    virtual void OnRingChange(bool) {}
    virtual void OnBreak() {}
    virtual void OnCommError(uint32_t) {}
    virtual void OnBytesWritten(size_t) {}
    virtual void OnTxEmpty() {}

private:
    void Worker();
    // The worker of FTDI mode: polls the device every millisecond.
    void FtdiWorker();
    // Hands what the FTDI device holds to OnReceiveChars; false when the device is lost.
    bool FtdiReceive(uint8_t* buffer, size_t capacity);
    // Opens and configures the FTDI device (under the open lock).
    bool OpenFtdi();
    // Reads the modem lines as TIOCM_* bits; false when they cannot be read.
    bool ReadModemLines(int& status);
    // Takes a pending wake-up of the worker; true when there was one.
    bool TakeWake();
    void WriteStep();
    bool ApplyLine();
    void CheckModemLines(bool initial);
    void StopWorker();
    void DeviceLost();
    // write() on the device under the open lock; -1 with EBADF once it is closed.
    ssize_t WriteDevice(const uint8_t* bytes, size_t count);
    void WakeWorker();

    std::string portName_;
    vorex::links::ParsedPortName parsed_;
    vorex::links::LineSettings line_;
    bool hardwareHandshake_ = false;
    uint32_t eventMask_ = 0;
    bool modemReadable_ = false;
    bool cts_ = false, dsr_ = false, rlsd_ = false, ring_ = false;

    std::atomic<int> fd_{-1};
    std::atomic<FT_HANDLE> ftHandle_{nullptr}; // FTDI mode
    int wakeFd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::thread worker_;
    std::mutex openLock_; // device handle and line settings

    std::mutex writeLock_; // write buffer
    std::vector<uint8_t> writeBuffer_;
    size_t pending_ = 0;
};

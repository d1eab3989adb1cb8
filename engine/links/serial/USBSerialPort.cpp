#include "engine/links/serial/USBSerialPort.h"

#include "engine/DebugOutput.h"
#include "engine/links/ftdi/FtdiLine.h"
#include "engine/links/serial/ComPortList.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Modem lines are only sampled when the device reports them; pseudo-terminals do not.
constexpr int kModemPollMs = 100;
// Longest time the worker keeps trying to push one queued run into a stalled device.
constexpr int kWriteStallMs = 2000;
// FTDI devices are polled this often; their own latency timer is set to 2 ms.
constexpr int kFtdiPollMs = 1;
constexpr uint8_t kFtdiLatencyMs = 2;

} // namespace

CUSBSerialPort::CUSBSerialPort() = default;

CUSBSerialPort::~CUSBSerialPort() {
    ClosePort();
}

void CUSBSerialPort::OnReceiveChars(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        OnReceiveChar(bytes[i]);
}

void CUSBSerialPort::StopWorker() {
    if (!worker_.joinable())
        return;
    stop_ = true;
    WakeWorker();
    worker_.join();
    stop_ = false;
}

bool CUSBSerialPort::InitPort(const std::string& portName, uint32_t baud, char parity, int dataBits,
                              int stopBits, int handshake, uint32_t eventMask,
                              size_t writeBufferSize) {
    StopWorker();
    portName_ = portName;
    parsed_ = vorex::links::ParsePortName(portName);

    if (wakeFd_ >= 0)
        close(wakeFd_);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    {
        std::lock_guard<std::mutex> lock(writeLock_);
        writeBuffer_.assign(writeBufferSize, 0);
        pending_ = 0;
    }
    eventMask_ = eventMask;
    line_ = {baud, parity, dataBits, stopBits, handshake};
    hardwareHandshake_ = handshake == 1 || handshake == 3;

    std::unique_lock<std::mutex> lock(openLock_);
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (parsed_.ftdi) {
        const bool opened = OpenFtdi();
        lock.unlock();
        if (!opened) {
            ClosePort();
            return false;
        }
        CheckModemLines(true);
        return true;
    }
    int fd = open(parsed_.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd); // held by another program
        fd = -1;
    }
    if (fd < 0 || !isatty(fd)) {
        if (fd >= 0)
            close(fd);
        lock.unlock();
        ClosePort();
        return false;
    }
    fd_ = fd;
    ApplyLine(); // a refused configuration does not fail the open
    tcflush(fd, TCIOFLUSH);
    lock.unlock();
    CheckModemLines(true);
    return true;
}

bool CUSBSerialPort::OpenFtdi() {
    namespace ftdi = vorex::ftdi;
    FT_HANDLE handle = FT_W32_CreateFile(parsed_.ftdiSerial);
    if (handle == ftdi::InvalidHandle() || handle == nullptr) {
        vorex::DebugOutput("Fehler: FTDI-Gerät \"" + portName_ + "\" kann nicht geöffnet werden\n");
        return false;
    }
    ftHandle_ = handle;
    FT_SetLatencyTimer(handle, kFtdiLatencyMs); // result ignored: a library without it still opens
    // Reads return at once with what is queued; writes have no time-out. A refused
    // setting skips the ones after it but does not fail the open.
    ftdi::FTTIMEOUTS timeouts{0xFFFFFFFFu, 0, 0, 0, 0};
    if (FT_W32_SetCommTimeouts(handle, &timeouts) && FT_W32_SetCommMask(handle, eventMask_))
        ApplyLine();
    FT_W32_PurgeComm(handle, ftdi::kPurgeTxClear | ftdi::kPurgeRxClear);
    return true;
}

bool CUSBSerialPort::ApplyLine() {
    if (parsed_.ftdi) {
        const FT_HANDLE handle = ftHandle_;
        vorex::ftdi::FTDCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (handle == nullptr || !FT_W32_GetCommState(handle, &dcb))
            return false;
        vorex::links::FillFtdiDcb(dcb, line_);
        return FT_W32_SetCommState(handle, &dcb) != 0;
    }
    if (fd_ < 0)
        return false;
    return vorex::links::ApplyLineSettings(fd_, line_);
}

bool CUSBSerialPort::ReadModemLines(int& status) {
    std::lock_guard<std::mutex> lock(openLock_);
    if (!parsed_.ftdi)
        return fd_ >= 0 && ioctl(fd_, TIOCMGET, &status) == 0;
    namespace ftdi = vorex::ftdi;
    DWORD lines = 0;
    const FT_HANDLE handle = ftHandle_;
    if (handle == nullptr || !FT_W32_GetCommModemStatus(handle, &lines))
        return false;
    status = (lines & ftdi::kMsCtsOn ? TIOCM_CTS : 0) | (lines & ftdi::kMsDsrOn ? TIOCM_DSR : 0) |
             (lines & ftdi::kMsRingOn ? TIOCM_RI : 0) | (lines & ftdi::kMsRlsdOn ? TIOCM_CD : 0);
    return true;
}

void CUSBSerialPort::CheckModemLines(bool initial) {
    int status = 0;
    if (!ReadModemLines(status)) {
        modemReadable_ = false;
        return;
    }
    modemReadable_ = true;
    const bool cts = status & TIOCM_CTS, dsr = status & TIOCM_DSR, rlsd = status & TIOCM_CD,
               ring = status & TIOCM_RI;
    if (initial) {
        cts_ = cts, dsr_ = dsr, rlsd_ = rlsd, ring_ = ring;
        if (rlsd)
            OnRLSDChange(true);
        if (dsr)
            OnDSRChange(true);
        if (cts)
            OnCTSChange(true);
        if (ring)
            OnRingChange(true);
        return;
    }
    if (cts != cts_)
        OnCTSChange(cts_ = cts);
    if (dsr != dsr_)
        OnDSRChange(dsr_ = dsr);
    if (rlsd != rlsd_)
        OnRLSDChange(rlsd_ = rlsd);
    if (ring != ring_)
        OnRingChange(ring_ = ring);
}

bool CUSBSerialPort::StartMonitoring() {
    if (worker_.joinable() || !IsOpen())
        return false;
    stop_ = false;
    running_ = true; // set before the thread exists so that callers see it at once
    try {
        worker_ = std::thread([this] { Worker(); });
    } catch (const std::system_error&) {
        running_ = false;
        return false;
    }
    return true;
}

void CUSBSerialPort::DeviceLost() {
    std::lock_guard<std::mutex> lock(openLock_);
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    if (ftHandle_.load() != nullptr)
        FT_W32_CloseHandle(ftHandle_);
    ftHandle_ = nullptr;
}

bool CUSBSerialPort::TakeWake() {
    uint64_t count = 0;
    return read(wakeFd_, &count, sizeof count) > 0;
}

bool CUSBSerialPort::FtdiReceive(uint8_t* buffer, size_t capacity) {
    DWORD errors = 0;
    vorex::ftdi::FTCOMSTAT status{};
    FT_HANDLE handle;
    {
        std::lock_guard<std::mutex> lock(openLock_);
        handle = ftHandle_;
        if (handle == nullptr || !FT_W32_ClearCommError(handle, &errors, &status))
            return false;
    }
    size_t queued = status.cbInQue;
    while (queued > 0) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(queued, capacity));
        {
            std::lock_guard<std::mutex> lock(openLock_);
            if (ftHandle_.load() != handle || !FT_W32_ReadFile(handle, buffer, want, &got))
                return false;
        }
        // The library's count is not trusted beyond what was asked for.
        got = std::min(got, want);
        if (got == 0)
            break;
        OnReceiveChars(buffer, got);
        queued -= std::min<size_t>(queued, got);
    }
    return true;
}

void CUSBSerialPort::FtdiWorker() {
    uint8_t buffer[4096];
    for (int pass = 1; !stop_; ++pass) {
        pollfd wake{wakeFd_, POLLIN, 0};
        if (poll(&wake, 1, kFtdiPollMs) > 0 && TakeWake()) {
            if (stop_)
                break;
            WriteStep();
        }
        if (!FtdiReceive(buffer, sizeof buffer)) {
            OnCommError(0x800);
            DeviceLost();
            break;
        }
        if (modemReadable_ && pass % kModemPollMs == 0)
            CheckModemLines(false);
    }
}

void CUSBSerialPort::Worker() {
    uint8_t buffer[4096];
    // Bytes queued before the worker started go out at once.
    WriteStep();
    if (parsed_.ftdi) {
        FtdiWorker();
        running_ = false;
        return;
    }
    while (!stop_) {
        const int fd = fd_;
        if (fd < 0)
            break;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int r = poll(fds, 2, modemReadable_ ? kModemPollMs : -1);
        if (r < 0) {
            if (errno != EINTR)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (fds[1].revents & POLLIN) {
            TakeWake();
            if (stop_)
                break;
            WriteStep();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            bool lost = (fds[0].revents & (POLLERR | POLLNVAL)) != 0;
            bool gotData = false;
            for (;;) {
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    gotData = true;
                    OnReceiveChars(buffer, static_cast<size_t>(n));
                    if (static_cast<size_t>(n) < sizeof buffer)
                        break;
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    break;
                // A read error, or end of file on a hung-up line: the device is gone.
                if (n < 0 || (fds[0].revents & POLLHUP))
                    lost = true;
                break;
            }
            if (!gotData && (fds[0].revents & POLLHUP))
                lost = true;
            if (lost) {
                OnCommError(0x800);
                DeviceLost();
                break;
            }
        }
        if (modemReadable_)
            CheckModemLines(false);
    }
    running_ = false;
}

bool CUSBSerialPort::WriteToPort(const uint8_t* bytes, int length) {
    if (bytes == nullptr)
        return false;
    size_t count = length < 0 ? std::strlen(reinterpret_cast<const char*>(bytes))
                              : static_cast<size_t>(length);
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(writeLock_);
        if (pending_ + count <= writeBuffer_.size()) {
            // With nothing queued and the worker running, the bytes go straight out
            // instead of waiting for the worker to wake; what the device does not take
            // at once is queued for the worker, in order.
            size_t done = 0;
            if (pending_ == 0 && running_) {
                const ssize_t n = WriteDevice(bytes, count);
                if (n > 0)
                    done = static_cast<size_t>(n);
            }
            if (done > 0)
                OnBytesWritten(done);
            if (done == count)
                return true;
            std::memcpy(writeBuffer_.data() + pending_, bytes + done, count - done);
            pending_ += count - done;
            queued = true;
        }
    }
    // Wake the worker even when the run was dropped: what is queued must not wait for
    // a write that fits.
    WakeWorker();
    return queued;
}

ssize_t CUSBSerialPort::WriteDevice(const uint8_t* bytes, size_t count) {
    // Under the open lock: the worker closes the device when it is lost, and the
    // number of a closed descriptor may already belong to another file.
    std::lock_guard<std::mutex> lock(openLock_);
    if (parsed_.ftdi) {
        DWORD written = 0;
        const FT_HANDLE handle = ftHandle_;
        if (handle == nullptr) {
            errno = EBADF;
            return -1;
        }
        if (!FT_W32_WriteFile(handle, bytes, static_cast<DWORD>(count), &written)) {
            errno = EIO;
            return -1;
        }
        return static_cast<ssize_t>(written);
    }
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    return write(fd_, bytes, count);
}

void CUSBSerialPort::WakeWorker() {
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t w = write(wakeFd_, &one, sizeof one);
    }
}

void CUSBSerialPort::DropUnsent() {
    std::lock_guard<std::mutex> lock(writeLock_);
    pending_ = 0;
}

void CUSBSerialPort::WriteStep() {
    std::lock_guard<std::mutex> lock(writeLock_);
    if (pending_ == 0) {
        OnTxEmpty();
        return;
    }
    size_t done = 0;
    auto started = std::chrono::steady_clock::now();
    while (done < pending_) {
        const ssize_t n = WriteDevice(writeBuffer_.data() + done, pending_ - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN &&
            std::chrono::steady_clock::now() - started < std::chrono::milliseconds(kWriteStallMs)) {
            const int fd = fd_;
            pollfd p{fd, POLLOUT, 0};
            if (fd >= 0)
                poll(&p, 1, 50);
            continue;
        }
        break;
    }
    if (done == 0)
        return; // nothing went out: keep the bytes for the next write event
    // Whatever did not go out stays queued, in order.
    std::memmove(writeBuffer_.data(), writeBuffer_.data() + done, pending_ - done);
    pending_ -= done;
    OnBytesWritten(done);
}

void CUSBSerialPort::ClosePort() {
    StopWorker();
    running_ = false;
    {
        std::lock_guard<std::mutex> lock(openLock_);
        if (fd_ >= 0) {
            flock(fd_, LOCK_UN);
            close(fd_);
        }
        fd_ = -1;
        if (ftHandle_.load() != nullptr)
            FT_W32_CloseHandle(ftHandle_);
        ftHandle_ = nullptr;
    }
    if (wakeFd_ >= 0)
        close(wakeFd_);
    wakeFd_ = -1;
    std::lock_guard<std::mutex> lock(writeLock_);
    writeBuffer_.clear();
    writeBuffer_.shrink_to_fit();
    pending_ = 0;
}

bool CUSBSerialPort::SetBaudRate(uint32_t rate) {
    std::lock_guard<std::mutex> lock(openLock_);
    line_.baud = rate;
    return ApplyLine();
}

bool CUSBSerialPort::SetEvenParity() {
    std::lock_guard<std::mutex> lock(openLock_);
    line_.parity = 'E';
    return ApplyLine();
}

bool CUSBSerialPort::SetNoParity() {
    std::lock_guard<std::mutex> lock(openLock_);
    line_.parity = 'N';
    return ApplyLine();
}

bool CUSBSerialPort::SetOddParity() {
    std::lock_guard<std::mutex> lock(openLock_);
    line_.parity = 'O';
    return ApplyLine();
}

bool CUSBSerialPort::SetStopBits(int stopBits) {
    std::lock_guard<std::mutex> lock(openLock_);
    line_.stopBits = stopBits == 2 ? 2 : 1;
    return ApplyLine();
}

bool CUSBSerialPort::ListComPorts(std::vector<std::string>& list) {
    list.clear();
    vorex::links::ListComPortsFromSysfs("/sys", "/dev", list);
    return true;
}

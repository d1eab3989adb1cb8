#include "USBSerialPort.h"

#include "../DebugOutput.h"
#include "ComPortList.h"

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
        vorex::DebugOutput("Fehler: FTDI-Gerät \"" + portName + "\" kann nicht geöffnet werden\n");
        lock.unlock();
        ClosePort();
        return false;
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

bool CUSBSerialPort::ApplyLine() {
    if (fd_ < 0)
        return false;
    return vorex::links::ApplyLineSettings(fd_, line_);
}

void CUSBSerialPort::CheckModemLines(bool initial) {
    int status = 0;
    {
        std::lock_guard<std::mutex> lock(openLock_);
        if (fd_ < 0 || ioctl(fd_, TIOCMGET, &status) != 0) {
            modemReadable_ = false;
            return;
        }
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
    if (worker_.joinable() || fd_ < 0)
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
}

void CUSBSerialPort::Worker() {
    uint8_t buffer[4096];
    // Bytes queued before the worker started go out at once.
    WriteStep();
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
            uint64_t count = 0;
            [[maybe_unused]] ssize_t n = read(wakeFd_, &count, sizeof count);
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

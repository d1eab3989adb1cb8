// The Bluetooth module on a serial port (COM mode).
#include "engine/links/bluetooth/BluetoothAdapter.h"

#include "engine/links/serial/LineSettings.h"
#include "engine/links/serial/PortName.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vorex::links::bt {
namespace {

constexpr uint32_t kModuleBaud = 9600;
constexpr int kComBreakMs = 50;

std::string WithoutBtMarks(std::string name) {
    for (size_t at; (at = name.find(" BT")) != std::string::npos;)
        name.erase(at, 3);
    return name;
}

class ComModuleAdapter final : public BluetoothAdapter {
public:
    explicit ComModuleAdapter(int fd) : fd_(fd) {}
    ~ComModuleAdapter() override { close(fd_); }
    ComModuleAdapter(const ComModuleAdapter&) = delete;
    ComModuleAdapter& operator=(const ComModuleAdapter&) = delete;

    size_t Read(uint8_t* into, size_t room) override {
        if (room == 0)
            return 0;
        const ssize_t n = read(fd_, into, room);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }

    bool Write(const uint8_t* bytes, size_t count) override {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = write(fd_, bytes + done, count - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{fd_, POLLOUT, 0};
                if (poll(&p, 1, 100) <= 0 && errno != EINTR)
                    return false;
            } else {
                return false;
            }
        }
        return true;
    }

    void WaitReadable(int ms) override {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) > 0 && (p.revents & (POLLHUP | POLLERR)))
            usleep(static_cast<useconds_t>(ms) * 1000); // a hung-up line reads nothing
    }

    bool ComMode() const override { return true; }

private:
    int fd_;
};

} // namespace

std::string ComModuleDevice(const std::string& name) {
    std::string device = WithoutBtMarks(name);
    if (device.rfind("\\\\.\\", 0) == 0)
        device.erase(0, 4);
    const bool com = device.size() >= 3 && (device[0] | 0x20) == 'c' && (device[1] | 0x20) == 'o' &&
                     (device[2] | 0x20) == 'm';
    if (!com && device.rfind("/", 0) != 0)
        return {};
    const ParsedPortName parsed = ParsePortName(device);
    return parsed.ftdi ? std::string{} : parsed.devicePath;
}

std::vector<std::string> ListComModules() {
    std::vector<std::string> names;
    const char* env = std::getenv("VOREX_BT_MODULES");
    std::string list = env ? env : "";
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string path = list.substr(start, end - start);
        if (path.rfind("/", 0) == 0)
            names.push_back(path + " BT");
        start = end + 1;
    }
    return names;
}

std::unique_ptr<BluetoothAdapter> OpenComModule(const std::string& devicePath) {
    const int fd = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    LineSettings line;
    line.baud = kModuleBaud;
    if (!ApplyLineSettings(fd, line)) {
        close(fd);
        return nullptr;
    }
    // A break wakes the module; pseudo-terminals have none, and a refused break does
    // not fail the open.
    if (ioctl(fd, TIOCSBRK) == 0) {
        usleep(kComBreakMs * 1000);
        ioctl(fd, TIOCCBRK);
    }
    return std::make_unique<ComModuleAdapter>(fd);
}

} // namespace vorex::links::bt

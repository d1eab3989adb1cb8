#include "sim/vendor/StandInDevices.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vstandin {

std::vector<DeviceEntry> DevicesFromEnv(const char* variable) {
    std::vector<DeviceEntry> devices;
    const char* text = std::getenv(variable);
    if (text == nullptr)
        return devices;
    std::stringstream all(text);
    std::string item;
    while (std::getline(all, item, ';')) {
        const size_t eq = item.find('=');
        if (eq == 0 || eq == std::string::npos)
            continue;
        DeviceEntry entry;
        entry.serial = item.substr(0, eq);
        entry.path = item.substr(eq + 1);
        const size_t comma = entry.path.find(',');
        if (comma != std::string::npos) {
            entry.busy = entry.path.substr(comma + 1) == "busy";
            entry.path.erase(comma);
        }
        devices.push_back(std::move(entry));
    }
    return devices;
}

PtyDevice::~PtyDevice() {
    if (fd_ >= 0)
        close(fd_);
}

bool PtyDevice::Open(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio{};
    if (tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    return true;
}

size_t PtyDevice::Queued() const {
    int count = 0;
    if (fd_ < 0 || ioctl(fd_, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<size_t>(count);
}

long PtyDevice::Read(void* buffer, size_t count, int waitMs) {
    if (fd_ < 0)
        return -1;
    if (count == 0)
        return 0;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, waitMs) < 0 && errno != EINTR)
        return -1;
    const ssize_t n = read(fd_, buffer, count);
    if (n >= 0)
        return n;
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

long PtyDevice::Write(const void* buffer, size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    size_t done = 0;
    while (fd_ >= 0 && done < count) {
        const ssize_t n = write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 50);
            continue;
        }
        return -1;
    }
    return static_cast<long>(done);
}

bool PtyDevice::Alive() const {
    pollfd p{fd_, POLLIN, 0};
    return fd_ >= 0 && poll(&p, 1, 0) >= 0 && !(p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void PtyDevice::DropInput() {
    char scratch[256];
    while (fd_ >= 0 && read(fd_, scratch, sizeof scratch) > 0) {
    }
}

void* OpenDevices::Open(const DeviceEntry& entry) {
    std::lock_guard<std::mutex> lock(lock_);
    if (entry.busy)
        return nullptr;
    for (const auto& [handle, device] : devices_)
        if (device->Serial() == entry.serial)
            return nullptr;
    auto device = std::make_unique<PtyDevice>(entry.serial);
    if (!device->Open(entry.path))
        return nullptr;
    void* handle = device.get();
    devices_.emplace(handle, std::move(device));
    return handle;
}

PtyDevice* OpenDevices::Find(void* handle) {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = devices_.find(handle);
    return it == devices_.end() ? nullptr : it->second.get();
}

bool OpenDevices::IsOpen(const std::string& serial) {
    std::lock_guard<std::mutex> lock(lock_);
    for (const auto& [handle, device] : devices_)
        if (device->Serial() == serial)
            return true;
    return false;
}

bool OpenDevices::Close(void* handle) {
    std::lock_guard<std::mutex> lock(lock_);
    return devices_.erase(handle) > 0;
}

} // namespace vstandin

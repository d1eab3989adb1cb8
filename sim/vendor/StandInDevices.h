#pragma once
// Shared part of the stand-in vendor libraries (libftd2xx.so, libSiUSBXp.so): the
// "devices" they offer are stand-in readers on pseudo-terminals (vorex-sim, or a
// PtyServer in a test), named by an environment variable of the form
//   SERIAL=PATH[,busy];SERIAL=PATH...
// "busy" marks a device that another program has open: listed as open, not openable.
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vstandin {

struct DeviceEntry {
    std::string serial;
    std::string path;
    bool busy = false;
};

// The devices named by the environment variable, in order; malformed entries are
// skipped.
std::vector<DeviceEntry> DevicesFromEnv(const char* variable);

// One opened device: the pseudo-terminal in raw mode, non-blocking.
class PtyDevice {
public:
    explicit PtyDevice(std::string serial) : serial_(std::move(serial)) {}
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    bool Open(const std::string& path);
    const std::string& Serial() const { return serial_; }
    // Bytes waiting to be read.
    size_t Queued() const;
    // Reads what is waiting, waiting up to waitMs for the first byte; -1 when the
    // line is gone.
    long Read(void* buffer, size_t count, int waitMs);
    // Writes all bytes (waiting while the line is full); -1 when the line is gone.
    long Write(const void* buffer, size_t count);
    // Drops what is waiting to be read.
    void DropInput();
    // False once the other side of the pseudo-terminal has gone (the reader was
    // unplugged).
    bool Alive() const;

private:
    std::string serial_;
    int fd_ = -1;
};

// The open devices of a library, by handle.
class OpenDevices {
public:
    // Opens the device of the entry; null when it is busy, already open or fails.
    void* Open(const DeviceEntry& entry);
    PtyDevice* Find(void* handle);
    bool IsOpen(const std::string& serial);
    bool Close(void* handle);

private:
    std::mutex lock_;
    std::map<void*, std::unique_ptr<PtyDevice>> devices_;
};

} // namespace vstandin

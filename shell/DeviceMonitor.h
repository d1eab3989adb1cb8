#pragma once
// Device arrival and removal: a libudev monitor (tty, usb, hidraw) feeding a socket
// notifier; where udev is not available, a poll every second.
// Emits 0x8000 for an arrival, 7 for other changes and 0x18 for a poll.
#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace vorex::shell {

class CDeviceMonitor : public QObject {
    Q_OBJECT
public:
    explicit CDeviceMonitor(bool useUdev, QObject* parent = nullptr);
    ~CDeviceMonitor() override;
    bool UsesUdev() const { return monitor_ != nullptr; }

signals:
    void deviceChange(int event);

private:
    void OnUdevReadable();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer poll_;
};

} // namespace vorex::shell

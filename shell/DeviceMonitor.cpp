#include "shell/DeviceMonitor.h"

#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>

namespace vorex::shell {

CDeviceMonitor::CDeviceMonitor(bool useUdev, QObject* parent) : QObject(parent) {
    if (useUdev && (udev_ = udev_new()) != nullptr) {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_) {
            for (const char* subsystem : {"tty", "usb", "hidraw"})
                udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem, nullptr);
            if (udev_monitor_enable_receiving(monitor_) < 0) {
                udev_monitor_unref(monitor_);
                monitor_ = nullptr;
            }
        }
    }
    if (monitor_) {
        notifier_ =
            std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this,
                &CDeviceMonitor::OnUdevReadable);
        return;
    }
    poll_.setInterval(1000);
    connect(&poll_, &QTimer::timeout, this, [this] { emit deviceChange(0x18); });
    poll_.start();
}

CDeviceMonitor::~CDeviceMonitor() {
    notifier_.reset();
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

void CDeviceMonitor::OnUdevReadable() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device)
        return;
    const char* action = udev_device_get_action(device);
    const bool arrival = action != nullptr && std::strcmp(action, "add") == 0;
    udev_device_unref(device);
    emit deviceChange(arrival ? 0x8000 : 7);
}

} // namespace vorex::shell

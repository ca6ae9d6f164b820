#pragma once
// Owning handles for the libudev objects that the port map and the device monitor hold.

#include <libudev.h>

#include <memory>

namespace platform {

struct UdevRelease
{
    void operator()(udev *object) const { udev_unref(object); }
    void operator()(udev_enumerate *object) const { udev_enumerate_unref(object); }
    void operator()(udev_device *object) const { udev_device_unref(object); }
    void operator()(udev_monitor *object) const { udev_monitor_unref(object); }
};

using UdevContext = std::unique_ptr<udev, UdevRelease>;
using UdevEnumeration = std::unique_ptr<udev_enumerate, UdevRelease>;
using UdevDevice = std::unique_ptr<udev_device, UdevRelease>;
using UdevMonitor = std::unique_ptr<udev_monitor, UdevRelease>;

} // namespace platform

#pragma once
// Device arrival and removal, delivered the way the desktop broadcasts them to its top-level
// windows: one WM_DEVICECHANGE message posted to a window handle (platform/Messages.h) per port
// or volume that appears (wParam DBT_DEVICEARRIVAL) or goes (DBT_DEVICEREMOVECOMPLETE). lParam
// is 0: what kind of device it was is not told.
//
// What counts: a serial port (tty) or a partition (standing in for a volume) added to or
// removed from the system, and an entry (a link, also one whose target is gone) added to or
// removed from the ports folder. The other events of the same plug (the USB device, its
// interfaces, the bridge's driver) are not counted again, so one plug is one arrival.

#include "platform/Messages.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace platform {

inline constexpr std::uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr WParam DBT_DEVICEARRIVAL = 0x8000;
inline constexpr WParam DBT_DEVICEREMOVECOMPLETE = 0x8004;

// Where the system's device events are read from.
enum class DeviceEventSource
{
    Automatic,   // the device manager's events when it runs (udevd's control socket exists), else the kernel's
    DeviceManager,
    Kernel,
    None,        // (as the source in use) system events are not watched; the ports folder still is
};

// Watches for device changes while it exists and posts them to a window. Lives on the thread
// that created it (the GUI thread) and reads its events there; it takes no time while nothing
// happens.
class DeviceChangeMonitor : public QObject
{
    Q_OBJECT
public:
    // Starts watching the system's devices (from source) and portsFolder (empty: no folder;
    // a folder that does not exist yet is watched from when it is made). Never fails: what
    // cannot be watched is left out, ActiveSource() and Failure() tell.
    static std::unique_ptr<DeviceChangeMonitor> Start(WindowHandle window, const QString &portsFolder,
                                                      DeviceEventSource source = DeviceEventSource::Automatic);
    ~DeviceChangeMonitor() override = default;

    // The source read for system events; None when they cannot be watched.
    virtual DeviceEventSource ActiveSource() const = 0;
    // Why system events are not watched (empty while they are), for the log.
    virtual QString Failure() const = 0;

protected:
    DeviceChangeMonitor() = default;
};

} // namespace platform

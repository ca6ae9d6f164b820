// Device changes on Linux: a udev monitor read through a socket notifier on the GUI thread,
// and an inotify watch (QFileSystemWatcher) on the ports folder.

#include "platform/DeviceChange.h"

#include "platform/SystemError.h"
#include "platform/linux/UdevHandles.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QSocketNotifier>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// udevd makes its control socket when it starts; without it (containers, early boot) only the
// kernel announces devices.
bool DeviceManagerRuns()
{
    return ::access("/run/udev/control", F_OK) == 0;
}

QString SourceName(DeviceEventSource source)
{
    return source == DeviceEventSource::DeviceManager ? QStringLiteral("udev") : QStringLiteral("kernel");
}

// The wParam for a device event, or 0 when it is not counted: only ports and partitions, and
// only their adding and removing, so that the other devices of the same plug (USB device,
// interface, usb-serial port) and "change"/"bind" events make no broadcast. The kernel's
// events may come unfiltered, so this is checked here too.
WParam BroadcastFor(udev_device *device)
{
    const char *subsystem = udev_device_get_subsystem(device);
    const char *devtype = udev_device_get_devtype(device);
    const char *action = udev_device_get_action(device);
    if (!subsystem || !action)
        return 0;
    const bool counted = std::strcmp(subsystem, "tty") == 0
                         || (std::strcmp(subsystem, "block") == 0 && devtype && std::strcmp(devtype, "partition") == 0);
    if (!counted)
        return 0;
    if (std::strcmp(action, "add") == 0)
        return DBT_DEVICEARRIVAL;
    if (std::strcmp(action, "remove") == 0)
        return DBT_DEVICEREMOVECOMPLETE;
    return 0;
}

class UdevDeviceChangeMonitor final : public DeviceChangeMonitor
{
public:
    UdevDeviceChangeMonitor(WindowHandle window, const QString &portsFolder, DeviceEventSource source)
        : window_(window), portsFolder_(portsFolder)
    {
        OpenSystemEvents(source);
        if (!portsFolder_.isEmpty()) {
            QObject::connect(&folderWatcher_, &QFileSystemWatcher::directoryChanged, this,
                             [this] { PortsFolderChanged(); });
            WatchPortsFolder();
            portNames_ = PortNames();
        }
    }

    DeviceEventSource ActiveSource() const override { return activeSource_; }
    QString Failure() const override { return failure_; }

private:
    void OpenSystemEvents(DeviceEventSource source)
    {
        if (source == DeviceEventSource::None) {
            failure_ = QStringLiteral("System device events are not watched (not asked for).");
            return;
        }
        if (source == DeviceEventSource::Automatic)
            source = DeviceManagerRuns() ? DeviceEventSource::DeviceManager : DeviceEventSource::Kernel;

        const QString what = QStringLiteral("Cannot watch the system's device events (%1 source): ").arg(SourceName(source));
        errno = 0;
        context_.reset(udev_new());
        if (context_)
            monitor_.reset(udev_monitor_new_from_netlink(context_.get(), SourceName(source).toLatin1().constData()));
        if (!monitor_) {
            failure_ = what + (errno ? SystemErrorReason(errno) : QStringLiteral("udev is not available"));
            context_.reset();
            return;
        }
        // Room for the burst of a hub with many devices; refused quietly without the right to
        // raise the system's limit.
        udev_monitor_set_receive_buffer_size(monitor_.get(), 1 << 20);
        udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr);
        udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "block", "partition");
        const int enabled = udev_monitor_enable_receiving(monitor_.get());
        if (enabled < 0) {
            failure_ = what + SystemErrorReason(-enabled);
            monitor_.reset();
            context_.reset();
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_.get()), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadSystemEvents(); });
        activeSource_ = source;
    }

    // Takes every event that is waiting, so that one wake-up serves a whole plug.
    void ReadSystemEvents()
    {
        while (const UdevDevice device{udev_monitor_receive_device(monitor_.get())}) {
            if (const WParam broadcast = BroadcastFor(device.get()))
                PostMessage(window_, WM_DEVICECHANGE, broadcast, 0);
        }
    }

    // Watches the ports folder, or while it does not exist the nearest folder above it that
    // does, to see it made.
    void WatchPortsFolder()
    {
        QString watched = QDir::cleanPath(QDir(portsFolder_).absolutePath());
        while (!QFileInfo(watched).isDir()) {
            const QString parent = QFileInfo(watched).absolutePath();
            if (parent == watched)
                break;
            watched = parent;
        }
        const QStringList current = folderWatcher_.directories();
        if (current == QStringList{watched})
            return;
        if (!current.isEmpty())
            folderWatcher_.removePaths(current);
        folderWatcher_.addPath(watched);
    }

    // Every entry counts, also a link whose target is gone (it still names a port).
    QSet<QString> PortNames() const
    {
        const QStringList names = QDir(portsFolder_).entryList(
            QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
        return QSet<QString>(names.begin(), names.end());
    }

    void PortsFolderChanged()
    {
        // The watch moves first, so that an entry made while the folder is read is seen by
        // the next change.
        WatchPortsFolder();
        const QSet<QString> names = PortNames();
        for (const QString &name : names) {
            if (!portNames_.contains(name))
                PostMessage(window_, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
        }
        for (const QString &name : std::as_const(portNames_)) {
            if (!names.contains(name))
                PostMessage(window_, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
        }
        portNames_ = names;
    }

    const WindowHandle window_;
    const QString portsFolder_;
    DeviceEventSource activeSource_ = DeviceEventSource::None;
    QString failure_;
    UdevContext context_;
    UdevMonitor monitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QFileSystemWatcher folderWatcher_;
    QSet<QString> portNames_;
};

} // namespace

std::unique_ptr<DeviceChangeMonitor> DeviceChangeMonitor::Start(WindowHandle window, const QString &portsFolder,
                                                                DeviceEventSource source)
{
    return std::make_unique<UdevDeviceChangeMonitor>(window, portsFolder, source);
}

} // namespace platform

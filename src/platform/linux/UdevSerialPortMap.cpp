// The serial-port map on Linux: the tty devices that udev knows, then the COMn links of the
// ports folder.

#include "platform/SerialPortMap.h"

#include "platform/linux/UdevHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace platform {

namespace {

// A port by its kernel name: the name's letters and number, the COM number it is opened by.
struct NumberedPort
{
    QString stem;
    int number = 0;
    int com = 0;
};

// ttyUSBk, ttyACMk and ttySk: the kernel names that a COM number reaches (see
// ResolveCommDevice).
std::optional<NumberedPort> NumberOf(const QString &kernelName)
{
    static const QRegularExpression pattern(QStringLiteral("^(ttyUSB|ttyACM|ttyS)([0-9]{1,3})$"));
    const auto match = pattern.match(kernelName);
    if (!match.hasMatch())
        return std::nullopt;
    NumberedPort port{match.captured(1), match.captured(2).toInt()};
    if (port.stem == QLatin1String("ttyUSB") && port.number <= 63)
        port.com = port.number + 1;
    else if (port.stem == QLatin1String("ttyACM") && port.number <= 63)
        port.com = port.number + 65;
    else if (port.stem == QLatin1String("ttyS") && port.number <= 31)
        port.com = port.number + 129;
    else
        return std::nullopt;
    return port;
}

// The kind of serial port a tty device is, which names its line ("Silabser", "Serial",
// "cdc_acm", ...); nothing for a tty that is no serial port: one without a device behind it
// (consoles, pseudo-terminal masters) or a UART slot without a UART.
std::optional<QString> KindOf(udev_device *tty)
{
    udev_device *parent = udev_device_get_parent(tty);   // owned by tty
    if (!parent)
        return std::nullopt;
    const char *type = udev_device_get_sysattr_value(tty, "type");
    if (type && std::strcmp(type, "0") == 0)
        return std::nullopt;

    const QString kernelName = QString::fromLocal8Bit(udev_device_get_sysname(tty));
    if (kernelName.startsWith(QLatin1String("ttyS")))
        return QStringLiteral("Serial");

    // The driver is the one of the nearest device that has one: the usb-serial port for a
    // bridge, the USB interface for a modem class device.
    QString driver;
    for (udev_device *device = parent; device && driver.isEmpty(); device = udev_device_get_parent(device)) {
        if (const char *name = udev_device_get_driver(device))
            driver = QString::fromLocal8Bit(name);
    }
    const char *usbDriver = udev_device_get_property_value(tty, "ID_USB_DRIVER");
    if (driver == QLatin1String("cp210x") || (usbDriver && std::strcmp(usbDriver, "cp210x") == 0))
        return QStringLiteral("Silabser");
    if (!driver.isEmpty())
        return driver;
    if (usbDriver && *usbDriver)
        return QString::fromLocal8Bit(usbDriver);
    // Present but bound to no driver (rare, while a driver is being unloaded): named after
    // the kernel name's letters.
    return kernelName.left(kernelName.indexOf(QRegularExpression(QStringLiteral("[0-9]"))));
}

// Numbers the lines of each kind from 0, in the order they are added.
class LineNames
{
public:
    QString Line(const QString &kind, const QString &portName)
    {
        const int index = next_[kind]++;
        return QStringLiteral("\\Device\\") + kind + QString::number(index) + QStringLiteral("##") + portName;
    }

private:
    QHash<QString, int> next_;
};

// The link's text as it is stored, without following it.
QString LinkText(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(name.constData(), target.data(), static_cast<size_t>(target.size()));
    if (length < 0 || length >= target.size())
        return {};
    target.truncate(length);
    return QFile::decodeName(target);
}

// The kind of port a link in the ports folder leads to; nothing when that device is not
// present. The device is found by the link's last name (/dev/ttyUSB0, or ../../ttyUSB0 of a
// /dev/serial/by-id link), not by following the link.
std::optional<QString> LinkKind(udev *context, const QString &linkText)
{
    const QString lastName = linkText.mid(linkText.lastIndexOf(QLatin1Char('/')) + 1);
    if (!lastName.isEmpty()) {
        const UdevDevice tty(
            udev_device_new_from_subsystem_sysname(context, "tty", QFile::encodeName(lastName).constData()));
        if (tty)
            return KindOf(tty.get());
    }
    static const QRegularExpression pseudoTerminal(QStringLiteral("^/dev/pts/[0-9]+$"));
    struct stat status{};
    if (pseudoTerminal.match(linkText).hasMatch() && ::stat(QFile::encodeName(linkText).constData(), &status) == 0
        && S_ISCHR(status.st_mode))
        return QStringLiteral("VirtualSerial");
    return std::nullopt;
}

} // namespace

bool EnumSerialPorts(QStringList &List, const QString &portsFolder)
{
    const UdevContext context(udev_new());
    if (!context)
        return false;
    const UdevEnumeration enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "tty") < 0
        || udev_enumerate_scan_devices(enumeration.get()) < 0)
        return false;

    struct Port
    {
        NumberedPort number;
        QString kind;
    };
    std::vector<Port> ports;
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get()))
    {
        // A device that went away since the scan is simply not there.
        const UdevDevice tty(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!tty)
            continue;
        const auto number = NumberOf(QString::fromLocal8Bit(udev_device_get_sysname(tty.get())));
        if (!number)
            continue;
        if (auto kind = KindOf(tty.get()))
            ports.push_back({*number, *kind});
    }
    std::sort(ports.begin(), ports.end(), [](const Port &a, const Port &b) {
        return a.number.stem != b.number.stem ? a.number.stem < b.number.stem : a.number.number < b.number.number;
    });

    LineNames names;
    QStringList lines;
    for (const Port &port : ports)
        lines.append(names.Line(port.kind, QStringLiteral("COM%1").arg(port.number.com)));

    if (!portsFolder.isEmpty()) {
        static const QRegularExpression linkName(QStringLiteral("^COM[0-9]+$"),
                                                 QRegularExpression::CaseInsensitiveOption);
        const QDir folder(portsFolder);
        QStringList entries = folder.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                                               QDir::NoSort);
        std::sort(entries.begin(), entries.end());
        for (const QString &name : std::as_const(entries)) {
            if (!linkName.match(name).hasMatch())
                continue;
            const QString path = folder.filePath(name);
            if (!QFileInfo(path).isSymLink())
                continue;
            if (const auto kind = LinkKind(context.get(), LinkText(path)))
                lines.append(names.Line(*kind, name));
        }
    }

    List = lines;
    return true;
}

} // namespace platform

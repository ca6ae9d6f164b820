#include "comm/CommDevice.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>

#include <cerrno>

QString ResolveCommDevice(const QString &commName, const QString &portsFolder)
{
    if (commName.startsWith(QLatin1Char('/')))
        return commName;

    static const QRegularExpression comPattern(QStringLiteral("^COM([0-9]{1,9})$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const auto match = comPattern.match(commName);
    if (!match.hasMatch())
        return QStringLiteral("/dev/") + commName;

    const int number = match.captured(1).toInt();
    if (!portsFolder.isEmpty()) {
        const QString link = QDir(portsFolder).filePath(QStringLiteral("COM%1").arg(number));
        // Any entry counts, also one that cannot be looked at (no permission): opening it then
        // reports why, instead of silently trying another device.
        struct stat status{};
        if (::lstat(QFile::encodeName(link).constData(), &status) == 0 || errno != ENOENT)
            return link;
    }
    if (number >= 1 && number <= 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(number - 1);
    if (number >= 65 && number <= 128)
        return QStringLiteral("/dev/ttyACM%1").arg(number - 65);
    if (number >= 129 && number <= 160)
        return QStringLiteral("/dev/ttyS%1").arg(number - 129);
    // No device numbering covers this port; the name leads to a file that does not exist, so
    // opening it reports "no such file" with the path shown.
    return QStringLiteral("/dev/COM%1").arg(number);
}

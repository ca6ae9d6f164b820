#include "platform/Paths.h"

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

namespace {

bool Exists(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// The entry of folder whose name equals name without regard to case; empty when none does.
// Entries are looked at in name order, so the choice is the same on every run.
QString FindEntryIgnoringCase(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

} // namespace

QString ProgramFilePath()
{
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return QFile::decodeName(target.c_str());
}

QString ApplicationDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        return {};
    if (!QDir().mkpath(folder))
        return {};
    return folder;
}

QString InstallRootOf(const QString &folder)
{
    QString path = folder;
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return {};
    return path.left(slash);
}

QString IncludeTrailingSeparator(const QString &path)
{
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString ResolveCaseInsensitive(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    QStringList resolved;
    // The folder walked so far; a relative path starts in the current folder.
    QString folder = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral(".");
    bool walking = true;   // false once a component matched nothing: the rest cannot exist
    for (QString part : parts) {
        const bool special = part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..");
        if (walking && !special && !Exists(IncludeTrailingSeparator(folder) + part)) {
            const QString match = FindEntryIgnoringCase(folder, part);
            if (match.isEmpty())
                walking = false;
            else
                part = match;
        }
        resolved.append(part);
        if (!part.isEmpty())
            folder = IncludeTrailingSeparator(folder) + part;
    }
    return resolved.join(QLatin1Char('/'));
}

bool DirectoryExists(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

void CreateDirectory(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
        const int error = errno;
        throw Exception(QString::fromStdString(std::generic_category().message(error)));
    }
}

} // namespace platform

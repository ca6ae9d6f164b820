#include "shell/Log.h"

#include "shell/Folders.h"
#include "platform/AppendFile.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QFile>
#include <QFileInfo>

namespace {

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw platform::Exception(QStringLiteral("%1 \"%2\". %3").arg(what, path, reason));
}

} // namespace

QString LogFilePath()
{
    return AppDataPath + QStringLiteral("HB.dbg");
}

void ClearLog()
{
    // A link is removed itself, when it leads to a file.
    const QString path = LogFilePath();
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        QFile::remove(path);
}

QString LogTimeStamp(platform::OleDate moment, const platform::RegionalSettings &settings)
{
    // "c" is the short date followed by the long time, the time left out at midnight.
    return platform::FormatDateTime(QStringLiteral("c"), moment, settings);
}

void AppendLogLine(const QString &path, const QString &text, platform::OleDate moment)
{
    const QByteArray bytes =
        platform::ToAnsi(LogTimeStamp(moment) + u':' + text + QStringLiteral("\r\n"));
    if (const auto failure = platform::AppendExclusively(path, bytes))
        fail(failure->opening ? QStringLiteral("Cannot open file") : QStringLiteral("Cannot write to file"), path,
             failure->reason);
}

void WriteLog(const QString &text)
{
    AppendLogLine(LogFilePath(), text, platform::Now());
}

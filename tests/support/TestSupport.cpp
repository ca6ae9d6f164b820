#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

namespace testsupport {

bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() >= timeout.count())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void ProcessEventsFor(std::chrono::milliseconds duration)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void AddChildSanitizerOptions(QProcessEnvironment &environment, const QString &folder)
{
#if defined(__SANITIZE_THREAD__)
    const QString suppressions = folder + QStringLiteral("/tsan.supp");
    WriteFileBytes(suppressions, "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n");
    environment.insert(QStringLiteral("TSAN_OPTIONS"), QStringLiteral("second_deadlock_stack=1 suppressions=") + suppressions);
#else
    (void)environment;
    (void)folder;
#endif
}

} // namespace testsupport

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

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

std::optional<QByteArray> RunAsUser(unsigned userId, unsigned groupId, const std::vector<unsigned> &groups,
                                    const std::function<QByteArray()> &body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const std::vector<gid_t> ids(groups.begin(), groups.end());
        if (::setgroups(ids.size(), ids.data()) != 0 || ::setgid(groupId) != 0 || ::setuid(userId) != 0)
            ::_exit(3);
        const QByteArray result = body();
        qsizetype done = 0;
        while (done < result.size()) {
            const ssize_t written = ::write(channel[1], result.constData() + done, static_cast<size_t>(result.size() - done));
            if (written <= 0)
                ::_exit(4);
            done += written;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    ssize_t got = 0;
    while (child > 0 && (got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

} // namespace testsupport

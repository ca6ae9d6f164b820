#include "program/RemoteWindow.h"

#include <QDeadlineTimer>

std::unique_ptr<RemoteWindow> RemoteWindow::Find(const QString &title, const QString &folder, int timeoutMs)
{
    std::unique_ptr<RemoteWindow> window(new RemoteWindow(timeoutMs));
    window->socket_.connectToServer(WindowTitleBeacon::ServerNameFor(title, folder));
    if (!window->socket_.waitForConnected(timeoutMs))
        return nullptr;
    return window;
}

bool RemoteWindow::IsIconic()
{
    return Ask("ISICONIC") == QByteArray("1");
}

bool RemoteWindow::Restore()
{
    return Ask("RESTORE") == QByteArray("OK");
}

bool RemoteWindow::SetForeground()
{
    return Ask("FOREGROUND") == QByteArray("OK");
}

std::optional<QByteArray> RemoteWindow::Ask(const QByteArray &request)
{
    if (socket_.state() != QLocalSocket::ConnectedState)
        return std::nullopt;
    if (socket_.write(request + '\n') < 0)
        return std::nullopt;
    // A line this short leaves at once; waiting for the answer also sends anything left.
    socket_.flush();
    QDeadlineTimer deadline(timeoutMs_);
    while (!socket_.canReadLine()) {
        if (deadline.hasExpired() || !socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return std::nullopt;
    }
    return socket_.readLine().trimmed();
}

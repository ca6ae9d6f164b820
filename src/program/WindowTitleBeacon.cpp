#include "program/WindowTitleBeacon.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// A request is a short word; a peer that sends more without a line end is not one of ours.
constexpr qint64 kLongestRequest = 32;
// How long to wait for a socket left behind to show whether anybody still listens on it.
constexpr int kProbeTimeoutMs = 500;

void Restore(QWidget *window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void BringToForeground(QWidget *window)
{
    window->raise();
    window->activateWindow();
}

} // namespace

WindowTitleBeacon::WindowTitleBeacon(QWidget *window, const QString &folder, QObject *parent)
    : QObject(parent), window_(window), folder_(folder), server_(new QLocalServer(this))
{
    // No access options: with them the server binds elsewhere and renames its socket over the
    // name, silently taking it from a live window with the same title. The folder is the
    // user's own, and a socket made under the usual umask admits only its owner.
    server_->setSocketOptions(QLocalServer::NoOptions);
    connect(server_, &QLocalServer::newConnection, this, &WindowTitleBeacon::AcceptConnections);
    if (window) {
        connect(window, &QWidget::windowTitleChanged, this, &WindowTitleBeacon::Listen);
        Listen(window->windowTitle());
    }
}

WindowTitleBeacon::~WindowTitleBeacon()
{
    server_->close();
}

QString WindowTitleBeacon::DefaultFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

QString WindowTitleBeacon::ServerNameFor(const QString &title, const QString &folder)
{
    return ServerNameFor(title, folder, ::getuid());
}

QString WindowTitleBeacon::ServerNameFor(const QString &title, const QString &folder, unsigned userId)
{
    const QByteArray hash = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return QDir(folder).filePath(QStringLiteral("kelo-window-%1-%2")
                                     .arg(static_cast<qulonglong>(userId))
                                     .arg(QString::fromLatin1(hash)));
}

bool WindowTitleBeacon::IsListening() const
{
    return server_->isListening();
}

QString WindowTitleBeacon::ServerName() const
{
    return server_->isListening() ? server_->fullServerName() : QString();
}

void WindowTitleBeacon::Listen(const QString &title)
{
    server_->close();
    const QString name = ServerNameFor(title, folder_);
    if (server_->listen(name))
        return;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return;
    // The name exists: either a live window has this title, or a copy that died left its
    // socket behind. Only the second may be taken over.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(kProbeTimeoutMs)) {
        probe.abort();
        return;
    }
    QLocalServer::removeServer(name);
    server_->listen(name);
}

void WindowTitleBeacon::AcceptConnections()
{
    while (QLocalSocket *connection = server_->nextPendingConnection()) {
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        connect(connection, &QLocalSocket::readyRead, this, [this, connection] { Answer(connection); });
        if (connection->bytesAvailable() > 0)
            Answer(connection);
    }
}

void WindowTitleBeacon::Answer(QLocalSocket *connection)
{
    while (connection->canReadLine()) {
        const QByteArray request = connection->readLine(kLongestRequest + 2).trimmed();
        QByteArray answer;
        if (!window_) {
            connection->abort();
            return;
        }
        if (request == "ISICONIC") {
            answer = window_->isMinimized() ? "1" : "0";
        } else if (request == "RESTORE") {
            Restore(window_);
            answer = "OK";
        } else if (request == "FOREGROUND") {
            BringToForeground(window_);
            answer = "OK";
        } else {
            connection->abort();
            return;
        }
        connection->write(answer + '\n');
        connection->flush();
    }
    if (connection->bytesAvailable() > kLongestRequest)
        connection->abort();
}

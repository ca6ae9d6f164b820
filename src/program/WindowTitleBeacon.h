#pragma once
// Makes a top-level window findable by its title from another process of the same user, the
// way the window manager finds windows by title elsewhere: the beacon listens on a local
// socket whose name is derived from the user id and the window's current title, and follows
// every title change. A copy of the program that finds the socket (RemoteWindow) can ask
// whether the window is minimised and have it restored or brought to the front.
//
// Requests are single lines; each gets a single-line answer:
//   "ISICONIC"   -> "1" when the window is minimised, else "0"
//   "RESTORE"    -> restores a minimised window (to its state before), shows and activates it; "OK"
//   "FOREGROUND" -> raises and activates the window; "OK"
// Anything else closes the connection.
//
// GUI thread. The beacon does not own the window; it stops listening when either goes.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLocalServer;
class QLocalSocket;

class WindowTitleBeacon : public QObject
{
    Q_OBJECT
public:
    // Starts listening under window's current title. folder holds the sockets; it should be
    // private to the user (the default is).
    explicit WindowTitleBeacon(QWidget *window, const QString &folder = DefaultFolder(), QObject *parent = nullptr);
    ~WindowTitleBeacon() override;
    WindowTitleBeacon(const WindowTitleBeacon &) = delete;
    WindowTitleBeacon &operator=(const WindowTitleBeacon &) = delete;

    // The per-user folder for the sockets: the user's runtime folder, or the temporary folder
    // when there is none.
    static QString DefaultFolder();
    // The socket for a title: <folder>/kelo-window-<user id>-<hash of the title>. Any title
    // gives a name of fixed length.
    static QString ServerNameFor(const QString &title, const QString &folder = DefaultFolder());
    // The same for the window of another user.
    static QString ServerNameFor(const QString &title, const QString &folder, unsigned userId);

    // False when the current title's name is held by another live window (or cannot be made).
    bool IsListening() const;
    QString ServerName() const;

private:
    void Listen(const QString &title);
    void AcceptConnections();
    void Answer(QLocalSocket *connection);

    QPointer<QWidget> window_;
    QString folder_;
    QLocalServer *server_;
};

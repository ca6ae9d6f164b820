#pragma once
// A top-level window of another process of the same user, found by its whole title through
// that window's WindowTitleBeacon. Stands in for finding a window by title and for asking
// whether it is minimised, restoring it and bringing it to the foreground.
//
// Blocking calls with a deadline each; usable before any event loop runs and from any one
// thread at a time. Move-free: hold it by the pointer Find returns.

#include "program/WindowTitleBeacon.h"

#include <QByteArray>
#include <QLocalSocket>
#include <QString>

#include <memory>
#include <optional>

class RemoteWindow
{
public:
    // The window whose current title is exactly title, or nullptr when no live window of this
    // user has it (a socket left by a process that died does not count).
    static std::unique_ptr<RemoteWindow> Find(const QString &title,
                                              const QString &folder = WindowTitleBeacon::DefaultFolder(),
                                              int timeoutMs = 2000);

    RemoteWindow(const RemoteWindow &) = delete;
    RemoteWindow &operator=(const RemoteWindow &) = delete;

    // True when the window is minimised; false also when it does not answer in time.
    bool IsIconic();
    // Restores a minimised window (shown and activated). False when it did not confirm.
    bool Restore();
    // Raises and activates the window. False when it did not confirm.
    bool SetForeground();

private:
    explicit RemoteWindow(int timeoutMs) : timeoutMs_(timeoutMs) {}
    // Sends one request line and returns the answer line without its end, or nullopt when
    // the window did not answer within the deadline.
    std::optional<QByteArray> Ask(const QByteArray &request);

    QLocalSocket socket_;
    int timeoutMs_;
};

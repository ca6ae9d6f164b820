#pragma once
// Ends the message loop cleanly when the process is asked to stop (SIGTERM, SIGINT, SIGHUP):
// the signal handler only writes to a pipe, and the GUI thread reads it and quits the
// application's event loop. From then on no dialog is shown or answered (platform::EndDialogs),
// so an open question ends with its negative answer. One instance at a time; GUI thread.

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; throws std::system_error when the pipe cannot be made.
    explicit TerminationSignals(QObject *parent = nullptr);
    // Restores the previous handlers.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // The signal that arrived last, or 0.
    int received() const { return received_; }

private:
    void onReadable();

    int fds_[2] = {-1, -1};
    QSocketNotifier *notifier_ = nullptr;
    int received_ = 0;
};

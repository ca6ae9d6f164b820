#pragma once
// A program run by a test, with its standard output and error collected. Started with plain
// fork and exec: the thread sanitizer copes with that, while the vfork-style start of QProcess
// leaves its bookkeeping of the parent's locks broken for the rest of the run.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>

#include <sys/types.h>

class ChildProcess
{
public:
    ChildProcess(const QString &program, const QStringList &arguments);
    ~ChildProcess(); // ends a child that still runs (SIGKILL) and reaps it
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Output so far (reads what is available without waiting).
    QByteArray standardOutput();
    QByteArray standardError();
    // Waits until a line of standard output starts with prefix; the line, or "" on timeout or
    // when the child ended without printing it.
    QString waitForLine(const QString &prefix, std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Sends SIGTERM (a session end or kill).
    void terminate();
    // Sends SIGINT (Ctrl+C in a terminal).
    void interrupt();
    // Waits for the child to end; false on timeout.
    bool waitForFinished(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool running();
    // Exit status once ended; -1 when it ended by a signal.
    int exitCode() const { return exitCode_; }

private:
    void collect();

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    QByteArray outBytes_;
    QByteArray errBytes_;
    int exitCode_ = -1;
};

// Runs the program to its end (at most timeout) and returns its standard output; empty when it
// failed or did not end.
QByteArray RunForOutput(const QString &program, const QStringList &arguments,
                        std::chrono::milliseconds timeout = std::chrono::seconds(30));

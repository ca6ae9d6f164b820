#include "support/ChildProcess.h"

#include "support/TestSupport.h"

#include <QFile>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace {

void ReadAvailable(int fd, QByteArray &into)
{
    if (fd < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        into.append(buffer, n);
    }
}

} // namespace

ChildProcess::ChildProcess(const QString &program, const QStringList &arguments)
{
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");

    // Everything the child needs is prepared before the fork.
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess()
{
    if (running()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        ::close(out_);
    if (err_ >= 0)
        ::close(err_);
}

void ChildProcess::collect()
{
    ReadAvailable(out_, outBytes_);
    ReadAvailable(err_, errBytes_);
}

QByteArray ChildProcess::standardOutput()
{
    collect();
    return outBytes_;
}

QByteArray ChildProcess::standardError()
{
    collect();
    return errBytes_;
}

QString ChildProcess::waitForLine(const QString &prefix, std::chrono::milliseconds timeout)
{
    QString found;
    testsupport::WaitUntil(
        [&] {
            collect();
            for (const QByteArray &line : outBytes_.split('\n'))
                if (line.startsWith(prefix.toLocal8Bit()) && outBytes_.contains(line + '\n')) {
                    found = QString::fromLocal8Bit(line);
                    return true;
                }
            return !running(); // an ended child prints nothing more
        },
        timeout);
    if (found.isEmpty())
        collect();
    return found;
}

void ChildProcess::terminate()
{
    if (running())
        ::kill(pid_, SIGTERM);
}

void ChildProcess::interrupt()
{
    if (running())
        ::kill(pid_, SIGINT);
}

bool ChildProcess::running()
{
    if (pid_ < 0)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0)
        return true;
    if (r == pid_)
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    collect();
    return false;
}

bool ChildProcess::waitForFinished(std::chrono::milliseconds timeout)
{
    return testsupport::WaitUntil([&] { return !running(); }, timeout);
}

QByteArray RunForOutput(const QString &program, const QStringList &arguments, std::chrono::milliseconds timeout)
{
    ChildProcess child(program, arguments);
    QByteArray output;
    // Read while waiting: a large output would otherwise fill the pipe and stall the child.
    const bool ended = testsupport::WaitUntil(
        [&] {
            output += child.standardOutput().mid(output.size());
            return !child.running();
        },
        timeout);
    output = child.standardOutput();
    if (!ended || child.exitCode() != 0)
        return {};
    return output;
}

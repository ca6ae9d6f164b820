#include "support/PtyPair.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

PtyPair::PtyPair(int port) : commName_(QStringLiteral("COM%1").arg(port)), ownFolder_(std::make_unique<QTemporaryDir>())
{
    if (!ownFolder_->isValid())
        throw std::runtime_error("cannot make the ports folder");
    portsFolder_ = ownFolder_->path();
    open();
    link();
}

PtyPair::PtyPair(const QString &portsFolder, int port)
    : commName_(QStringLiteral("COM%1").arg(port)), portsFolder_(portsFolder)
{
    QDir().mkpath(portsFolder_);
    open();
    link();
}

PtyPair::~PtyPair()
{
    if (!link_.isEmpty() && !ownFolder_)
        QFile::remove(link_);
    closeMaster();
}

void PtyPair::open()
{
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    ::close(slave);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    slavePath_ = QString::fromLocal8Bit(name);
}

void PtyPair::link()
{
    const QString path = portsFolder_ + QLatin1Char('/') + commName_;
    QFile::remove(path);
    if (!QFile::link(slavePath_, path)) {
        closeMaster();
        throw std::runtime_error("cannot make the port link");
    }
    link_ = path;
}

void PtyPair::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            throw std::runtime_error("write to the pty master failed");
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        }
    }
}

QByteArray PtyPair::receive(qsizetype count, std::chrono::milliseconds timeout)
{
    QByteArray got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, std::min<qsizetype>(sizeof buffer, count - got.size()));
        if (n > 0)
            got.append(buffer, n);
        else if (n < 0 && errno == EIO)
            ::poll(nullptr, 0, 1); // nobody has the other side open (yet): look again shortly
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    return got;
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

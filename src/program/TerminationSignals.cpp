#include "program/TerminationSignals.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> writeEnd{-1};
std::array<struct sigaction, kSignals.size()> previous{};

extern "C" void OnTerminationSignal(int signal)
{
    const int saved = errno;
    const int fd = writeEnd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "signal pipe");
    writeEnd.store(fds_[1]);
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    writeEnd.store(-1);
    delete notifier_;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void TerminationSignals::onReadable()
{
    unsigned char byte = 0;
    while (::read(fds_[0], &byte, 1) == 1)
        received_ = byte;
    // Nobody is left to answer: a question open now, or one a handler would ask on its way
    // out, gets its negative answer and never its default.
    platform::EndDialogs();
    // exit, not quit: quit asks the windows first (the main window would put its "quit?"
    // question to nobody) and does nothing outside the main loop, for example while the
    // refusal box of a second start is up. exit ends every running loop, nested ones too.
    QCoreApplication::exit(0);
}

#include "platform/ManualResetEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace platform {

ManualResetEvent::ManualResetEvent(bool initiallySet)
    : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    if (initiallySet)
        set();
}

ManualResetEvent::~ManualResetEvent()
{
    ::close(fd_);
}

void ManualResetEvent::set()
{
    // The counter only needs to be non-zero; adding 1 to an already set event is harmless
    // (it cannot overflow in any realistic run since reset() drains it).
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(fd_, &one, sizeof one);
}

void ManualResetEvent::reset()
{
    std::uint64_t value = 0;
    while (::read(fd_, &value, sizeof value) > 0) {
    }
}

bool ManualResetEvent::isSet() const
{
    return wait(std::chrono::milliseconds(0));
}

bool ManualResetEvent::wait(std::chrono::milliseconds timeout) const
{
    pollfd p{fd_, POLLIN, 0};
    const int ms = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    for (;;) {
        const int r = ::poll(&p, 1, ms);
        if (r > 0)
            return true;
        if (r == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

int WaitForAny(const ManualResetEvent &first, const ManualResetEvent &second)
{
    pollfd waitList[2] = {{first.fd(), POLLIN, 0}, {second.fd(), POLLIN, 0}};
    for (;;) {
        const int r = ::poll(waitList, 2, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return -1;
        if (waitList[0].revents & POLLIN)
            return 0;
        if (waitList[1].revents & POLLIN)
            return 1;
    }
}

} // namespace platform

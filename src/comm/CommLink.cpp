#include "comm/CommLink.h"

#include <unistd.h>

TCommLink::TCommLink(int descriptor, platform::WindowHandle windowHandle,
                     std::shared_ptr<std::atomic<bool>> sendEmptyFlag)
    : fd(descriptor), window(windowHandle), sendDataEmpty(std::move(sendEmptyFlag))
{
}

TCommLink::~TCommLink()
{
    ::close(fd);
}

void TCommLink::setTimeouts(const TCommTimeouts &value)
{
    std::lock_guard lock(timeoutsMutex_);
    timeouts_ = value;
}

TCommTimeouts TCommLink::timeouts() const
{
    std::lock_guard lock(timeoutsMutex_);
    return timeouts_;
}

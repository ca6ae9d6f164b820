#include "comm/CommLink.h"

TCommLink::TCommLink(std::unique_ptr<platform::SerialDevice> portDevice, platform::WindowHandle windowHandle,
                     std::shared_ptr<std::atomic<bool>> sendEmptyFlag)
    : device(std::move(portDevice)), window(windowHandle), sendDataEmpty(std::move(sendEmptyFlag))
{
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

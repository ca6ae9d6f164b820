#pragma once
// What the serial component shares with its port threads while a port is open: the port
// device, the close event, the notification window, the current timeouts and the line flags
// the threads act on. Shared ownership keeps it alive for a thread that has not ended when
// the component stops waiting for it; the port is closed when the last owner lets go of it.

#include "platform/SerialDevice.h"
#include "comm/CommTimeouts.h"
#include "platform/ManualResetEvent.h"
#include "platform/Messages.h"

#include <atomic>
#include <memory>
#include <mutex>

struct TCommLink
{
    // Throws std::system_error when the close event cannot be created; the device is then
    // closed with the half-built link.
    TCommLink(std::unique_ptr<platform::SerialDevice> device, platform::WindowHandle window,
              std::shared_ptr<std::atomic<bool>> sendDataEmpty);
    TCommLink(const TCommLink &) = delete;
    TCommLink &operator=(const TCommLink &) = delete;

    const std::unique_ptr<platform::SerialDevice> device;
    // Tells both threads to stop; every wait of theirs includes it.
    platform::ManualResetEvent closeEvent;
    const platform::WindowHandle window;
    // The component's "nothing waits to be transmitted" flag.
    const std::shared_ptr<std::atomic<bool>> sendDataEmpty;

    // Received chunks posted to the window and not yet handled there: the receive thread adds
    // one per chunk, the component takes one off as it raises the chunk's event. The component
    // puts its own counter in before the threads start; a link made alone has one nobody
    // takes off.
    std::shared_ptr<std::atomic<int>> chunksWaiting = std::make_shared<std::atomic<int>>(0);

    // Line flags that the threads apply themselves, because a tty cannot.
    std::atomic<bool> ignoreNullChar{false};
    std::atomic<bool> rtsToggle{false};

    // Set by the component (GUI thread), read by the threads at the start of each operation.
    void setTimeouts(const TCommTimeouts &value);
    TCommTimeouts timeouts() const;

private:
    mutable std::mutex timeoutsMutex_;
    TCommTimeouts timeouts_;
};

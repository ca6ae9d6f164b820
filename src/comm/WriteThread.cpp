#include "comm/WriteThread.h"

#include "comm/SerialComm.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

TWriteThread::TWriteThread(std::shared_ptr<TCommLink> link) : TCommThread(std::move(link)) {}

bool TWriteThread::PostThreadMessage(std::uint32_t message, platform::WParam wParam, QByteArray payload)
{
    std::lock_guard lock(queueMutex_);
    if (ended_)
        return false;
    queue_.push_back({message, wParam, std::move(payload)});
    queueEvent_.set();
    return true;
}

std::optional<TWriteThread::ThreadMessage> TWriteThread::TakeMessage()
{
    std::lock_guard lock(queueMutex_);
    if (queue_.empty()) {
        // Reset under the lock: a message posted after this sets the event again.
        queueEvent_.reset();
        return std::nullopt;
    }
    ThreadMessage message = std::move(queue_.front());
    queue_.pop_front();
    return message;
}

void TWriteThread::Execute()
{
    bool wrote = true; // so that the first empty queue after the start is reported
    pollfd waitList[2] = {{link_->closeEvent.fd(), POLLIN, 0}, {queueEvent_.fd(), POLLIN, 0}};

    for (;;) {
        std::optional<ThreadMessage> message = TakeMessage();
        if (!message) {
            link_->sendDataEmpty->store(true);
            if (wrote && !platform::PostMessage(link_->window, WM_COMM_SENT, 0, 0)) {
                PostHangupCall();
                break;
            }
            wrote = false;
            waitList[0].revents = 0;
            waitList[1].revents = 0;
            const int r = ::poll(waitList, 2, -1);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0) {
                PostHangupCall();
                break;
            }
            if (waitList[0].revents & POLLIN)
                break;
            continue;
        }
        if (link_->closeEvent.isSet())
            break;
        if (message->message != WM_COMM_WRITE)
            continue; // other thread messages are dropped
        const auto count = std::min<std::size_t>(message->wParam, static_cast<std::size_t>(message->payload.size()));
        const bool written = WriteData(message->payload.constData(), count);
        message.reset(); // the buffer is released after the write, whether or not it succeeded
        if (!written)
            break;
        wrote = true;
    }
}

void TWriteThread::Finish() noexcept
{
    ::tcflush(link_->device->fd(), TCOFLUSH);
    link_->sendDataEmpty->store(true);
    std::lock_guard lock(queueMutex_);
    ended_ = true;
    queue_.clear();
}

bool TWriteThread::WriteData(const char *buffer, std::size_t count)
{
    // Write timeouts would only end one write operation early, after which the rest is
    // written by the next one; the outcome is the same as writing without them, so the
    // transmit thread waits for the port without a deadline (the close event still ends it).
    TCommDevice &device = *link_->device;
    const int fd = device.fd();
    const bool toggleRts = link_->rtsToggle.load(std::memory_order_relaxed);
    if (toggleRts) {
        const int rts = TIOCM_RTS;
        ::ioctl(fd, TIOCMBIS, &rts);
    }

    std::size_t position = 0;
    bool ok = true;
    pollfd waitList[2] = {{link_->closeEvent.fd(), POLLIN, 0}, {fd, POLLOUT, 0}};
    while (position < count) {
        const ssize_t n = device.Write(buffer + position, count - position);
        if (n > 0) {
            position += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EBADF) {
            ok = false; // the port was closed under the thread
            break;
        }
        if (n < 0 && errno != EAGAIN) {
            PostHangupCall();
            ok = false;
            break;
        }
        // The driver's queue is full: wait for room or for the close event.
        waitList[0].revents = 0;
        waitList[1].revents = 0;
        const int r = ::poll(waitList, 2, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            PostHangupCall();
            ok = false;
            break;
        }
        if (waitList[0].revents & POLLIN) {
            ok = false;
            break;
        }
        if (waitList[1].revents & POLLNVAL) {
            ok = false;
            break;
        }
    }

    if (toggleRts) {
        ::tcdrain(fd); // RTS falls only after the last bit has left
        const int rts = TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &rts);
    }
    return ok;
}

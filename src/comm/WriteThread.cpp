#include "comm/WriteThread.h"

#include "comm/SerialComm.h"

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

    for (;;) {
        std::optional<ThreadMessage> message = TakeMessage();
        if (!message) {
            link_->sendDataEmpty->store(true);
            if (wrote && !platform::PostMessage(link_->window, WM_COMM_SENT, 0, 0)) {
                PostHangupCall();
                break;
            }
            wrote = false;
            const int set = platform::WaitForAny(link_->closeEvent, queueEvent_);
            if (set < 0) {
                PostHangupCall();
                break;
            }
            if (set == 0)
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
    link_->device->Purge(false, true);
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
    platform::SerialDevice &device = *link_->device;
    const bool toggleRts = link_->rtsToggle.load(std::memory_order_relaxed);
    if (toggleRts)
        device.SetRts(true);

    std::size_t position = 0;
    bool ok = true;
    while (position < count) {
        const std::ptrdiff_t n = device.Write(buffer + position, count - position);
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
        const platform::SerialWaitResult r = device.Wait(link_->closeEvent, true, -1);
        if (r.ready < 0 && errno == EINTR)
            continue;
        if (r.ready <= 0) {
            PostHangupCall();
            ok = false;
            break;
        }
        if (r.woken) {
            ok = false;
            break;
        }
        if (r.closed) {
            ok = false;
            break;
        }
    }

    if (toggleRts) {
        device.Drain(); // RTS falls only after the last bit has left
        device.SetRts(false);
    }
    return ok;
}

#pragma once
// TWriteThread: the serial component's transmit thread. It takes WM_COMM_WRITE messages from
// its own message queue and writes each buffer completely, in order. Whenever it finds the
// queue empty it sets the component's send-empty flag, and if anything was written since it
// last found the queue empty (or it has just started) it posts WM_COMM_SENT: so there is one
// WM_COMM_SENT after every start and one after each burst of writes.
//
// It ends when the close event is signalled, or after a failed write (posting WM_COMM_HANGUP
// first unless the port was closed under it). Buffers still queued are released with it, and
// later posts to its queue fail, also when it ended by an exception.

#include "comm/CommThread.h"
#include "platform/Messages.h"

#include <QByteArray>

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

class TWriteThread final : public TCommThread
{
public:
    explicit TWriteThread(std::shared_ptr<TCommLink> link);

    // The thread message queue: any thread. The payload belongs to the queue from here on.
    // False (payload released) when the thread has ended.
    bool PostThreadMessage(std::uint32_t message, platform::WParam wParam, QByteArray payload);

protected:
    void Execute() override;
    void Finish() noexcept override;

private:
    struct ThreadMessage
    {
        std::uint32_t message;
        platform::WParam wParam;
        QByteArray payload;
    };
    std::optional<ThreadMessage> TakeMessage();
    bool WriteData(const char *buffer, std::size_t count);

    std::mutex queueMutex_;
    std::deque<ThreadMessage> queue_;
    bool ended_ = false;
    // Set while the queue holds a message.
    platform::ManualResetEvent queueEvent_;
};

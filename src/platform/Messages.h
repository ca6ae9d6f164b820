#pragma once
// Window handles and posted messages: the stand-in for window messages between threads.
//
// A window handle is a number registered to a QObject that lives on some thread (for this
// program, always the GUI thread). PostMessage may be called from any thread; it queues one
// MessageEvent to the receiver, and posted events to one receiver keep their order. A handle
// that was never registered or has been unregistered makes PostMessage return false.
//
// A message may carry a payload (bytes the sender hands over). The payload belongs to the
// event: it is released with the event whether or not the receiver ever sees it, so a buffer
// handed over in a message can never leak.

#include <QByteArray>
#include <QEvent>
#include <QObject>

#include <cstdint>
#include <functional>

namespace platform {

using WindowHandle = std::uintptr_t;   // 0 means "no window"
using WParam = std::uintptr_t;
using LParam = std::intptr_t;

class MessageEvent final : public QEvent
{
public:
    MessageEvent(std::uint32_t message, WParam wParam, LParam lParam, QByteArray payload = {});

    // The event type that every MessageEvent carries.
    static QEvent::Type eventType();

    std::uint32_t message() const { return message_; }
    WParam wParam() const { return wParam_; }
    LParam lParam() const { return lParam_; }
    // Bytes handed over with the message (may be empty). Owned by the event.
    const QByteArray &payload() const { return payload_; }

private:
    std::uint32_t message_;
    WParam wParam_;
    LParam lParam_;
    QByteArray payload_;
};

// Registers receiver and returns its new handle (never 0, never reused while the process
// runs). Call from the receiver's thread. The receiver must unregister before it is destroyed.
WindowHandle RegisterWindow(QObject *receiver);

// Unregisters the handle; later posts to it fail. Pending messages already queued are dropped
// with the receiver's other posted events when it is destroyed. Safe to call twice.
void UnregisterWindow(WindowHandle handle);

// True while handle is registered.
bool IsWindow(WindowHandle handle);

// Queues the message to the handle's receiver; false (and the payload released) when the
// handle is not registered. Any thread.
bool PostMessage(WindowHandle handle, std::uint32_t message, WParam wParam, LParam lParam,
                 QByteArray payload = {});

// A QObject that owns a window handle for its lifetime and hands each message to a callback
// on its own thread. The callback gets the event (payload included); the event is released
// after the callback returns, also when it throws.
class MessageWindow : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const MessageEvent &)>;
    explicit MessageWindow(Handler handler, QObject *parent = nullptr);
    ~MessageWindow() override;

    WindowHandle handle() const { return handle_; }

protected:
    bool event(QEvent *event) override;

private:
    Handler handler_;
    WindowHandle handle_;
};

} // namespace platform

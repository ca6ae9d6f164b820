#include "platform/Messages.h"

#include <QCoreApplication>

#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

struct Registry
{
    std::mutex mutex;
    std::unordered_map<WindowHandle, QObject *> receivers;
    WindowHandle next = 1;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

MessageEvent::MessageEvent(std::uint32_t message, WParam wParam, LParam lParam, QByteArray payload)
    : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam), payload_(std::move(payload))
{
}

QEvent::Type MessageEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowHandle RegisterWindow(QObject *receiver)
{
    auto &r = registry();
    std::lock_guard lock(r.mutex);
    const WindowHandle handle = r.next++;
    r.receivers.emplace(handle, receiver);
    return handle;
}

void UnregisterWindow(WindowHandle handle)
{
    auto &r = registry();
    std::lock_guard lock(r.mutex);
    r.receivers.erase(handle);
}

bool IsWindow(WindowHandle handle)
{
    auto &r = registry();
    std::lock_guard lock(r.mutex);
    return r.receivers.count(handle) != 0;
}

bool PostMessage(WindowHandle handle, std::uint32_t message, WParam wParam, LParam lParam, QByteArray payload)
{
    auto &r = registry();
    // The lock is held while posting so that a receiver cannot be unregistered and destroyed
    // between the look-up and the post.
    std::lock_guard lock(r.mutex);
    const auto it = r.receivers.find(handle);
    if (it == r.receivers.end())
        return false;
    QCoreApplication::postEvent(it->second, new MessageEvent(message, wParam, lParam, std::move(payload)));
    return true;
}

MessageWindow::MessageWindow(Handler handler, QObject *parent)
    : QObject(parent), handler_(std::move(handler)), handle_(RegisterWindow(this))
{
}

MessageWindow::~MessageWindow()
{
    UnregisterWindow(handle_);
}

bool MessageWindow::event(QEvent *event)
{
    // A posted event reaches this thread through Qt's event queue, whose futex-based lock the
    // thread sanitizer cannot see. Every PostMessage builds and queues its event under the
    // registry lock, so taking that lock here makes the hand-over visible to the sanitizer.
    {
        std::lock_guard lock(registry().mutex);
    }
    if (event->type() == MessageEvent::eventType()) {
        if (handler_)
            handler_(static_cast<const MessageEvent &>(*event));
        return true;
    }
    return QObject::event(event);
}

} // namespace platform

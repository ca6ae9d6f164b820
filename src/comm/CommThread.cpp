#include "comm/CommThread.h"

#include "comm/SerialComm.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

TCommThread::TCommThread(std::shared_ptr<TCommLink> link) : link_(std::move(link)) {}

TCommThread::~TCommThread()
{
    if (thread_.joinable())
        thread_.join();
}

bool TCommThread::Start(int priorityBoost)
{
    auto self = shared_from_this();
    try {
        thread_ = std::thread([self, priorityBoost] {
            // Best effort: raising the priority needs a privilege most users do not have.
            const id_t tid = static_cast<id_t>(::gettid());
            errno = 0;
            const int nice = ::getpriority(PRIO_PROCESS, tid);
            if (errno == 0)
                ::setpriority(PRIO_PROCESS, tid, nice - priorityBoost);
            self->Execute();
            self->finished_.set();
        });
    } catch (const std::system_error &) {
        return false;
    }
    return true;
}

bool TCommThread::WaitFor(std::chrono::milliseconds timeout)
{
    if (!thread_.joinable())
        return true;
    if (!finished_.wait(timeout))
        return false;
    thread_.join();
    return true;
}

void TCommThread::Abandon()
{
    if (thread_.joinable())
        thread_.detach();
}

void TCommThread::PostHangupCall()
{
    platform::PostMessage(link_->window, WM_COMM_HANGUP, 0, 0);
}

#include "comm/CommThread.h"

#include "comm/SerialComm.h"

#include "platform/Thread.h"

TCommThread::TCommThread(std::shared_ptr<TCommLink> link) : link_(std::move(link)) {}

TCommThread::~TCommThread()
{
    if (thread_.joinable())
        thread_.join();
}

void TCommThread::Start(int priorityBoost)
{
    thread_ = std::thread([self = shared_from_this(), priorityBoost] {
        // Best effort: raising the priority needs a privilege most users do not have.
        platform::RaiseCurrentThreadPriority(priorityBoost);
        try {
            self->Execute();
        } catch (...) {
            // The thread cannot go on; whether the port closes is the owner's decision, as
            // after any other failure.
            self->PostHangupCall();
        }
        self->Finish();
        self->finished_.set();
    });
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

void TCommThread::PostHangupCall() noexcept
{
    try {
        platform::PostMessage(link_->window, WM_COMM_HANGUP, 0, 0);
    } catch (...) {
        // No memory even for the message: the owner learns of the end through the port.
    }
}

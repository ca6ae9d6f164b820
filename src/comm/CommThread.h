#pragma once
// The common part of the serial component's two port threads: starting the body on a thread
// of its own at a raised priority, waiting for it with a limit, and the hang-up request.
//
// The body holds a shared reference to its thread object and to the link, so a thread that
// does not end in time can be let go (Abandon) without anything it uses being destroyed
// under it.

#include "comm/CommLink.h"
#include "platform/ManualResetEvent.h"

#include <chrono>
#include <memory>
#include <thread>

class TCommThread : public std::enable_shared_from_this<TCommThread>
{
public:
    explicit TCommThread(std::shared_ptr<TCommLink> link);
    virtual ~TCommThread();
    TCommThread(const TCommThread &) = delete;
    TCommThread &operator=(const TCommThread &) = delete;

    // Starts the body. priorityBoost raises the thread above normal by that many nice steps
    // where the system allows it (it is not an error when it does not). Throws
    // std::system_error when the system refuses a thread. Creating thread only.
    void Start(int priorityBoost);
    // Waits up to timeout for the body to end; true (and the thread joined) when it did.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Lets a thread that has not ended run on alone; it ends at its next look at the close
    // event. There is no safe way to kill a thread, so this is what "terminate" means here.
    void Abandon();

protected:
    // The body. Whatever escapes it (out of memory, a fault below) ends the thread with a
    // hang-up request: nothing a port thread meets may take the program down.
    virtual void Execute() = 0;
    // Runs on the thread after the body however it ended: gives back what the thread holds.
    virtual void Finish() noexcept = 0;
    // Posts WM_COMM_HANGUP to the notification window; its result is ignored, and so is a
    // failure to make the message at all.
    void PostHangupCall() noexcept;

    const std::shared_ptr<TCommLink> link_;

private:
    std::thread thread_;
    platform::ManualResetEvent finished_;
};

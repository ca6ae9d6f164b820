#pragma once
// TProcThread: the meter reader's worker. It takes raw record texts from the raw queue, parses
// them into the parsed queue and posts the transfer messages of MeterMessages.h to a window.
// It knows only what its owner hands it (TProcThread::Links): the two queues, the parser and
// the window handle; the owner keeps all of them alive until the worker is gone.
//
// The loop: take one text; if one was taken and the worker is not paused, announce the start
// of a transfer at its first record, parse it and post WM_QUEUE_STATUS and WM_RECORDS_READY,
// then go straight on with the next text. Otherwise (queue empty, or paused: a text taken while
// paused is thrown away) end the running transfer once more than kTransferEndGap ms have passed
// since its latest record, then wait up to kIdleWait ms before the next pass. A Wake() (the
// reader calls it after framing new records) or a termination request ends that wait early.
//
// Threads: the constructor, Terminate, WaitFor, Wake and SetPaused run on the reader's thread
// (the GUI thread); Paused and Wake may be called from any thread. fStart, fEnd and
// g_Start_Flag belong to the worker alone. Ticks come from the injected TickSource and are
// compared in unsigned 32-bit arithmetic, so the 2^32 wrap of the counter is harmless.

#include "meter/BufQuery.h"
#include "meter/MeterRecordQuery.h"
#include "platform/Messages.h"
#include "platform/TickCount.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class TProcThread
{
public:
    static constexpr std::chrono::milliseconds kIdleWait{100};
    static constexpr std::uint32_t kTransferEndGap = 1500;

    // What the worker works with; everything is owned by the caller and must outlive it.
    struct Links
    {
        TBufQuery &raw;
        TMeterRecordQuery &parsed;
        // Parses one raw text into parsed; returns the records counted so far.
        std::function<std::int32_t(const QString &)> parse;
        // The window that receives the messages (0: none); read at every post.
        const std::atomic<platform::WindowHandle> &window;
    };

    // Starts the loop at once, not paused, with no transfer in progress.
    TProcThread(Links links, platform::TickSource ticks);
    // Asks the loop to end and joins it. The reader normally ends it earlier through Terminate
    // and WaitFor, keeping its own event loop alive meanwhile.
    ~TProcThread();
    TProcThread(const TProcThread &) = delete;
    TProcThread &operator=(const TProcThread &) = delete;

    // Asks the loop to end after its current step (a parse in progress completes).
    void Terminate();
    // True once the loop has ended (after Terminate, or because a parse threw); waits up to
    // timeout for that.
    bool WaitFor(std::chrono::milliseconds timeout);
    // Ends the current idle wait early: new raw texts are waiting.
    void Wake();
    // Waits until the worker, not paused, has parsed every raw text queued before the call
    // and found the queue empty, or until timeout passes; true when it has (also when the loop
    // has ended). While paused it returns after the worker's next pass. Reader's thread.
    bool Drain(std::chrono::milliseconds timeout);

    bool Paused() const { return FPaused.load(); }
    void SetPaused(bool value) { FPaused.store(value); }

private:
    void Execute();
    void IdleWait();
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // Worker thread only.
    std::uint32_t fStart = 0;
    std::uint32_t fEnd = 0;
    bool g_Start_Flag = false;

    const Links FLinks;
    const platform::TickSource FTicks;
    std::atomic<bool> FPaused{false};
    std::atomic<bool> FTerminated{false};

    std::mutex FStateMutex;
    std::condition_variable FStateChanged;
    bool FWakeRequested = false;   // under FStateMutex
    bool FFinished = false;        // under FStateMutex
    // Passes of the loop begun so far, and the number of the latest pass that found nothing
    // to do (under FStateMutex): a pass numbered above the count read by Drain took its first
    // text after everything Drain waits for was queued.
    std::atomic<std::uint64_t> FPassesBegun{0};
    std::uint64_t FLastIdlePass = 0;

    std::thread FThread;
};

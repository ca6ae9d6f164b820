#include "meter/ProcThread.h"

#include "meter/MeterMessages.h"


TProcThread::TProcThread(Links links, platform::TickSource ticks)
    : FLinks(std::move(links)), FTicks(std::move(ticks))
{
    FThread = std::thread([this] { Execute(); });
}

TProcThread::~TProcThread()
{
    Terminate();
    if (FThread.joinable())
        FThread.join();
}

void TProcThread::Terminate()
{
    FTerminated.store(true);
    Wake();
}

bool TProcThread::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(FStateMutex);
    return FStateChanged.wait_for(lock, timeout, [this] { return FFinished; });
}

void TProcThread::Wake()
{
    {
        std::lock_guard lock(FStateMutex);
        FWakeRequested = true;
    }
    FStateChanged.notify_all();
}

bool TProcThread::Drain(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(FStateMutex);
    const std::uint64_t begun = FPassesBegun.load();
    FWakeRequested = true;
    FStateChanged.notify_all();
    return FStateChanged.wait_for(lock, timeout, [&] { return FLastIdlePass > begun || FFinished; });
}

void TProcThread::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    // A window that is gone (or was never set) simply misses the message.
    platform::PostMessage(FLinks.window.load(), message, wParam, lParam);
}

void TProcThread::IdleWait()
{
    std::unique_lock lock(FStateMutex);
    FStateChanged.wait_for(lock, kIdleWait, [this] { return FWakeRequested || FTerminated.load(); });
    FWakeRequested = false;
}

void TProcThread::Execute()
{
    try {
        TBufQuery &raw = FLinks.raw;
        TMeterRecordQuery &parsed = FLinks.parsed;
        QString s;
        while (!FTerminated.load()) {
            const std::uint64_t pass = FPassesBegun.fetch_add(1) + 1;
            const bool taken = raw.Pop(s);
            if (taken && !FPaused.load()) {
                if (!g_Start_Flag) {
                    g_Start_Flag = true;
                    fStart = FTicks();
                    Post(WM_TRANSFER_STATE, 0, 0);
                }
                fEnd = FTicks();
                const std::int32_t recordCount = FLinks.parse(s);
                Post(WM_QUEUE_STATUS, static_cast<std::uintptr_t>(raw.Count()), parsed.Count());
                Post(WM_RECORDS_READY, static_cast<std::uintptr_t>(parsed.Count()), recordCount);
                continue;
            }
            if (g_Start_Flag) {
                const std::uint32_t now = FTicks();
                if (platform::TicksBetween(fEnd, now) > kTransferEndGap) {
                    Post(WM_TRANSFER_STATE, 1, static_cast<std::intptr_t>(platform::TicksBetween(fStart, now)));
                    g_Start_Flag = false;
                }
            }
            {
                std::lock_guard lock(FStateMutex);
                FLastIdlePass = pass;
            }
            FStateChanged.notify_all();
            IdleWait();
        }
    } catch (...) {
        // Only running out of memory can throw here; the worker ends and is not restarted.
    }
    {
        std::lock_guard lock(FStateMutex);
        FFinished = true;
    }
    FStateChanged.notify_all();
}

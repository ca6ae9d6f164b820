#include "comm/ReadThread.h"

#include "comm/CommLineSettings.h"
#include "comm/SerialComm.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How often the driver's line counters are looked at while nothing else wakes the thread.
constexpr std::int64_t kLineCheckMs = 100;
// At most this many received chunks wait for the window (at 128 bytes a chunk, 128 KB); while
// they do, the thread looks again this often.
constexpr int kMaxChunksWaiting = 1024;
constexpr std::int64_t kBacklogCheckMs = 10;
// Once bytes of a read have come and more are due, the thread lets the line fill this long
// before it looks again, instead of waking for every byte (at 9600 baud one comes each
// millisecond). A pause in the line is therefore noticed up to this much late.
constexpr std::int64_t kGatherMs = 10;

std::int64_t MsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

} // namespace

TReadThread::TReadThread(std::shared_ptr<TCommLink> link, std::uint16_t inputLen, std::uint16_t inBufferSize)
    : TCommThread(std::move(link)), FInBufferSize(inBufferSize), FInputLen(inputLen)
{
}

void TReadThread::Execute()
{
    platform::SerialDevice &device = *link_->device;
    // A read never asks for more than the buffer holds, whatever InputLen says (InBufferSize
    // may have been lowered after InputLen was set).
    const std::size_t bufferSize = std::max<std::size_t>(FInBufferSize, 1);
    const std::size_t requested = std::clamp<std::size_t>(FInputLen, 1, bufferSize);
    buffer_.assign(bufferSize, '\0');
    received_ = 0;

    watchLines_ = device.ReadLineCounters(counters_);

    Clock::time_point readStart = Clock::now();
    Clock::time_point lastByte = readStart;
    TCommTimeouts timeouts = link_->timeouts();

    for (;;) {
        // While the window is that far behind, the bytes stay with the driver: a line faster
        // than the window (a flood on a pseudo-terminal) must not pile up messages without end.
        if (link_->chunksWaiting->load() >= kMaxChunksWaiting) {
            if (link_->closeEvent.wait(std::chrono::milliseconds(kBacklogCheckMs))) {
                HandleClose();
                break;
            }
            continue;
        }
        // Take what the driver holds now, up to the requested count.
        const std::ptrdiff_t n = device.Read(buffer_.data() + received_, requested - received_);
        const bool cameNow = n > 0;
        if (n > 0) {
            std::size_t got = static_cast<std::size_t>(n);
            if (link_->ignoreNullChar.load(std::memory_order_relaxed)) {
                char *begin = buffer_.data() + received_;
                got = static_cast<std::size_t>(std::remove(begin, begin + got, '\0') - begin);
            }
            if (got > 0) {
                received_ += got;
                lastByte = Clock::now();
            }
        } else if (n == 0) {
            // End of file on a tty: the other side hung up (device gone, pseudo-terminal closed).
            HangUp();
            break;
        } else if (errno == EBADF) {
            break; // the port was closed under the thread
        } else if (errno != EAGAIN && errno != EINTR) {
            HangUp();
            break;
        }

        const Clock::time_point now = Clock::now();
        const ReadWait decision = DecideRead(timeouts, requested, received_, MsBetween(readStart, now),
                                             MsBetween(lastByte, now));
        if (decision.complete) {
            if (!HandleReadData(buffer_.data(), received_))
                break;
            if (link_->closeEvent.isSet())
                break;
            received_ = 0;
            readStart = Clock::now();
            timeouts = link_->timeouts();
            continue;
        }

        if (cameNow) {
            const std::int64_t gatherMs = decision.waitMs < 0 ? kGatherMs : std::min(decision.waitMs, kGatherMs);
            if (link_->closeEvent.wait(std::chrono::milliseconds(gatherMs))) {
                HandleClose();
                break;
            }
            if (watchLines_ && !HandleCommEvent())
                break;
            continue;
        }

        std::int64_t waitMs = decision.waitMs;
        if (watchLines_)
            waitMs = waitMs < 0 ? kLineCheckMs : std::min(waitMs, kLineCheckMs);
        const platform::SerialWaitResult r = device.Wait(link_->closeEvent, false, waitMs);
        if (r.ready < 0) {
            if (errno == EINTR)
                continue;
            HangUp();
            break;
        }
        if (r.woken) {
            HandleClose();
            break;
        }
        if (watchLines_ && !HandleCommEvent())
            break;
        if (r.closed)
            break; // closed under the thread
    }
}

void TReadThread::HandleClose()
{
    // End at once, no hang-up. The bytes the port has already given are passed on: they may
    // complete the meter's last record before the port closed.
    if (received_ > 0)
        ReceiveData(buffer_.data(), received_);
    received_ = 0;
}

void TReadThread::Finish() noexcept
{
    link_->device->Purge(true, false);
}

bool TReadThread::HandleCommEvent()
{
    LineCounters now;
    if (!link_->device->ReadLineCounters(now)) {
        // A device that has gone (an unplugged USB bridge) fails here before a read does.
        if (errno != EBADF)
            HangUp();
        return false;
    }
    const std::uint32_t errors = LineErrorFlags(counters_, now);
    const std::uint32_t modem = ModemEventBits(counters_, now);
    counters_ = now;
    if (errors != 0 && !ReceiveError(errors))
        return false;
    if (modem != 0 && !ModemStateChange(modem))
        return false;
    return true;
}

void TReadThread::HangUp()
{
    if (received_ > 0 && !ReceiveData(buffer_.data(), received_))
        return; // ReceiveData already asked for the hang-up
    received_ = 0;
    PostHangupCall();
}

bool TReadThread::HandleReadData(const char *buffer, std::size_t count)
{
    if (count == 0)
        return false;
    return ReceiveData(buffer, count);
}

bool TReadThread::ReceiveData(const char *buffer, std::size_t count)
{
    // The chunk travels as the message's own copy (QByteArray keeps a terminating 0 after the
    // data) and is released with the message.
    QByteArray chunk(buffer, static_cast<qsizetype>(count));
    link_->chunksWaiting->fetch_add(1);
    if (platform::PostMessage(link_->window, WM_COMM_DATA, count, 0, std::move(chunk)))
        return true;
    link_->chunksWaiting->fetch_sub(1);
    PostHangupCall();
    return false;
}

bool TReadThread::ReceiveError(std::uint32_t eventMask)
{
    if (platform::PostMessage(link_->window, WM_COMM_ERROR, 0, static_cast<platform::LParam>(eventMask)))
        return true;
    PostHangupCall();
    return false;
}

bool TReadThread::ModemStateChange(std::uint32_t modemEvent)
{
    if (platform::PostMessage(link_->window, WM_COMM_MODEM, 0, static_cast<platform::LParam>(modemEvent)))
        return true;
    PostHangupCall();
    return false;
}

#pragma once
// TReadThread: the serial component's receive thread. It reads the port in chunks of at most
// InputLen bytes, each chunk completing by the component's read timeouts (with the initial
// values: when InputLen bytes have come or 100 ms passed without a byte), and posts every
// chunk to the notification window as WM_COMM_DATA, in arrival order. Where the driver keeps
// line counters it also reports line errors (WM_COMM_ERROR) and carrier or ring changes
// (WM_COMM_MODEM), and goes on reading.
//
// It ends when the close event is signalled (at once, even with a read pending: the bytes of
// that read received so far are posted, nothing else); when a read completes with 0 bytes
// (quietly); and after any unexpected error, including the other end hanging up or the device
// vanishing (where the driver keeps line counters, reading them fails first), in which case it
// first posts WM_COMM_HANGUP (bytes already received are posted before it). It never calls
// into the component.
//
// While 1024 of its chunks wait unhandled at the window, it takes nothing more from the driver
// (whose buffer then fills and holds the line back), so a flood costs bounded memory.

#include "comm/CommLineSettings.h"
#include "comm/CommThread.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

class TReadThread final : public TCommThread
{
public:
    TReadThread(std::shared_ptr<TCommLink> link, std::uint16_t inputLen, std::uint16_t inBufferSize);

protected:
    void Execute() override;
    void Finish() noexcept override;

private:
    bool HandleCommEvent();
    // The close event ended the thread: posts the pending read's bytes.
    void HandleClose();
    // Ends the thread after an error: the bytes of the pending read are still delivered, then
    // the owner is asked to hang up.
    void HangUp();
    bool HandleReadData(const char *buffer, std::size_t count);
    bool ReceiveData(const char *buffer, std::size_t count);
    bool ReceiveError(std::uint32_t eventMask);
    bool ModemStateChange(std::uint32_t modemEvent);

    const std::uint16_t FInBufferSize;
    const std::uint16_t FInputLen;
    bool watchLines_ = false; // the driver keeps line counters
    LineCounters counters_;   // their values at the last look
    std::vector<char> buffer_; // the pending read: received_ bytes so far
    std::size_t received_ = 0;
};

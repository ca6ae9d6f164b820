#pragma once
// CHBMeter: the meter reader. It owns the serial port component, the raw and the parsed record
// queues and the worker thread (TProcThread). Received bytes are framed into raw records on
// the GUI thread (CommReceiveData); the worker parses them into MeterData and tells the window
// in PHwnd about the start, the progress and the end of every transfer (MeterMessages.h).
//
// Threads: construction, destruction, Setcomm, SetStart, Reset, SetPHwnd and CommReceiveData
// run on the GUI thread (the thread whose event loop delivers the port's events). ParseRecord
// runs on the worker thread. The queues lock themselves; FRecordCount, FWinHandle and the
// worker's paused flag are atomics; FOneRecordBuffer and FComm belong to the GUI thread alone.
//
// Reading states: not reading (port closed, worker paused once reading has been on) and
// reading (port open, worker running). SetStart(true) enters reading, SetStart(false) leaves
// it. The worker runs from construction to destruction either way.

#include "comm/SerialComm.h"
#include "meter/BufQuery.h"
#include "meter/MeterRecordQuery.h"
#include "platform/Messages.h"
#include "platform/TickCount.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class TProcThread;

class CHBMeter : public QObject
{
public:
    // Creates the port component (128-byte reads, receive event attached), the empty queues
    // and the running worker. ticks is the worker's millisecond clock; tests inject one.
    explicit CHBMeter(QObject *owner = nullptr,
                      platform::TickSource ticks = platform::systemTickSource());
    // Ends the worker, processing the GUI thread's events while it finishes its step, then
    // closes the port if it is open.
    ~CHBMeter() override;
    CHBMeter(const CHBMeter &) = delete;
    CHBMeter &operator=(const CHBMeter &) = delete;

    // Port number and line settings. Only the low 8 bits of comm are used, and a port number
    // of 0 keeps the current port; a new port takes effect at the next start of reading, line
    // settings at once.
    void Setcomm(int comm, int baudrate, TParity parity, TByteSize bits, TStopBits stopbit);
    // The folder where the port looks for COMn links (normally <data folder>/ports; empty:
    // no links). Takes effect at the next start of reading.
    void SetPortsFolder(const QString &folder);

    // true: pause the worker, Reset, open the port, let the worker run. If the port cannot be
    // opened the ECommsError passes to the caller, with the queues already emptied and the
    // worker left paused. false: close the port; frame the bytes received before it closed and
    // let the worker parse every complete record (waiting up to kStopDrainWait for it), so
    // that all of them are in MeterData on return; drop the text of an incomplete record,
    // telling OnIncompleteRecord; pause the worker. Neither touches a transfer in progress:
    // its end message still comes by the 1500 ms rule.
    void SetStart(bool value);
    static constexpr std::chrono::milliseconds kStopDrainWait{2000};

    // Called by SetStart(false) with the text of a record that had begun but not ended when
    // reading stopped (a pulled cable, Stop pressed mid-record). GUI thread.
    using IncompleteRecordEvent = std::function<void(const QString &text)>;
    void SetOnIncompleteRecord(IncompleteRecordEvent value) { FOnIncompleteRecord = std::move(value); }

    // Empties both queues and the text waiting for a record end. RecordCount is kept.
    void Reset();

    // Raw records accepted by ParseRecord since construction. Any thread.
    std::int32_t RecordCount() const { return FRecordCount.load(); }

    // The window that receives the worker's messages (0: none). Any thread reads it; the main
    // window sets it before every start of reading.
    platform::WindowHandle PHwnd() const { return FWinHandle.load(); }
    void SetPHwnd(platform::WindowHandle value) { FWinHandle.store(value); }

    // The raw record queue.
    TBufQuery *Buffer() const { return FBuffer.get(); }

    // The port component (for its settings and state; the reader drives opening and closing).
    TComm *Comm() const { return FComm.get(); }

    // True while the worker discards what it takes from the raw queue.
    bool Paused() const;

    // Text received but not yet cut into records. GUI thread.
    const QString &PendingText() const { return FOneRecordBuffer; }

    // The port's receive event: converts the bytes from the ANSI code page, appends them to
    // the pending text and moves every complete record into the raw queue. GUI thread; also
    // callable directly with bytes from any other source.
    void CommReceiveData(TComm *sender, const char *buffer, std::uint16_t bufferLength);

    // Parses one raw record text into MeterData and counts it when it has two or more lines.
    // Worker thread.
    void ParseRecord(const QString &s);

private:
    void DropIncompleteRecord();

    std::unique_ptr<TComm> FComm;
    QString FOneRecordBuffer;
    IncompleteRecordEvent FOnIncompleteRecord;
    std::unique_ptr<TBufQuery> FBuffer;
    std::atomic<std::int32_t> FRecordCount{0};
    std::atomic<platform::WindowHandle> FWinHandle{0};

public:
    // The parsed entries; the main window drains it with Pop. Owned by the reader.
    const std::unique_ptr<TMeterRecordQuery> MeterData;

private:
    std::unique_ptr<TProcThread> FReadThread;
};

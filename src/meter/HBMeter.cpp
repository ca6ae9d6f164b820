#include "meter/HBMeter.h"

#include "meter/ProcThread.h"
#include "meter/RecordFormat.h"
#include "platform/CodePage.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

CHBMeter::CHBMeter(QObject *owner, platform::TickSource ticks)
    : QObject(owner),
      FComm(std::make_unique<TComm>()),
      FBuffer(std::make_unique<TBufQuery>()),
      MeterData(std::make_unique<TMeterRecordQuery>())
{
    FComm->SetInputLen(128);
    FComm->SetOnReceiveData([this](TComm *sender, const char *buffer, std::uint16_t bufferLength) {
        CommReceiveData(sender, buffer, bufferLength);
    });
    FReadThread = std::make_unique<TProcThread>(
        TProcThread::Links{*FBuffer, *MeterData,
                           [this](const QString &s) {
                               ParseRecord(s);
                               return RecordCount();
                           },
                           FWinHandle},
        std::move(ticks));
}

CHBMeter::~CHBMeter()
{
    FReadThread->Terminate();
    // The worker may be inside a parse or an idle wait; keep the GUI thread's events flowing
    // meanwhile, as the rest of the program expects of a waiting GUI thread.
    QCoreApplication *app = QCoreApplication::instance();
    const bool guiThread = app != nullptr && QThread::currentThread() == app->thread();
    while (!FReadThread->WaitFor(std::chrono::milliseconds(10))) {
        if (guiThread)
            QCoreApplication::processEvents();
    }
    FReadThread.reset();
    if (FComm->PortOpen())
        FComm->StopComm();
    FComm.reset();
}

void CHBMeter::Setcomm(int comm, int baudrate, TParity parity, TByteSize bits, TStopBits stopbit)
{
    FComm->SetCommPort(static_cast<std::uint8_t>(comm & 0xFF));
    FComm->SetBaudRate(static_cast<std::uint32_t>(baudrate));
    FComm->SetParity(parity);
    FComm->SetByteSize(bits);
    FComm->SetStopBits(stopbit);
}

void CHBMeter::SetPortsFolder(const QString &folder)
{
    FComm->SetPortsFolder(folder);
}

void CHBMeter::SetStart(bool value)
{
    if (value) {
        FReadThread->SetPaused(true);
        Reset();
        FComm->StartComm();   // an ECommsError leaves the worker paused
        FReadThread->SetPaused(false);
    } else {
        FComm->StopComm();
        // The receive thread's last bytes are still on their way as messages; a record they
        // complete is as good as any other.
        FComm->DeliverPendingMessages();
        FReadThread->Drain(kStopDrainWait);
        FReadThread->SetPaused(true);
        DropIncompleteRecord();
    }
}

void CHBMeter::DropIncompleteRecord()
{
    // Line ends alone are no record.
    if (FOneRecordBuffer.isEmpty() || FOneRecordBuffer == u"\r" || FOneRecordBuffer == u"\n") {
        FOneRecordBuffer.clear();
        return;
    }
    const QString text = std::exchange(FOneRecordBuffer, QString());
    if (auto handler = FOnIncompleteRecord)
        handler(text);
}

void CHBMeter::Reset()
{
    FBuffer->Empty();
    MeterData->Empty();
    FOneRecordBuffer.clear();
}

bool CHBMeter::Paused() const
{
    return FReadThread->Paused();
}

void CHBMeter::CommReceiveData(TComm *, const char *buffer, std::uint16_t bufferLength)
{
    if (buffer == nullptr || bufferLength == 0)
        return;
    const QString text = platform::FromAnsi(QByteArrayView(buffer, bufferLength));
    if (FrameReceivedText(FOneRecordBuffer, text, *FBuffer) > 0 && FReadThread)
        FReadThread->Wake();
}

void CHBMeter::ParseRecord(const QString &s)
{
    if (ParseRecordText(s, *MeterData))
        FRecordCount.fetch_add(1);
}

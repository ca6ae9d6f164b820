#include "comm/SerialComm.h"

#include "comm/CommLineSettings.h"
#include "comm/CommLink.h"
#include "comm/ReadThread.h"
#include "comm/WriteThread.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"

#include <QCoreApplication>

#include <cerrno>
#include <new>
#include <system_error>

namespace {

constexpr auto kThreadWait = std::chrono::milliseconds(10000);

} // namespace

TComm::TComm()
    : FHWnd(std::make_unique<platform::MessageWindow>([this](const platform::MessageEvent &m) { CommWndProc(m); })),
      FSendDataEmpty(std::make_shared<std::atomic<bool>>(true)),
      FChunksWaiting(std::make_shared<std::atomic<int>>(0))
{
}

TComm::~TComm()
{
    // Owners stop the port first; closing it here keeps the threads from outliving the window
    // they post to.
    StopComm();
    FHWnd.reset();
}

void TComm::StartComm()
{
    FPortOpenError.clear();
    FPortOpen = false;

    if (HandleHeld()) {
        FPortOpenError = QStringLiteral("This serial port already opened");
        throw ECommsError(FPortOpenError);
    }

    const QString path = QStringLiteral("\\\\.\\") + FCommName;
    FDevicePath = platform::ResolveCommDevice(FCommName, FPortsFolder);

    std::unique_ptr<platform::SerialDevice> device = platform::SerialDevice::Open(FDevicePath);
    if (!device) {
        const int error = errno;
        FPortOpenError = QStringLiteral("Error opening serial port ") + path + QStringLiteral("(") +
                         QString::number(error) + QStringLiteral(")") + QStringLiteral("\n\r") +
                         platform::CommOpenErrorText(error, FDevicePath) + QStringLiteral("\n\r") +
                         QStringLiteral("Please unplug USB of the meter and try again.");
        throw ECommsError(TranslateText(TextKeys::kMeterNotConnected));
    }

    // Anything that is not a terminal (a regular file, /dev/null) is refused before its
    // settings are touched.
    if (!device->IsCommHandle()) {
        device.reset();
        FPortOpenError =
            QStringLiteral("File handle is not a comm handle. Please unplug USB of the meter and try again.");
        throw ECommsError(TranslateText(TextKeys::kMeterNotConnected));
    }
    device->Claim();

    // The driver's queues have fixed sizes on this system, so asking for 4096 bytes each way
    // ("Cannot setup comm buffer" when refused) always succeeds.

    // Every step from here needs descriptors (the close event, each thread's wake-up events)
    // or a thread; step names the one the system refused.
    QString step = QStringLiteral("Unable to create event");
    int error = 0;
    try {
        FLink = std::make_shared<TCommLink>(std::move(device), FHWnd->handle(), FSendDataEmpty);
        FLink->chunksWaiting = FChunksWaiting;
        // The line settings go on before the purge: a tty processes bytes as they arrive, so
        // bytes received between the purge and raw mode would otherwise be taken in cooked
        // mode (CR turned into LF, echoed back). After the purge only raw bytes are queued.
        ApplyCommTimeouts();
        ApplyCommState();
        FLink->device->Purge(true, true);
        FSendDataEmpty->store(true);

        step = QStringLiteral("Unable to create read thread");
        ReadThread = std::make_shared<TReadThread>(FLink, FInputLen, FInBufferSize);
        ReadThread->Start(2);
        step = QStringLiteral("Unable to create write thread");
        WriteThread = std::make_shared<TWriteThread>(FLink);
        WriteThread->Start(1);
        return;
    } catch (const std::system_error &e) {
        error = e.code().value();
    } catch (const std::bad_alloc &) {
        error = ENOMEM;
    }

    // Back to closed: a thread already running is stopped, the port put back as it was found
    // and closed (by the link, or here when the link was never made).
    CloseReadThread();
    CloseWriteThread();
    CloseLink();
    device.reset();
    FPortOpenError = step;
    throw ECommsError(step + QStringLiteral(": ") + platform::CommErrorReason(error));
}

void TComm::StopComm() noexcept
{
    FPortOpenError.clear();
    FPortOpen = false;
    if (!HandleHeld())
        return;
    CloseReadThread();
    CloseWriteThread();
    CloseLink();
}

void TComm::CloseReadThread()
{
    if (!ReadThread)
        return;
    FLink->closeEvent.set();
    FLink->device->Purge(true, false);
    if (!ReadThread->WaitFor(kThreadWait))
        ReadThread->Abandon();
    ReadThread.reset();
}

void TComm::CloseWriteThread()
{
    if (!WriteThread)
        return;
    FLink->closeEvent.set();
    FLink->device->Purge(false, true);
    FSendDataEmpty->store(true);
    if (!WriteThread->WaitFor(kThreadWait))
        WriteThread->Abandon();
    WriteThread.reset();
}

void TComm::CloseLink()
{
    if (!FLink)
        return;
    // Put the port back as it was found and let others open it again. The descriptor itself
    // closes with the last reference (normally this one; a thread that had to be abandoned
    // keeps it until it ends).
    FLink->device->Restore();
    FLink.reset();
}

void TComm::DeliverPendingMessages()
{
    QCoreApplication::sendPostedEvents(FHWnd.get(), platform::MessageEvent::eventType());
}

bool TComm::WriteCommData(const char *pDataToWrite, std::uint16_t dwSizeofDataToWrite)
{
    if (!WriteThread || dwSizeofDataToWrite == 0 || pDataToWrite == nullptr)
        return false;
    // Cleared before the hand-over, so that the transmit thread's "empty" after writing
    // this buffer cannot be overwritten by a late "not empty".
    FSendDataEmpty->store(false);
    if (!WriteThread->PostThreadMessage(WM_COMM_WRITE, dwSizeofDataToWrite,
                                        QByteArray(pDataToWrite, dwSizeofDataToWrite))) {
        FSendDataEmpty->store(true); // the thread has ended: nothing is waiting
        return false;
    }
    return true;
}

std::uint32_t TComm::GetModemState()
{
    if (!HandleHeld())
        return 0;
    ModemLines lines;
    if (!FLink->device->ReadModemLines(lines))
        return 0;
    return ModemStatusFromLines(lines);
}

std::intptr_t TComm::Handle() const
{
    return FLink ? FLink->device->NativeHandle() : -1;
}

bool TComm::SendDataEmpty() const
{
    return FSendDataEmpty->load();
}

platform::WindowHandle TComm::WindowHandle() const
{
    return FHWnd->handle();
}

bool TComm::PortOpen()
{
    FPortOpen = HandleHeld();
    return FPortOpen;
}

void TComm::SetPortOpen(bool value)
{
    if (value)
        StartComm();
    else
        StopComm();
}

void TComm::SetCommPort(std::uint8_t value)
{
    if (value == 0 || value == FCommPort)
        return;
    FCommPort = value;
    FCommName = QStringLiteral("COM") + QString::number(value);
}

void TComm::SetOutput(const QByteArray &value)
{
    FOutput = value;
    WriteCommData(FOutput.constData(), static_cast<std::uint16_t>(FOutput.size() % 65536));
}

void TComm::SetInBufferSize(std::uint16_t value)
{
    FInBufferSize = value == 0 ? 1 : value;
}

void TComm::SetInputLen(std::uint16_t value)
{
    if (value == 0)
        FInputLen = FInBufferSize;
    else if (value <= FInBufferSize)
        FInputLen = value;
}

#define KELO_LINE_SETTER(Name, Type)                                                                                   \
    void TComm::Set##Name(Type value)                                                                                  \
    {                                                                                                                  \
        if (F##Name == value)                                                                                          \
            return;                                                                                                    \
        F##Name = value;                                                                                               \
        if (HandleHeld())                                                                                              \
            ApplyCommState();                                                                                          \
    }
#define KELO_TIMEOUT_SETTER(Name)                                                                                      \
    void TComm::Set##Name(std::uint32_t value)                                                                         \
    {                                                                                                                  \
        if (F##Name == value)                                                                                          \
            return;                                                                                                    \
        F##Name = value;                                                                                               \
        if (HandleHeld())                                                                                              \
            ApplyCommTimeouts();                                                                                       \
    }

KELO_LINE_SETTER(BaudRate, std::uint32_t)
KELO_LINE_SETTER(ParityCheck, bool)
KELO_LINE_SETTER(Outx_CtsFlow, bool)
KELO_LINE_SETTER(Outx_DsrFlow, bool)
KELO_LINE_SETTER(DtrControl, TDtrControl)
KELO_LINE_SETTER(DsrSensitivity, bool)
KELO_LINE_SETTER(TxContinueOnXoff, bool)
KELO_LINE_SETTER(Outx_XonXoffFlow, bool)
KELO_LINE_SETTER(Inx_XonXoffFlow, bool)
KELO_LINE_SETTER(ReplaceWhenParityError, bool)
KELO_LINE_SETTER(IgnoreNullChar, bool)
KELO_LINE_SETTER(RtsControl, TRtsControl)
KELO_LINE_SETTER(XonLimit, std::uint16_t)
KELO_LINE_SETTER(XoffLimit, std::uint16_t)
KELO_LINE_SETTER(ByteSize, TByteSize)
KELO_LINE_SETTER(Parity, TParity)
KELO_LINE_SETTER(StopBits, TStopBits)
KELO_LINE_SETTER(XonChar, char)
KELO_LINE_SETTER(XoffChar, char)
KELO_LINE_SETTER(ReplacedChar, char)
KELO_TIMEOUT_SETTER(ReadIntervalTimeout)
KELO_TIMEOUT_SETTER(ReadTotalTimeoutMultiplier)
KELO_TIMEOUT_SETTER(ReadTotalTimeoutConstant)
KELO_TIMEOUT_SETTER(WriteTotalTimeoutMultiplier)
KELO_TIMEOUT_SETTER(WriteTotalTimeoutConstant)

#undef KELO_LINE_SETTER
#undef KELO_TIMEOUT_SETTER

void TComm::ApplyCommTimeouts()
{
    if (!FLink)
        return;
    TCommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = FReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = FReadTotalTimeoutMultiplier;
    timeouts.ReadTotalTimeoutConstant = FReadTotalTimeoutConstant;
    timeouts.WriteTotalTimeoutMultiplier = FWriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = FWriteTotalTimeoutConstant;
    FLink->setTimeouts(timeouts);
}

void TComm::ApplyCommState()
{
    if (!FLink)
        return;
    TCommLineSettings s;
    s.BaudRate = FBaudRate;
    s.ParityCheck = FParityCheck;
    s.Outx_CtsFlow = FOutx_CtsFlow;
    s.Outx_DsrFlow = FOutx_DsrFlow;
    s.DtrControl = FDtrControl;
    s.DsrSensitivity = FDsrSensitivity;
    s.TxContinueOnXoff = FTxContinueOnXoff;
    s.Outx_XonXoffFlow = FOutx_XonXoffFlow;
    s.Inx_XonXoffFlow = FInx_XonXoffFlow;
    s.ReplaceWhenParityError = FReplaceWhenParityError;
    s.IgnoreNullChar = FIgnoreNullChar;
    s.RtsControl = FRtsControl;
    s.XonLimit = FXonLimit;
    s.XoffLimit = FXoffLimit;
    s.ByteSize = FByteSize;
    s.Parity = FParity;
    s.StopBits = FStopBits;
    s.XonChar = FXonChar;
    s.XoffChar = FXoffChar;
    s.ReplacedChar = FReplacedChar;
    FLink->device->ApplyLineSettings(s);
    FLink->ignoreNullChar.store(FIgnoreNullChar);
    FLink->rtsToggle.store(FRtsControl == TRtsControl::RtsToggle);
}

void TComm::CommWndProc(const platform::MessageEvent &message)
{
    // Handlers are copied before the call, so a handler may replace itself safely.
    switch (message.message()) {
    case WM_COMM_DATA: {
        FChunksWaiting->fetch_sub(1);
        // The buffer belongs to the message and is released with it after the event, also
        // when there is no handler or the handler throws.
        const QByteArray &buffer = message.payload();
        const auto count = static_cast<std::uint16_t>(
            std::min<std::size_t>(message.wParam() & 0xFFFF, static_cast<std::size_t>(buffer.size())));
        if (auto handler = FOnReceiveData)
            handler(this, buffer.constData(), count);
        break;
    }
    case WM_COMM_ERROR:
        if (auto handler = FOnReceiveError)
            handler(this, static_cast<std::uint32_t>(message.lParam()));
        break;
    case WM_COMM_HANGUP:
        if (auto handler = FOnRequestHangup)
            handler(this);
        break;
    case WM_COMM_MODEM:
        if (auto handler = FOnModemStateChange)
            handler(this, static_cast<std::uint32_t>(message.lParam()));
        break;
    case WM_COMM_SENT:
        if (auto handler = FOnSendDataEmpty)
            handler(this);
        break;
    default:
        break;
    }
}

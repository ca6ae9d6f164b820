#pragma once
// TComm: the serial port component. It opens a COM port (a tty device on this system), applies
// line settings and timeouts from its properties, and while the port is open runs one receive
// thread and one transmit thread. Everything those threads report reaches the component's
// hidden notification window as a posted message, and the component raises its events from
// there, on the thread that created it (the GUI thread), in posting order.
//
// Threads: every method and property accessor is for the creating thread only. The port
// threads share with the component only the port descriptor and the close event (read-only for
// them), the notification window handle, the timeouts and a few line flags (atomics), and the
// send-empty flag (an atomic the transmit thread sets and WriteCommData clears).
//
// COM port names: "COMn" resolves through platform::ResolveCommDevice (SerialDevice.h): a
// link <ports folder>/COMn when present, else /dev/ttyUSB<n-1>, /dev/ttyACM<n-65>, /dev/ttyS<n-129>.

#include "platform/Exception.h"
#include "platform/Messages.h"
#include "platform/SerialDevice.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

using platform::TByteSize;
using platform::TDtrControl;
using platform::TParity;
using platform::TRtsControl;
using platform::TStopBits;

// Messages the port threads post to the component's notification window.
inline constexpr std::uint32_t WM_COMM_DATA = 0x0401;   // wParam byte count, payload the bytes
inline constexpr std::uint32_t WM_COMM_ERROR = 0x0402;  // lParam line-error flags (CE_*)
inline constexpr std::uint32_t WM_COMM_HANGUP = 0x0403; // the line broke; the owner may close
inline constexpr std::uint32_t WM_COMM_MODEM = 0x0404;  // lParam modem event bits (4 ring, 8 carrier)
inline constexpr std::uint32_t WM_COMM_SENT = 0x0405;   // the transmit queue ran empty
// Thread message to the transmit thread: wParam byte count, payload the bytes to send.
inline constexpr std::uint32_t WM_COMM_WRITE = 0x0401;

// Line-error flags carried by WM_COMM_ERROR / OnReceiveError.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;   // input buffer overflow
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;  // hardware overrun
inline constexpr std::uint32_t CE_RXPARITY = 0x0004; // parity error
inline constexpr std::uint32_t CE_FRAME = 0x0008;    // framing error
inline constexpr std::uint32_t CE_BREAK = 0x0010;    // break condition

// Modem status bits returned by GetModemState.
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// The component's error: carries only its message text.
class ECommsError : public platform::Exception
{
public:
    using platform::Exception::Exception;
};

class TComm;
class TReadThread;
class TWriteThread;
struct TCommLink;

// Buffer points to BufferLength received bytes followed by a terminating 0; it is valid only
// during the call (the component releases it afterwards).
using TReceiveDataEvent = std::function<void(TComm *sender, const char *buffer, std::uint16_t bufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm *sender, std::uint32_t eventMask)>;
using TModemStateChangeEvent = std::function<void(TComm *sender, std::uint32_t modemEvent)>;
using TNotifyEvent = std::function<void(TComm *sender)>;
using TSendDataEmptyEvent = std::function<void(TComm *sender)>;

class TComm
{
public:
    // Creates the hidden notification window on the calling thread, which becomes the thread
    // of every event.
    TComm();
    // Destroys the notification window. Owners call StopComm first; an open port is closed
    // here as a last resort so that no thread outlives the component.
    ~TComm();
    TComm(const TComm &) = delete;
    TComm &operator=(const TComm &) = delete;

    // Opens the port named by CommName and starts both threads. Throws ECommsError when the
    // port is already open, cannot be opened, is not a character device or refuses its
    // queues, and when the system refuses the close event or a thread (with its wake-up
    // events): the message is then PortOpenError, ": " and the system's reason ("Unable to
    // create read thread: Too many open files"). In every failure the port is left closed,
    // as it was found, with no thread running, and PortOpenError says why.
    void StartComm();
    // Stops both threads (waiting up to 10 s for each), restores the port's previous line
    // settings and closes it. Clears PortOpenError. Never throws.
    void StopComm() noexcept;

    // Raises now the events of everything the port threads posted that has not been handled
    // yet (received bytes, a hang-up), in posting order. After StopComm this is the last of
    // them: the threads have ended.
    void DeliverPendingMessages();

    // Hands a copy of the bytes to the transmit thread. False when the port is closed, the
    // size is 0 or the hand-over fails.
    bool WriteCommData(const char *pDataToWrite, std::uint16_t dwSizeofDataToWrite);
    // MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON as the driver reports them; 0 when the
    // port is closed or the driver cannot tell (a pseudo-terminal).
    std::uint32_t GetModemState();

    // The open port's system handle (a file descriptor here), -1 while closed.
    std::intptr_t Handle() const;
    // True while nothing waits to be transmitted.
    bool SendDataEmpty() const;
    // The notification window's handle (the target of the threads' messages).
    platform::WindowHandle WindowHandle() const;
    // The device file that the last StartComm tried (empty before the first).
    QString DevicePath() const { return FDevicePath; }
    // Folder searched for COMn links (the owner sets it, normally <data folder>/ports); empty
    // skips the links.
    QString PortsFolder() const { return FPortsFolder; }
    void SetPortsFolder(const QString &value) { FPortsFolder = value; }

    // Published properties (initial values in brackets).
    bool PortOpen();                            // [false] true: StartComm, false: StopComm
    void SetPortOpen(bool value);
    std::uint8_t CommPort() const { return FCommPort; } // [1] 0 or the current value is ignored
    void SetCommPort(std::uint8_t value);
    QString PortOpenError() const { return FPortOpenError; }
    QByteArray Output() const { return FOutput; } // setting it transmits the bytes
    void SetOutput(const QByteArray &value);
    std::uint16_t InBufferSize() const { return FInBufferSize; } // [2048] 0 is stored as 1
    void SetInBufferSize(std::uint16_t value);
    std::uint16_t InputLen() const { return FInputLen; } // [1] 0 = InBufferSize; above it ignored
    void SetInputLen(std::uint16_t value);
    QString CommName() const { return FCommName; } // ["COM1"] used at the next open
    void SetCommName(const QString &value) { FCommName = value; }

    // Line settings: stored only when changed, re-applied at once while open.
    std::uint32_t BaudRate() const { return FBaudRate; } // [9600]
    void SetBaudRate(std::uint32_t value);
    bool ParityCheck() const { return FParityCheck; }
    void SetParityCheck(bool value);
    bool Outx_CtsFlow() const { return FOutx_CtsFlow; }
    void SetOutx_CtsFlow(bool value);
    bool Outx_DsrFlow() const { return FOutx_DsrFlow; }
    void SetOutx_DsrFlow(bool value);
    TDtrControl DtrControl() const { return FDtrControl; } // [DtrDisable]
    void SetDtrControl(TDtrControl value);
    bool DsrSensitivity() const { return FDsrSensitivity; }
    void SetDsrSensitivity(bool value);
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool value);
    bool Outx_XonXoffFlow() const { return FOutx_XonXoffFlow; }
    void SetOutx_XonXoffFlow(bool value);
    bool Inx_XonXoffFlow() const { return FInx_XonXoffFlow; }
    void SetInx_XonXoffFlow(bool value);
    bool ReplaceWhenParityError() const { return FReplaceWhenParityError; }
    void SetReplaceWhenParityError(bool value);
    bool IgnoreNullChar() const { return FIgnoreNullChar; }
    void SetIgnoreNullChar(bool value);
    TRtsControl RtsControl() const { return FRtsControl; } // [RtsDisable]
    void SetRtsControl(TRtsControl value);
    std::uint16_t XonLimit() const { return FXonLimit; } // [500]
    void SetXonLimit(std::uint16_t value);
    std::uint16_t XoffLimit() const { return FXoffLimit; } // [500]
    void SetXoffLimit(std::uint16_t value);
    TByteSize ByteSize() const { return FByteSize; } // [_8]
    void SetByteSize(TByteSize value);
    TParity Parity() const { return FParity; } // [None]
    void SetParity(TParity value);
    TStopBits StopBits() const { return FStopBits; } // [_1]
    void SetStopBits(TStopBits value);
    char XonChar() const { return FXonChar; } // [17]
    void SetXonChar(char value);
    char XoffChar() const { return FXoffChar; } // [19]
    void SetXoffChar(char value);
    char ReplacedChar() const { return FReplacedChar; } // [0]
    void SetReplacedChar(char value);

    // Timeouts in ms: stored only when changed, re-applied at once while open. With the
    // initial values (100, 0, 0, 0, 0) a read waits without limit for its first byte and
    // completes when InputLen bytes have come or 100 ms have passed without a byte.
    std::uint32_t ReadIntervalTimeout() const { return FReadIntervalTimeout; }
    void SetReadIntervalTimeout(std::uint32_t value);
    std::uint32_t ReadTotalTimeoutMultiplier() const { return FReadTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(std::uint32_t value);
    std::uint32_t ReadTotalTimeoutConstant() const { return FReadTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(std::uint32_t value);
    std::uint32_t WriteTotalTimeoutMultiplier() const { return FWriteTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t value);
    std::uint32_t WriteTotalTimeoutConstant() const { return FWriteTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(std::uint32_t value);

    // Events, raised on the creating thread.
    TReceiveDataEvent OnReceiveData() const { return FOnReceiveData; }
    void SetOnReceiveData(TReceiveDataEvent value) { FOnReceiveData = std::move(value); }
    TNotifyEvent OnRequestHangup() const { return FOnRequestHangup; }
    void SetOnRequestHangup(TNotifyEvent value) { FOnRequestHangup = std::move(value); }
    TReceiveErrorEvent OnReceiveError() const { return FOnReceiveError; }
    void SetOnReceiveError(TReceiveErrorEvent value) { FOnReceiveError = std::move(value); }
    TModemStateChangeEvent OnModemStateChange() const { return FOnModemStateChange; }
    void SetOnModemStateChange(TModemStateChangeEvent value) { FOnModemStateChange = std::move(value); }
    TSendDataEmptyEvent OnSendDataEmpty() const { return FOnSendDataEmpty; }
    void SetOnSendDataEmpty(TSendDataEmptyEvent value) { FOnSendDataEmpty = std::move(value); }

private:
    void ApplyCommState();
    void ApplyCommTimeouts();
    void CloseReadThread();
    void CloseWriteThread();
    void CloseLink();
    bool HandleHeld() const { return FLink != nullptr; }
    void CommWndProc(const platform::MessageEvent &message);

    std::shared_ptr<TReadThread> ReadThread;
    std::shared_ptr<TWriteThread> WriteThread;
    // Port descriptor, close event, timeouts and line flags shared with the threads while open.
    std::shared_ptr<TCommLink> FLink;
    std::unique_ptr<platform::MessageWindow> FHWnd;
    std::shared_ptr<std::atomic<bool>> FSendDataEmpty;
    // Received chunks whose WM_COMM_DATA has not been handled yet (ReadThread.h).
    std::shared_ptr<std::atomic<int>> FChunksWaiting;
    bool FPortOpen = false;
    QString FDevicePath;
    QString FPortsFolder;

    std::uint8_t FCommPort = 1;
    QString FPortOpenError;
    QByteArray FOutput;
    std::uint16_t FInBufferSize = 2048;
    std::uint16_t FInputLen = 1;
    QString FCommName = QStringLiteral("COM1");
    std::uint32_t FBaudRate = 9600;
    bool FParityCheck = false;
    bool FOutx_CtsFlow = false;
    bool FOutx_DsrFlow = false;
    TDtrControl FDtrControl = TDtrControl::DtrDisable;
    bool FDsrSensitivity = false;
    bool FTxContinueOnXoff = false;
    bool FOutx_XonXoffFlow = false;
    bool FInx_XonXoffFlow = false;
    bool FReplaceWhenParityError = false;
    bool FIgnoreNullChar = false;
    TRtsControl FRtsControl = TRtsControl::RtsDisable;
    std::uint16_t FXonLimit = 500;
    std::uint16_t FXoffLimit = 500;
    TByteSize FByteSize = TByteSize::_8;
    TParity FParity = TParity::None;
    TStopBits FStopBits = TStopBits::_1;
    char FXonChar = 17;
    char FXoffChar = 19;
    char FReplacedChar = 0;
    std::uint32_t FReadIntervalTimeout = 100;
    std::uint32_t FReadTotalTimeoutMultiplier = 0;
    std::uint32_t FReadTotalTimeoutConstant = 0;
    std::uint32_t FWriteTotalTimeoutMultiplier = 0;
    std::uint32_t FWriteTotalTimeoutConstant = 0;
    TReceiveDataEvent FOnReceiveData;
    TNotifyEvent FOnRequestHangup;
    TReceiveErrorEvent FOnReceiveError;
    TModemStateChangeEvent FOnModemStateChange;
    TSendDataEmptyEvent FOnSendDataEmpty;
};

#pragma once
// The serial port as the operating system offers it: which device a COM port name stands for,
// the open port and what can be done with it, and what a system error number tells the user.
// The back-end of each system (platform/<system>/) implements what is declared here; error
// numbers become text there and nowhere else.

#include "platform/ManualResetEvent.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
// RtsToggle: RTS raised only while transmitting.
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsToggle };

// The serial component's line settings. Some have no counterpart on a given system; the
// back-end leaves them out and says so where it applies them.
struct TCommLineSettings
{
    std::uint32_t BaudRate = 9600;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrDisable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = false;
    bool Outx_XonXoffFlow = false;
    bool Inx_XonXoffFlow = false;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsDisable;
    std::uint16_t XonLimit = 500;
    std::uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    char XonChar = 17;
    char XoffChar = 19;
    char ReplacedChar = 0;
};

// Counters of the driver's line events, the part the serial component uses. Each only grows
// (and wraps); a change between two readings is an event.
struct LineCounters
{
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t bufOverrun = 0;
    std::uint32_t ring = 0;
    std::uint32_t carrier = 0;
};

// The modem input lines as they are now.
struct ModemLines
{
    bool cts = false;
    bool dsr = false;
    bool ring = false;
    bool carrier = false;
};

// What a wait on a port and a wake-up event ended with.
struct SerialWaitResult
{
    // Like poll(): above 0 something is ready, 0 the timeout passed, below 0 the wait
    // failed with errno set (EINTR: interrupted, wait again).
    int ready = 0;
    // The wake-up event is set.
    bool woken = false;
    // The port is no longer valid (closed under the waiter).
    bool closed = false;
};

// "COMn" (any letter case) resolves to <portsFolder>/COMn when that entry exists (a link to a
// serial device or a pseudo-terminal; a link whose target is gone, or an entry this user may
// not look at, still counts, so that opening it reports what is wrong), otherwise to /dev/ttyUSB<n-1> for COM1-COM64,
// /dev/ttyACM<n-65> for COM65-COM128 and /dev/ttyS<n-129> for COM129-COM160.
// An absolute path is taken as it is; any other name is looked for in /dev. An empty
// portsFolder skips the link look-up. Any thread.
QString ResolveCommDevice(const QString &commName, const QString &portsFolder);

// The system's reason for an error number, as the user reads it ("Too many open files").
QString CommErrorReason(int error);
// Why a port could not be opened: the reason, the file tried (and a link's target) and, for
// the causes a user can remove, what to do about them.
QString CommOpenErrorText(int error, const QString &device);

// An open port. Owns the system's handle: the destructor puts the port back as Claim found it
// and closes it. The calls answer like the POSIX calls they stand for (-1 or false with errno
// set to the POSIX number: EAGAIN nothing to take or no room now, EINTR interrupted, EBADF
// closed under the caller, EIO the device has gone; ENOTTY or EINVAL for a feature the driver
// does not have), so callers tell "no such feature" from "device gone" by errno.
//
// This is the one way the serial component and its threads reach the driver. A test may
// wrap a device from Open to make the driver answer as a pseudo-terminal cannot (line
// counters kept by a USB bridge, a device that vanishes with bytes in flight, an allocation
// that fails).
//
// Threads: Claim, ApplyLineSettings and Purge before the port threads start and Restore
// after they are stopped, on the component's thread; Read and Wait for reading on the receive
// thread; Write, Wait for writing, SetRts and Drain on the transmit thread; Purge of a
// direction also as its thread ends; the status calls on any thread.
class SerialDevice
{
public:
    // Opens path for reading and writing, without becoming its controlling terminal and
    // without blocking. Null with errno set when the system refuses.
    static std::unique_ptr<SerialDevice> Open(const QString &path);

    SerialDevice() = default;
    virtual ~SerialDevice() = default;
    SerialDevice(const SerialDevice &) = delete;
    SerialDevice &operator=(const SerialDevice &) = delete;

    // The system's handle, for the owner's diagnostics; never -1 for an open port.
    virtual std::intptr_t NativeHandle() const = 0;

    // True for a character device that is a serial port or terminal; anything else (a
    // regular file, /dev/null) is not a port.
    virtual bool IsCommHandle() const = 0;
    // Makes the port exclusive (refused quietly where unsupported) and remembers its settings.
    virtual void Claim() = 0;
    // Puts the remembered settings back and gives up exclusivity. Safe to call again.
    virtual void Restore() = 0;

    // Applies the settings, the speed and the DTR/RTS lines. The driver's answers are not
    // checked: a pseudo-terminal has no modem lines and refuses those calls, which is fine.
    virtual void ApplyLineSettings(const TCommLineSettings &settings) = 0;
    // Discards what the driver holds for the given directions.
    virtual void Purge(bool input, bool output) = 0;

    // Non-blocking transfers: what can be done now, -1 with EAGAIN when nothing.
    virtual std::ptrdiff_t Read(char *buffer, std::size_t size) = 0;
    virtual std::ptrdiff_t Write(const char *buffer, std::size_t size) = 0;
    // Waits until the port can be read (or, with forWrite, written), wake is set, or timeoutMs
    // passes (negative: no limit).
    virtual SerialWaitResult Wait(const ManualResetEvent &wake, bool forWrite, std::int64_t timeoutMs) = 0;
    // Raises or drops RTS.
    virtual void SetRts(bool on) = 0;
    // Waits until every byte written has left the port.
    virtual void Drain() = 0;

    // The driver's line counters. A driver that keeps none (a pseudo-terminal) fails with
    // ENOTTY or EINVAL; a device that has gone fails with EIO.
    virtual bool ReadLineCounters(LineCounters &counters) = 0;
    virtual bool ReadModemLines(ModemLines &lines) = 0;
};

} // namespace platform

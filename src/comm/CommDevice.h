#pragma once
// The serial port as a device: which file a COM port name stands for, the open port and the
// driver calls made on it, and what a system error number tells the user. Error numbers
// become text here and nowhere else.

#include "comm/CommLineSettings.h"

#include <QString>

#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <memory>
#include <optional>

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

// An open port. Owns its descriptor: the destructor puts the port back as Claim found it and
// closes it. The calls answer like the system calls they stand for (-1 or false with errno
// set), so callers tell "no such feature" from "device gone" by errno.
//
// This is the one way the component and its threads reach the driver; a test may derive
// from it to make the driver answer as a pseudo-terminal cannot (line counters kept by a USB
// bridge, a device that vanishes with bytes in flight, an allocation that fails).
//
// Threads: Claim before the port threads start and Restore after they are stopped, on the
// component's thread; Read on the receive thread; Write on the transmit thread; the status
// calls on any thread.
class TCommDevice
{
public:
    // Opens path for reading and writing, without becoming its controlling terminal and
    // without blocking. Null with errno set when the system refuses.
    static std::unique_ptr<TCommDevice> Open(const QString &path);

    explicit TCommDevice(int fd);
    virtual ~TCommDevice();
    TCommDevice(const TCommDevice &) = delete;
    TCommDevice &operator=(const TCommDevice &) = delete;

    // The descriptor, for poll(), termios settings and flushing.
    int fd() const { return fd_; }

    // True for a character device that is a terminal; anything else (a regular file,
    // /dev/null) is not a port.
    bool IsCommHandle() const;
    // Makes the port exclusive (refused quietly where unsupported) and remembers its termios.
    void Claim();
    // Puts the remembered termios back and gives up exclusivity. Safe to call again.
    void Restore();

    virtual ssize_t Read(char *buffer, std::size_t size);
    virtual ssize_t Write(const char *buffer, std::size_t size);
    // The driver's line counters (TIOCGICOUNT). A driver that keeps none (a pseudo-terminal)
    // fails with ENOTTY or EINVAL; a device that has gone fails with EIO.
    virtual bool ReadLineCounters(LineCounters &counters);
    // The modem lines (TIOCMGET), as TIOCM_* bits.
    virtual bool ReadModemLines(int &lines);

private:
    const int fd_;
    bool claimed_ = false;
    std::optional<termios> savedTermios_;
};

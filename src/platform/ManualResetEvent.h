#pragma once
// A manual-reset event that a thread can wait on together with a serial port or another
// event (SerialDevice::Wait, WaitForAny). Any thread may set, reset or wait. The back-end
// gives it a handle the system can wait on: on Linux an eventfd, readable from set() until
// reset().

#include <chrono>

namespace platform {

class ManualResetEvent
{
public:
    // Throws std::system_error when the system refuses the event.
    explicit ManualResetEvent(bool initiallySet = false);
    ~ManualResetEvent();
    ManualResetEvent(const ManualResetEvent &) = delete;
    ManualResetEvent &operator=(const ManualResetEvent &) = delete;

    void set();
    void reset();
    bool isSet() const;
    // Waits until set or the timeout passes; true when set. A negative timeout waits forever.
    bool wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1)) const;

    // The system's handle, for the back-end's waits: an eventfd, readable (POLLIN) while the
    // event is set.
    int fd() const { return fd_; }

private:
    int fd_;
};

// Waits until either event is set; 0 when first is, 1 when second is (first wins when both
// are), -1 when the system fails the wait.
int WaitForAny(const ManualResetEvent &first, const ManualResetEvent &second);

} // namespace platform

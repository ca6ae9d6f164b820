#pragma once
// A manual-reset event that poll() can wait on together with other descriptors: set() makes
// fd() readable until reset(). Backed by an eventfd. Any thread may set, reset or wait.

#include <chrono>

namespace platform {

class ManualResetEvent
{
public:
    // Throws std::system_error when the kernel refuses an eventfd.
    explicit ManualResetEvent(bool initiallySet = false);
    ~ManualResetEvent();
    ManualResetEvent(const ManualResetEvent &) = delete;
    ManualResetEvent &operator=(const ManualResetEvent &) = delete;

    void set();
    void reset();
    bool isSet() const;
    // Waits until set or the timeout passes; true when set. A negative timeout waits forever.
    bool wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1)) const;

    // Readable (POLLIN) while the event is set.
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace platform

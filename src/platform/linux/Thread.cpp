#include "platform/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

void RaiseCurrentThreadPriority(int steps)
{
    // One nice value per thread: the thread's id names it to the scheduler.
    const id_t tid = static_cast<id_t>(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, tid, nice - steps);
}

} // namespace platform

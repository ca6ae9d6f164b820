#pragma once
// Scheduling of the calling thread.

namespace platform {

// Raises the calling thread above normal by steps priority steps where the system allows it;
// quietly does nothing where it does not (raising needs a privilege most users lack).
void RaiseCurrentThreadPriority(int steps);

} // namespace platform

#pragma once
// What a system error number (an errno value) means, as the user reads it.

#include <QString>

namespace platform {

// "Too many open files" for EMFILE. Any thread.
QString SystemErrorReason(int error);

} // namespace platform

#include "platform/SystemError.h"

#include <cstring>

namespace platform {

QString SystemErrorReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace platform

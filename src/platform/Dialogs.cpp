#include "platform/Dialogs.h"

#include <stdexcept>

namespace platform {

namespace {
Dialogs *installed = nullptr;
}

Dialogs &CurrentDialogs()
{
    if (!installed)
        throw std::logic_error("no dialog implementation installed");
    return *installed;
}

void SetDialogs(Dialogs *dialogs)
{
    installed = dialogs;
}

} // namespace platform

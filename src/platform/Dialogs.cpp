#include "platform/Dialogs.h"

#include <QtGlobal>

#include <stdexcept>

namespace platform {

namespace {

constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kAbortRetryIgnore = 0x02;
constexpr unsigned kRetryCancel = 0x05;
constexpr int kIdAbort = 3;

// What stands in for every box once the process is ending: nobody is there to answer.
class RefusingDialogs final : public Dialogs
{
public:
    int MessageBox(const QString &text, const QString &caption, unsigned style) override
    {
        (void)text;
        (void)caption;
        return NegativeAnswer(style);
    }
    std::optional<QString> SaveFile(const SaveFileRequest &request) override
    {
        (void)request;
        return std::nullopt;
    }
    void ErrorBox(const QString &message) override { qWarning("%s", qUtf8Printable(message)); }
};

Dialogs *installed = nullptr;
bool ended = false;

} // namespace

int NegativeAnswer(unsigned style)
{
    switch (style & kButtonMask) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case kRetryCancel:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    case kAbortRetryIgnore:
        return kIdAbort;
    default:
        return IDOK;
    }
}

Dialogs &CurrentDialogs()
{
    if (ended) {
        static RefusingDialogs refusing;
        return refusing;
    }
    if (!installed)
        throw std::logic_error("no dialog implementation installed");
    return *installed;
}

void SetDialogs(Dialogs *dialogs)
{
    installed = dialogs;
}

void EndDialogs()
{
    ended = true;
}

} // namespace platform

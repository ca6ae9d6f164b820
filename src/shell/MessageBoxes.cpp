#include "shell/MessageBoxes.h"

#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "platform/Dialogs.h"

int ConfirmBox(const QString &text)
{
    return platform::CurrentDialogs().MessageBox(TranslateText(text), TranslateText(TextKeys::kWarningMessage),
                                                 platform::MB_YESNO | platform::MB_ICONQUESTION);
}

int InfoBox(const QString &text)
{
    return platform::CurrentDialogs().MessageBox(TranslateText(text), TranslateText(TextKeys::kMessage),
                                                 platform::MB_OK | platform::MB_ICONINFORMATION);
}

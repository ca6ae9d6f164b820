#include "ui/TSaveDialog.h"

#include "platform/Dialogs.h"

TSaveDialog::TSaveDialog(QObject *owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("SaveDialog"));
}

bool TSaveDialog::Execute()
{
    platform::SaveFileRequest request;
    request.title = Title;
    request.filter = Filter;
    request.defaultExt = DefaultExt;
    request.fileName = FileName;
    request.initialDir = InitialDir;
    const std::optional<QString> chosen = platform::CurrentDialogs().SaveFile(request);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

#include "ui/UserGuide.h"

#include "shell/Folders.h"
#include "shell/Settings.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <utility>

namespace {

std::function<void()> &BeepOverride()
{
    static std::function<void()> beep;
    return beep;
}

void Beep()
{
    if (BeepOverride())
        BeepOverride()();
    else
        QApplication::beep();
}

} // namespace

QString UserGuidePath()
{
    return ExePath + QString::number(GlobalOption.LanguageID) + QStringLiteral("/UserGuide.pdf");
}

bool OpenUserGuide()
{
    // Names compare without regard to case, as they do where the guides are made.
    const QString path = platform::ResolveCaseInsensitive(UserGuidePath());
    // The desktop may report success for a file that is not there (the viewer then shows its
    // own error), so the file is checked first.
    if (!QFileInfo(path).isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        Beep();
        return false;
    }
    return true;
}

void SetUserGuideBeep(std::function<void()> beep)
{
    BeepOverride() = std::move(beep);
}

#include "program/SingleInstanceGuard.h"

#include "shell/Folders.h"
#include "shell/Settings.h"
#include "program/RemoteWindow.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "store/DatabaseLockFile.h"

QString GuardLockFilePath()
{
    return platform::ResolveCaseInsensitive(platform::InstallRootOf(ExePath) +
                                            QStringLiteral("/KELODATA/Data/HB_data1.ldb"));
}

bool IsDatabaseLocked()
{
    return store::IsLockFileHeld(GuardLockFilePath());
}

void ShowAlreadyRunningMessage()
{
    platform::CurrentDialogs().MessageBox(RunningMessageText(GlobalOption.LanguageID),
                                          RunningCaptionText(GlobalOption.LanguageID),
                                          platform::MB_OK | platform::MB_ICONERROR);
}

bool IsAlreadyRunning(const QString &beaconFolder)
{
    if (IsDatabaseLocked()) {
        ShowAlreadyRunningMessage();
        return true;
    }
    const std::unique_ptr<RemoteWindow> running = RemoteWindow::Find(kRunningWindowTitle, beaconFolder);
    if (!running)
        return false;
    // A copy that does not answer still runs: the new one ends either way.
    if (running->IsIconic())
        running->Restore();
    else
        running->SetForeground();
    return true;
}

QString RunningMessageText(int languageId)
{
    switch (languageId) {
    case 1031:
        return QStringLiteral("Die Anwendung wird derzeit ausgeführt und es kann keine weitere geöffnet werden. ");
    case 1034:
        return QStringLiteral("La aplicación está actualmente funcionando y no se puede abrir otra.");
    case 1035:
        return QStringLiteral("Sovellus on käynnissä, eikä toista voi avata.");
    case 1036:
        return QStringLiteral("L'application est en cours d'exécution et il est impossible d'en ouvrir une autre");
    case 1040:
        return QStringLiteral("L'applicazione è in esecuzione, impossibile eseguirne un'altra.");
    case 1043:
        return QStringLiteral("De applicatie is momenteel in gebruik en kan daarom niet tweemaal worden geopend.");
    case 1045:
        return QStringLiteral("Aplikacja jest obecnie uruchomiona; nie można otworzyć innej aplikacji.");
    case 1053:
        return QStringLiteral("Applikationen körs redan och en annan kan inte öppnas.");
    case 2070:
        return QStringLiteral("Atualmente a aplicação está em execução e não pode ser aberta.");
    case 1033:
    default:
        return QStringLiteral("The application is currently running and another cannot be opened.");
    }
}

QString RunningCaptionText(int languageId)
{
    switch (languageId) {
    case 1031:
        return QStringLiteral("Warnung");
    case 1034:
        return QStringLiteral("Advertencia");
    case 1035:
        return QStringLiteral("Varoitus");
    case 1036:
        return QStringLiteral("Alerte");
    case 1040:
        return QStringLiteral("Avviso");
    case 1043:
        return QStringLiteral("Let op");
    case 1045:
        return QStringLiteral("Ostrzeżenie");
    case 1053:
        return QStringLiteral("Varning");
    case 2070:
        return QStringLiteral("Aviso");
    case 1033:
    default:
        return QStringLiteral("Warning");
    }
}

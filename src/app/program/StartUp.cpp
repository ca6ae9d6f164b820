#include "app/program/StartUp.h"

#include "app/Folders.h"
#include "app/program/Application.h"
#include "app/program/TerminationSignals.h"
#include "platform/Dialogs.h"
#include "ui/WidgetDialogs.h"

#include <cstdlib>

namespace {

// Removes the dialogs on every way out of RunProgram, before the widgets they use are gone.
class InstalledDialogs
{
public:
    explicit InstalledDialogs(platform::Dialogs &dialogs) { platform::SetDialogs(&dialogs); }
    ~InstalledDialogs() { platform::SetDialogs(nullptr); }
    InstalledDialogs(const InstalledDialogs &) = delete;
    InstalledDialogs &operator=(const InstalledDialogs &) = delete;
};

} // namespace

int RunProgram(int argc, char **argv)
{
    // 1. Nothing has failed yet.
    DatabaseOpened = true;

    // 2. The application object (with it the event loop and the default error box).
    Application application(argc, argv);
    ui::WidgetDialogs dialogs;
    InstalledDialogs installed(dialogs);
    TerminationSignals termination;

    // 3. The main window owns the taskbar button: Qt has no hidden application window, so
    //    there is nothing to do.

    // 4. Folders, then the settings (SetupFolders ends with LoadSettings).
    SetupFolders();

    // 5. Single-instance guard: end here, before the data module, when another copy runs.

    // 6. Data module: languages, display formats, the result database (sets DatabaseOpened).

    // 7. Windows and the message loop, only with the database open.
    if (!DatabaseOpened)
        return EXIT_SUCCESS;
    // The main window and the About box are created here.

    const int exitCode = application.exec();

    // 8. End of process: the windows are destroyed before the data module.
    return exitCode;
}

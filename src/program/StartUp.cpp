#include "program/StartUp.h"

#include "platform/Exception.h"

#include "shell/Folders.h"
#include "program/Application.h"
#include "program/SingleInstanceGuard.h"
#include "program/TerminationSignals.h"
#include "program/WindowTitleBeacon.h"
#include "platform/Dialogs.h"
#include "store/DataModule.h"
#include "ui/FrmAbout.h"
#include "ui/TfrmMain.h"
#include "ui/TranslationWalk.h"
#include "ui/WidgetDialogs.h"

#include <memory>

namespace {

// The About box as the process-wide FrmAbout while it exists.
class AboutBox
{
public:
    explicit AboutBox(QWidget *owner) : box_(owner) { FrmAbout = &box_; }
    ~AboutBox() { FrmAbout = nullptr; }
    AboutBox(const AboutBox &) = delete;
    AboutBox &operator=(const AboutBox &) = delete;

private:
    TFrmAbout box_;
};

} // namespace

int RunWindows(QApplication &application)
{
    std::unique_ptr<TfrmMain> mainWindow;
    std::unique_ptr<AboutBox> about;
    std::unique_ptr<WindowTitleBeacon> beacon;
    try {
        mainWindow = std::make_unique<TfrmMain>();
        about = std::make_unique<AboutBox>(mainWindow.get());
        // Another copy's guard finds the main window by its title, whatever it becomes.
        beacon = std::make_unique<WindowTitleBeacon>(mainWindow.get());
    } catch (...) {
        beacon.reset();
        about.reset();
        mainWindow.reset();
        Application::ShowException(platform::ErrorMessage(std::current_exception()));
        return kExitFailed;
    }
    mainWindow->show();
    const int exitCode = application.exec();
    // The beacon and the About box go before the main window they refer to.
    beacon.reset();
    about.reset();
    return exitCode;
}

int RunProgram(int argc, char **argv)
{
    // 1. Nothing has failed yet.
    DatabaseOpened = true;

    // 2. The application object (with it the event loop and the default error box).
    Application application(argc, argv);
    ui::WidgetDialogs dialogs;
    platform::InstalledDialogs installed(dialogs);
    TerminationSignals termination;

    // 3. The main window owns the taskbar button: Qt has no hidden application window, so
    //    there is nothing to do.

    // 4. Folders, then the settings (SetupFolders ends with LoadSettings).
    SetupFolders();

    // 5. Single-instance guard: end here, before the data module, when another copy runs.
    //    The guard has shown its message or brought the other copy's window forward.
    if (IsAlreadyRunning())
        return kExitRefused;

    // 6. Data module: languages, display formats, the result database (sets DatabaseOpened).
    //    Destroyed last, after the windows below; its destruction closes the result view,
    //    then the connection.
    //    The translation walk is installed first: selecting the configured language walks the
    //    data module and the application.
    ui::InstallTranslationWalk();
    std::unique_ptr<TDM> dataModule = std::make_unique<TDM>();
    // Another copy that passed the guard at the same moment opened the database first: this
    // start is refused like one the guard caught, and the database is left to that copy.
    if (dataModule->DatabaseLockedByAnother()) {
        ShowAlreadyRunningMessage();
        return kExitRefused;
    }

    // 7. Windows and the message loop, only with the database open.
    if (!DatabaseOpened)
        return kExitFailed;
    const int exitCode = RunWindows(application);
    // 8. End of process: the About box and the main window are gone; now the data module.
    dataModule.reset();
    return exitCode;
}

#pragma once
// The one seam through which the program shows message boxes and the save-file dialog, so
// that tests can script them. The widget implementation is installed by the program at
// start-up (src/ui); tests install a scripted one. Without any installed implementation the
// calls fail loudly (std::logic_error) rather than showing nothing.
//
// Styles and results use the message-box numbers of the platform the program was designed on.
//
// An affirmative answer only ever comes from a button the user pressed (or chose with the
// keyboard). A box that closes any other way (its event loop ended, the window closed by the
// system) answers NegativeAnswer of its style. Once the process has been asked to end
// (EndDialogs), no box is shown at all: every question gets its negative answer at once, save
// dialogs are cancelled and error boxes go to standard error.

#include <QString>

#include <optional>

namespace platform {

// Buttons (low 4 bits of the style)
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_OKCANCEL = 0x01;
inline constexpr unsigned MB_YESNOCANCEL = 0x03;
inline constexpr unsigned MB_YESNO = 0x04;
// Icons (bits 4 to 7)
inline constexpr unsigned MB_ICONERROR = 0x10;        // stop
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;  // warning
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
// Results
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct SaveFileRequest
{
    QString title;
    QString filter;        // "Description|*.ext|Description|*.ext" pairs
    QString defaultExt;    // may be empty or "*.csv"-like; added when the typed name has none
    QString fileName;      // proposed name (may be a bare name)
    QString initialDir;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Modal box; returns the pressed button's number (IDOK, IDYES ...).
    virtual int MessageBox(const QString &text, const QString &caption, unsigned style) = 0;
    // Modal save dialog; the chosen full path, or nullopt when cancelled.
    virtual std::optional<QString> SaveFile(const SaveFileRequest &request) = 0;
    // The application's default error box for an error that escaped an event handler.
    virtual void ErrorBox(const QString &message) = 0;
};

// The answer of a box of that style that closed without a button press: Cancel when it has
// one, else No when it has one, else Abort for Abort/Retry/Ignore, else OK. Never Yes.
int NegativeAnswer(unsigned style);

// The installed implementation, or after EndDialogs the refusing one; throws
// std::logic_error when none is installed.
Dialogs &CurrentDialogs();
// Installs (or, with nullptr, removes) the implementation; not owned. GUI thread.
void SetDialogs(Dialogs *dialogs);

// Installs dialogs for its lifetime and removes them on every way out of the scope, before the
// widgets they use are gone. GUI thread.
class InstalledDialogs
{
public:
    explicit InstalledDialogs(Dialogs &dialogs) { SetDialogs(&dialogs); }
    ~InstalledDialogs() { SetDialogs(nullptr); }
    InstalledDialogs(const InstalledDialogs &) = delete;
    InstalledDialogs &operator=(const InstalledDialogs &) = delete;
};

// The process is ending (a termination signal arrived): from now on no box is shown and no
// question is answered with anything but its negative answer. Cannot be undone. GUI thread.
void EndDialogs();

} // namespace platform

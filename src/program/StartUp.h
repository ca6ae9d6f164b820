#pragma once
// The program's start-up sequence. Runs on the GUI thread: folders and settings, the
// single-instance guard, the data module with the result database, then the main window and
// the About box and the message loop. Returns the process exit code.
int RunProgram(int argc, char **argv);

class QApplication;

// The last step of the start, with the data module's database open: the main window, the About
// box and the message loop. An error while the windows are being made (for example a database
// that is busy for the grid's unit look-ups) is shown in the application's error box, and the
// start ends with kExitFailed; otherwise the loop's exit code. GUI thread.
int RunWindows(QApplication &application);

// Exit codes of the three ends of a start.
inline constexpr int kExitRan = 0;       // the message loop ran and the main window closed
inline constexpr int kExitFailed = 1;    // the result database did not open, or the windows could not be made
inline constexpr int kExitRefused = 2;   // another copy runs (or holds the database); nothing was touched

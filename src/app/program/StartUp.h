#pragma once
// The program's start-up sequence. Runs on the GUI thread: folders and settings, the
// single-instance guard, the data module with the result database, then the main window and
// the About box and the message loop. Returns the process exit code.
int RunProgram(int argc, char **argv);

// Exit codes of the three ends of a start.
inline constexpr int kExitRan = 0;       // the message loop ran and the main window closed
inline constexpr int kExitFailed = 1;    // the result database did not open; no window was made
inline constexpr int kExitRefused = 2;   // another copy runs (or holds the database); nothing was touched

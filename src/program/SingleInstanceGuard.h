#pragma once
// The single-instance guard, asked once by the start-up after the settings are read and
// before the data module opens the database. Two tests: the database's lock file (it exists
// and cannot be deleted while a live process holds the database open), then a window of this
// user whose whole title is "RE Zevuvuro" (found through its WindowTitleBeacon). GUI thread,
// before the program's own threads exist. Keeps no state.

#include "program/WindowTitleBeacon.h"

#include <QString>

// The title a running copy is recognised by.
inline const QString kRunningWindowTitle = QStringLiteral("RE Zevuvuro");

// The lock file the guard tests: the install root of ExePath (no fall-back) +
// "/KELODATA/Data/HB_data1.ldb", folder names matched without regard to case.
QString GuardLockFilePath();

// Tries to delete the lock file (a file left by a copy that died goes; a held one stays,
// failures are silent) and reports whether one is there afterwards.
bool IsDatabaseLocked();

// True when another copy runs. With the database locked: shows RunningMessageText with
// RunningCaptionText in the current language, OK button and stop icon, and returns true
// once the box is closed. Otherwise, when a window titled kRunningWindowTitle exists: restores
// it when minimised, else brings it to the foreground, and returns true with no message.
// beaconFolder is where windows announce themselves (tests pass their own).
bool IsAlreadyRunning(const QString &beaconFolder = WindowTitleBeacon::DefaultFolder());

// The refusal box of IsAlreadyRunning alone, also shown when the database turns out to be
// locked at the moment the data module opens it.
void ShowAlreadyRunningMessage();

// The two built-in tables by language identifier; identifiers outside them give English.
// These texts do not go through the language files.
QString RunningMessageText(int languageId);
QString RunningCaptionText(int languageId);

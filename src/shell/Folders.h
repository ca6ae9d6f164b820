#pragma once
// The program's three folders and the start-up's database flag. Set once by SetupFolders on
// the GUI thread, read everywhere afterwards.

#include <QString>

// Folder of the program file, ending in "/".
extern QString ExePath;
// The per-user application-data folder followed by "KELODATA/" (the log folder).
extern QString AppDataPath;
// The install root followed by "/KELODATA", no separator at the end.
extern QString DataPath;
// DataPath + "/ports": the folder of the COMn links that name serial ports (like a system's
// device names for COM ports); empty while DataPath is.
QString PortsFolder();
// False only when opening the result database failed.
extern bool DatabaseOpened;

// Computes the three folders, creates the log folder (showing the "Error in create folder "
// box on failure), then calls LoadSettings.
void SetupFolders();

// The same with the program file's full path and the application-data folder given (empty
// when the special folder is not available): the program's own start-up passes the real ones,
// tests pass others.
void SetupFolders(const QString &programFilePath, const QString &applicationDataFolder);

// The path of a special folder; 26 is the per-user application-data folder. On success assigns
// path; otherwise leaves it untouched.
void GetSpecialFolder(int folder, QString &path);

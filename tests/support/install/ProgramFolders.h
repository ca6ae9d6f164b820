#pragma once
// Points the process-wide program folders at an install tree laid out under a test's root
// folder (<root>/bin/, <root>/appdata/KELODATA/, <root>/KELODATA), with a language and the
// database marked as opened, and puts the previous folders and language back when it goes.
// Header-only, part of the install-tree support library (which links the shell).

#include "shell/Folders.h"
#include "shell/Settings.h"

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class ProgramFolders
{
public:
    ProgramFolders(const QTemporaryDir &root, int languageId)
        : savedExe_(ExePath), savedAppData_(AppDataPath), savedData_(DataPath),
          savedLanguage_(GlobalOption.LanguageID)
    {
        ExePath = root.filePath(QStringLiteral("bin/"));
        AppDataPath = root.filePath(QStringLiteral("appdata/KELODATA/"));
        DataPath = root.filePath(QStringLiteral("KELODATA"));
        GlobalOption.LanguageID = languageId;
        DatabaseOpened = true;
    }
    ~ProgramFolders()
    {
        ExePath = savedExe_;
        AppDataPath = savedAppData_;
        DataPath = savedData_;
        GlobalOption.LanguageID = savedLanguage_;
        DatabaseOpened = true;
    }
    ProgramFolders(const ProgramFolders &) = delete;
    ProgramFolders &operator=(const ProgramFolders &) = delete;

private:
    QString savedExe_, savedAppData_, savedData_;
    int savedLanguage_;
};

} // namespace testsupport

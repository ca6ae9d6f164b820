#include "shell/Folders.h"

#include "shell/Settings.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/Paths.h"

#include <exception>

QString ExePath;
QString AppDataPath;
QString DataPath;
bool DatabaseOpened = false;

namespace {

constexpr int kApplicationDataFolder = 26;

// The folder part of a file path, up to and including its last "/".
QString FolderPart(const QString &filePath)
{
    return filePath.left(filePath.lastIndexOf(QLatin1Char('/')) + 1);
}

void ShowFolderError(const QString &reason)
{
    platform::CurrentDialogs().MessageBox(
        QStringLiteral("Error in create folder ") + AppDataPath + QStringLiteral("\r\n") + reason,
        QStringLiteral("Warning"), platform::MB_OK);
}

} // namespace

QString PortsFolder()
{
    return DataPath.isEmpty() ? QString() : DataPath + QStringLiteral("/ports");
}

void GetSpecialFolder(int folder, QString &path)
{
    if (folder != kApplicationDataFolder)
        return;
    const QString found = platform::ApplicationDataFolder();
    if (!found.isEmpty())
        path = found;
}

void SetupFolders()
{
    QString applicationData;
    GetSpecialFolder(kApplicationDataFolder, applicationData);
    SetupFolders(platform::ProgramFilePath(), applicationData);
}

void SetupFolders(const QString &programFilePath, const QString &applicationDataFolder)
{
    ExePath = platform::IncludeTrailingSeparator(FolderPart(programFilePath));
    AppDataPath.clear();
    DataPath.clear();

    // The log folder. A failure is reported and start-up goes on: the program can run without
    // its log until the first result arrives.
    try {
        AppDataPath = applicationDataFolder;
        if (AppDataPath.trimmed().isEmpty())
            AppDataPath = ExePath;
        // An existing folder that differs only in case is the same folder.
        AppDataPath = platform::ResolveCaseInsensitive(platform::IncludeTrailingSeparator(AppDataPath) +
                                                       QStringLiteral("KELODATA"));
        if (!platform::DirectoryExists(AppDataPath))
            platform::CreateDirectory(AppDataPath);
        AppDataPath = platform::IncludeTrailingSeparator(AppDataPath);
    } catch (const platform::Exception &error) {
        ShowFolderError(error.message());
    } catch (const std::exception &error) {
        ShowFolderError(QString::fromLocal8Bit(error.what()));
    }

    // The data folder is computed whatever happened to the log folder, so that the settings
    // and the database are still found where they were installed. The install root of a
    // folder directly below "/" is the root itself, given as "".
    DataPath = platform::InstallRootOf(ExePath);
    if (DataPath.trimmed().isEmpty() && !ExePath.startsWith(QLatin1Char('/')))
        DataPath = ExePath;
    DataPath = platform::IncludeTrailingSeparator(DataPath) + QStringLiteral("KELODATA");

    LoadSettings();
}

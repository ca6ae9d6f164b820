#include "store/DataModule.h"

#include "store/DatabaseConnection.h"
#include "store/DatabaseLockFile.h"
#include "store/DisplayFormats.h"
#include "store/ResultLogModel.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "store/TField.h"
#include "store/UnitLookups.h"

#include "shell/Folders.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "i18n/HashLangFileStorage.h"
#include "i18n/LangManager.h"
#include "i18n/TextKeys.h"
#include "i18n/TranslateText.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/FileAccess.h"
#include "platform/Paths.h"
#include "platform/RegionalSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>

#include <exception>

TDM *DM = nullptr;

QString ResultDatabasePath()
{
    return platform::ResolveCaseInsensitive(DataPath + QStringLiteral("/data/HB_data1.dat"));
}

TDM::TDM(QObject *parent)
    : QObject(parent),
      adoConn(std::make_unique<store::DatabaseConnection>()),
      HSFile(std::make_unique<THashLangFileStorage>()),
      LanMan(std::make_unique<TLangManager>(HSFile.get())),
      qryResultLog(std::make_unique<store::ResultView>(*adoConn)),
      DSResultLog(std::make_unique<store::ResultLogModel>(*qryResultLog)),
      lockFile_(std::make_unique<store::DatabaseLockFile>())
{
    setObjectName(QStringLiteral("DM"));
    DSResultLog->setObjectName(QStringLiteral("DSResultLog"));
    for (const store::ColumnInfo &column : store::ViewColumns()) {
        qryResultLogFields.push_back(new TField(QStringLiteral("qryResultLog"), QString::fromLatin1(column.name),
                                                column.kind == store::ColumnKind::Calculated, this));
    }
    DM = this;
    SetTranslationManager(LanMan.get());
    DataModuleCreate();
}

TDM::~TDM()
{
    DataModuleDestroy();
    if (TranslationManager() == LanMan.get())
        SetTranslationManager(nullptr);
    DSResultLog.reset();
    qryResultLog.reset();
    if (DM == this)
        DM = nullptr;
}

void TDM::DataModuleCreate()
{
    // 1. Language storage: detection on, then the file name, then the folder (each setter
    //    detects again; the last run, in the program's folder, makes the list).
    HSFile->SetAutoDetect(true);
    HSFile->SetFileName(QStringLiteral("KELO_HB_METER.txt"));
    HSFile->SetLanguagePath(ExePath);
    // 2. and 3. The display formats.
    DateFormatStr = platform::CurrentRegionalSettings().shortDateFormat;
    TimeFormatStr = QStringLiteral("24 Hours");
    // 4. The configured language, before the database: its error box is then translated.
    LanMan->SetCurrentLanguageIndex(FindHSFileLanguageIndex(GlobalOption.LanguageID));
    // 5. and 6.
    if (!ConnectDatabase(ResultDatabasePath())) {
        DatabaseOpened = false;
        if (QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

void TDM::DataModuleDestroy()
{
    // Rows shown in the grid whose write failed earlier get one more chance; they would be
    // lost otherwise.
    if (qryResultLog->Active() && qryResultLog->PendingCount() > 0) {
        try {
            if (qryResultLog->GetState() == store::ResultView::State::Insert)
                qryResultLog->Cancel();
            WritePendingResults();
        } catch (const std::exception &error) {
            // Nobody is left to ask at the end of the process (the main window asked before
            // it closed, unless a signal ended the run): the log keeps what was lost.
            const int lost = qryResultLog->PendingCount();
            QString text = QStringLiteral("Not stored: %1 results: %2").arg(lost).arg(platform::ErrorMessage(error));
            for (int position = 0; position < qryResultLog->RecordCount(); ++position) {
                if (!qryResultLog->IsPendingAt(position))
                    continue;
                text += QStringLiteral("\r\n");
                for (const store::ResultColumn column : {store::ResultColumn::fRecID, store::ResultColumn::fDateTime_Txt,
                                                         store::ResultColumn::fHB_Txt, store::ResultColumn::fHCT_Txt})
                    text += qryResultLog->Text(position, static_cast<int>(column)) + QStringLiteral(" ");
            }
            try {
                WriteLog(text);
            } catch (const std::exception &) {
                // Neither the database nor the log can be written.
            }
        }
    }
    DisconnectDatabase();
}

void TDM::DisconnectDatabase()
{
    qryResultLog->Close();
    adoConn->Close();
    lockFile_->Release();
}

void TDM::ShowDatabaseError(const QString &path)
{
    if (ShowAccessProblem(path))
        return;
    platform::CurrentDialogs().MessageBox(TranslateText(TextKeys::kErrorMessage) + QStringLiteral("\r\n") + path,
                                          TranslateText(TextKeys::kWarningMessage),
                                          platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

bool TDM::ShowAccessProblem(const QString &path)
{
    // The data folder is entered, its database folder takes the lock file and the engine's
    // log beside the database, and the database is read and written.
    const QFileInfo database(path);
    const QString folder = database.absolutePath();
    const platform::AccessProblem problem = platform::FindAccessProblem(
        {{QFileInfo(folder).absolutePath(), false}, {folder, true}, {database.absoluteFilePath(), true}});
    if (problem.path.isEmpty())
        return false;
    // The folder itself, where the program reaches it through a link.
    const QString real = QFileInfo(problem.path).canonicalFilePath();
    QString text = TranslateWithArguments(TextKeys::kDataFolderNotWritable, {real.isEmpty() ? problem.path : real})
                   + QStringLiteral("\r\n\r\n");
    if (problem.writerGroup.isEmpty()) {
        text += TranslateText(TextKeys::kAskForWriteAccess);
    } else {
        text += TranslateWithArguments(TextKeys::kAskToJoinGroup, {problem.writerGroup}) + QStringLiteral("\r\n")
                + QStringLiteral("sudo adduser %1 %2").arg(platform::CurrentUserName(), problem.writerGroup)
                + QStringLiteral("\r\n") + TranslateText(TextKeys::kLogInAgain);
    }
    platform::CurrentDialogs().MessageBox(text, TranslateText(TextKeys::kWarningMessage),
                                          platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return true;
}

bool TDM::ConnectDatabase(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        ShowDatabaseError(path);
        return false;
    }
    DisconnectDatabase();
    try {
        lockFile_->Acquire(store::LockFilePathFor(path), path);
        // Another copy that started in the same moment owns the database: this one leaves it
        // untouched (no box; the start-up refuses it as a running copy) and keeps the lock
        // file, which tells DatabaseLockedByAnother.
        if (lockFile_->SharedWithOthers())
            return false;
        adoConn->Open(path, store::DatabasePassword());
        // The unit look-ups read the newest rows through this index; a file made elsewhere
        // may lack it.
        adoConn->Execute(store::TransferTimeIndexSql());
        qryResultLog->Open();
        qryResultLog->SetSort(QStringLiteral("FID"));
    } catch (const std::exception &) {
        // The error's own text is not shown; the box names the file.
        DisconnectDatabase();
        ShowDatabaseError(path);
        return false;
    }
    // The log is a diagnostic aid, not the results: a log that cannot be written (a read-only
    // home folder) is named once, with the system's reason, and the database stays open.
    try {
        WriteLog(QStringLiteral("Connect to Database ") + path);
    } catch (const std::exception &error) {
        platform::CurrentDialogs().MessageBox(platform::ErrorMessage(error),
                                              TranslateText(TextKeys::kWarningMessage),
                                              platform::MB_OK | platform::MB_ICONEXCLAMATION);
    }
    return true;
}

bool TDM::ReconnectMovedDatabase()
{
    if (adoConn->IsOpen() && !adoConn->FileMoved())
        return false;
    const QString path = ResultDatabasePath();
    if (!QFileInfo(path).isFile())
        return false;
    // Closing lets the old file go with everything written to it (the engine moves its log
    // into it and removes the log); the new one is then opened as at start-up.
    adoConn->Close();
    adoConn->Open(path, store::DatabasePassword());
    adoConn->Execute(store::TransferTimeIndexSql());
    qryResultLog->Requery(store::ResultView::PendingRows::Keep);
    try {
        WriteLog(QStringLiteral("Connect to Database ") + path);
    } catch (const std::exception &) {
        // The log is a diagnostic aid; the results are what counts here.
    }
    return true;
}

void TDM::WritePendingResults()
{
    if (!qryResultLog->Active() || qryResultLog->PendingCount() == 0)
        return;
    ReconnectMovedDatabase();
    qryResultLog->UpdateBatch();
}

QString TDM::GetHBUnit()
{
    return store::NewestHBUnit(*adoConn);
}

QString TDM::GetHCTUnit()
{
    return store::NewestHCTUnit(*adoConn);
}

bool TDM::DatabaseLockedByAnother() const
{
    return lockFile_->IsHeld() && lockFile_->SharedWithOthers();
}

int TDM::FindHSFileLanguageIndex(int languageId) const
{
    return ::FindHSFileLanguageIndex(*HSFile, languageId);
}

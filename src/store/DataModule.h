#pragma once
// The data module DM: the one container of the result database connection, the result view
// with its data source, and the language manager with its storage. Exactly one exists for the
// run; the start-up sequence creates it after the settings (and the single-instance guard) and
// destroys it after the windows.
//
// Creating it runs DataModuleCreate: the language storage is set up and the configured
// language selected, the display formats are taken from the regional settings, and the
// database opens. When the database does not open, the user has seen the database error box,
// DatabaseOpened is false and the application has been asked to quit; the object still exists
// and is destroyed normally. Destroying it runs DataModuleDestroy.
//
// GUI thread only.

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class TField;
class TLangManager;
class THashLangFileStorage;

namespace store {
class DatabaseConnection;
class DatabaseLockFile;
class ResultLogModel;
class ResultView;
}

class TDM : public QObject
{
    Q_OBJECT

public:
    // Runs DataModuleCreate; sets DM to this object. Its objectName is "DM".
    explicit TDM(QObject *parent = nullptr);
    // Runs DataModuleDestroy; clears DM.
    ~TDM() override;
    TDM(const TDM &) = delete;
    TDM &operator=(const TDM &) = delete;

    // Connects adoConn to the database file at path and opens qryResultLog sorted by "FID";
    // logs "Connect to Database " + path. On any failure (a missing or damaged file, another
    // key, a missing column, a read-only file) shows the database error box and returns false,
    // with nothing left open. A log that cannot be written does not stop the database: one box
    // names the log file and the system's reason, and the result is true. When another holder
    // owns the database (DatabaseLockedByAnother), the result is false without a box and the
    // file is not opened.
    bool ConnectDatabase(const QString &path);

    // When the database file was deleted, renamed or replaced while the program ran, and a file
    // is at ResultDatabasePath() again: connects to that file and reads its rows, keeping the
    // rows not yet written (they go to the new file with the next write). True when it
    // reconnected; false when nothing had moved or no file is there (the next write then
    // fails and says why). A file that does not open throws DatabaseError, and the rows stay.
    bool ReconnectMovedDatabase();
    // Writes the rows not yet written (after ReconnectMovedDatabase); DatabaseError on failure.
    void WritePendingResults();

    // The newest non-empty units (see store/UnitLookups.h); errors reach the caller.
    QString GetHBUnit();
    QString GetHCTUnit();

    // True when another process had the database open (held its lock file) when this module
    // connected: two copies passed the single-instance guard at the same moment.
    bool DatabaseLockedByAnother() const;

    // Position of the language with that identifier in HSFile's detected languages; 0 when
    // there is none.
    int FindHSFileLanguageIndex(int languageId) const;

    // The components, in the order they are created; the connection outlives the view and
    // the view outlives its data source.
    std::unique_ptr<store::DatabaseConnection> adoConn;
    std::unique_ptr<THashLangFileStorage> HSFile;
    std::unique_ptr<TLangManager> LanMan;
    std::unique_ptr<store::ResultView> qryResultLog;
    std::unique_ptr<store::ResultLogModel> DSResultLog;
    // The field objects of qryResultLog, one per view column in the view's order (the fifteen
    // table columns, then the four calculated ones), named qryResultLog + column name. Children
    // of this object, made before the configured language is selected.
    std::vector<TField *> qryResultLogFields;

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void DisconnectDatabase();
    // The database error box; for a user whom the folders' or the file's permissions keep
    // out (a user of a shared installation outside its group), a box that says so and what
    // fixes it instead.
    void ShowDatabaseError(const QString &path);
    bool ShowAccessProblem(const QString &path);

    std::unique_ptr<store::DatabaseLockFile> lockFile_;
};

// The data module while it exists; nullptr before it is created and after it is destroyed.
extern TDM *DM;

// The database file the data module opens: DataPath + "/data/HB_data1.dat", folder names
// matched without regard to case where the exact name is missing.
QString ResultDatabasePath();

#include "StoreTestHelpers.h"

#include "store/DataModule.h"
#include "store/DatabaseError.h"
#include "store/DatabaseLockFile.h"
#include "store/DisplayFormats.h"
#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "store/Statement.h"
#include "store/UnitLookups.h"

#include "shell/Folders.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "i18n/LangManager.h"
#include "i18n/TranslateText.h"
#include "platform/RegionalSettings.h"
#include "support/install/ProgramFolders.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

#include <optional>

using namespace storetest;
using store::ResultColumn;

namespace {

// A program folder with German and English language files, an application-data folder for
// the log and a KELODATA folder with a database, wired into the process-wide folders.
class DataModuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("bin/1031"));
        QDir(root.path()).mkpath(QStringLiteral("bin/1033"));
        QDir(root.path()).mkpath(QStringLiteral("KELODATA/data"));
        QDir(root.path()).mkpath(QStringLiteral("appdata/KELODATA"));
        testsupport::WriteFileBytes(root.filePath(QStringLiteral("bin/1031/KELO_HB_METER.txt")),
                                    "!LanguageID=1031\r\nError Message=Datenbankfehler\r\n"
                                    "Warning Message=Warnung\r\nHi=Hoch\r\n");
        testsupport::WriteFileBytes(root.filePath(QStringLiteral("bin/1033/KELO_HB_METER.txt")),
                                    "!LanguageID=1033\r\n");
        folders.emplace(root, 1031);
        databasePath = DataPath + QStringLiteral("/data/HB_data1.dat");
        lockPath = DataPath + QStringLiteral("/data/HB_data1.ldb");
        platform::SetRegionalLocale(QLocale(QStringLiteral("de_DE")));
    }
    void TearDown() override
    {
        folders.reset();
        platform::ResetRegionalLocale();
    }

    void ExpectDatabaseErrorBox(const QString &path)
    {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Datenbankfehler\r\n") + path);
        EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Warnung"));
        EXPECT_EQ(dialogs.boxes[0].style, 0x30u);   // OK button, exclamation icon
    }

    QTemporaryDir root;
    testsupport::ScriptedDialogs dialogs;
    QString databasePath;
    QString lockPath;
    std::optional<testsupport::ProgramFolders> folders;
};

} // namespace

TEST_F(DataModuleTest, CreationSetsUpLanguageFormatsAndDatabaseAndDestructionUndoesIt)
{
    store::CreateResultDatabase(databasePath);
    {
        TDM dm;
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_TRUE(DatabaseOpened);
        EXPECT_EQ(DM, &dm);
        EXPECT_EQ(dm.objectName(), QStringLiteral("DM"));
        EXPECT_STREQ(dm.metaObject()->className(), "TDM");
        EXPECT_EQ(TranslationManager(), dm.LanMan.get());
        EXPECT_EQ(dm.LanMan->CurrentLanguageIndex(), 0);   // 1031 sorts before 1033
        EXPECT_EQ(TranslateText(QStringLiteral("Warning Message")), QStringLiteral("Warnung"));
        EXPECT_EQ(dm.FindHSFileLanguageIndex(1033), 1);
        EXPECT_EQ(dm.FindHSFileLanguageIndex(1046), 0);
        EXPECT_EQ(DateFormatStr, QStringLiteral("dd/mm/yyyy"));
        EXPECT_EQ(TimeFormatStr, QStringLiteral("24 Hours"));

        EXPECT_TRUE(dm.adoConn->IsOpen());
        EXPECT_TRUE(dm.qryResultLog->Active());
        EXPECT_EQ(dm.qryResultLog->Sort(), QStringLiteral("FID"));
        EXPECT_TRUE(store::IsLockFileHeld(lockPath));
        const QString log = QString::fromLatin1(testsupport::ReadFileBytes(LogFilePath()));
        EXPECT_TRUE(log.endsWith(QStringLiteral(":Connect to Database ") + databasePath + QStringLiteral("\r\n")))
            << log.toStdString();

        // The grid's data source shows appended rows; fHB_C translates the value.
        AppendResult(*dm.qryResultLog, QStringLiteral("12"));
        dm.qryResultLog->Append();
        dm.qryResultLog->SetFieldValue(ResultColumn::fHB, QStringLiteral("Hi"));
        dm.qryResultLog->Post();
        EXPECT_EQ(dm.DSResultLog->rowCount(), 2);
        EXPECT_EQ(dm.DSResultLog->data(dm.DSResultLog->index(1, static_cast<int>(ResultColumn::fHB_C))).toString(),
                  QStringLiteral("Hoch"));
        dm.qryResultLog->UpdateBatch();
        AppendResult(*dm.qryResultLog, QStringLiteral("13"));   // left pending at the end
    }
    EXPECT_EQ(DM, nullptr);
    EXPECT_EQ(TranslationManager(), nullptr);
    EXPECT_FALSE(QFile::exists(lockPath));
    // The row still pending at the end was written on the way out.
    EXPECT_EQ(StoredRecIDs(databasePath), QStringList({"12", "", "13"}));
}

TEST_F(DataModuleTest, DatabaseWithAnotherKeyShowsTheErrorBoxAndLeavesNothingOpen)
{
    CreateWithShell(databasePath, QStringLiteral("0000000000x"), ShellResultLogDdl());
    TDM dm;
    ExpectDatabaseErrorBox(databasePath);
    EXPECT_FALSE(DatabaseOpened);
    EXPECT_FALSE(dm.adoConn->IsOpen());
    EXPECT_FALSE(dm.qryResultLog->Active());
    EXPECT_FALSE(QFile::exists(lockPath));
    EXPECT_FALSE(QFile::exists(LogFilePath()));   // the entry is written only after success
}

TEST_F(DataModuleTest, MissingFileOrColumnGivesTheSameBox)
{
    {
        TDM dm;
        ExpectDatabaseErrorBox(databasePath);
        EXPECT_FALSE(DatabaseOpened);
        EXPECT_FALSE(QFile::exists(databasePath));
    }
    dialogs.boxes.clear();
    DatabaseOpened = true;
    CreateWithShell(databasePath, QStringLiteral("4817KPWzeuR"), ShellResultLogDdl(QStringLiteral("fHB_Flag")));
    {
        TDM dm;
        ExpectDatabaseErrorBox(databasePath);
        EXPECT_FALSE(DatabaseOpened);
    }
    EXPECT_FALSE(QFile::exists(lockPath));

    // A later ConnectDatabase on a good file works with the same module.
    dialogs.boxes.clear();
    DatabaseOpened = true;
    QFile::remove(databasePath);
    store::CreateResultDatabase(databasePath);
    TDM dm;
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dm.ConnectDatabase(databasePath));
    EXPECT_TRUE(dm.qryResultLog->Active());
}

// A log that cannot be written (a read-only home, a folder where the file should be) is not
// the database's fault: the database opens, and one box names the log file and the reason.
TEST_F(DataModuleTest, UnwritableLogIsNamedOnceAndTheDatabaseStillOpens)
{
    store::CreateResultDatabase(databasePath);
    ASSERT_TRUE(QDir().mkpath(LogFilePath()));
    TDM dm;
    EXPECT_TRUE(DatabaseOpened);
    EXPECT_TRUE(dm.qryResultLog->Active());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(LogFilePath())) << dialogs.boxes[0].text.toStdString();
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QString::fromLocal8Bit(std::strerror(EISDIR))))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Warnung"));
}

TEST_F(DataModuleTest, TellsWhenAnotherHolderHadTheDatabaseOpen)
{
    store::CreateResultDatabase(databasePath);
    {
        TDM alone;
        EXPECT_TRUE(DatabaseOpened);
        EXPECT_FALSE(alone.DatabaseLockedByAnother());
    }
    store::DatabaseLockFile other;   // a holder of its own, as another copy would be
    other.Acquire(lockPath);
    {
        // The database is left to its owner: not opened, and no box (the start-up refuses).
        TDM second;
        EXPECT_FALSE(DatabaseOpened);
        EXPECT_TRUE(second.DatabaseLockedByAnother());
        EXPECT_FALSE(second.qryResultLog->Active());
        EXPECT_TRUE(dialogs.boxes.empty());
    }
    DatabaseOpened = true;
    EXPECT_TRUE(QFile::exists(lockPath));   // still held by the other one
    other.Release();
    EXPECT_FALSE(QFile::exists(lockPath));
}

TEST_F(DataModuleTest, DataFolderMatchesWithoutRegardToCase)
{
    QDir(DataPath).rename(QStringLiteral("data"), QStringLiteral("Data"));
    store::CreateResultDatabase(DataPath + QStringLiteral("/Data/HB_data1.dat"));
    TDM dm;
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(DatabaseOpened);
    EXPECT_TRUE(QFile::exists(DataPath + QStringLiteral("/Data/HB_data1.ldb")));
}

TEST(UnitLookups, NewestNonEmptyUnitWithNullsAndTies)
{
    TempDatabase database;
    store::DatabaseConnection connection;
    OpenWithKey(connection, database.Path());
    EXPECT_EQ(store::NewestHBUnit(connection), QString());
    EXPECT_EQ(store::NewestHCTUnit(connection), QString());

    auto insert = [&](double transfer, const QVariant &hbUnit, const QVariant &hctUnit) {
        store::Statement statement(connection, QStringLiteral(
            "INSERT INTO result_log (fTransferTime, fHB_Unit, fHCT_Unit) VALUES (?, ?, ?)"));
        statement.BindDouble(1, transfer);
        hbUnit.isValid() ? statement.BindText(2, hbUnit.toString()) : statement.BindNull(2);
        hctUnit.isValid() ? statement.BindText(3, hctUnit.toString()) : statement.BindNull(3);
        statement.Step();
    };
    insert(100.0, QStringLiteral("g/dL"), QStringLiteral("%"));
    insert(300.0, QStringLiteral(""), QVariant());        // newest, but without units
    insert(50.0, QStringLiteral("mmol/L"), QStringLiteral("x--y"));   // oldest
    EXPECT_EQ(store::NewestHBUnit(connection), QStringLiteral("g/dL"));
    EXPECT_EQ(store::NewestHCTUnit(connection), QStringLiteral("%"));

    insert(200.0, QVariant(), QStringLiteral("--"));
    EXPECT_EQ(store::NewestHBUnit(connection), QStringLiteral("g/dL"));
    EXPECT_EQ(store::NewestHCTUnit(connection), QString());   // "--" is removed entirely

    insert(250.0, QStringLiteral("g/L"), QStringLiteral("a---b--"));
    EXPECT_EQ(store::NewestHBUnit(connection), QStringLiteral("g/L"));
    EXPECT_EQ(store::NewestHCTUnit(connection), QStringLiteral("a-b"));

    // Two rows of one transfer: either may supply the unit.
    insert(400.0, QStringLiteral("u1"), QStringLiteral("v1"));
    insert(400.0, QStringLiteral("u2"), QStringLiteral("v2"));
    EXPECT_TRUE(QStringList({"u1", "u2"}).contains(store::NewestHBUnit(connection)));
    EXPECT_TRUE(QStringList({"v1", "v2"}).contains(store::NewestHCTUnit(connection)));

    connection.Close();
    EXPECT_THROW(store::NewestHBUnit(connection), store::DatabaseError);
}

TEST_F(DataModuleTest, UnitsComeFromTheFileNotFromPendingRows)
{
    store::CreateResultDatabase(databasePath);
    TDM dm;
    EXPECT_EQ(dm.GetHBUnit(), QString());
    AppendResult(*dm.qryResultLog, QStringLiteral("1"));
    EXPECT_EQ(dm.GetHBUnit(), QString());
    dm.qryResultLog->UpdateBatch();
    EXPECT_EQ(dm.GetHBUnit(), QStringLiteral("g/dL"));
    EXPECT_EQ(dm.GetHCTUnit(), QStringLiteral("%"));
}

// A user of a shared installation whom the permissions keep out learns which folder, and
// what an administrator does: add the user to the folder's group, or give write access.
TEST_F(DataModuleTest, UserKeptOutOfTheDataFolderIsToldWhatLetsThemIn)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as a user outside the group needs root";
    store::CreateResultDatabase(databasePath);
    constexpr unsigned kNobody = 65534;
    constexpr unsigned kGroup = 54321;
    const QString folder = DataPath + QStringLiteral("/data");
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalDatabase = QFileInfo(databasePath).canonicalFilePath();
    // The user must reach the data folder's parent for the folder to be the one named.
    for (QString path = DataPath; path.startsWith(root.path()); path = QFileInfo(path).path())
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0755), 0);
    const QString joinGroup = QStringLiteral("\r\n\r\nAsk an administrator to add you to the group 54321:\r\n"
                                             "sudo adduser %1 54321\r\nThen log out and log in again.")
                                  .arg(QString::fromLocal8Bit(::getpwuid(kNobody)->pw_name));
    const QString askForAccess = QStringLiteral("\r\n\r\nAsk an administrator to give you write access to this folder.");
    const struct
    {
        const char *name;
        mode_t folderMode;
        mode_t fileMode;
        QString text;
    } cases[] = {
        {"the group's folder", 02770, 0660,
         "You are not allowed to write to the data folder \"" + canonicalFolder + "\", so the program cannot keep results."
             + joinGroup},
        {"a folder only its owner writes", 02750, 0660,
         "You are not allowed to write to the data folder \"" + canonicalFolder + "\", so the program cannot keep results."
             + askForAccess},
        {"the group's database in a folder open to all", 0777, 0660,
         "You are not allowed to write to the data folder \"" + canonicalDatabase + "\", so the program cannot keep results."
             + joinGroup},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto &[path, mode] : {std::pair{folder, c.folderMode}, std::pair{databasePath, c.fileMode}}) {
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 0, kGroup), 0);
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        }
        const std::optional<QByteArray> shown = testsupport::RunAsUser(kNobody, kNobody, {}, [] {
            testsupport::ScriptedDialogs childDialogs;
            TDM dm;
            QByteArray result = DatabaseOpened ? "opened" : "";
            for (const auto &box : childDialogs.boxes)
                result += box.caption.toUtf8() + '|' + box.text.toUtf8();
            return result;
        });
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(QString::fromUtf8(*shown), QStringLiteral("Warnung|") + c.text);
        EXPECT_FALSE(QFile::exists(lockPath));
    }
}

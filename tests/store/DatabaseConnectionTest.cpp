#include "StoreTestHelpers.h"

#include "store/DatabaseError.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "store/Statement.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;
using store::DatabaseConnection;
using store::DatabaseError;
using store::ResultView;

namespace {

const QString kKey = QStringLiteral("4817KPWzeuR");

// Opens the file and loads the result view, as the data module does.
void OpenAndLoad(const QString &path)
{
    DatabaseConnection connection;
    OpenWithKey(connection, path);
    ResultView view(connection);
    view.Open();
}

class ShellDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("HB_data1.dat"));
    }
    QTemporaryDir dir;
    QString path;
};

} // namespace

TEST_F(ShellDatabase, FileMadeByTheShellFromTheDdlOpensAndShowsItsRows)
{
    CreateWithShell(path, kKey,
                    ShellResultLogDdl()
                        + QStringLiteral("INSERT INTO result_log (fRecID, fHB, fTransferTime) VALUES ('7', '14.2', 45000.25);\n"
                                         "INSERT INTO result_log (fRecID, fHB, fTransferTime) VALUES ('8', 'Hi', 45000.5);\n"));
    DatabaseConnection connection;
    OpenWithKey(connection, path);
    ResultView view(connection);
    view.Open();
    view.SetSort(QStringLiteral("FID"));
    ASSERT_EQ(view.RecordCount(), 2);
    EXPECT_EQ(view.Text(0, static_cast<int>(store::ResultColumn::fRecID)), QStringLiteral("7"));
    EXPECT_EQ(view.Value(1, static_cast<int>(store::ResultColumn::fID)).toLongLong(), 2);
    EXPECT_EQ(view.Value(1, static_cast<int>(store::ResultColumn::fTransferTime)).toDouble(), 45000.5);
    EXPECT_FALSE(view.Value(0, static_cast<int>(store::ResultColumn::fDateTime)).isValid());
}

TEST_F(ShellDatabase, FileMadeByTheProgramOpensInTheShellAndTheShellSeesItsWrites)
{
    store::CreateResultDatabase(path);
    {
        DatabaseConnection connection;
        OpenWithKey(connection, path);
        ResultView view(connection);
        view.Open();
        AppendResult(view, QStringLiteral("31"));
        view.UpdateBatch();
    }
    const ShellResult read = RunSqlcipherShell(
        path, QStringLiteral("PRAGMA key='%1';\nSELECT fID, fRecID, fHB_Unit FROM result_log;\n").arg(kKey));
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(read.out.trimmed(), QStringLiteral("1|31|g/dL"));

    const ShellResult wrong = RunSqlcipherShell(
        path, QStringLiteral("PRAGMA key='4817KPWzeuX';\nSELECT count(*) FROM result_log;\n"));
    EXPECT_NE(wrong.exitCode, 0);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("not a database"))) << wrong.err.toStdString();
}

TEST_F(ShellDatabase, OpenFailures)
{
    // Another key.
    CreateWithShell(path, QStringLiteral("4817KPWzeuQ"), ShellResultLogDdl());
    try {
        OpenAndLoad(path);
        FAIL() << "a file with another key opened";
    } catch (const DatabaseError &error) {
        EXPECT_TRUE(error.message().contains(path));
    }

    // Missing file: no file is created by trying.
    const QString missing = dir.filePath(QStringLiteral("missing.dat"));
    EXPECT_THROW(OpenAndLoad(missing), DatabaseError);
    EXPECT_FALSE(QFile::exists(missing));

    // Random bytes.
    const QString noise = dir.filePath(QStringLiteral("noise.dat"));
    QByteArray bytes(64 * 1024, '\0');
    QRandomGenerator generator(1234);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    testsupport::WriteFileBytes(noise, bytes);
    EXPECT_THROW(OpenAndLoad(noise), DatabaseError);

    // An empty file is an empty database to the engine: it has no result_log.
    const QString empty = dir.filePath(QStringLiteral("empty.dat"));
    testsupport::WriteFileBytes(empty, QByteArray());
    EXPECT_THROW(OpenAndLoad(empty), DatabaseError);

    // A folder where the file should be.
    EXPECT_THROW(OpenAndLoad(dir.path()), DatabaseError);
}

TEST_F(ShellDatabase, TruncatedFileFailsWhenTheViewLoads)
{
    QString ddl = ShellResultLogDdl() + QStringLiteral("BEGIN;\n");
    for (int i = 0; i < 3000; ++i)
        ddl += QStringLiteral("INSERT INTO result_log (fRecID, fHB_Txt) VALUES ('%1', 'HB: 14.2 g/dL padding padding');\n").arg(i);
    ddl += QStringLiteral("COMMIT;\n");
    CreateWithShell(path, kKey, ddl);
    OpenAndLoad(path);   // whole, it opens

    const QByteArray whole = testsupport::ReadFileBytes(path);
    ASSERT_GT(whole.size(), 100 * 1024);
    testsupport::WriteFileBytes(path, whole.left(whole.size() / 2));
    EXPECT_THROW(OpenAndLoad(path), DatabaseError);

    // One damaged page in the middle: its authentication fails.
    QByteArray damaged = whole;
    for (int i = 0; i < 64; ++i)
        damaged[whole.size() / 2 + i] = static_cast<char>(damaged[whole.size() / 2 + i] ^ 0x5a);
    testsupport::WriteFileBytes(path, damaged);
    EXPECT_THROW(OpenAndLoad(path), DatabaseError);
}

TEST_F(ShellDatabase, TableMissingAColumnOrTheTableItselfIsRefused)
{
    const QStringList columns = {QStringLiteral("fHCT"), QStringLiteral("fDateTime"), QStringLiteral("fHB_Unit")};
    for (const QString &column : columns) {
        QFile::remove(path);
        const QString ddl = ShellResultLogDdl(column);
        ASSERT_FALSE(ddl.contains(column + QLatin1Char(' '))) << column.toStdString();
        CreateWithShell(path, kKey, ddl);
        try {
            OpenAndLoad(path);
            FAIL() << "a table without " << column.toStdString() << " opened";
        } catch (const DatabaseError &error) {
            EXPECT_TRUE(error.message().contains(column)) << error.message().toStdString();
        }
    }

    QFile::remove(path);
    CreateWithShell(path, kKey, QStringLiteral("CREATE TABLE other (a);\n"));
    EXPECT_THROW(OpenAndLoad(path), DatabaseError);

    // fID that is not the row key would leave new rows without a number.
    QFile::remove(path);
    QString ddl = ShellResultLogDdl();
    ddl.replace(QStringLiteral("fID INTEGER PRIMARY KEY AUTOINCREMENT"), QStringLiteral("fID INTEGER"));
    CreateWithShell(path, kKey, ddl);
    EXPECT_THROW(OpenAndLoad(path), DatabaseError);
}

TEST_F(ShellDatabase, ReadOnlyFileIsRefused)
{
    store::CreateResultDatabase(path);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    if (::geteuid() != 0) {
        EXPECT_THROW(OpenAndLoad(path), DatabaseError);
        return;
    }
    // The superuser may write any file: try as an ordinary user in a child process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        try {
            OpenAndLoad(path);
            ::_exit(1);
        } catch (const DatabaseError &error) {
            ::_exit(error.message().contains(QStringLiteral("read-only")) ? 0 : 2);
        } catch (...) {
            ::_exit(4);
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: another error, 3: setuid failed";
}

TEST(DatabaseSchema, NewFileHasTheDeclaredColumnsAndRefusesToOverwrite)
{
    TempDatabase database;
    const ShellResult info = RunSqlcipherShell(
        database.Path(), QStringLiteral("PRAGMA key='%1';\nPRAGMA table_info(result_log);\n"
                                        "PRAGMA table_info(LanguageConst);\nPRAGMA journal_mode;\n").arg(kKey));
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QStringList lines = info.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 15 + 3 + 1);
    EXPECT_EQ(lines[0], QStringLiteral("0|fID|INTEGER|0||1"));
    EXPECT_EQ(lines[1], QStringLiteral("1|fDateTime|REAL|0||0"));
    EXPECT_EQ(lines[2], QStringLiteral("2|fDateTime_Txt|TEXT(30)|0||0"));
    EXPECT_EQ(lines[5], QStringLiteral("5|fRecID|TEXT(10)|0||0"));
    EXPECT_EQ(lines[12], QStringLiteral("12|fTransferTime|REAL|0||0"));
    EXPECT_EQ(lines[14], QStringLiteral("14|fHCT|TEXT(20)|0||0"));
    EXPECT_EQ(lines[16], QStringLiteral("1|fLanguageName|TEXT(50)|0||0"));
    EXPECT_EQ(lines[18], QStringLiteral("wal"));

    EXPECT_THROW(store::CreateResultDatabase(database.Path()), DatabaseError);
    DatabaseConnection connection;
    EXPECT_THROW(connection.Open(database.Path(), store::DatabasePassword(),
                                 DatabaseConnection::OpenMode::CreateNewFile),
                 DatabaseError);
}

TEST(DatabaseSchema, ViewColumnNamesMatchWithoutRegardToCase)
{
    EXPECT_EQ(store::FindViewColumn(u"FID"), 0);
    EXPECT_EQ(store::FindViewColumn(u"fhct_c"), static_cast<int>(store::ResultColumn::fHCT_C));
    EXPECT_EQ(store::FindViewColumn(u"fHB_Txt"), static_cast<int>(store::ResultColumn::fHB_Txt));
    EXPECT_EQ(store::FindViewColumn(u"fHB_"), -1);
    EXPECT_EQ(store::DatabasePassword().size(), 11);
}

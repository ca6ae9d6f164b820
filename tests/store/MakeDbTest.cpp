#include "StoreTestHelpers.h"

#include "store/ResultView.h"

#include "support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace storetest;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString err;
};

ToolRun MakeDb(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(KELO_MAKE_DB), arguments);
    ToolRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

TEST(MakeDb, CreatesAKeyedEmptyDatabaseAndNeverReplacesOneUnlessForced)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("HB_data1.dat"));
    ASSERT_EQ(MakeDb({path}).exitCode, 0);

    const ShellResult shell = RunSqlcipherShell(
        path, QStringLiteral("PRAGMA key='4817KPWzeuR';\nSELECT count(*) FROM result_log;\n"
                             "SELECT count(*) FROM LanguageConst;\n"));
    ASSERT_EQ(shell.exitCode, 0) << shell.err.toStdString();
    EXPECT_EQ(shell.out, QStringLiteral("0\n0\n"));

    // Put a row in, then try to replace the file.
    {
        store::DatabaseConnection connection;
        OpenWithKey(connection, path);
        store::ResultView view(connection);
        view.Open();
        AppendResult(view, QStringLiteral("1"));
        view.UpdateBatch();
    }
    const ToolRun refused = MakeDb({path});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--force"))) << refused.err.toStdString();
    EXPECT_EQ(MakeDb({QStringLiteral("--if-missing"), path}).exitCode, 0);
    EXPECT_EQ(StoredRecIDs(path), QStringList({"1"}));

    EXPECT_EQ(MakeDb({QStringLiteral("--force"), path}).exitCode, 0);
    EXPECT_TRUE(StoredRecIDs(path).isEmpty());

    EXPECT_EQ(MakeDb({}).exitCode, 2);
    EXPECT_EQ(MakeDb({QStringLiteral("--bogus"), path}).exitCode, 2);
    EXPECT_EQ(MakeDb({QStringLiteral("--force"), QStringLiteral("--if-missing"), path}).exitCode, 2);
    const ToolRun noFolder = MakeDb({dir.filePath(QStringLiteral("missing/HB_data1.dat"))});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_FALSE(noFolder.err.isEmpty());
}

TEST(MakeDb, BuildLaidDownTheDatabaseOfTheInstallTree)
{
    const QString path = QStringLiteral(KELO_BINARY_DIR "/KELODATA/data/HB_data1.dat");
    ASSERT_TRUE(QFileInfo::exists(path));
    store::DatabaseConnection connection;
    OpenWithKey(connection, path);
    store::ResultView view(connection);
    EXPECT_NO_THROW(view.Open());
}

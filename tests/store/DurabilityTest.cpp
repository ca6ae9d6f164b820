#include "StoreTestHelpers.h"

#include "store/DatabaseError.h"
#include "store/DatabaseLockFile.h"
#include "store/ResultView.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;
using store::DatabaseConnection;
using store::DatabaseError;
using store::ResultColumn;
using store::ResultView;

namespace {

// Limits the size to which this process may grow files, as a full disk would, and lifts the
// limit again when it goes out of scope.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);   // a write past the limit fails with EFBIG
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { Lift(); }
    void Lift()
    {
        if (!active_)
            return;
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
        active_ = false;
    }
    bool Active() const { return active_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

qint64 FileSize(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace

TEST(BatchWriteFailure, FullDiskKeepsRowsPendingAndALaterWriteStoresThem)
{
    TempDatabase database;
    DatabaseConnection connection;
    OpenWithKey(connection, database.Path());
    ResultView view(connection);
    view.Open();
    view.SetSort(QStringLiteral("FID"));
    for (int i = 0; i < 10; ++i)
        AppendResult(view, QString::number(i));
    view.UpdateBatch();

    // Enough text that the batch needs more room than the files already have.
    const QString filler(200, QLatin1Char('x'));
    for (int i = 10; i < 2010; ++i) {
        AppendResult(view, QString::number(i));
        view.Append();
        view.SetFieldValue(ResultColumn::fRecID, QStringLiteral("f%1").arg(i));
        view.SetFieldValue(ResultColumn::fHB_Txt, filler);
        view.Post();
    }
    ASSERT_EQ(view.PendingCount(), 4000);
    {
        const qint64 room = std::max(FileSize(database.Path()), FileSize(database.Path() + QStringLiteral("-wal")));
        FileSizeLimit limit(static_cast<rlim_t>(room));
        ASSERT_TRUE(limit.Active());
        try {
            view.UpdateBatch();
            FAIL() << "the write succeeded beyond the file size limit";
        } catch (const DatabaseError &error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("The results could not be written to the database ")
                                                   + database.Path() + QStringLiteral(": ")))
                << error.message().toStdString();
            EXPECT_FALSE(error.message().contains(QStringLiteral("INSERT"))) << error.message().toStdString();
            EXPECT_FALSE(error.reason().isEmpty());
        }
        limit.Lift();
    }
    EXPECT_EQ(view.PendingCount(), 4000);
    EXPECT_EQ(view.RecordCount(), 4010);
    EXPECT_TRUE(view.IsPendingAt(10));
    EXPECT_FALSE(view.Value(4009, static_cast<int>(ResultColumn::fID)).isValid());
    EXPECT_EQ(StoredRecIDs(database.Path()).size(), 10);

    // Room again: the same rows are written, once each, in the order they were appended.
    view.UpdateBatch();
    EXPECT_EQ(view.PendingCount(), 0);
    const QStringList stored = StoredRecIDs(database.Path());
    ASSERT_EQ(stored.size(), 4010);
    EXPECT_EQ(stored[10], QStringLiteral("10"));
    EXPECT_EQ(stored[11], QStringLiteral("f10"));
    EXPECT_EQ(stored.last(), QStringLiteral("f2009"));
    const std::vector<qint64> ids = StoredIDs(database.Path());
    for (int i = 0; i < view.RecordCount(); ++i)
        ASSERT_EQ(view.Value(i, static_cast<int>(ResultColumn::fID)).toLongLong(), ids[static_cast<std::size_t>(i)]);
}

TEST(BatchWriteFailure, KilledWriterLeavesEveryReportedBatchAndNoHalfBatch)
{
    TempDatabase database;
    const QString lockPath = store::LockFilePathFor(database.Path());
    constexpr int kBatchRows = 300;
    int reportedTotal = 0;

    // Three rounds on the same file: each child writes batches and reports every batch that
    // UpdateBatch returned from; it is killed while it is busy with the next one.
    for (int round = 0; round < 3; ++round) {
        int reports[2];
        ASSERT_EQ(::pipe(reports), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(reports[0]);
            try {
                store::DatabaseLockFile lock;
                lock.Acquire(lockPath);
                DatabaseConnection connection;
                OpenWithKey(connection, database.Path());
                ResultView view(connection);
                view.Open();
                for (int batch = 0;; ++batch) {
                    const int first = view.RecordCount();
                    for (int i = 0; i < kBatchRows; ++i)
                        AppendResult(view, QString::number(first + i));
                    view.UpdateBatch();
                    const char report = 'b';
                    if (::write(reports[1], &report, 1) != 1)
                        ::_exit(2);
                }
            } catch (...) {
                ::_exit(3);
            }
        }
        ::close(reports[1]);
        int received = 0;
        const int wanted = 2 + round;
        while (received < wanted) {
            pollfd wait{reports[0], POLLIN, 0};
            ASSERT_EQ(::poll(&wait, 1, 60000), 1) << "the writer stopped reporting";
            char report = 0;
            ASSERT_EQ(::read(reports[0], &report, 1), 1) << "the writer ended early";
            ++received;
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        // Reports written after the last read still count: those batches were committed.
        char report = 0;
        while (::read(reports[0], &report, 1) == 1)
            ++received;
        ::close(reports[0]);
        reportedTotal += received;

        // The lock file of the killed writer is left behind but is deletable.
        EXPECT_TRUE(QFileInfo::exists(lockPath));
        EXPECT_FALSE(store::IsLockFileHeld(lockPath));

        const QStringList stored = StoredRecIDs(database.Path());
        EXPECT_EQ(stored.size() % kBatchRows, 0) << "half a batch survived";
        ASSERT_GE(stored.size(), reportedTotal * kBatchRows) << "a reported batch is missing";
        for (int i = 0; i < stored.size(); ++i)
            ASSERT_EQ(stored[i], QString::number(i));
        reportedTotal = static_cast<int>(stored.size() / kBatchRows);
    }
}

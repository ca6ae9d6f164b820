// The result database failing underneath the running main window while results are stored:
// a full disk (a small tmpfs over the database folder), the file deleted, the file replaced
// (also by a read-only one), the open file turned read-only, and quitting while results are
// still unwritten. The user is told, the results stay in the grid as pending, and the next
// write that can succeed stores them, once each.

#include "ProgramFixture.h"

#include "meter/HBMeter.h"
#include "meter/MeterRecordQuery.h"
#include "store/DataModule.h"
#include "store/DatabaseError.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "support/TestSupport.h"
#include "ui/TDBGrid.h"
#include "ui/TfrmMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using uitest::ProgramFixture;

// A tmpfs of the given size mounted over a folder (the folder's files are copied onto it);
// lazily unmounted when it goes. Needs the right to mount (the superuser in a container that
// allows it).
class SmallFileSystem
{
public:
    SmallFileSystem(const QString &folder, const QString &size) : folder_(folder)
    {
        QTemporaryDir saved;
        const QStringList files = QDir(folder).entryList(QDir::Files);
        for (const QString &file : files)
            QFile::copy(folder + u'/' + file, saved.filePath(file));
        const QByteArray options = "size=" + size.toLatin1();
        mounted_ = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
        for (const QString &file : files)
            QFile::copy(saved.filePath(file), folder + u'/' + file);
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool Mounted() const { return mounted_; }

    // Writes a file until the file system has no room left.
    void Fill(const QString &path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
        }
        const char one = 'f';
        while (::write(fd, &one, 1) > 0) {
        }
        ::close(fd);
    }

private:
    QString folder_;
    bool mounted_ = false;
};

// The superuser meets file permissions as an owner does while this lives: the calling thread
// (here the one that opens the database) sets aside its right to override them. Without that
// right (any other user) it changes nothing.
class HonourFilePermissions
{
public:
    HonourFilePermissions()
    {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        lowered[0].effective &= ~(1u << CAP_DAC_READ_SEARCH);
        lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~HonourFilePermissions()
    {
        if (lowered_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    HonourFilePermissions(const HonourFilePermissions &) = delete;
    HonourFilePermissions &operator=(const HonourFilePermissions &) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

// Sets or clears the immutable attribute. chattr runs in a child process, so that no
// descriptor of this process opens and closes the database file (closing one would drop the
// engine's locks on it).
bool SetImmutable(const QString &path, bool on)
{
    return QProcess::execute(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path}) == 0;
}

// Whether writes through descriptors opened before the attribute was set are refused, as ext4
// and xfs do (tmpfs lets them through); false also where the attribute cannot be set.
bool ImmutableStopsOpenWriters(const QString &folder)
{
    const QString probe = folder + QStringLiteral("/immutable-probe");
    const int fd = ::open(QFile::encodeName(probe).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool refused = SetImmutable(probe, true) && ::write(fd, "x", 1) < 0;
    SetImmutable(probe, false);
    ::close(fd);
    QFile::remove(probe);
    return refused;
}

class StorageFault : public ::testing::Test
{
protected:
    void StartWindow()
    {
        fixture_.CreateDataModule();
        window_ = &fixture_.CreateWindow();
    }
    void TearDown() override
    {
        // The database closes before its file system goes.
        fixture_.DestroyWindow();
        fixture_.DestroyDataModule();
        disk_.reset();
    }

    // Results as the reader hands them over, then the storing of WM_RECORDS_READY; the first
    // error it raises is what the application's error box shows. One storing call takes what
    // it decodes in about 40 ms, so a loaded machine needs more than one for 300 results, as
    // the window's follow-up calls do.
    std::optional<QString> Receive(int firstId, int count)
    {
        for (int id = firstId; id < firstId + count; ++id) {
            window_->HBReader->MeterData->Push(
                QStringLiteral("2024-03-05"), QStringLiteral("14:%1").arg(id % 60, 2, 10, QLatin1Char('0')),
                QStringLiteral("ID: %1").arg(id), QStringLiteral("HB: 14.2g/dL"), QStringLiteral("HCT: 42%"));
        }
        std::optional<QString> error;
        for (int waiting = -1; waiting != 0;) {
            try {
                window_->SaveReceivedRecords();
            } catch (const store::DatabaseError &failure) {
                if (!error)
                    error = failure.message();
            }
            const int left = window_->HBReader->MeterData->Count();
            if (left == waiting)
                break; // a call that takes nothing would never end the loop
            waiting = left;
        }
        return error;
    }
    static QStringList Ids(int first, int last)
    {
        QStringList ids;
        for (int id = first; id <= last; ++id)
            ids << QString::number(id);
        return ids;
    }
    int Pending() const { return DM->qryResultLog->PendingCount(); }
    int GridRows() const { return window_->GridRec->model()->rowCount(); }
    // A fresh, empty result database at path.
    static void MakeDatabase(const QString &path) { store::CreateResultDatabase(path); }

    ProgramFixture fixture_;
    TfrmMain *window_ = nullptr;
    std::unique_ptr<SmallFileSystem> disk_;
};

TEST_F(StorageFault, FullDiskKeepsTheResultsPendingUntilThereIsRoomAgain)
{
    disk_ = std::make_unique<SmallFileSystem>(QFileInfo(fixture_.DatabasePath()).absolutePath(), QStringLiteral("1m"));
    if (!disk_->Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    StartWindow();
    ASSERT_EQ(Receive(1, 2), std::nullopt);
    const QString filler = QFileInfo(fixture_.DatabasePath()).absolutePath() + QStringLiteral("/filler");
    disk_->Fill(filler);

    const std::optional<QString> error = Receive(3, 300);
    ASSERT_TRUE(error) << "the write succeeded on a full disk";
    EXPECT_TRUE(error->startsWith(QStringLiteral("The results could not be written to the database ") + fixture_.DatabasePath()))
        << error->toStdString();
    EXPECT_TRUE(error->contains(QStringLiteral("full"))) << error->toStdString();
    EXPECT_EQ(Pending(), 300);
    EXPECT_EQ(GridRows(), 302);

    ASSERT_TRUE(QFile::remove(filler));
    ASSERT_EQ(Receive(303, 1), std::nullopt);
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), Ids(1, 303));
}

// The file deleted (restored later, or not) or replaced by another database.
TEST_F(StorageFault, AFileDeletedOrReplacedIsNotWrittenBehindTheUsersBack)
{
    StartWindow();
    ASSERT_EQ(Receive(1, 2), std::nullopt);
    const QString path = fixture_.DatabasePath();

    ASSERT_TRUE(QFile::remove(path));
    const std::optional<QString> error = Receive(3, 2);
    ASSERT_TRUE(error) << "results were written to a deleted file";
    EXPECT_TRUE(error->contains(QStringLiteral("deleted or replaced"))) << error->toStdString();
    EXPECT_EQ(Pending(), 2);
    EXPECT_EQ(GridRows(), 4);

    // A file is put back: the pending results and the next ones go into it.
    MakeDatabase(path);
    ASSERT_EQ(Receive(5, 1), std::nullopt);
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(path), Ids(3, 5));
    EXPECT_EQ(GridRows(), 3);

    // Replaced by renaming another database over it: the program follows the file at its path.
    const QString other = path + QStringLiteral(".new");
    MakeDatabase(other);
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    ASSERT_EQ(Receive(6, 2), std::nullopt);
    EXPECT_EQ(uitest::StoredRecIDs(path), Ids(6, 7));

    // Replaced by a read-only one (a file the program holds open stays writable to it, and a
    // file system holding it open for writing cannot be made read-only): nothing is written
    // until the file may be written again.
    MakeDatabase(other);
    ASSERT_EQ(::chmod(QFile::encodeName(other).constData(), 0444), 0);
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    {
        const HonourFilePermissions permissions;
        const std::optional<QString> readOnly = Receive(8, 2);
        ASSERT_TRUE(readOnly) << "results were written to a read-only file";
        EXPECT_TRUE(readOnly->contains(QStringLiteral("read-only"))) << readOnly->toStdString();
        EXPECT_TRUE(readOnly->contains(path)) << readOnly->toStdString();
        EXPECT_EQ(Pending(), 2);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
        ASSERT_EQ(Receive(10, 1), std::nullopt);
    }
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(path), Ids(8, 10));
}

// The database's files marked immutable while the program holds them open: from then on every
// write to them is refused, as on a file system the kernel has made read-only.
TEST_F(StorageFault, ADatabaseThatTurnsReadOnlyKeepsTheResultsPendingUntilItMayBeWrittenAgain)
{
    StartWindow();
    ASSERT_EQ(Receive(1, 2), std::nullopt);
    const QString path = fixture_.DatabasePath();
    if (!ImmutableStopsOpenWriters(QFileInfo(path).absolutePath()))
        GTEST_SKIP() << "this file system cannot make an open file read-only with the immutable attribute";
    const QStringList files{path, path + QStringLiteral("-wal")};
    const auto thaw = [&files] {
        for (const QString &file : files)
            SetImmutable(file, false);
    };
    const auto thawAtTheEnd = qScopeGuard(thaw); // also when an assertion ends the test
    for (const QString &file : files)
        ASSERT_TRUE(SetImmutable(file, true));
    const std::optional<QString> error = Receive(3, 300);
    ASSERT_TRUE(error) << "the write succeeded on a read-only database";
    EXPECT_TRUE(error->startsWith(QStringLiteral("The results could not be written to the database ") + path))
        << error->toStdString();
    EXPECT_TRUE(error->contains(QStringLiteral("Operation not permitted"))) << error->toStdString();
    EXPECT_EQ(Pending(), 300);
    EXPECT_EQ(GridRows(), 302);

    thaw();
    ASSERT_EQ(Receive(303, 1), std::nullopt);
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(path), Ids(1, 303));
}

TEST_F(StorageFault, QuittingWithUnwritableResultsAsksAndTheLogKeepsThem)
{
    StartWindow();
    window_->show();
    ASSERT_TRUE(QFile::remove(fixture_.DatabasePath()));
    ASSERT_TRUE(Receive(1, 3));

    // Quit? Yes; the results cannot be written: stay.
    fixture_.dialogs.boxAnswers = {6, 7};
    window_->close();
    ASSERT_EQ(fixture_.dialogs.boxes.size(), 2u);
    EXPECT_TRUE(fixture_.dialogs.boxes[1].text.startsWith(QStringLiteral("3 results in the list could not be written")))
        << fixture_.dialogs.boxes[1].text.toStdString();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(Pending(), 3);

    // Quit anyway: the data module's last attempt fails too, and the log names the results.
    fixture_.dialogs.boxAnswers = {6, 6};
    window_->close();
    EXPECT_FALSE(window_->isVisible());
    fixture_.DestroyWindow();
    fixture_.DestroyDataModule();
    const QByteArray log = testsupport::ReadFileBytes(fixture_.LogPath());
    EXPECT_TRUE(log.contains("Not stored: 3 results")) << log.toStdString();
    EXPECT_TRUE(log.contains("HB: 14.2g/dL")) << log.toStdString();
}

} // namespace

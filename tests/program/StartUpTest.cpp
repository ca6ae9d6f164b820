// The start-up's three ends, seen from outside: the real program runs as child processes from
// install trees of their own, with a private home and runtime folder. A second copy is refused
// without touching the first one's database; a copy in another tree finds the first one's
// window by its title; a missing database ends the start with no window.
#include "i18n/HashLangFileStorage.h"
#include "i18n/TranslateText.h"
#include "program/StartUp.h"
#include "program/WindowTitleBeacon.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "support/install/InstallTree.h"
#include "support/install/ProgramFolders.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

#include <chrono>
#include <memory>

#include <csignal>
#include <sys/stat.h>

using namespace std::chrono_literals;
using testsupport::InstallTree;
using testsupport::WaitUntil;

namespace {

QByteArray Settings(const QByteArray &title, int language)
{
    return "[APPEARANCE]\r\nTitle=" + title + "\r\n[LANGUAGE]\r\nLanguageID=" + QByteArray::number(language) +
           "\r\n[COMM]\r\nPort=5\r\n";
}

// The window title of a copy that runs from the tree in that language: the configured title as
// the tree's language file translates it.
QString TranslatedTitle(const InstallTree &tree, int language, const QString &title)
{
    THashLangFileStorage storage;
    storage.SetAutoDetect(true);
    storage.SetFileName(QStringLiteral("KELO_HB_METER.txt"));
    storage.SetLanguagePath(tree.Root() + QStringLiteral("/bin"));
    storage.SetCurrentLanguageIndex(FindHSFileLanguageIndex(storage, language));
    QString value;
    return storage.GetString(title, value) && !value.isEmpty() ? value : title;
}

// Everything in a folder with its size and change time, to see that nobody touched it.
QStringList Snapshot(const QString &folder)
{
    QStringList entries;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        struct stat status {};
        ::stat(QFile::encodeName(info.filePath()).constData(), &status);
        entries << QStringLiteral("%1 %2 %3 %4.%5")
                       .arg(info.fileName())
                       .arg(info.size())
                       .arg(static_cast<qulonglong>(status.st_ino))
                       .arg(static_cast<qlonglong>(status.st_mtim.tv_sec))
                       .arg(static_cast<qlonglong>(status.st_mtim.tv_nsec));
    }
    return entries;
}

// True once the process has its own handler for SIGTERM (the program installs it right after
// its application object): from then on the signal ends it cleanly instead of killing it.
bool CatchesTerminate(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (1ULL << (SIGTERM - 1))) != 0;
        }
    }
    return false;
}

// True when the process has ended or ends within the time (waitForFinished alone answers
// false for a process that has already ended).
bool Finishes(QProcess &process, int timeoutMs)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
}

class StartUpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("home")));
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("run")));
        ::chmod(QFile::encodeName(runtime()).constData(), 0700);
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), tmp.path() + QStringLiteral("/home"));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        environment.insert(QStringLiteral("TMPDIR"), tmp.path() + QStringLiteral("/home"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        testsupport::AddChildSanitizerOptions(environment, tmp.path());
    }
    void TearDown() override
    {
        for (auto &process : processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    QString runtime() const { return tmp.path() + QStringLiteral("/run"); }
    QString logFile() const { return tmp.path() + QStringLiteral("/home/.local/share/KELODATA/HB.dbg"); }
    // The diagnostic log, or a mark for none (the main window deletes it when it comes up).
    QByteArray LogContents() const
    {
        return QFileInfo::exists(logFile()) ? testsupport::ReadFileBytes(logFile()) : QByteArray("<no log>");
    }
    QString beaconOf(const QString &title) const { return WindowTitleBeacon::ServerNameFor(title, runtime()); }

    QProcess &Start(const InstallTree &tree)
    {
        processes.push_back(std::make_unique<QProcess>());
        QProcess &process = *processes.back();
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(tree.Program(), {});
        EXPECT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
        EXPECT_TRUE(WaitUntil([&] { return CatchesTerminate(process.processId()) || process.state() == QProcess::NotRunning; },
                              30s));
        return process;
    }

    // Starts a copy and waits until its main window is up (it listens under its title).
    QProcess &StartRunning(const InstallTree &tree, const QString &title)
    {
        QProcess &process = Start(tree);
        EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(beaconOf(title)) || process.state() == QProcess::NotRunning; },
                              60s));
        EXPECT_EQ(process.state(), QProcess::Running) << "the program ended instead of showing its window";
        return process;
    }

    static int EndWith(QProcess &process, int signal)
    {
        // processId() is 0 for an ended process, and kill(0) would signal this test's group.
        const qint64 pid = process.processId();
        EXPECT_GT(pid, 0) << "the program had already ended";
        if (pid > 0)
            ::kill(static_cast<pid_t>(pid), signal);
        EXPECT_TRUE(Finishes(process, 30000)) << "the program did not end";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    QTemporaryDir tmp;
    QProcessEnvironment environment;
    std::vector<std::unique_ptr<QProcess>> processes;
};

const QString kProductCaption = QStringLiteral("Pellion Hb Hemoglobin Data Transfer Software");

} // namespace

TEST_F(StartUpTest, SecondCopyWhileTheFirstHasTheDatabaseOpenEndsWithoutTouchingIt)
{
    const InstallTree tree(tmp.path() + QStringLiteral("/root"), {QString(), Settings(kProductCaption.toUtf8(), 1045)});
    const QString polishTitle = TranslatedTitle(tree, 1045, kProductCaption);
    QProcess &first = StartRunning(tree, polishTitle);
    ASSERT_TRUE(QFileInfo::exists(tree.LockFile())) << "a running copy holds the lock file";
    const QStringList before = Snapshot(tree.DatabaseFolder());
    const QByteArray logBefore = LogContents();

    // The second copy stops at its refusal box (nobody presses OK here) ...
    QProcess &second = Start(tree);
    EXPECT_FALSE(Finishes(second, 2000)) << "the refused copy must wait for its box to be closed";
    EXPECT_EQ(Snapshot(tree.DatabaseFolder()), before);
    // ... and ends as refused when the box goes; the data module never ran (its connection
    // would have left a log line).
    EXPECT_EQ(EndWith(second, SIGTERM), kExitRefused);
    EXPECT_EQ(Snapshot(tree.DatabaseFolder()), before);
    EXPECT_EQ(LogContents(), logBefore);

    // The first copy is undisturbed and ends normally: it closes its database (no write-ahead
    // log left) and lets go of the lock file.
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(EndWith(first, SIGTERM), kExitRan);
    EXPECT_FALSE(QFileInfo::exists(tree.LockFile()));
    EXPECT_FALSE(QFileInfo::exists(tree.Database() + QStringLiteral("-wal")));
    EXPECT_FALSE(QFileInfo::exists(beaconOf(polishTitle))) << "the window's socket must go with it";
}

TEST_F(StartUpTest, CopyInAnotherTreeFindsTheRunningWindowByTitleAndEndsSilently)
{
    const QString title = QStringLiteral("RE Zevuvuro");
    const InstallTree first(tmp.path() + QStringLiteral("/first"), {QString(), Settings(title.toUtf8(), 1033)});
    const InstallTree second(tmp.path() + QStringLiteral("/second"), {QString(), Settings(kProductCaption.toUtf8(), 1033)});
    QProcess &running = StartRunning(first, title);
    const QStringList before = Snapshot(second.DatabaseFolder());

    // No lock file in its own tree, but the window is found: the copy ends by itself, with no
    // box to close and without opening its database.
    QProcess &copy = Start(second);
    ASSERT_TRUE(Finishes(copy, 30000));
    EXPECT_EQ(copy.exitCode(), kExitRefused);
    EXPECT_EQ(Snapshot(second.DatabaseFolder()), before);
    EXPECT_FALSE(QFileInfo::exists(second.LockFile()));

    EXPECT_EQ(running.state(), QProcess::Running);
    EXPECT_EQ(EndWith(running, SIGTERM), kExitRan);
}

TEST_F(StartUpTest, WindowWithAnotherTitleIsNotARunningCopy)
{
    const InstallTree first(tmp.path() + QStringLiteral("/first"), {QString(), Settings(kProductCaption.toUtf8(), 1033)});
    const InstallTree second(tmp.path() + QStringLiteral("/second"), {QString(), Settings(kProductCaption.toUtf8(), 1033)});
    QProcess &one = StartRunning(first, kProductCaption);
    // Same title, so the second window cannot announce itself under it; the copy still runs.
    QProcess &two = Start(second);
    EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(second.LockFile()) || two.state() == QProcess::NotRunning; }, 60s));
    EXPECT_EQ(two.state(), QProcess::Running);
    EXPECT_EQ(EndWith(two, SIGTERM), kExitRan);
    EXPECT_EQ(EndWith(one, SIGTERM), kExitRan);
}

TEST_F(StartUpTest, MissingDatabaseEndsAfterItsBoxWithNoWindow)
{
    const InstallTree tree(tmp.path() + QStringLiteral("/root"), {QString(), Settings(kProductCaption.toUtf8(), 1033)});
    ASSERT_TRUE(QFile::remove(tree.Database()));
    QProcess &process = Start(tree);
    // The database error box waits for the user; no window is made meanwhile.
    EXPECT_FALSE(Finishes(process, 2000));
    EXPECT_FALSE(QFileInfo::exists(beaconOf(kProductCaption)));
    EXPECT_EQ(EndWith(process, SIGTERM), kExitFailed);
    EXPECT_FALSE(QFileInfo::exists(tree.LockFile()));
    EXPECT_FALSE(QFileInfo::exists(tree.Database()));
}

// Copies started in the same instant, pair after pair: exactly one of each pair keeps the
// database and shows its window; the other is refused. Each copy has a runtime folder of its
// own, so only the database's lock decides: the search for a running window, which would
// otherwise catch a copy that lost the race later, cannot help here.
TEST_F(StartUpTest, OfTwentyPairsStartedTogetherExactlyOneOfEachRuns)
{
    const InstallTree tree(tmp.path() + QStringLiteral("/root"), {QString(), Settings(kProductCaption.toUtf8(), 1033)});
    std::array<QString, 2> runtimes;
    for (std::size_t i = 0; i < runtimes.size(); ++i) {
        runtimes[i] = tmp.path() + QStringLiteral("/run%1").arg(i);
        ASSERT_TRUE(QDir().mkpath(runtimes[i]));
        ::chmod(QFile::encodeName(runtimes[i]).constData(), 0700);
    }
    const auto beaconIn = [&](std::size_t i) {
        return QFileInfo::exists(WindowTitleBeacon::ServerNameFor(kProductCaption, runtimes[i]));
    };

    for (int pair = 0; pair < 20; ++pair) {
        std::array<std::unique_ptr<QProcess>, 2> copies;
        for (std::size_t i = 0; i < copies.size(); ++i) {
            QProcessEnvironment own = environment;
            own.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimes[i]);
            copies[i] = std::make_unique<QProcess>();
            copies[i]->setProcessEnvironment(own);
            copies[i]->setProcessChannelMode(QProcess::ForwardedChannels);
        }
        for (auto &copy : copies)
            copy->start(tree.Program(), {});
        for (auto &copy : copies)
            ASSERT_TRUE(copy->waitForStarted(10000));

        // The copy that owns the database shows its window; the other then stands at its
        // refusal box. The loser ends first, so the winner still holds the database while the
        // loser decides.
        ASSERT_TRUE(WaitUntil([&] { return beaconIn(0) || beaconIn(1); }, 60s)) << "pair " << pair;
        const std::size_t winner = beaconIn(0) ? 0 : 1;
        QProcess &loser = *copies[1 - winner];
        ASSERT_TRUE(WaitUntil([&] { return CatchesTerminate(loser.processId()) || loser.state() == QProcess::NotRunning; }, 30s));
        if (loser.state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(loser.processId()), SIGTERM);
        ASSERT_TRUE(Finishes(loser, 30000));
        EXPECT_EQ(loser.exitCode(), kExitRefused) << "pair " << pair << ": both copies believed they were alone";
        EXPECT_EQ(copies[winner]->state(), QProcess::Running);
        EXPECT_EQ(EndWith(*copies[winner], SIGTERM), kExitRan) << "pair " << pair;
        ASSERT_FALSE(QFileInfo::exists(tree.LockFile()));
    }
}

// An error while the main window is being made (here the grid's unit look-ups find the table
// gone) no longer aborts the program: the application's error box shows the reason and the
// start ends with status 1, leaving no window behind.
TEST(RunWindows, AnErrorWhileTheWindowIsMadeIsShownAndEndsTheStartWithStatusOne)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const InstallTree tree(root.path(), {QStringLiteral("-"), {}});
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("appdata/KELODATA")));
    testsupport::ProgramFolders folders(root, 1033);
    const QString database = tree.Database();
    testsupport::ScriptedDialogs dialogs;
    TDM dataModule;
    ASSERT_TRUE(DatabaseOpened);
    {
        store::DatabaseConnection other;
        other.Open(database, store::DatabasePassword());
        other.Execute(QStringLiteral("ALTER TABLE result_log RENAME TO result_log_away"));
    }

    EXPECT_EQ(RunWindows(*qApp), kExitFailed);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("result_log"))) << dialogs.errors[0].toStdString();
    EXPECT_EQ(frmMain, nullptr);
}

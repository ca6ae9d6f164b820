// The single-instance guard: the lock-file test with stale and live files, the refusal box in
// the configured language, and the running window found by its title, restored or raised.
#include "shell/Folders.h"
#include "shell/Settings.h"
#include "program/SingleInstanceGuard.h"
#include "program/WindowTitleBeacon.h"
#include "store/DatabaseLockFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QLocalSocket>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testsupport::ScriptedDialogs;
using testsupport::WaitUntil;

namespace {

// Another process holding the lock file as an open database does, until it is let go.
// The child uses system calls only (it is forked from a threaded process).
class LockHolder
{
public:
    explicit LockHolder(const QString &path)
    {
        const QByteArray native = QFile::encodeName(path);
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(native.constData(), O_RDWR | O_CREAT, 0666);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
                ::_exit(1);
            const char go = 'r';
            (void)!::write(ready[1], &go, 1);
            char byte = 0;
            (void)!::read(release[0], &byte, 1);   // returns when the parent lets go
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        char byte = 0;
        started_ = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        release_ = release[1];
    }
    ~LockHolder()
    {
        if (release_ >= 0)
            ::close(release_);
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;

    bool started() const { return started_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool started_ = false;
};

class GuardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("root/bin")));
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("root/KELODATA/data")));
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("beacons")));
        savedExePath = ExePath;
        ExePath = tmp.path() + QStringLiteral("/root/bin/");
        GlobalOption = TGlobalOption{};
        GlobalOption.LanguageID = 1033;
    }
    void TearDown() override { ExePath = savedExePath; }

    QString lockFile() const { return tmp.path() + QStringLiteral("/root/KELODATA/data/HB_data1.ldb"); }
    QString beacons() const { return tmp.path() + QStringLiteral("/beacons"); }

    // Runs the guard on another thread while this one keeps the windows answering.
    bool GuardFromAnotherThread()
    {
        std::atomic<bool> done{false};
        bool result = false;
        const QString folder = beacons();
        std::thread guard([&] {
            result = IsAlreadyRunning(folder);
            done = true;
        });
        const bool finished = WaitUntil([&] { return done.load(); }, 15s);
        guard.join();
        EXPECT_TRUE(finished) << "the guard did not return";
        return result;
    }

    QTemporaryDir tmp;
    QString savedExePath;
    ScriptedDialogs dialogs;
};

} // namespace

TEST(RunningTexts, EveryLanguageOfTheTableAndEnglishForTheRest)
{
    EXPECT_EQ(RunningMessageText(1033), QStringLiteral("The application is currently running and another cannot be opened."));
    EXPECT_EQ(RunningCaptionText(1033), QStringLiteral("Warning"));
    // The German text keeps its final blank; the French one has no full stop.
    EXPECT_EQ(RunningMessageText(1031),
              QStringLiteral("Die Anwendung wird derzeit ausgeführt und es kann keine weitere geöffnet werden. "));
    EXPECT_EQ(RunningCaptionText(1031), QStringLiteral("Warnung"));
    EXPECT_EQ(RunningMessageText(1036),
              QStringLiteral("L'application est en cours d'exécution et il est impossible d'en ouvrir une autre"));
    EXPECT_EQ(RunningCaptionText(1036), QStringLiteral("Alerte"));
    EXPECT_EQ(RunningMessageText(1034), QStringLiteral("La aplicación está actualmente funcionando y no se puede abrir otra."));
    EXPECT_EQ(RunningCaptionText(1034), QStringLiteral("Advertencia"));
    EXPECT_EQ(RunningMessageText(1035), QStringLiteral("Sovellus on käynnissä, eikä toista voi avata."));
    EXPECT_EQ(RunningCaptionText(1035), QStringLiteral("Varoitus"));
    EXPECT_EQ(RunningMessageText(1040), QStringLiteral("L'applicazione è in esecuzione, impossibile eseguirne un'altra."));
    EXPECT_EQ(RunningCaptionText(1040), QStringLiteral("Avviso"));
    EXPECT_EQ(RunningMessageText(1043),
              QStringLiteral("De applicatie is momenteel in gebruik en kan daarom niet tweemaal worden geopend."));
    EXPECT_EQ(RunningCaptionText(1043), QStringLiteral("Let op"));
    EXPECT_EQ(RunningMessageText(1045), QStringLiteral("Aplikacja jest obecnie uruchomiona; nie można otworzyć innej aplikacji."));
    EXPECT_EQ(RunningCaptionText(1045), QStringLiteral("Ostrzeżenie"));
    EXPECT_EQ(RunningMessageText(1053), QStringLiteral("Applikationen körs redan och en annan kan inte öppnas."));
    EXPECT_EQ(RunningCaptionText(1053), QStringLiteral("Varning"));
    EXPECT_EQ(RunningMessageText(2070), QStringLiteral("Atualmente a aplicação está em execução e não pode ser aberta."));
    EXPECT_EQ(RunningCaptionText(2070), QStringLiteral("Aviso"));

    for (int other : {1046, 0, -1, 3082, 2057, 65535}) {
        EXPECT_EQ(RunningMessageText(other), RunningMessageText(1033)) << other;
        EXPECT_EQ(RunningCaptionText(other), QStringLiteral("Warning")) << other;
    }
}

TEST_F(GuardTest, LockFileSitsInTheDataFolderOfTheInstallRootWhateverItsCase)
{
    // "Data" is the folder "data" of the database path.
    EXPECT_EQ(GuardLockFilePath(), lockFile());
    ExePath = tmp.path() + QStringLiteral("/elsewhere/bin/");
    EXPECT_EQ(GuardLockFilePath(), tmp.path() + QStringLiteral("/elsewhere/KELODATA/Data/HB_data1.ldb"));
}

TEST_F(GuardTest, StaleLockFileIsDeletedAndStartGoesOn)
{
    testsupport::WriteFileBytes(lockFile(), QByteArray());
    EXPECT_FALSE(IsDatabaseLocked());
    EXPECT_FALSE(QFileInfo::exists(lockFile()));
    testsupport::WriteFileBytes(lockFile(), QByteArray());
    EXPECT_FALSE(IsAlreadyRunning(beacons()));
    EXPECT_FALSE(QFileInfo::exists(lockFile()));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(GuardTest, NoLockFileAndNoWindowLetsTheStartGoOn)
{
    EXPECT_FALSE(IsDatabaseLocked());
    EXPECT_FALSE(IsAlreadyRunning(beacons()));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(QFileInfo::exists(lockFile())) << "the guard must not create the lock file";
}

TEST_F(GuardTest, LiveHolderIsRefusedInPolish)
{
    LockHolder holder(lockFile());
    ASSERT_TRUE(holder.started());
    GlobalOption.LanguageID = 1045;
    EXPECT_TRUE(IsDatabaseLocked());
    EXPECT_TRUE(IsAlreadyRunning(beacons()));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Aplikacja jest obecnie uruchomiona; nie można otworzyć innej aplikacji."));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ostrzeżenie"));
    EXPECT_EQ(dialogs.boxes[0].style, 16u);
    EXPECT_TRUE(QFileInfo::exists(lockFile())) << "the holder's file must survive";
}

TEST_F(GuardTest, LanguageOutsideTheTableIsRefusedInEnglish)
{
    LockHolder holder(lockFile());
    ASSERT_TRUE(holder.started());
    GlobalOption.LanguageID = 1046;
    EXPECT_TRUE(IsAlreadyRunning(beacons()));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("The application is currently running and another cannot be opened."));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Warning"));
}

TEST_F(GuardTest, DatabaseHeldOpenInThisProcessCountsAsRunning)
{
    store::DatabaseLockFile lock;
    lock.Acquire(lockFile());
    EXPECT_TRUE(IsAlreadyRunning(beacons()));
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(lockFile()));
}

TEST_F(GuardTest, HolderThatEndsLeavesNothingToRefuse)
{
    {
        LockHolder holder(lockFile());
        ASSERT_TRUE(holder.started());
        EXPECT_TRUE(IsDatabaseLocked());
    }
    // The holder died without deleting its file: the file is stale now.
    EXPECT_TRUE(QFileInfo::exists(lockFile()));
    EXPECT_FALSE(IsAlreadyRunning(beacons()));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(GuardTest, LockFileWinsOverAWindowAndTheWindowIsLeftAlone)
{
    QWidget window;
    window.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon beacon(&window, beacons());
    window.showMinimized();
    LockHolder holder(lockFile());
    ASSERT_TRUE(holder.started());
    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    testsupport::ProcessEventsFor(100ms);
    EXPECT_TRUE(window.isMinimized());
}

TEST_F(GuardTest, MinimisedWindowWithTheTitleIsRestoredSilently)
{
    QWidget window;
    window.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon beacon(&window, beacons());
    ASSERT_TRUE(beacon.IsListening());
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());

    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_TRUE(WaitUntil([&] { return !window.isMinimized() && window.isVisible(); }));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(GuardTest, MinimisedMaximisedWindowComesBackMaximised)
{
    QWidget window;
    window.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon beacon(&window, beacons());
    window.showMaximized();
    window.setWindowState(window.windowState() | Qt::WindowMinimized);
    ASSERT_TRUE(window.isMinimized());

    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_TRUE(WaitUntil([&] { return !window.isMinimized(); }));
    EXPECT_TRUE(window.isMaximized());
}

TEST_F(GuardTest, ShownWindowWithTheTitleIsBroughtToTheForeground)
{
    QWidget window;
    window.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon beacon(&window, beacons());
    window.show();
    QWidget other;
    other.setWindowTitle(QStringLiteral("Something else"));
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return other.isActiveWindow(); }));

    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_TRUE(WaitUntil([&] { return window.isActiveWindow(); }));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(GuardTest, OnlyTheWholeTitleIsFoundAndTitleChangesAreFollowed)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Pellion Hb Hemoglobin Data Transfer Software"));
    WindowTitleBeacon beacon(&window, beacons());
    window.show();
    EXPECT_FALSE(GuardFromAnotherThread());

    window.setWindowTitle(QStringLiteral("RE Zevuvuro 2"));
    EXPECT_FALSE(GuardFromAnotherThread());
    window.setWindowTitle(QStringLiteral("re zevuvuro"));
    EXPECT_FALSE(GuardFromAnotherThread());

    window.setWindowTitle(kRunningWindowTitle);
    EXPECT_TRUE(GuardFromAnotherThread());

    window.setWindowTitle(QStringLiteral("Another title"));
    EXPECT_FALSE(GuardFromAnotherThread()) << "the old title must be given up";
}

TEST_F(GuardTest, WindowThatIsGoneIsNotFound)
{
    {
        auto window = std::make_unique<QWidget>();
        window->setWindowTitle(kRunningWindowTitle);
        WindowTitleBeacon beacon(window.get(), beacons());
        window->show();
        EXPECT_TRUE(GuardFromAnotherThread());
    }
    EXPECT_FALSE(GuardFromAnotherThread());
}

TEST_F(GuardTest, SocketLeftByADeadCopyIsNotAWindowAndIsTakenOver)
{
    // A copy killed while running leaves its socket file; nobody listens on it.
    const QString name = WindowTitleBeacon::ServerNameFor(kRunningWindowTitle, beacons());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(name);
    ASSERT_LT(static_cast<size_t>(native.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(name));

    EXPECT_FALSE(GuardFromAnotherThread());

    QWidget window;
    window.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon beacon(&window, beacons());
    EXPECT_TRUE(beacon.IsListening());
    window.showMinimized();
    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_TRUE(WaitUntil([&] { return !window.isMinimized(); }));
}

TEST_F(GuardTest, SecondWindowWithTheSameTitleDoesNotTakeTheFirstOnesName)
{
    QWidget first;
    first.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon firstBeacon(&first, beacons());
    first.showMinimized();
    QWidget second;
    second.setWindowTitle(kRunningWindowTitle);
    WindowTitleBeacon secondBeacon(&second, beacons());
    second.showMinimized();
    EXPECT_TRUE(firstBeacon.IsListening());
    EXPECT_FALSE(secondBeacon.IsListening());

    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_TRUE(WaitUntil([&] { return !first.isMinimized(); }));
    EXPECT_TRUE(second.isMinimized());
}

TEST_F(GuardTest, WindowThatNeverAnswersStillMeansAnotherCopyRuns)
{
    // A listener that accepts nothing and says nothing, like a copy hung in a long operation.
    const QString name = WindowTitleBeacon::ServerNameFor(kRunningWindowTitle, beacons());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(name);
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(fd, 4), 0);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(GuardFromAnotherThread());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 12s) << "the guard must give up waiting";
    ::close(fd);
}

TEST(WindowTitleBeaconName, DependsOnTheWholeTitleAndStaysShort)
{
    const QString folder = QStringLiteral("/run/user/1000");
    const QString a = WindowTitleBeacon::ServerNameFor(QStringLiteral("RE Zevuvuro"), folder);
    EXPECT_TRUE(a.startsWith(folder + QStringLiteral("/kelo-window-")));
    EXPECT_NE(a, WindowTitleBeacon::ServerNameFor(QStringLiteral("RE Zevuvuro "), folder));
    EXPECT_NE(a, WindowTitleBeacon::ServerNameFor(QStringLiteral("re zevuvuro"), folder));
    EXPECT_EQ(a, WindowTitleBeacon::ServerNameFor(QStringLiteral("RE Zevuvuro"), folder));
    // Titles of any length and script fit a socket path.
    const QString longTitle(5000, QChar(0x0416));
    EXPECT_EQ(WindowTitleBeacon::ServerNameFor(longTitle, folder).size(), a.size());
}

TEST(WindowTitleBeaconRequests, UnknownRequestClosesOnlyThatConnection)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QWidget window;
    window.setWindowTitle(QStringLiteral("Beacon test"));
    WindowTitleBeacon beacon(&window, folder.path());
    window.showMinimized();

    std::atomic<int> stage{0};
    QByteArray badAnswer;
    QByteArray goodAnswer;
    std::thread client([&] {
        QLocalSocket bad;
        bad.connectToServer(beacon.ServerName());
        if (bad.waitForConnected(2000)) {
            bad.write("DELETE EVERYTHING\n");
            bad.flush();
            bad.waitForDisconnected(5000);
            badAnswer = bad.readAll();
        }
        QLocalSocket good;
        good.connectToServer(beacon.ServerName());
        if (good.waitForConnected(2000)) {
            good.write("ISICONIC\n");
            good.flush();
            while (!good.canReadLine() && good.waitForReadyRead(5000)) {
            }
            goodAnswer = good.readLine();
        }
        stage = 1;
    });
    EXPECT_TRUE(WaitUntil([&] { return stage.load() == 1; }, 15s));
    client.join();
    EXPECT_TRUE(badAnswer.isEmpty());
    EXPECT_EQ(goodAnswer, QByteArray("1\n"));
    EXPECT_TRUE(window.isMinimized()) << "an unknown request must not act on the window";
}

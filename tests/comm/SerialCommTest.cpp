#include "support/PtyPair.h"

#include "shell/Folders.h"
#include "comm/CommLineSettings.h"
#include "platform/linux/TtySettings.h"
#include "comm/SerialComm.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

using testsupport::WaitUntil;
using namespace std::chrono_literals;

namespace {

const QString kNotConnected = QStringLiteral(
    "Meter is not connected correctly. Before attempting the data transfer again, please disconnect the meter and "
    "then reconnect.");

// A component on a pseudo-terminal with every event recorded.
struct CommOnPty
{
    PtyPair pty;
    TComm comm;
    QList<QByteArray> chunks;
    int hangups = 0;
    int sent = 0;
    bool terminatorsIntact = true;

    explicit CommOnPty(int port = 7) : pty(port)
    {
        comm.SetPortsFolder(pty.portsFolder());
        comm.SetCommName(pty.commName());
        comm.SetInputLen(128);
        comm.SetOnReceiveData([this](TComm *sender, const char *buffer, std::uint16_t length) {
            EXPECT_EQ(sender, &comm);
            if (buffer[length] != '\0')
                terminatorsIntact = false;
            chunks.append(QByteArray(buffer, length));
        });
        comm.SetOnRequestHangup([this](TComm *) { ++hangups; });
        comm.SetOnSendDataEmpty([this](TComm *) { ++sent; });
    }

    QByteArray received() const { return chunks.join(); }
    bool waitForBytes(qsizetype count) { return WaitUntil([&] { return received().size() >= count; }, 10s); }
};

// Another descriptor on the slave side, for looking at the port's settings from outside.
struct SlaveView
{
    int fd;
    explicit SlaveView(const QString &path) : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~SlaveView()
    {
        if (fd >= 0)
            ::close(fd);
    }
    termios settings() const
    {
        termios t{};
        ::tcgetattr(fd, &t);
        return t;
    }
    int exclusive() const
    {
        int value = -1;
        ::ioctl(fd, TIOCGEXCL, &value);
        return value;
    }
    // Bytes the driver holds that no read has taken yet.
    int queued() const
    {
        int value = -1;
        ::ioctl(fd, TIOCINQ, &value);
        return value;
    }
};

int EntriesIn(const char *folder)
{
    const auto entries = std::filesystem::directory_iterator(folder);
    return static_cast<int>(std::distance(begin(entries), end(entries)));
}

int OpenDescriptors()
{
    return EntriesIn("/proc/self/fd");
}

int RunningThreads()
{
    return EntriesIn("/proc/self/task");
}

// Leaves the process exactly `count` free descriptor numbers: the soft limit is lowered and
// every other free number below it taken. The destructor gives them back and restores the limit.
class DescriptorsLeft
{
public:
    explicit DescriptorsLeft(int count)
    {
        MeetRefusals();
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const int source = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        int highest = 0;
        for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
            highest = std::max(highest, std::stoi(entry.path().filename().string()));
        rlimit lowered = saved_;
        lowered.rlim_cur = static_cast<rlim_t>(highest + 1 + count);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        taken_.push_back(source);
        for (int fd = ::fcntl(source, F_DUPFD_CLOEXEC, 0); fd >= 0; fd = ::fcntl(source, F_DUPFD_CLOEXEC, 0))
            taken_.push_back(fd);
        for (int i = 0; i < count && !taken_.empty(); ++i) {
            ::close(taken_.back());
            taken_.pop_back();
        }
    }
    ~DescriptorsLeft()
    {
        for (const int fd : taken_)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorsLeft(const DescriptorsLeft &) = delete;
    DescriptorsLeft &operator=(const DescriptorsLeft &) = delete;

private:
    // The undefined-behaviour sanitizer checks an object's dynamic type the first time it
    // meets it, probing the memory through a pipe; with no descriptor free the probe fails and
    // reads as a fault. The exceptions a refusal travels as are met here, while descriptors
    // are still free.
    static void MeetRefusals()
    {
        try {
            throw std::system_error(EMFILE, std::generic_category());
        } catch (const std::system_error &e) {
            EXPECT_EQ(e.code().value(), EMFILE);
        }
        try {
            throw ECommsError(QStringLiteral("refused"));
        } catch (const ECommsError &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }

    rlimit saved_{};
    std::vector<int> taken_;
};

QByteArray Pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>('A' + i % 26));
    return bytes;
}

} // namespace

TEST(CommProperties, InitialValues)
{
    TComm comm;
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.CommPort(), 1);
    EXPECT_EQ(comm.CommName(), QStringLiteral("COM1"));
    EXPECT_EQ(comm.InputLen(), 1);
    EXPECT_EQ(comm.InBufferSize(), 2048);
    EXPECT_EQ(comm.BaudRate(), 9600u);
    EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
    EXPECT_EQ(comm.Parity(), TParity::None);
    EXPECT_EQ(comm.StopBits(), TStopBits::_1);
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrDisable);
    EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsDisable);
    EXPECT_EQ(comm.XonLimit(), 500);
    EXPECT_EQ(comm.XoffLimit(), 500);
    EXPECT_EQ(comm.XonChar(), 17);
    EXPECT_EQ(comm.XoffChar(), 19);
    EXPECT_EQ(comm.ReplacedChar(), 0);
    EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
    EXPECT_EQ(comm.ReadTotalTimeoutConstant(), 0u);
    EXPECT_TRUE(comm.SendDataEmpty());
    EXPECT_EQ(comm.Handle(), -1);
    EXPECT_TRUE(comm.PortOpenError().isEmpty());
}

TEST(CommProperties, CommPortSetsTheNameAndIgnoresZeroAndTheCurrentValue)
{
    TComm comm;
    comm.SetCommPort(12);
    EXPECT_EQ(comm.CommPort(), 12);
    EXPECT_EQ(comm.CommName(), QStringLiteral("COM12"));
    comm.SetCommPort(0);
    EXPECT_EQ(comm.CommPort(), 12);
    EXPECT_EQ(comm.CommName(), QStringLiteral("COM12"));
    // Setting the current number again must not overwrite a name set in between.
    comm.SetCommName(QStringLiteral("COM3"));
    comm.SetCommPort(12);
    EXPECT_EQ(comm.CommName(), QStringLiteral("COM3"));
    comm.SetCommPort(255);
    EXPECT_EQ(comm.CommName(), QStringLiteral("COM255"));
}

TEST(CommProperties, InputLenIsBoundByInBufferSize)
{
    TComm comm;
    comm.SetInputLen(4096);
    EXPECT_EQ(comm.InputLen(), 1);
    comm.SetInputLen(2048);
    EXPECT_EQ(comm.InputLen(), 2048);
    comm.SetInputLen(0);
    EXPECT_EQ(comm.InputLen(), 2048);
    comm.SetInBufferSize(100); // InputLen is not adjusted
    EXPECT_EQ(comm.InBufferSize(), 100);
    EXPECT_EQ(comm.InputLen(), 2048);
    comm.SetInputLen(0);
    EXPECT_EQ(comm.InputLen(), 100);
    comm.SetInBufferSize(0);
    EXPECT_EQ(comm.InBufferSize(), 1);
}

TEST(CommOpen, OpensClosesAndReopensExclusively)
{
    CommOnPty port;
    TComm &comm = port.comm;
    comm.StartComm();
    ASSERT_TRUE(comm.PortOpen());
    EXPECT_GE(comm.Handle(), 0);
    EXPECT_TRUE(comm.PortOpenError().isEmpty());
    EXPECT_EQ(comm.DevicePath(), port.pty.portsFolder() + QStringLiteral("/") + port.pty.commName());
    {
        SlaveView view(port.pty.slavePath());
        EXPECT_EQ(view.exclusive(), 1);
    }
    comm.StopComm();
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.Handle(), -1);
    {
        SlaveView view(port.pty.slavePath());
        EXPECT_EQ(view.exclusive(), 0);
    }

    comm.StartComm();
    ASSERT_TRUE(comm.PortOpen());
    port.pty.send("again");
    ASSERT_TRUE(port.waitForBytes(5));
    EXPECT_EQ(port.received(), QByteArray("again"));
    comm.StopComm();
    EXPECT_EQ(port.hangups, 0);
}

TEST(CommOpen, WithoutAPortsFolderNoLinksAreLookedFor)
{
    // The data folder's ports link is no concern of the component: its owner passes the folder.
    PtyPair pty(8);
    QTemporaryDir data;
    ASSERT_TRUE(QDir().mkpath(data.filePath(QStringLiteral("ports"))));
    ASSERT_TRUE(QFile::link(pty.slavePath(), data.filePath(QStringLiteral("ports/COM8"))));
    const QString savedDataPath = DataPath;
    DataPath = data.path();
    TComm comm;
    comm.SetCommPort(8);
    try {
        comm.StartComm();
    } catch (const ECommsError &) {
    }
    EXPECT_EQ(comm.DevicePath(), QStringLiteral("/dev/ttyUSB7"));
    comm.StopComm();
    DataPath = savedDataPath;
    comm.SetPortsFolder(data.filePath(QStringLiteral("ports")));
    EXPECT_NO_THROW(comm.StartComm());
    EXPECT_EQ(comm.DevicePath(), data.filePath(QStringLiteral("ports/COM8")));
    comm.StopComm();
}

TEST(CommOpen, PortOpenPropertyOpensAndCloses)
{
    CommOnPty port;
    port.comm.SetPortOpen(true);
    EXPECT_TRUE(port.comm.PortOpen());
    port.comm.SetPortOpen(false);
    EXPECT_FALSE(port.comm.PortOpen());
    port.comm.SetPortOpen(false); // closing a closed port is harmless
    EXPECT_FALSE(port.comm.PortOpen());
}

TEST(CommOpen, RestoresThePreviousSettingsOnClose)
{
    CommOnPty port;
    SlaveView view(port.pty.slavePath());
    termios before = view.settings();
    before.c_lflag |= ICANON | ECHO;
    ::cfsetspeed(&before, B1200);
    ASSERT_EQ(::tcsetattr(view.fd, TCSANOW, &before), 0);

    port.comm.StartComm();
    const termios open = view.settings();
    EXPECT_EQ(open.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(::cfgetospeed(&open), static_cast<speed_t>(B9600));
    EXPECT_EQ(open.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(open.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);

    port.comm.StopComm();
    const termios after = view.settings();
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B1200));
}

TEST(CommOpen, SecondStartCommRaisesAndKeepsThePortOpen)
{
    CommOnPty port;
    port.comm.StartComm();
    try {
        port.comm.StartComm();
        FAIL() << "no exception";
    } catch (const ECommsError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("This serial port already opened"));
    }
    EXPECT_EQ(port.comm.PortOpenError(), QStringLiteral("This serial port already opened"));
    EXPECT_TRUE(port.comm.PortOpen());
    port.pty.send("still here");
    ASSERT_TRUE(port.waitForBytes(10));
    EXPECT_EQ(port.received(), QByteArray("still here"));

    // StopComm clears the error text.
    port.comm.StopComm();
    EXPECT_TRUE(port.comm.PortOpenError().isEmpty());
}

TEST(CommOpen, MissingPortRaisesTheNotConnectedText)
{
    QTemporaryDir ports;
    TComm comm;
    comm.SetPortsFolder(ports.path());
    comm.SetCommName(QStringLiteral("COM200")); // no link, no device numbering
    try {
        comm.StartComm();
        FAIL() << "no exception";
    } catch (const ECommsError &e) {
        EXPECT_EQ(e.message(), kNotConnected);
    }
    EXPECT_FALSE(comm.PortOpen());
    const QString error = comm.PortOpenError();
    EXPECT_TRUE(error.startsWith(QStringLiteral("Error opening serial port \\\\.\\COM200(2)\n\r"))) << error.toStdString();
    EXPECT_TRUE(error.contains(comm.DevicePath())) << error.toStdString();
    EXPECT_TRUE(error.endsWith(QStringLiteral("\n\rPlease unplug USB of the meter and try again."))) << error.toStdString();
}

TEST(CommOpen, BrokenLinkNamesTheMissingTarget)
{
    QTemporaryDir ports;
    ASSERT_TRUE(QFile::link(ports.filePath(QStringLiteral("gone")), ports.filePath(QStringLiteral("COM3"))));
    TComm comm;
    comm.SetPortsFolder(ports.path());
    comm.SetCommPort(3);
    EXPECT_THROW(comm.StartComm(), ECommsError);
    EXPECT_TRUE(comm.PortOpenError().contains(ports.filePath(QStringLiteral("gone"))));
    EXPECT_TRUE(comm.PortOpenError().startsWith(QStringLiteral("Error opening serial port \\\\.\\COM3(2)")));
}

TEST(CommOpen, RegularFileIsNotACommHandle)
{
    QTemporaryDir ports;
    testsupport::WriteFileBytes(ports.filePath(QStringLiteral("COM4")), "not a port");
    TComm comm;
    comm.SetPortsFolder(ports.path());
    comm.SetCommPort(4);
    try {
        comm.StartComm();
        FAIL() << "no exception";
    } catch (const ECommsError &e) {
        EXPECT_EQ(e.message(), kNotConnected);
    }
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.PortOpenError(),
              QStringLiteral("File handle is not a comm handle. Please unplug USB of the meter and try again."));
}

TEST(CommOpen, PermissionDeniedTellsAboutTheDialoutGroup)
{
    // Run in a child that is not root (root may open anything), in a folder it can reach.
    QTemporaryDir ports(QStringLiteral("/tmp/kelo-comm-XXXXXX"));
    const QString device = ports.filePath(QStringLiteral("device"));
    testsupport::WriteFileBytes(device, "x");
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(ports.path()).constData(), 0755), 0);
    ASSERT_TRUE(QFile::link(device, ports.filePath(QStringLiteral("COM5"))));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0)
            ::_exit(10);
        TComm comm;
        comm.SetPortsFolder(ports.path());
        comm.SetCommPort(5);
        try {
            comm.StartComm();
        } catch (const ECommsError &) {
            const QString error = comm.PortOpenError();
            const bool ok = error.startsWith(QStringLiteral("Error opening serial port \\\\.\\COM5(13)\n\r")) &&
                            error.contains(QStringLiteral("dialout")) && error.contains(device);
            if (!ok)
                std::fprintf(stderr, "%s\n", qPrintable(error));
            ::_exit(ok ? 0 : 11);
        }
        ::_exit(12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(CommOpen, StopCommOnAClosedPortOnlyClearsTheError)
{
    TComm comm;
    comm.SetCommName(QStringLiteral("COM200"));
    comm.SetPortsFolder(QStringLiteral("/nonexistent"));
    EXPECT_THROW(comm.StartComm(), ECommsError);
    EXPECT_FALSE(comm.PortOpenError().isEmpty());
    comm.StopComm();
    EXPECT_TRUE(comm.PortOpenError().isEmpty());
    EXPECT_FALSE(comm.PortOpen());
}

TEST(CommOpen, DestroyingAnOpenComponentStopsItsThreads)
{
    PtyPair pty;
    {
        TComm comm;
        comm.SetPortsFolder(pty.portsFolder());
        comm.SetCommName(pty.commName());
        comm.StartComm();
        pty.send("some bytes");
    }
    // The port is free again: a new component opens it.
    TComm again;
    again.SetPortsFolder(pty.portsFolder());
    again.SetCommName(pty.commName());
    EXPECT_NO_THROW(again.StartComm());
    again.StopComm();
}

TEST(CommOpen, RunningOutOfDescriptorsFailsAndGivesEverythingBack)
{
    CommOnPty port;
    SlaveView view(port.pty.slavePath());
    const tcflag_t lineFlags = view.settings().c_lflag;
    // Whatever a process starts once with its first threads (a sanitizer's helper thread)
    // belongs to the baseline.
    port.comm.StartComm();
    port.comm.StopComm();
    const int descriptors = OpenDescriptors();
    const int threads = RunningThreads();
    const QString reason = QString::fromLocal8Bit(std::strerror(EMFILE));

    // One free descriptor more each round: every round short of what opening takes fails at
    // one of its steps, says so with the system's reason and leaves the port as it was.
    QStringList failures;
    bool opened = false;
    for (int free = 1; free <= 32 && !opened; ++free) {
        {
            DescriptorsLeft limit(free);
            try {
                port.comm.StartComm();
                opened = true;
            } catch (const ECommsError &e) {
                failures.append(port.comm.PortOpenError());
                EXPECT_EQ(e.message(), port.comm.PortOpenError() + QStringLiteral(": ") + reason);
            }
        }
        if (opened)
            break;
        EXPECT_FALSE(port.comm.PortOpen()) << free;
        EXPECT_EQ(OpenDescriptors(), descriptors) << free;
        EXPECT_TRUE(WaitUntil([&] { return RunningThreads() == threads; })) << free;
        EXPECT_EQ(view.exclusive(), 0) << free;
        EXPECT_EQ(view.settings().c_lflag, lineFlags) << free;
    }
    ASSERT_TRUE(opened);
    ASSERT_TRUE(port.comm.PortOpen()) << "StartComm returned with the port closed: "
                                      << port.comm.PortOpenError().toStdString();
    ASSERT_FALSE(failures.isEmpty());
    EXPECT_EQ(failures.first(), QStringLiteral("Unable to create event"));
    EXPECT_TRUE(failures.contains(QStringLiteral("Unable to create read thread")));
    EXPECT_EQ(failures.last(), QStringLiteral("Unable to create write thread"));
    port.pty.send("works");
    ASSERT_TRUE(port.waitForBytes(5));
    port.comm.StopComm();
}

TEST(CommOpen, RefusedThreadFailsAndClosesThePort)
{
    // The thread limit does not bind root, so a child gives up root and is then allowed no new
    // thread. The master side of a new pseudo-terminal is a port any user may open.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0)
            ::_exit(10);
        ::prctl(PR_SET_DUMPABLE, 1); // /proc/self stays readable after the change of user
        TComm comm;
        comm.SetCommName(QStringLiteral("/dev/ptmx"));
        const int descriptors = OpenDescriptors();
        rlimit threads{};
        ::getrlimit(RLIMIT_NPROC, &threads);
        threads.rlim_cur = 0;
        if (::setrlimit(RLIMIT_NPROC, &threads) != 0)
            ::_exit(11);
        try {
            comm.StartComm();
        } catch (const ECommsError &e) {
            const QString expected = QStringLiteral("Unable to create read thread: ") +
                                     QString::fromLocal8Bit(std::strerror(EAGAIN));
            const bool ok = e.message() == expected &&
                            comm.PortOpenError() == QStringLiteral("Unable to create read thread") &&
                            !comm.PortOpen() && OpenDescriptors() == descriptors;
            if (!ok)
                std::fprintf(stderr, "%s | %s | %d\n", qPrintable(e.message()), qPrintable(comm.PortOpenError()),
                             OpenDescriptors() - descriptors);
            ::_exit(ok ? 0 : 12);
        }
        ::_exit(13);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(CommReceive, BurstArrivesInChunksOfInputLenInOrder)
{
    CommOnPty port;
    port.comm.StartComm();
    const QByteArray burst = Pattern(300);
    port.pty.send(burst);
    ASSERT_TRUE(port.waitForBytes(300));
    ASSERT_EQ(port.chunks.size(), 3);
    EXPECT_EQ(port.chunks[0].size(), 128);
    EXPECT_EQ(port.chunks[1].size(), 128);
    EXPECT_EQ(port.chunks[2].size(), 44);
    EXPECT_EQ(port.received(), burst);
    EXPECT_TRUE(port.terminatorsIntact);
    port.comm.StopComm();
}

TEST(CommReceive, PauseMidLineCompletesTheChunk)
{
    CommOnPty port;
    port.comm.StartComm();
    port.pty.send("2020-01-02 0");
    // The first half arrives on its own once 100 ms pass without a byte.
    ASSERT_TRUE(WaitUntil([&] { return port.chunks.size() == 1; }, 10s));
    EXPECT_EQ(port.chunks[0], QByteArray("2020-01-02 0"));
    port.pty.send("3:04\r\n");
    ASSERT_TRUE(WaitUntil([&] { return port.chunks.size() == 2; }, 10s));
    EXPECT_EQ(port.chunks[1], QByteArray("3:04\r\n"));
    port.comm.StopComm();
}

TEST(CommReceive, CloseWhileAReadIsPendingPassesItsBytesOnWithoutHangup)
{
    CommOnPty port;
    port.comm.SetInputLen(4);
    port.comm.SetReadIntervalTimeout(600000); // the read stays pending with bytes in it
    port.comm.StartComm();
    // As below: "abcd" completes a read, "ef" sits in the next one. Close only once the thread
    // holds them (the driver's queue is empty): they may end the meter's last record, so
    // closing passes them on.
    port.pty.send("abcdef");
    ASSERT_TRUE(WaitUntil([&] { return port.chunks.size() == 1; }));
    SlaveView view(port.pty.slavePath());
    ASSERT_TRUE(WaitUntil([&] { return view.queued() == 0; }));
    port.comm.StopComm();
    EXPECT_FALSE(port.comm.PortOpen());
    testsupport::ProcessEventsFor(200ms);
    EXPECT_EQ(port.hangups, 0);
    EXPECT_EQ(port.received(), QByteArray("abcdef"));
}

TEST(CommReceive, OtherSideClosingDeliversTheBytesThenRequestsHangup)
{
    CommOnPty port;
    port.comm.SetInputLen(4);
    port.comm.SetReadIntervalTimeout(600000);
    port.comm.StartComm();
    // One write reaches the port's queue whole: "abcd" completes a read, "ef" then sits in the
    // next, pending read.
    port.pty.send("abcdef");
    ASSERT_TRUE(WaitUntil([&] { return port.chunks.size() == 1; }));
    SlaveView view(port.pty.slavePath());
    ASSERT_TRUE(WaitUntil([&] { return view.queued() == 0; }));
    port.pty.closeMaster();
    ASSERT_TRUE(WaitUntil([&] { return port.hangups == 1; }, 10s));
    EXPECT_EQ(port.received(), QByteArray("abcdef"));
    EXPECT_TRUE(port.comm.PortOpen()); // closing is up to the owner
    port.comm.StopComm();
    EXPECT_FALSE(port.comm.PortOpen());
}

TEST(CommReceive, TotalTimeoutEndsAChunkEarly)
{
    CommOnPty port;
    port.comm.SetReadIntervalTimeout(0);
    port.comm.SetReadTotalTimeoutConstant(150);
    port.comm.StartComm();
    port.pty.send("xyz");
    ASSERT_TRUE(port.waitForBytes(3));
    EXPECT_EQ(port.chunks.first(), QByteArray("xyz"));
    port.comm.StopComm();
}

TEST(CommReceive, NulBytesAreDroppedWhenAskedTo)
{
    CommOnPty port;
    port.comm.SetIgnoreNullChar(true);
    port.comm.StartComm();
    port.pty.send(QByteArray("a\0b\0\0c", 6));
    ASSERT_TRUE(port.waitForBytes(3));
    EXPECT_EQ(port.received(), QByteArray("abc"));
    // And kept otherwise, switched while open.
    port.comm.SetIgnoreNullChar(false);
    port.pty.send(QByteArray("d\0e", 3));
    ASSERT_TRUE(port.waitForBytes(6));
    EXPECT_EQ(port.received(), QByteArray("abcd\0e", 6));
    port.comm.StopComm();
}

TEST(CommReceive, ChunksNeverExceedTheBufferEvenIfInputLenDoes)
{
    CommOnPty port;
    port.comm.SetInputLen(128);
    port.comm.SetInBufferSize(16); // InputLen stays 128
    port.comm.StartComm();
    port.pty.send(Pattern(40));
    ASSERT_TRUE(port.waitForBytes(40));
    for (const QByteArray &chunk : port.chunks)
        EXPECT_LE(chunk.size(), 16);
    EXPECT_EQ(port.received(), Pattern(40));
    port.comm.StopComm();
}

TEST(CommSend, WriteOnAClosedPortOrWithNoBytesFails)
{
    CommOnPty port;
    EXPECT_FALSE(port.comm.WriteCommData("abc", 3));
    EXPECT_TRUE(port.comm.SendDataEmpty());

    port.comm.StartComm();
    ASSERT_TRUE(WaitUntil([&] { return port.sent == 1; })); // one after every start
    EXPECT_FALSE(port.comm.WriteCommData("abc", 0));
    EXPECT_TRUE(port.comm.SendDataEmpty());
    testsupport::ProcessEventsFor(100ms);
    EXPECT_EQ(port.sent, 1);
    port.comm.StopComm();
    EXPECT_FALSE(port.comm.WriteCommData("abc", 3));
}

TEST(CommSend, WrittenBytesReachTheOtherSideInOrder)
{
    CommOnPty port;
    port.comm.StartComm();
    ASSERT_TRUE(WaitUntil([&] { return port.sent == 1; }));

    ASSERT_TRUE(port.comm.WriteCommData("hello", 5));
    EXPECT_EQ(port.pty.receive(5), QByteArray("hello"));
    ASSERT_TRUE(WaitUntil([&] { return port.sent == 2; }));
    EXPECT_TRUE(port.comm.SendDataEmpty());

    // More than the pseudo-terminal holds at once: the thread waits for room and keeps order.
    QByteArray expected;
    for (int i = 0; i < 4; ++i) {
        const QByteArray block = Pattern(60000).right(60000 - i);
        expected += block;
        ASSERT_TRUE(port.comm.WriteCommData(block.constData(), static_cast<std::uint16_t>(block.size())));
    }
    port.comm.SetOutput("tail");
    expected += "tail";
    EXPECT_EQ(port.pty.receive(expected.size()), expected);
    ASSERT_TRUE(WaitUntil([&] { return port.comm.SendDataEmpty() && port.sent >= 3; }));
    port.comm.StopComm();
}

TEST(CommSend, StopWhileTheOtherSideDoesNotReadDoesNotHang)
{
    CommOnPty port;
    port.comm.StartComm();
    const QByteArray block = Pattern(65535);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(port.comm.WriteCommData(block.constData(), static_cast<std::uint16_t>(block.size())));
    EXPECT_FALSE(port.comm.SendDataEmpty());
    port.comm.StopComm();
    EXPECT_TRUE(port.comm.SendDataEmpty());
    EXPECT_EQ(port.hangups, 0);
}

TEST(CommReceive, AWindowThatFallsBehindHoldsTheLineBackAndLosesNothing)
{
    CommOnPty t;
    t.comm.StartComm();
    QByteArray flood(1 << 20, '\0');
    for (qsizetype i = 0; i < flood.size(); ++i)
        flood[i] = static_cast<char>(i % 251);
    std::atomic<qsizetype> written{0};
    std::atomic<bool> giveUp{false};
    std::thread meter([&] {
        while (written < flood.size() && !giveUp) {
            const ssize_t n = ::write(t.pty.master(), flood.constData() + written,
                                      static_cast<size_t>(std::min<qsizetype>(flood.size() - written, 4096)));
            if (n > 0) {
                written += n;
            } else {
                pollfd room{t.pty.master(), POLLOUT, 0};
                ::poll(&room, 1, 100);
            }
        }
    });
    // No event is handled meanwhile: the receive thread stops at its limit of waiting chunks,
    // and the line holds the rest back.
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(written.load(), flood.size()) << "the receive thread took the whole flood with nobody handling it";
    const bool all = t.waitForBytes(flood.size());
    giveUp = true;
    meter.join();
    ASSERT_TRUE(all) << t.received().size();
    EXPECT_EQ(t.received(), flood);
    t.comm.StopComm();
}

TEST(CommSettings, LineSettingsAreAppliedAtOnceWhileOpen)
{
    CommOnPty port;
    port.comm.StartComm();
    SlaveView view(port.pty.slavePath());

    port.comm.SetBaudRate(19200);
    const termios fast = view.settings();
    EXPECT_EQ(::cfgetospeed(&fast), static_cast<speed_t>(B19200));
    port.comm.SetBaudRate(12345); // no Bxxx constant
    EXPECT_EQ(platform::GetBaudRate(view.fd), 12345u);
    port.comm.SetBaudRate(9600);
    EXPECT_EQ(platform::GetBaudRate(view.fd), 9600u);

    port.comm.SetParity(TParity::Mark);
    port.comm.SetByteSize(TByteSize::_7);
    port.comm.SetStopBits(TStopBits::_2);
    port.comm.SetOutx_XonXoffFlow(true);
    port.comm.SetInx_XonXoffFlow(true);
    port.comm.SetXonChar('Q');
    // A pseudo-terminal always keeps 8 data bits and no parity enable; what it keeps of the
    // rest shows that the settings reached the port.
    const termios t = view.settings();
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(PARODD | CMSPAR));
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_iflag & IXON, 0u);
    EXPECT_NE(t.c_iflag & IXOFF, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 'Q');

    // The name is used only at the next open.
    port.comm.SetCommName(QStringLiteral("COM200"));
    EXPECT_TRUE(port.comm.PortOpen());
    port.pty.send("on");
    ASSERT_TRUE(port.waitForBytes(2));
    port.comm.StopComm();
    EXPECT_THROW(port.comm.StartComm(), ECommsError);
}

TEST(CommSettings, TimeoutChangesTakeEffectAtTheNextRead)
{
    CommOnPty port;
    port.comm.StartComm();
    port.pty.send("a");
    ASSERT_TRUE(WaitUntil([&] { return port.chunks.size() == 1; }));
    // The read now pending keeps its 100 ms; the one after it waits 10 minutes between bytes.
    port.comm.SetReadIntervalTimeout(600000);
    port.pty.send("b");
    ASSERT_TRUE(WaitUntil([&] { return port.chunks.size() == 2; }));
    EXPECT_EQ(port.chunks[1], QByteArray("b"));
    port.pty.send("c");
    testsupport::ProcessEventsFor(400ms);
    EXPECT_EQ(port.chunks.size(), 2);
    port.comm.StopComm();
}

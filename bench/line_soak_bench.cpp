// Long use of the real main window (offscreen) with a pseudo-terminal as the meter's line:
//   1. Start/Stop cycles, each carrying its share of the results at full speed;
//   2. starts on a port that cannot be opened, each followed by a Stop;
//   3. Start/Stop cycles with nothing on the line;
//   4. floods of noise (no record end, long lines, 100 KB records) among valid records, with
//      the longest pause of the window's event loop meanwhile.
// After each phase: descriptors (/proc/self/fd), threads (/proc/self/task), resident and peak
// memory (VmRSS, VmHWM). At the end the stored rows are counted and checked for duplicates.
//
//   line_soak_bench [cycles] [results]     (default 1000 100000)

#include "bench_install.h"
#include "shell/Settings.h"
#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

int CountEntries(const char *folder)
{
    return static_cast<int>(QDir(QString::fromLatin1(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

long StatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void Report(const char *when)
{
    std::printf("%-34s fds %3d  threads %2d  VmRSS %7ld kB  VmHWM %7ld kB\n", when, CountEntries("/proc/self/fd"),
                CountEntries("/proc/self/task"), StatusKb("VmRSS:"), StatusKb("VmHWM:"));
    std::fflush(stdout);
}

// Runs the event loop until done() or timeoutMs; false on timeout.
template <typename Done>
bool RunUntil(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QByteArray Record(int id)
{
    return QStringLiteral("2024-03-05 14:%1\r\nID: %2\r\nHB: 14.2g/dL\r\nHCT: 42%\r\n\r\n")
        .arg(id % 60, 2, 10, QLatin1Char('0'))
        .arg(id, 6, 10, QLatin1Char('0'))
        .toLatin1();
}

// The meter's end of the line: a pseudo-terminal master, with one slave descriptor held in
// raw mode so that the line survives the program closing its side between cycles.
class Line
{
public:
    explicit Line(const QString &link)
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            Fail("no pseudo-terminal");
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        slavePath_ = QString::fromLatin1(::ptsname(master_));
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        if (slave_ < 0 || ::tcgetattr(slave_, &raw) != 0)
            Fail("cannot open the slave side");
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
        QFile::remove(link);
        if (!QFile::link(slavePath_, link))
            Fail("cannot link the port");
    }
    ~Line()
    {
        ::close(slave_);
        ::close(master_);
    }
    // False when the program has taken nothing for 10 s (reading is off).
    bool Send(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
                Fail("write to the line failed");
            } else {
                pollfd room{master_, POLLOUT, 0};
                if (::poll(&room, 1, 10000) == 0)
                    return false;
            }
        }
        return true;
    }

    // Throws away what the program has not read.
    void Flush() { ::tcflush(slave_, TCIFLUSH); }

private:
    [[noreturn]] static void Fail(const char *what)
    {
        std::fprintf(stderr, "line_soak_bench: %s\n", what);
        std::exit(1);
    }
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int results = argc > 2 ? std::max(cycles, std::atoi(argv[2])) : 100000;
    const int perCycle = results / cycles;

    const BenchInstall tree(7);
    Line line(tree.PortsFolder() + QStringLiteral("/COM7"));

    int stored = 0;
    {
        TDM dm;
        TfrmMain window;
        window.show();
        RunUntil([] { return false; }, 300);
        Report("window shown");

        // 1. Cycles with results.
        QElapsedTimer clock;
        clock.start();
        int sent = 0;
        int lost = 0;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            window.btnStartClick(nullptr);
            QByteArray batch;
            for (int i = 0; i < perCycle; ++i)
                batch += Record(++sent);
            const bool taken = line.Send(batch);
            if (!taken || !RunUntil([&] { return window.iTotalCount == sent; }, 30000)) {
                // Reading ends by itself when no record has come for the quiet time; a stall
                // that long (a slow disk) ends it under a download, and what the meter still
                // sends is not read. Counted, and the cycles go on.
                std::printf("cycle %d: %d of %d results stored, reading %s\n", cycle, window.iTotalCount, sent,
                            window.lb_StartRead ? "on" : "switched off");
                lost += sent - window.iTotalCount;
                sent = window.iTotalCount;
                line.Flush();
            }
            if (window.lb_StartRead)
                window.btnStartClick(nullptr);
            if (cycle == 1 || cycle % (cycles / 10 > 0 ? cycles / 10 : 1) == 0)
                Report(qPrintable(QStringLiteral("after cycle %1 (%2 results)").arg(cycle).arg(sent)));
        }
        std::printf("%d cycles, %d results stored (%d not read) in %.1f s (%.0f results/s)\n", cycles, sent, lost,
                    clock.elapsed() / 1000.0, sent * 1000.0 / std::max<qint64>(clock.elapsed(), 1));

        // 2. A port that cannot be opened.
        QFile::link(tree.PortsFolder() + QStringLiteral("/gone"), tree.PortsFolder() + QStringLiteral("/COM9"));
        window.HBReader->Setcomm(9, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
        int refused = 0;
        for (int i = 0; i < cycles; ++i) {
            try {
                window.btnStartClick(nullptr);
            } catch (const ECommsError &) {
                ++refused;
            }
            window.btnStartClick(nullptr);
        }
        std::printf("%d of %d starts on a missing port refused\n", refused, cycles);
        Report("after the failed starts");

        // 3. Empty cycles.
        window.HBReader->Setcomm(7, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
        for (int i = 0; i < cycles; ++i) {
            window.btnStartClick(nullptr);
            window.btnStartClick(nullptr);
        }
        Report("after the empty cycles");

        // 4. Noise among records, the event loop's longest pause meanwhile. The last transfer
        // of phase 1 ends first: its end switches reading off, whichever session runs by then.
        RunUntil([] { return false; }, 2000);
        // The meter makes the noise piece by piece, so that the peak is the program's own.
        const QByteArray noisePiece(64 * 1024, 'x');
        QByteArray lines;
        while (lines.size() < 64 * 1024)
            lines += QByteArray(62, 'n') + "\r\n";
        const QByteArray bigRecord =
            "2024-03-05 14:10\r\nID: 1\r\nHB: " + QByteArray(100 * 1024, '9') + "\r\nHCT: 40%\r\n\r\n";
        const int firstNoiseRecord = sent + 1;
        sent += 10;
        // The peak from here on (writing 5 to clear_refs resets VmHWM).
        if (QFile clear(QStringLiteral("/proc/self/clear_refs")); clear.open(QIODevice::WriteOnly))
            clear.write("5");
        QElapsedTimer tick;
        qint64 longestPause = 0;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            longestPause = std::max(longestPause, tick.restart());
        });
        window.btnStartClick(nullptr);
        tick.start();
        timer.start();
        clock.restart();
        qint64 noiseBytes = 0;
        std::thread meter([&] {
            bool taken = true;
            for (int i = 0; i < 160 && taken; ++i) // 10 MB without a record end
                taken = line.Send(noisePiece);
            for (int i = 0; i < 16 && taken; ++i) // 1 MB of lines without an empty line
                taken = line.Send(lines);
            taken = taken && line.Send("\r\n");
            for (int i = 0; i < 10 && taken; ++i) // records of 100 KB, each followed by a proper one
                taken = line.Send(bigRecord + Record(firstNoiseRecord + i));
            noiseBytes = 176 * 64 * 1024 + 2 + 10 * (bigRecord.size() + Record(1).size());
            if (!taken)
                std::printf("the program stopped taking the noise\n");
        });
        const bool all = RunUntil([&] { return window.iTotalCount == sent; }, 120000);
        meter.join();
        timer.stop();
        std::printf("%.1f MB of noise with 10 records among it: %s in %.1f s; longest event-loop pause %lld ms\n",
                    noiseBytes / 1048576.0, all ? "all stored" : "RECORDS MISSING", clock.elapsed() / 1000.0,
                    static_cast<long long>(longestPause));
        if (window.lb_StartRead)
            window.btnStartClick(nullptr);
        Report("after the noise");
        stored = window.iTotalCount;
    }
    Report("window closed");

    store::DatabaseConnection connection;
    connection.Open(tree.Database(), store::DatabasePassword());
    store::ResultView view(connection);
    view.Open();
    QSet<QString> ids;
    for (int i = 0; i < view.RecordCount(); ++i)
        ids.insert(view.Text(i, static_cast<int>(store::ResultColumn::fRecID)));
    std::printf("rows stored %d (sent %d), distinct IDs %lld\n", view.RecordCount(), stored,
                static_cast<long long>(ids.size()));
    return view.RecordCount() == stored && ids.size() == stored ? 0 : 1;
}

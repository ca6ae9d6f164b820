// The download as the user meets it: the real main window (offscreen) reads meter-sim's
// records over a pseudo-terminal linked as COM7 in the ports folder, stores them in an empty
// database and shows them in the grid. For each download:
//   - time to store all: from meter-sim's first byte until the last row is stored;
//   - CPU of this process over that time (the window and its threads; meter-sim is another
//     process), in all, per record and as a share of one core;
//   - resident memory before Start and when all are stored;
//   - the longest single GUI event, how late the window's clock ticked, and the GUI thread's
//     time by event and the paints by widget;
//   - at a paced line: the time from the last byte of each record to the first paint of the
//     grid that shows its row (median, 99th percentile, worst).
//
//   download_path_bench                  the four standard downloads, each in a fresh process
//   download_path_bench N BYTE_US        one download of N records, BYTE_US microseconds a byte
//                                        (1042 is the meter's 9600 baud, 0 full speed)
//
// perf record -g <build>/bench/download_path_bench 2000 100 profiles the path.

#include "platform/Messages.h"
#include "program/Application.h"
#include "bench_install.h"
#include "shell/Settings.h"
#include "store/DataModule.h"
#include "support/ChildProcess.h"
#include "ui/TDBGrid.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

double CpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long StatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Times every event the application delivers; paints of the grid mark rows as seen.
class TimedApplication : public Application
{
public:
    using Application::Application;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!measuring)
            return Application::notify(receiver, event);
        const std::int64_t start = NowUs();
        const QEvent::Type type = event->type();
        // Noted first: the receiver may go, and the event with it.
        const char *className = receiver->metaObject()->className();
        const QString paintedName = type == QEvent::Paint ? receiver->objectName() : QString();
        const std::uint32_t message =
            type == platform::MessageEvent::eventType() ? static_cast<platform::MessageEvent *>(event)->message() : 0;
        ++depth_;
        const bool result = Application::notify(receiver, event);
        --depth_;
        const std::int64_t end = NowUs();
        if (type == QEvent::Paint) {
            EventCost &cost = paints[QString::fromLatin1(className) + QLatin1Char(' ') + paintedName];
            ++cost.count;
            cost.us += end - start;
        }
        if (depth_ == 0) {
            QString key = QStringLiteral("%1 to %2").arg(static_cast<int>(type)).arg(QString::fromLatin1(className));
            if (type == platform::MessageEvent::eventType())
                key += QStringLiteral(" message 0x%1").arg(message, 0, 16);
            EventCost &cost = costs[key];
            ++cost.count;
            cost.us += end - start;
        }
        if (end - start > 50000 && longEvents.size() < 8)
            longEvents.push_back(QStringLiteral("%1 ms at %2 s: type %3 to %4 message 0x%5")
                                     .arg((end - start) / 1000.0, 0, 'f', 1)
                                     .arg((start - measuringSinceUs) / 1e6, 0, 'f', 2)
                                     .arg(static_cast<int>(type))
                                     .arg(QString::fromLatin1(className))
                                     .arg(message, 0, 16));
        if (end - start > longestEventUs) {
            longestEventUs = end - start;
            longestEvent = QStringLiteral("%1 to %2").arg(static_cast<int>(type)).arg(
                QString::fromLatin1(className));
        }
        if (type == QEvent::Timer && receiver == clock) {
            if (lastTickUs > 0)
                longestTickGapUs = std::max(longestTickGapUs, start - lastTickUs);
            lastTickUs = start;
        }
        if (type == QEvent::Paint && receiver == gridViewport && onGridPainted)
            onGridPainted(end);
        return result;
    }

    struct EventCost
    {
        int count = 0;
        std::int64_t us = 0;
    };
    // GUI thread time by event and receiver (outermost events only).
    QHash<QString, EventCost> costs;
    QHash<QString, EventCost> paints; // paint events by widget

    bool measuring = false;
    std::int64_t measuringSinceUs = 0;
    QStringList longEvents; // the first events over 50 ms
    QObject *clock = nullptr;
    QObject *gridViewport = nullptr;
    std::function<void(std::int64_t)> onGridPainted;
    std::int64_t longestEventUs = 0;
    QString longestEvent;
    std::int64_t lastTickUs = 0;
    std::int64_t longestTickGapUs = 0;

private:
    int depth_ = 0;
};

// Runs the event loop (sleeping between events) until done() or the timeout; false on timeout.
// done() is asked every checkMs: often enough to time a fast download, seldom enough not to
// weigh on the CPU figure of a slow one.
template <typename Done>
bool RunUntil(Done done, int timeoutMs, int checkMs = 20)
{
    QEventLoop loop;
    QTimer check;
    check.setInterval(checkMs);
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool ok = false;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            ok = true;
        if (ok || Clock::now() > end)
            loop.quit();
    });
    check.start();
    if (!done())
        loop.exec();
    else
        ok = true;
    return ok;
}

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

[[noreturn]] void Fail(const QString &what)
{
    std::fprintf(stderr, "download_path_bench: %s\n", qPrintable(what));
    std::exit(1);
}

int RunOne(int argc, char **argv, int records, long byteUs)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TimedApplication application(argc, argv);
    const BenchInstall tree(7);

    const QStringList recordOptions{QStringLiteral("--count"), QString::number(records)};
    // Where each record's last byte stands in the stream: the line carries it at that many
    // byte times after the first byte.
    const QByteArray stream = RunForOutput(QStringLiteral(KELO_METER_SIM), QStringList{QStringLiteral("--print")} + recordOptions);
    std::vector<qsizetype> recordEnds;
    for (qsizetype at = stream.indexOf("\r\n\r\n"); at >= 0; at = stream.indexOf("\r\n\r\n", at + 4))
        recordEnds.push_back(at + 3);
    if (static_cast<int>(recordEnds.size()) != records)
        Fail(QStringLiteral("meter-sim printed %1 records, not %2").arg(recordEnds.size()).arg(records));

    TDM dm;
    TfrmMain window;
    window.show();
    RunUntil([] { return false; }, 500);

    ChildProcess meter(QStringLiteral(KELO_METER_SIM),
                       QStringList{QStringLiteral("--ports-dir"), tree.PortsFolder(), QStringLiteral("--com"),
                                   QStringLiteral("7"), QStringLiteral("--byte-us"), QString::number(byteUs)}
                           + recordOptions);
    if (meter.waitForLine(QStringLiteral("PORT")).isEmpty())
        Fail(QStringLiteral("meter-sim did not make its port"));
    // The port's link in the ports folder is the cable plugged in: the window plays its arrival
    // signal (300 ms) and searches the port, and the user presses Start after that.
    RunUntil([] { return false; }, 800);
    // The first byte goes out right after meter-sim says SENDING; a thread of its own notes when.
    std::atomic<std::int64_t> sendingUs{0};
    std::thread watcher([&] {
        if (!meter.waitForLine(QStringLiteral("SENDING"), std::chrono::seconds(30)).isEmpty())
            sendingUs = NowUs();
    });

    const int before = window.GridRec->model()->rowCount();
    std::vector<double> latencyMs;
    std::size_t seen = 0;
    application.clock = window.Timer;
    application.gridViewport = window.GridRec->viewport();
    application.onGridPainted = [&](std::int64_t at) {
        const std::int64_t start = sendingUs.load();
        const auto shown = static_cast<std::size_t>(std::max(0, window.GridRec->model()->rowCount() - before));
        for (; seen < shown && seen < recordEnds.size(); ++seen)
            if (byteUs > 0 && start > 0)
                latencyMs.push_back(
                    static_cast<double>(at - (start + static_cast<std::int64_t>(recordEnds[seen]) * byteUs)) / 1000.0);
    };

    const long rssBefore = StatusKb("VmRSS:");
    window.btnStartClick(nullptr);
    if (!RunUntil([&] { return sendingUs.load() > 0; }, 30000))
        Fail(QStringLiteral("meter-sim did not start sending"));
    const double cpuStart = CpuSeconds();
    const double guiCpuStart = CpuSeconds(RUSAGE_THREAD);
    const std::int64_t wallStart = sendingUs.load();
    application.measuringSinceUs = wallStart;
    application.measuring = true;
    const int timeoutMs = 60000 + static_cast<int>(static_cast<std::int64_t>(stream.size()) * byteUs / 1000);
    const bool all = RunUntil([&] { return window.iTotalCount >= records; }, timeoutMs, byteUs >= 500 ? 100 : 10);
    const std::int64_t wallEnd = NowUs();
    const double cpu = CpuSeconds() - cpuStart;
    const double guiCpu = CpuSeconds(RUSAGE_THREAD) - guiCpuStart;
    // Until the grid has painted the last row.
    RunUntil([&] { return seen >= recordEnds.size(); }, 2000);
    application.measuring = false;
    const long rssAfter = StatusKb("VmRSS:");
    watcher.join();

    const double seconds = static_cast<double>(wallEnd - wallStart) / 1e6;
    std::printf("%d records at %ld us/byte: %s in %.2f s (%.0f records/s)\n", records, byteUs,
                all ? "all stored" : "NOT ALL STORED", seconds, window.iTotalCount / std::max(seconds, 1e-6));
    std::printf("  CPU %.3f s = %.1f %% of a core, %.3f ms per record\n", cpu, 100.0 * cpu / std::max(seconds, 1e-6),
                1000.0 * cpu / std::max(window.iTotalCount, 1));
    std::printf("  of which the GUI thread %.3f ms per record, the other threads %.3f ms\n",
                1000.0 * guiCpu / std::max(window.iTotalCount, 1),
                1000.0 * (cpu - guiCpu) / std::max(window.iTotalCount, 1));
    std::printf("  resident %.1f -> %.1f MB (peak %.1f MB)\n", rssBefore / 1024.0, rssAfter / 1024.0,
                StatusKb("VmHWM:") / 1024.0);
    // The clock ticks once a second; a tick later than that waited behind other events.
    std::printf("  longest GUI event %.1f ms (type %s); clock tick late by up to %.0f ms\n",
                application.longestEventUs / 1000.0, qPrintable(application.longestEvent),
                std::max<std::int64_t>(0, application.longestTickGapUs - 1000000) / 1000.0);
    for (const auto *table : {&application.costs, &application.paints}) {
        std::vector<std::pair<std::int64_t, QString>> byCost;
        for (auto it = table->cbegin(); it != table->cend(); ++it)
            byCost.emplace_back(it->us, QStringLiteral("%1 x %2: %3 ms")
                                            .arg(it.key())
                                            .arg(it->count)
                                            .arg(it->us / 1000.0, 0, 'f', 1));
        std::sort(byCost.rbegin(), byCost.rend());
        std::printf(table == &application.costs ? "  GUI thread by event (event type to receiver):\n"
                                                : "  paints by widget:\n");
        for (std::size_t i = 0; i < std::min<std::size_t>(byCost.size(), 6); ++i)
            std::printf("    %s\n", qPrintable(byCost[i].second));
    }
    for (const QString &event : application.longEvents)
        std::printf("    %s\n", qPrintable(event));
    if (!latencyMs.empty()) {
        const auto worst = std::max_element(latencyMs.begin(), latencyMs.end());
        std::printf("  last byte -> row painted: median %.0f ms, 99%% %.0f ms, worst %.0f ms (row %td of %zu)\n",
                    Percentile(latencyMs, 0.5), Percentile(latencyMs, 0.99), *worst,
                    worst - latencyMs.begin() + 1, latencyMs.size());
    }
    else if (byteUs > 0)
        std::printf("  no row was painted\n");
    std::fflush(stdout);

    if (window.lb_StartRead)
        window.btnStartClick(nullptr);
    return all ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3)
        return RunOne(argc, argv, std::max(1, std::atoi(argv[1])), std::max(0L, std::atol(argv[2])));
    // The downloads a clinic meets, each in a process of its own so that memory starts equal.
    const std::pair<int, long> downloads[] = {{300, 1042}, {2000, 100}, {2000, 0}, {20000, 0}};
    int failed = 0;
    for (const auto &[records, byteUs] : downloads) {
        ChildProcess one(QString::fromLocal8Bit(argv[0]), {QString::number(records), QString::number(byteUs)});
        const bool ended = one.waitForFinished(std::chrono::minutes(5));
        const QByteArray out = one.standardOutput();
        std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
        if (!ended || one.exitCode() != 0) {
            const QByteArray err = one.standardError();
            const std::string why = ended ? "exit code " + std::to_string(one.exitCode()) : "did not end";
            std::printf("%d records at %ld us/byte: FAILED (%s)\n%s", records, byteUs, why.c_str(), err.constData());
            ++failed;
        }
        std::fflush(stdout);
    }
    return failed;
}

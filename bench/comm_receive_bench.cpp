// Receive path of the serial component at full speed: 1 MB pushed through a pseudo-terminal
// as fast as the kernel takes it, received through TComm (receive thread, posted chunks,
// OnReceiveData on the event loop). Reports throughput and the CPU time the receive side
// spent (process CPU minus the sending thread's own), for the meter's chunk size of 128 and
// for larger chunks.
//
// Run: build/default/bench/comm_receive_bench [megabytes]

#include "comm/SerialComm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Result
{
    double seconds;
    double receiveCpu;
    long chunks;
    bool intact;
};

Result Run(qsizetype total, std::uint16_t inputLen)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        std::perror("openpty");
        std::exit(1);
    }
    ::close(slave);
    ::fcntl(master, F_SETFL, O_NONBLOCK);

    QTemporaryDir ports;
    QFile::link(QString::fromLocal8Bit(name), ports.filePath(QStringLiteral("COM1")));

    QByteArray data(total, Qt::Uninitialized);
    for (qsizetype i = 0; i < total; ++i)
        data[i] = static_cast<char>('0' + i % 75);

    TComm comm;
    comm.SetPortsFolder(ports.path());
    comm.SetCommPort(1);
    comm.SetInBufferSize(std::max<std::uint16_t>(inputLen, 2048));
    comm.SetInputLen(inputLen);
    qsizetype received = 0;
    long chunks = 0;
    bool intact = true;
    comm.SetOnReceiveData([&](TComm *, const char *buffer, std::uint16_t length) {
        if (std::memcmp(buffer, data.constData() + received, length) != 0)
            intact = false;
        received += length;
        ++chunks;
    });
    comm.StartComm();

    std::atomic<double> senderCpu{0};
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    std::thread sender([&] {
        const double start = ThreadCpuSeconds();
        qsizetype sent = 0;
        while (sent < total) {
            const ssize_t n = ::write(master, data.constData() + sent, static_cast<size_t>(std::min<qsizetype>(total - sent, 65536)));
            if (n > 0) {
                sent += n;
            } else {
                // The pseudo-terminal's wake-up for room can come late; a short poll keeps the
                // sender from dominating the figures.
                pollfd p{master, POLLOUT, 0};
                ::poll(&p, 1, 1);
            }
        }
        senderCpu = ThreadCpuSeconds() - start;
    });
    while (received < total)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    sender.join();
    const double receiveCpu = ProcessCpuSeconds() - cpuBefore - senderCpu.load();
    comm.StopComm();
    ::close(master);
    return {seconds, receiveCpu, chunks, intact && received == total};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long megabytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 1;
    const qsizetype total = static_cast<qsizetype>(megabytes) * 1024 * 1024;
    constexpr int kRuns = 5;
    std::printf("%ld MB through a pseudo-terminal at full speed, median of %d runs\n", megabytes, kRuns);
    std::printf("%-10s %10s %10s %10s %14s %16s %8s\n", "InputLen", "chunks", "seconds", "MB/s", "receive CPU s",
                "CPU us/chunk", "intact");
    for (const std::uint16_t inputLen : {std::uint16_t(128), std::uint16_t(1024), std::uint16_t(4096)}) {
        std::vector<Result> results;
        for (int i = 0; i < kRuns; ++i)
            results.push_back(Run(total, inputLen));
        std::sort(results.begin(), results.end(), [](const Result &a, const Result &b) { return a.seconds < b.seconds; });
        const Result &r = results[kRuns / 2];
        const bool intact = std::all_of(results.begin(), results.end(), [](const Result &x) { return x.intact; });
        std::printf("%-10u %10ld %10.3f %10.1f %14.3f %16.1f %8s\n", inputLen, r.chunks, r.seconds,
                    static_cast<double>(total) / (1024.0 * 1024.0) / r.seconds, r.receiveCpu,
                    r.receiveCpu * 1e6 / static_cast<double>(r.chunks), intact ? "yes" : "NO");
    }
    return 0;
}

// Latency from the last byte of a record on the line to its WM_RECORDS_READY on the GUI
// thread, through a real pseudo-terminal, the serial component, the framing and the worker;
// and the delay from the last byte of a transfer to its end message.
//
//   meter_latency_bench [records]      (default 40 per mode)
//
// Records are written to the pty's meter end either at once or at the pace of 9600 baud
// (10 bits a byte). The serial component completes a read after 100 ms without a byte, so
// a record that does not fill a 128-byte read waits that long by design.
#include "meter/HBMeter.h"
#include "meter/MeterMessages.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

QByteArray Record(int i)
{
    QByteArray text = QStringLiteral("2024-03-%1 10:%2:05\r\nID:%3\r\nHB:  13.%4 g/dL\r\nHCT:  39.%5 %\r\n")
                          .arg(1 + i % 28, 2, 10, QChar(u'0'))
                          .arg(i % 60, 2, 10, QChar(u'0'))
                          .arg(i % 10000, 4, 10, QChar(u'0'))
                          .arg(i % 10)
                          .arg(i % 10)
                          .toLatin1();
    while (text.size() < 78)
        text.insert(text.size() - 2, ' ');
    return text + "\r\n";
}

bool WriteAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writes bytes at the given baud rate (0: at once); returns when the last byte is written.
bool WritePaced(int fd, const QByteArray &bytes, int baud)
{
    if (baud == 0)
        return WriteAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const auto start = Clock::now();
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(at * 10'000'000LL / baud));
        if (!WriteAll(fd, bytes.constData() + at, 1))
            return false;
    }
    return true;
}

bool WaitFor(const std::function<bool()> &condition, std::chrono::seconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

void Report(const char *what, std::vector<double> ms)
{
    if (ms.empty()) {
        std::printf("%-34s no samples\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    std::printf("%-34s n=%3zu  min %7.1f  median %7.1f  p90 %7.1f  max %7.1f ms\n", what, ms.size(), ms.front(),
                at(0.5), at(0.9), ms.back());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    QTemporaryDir ports;
    if (!QFile::link(QString::fromLocal8Bit(name), ports.filePath(QStringLiteral("COM5")))) {
        std::fprintf(stderr, "cannot link the pty into %s\n", qPrintable(ports.path()));
        return 1;
    }

    int ready = 0;
    int ends = 0;
    Clock::time_point lastReady;
    Clock::time_point lastEnd;
    platform::MessageWindow window([&](const platform::MessageEvent &e) {
        if (e.message() == WM_RECORDS_READY) {
            ++ready;
            lastReady = Clock::now();
        } else if (e.message() == WM_TRANSFER_STATE && e.wParam() == 1) {
            ++ends;
            lastEnd = Clock::now();
        }
    });

    CHBMeter meter;
    meter.Comm()->SetPortsFolder(ports.path());
    meter.Setcomm(5, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    meter.SetPHwnd(window.handle());
    // Time stamp each received chunk on its way into the reader's framing.
    Clock::time_point lastChunk;
    const TReceiveDataEvent framing = meter.Comm()->OnReceiveData();
    meter.Comm()->SetOnReceiveData([&](TComm *sender, const char *buffer, std::uint16_t length) {
        lastChunk = Clock::now();
        framing(sender, buffer, length);
    });
    try {
        meter.SetStart(true);
    } catch (const ECommsError &error) {
        std::fprintf(stderr, "cannot open the pty: %s\n", qPrintable(error.message()));
        return 1;
    }

    std::printf("records of %lld bytes; 9600 baud carries %.1f of them a second\n",
                static_cast<long long>(Record(0).size()), 960.0 / Record(0).size());
    for (const int baud : {0, 9600}) {
        std::vector<double> latency;
        std::vector<double> inReader;
        Clock::time_point lastByte;
        for (int i = 0; i < records; ++i) {
            const int before = ready;
            const QByteArray bytes = Record(i);
            std::thread writer([&] { WritePaced(master, bytes, baud); lastByte = Clock::now(); });
            writer.join();
            if (!WaitFor([&] { return ready > before; }, std::chrono::seconds(10))) {
                std::fprintf(stderr, "record %d never arrived\n", i);
                return 1;
            }
            latency.push_back(std::chrono::duration<double, std::milli>(lastReady - lastByte).count());
            inReader.push_back(std::chrono::duration<double, std::milli>(lastReady - lastChunk).count());
        }
        const int endsBefore = ends;
        if (!WaitFor([&] { return ends > endsBefore; }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "the transfer never ended\n");
            return 1;
        }
        Report(baud == 0 ? "last byte -> RECORDS_READY, burst" : "last byte -> RECORDS_READY, 9600", latency);
        Report("  of which chunk -> RECORDS_READY", inReader);
        Report("last byte -> end of transfer",
               {std::chrono::duration<double, std::milli>(lastEnd - lastByte).count()});
    }
    meter.SetStart(false);
    ::close(slave);
    ::close(master);
    return 0;
}

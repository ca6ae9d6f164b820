// Device changes as the user feels them, on the real main window:
//   1. the CPU the device-change monitor (and its ports-folder watch) takes while nothing
//      happens, alone and in the idle window: should be none;
//   2. the time from a link appearing in the ports folder to its port saved in HBAPP.INI,
//      the meter's cable (an emulated CP2102 bridge) behind the link: the rising signal
//      (2 x 150 ms) is part of it, as the user waits for it too;
//   3. the longest pause of the window's event loop while a device-change signal plays.
//
//   device_change_bench [idle seconds]     (default 5)
//
// The emulated bridge needs umockdev: the program runs itself again under umockdev-wrapper
// when it is not in a mock environment. Under umockdev ALSA's search of the sound cards
// overruns the emulation's table of files, so the tones go to ALSA's null output (it takes the
// samples at once and the tone's time passes as it would on a card) unless ALSA_CONFIG_PATH
// names a configuration already.

#include "shell/Settings.h"
#include "platform/DeviceChange.h"
#include "platform/Messages.h"
#include "store/DataModule.h"
#include "support/install/InstallTree.h"
#include "support/install/ProgramFolders.h"
#include "support/umockdev/Testbed.h"
#include "ui/TfrmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double CpuMilliseconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// Runs the event loop, sleeping while nothing happens, for the given time.
void RunEventsFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() or timeoutMs; the time taken, -1 on timeout.
template <typename Done>
qint64 TimeUntil(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return clock.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    if (!qgetenv("LD_PRELOAD").contains("umockdev")) {
        std::vector<char *> arguments{const_cast<char *>("umockdev-wrapper")};
        arguments.insert(arguments.end(), argv, argv + argc);
        arguments.push_back(nullptr);
        ::execvp("umockdev-wrapper", arguments.data());
        std::perror("device_change_bench: umockdev-wrapper");
        return 1;
    }
    QTemporaryDir sound;
    if (!qEnvironmentVariableIsSet("ALSA_CONFIG_PATH")) {
        QFile config(sound.filePath(QStringLiteral("asound.conf")));
        if (config.open(QIODevice::WriteOnly))
            config.write("pcm.!default { type null }\n");
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config.fileName()));
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    // The testbed before the window: the window's device monitor must find it. The bridge is
    // there from the start; its plug is not part of the figures.
    Testbed testbed;
    testbed.AddFromFile(QStringLiteral(KELO_SOURCE_DIR "/tests/ui/devices/fixtures/meter-cable.umockdev"));

    QTemporaryDir root;
    const testsupport::InstallTree tree(root.path(), {QStringLiteral("-"), {}});
    QDir().mkpath(root.filePath(QStringLiteral("appdata/KELODATA")));
    const testsupport::ProgramFolders folders(root, 1033);
    LoadSettings();

    // 1a. The monitor alone.
    {
        platform::MessageWindow receiver([](const platform::MessageEvent &) {});
        const auto monitor = platform::DeviceChangeMonitor::Start(receiver.handle(), tree.PortsFolder());
        const double before = CpuMilliseconds();
        RunEventsFor(idleSeconds * 1000);
        const double used = CpuMilliseconds() - before;
        std::printf("idle CPU of the device-change monitor alone: %.1f ms in %d s\n", used, idleSeconds);
    }

    TDM dm;
    TfrmMain window;
    window.show();
    RunEventsFor(500);

    // 1b. The whole window idle (its clock ticks once a second).
    const double cpuBefore = CpuMilliseconds();
    RunEventsFor(idleSeconds * 1000);
    const double idleCpu = CpuMilliseconds() - cpuBefore;
    std::printf("idle CPU of the window with the monitor running: %.1f ms in %d s (%.3f%%)\n", idleCpu, idleSeconds,
                idleCpu / (idleSeconds * 10.0));

    // 2. Link to the port saved.
    std::vector<qint64> toSaved;
    for (int run = 0; run < 5; ++run) {
        const int port = 20 + run;
        const QString link = tree.PortsFolder() + QStringLiteral("/COM%1").arg(port);
        QFile::link(QStringLiteral("/dev/ttyUSB0"), link);
        toSaved.push_back(TimeUntil([&] { return GlobalOption.MeterSet.CommPort == port; }, 10000));
        QFile::remove(link);
        TimeUntil([] { return false; }, 600);   // the removal's signal
    }
    std::sort(toSaved.begin(), toSaved.end());
    std::printf("link made -> port saved (5 runs): min %lld ms, median %lld ms, max %lld ms\n",
                static_cast<long long>(toSaved.front()), static_cast<long long>(toSaved[2]),
                static_cast<long long>(toSaved.back()));

    // 3. The event loop's longest pause around one signal.
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start();
    RunEventsFor(200);
    longestGap = 0;
    QElapsedTimer signalClock;
    signalClock.start();
    window.PlayDeviceTone(0);
    const qint64 signalTime = signalClock.elapsed();
    RunEventsFor(200);
    std::printf("rising signal: %lld ms; longest event-loop pause: %lld ms\n", static_cast<long long>(signalTime),
                static_cast<long long>(longestGap));
    return 0;
}

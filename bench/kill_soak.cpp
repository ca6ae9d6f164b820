// The kill loop's long run, by hand: the real program downloading from the meter simulator,
// killed with SIGKILL at random moments and started again, its database checked after every
// kill (see tests/support/killloop/KillLoop.h). Prints one line per kill and a summary; exit
// status 1 when a check failed.
//
//   kill_soak [--kills 1000] [--records 30] [--byte-us 300] [--seed 1] [--quiet]
#include "support/killloop/KillLoop.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kills the program at random moments of its downloads."));
    parser.addHelpOption();
    const QCommandLineOption kills(QStringLiteral("kills"), QStringLiteral("Kills (default 1000)."), QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption records(QStringLiteral("records"), QStringLiteral("Results per transfer (default 30)."), QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption pace(QStringLiteral("byte-us"), QStringLiteral("Simulator microseconds per byte (default 300)."), QStringLiteral("us"), QStringLiteral("300"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed (default 1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("No line per kill."));
    parser.addOptions({kills, records, pace, seed, quiet});
    parser.process(app);

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "kill_soak: no temporary folder\n");
        return 2;
    }
    testsupport::KillLoopOptions options;
    options.folder = folder.path();
    options.program = QStringLiteral(KELO_PRESS_START);
    options.meterSim = QStringLiteral(KELO_METER_SIM);
    options.kills = parser.value(kills).toInt();
    options.records = parser.value(records).toInt();
    options.byteMicroseconds = parser.value(pace).toLong();
    options.seed = parser.value(seed).toUInt();
    if (!parser.isSet(quiet)) {
        options.progress = [](const QString &line) {
            std::printf("%s\n", qPrintable(line));
            std::fflush(stdout);
        };
    }
    const testsupport::KillLoopReport report = testsupport::RunKillLoop(options);
    std::printf("%s", qPrintable(report.Summary()));
    return report.failures.isEmpty() ? 0 : 1;
}

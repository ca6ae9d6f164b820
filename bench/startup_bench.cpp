// Start-up: the time from launching the program to its main window answering, with an empty
// database and with 100,000 stored results. The real program (<build>/bin/KELO_HB_METER) runs
// from an install tree of its own under $KELO_BENCH_DIR (default: the temporary folder) with
// the offscreen platform. "Answering" is the running window replying through its title beacon,
// which it does from its event loop: the window is made, the grid filled and shown, and the
// loop is running. Each run ends the program with SIGTERM (not timed).

#include "program/RemoteWindow.h"
#include "bench_database.h"
#include "support/install/InstallTree.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <csignal>
#include <exception>
#include <cstdio>
#include <sys/stat.h>

namespace {

const QString kTitle = QStringLiteral("Pellion Hb Hemoglobin Data Transfer Software");

QTemporaryDir &Folder()
{
    static QTemporaryDir folder(BenchFolder() + QStringLiteral("/kelo-startup-bench-XXXXXX"));
    return folder;
}

QString ProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/KELO_HB_METER");
}

// An install tree with the program, the settings and a copy of the database to start with.
struct Tree
{
    QString root;
    QString runtime;
    QString home;
};

bool LayDown(const Tree &tree, const QString &database)
{
    QDir().mkpath(tree.home);
    QDir().mkpath(tree.runtime);
    ::chmod(QFile::encodeName(tree.runtime).constData(), 0700);
    try {
        const testsupport::InstallTree installed(
            tree.root, {ProgramPath(), "[APPEARANCE]\r\nTitle=" + kTitle.toUtf8() + "\r\n[LANGUAGE]\r\nLanguageID=1033\r\n"});
        QFile::remove(installed.Database());
        return QFile::copy(database, installed.Database());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return false;
    }
}

void BM_StartToAnsweringWindow(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    if (!QFile::exists(ProgramPath())) {
        state.SkipWithError("the program is not built");
        return;
    }
    const QString database = DatabaseWithRows(Folder(), rows);
    const Tree tree{Folder().filePath(QStringLiteral("root-%1").arg(rows)), Folder().filePath(QStringLiteral("run")),
                    Folder().filePath(QStringLiteral("home"))};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), tree.home);
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), tree.runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    for (auto _ : state) {
        state.PauseTiming();
        if (!LayDown(tree, database)) {
            state.SkipWithError("cannot lay down the install tree");
            return;
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        state.ResumeTiming();

        program.start(tree.root + QStringLiteral("/bin/KELO_HB_METER"), {});
        bool answered = false;
        const QDeadlineTimer deadline(120000);
        while (!answered && !deadline.hasExpired() && program.state() != QProcess::NotRunning) {
            if (auto window = RemoteWindow::Find(kTitle, tree.runtime, 1000))
                answered = window->SetForeground();   // confirmed from the running loop
            else
                QThread::msleep(2);
        }

        state.PauseTiming();
        if (program.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
            if (!program.waitForFinished(30000))
                program.kill();
        }
        program.waitForFinished(5000);
        if (!answered) {
            state.SkipWithError("the program's window never answered");
            return;
        }
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_StartToAnsweringWindow)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}

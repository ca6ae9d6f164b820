// Result store: open plus full load of the result view for 10,000, 100,000 and 1,000,000
// stored rows (time and peak resident memory), and the time of a one-row batch write with its
// fsync. Files are made in $KELO_BENCH_DIR (default: the system's temporary folder), on the
// disk under test.
//
// Counters: rows, view_MB (what the row copy holds), peak_rss_MB (the process's peak resident
// set during the open and load, reset before each run), rss_growth_MB (peak minus the
// resident set before the open).

#include "bench_database.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "store/Statement.h"
#include "store/Transaction.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

QTemporaryDir &Folder()
{
    static QTemporaryDir folder(BenchFolder() + QStringLiteral("/kelo-store-bench-XXXXXX"));
    return folder;
}

// VmRSS or VmHWM of this process, in kB.
long StatusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    }
    return 0;
}

// Lets VmHWM start again from the current resident set.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_OpenAndLoadView(benchmark::State &state)
{
    const int count = static_cast<int>(state.range(0));
    const QString path = DatabaseWithRows(Folder(), count);
    double viewBytes = 0;
    long peakKb = 0;
    long growthKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const long before = StatusKb("VmRSS");
        ResetPeak();
        state.ResumeTiming();

        store::DatabaseConnection connection;
        connection.Open(path, store::DatabasePassword());
        store::ResultView view(connection);
        view.Open();
        view.SetSort(QStringLiteral("FID"));
        benchmark::DoNotOptimize(view.Text(view.RecordCount() - 1, static_cast<int>(store::ResultColumn::fRecID)));

        state.PauseTiming();
        if (view.RecordCount() != count)
            state.SkipWithError("row count differs");
        viewBytes = static_cast<double>(view.MemoryBytes());
        peakKb = std::max(peakKb, StatusKb("VmHWM"));
        growthKb = std::max(growthKb, StatusKb("VmHWM") - before);
        state.ResumeTiming();
    }
    state.counters["rows"] = count;
    state.counters["view_MB"] = viewBytes / 1e6;
    state.counters["peak_rss_MB"] = peakKb / 1e3;
    state.counters["rss_growth_MB"] = growthKb / 1e3;
}
BENCHMARK(BM_OpenAndLoadView)->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Appends one row and writes it: one transaction, one commit, its fsync.
void BM_OneRowUpdateBatch(benchmark::State &state)
{
    const QString path = Folder().filePath(QStringLiteral("batch.dat"));
    QFile::remove(path);
    store::CreateResultDatabase(path);
    store::DatabaseConnection connection;
    connection.Open(path, store::DatabasePassword());
    store::ResultView view(connection);
    view.Open();
    view.SetSort(QStringLiteral("FID"));
    int n = 0;
    for (auto _ : state) {
        view.Append();
        view.SetFieldValue(store::ResultColumn::fRecID, QString::number(++n));
        view.SetFieldValue(store::ResultColumn::fHB, QStringLiteral("14.2"));
        view.SetFieldValue(store::ResultColumn::fHB_Unit, QStringLiteral("g/dL"));
        view.SetFieldValue(store::ResultColumn::fTransferTime, 45000.0 + n);
        view.Post();
        view.UpdateBatch();
    }
    state.counters["rows"] = view.RecordCount();
}
BENCHMARK(BM_OneRowUpdateBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();

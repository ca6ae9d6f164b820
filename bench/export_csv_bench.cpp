// CSV export of 65,535 results (five text columns): time per export, the file's size, and how
// far the resident memory rises above what it was before the export.

#include "export_bench_source.h"

#include "export/CsvExport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

static void CsvExport65535Rows(benchmark::State &state)
{
    constexpr int kRows = 65535;
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.csv");
    GeneratedResults results(kRows);
    const QStringList header = {"Test Number", "Date", "Time", "Hemoglobin(g/dL)", "Hematocrit(%)"};
    long growth = 0;
    for (auto _ : state) {
        const long before = CurrentMemoryKiB();
        ResetPeakMemory();
        ExportToCsvFile(results, path, header, u',');
        growth = std::max(growth, PeakMemoryKiB() - before);
    }
    state.counters["file_bytes"] = double(QFileInfo(path).size());
    state.counters["peak_rss_growth_KiB"] = double(growth);
    state.counters["rows_per_s"] =
        benchmark::Counter(double(kRows) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(CsvExport65535Rows)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

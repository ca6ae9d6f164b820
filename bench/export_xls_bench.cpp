// .xls export of a full sheet (65,535 results, five text columns): time per export, the file's
// size, and how far the resident memory rises above what it was before the export.

#include "export_bench_source.h"

#include "export/ExportFile.h"
#include "export/TDBGridExportAsXLS.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

static void XlsExportFullSheet(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.xls");
    GeneratedResults results(kMaxXlsRecords);
    long growth = 0;
    for (auto _ : state) {
        const long before = CurrentMemoryKiB();
        ResetPeakMemory();
        ExportGridToFile(&TDBGridExportAsXLS::Create, results, path, true);
        growth = std::max(growth, PeakMemoryKiB() - before);
    }
    state.counters["file_bytes"] = double(QFileInfo(path).size());
    state.counters["rows"] = kMaxXlsRecords;
    state.counters["peak_rss_growth_KiB"] = double(growth);
    state.counters["rows_per_s"] = benchmark::Counter(double(kMaxXlsRecords) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(XlsExportFullSheet)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

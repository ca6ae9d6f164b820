// Framing plus parsing throughput of meter text, in records per second, against the line
// rate of the meter: 9600 baud is 960 bytes a second, about 12 records of 80 bytes.
//
//   FrameAndParse/<chunk>   the framing and parsing functions alone, text fed in chunks of
//                           <chunk> bytes (128 is what the port delivers)
//   ReaderPipeline          the whole reader without a port: CommReceiveData in 128-byte
//                           chunks on this thread, the worker parsing and posting meanwhile
#include "meter/HBMeter.h"
#include "meter/RecordFormat.h"
#include "platform/CodePage.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <thread>

namespace {

// An 80-byte record of the meter's shape (five lines with the closing empty line).
QByteArray Record(int i)
{
    QByteArray text = QStringLiteral("2024-%1-%2 %3:%4:05\r\nID:%5\r\nHB:  %6.%7 g/dL\r\nHCT:  %8.%9 %--\r\n")
                          .arg(1 + i % 12, 2, 10, QChar(u'0'))
                          .arg(1 + i % 28, 2, 10, QChar(u'0'))
                          .arg(i % 24, 2, 10, QChar(u'0'))
                          .arg(i % 60, 2, 10, QChar(u'0'))
                          .arg(i % 10000, 4, 10, QChar(u'0'))
                          .arg(10 + i % 8)
                          .arg(i % 10)
                          .arg(30 + i % 20)
                          .arg(i % 10)
                          .toLatin1();
    while (text.size() < 78)
        text.insert(text.size() - 2, ' ');
    return text + "\r\n";
}

QByteArray Stream(int records)
{
    QByteArray out;
    for (int i = 0; i < records; ++i)
        out += Record(i);
    return out;
}

void FrameAndParse(benchmark::State &state)
{
    constexpr int kRecords = 1000;
    const QByteArray stream = Stream(kRecords);
    const qsizetype chunk = state.range(0);
    for (auto _ : state) {
        QString pending;
        TBufQuery raw;
        TMeterRecordQuery parsed;
        for (qsizetype at = 0; at < stream.size(); at += chunk) {
            const qsizetype n = std::min(chunk, stream.size() - at);
            FrameReceivedText(pending, platform::FromAnsi(QByteArrayView(stream.constData() + at, n), 1252), raw);
            QString record;
            while (raw.Pop(record))
                ParseRecordText(record, parsed);
        }
        if (parsed.Count() != kRecords)
            state.SkipWithError("records lost");
        benchmark::DoNotOptimize(parsed.Count());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FrameAndParse)->Arg(16)->Arg(128)->Arg(4096)->Unit(benchmark::kMicrosecond);

void ReaderPipeline(benchmark::State &state)
{
    constexpr int kRecords = 2000;
    const QByteArray stream = Stream(kRecords);
    CHBMeter meter;   // no window: the worker's posts are refused and ignored
    for (auto _ : state) {
        const std::int32_t target = meter.RecordCount() + kRecords;
        for (qsizetype at = 0; at < stream.size(); at += 128) {
            const qsizetype n = std::min<qsizetype>(128, stream.size() - at);
            meter.CommReceiveData(meter.Comm(), stream.constData() + at, static_cast<std::uint16_t>(n));
        }
        while (meter.RecordCount() < target)
            std::this_thread::yield();
        state.PauseTiming();
        meter.MeterData->Empty();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(ReaderPipeline)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

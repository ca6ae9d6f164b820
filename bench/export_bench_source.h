#pragma once
// A result table of n rows whose texts are made on demand, so that the export benchmarks
// measure the writers and not a table held in memory. Shared by the export benchmarks.

#include "export/ExportSource.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <vector>

class GeneratedResults : public ExportSource
{
public:
    explicit GeneratedResults(int rows) : rows_(rows) {}

    std::vector<ExportColumn> Columns() const override
    {
        return {{"Test Number", "fRecID"}, {"Date", "fDate_C"}, {"Time", "fTime_C"},
                {"Hemoglobin(g/dL)", "fHB_C"}, {"Hematocrit(%)", "fHCT_C"}};
    }
    bool ShowsTitleRow() const override { return true; }
    int FooterRowCount() const override { return 0; }
    void SuspendDisplayUpdates() override {}
    void ResumeDisplayUpdates() override {}
    Bookmark CurrentPosition() const override { return current_; }
    void MoveTo(const Bookmark &position) override { current_ = position.toInt(); }
    void SortByStorageOrder() override {}
    int RecordCount() const override { return rows_; }
    bool NumbersRecordsSequentially() const override { return true; }
    int RecordNumber() const override { return current_ + 1; }
    void First() override { current_ = 0; }
    void Next() override { ++current_; }
    bool AtEnd() const override { return current_ >= rows_; }
    std::vector<Bookmark> SelectedRows() const override { return {}; }
    QString DisplayText(int column) const override
    {
        const int i = current_ + 1;
        switch (column) {
        case 0: return QStringLiteral("%1").arg(i, 4, 10, QChar('0'));
        case 1: return QStringLiteral("2026/%1/%2").arg(1 + i % 12, 2, 10, QChar('0')).arg(1 + i % 28, 2, 10, QChar('0'));
        case 2: return QStringLiteral("%1:%2").arg(i % 24, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
        case 3: return QStringLiteral("%1.%2").arg(8 + i % 12).arg(i % 10);
        default: return QString::number(25 + i % 40);
        }
    }
    bool IsNull(int) const override { return false; }
    std::int32_t IntegerValue(int) const override { return 0; }
    double FloatValue(int) const override { return 0; }

private:
    int rows_;
    int current_ = 0;
};

// Peak resident memory since the last ResetPeakMemory(), in KiB (0 where /proc lacks it).
inline void ResetPeakMemory()
{
    if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

inline long StatusKiB(const char *key)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

inline long PeakMemoryKiB() { return StatusKiB("VmHWM:"); }
inline long CurrentMemoryKiB() { return StatusKiB("VmRSS:"); }

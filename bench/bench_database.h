#pragma once
// Helpers shared by the benchmarks that need stored results: the folder they work in and a
// result database filled with synthetic rows like those a meter sends.

#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "store/Statement.h"
#include "store/Transaction.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

// $KELO_BENCH_DIR, or the system's temporary folder when it is not set.
inline QString BenchFolder()
{
    const QByteArray configured = qgetenv("KELO_BENCH_DIR");
    return configured.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(configured);
}

// Makes a new result database at path holding count results, written in one transaction.
inline void WriteResultDatabase(const QString &path, int count)
{
    QFile::remove(path);
    store::CreateResultDatabase(path);
    store::DatabaseConnection connection;
    connection.Open(path, store::DatabasePassword());
    store::Transaction transaction(connection);
    store::Statement insert(connection, QStringLiteral(
        "INSERT INTO result_log (fDateTime, fDateTime_Txt, fRecID, fHB_Txt, fHB_Unit, fHB_Flag,"
        " fHCT_Txt, fHCT_Unit, fHCT_Flag, fTransferTime, fHB, fHCT)"
        " VALUES (?, ?, ?, ?, 'g/dL', '', ?, '%', '', ?, ?, ?)"));
    char buffer[64];
    for (int i = 0; i < count; ++i) {
        const int hb = 80 + i % 120;
        insert.BindDouble(1, 45000.0 + i / 500.0);
        std::snprintf(buffer, sizeof buffer, "2024-%02d-%02d %02d:%02d", 1 + i % 12, 1 + i % 28, i % 24, i % 60);
        insert.BindUtf8(2, buffer);
        std::snprintf(buffer, sizeof buffer, "%d", i % 10000);
        insert.BindUtf8(3, buffer);
        std::snprintf(buffer, sizeof buffer, "HB: %d.%d g/dL", hb / 10, hb % 10);
        insert.BindUtf8(4, buffer);
        std::snprintf(buffer, sizeof buffer, "HCT: %d %%", hb * 3 / 10);
        insert.BindUtf8(5, buffer);
        insert.BindDouble(6, 45100.0 + i / 100.0);
        std::snprintf(buffer, sizeof buffer, "%d.%d", hb / 10, hb % 10);
        insert.BindUtf8(7, buffer);
        std::snprintf(buffer, sizeof buffer, "%d", hb * 3 / 10);
        insert.BindUtf8(8, buffer);
        insert.Step();
        insert.Reset();
    }
    transaction.Commit();
    connection.Close();
}

// A database in folder with count results, made once per size and then reused.
inline QString DatabaseWithRows(const QTemporaryDir &folder, int count)
{
    static std::map<int, QString> made;
    if (auto it = made.find(count); it != made.end())
        return it->second;
    const QString path = folder.filePath(QStringLiteral("rows-%1.dat").arg(count));
    WriteResultDatabase(path, count);
    made[count] = path;
    return path;
}

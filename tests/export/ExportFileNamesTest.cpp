#include "export/ExportFileNames.h"

#include <gtest/gtest.h>

TEST(ExportFileNames, DefaultNamesCarryTheLocalDateAndTime)
{
    const QDateTime afternoon(QDate(2026, 12, 8), QTime(14, 5, 9));
    EXPECT_EQ(CsvDefaultFileName(afternoon), "KELOHB_2026_12_08_14_05_09");
    EXPECT_EQ(XlsDefaultFileName(afternoon), "KELOHB2026-12-08 14_05_09.xls");

    const QDateTime midnight(QDate(2027, 1, 2), QTime(0, 0, 0));
    EXPECT_EQ(CsvDefaultFileName(midnight), "KELOHB_2027_01_02_00_00_00");
    EXPECT_EQ(XlsDefaultFileName(midnight), "KELOHB2027-01-02 00_00_00.xls");
}

TEST(ExportFileNames, TheExtensionIsAppendedUnlessTheNameEndsInItInAnyCase)
{
    EXPECT_EQ(WithCsvExtension("/tmp/results"), "/tmp/results.csv");
    EXPECT_EQ(WithCsvExtension("/tmp/results.csv"), "/tmp/results.csv");
    EXPECT_EQ(WithCsvExtension("/tmp/results.CSV"), "/tmp/results.CSV");
    EXPECT_EQ(WithCsvExtension("/tmp/results.cSv"), "/tmp/results.cSv");
    EXPECT_EQ(WithCsvExtension("/tmp/results.txt"), "/tmp/results.txt.csv");
    EXPECT_EQ(WithCsvExtension("/tmp/results.csvx"), "/tmp/results.csvx.csv");
    EXPECT_EQ(WithCsvExtension("/tmp/resultscsv"), "/tmp/resultscsv.csv");
    EXPECT_EQ(WithCsvExtension(".csv"), ".csv");
    EXPECT_EQ(WithCsvExtension("sv"), "sv.csv");

    EXPECT_EQ(WithXlsExtension("/tmp/KELOHB2026-12-08 14_05_09.xls"), "/tmp/KELOHB2026-12-08 14_05_09.xls");
    EXPECT_EQ(WithXlsExtension("/tmp/book.XLS"), "/tmp/book.XLS");
    EXPECT_EQ(WithXlsExtension("/tmp/book.xlsx"), "/tmp/book.xlsx.xls");
    EXPECT_EQ(WithXlsExtension("/tmp/book.csv"), "/tmp/book.csv.xls");
}

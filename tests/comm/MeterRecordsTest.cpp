// The simulator's record texts: the test data every serial and protocol test leans on.

#include "MeterRecords.h"

#include <QList>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QList<QByteArray> Records(const QByteArray &stream)
{
    // Framed the way the receiving side does it: "\r\n" pairs before a record are skipped.
    QList<QByteArray> records;
    qsizetype start = 0;
    for (;;) {
        while (stream.mid(start, 2) == "\r\n")
            start += 2;
        const qsizetype end = stream.indexOf("\r\n\r\n", start);
        if (end < 0)
            break;
        records.append(stream.mid(start, end - start));
        start = end + 4;
    }
    EXPECT_EQ(start, stream.size()) << "text after the last record";
    return records;
}

} // namespace

TEST(GenerateRecords, SameSeedSameStreamAndWellFormedRecords)
{
    GeneratorOptions options;
    options.count = 200;
    options.seed = 42;
    options.units = {QStringLiteral("g/dL"), QStringLiteral("mmol/L"), QStringLiteral("g/L")};
    options.secondHctRate = 0.5;
    options.flagRate = 0.5;
    options.from = QDate(2023, 2, 1);
    options.to = QDate(2023, 2, 28);
    const QByteArray stream = GenerateRecords(options);
    EXPECT_EQ(stream, GenerateRecords(options));
    options.seed = 43;
    EXPECT_NE(stream, GenerateRecords(options));

    const QRegularExpression line1(QStringLiteral("^2023-02-(0[1-9]|1[0-9]|2[0-8]) ([01][0-9]|2[0-3]):[0-5][0-9]$"));
    const QRegularExpression hb(QStringLiteral("^HB: (H|L|<|>)?[0-9]+(\\.[0-9])?(g/dL|mmol/L|g/L)$"));
    const QRegularExpression hct(QStringLiteral("^HCT: (H|L|<|>)?[0-9]+%$"));
    const QList<QByteArray> records = Records(stream);
    ASSERT_EQ(records.size(), 200);
    QByteArray previousDate;
    int withSecondHct = 0;
    for (int i = 0; i < records.size(); ++i) {
        const QList<QByteArray> lines = records[i].split('\n');
        ASSERT_TRUE(lines.size() == 4 || lines.size() == 5) << records[i].toStdString();
        QStringList text;
        for (const QByteArray &l : lines)
            text << QString::fromLatin1(l).remove(QLatin1Char('\r'));
        EXPECT_TRUE(line1.match(text[0]).hasMatch()) << text[0].toStdString();
        EXPECT_EQ(text[1], QStringLiteral("ID: %1").arg(i + 1, 4, 10, QLatin1Char('0')));
        EXPECT_TRUE(hb.match(text[2]).hasMatch()) << text[2].toStdString();
        EXPECT_TRUE(hct.match(text[3]).hasMatch()) << text[3].toStdString();
        if (lines.size() == 5) {
            ++withSecondHct;
            EXPECT_TRUE(hct.match(text[4]).hasMatch()) << text[4].toStdString();
        }
        const QByteArray date = lines[0].left(10);
        EXPECT_LE(previousDate, date);
        previousDate = date;
    }
    EXPECT_GT(withSecondHct, 50);
    EXPECT_LT(withSecondHct, 150);
}

TEST(GenerateRecords, MalformedRecordsAreMixedIn)
{
    GeneratorOptions options;
    options.count = 20;
    options.malformed = 30;
    options.flagRate = 0;
    const QByteArray stream = GenerateRecords(options);
    const QList<QByteArray> records = Records(stream);
    const auto wellFormed = std::count_if(records.begin(), records.end(), [](const QByteArray &r) {
        return QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d\r\nID: \\d{4}\r\nHB: [0-9.]+g/dL\r\nHCT: \\d+%$"))
            .match(QString::fromLatin1(r))
            .hasMatch();
    });
    EXPECT_EQ(wellFormed, 20);
    EXPECT_GT(records.size() - wellFormed, 10);
}

TEST(GenerateRecords, BadOptionsAreRefused)
{
    GeneratorOptions options;
    options.units = {QStringLiteral("oz")};
    EXPECT_THROW(GenerateRecords(options), std::invalid_argument);
    options.units = {QStringLiteral("g/L")};
    options.from = QDate(2024, 2, 1);
    options.to = QDate(2024, 1, 1);
    EXPECT_THROW(GenerateRecords(options), std::invalid_argument);
    options.to = options.from;
    options.count = 0;
    EXPECT_TRUE(GenerateRecords(options).isEmpty());
}

TEST(RecordsFromFile, LinesGetCrLfEndings)
{
    EXPECT_EQ(RecordsFromFile("A\nB\n\nC\r\n\r\n", false), QByteArray("A\r\nB\r\n\r\nC\r\n\r\n"));
    EXPECT_EQ(RecordsFromFile("A\nB", false), QByteArray("A\r\nB\r\n"));
    EXPECT_EQ(RecordsFromFile("A\nB", true), QByteArray("A\nB"));
    EXPECT_EQ(RecordsFromFile("", false), QByteArray());
}

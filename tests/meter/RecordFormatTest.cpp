#include "meter/RecordFormat.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

QStringList Drain(TBufQuery &queue)
{
    QStringList out;
    QString s;
    while (queue.Pop(s))
        out << s;
    return out;
}

// Frames the chunks one after another; returns every record pushed, in order.
QStringList FrameChunks(const QStringList &chunks, QString &pending)
{
    TBufQuery records;
    for (const QString &chunk : chunks)
        FrameReceivedText(pending, chunk, records);
    return Drain(records);
}

std::vector<TMeterRecord> Parse(const QString &record, bool *counted = nullptr)
{
    TMeterRecordQuery queue;
    const bool accepted = ParseRecordText(record, queue);
    if (counted)
        *counted = accepted;
    std::vector<TMeterRecord> out;
    TMeterRecord r;
    while (queue.Pop(r.sDate, r.sTime, r.sID, r.sHB, r.sHCT))
        out.push_back(r);
    return out;
}

} // namespace

TEST(Framing, RecordSpanningTwoChunksIsPushedOnceComplete)
{
    QString pending;
    TBufQuery records;
    EXPECT_EQ(FrameReceivedText(pending, u"A\r\nB\r\n", records), 0);
    EXPECT_EQ(records.Count(), 0);
    EXPECT_EQ(FrameReceivedText(pending, u"C\r\nD\r\n\r\n", records), 1);
    EXPECT_EQ(Drain(records), QStringList{"A\r\nB\r\nC\r\nD\r\n\r\n"});
    EXPECT_TRUE(pending.isEmpty());
}

TEST(Framing, OneChunkWithTwoRecordsAndAStartKeepsTheStart)
{
    QString pending;
    const QStringList got = FrameChunks({"A\r\nB\r\n\r\nC\r\nD\r\n\r\nE\r\nF"}, pending);
    EXPECT_EQ(got, (QStringList{"A\r\nB\r\n\r\n", "C\r\nD\r\n\r\n"}));
    EXPECT_EQ(pending, "E\r\nF");
}

TEST(Framing, TerminatorSplitAtEveryPositionIsFound)
{
    const QString record = "2020-01-02 03:04\r\nID:1\r\nHB:12\r\nHCT:36\r\n\r\n";
    for (qsizetype cut = 1; cut < record.size(); ++cut) {
        QString pending;
        const QStringList got = FrameChunks({record.left(cut), record.mid(cut)}, pending);
        EXPECT_EQ(got, QStringList{record}) << "cut at " << cut;
        EXPECT_TRUE(pending.isEmpty()) << "cut at " << cut;
    }
}

TEST(Framing, ChunkEndingInCrLfCrWaitsForTheFinalLf)
{
    QString pending;
    TBufQuery records;
    FrameReceivedText(pending, u"A\r\n\r", records);
    EXPECT_EQ(records.Count(), 0);
    EXPECT_EQ(pending, "A\r\n\r");
    FrameReceivedText(pending, u"\n", records);
    EXPECT_EQ(Drain(records), QStringList{"A\r\n\r\n"});
}

TEST(Framing, LineEndsBetweenRecordsAreSkipped)
{
    QString pending;
    EXPECT_EQ(FrameChunks({"A\r\n\r\n\r\nB\r\n\r\n"}, pending), (QStringList{"A\r\n\r\n", "B\r\n\r\n"}));
    EXPECT_EQ(FrameChunks({"\r\n\r\n\r\n"}, pending), QStringList{});
    EXPECT_TRUE(pending.isEmpty());
    // Many pairs, some split across chunks, in front of a record.
    EXPECT_EQ(FrameChunks({"\r\n\r", "\n\r", "\nX\r\n\r\n"}, pending), QStringList{"X\r\n\r\n"});
    EXPECT_TRUE(pending.isEmpty());
}

TEST(Framing, LoneCrOrLfAtTheStartStays)
{
    QString pending;
    EXPECT_EQ(FrameChunks({"\n"}, pending), QStringList{});
    EXPECT_EQ(pending, "\n");
    EXPECT_EQ(FrameChunks({"A\r\n\r\n"}, pending), QStringList{"\nA\r\n\r\n"});

    pending.clear();
    EXPECT_EQ(FrameChunks({"\n\r\nB\r\n\r\n"}, pending), QStringList{"\n\r\nB\r\n\r\n"});

    pending.clear();
    EXPECT_EQ(FrameChunks({"\r\rC\r\n\r\n"}, pending), QStringList{"\r\rC\r\n\r\n"});
}

TEST(Framing, RecordsNeverStartWithCrLfEvenAfterALoneCr)
{
    QString pending;
    // A CR waiting alone becomes a skipped pair when its LF arrives.
    EXPECT_EQ(FrameChunks({"A\r\n\r\n\r"}, pending), QStringList{"A\r\n\r\n"});
    EXPECT_EQ(pending, "\r");
    EXPECT_EQ(FrameChunks({"\nB\r\n\r\n"}, pending), QStringList{"B\r\n\r\n"});
}

TEST(Framing, TextWithoutRecordEndWaits)
{
    QString pending;
    TBufQuery records;
    for (int i = 0; i < 100; ++i)
        FrameReceivedText(pending, u"line\r\n", records);
    EXPECT_EQ(records.Count(), 0);
    EXPECT_EQ(pending.size(), 600);
    FrameReceivedText(pending, u"\r\n", records);
    EXPECT_EQ(records.Count(), 1);
    EXPECT_TRUE(pending.isEmpty());
}

TEST(Framing, NoiseWithoutLineEndsIsBounded)
{
    QString pending;
    TBufQuery records;
    const QString noise(1000, u'x');
    for (int i = 0; i < 200; ++i)
        FrameReceivedText(pending, noise, records);
    EXPECT_LE(pending.size(), kMaxPendingText);
    EXPECT_EQ(records.Count(), 0);
    // A trailing CR survives the cut, so a record end split there is still seen.
    FrameReceivedText(pending, QString(kMaxPendingText, u'y') + QStringLiteral("\r"), records);
    EXPECT_EQ(pending, "\r");
    FrameReceivedText(pending, u"\nA\r\nB\r\n\r\n", records);
    EXPECT_EQ(Drain(records), QStringList{"A\r\nB\r\n\r\n"});
}

TEST(Framing, NoiseLinesBeyondTheBoundKeepOnlyTheLineInProgress)
{
    QString pending;
    TBufQuery records;
    QString noise;
    while (noise.size() <= kMaxPendingText)
        noise += QStringLiteral("noise without an empty line\r\n");

    // Past the limit, text up to the last line end goes; a record that follows is intact.
    FrameReceivedText(pending, noise + QStringLiteral("2020-01"), records);
    EXPECT_EQ(pending, "2020-01");
    FrameReceivedText(pending, u"-02 03:04\r\nID:1\r\n\r\n", records);
    EXPECT_EQ(Drain(records), QStringList{"2020-01-02 03:04\r\nID:1\r\n\r\n"});

    // Fed in port-sized chunks the waiting text never passes the limit, and the record after
    // the noise still comes out whole at its end.
    const QString stream = noise + noise + QStringLiteral("2020-01-02 03:04\r\nID:2\r\n\r\n");
    for (qsizetype at = 0; at < stream.size(); at += 128) {
        FrameReceivedText(pending, QStringView(stream).mid(at, 128), records);
        ASSERT_LE(pending.size(), kMaxPendingText);
    }
    const QStringList got = Drain(records);
    ASSERT_EQ(got.size(), 1);
    EXPECT_TRUE(got[0].endsWith(u"noise without an empty line\r\n2020-01-02 03:04\r\nID:2\r\n\r\n"));
    EXPECT_LE(got[0].size(), kMaxPendingText + 128);
    EXPECT_TRUE(pending.isEmpty());
}

TEST(Framing, TextBelowTheBoundIsKeptWhole)
{
    QString pending;
    TBufQuery records;
    const QString noise = QString(kMaxPendingText - 10, u'z');
    FrameReceivedText(pending, noise, records);
    FrameReceivedText(pending, u"\r\n\r\n", records);
    const QStringList got = Drain(records);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].size(), kMaxPendingText - 10 + 4);
}

// Any stream cut into any chunks gives the same records and the same waiting text as the
// stream in one piece.
TEST(Framing, ChunkBoundariesDoNotChangeTheRecords)
{
    std::mt19937 random(20240611);
    const QString alphabet = QStringLiteral("\r\n\r\n\r\nAB 1:.");
    for (int round = 0; round < 400; ++round) {
        QString stream;
        const int records = std::uniform_int_distribution<int>(0, 12)(random);
        for (int r = 0; r < records; ++r) {
            // A well-formed record with a few lines, sometimes with line ends in front...
            const int extra = std::uniform_int_distribution<int>(0, 2)(random);
            for (int e = 0; e < extra; ++e)
                stream += QStringLiteral("\r\n");
            const int lines = std::uniform_int_distribution<int>(1, 7)(random);
            for (int l = 0; l < lines; ++l)
                stream += QStringLiteral("L%1-%2 x\r\n").arg(r).arg(l);
            stream += QStringLiteral("\r\n");
            // ...and sometimes arbitrary bytes from a small alphabet around the line ends.
            if (std::uniform_int_distribution<int>(0, 3)(random) == 0) {
                const int junk = std::uniform_int_distribution<int>(1, 20)(random);
                for (int j = 0; j < junk; ++j)
                    stream += alphabet[std::uniform_int_distribution<qsizetype>(0, alphabet.size() - 1)(random)];
            }
        }

        QString wholePending;
        const QStringList whole = FrameChunks({stream}, wholePending);

        QStringList chunks;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype size = std::uniform_int_distribution<qsizetype>(1, 9)(random);
            chunks << stream.mid(at, size);
            at += size;
        }
        QString chunkedPending;
        const QStringList chunked = FrameChunks(chunks, chunkedPending);

        ASSERT_EQ(chunked, whole) << "round " << round;
        ASSERT_EQ(chunkedPending, wholePending) << "round " << round;
        for (const QString &record : whole) {
            ASSERT_TRUE(record.endsWith(u"\r\n\r\n"));
            ASSERT_FALSE(record.startsWith(u"\r\n"));
            // The first terminator is the record's end.
            ASSERT_EQ(record.indexOf(u"\r\n\r\n"), record.size() - 4);
        }
    }
}

TEST(Parsing, FourLineRecordGivesOneEntryWithEveryField)
{
    bool counted = false;
    const auto entries = Parse("2020-01-02 03:04\r\nB\r\nC\r\nD\r\n\r\n", &counted);
    EXPECT_TRUE(counted);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sDate, "2020-01-02");
    EXPECT_EQ(entries[0].sTime, "03:04");
    EXPECT_EQ(entries[0].sID, "B");
    EXPECT_EQ(entries[0].sHB, "C");
    EXPECT_EQ(entries[0].sHCT, "D");
}

TEST(Parsing, FifthLineGivesASecondEntryAndLaterLinesAreIgnored)
{
    for (const QString &record : {QStringLiteral("2020-01-02 03:04\r\nB\r\nC\r\nD\r\nE\r\n\r\n"),
                                 QStringLiteral("2020-01-02 03:04\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG\r\n\r\n")}) {
        const auto entries = Parse(record);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].sHCT, "D");
        EXPECT_EQ(entries[1].sHCT, "E");
        for (const auto &entry : entries) {
            EXPECT_EQ(entry.sDate, "2020-01-02");
            EXPECT_EQ(entry.sTime, "03:04");
            EXPECT_EQ(entry.sID, "B");
            EXPECT_EQ(entry.sHB, "C");
        }
    }
}

TEST(Parsing, ShortRecordsFollowTheOutcomeTable)
{
    bool counted = true;
    EXPECT_TRUE(Parse("A\r\n\r\n", &counted).empty());
    EXPECT_FALSE(counted);

    EXPECT_TRUE(Parse("A B\r\nID:1\r\n\r\n", &counted).empty());
    EXPECT_TRUE(counted);

    const auto three = Parse("A B\r\nID:1\r\nHB:2\r\n\r\n", &counted);
    EXPECT_TRUE(counted);
    ASSERT_EQ(three.size(), 1u);
    EXPECT_EQ(three[0].sID, "ID:1");
    EXPECT_EQ(three[0].sHB, "HB:2");
    EXPECT_TRUE(three[0].sHCT.isEmpty());

    EXPECT_TRUE(Parse("", &counted).empty());
    EXPECT_FALSE(counted);
}

TEST(Parsing, EmptyFifthPieceGivesNoSecondEntry)
{
    // Framing never produces this (an empty line ends a record), but a raw text may hold it.
    const auto entries = Parse("A B\r\nI\r\nH\r\nC\r\n\r\nX\r\n\r\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sHCT, "C");
}

TEST(Parsing, OnlyTheFirstBlankSplitsDateAndTime)
{
    auto entries = Parse("2020-01-02  03:04 PM\r\nB\r\nC\r\nD\r\n\r\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sDate, "2020-01-02");
    EXPECT_EQ(entries[0].sTime, " 03:04 PM");

    entries = Parse("2020-01-02T03:04\r\nB\r\nC\r\nD\r\n\r\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].sDate.isEmpty());
    EXPECT_TRUE(entries[0].sTime.isEmpty());
    EXPECT_EQ(entries[0].sHCT, "D");

    entries = Parse(" 03:04\r\nB\r\nC\r\nD\r\n\r\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].sDate.isEmpty());
    EXPECT_EQ(entries[0].sTime, "03:04");
}

TEST(Parsing, LoneCrAndLfStayInsideTheirLines)
{
    const auto entries = Parse("\nA B\r\nI\rD\r\nH\nX\r\nC\r\n\r\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sDate, "\nA");
    EXPECT_EQ(entries[0].sID, "I\rD");
    EXPECT_EQ(entries[0].sHB, "H\nX");
    EXPECT_EQ(entries[0].sHCT, "C");
}

// The worker thread's transfer messages, driven through the reader with a hand-moved clock.
#include "meter/HBMeter.h"
#include "meter/MeterMessages.h"
#include "MeterTestSupport.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace metertest;
using testsupport::WaitUntil;

namespace {

class Worker : public ::testing::Test
{
protected:
    // 701 ms below the wrap of the 32-bit counter: every transfer here crosses it.
    static constexpr std::uint32_t kStart = 0xFFFFFFFFu - 700u;

    void SetUp() override
    {
        meter = std::make_unique<CHBMeter>(nullptr, clock.Source());
        meter->SetPHwnd(log.Handle());
    }
    void TearDown() override { meter.reset(); }

    void Deliver(const QString &text)
    {
        const QByteArray bytes = text.toLatin1();
        meter->CommReceiveData(meter->Comm(), bytes.constData(), static_cast<std::uint16_t>(bytes.size()));
    }
    void DeliverRecords(int first, int count)
    {
        QString text;
        for (int i = first; i < first + count; ++i)
            text += MakeRecord(i);
        Deliver(text);
    }
    bool WaitReady(int n)
    {
        return WaitUntil([&] { return log.Ready() >= n; });
    }

    // Moves the clock to now and checks that the worker, after two full passes with it, has
    // not ended the transfer.
    void ExpectNoEndAt(std::uint32_t now)
    {
        const int endsBefore = log.Ends();
        clock.Set(now);
        const auto reads = clock.Reads();
        ASSERT_TRUE(WaitUntil([&] { return clock.Reads() >= reads + 2; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(log.Ends(), endsBefore) << "transfer ended at tick " << now;
    }
    // Moves the clock to now and returns the elapsed time carried by the end message that
    // must follow.
    std::intptr_t ExpectEndAt(std::uint32_t now)
    {
        const int endsBefore = log.Ends();
        clock.Set(now);
        EXPECT_TRUE(WaitUntil([&] { return log.Ends() == endsBefore + 1; })) << "no end at tick " << now;
        return log.messages.empty() ? -1 : log.messages.back().lParam;
    }

    FakeClock clock{kStart};
    MessageLog log;
    std::unique_ptr<CHBMeter> meter;
};

} // namespace

TEST_F(Worker, BurstGivesOneStartAPairPerRecordAndOneEndAcrossTheTickWrap)
{
    constexpr int kRecords = 7;
    DeliverRecords(0, kRecords);
    ASSERT_TRUE(WaitReady(kRecords));
    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", kRecords));

    // Parameters: the queue counts after each parse, and the running record count.
    for (int i = 0; i < kRecords; ++i) {
        const Message &status = log.messages[1 + 2 * i];
        const Message &ready = log.messages[2 + 2 * i];
        EXPECT_EQ(status.lParam, i + 1);
        EXPECT_EQ(ready.wParam, static_cast<std::uintptr_t>(i + 1));
        EXPECT_EQ(ready.lParam, i + 1);
    }
    EXPECT_EQ(log.messages[0].lParam, 0);
    EXPECT_EQ(log.messages[1].wParam, static_cast<std::uintptr_t>(kRecords - 1));
    EXPECT_EQ(meter->RecordCount(), kRecords);

    ExpectNoEndAt(kStart + 1000u);
    ExpectNoEndAt(kStart + 1500u);   // 799: past the wrap
    EXPECT_EQ(ExpectEndAt(kStart + 1501u), 1501);
    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", kRecords) + "E");

    // The end comes once: later passes with the clock far ahead post nothing more.
    clock.Set(kStart + 100000u);
    testsupport::ProcessEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(log.Ends(), 1);
}

TEST_F(Worker, BurstsOneSecondApartFormOneTransfer)
{
    DeliverRecords(0, 3);
    ASSERT_TRUE(WaitReady(3));
    ExpectNoEndAt(kStart + 1000u);
    DeliverRecords(3, 3);   // taken at kStart + 1000
    ASSERT_TRUE(WaitReady(6));
    ExpectNoEndAt(kStart + 2500u);
    EXPECT_EQ(ExpectEndAt(kStart + 2501u), 2501);
    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", 6) + "E");
}

TEST_F(Worker, BurstsTwoSecondsApartFormTwoTransfers)
{
    DeliverRecords(0, 3);
    ASSERT_TRUE(WaitReady(3));
    EXPECT_EQ(ExpectEndAt(kStart + 2000u), 2000);
    DeliverRecords(3, 3);   // a new transfer, starting at kStart + 2000
    ASSERT_TRUE(WaitReady(6));
    EXPECT_EQ(ExpectEndAt(kStart + 3501u), 1501);
    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", 3) + "E" + "S" + Repeat("QR", 3) + "E");
}

TEST_F(Worker, RecordsWithTooFewLinesStillDriveTheTransfer)
{
    Deliver("lonely line\r\n\r\n");              // one line: not even counted
    Deliver("2024-01-02 03:04\r\nID:1\r\n\r\n");  // two lines: counted, no entry
    ASSERT_TRUE(WaitReady(2));
    EXPECT_EQ(log.Pattern(), "SQRQR");
    EXPECT_EQ(meter->MeterData->Count(), 0);
    EXPECT_EQ(meter->RecordCount(), 1);
    EXPECT_EQ(log.messages[2].lParam, 0);   // RecordCount after the one-line record
    EXPECT_EQ(log.messages[4].lParam, 1);
    EXPECT_EQ(ExpectEndAt(kStart + 1501u), 1501);
}

TEST_F(Worker, StopWithRawTextsQueuedDiscardsThemAndTheEndStillComes)
{
    // Hold the worker inside the first record's start, queue three more behind it, stop.
    clock.HoldNextRead();
    DeliverRecords(0, 1);
    ASSERT_TRUE(WaitUntil([&] { return clock.Holding(); }));
    DeliverRecords(1, 3);
    EXPECT_EQ(meter->Buffer()->Count(), 3);
    meter->SetStart(false);
    EXPECT_TRUE(meter->Paused());
    clock.Release();

    // The record taken before the stop is parsed; the three queued ones are thrown away.
    ASSERT_TRUE(WaitUntil([&] { return meter->Buffer()->Count() == 0; }));
    ASSERT_TRUE(WaitReady(1));
    ExpectNoEndAt(kStart + 1500u);
    EXPECT_EQ(log.Ready(), 1);
    EXPECT_EQ(meter->MeterData->Count(), 1);
    EXPECT_EQ(meter->RecordCount(), 1);
    EXPECT_EQ(ExpectEndAt(kStart + 1501u), 1501);
    EXPECT_EQ(log.Pattern(), "SQRE");
}

TEST_F(Worker, ResetDoesNotEndOrRestartATransfer)
{
    DeliverRecords(0, 2);
    ASSERT_TRUE(WaitReady(2));
    meter->Reset();
    EXPECT_EQ(meter->MeterData->Count(), 0);
    EXPECT_EQ(meter->RecordCount(), 2);
    DeliverRecords(2, 1);
    ASSERT_TRUE(WaitReady(3));
    EXPECT_EQ(ExpectEndAt(kStart + 1501u), 1501);
    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", 3) + "E");
}

TEST_F(Worker, PostsToAWindowThatIsGoneAreIgnored)
{
    platform::WindowHandle gone = 0;
    {
        platform::MessageWindow window([](const platform::MessageEvent &) {});
        gone = window.handle();
    }
    meter->SetPHwnd(gone);
    DeliverRecords(0, 3);
    ASSERT_TRUE(WaitUntil([&] { return meter->MeterData->Count() == 3; }));

    // The worker carries on; a window set later hears the rest of the same transfer.
    meter->SetPHwnd(log.Handle());
    DeliverRecords(3, 1);
    ASSERT_TRUE(WaitReady(1));
    EXPECT_EQ(ExpectEndAt(kStart + 1501u), 1501);
    EXPECT_EQ(log.Pattern(), "QRE");
    EXPECT_EQ(meter->MeterData->Count(), 4);
}

TEST_F(Worker, DestructionWithWorkQueuedEndsTheWorker)
{
    // Many records in flight, a transfer running: the reader must still go away cleanly.
    QString text;
    for (int i = 0; i < 500; ++i)
        text += MakeRecord(i, i % 2 == 0);
    for (int part = 0; part < 4; ++part)
        Deliver(text);
    meter.reset();
    SUCCEED();
}

// One transfer timed by the real tick counter: the end comes only after 1500 ms of silence.
TEST(WorkerRealClock, EndComesMoreThan1500MsAfterTheLastRecord)
{
    MessageLog log;
    CHBMeter meter;
    meter.SetPHwnd(log.Handle());
    QElapsedTimer sinceLastRecord;
    sinceLastRecord.start();
    QByteArray bytes;
    for (int i = 0; i < 3; ++i)
        bytes += MakeRecord(i).toLatin1();
    meter.CommReceiveData(meter.Comm(), bytes.constData(), static_cast<std::uint16_t>(bytes.size()));
    ASSERT_TRUE(WaitUntil([&] { return log.Ends() == 1; }, std::chrono::seconds(10)));
    EXPECT_GE(sinceLastRecord.elapsed(), 1500);
    EXPECT_EQ(log.Pattern(), "SQRQRQRE");
    EXPECT_GE(log.messages.back().lParam, 1500);
}

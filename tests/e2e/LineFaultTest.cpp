// The line misbehaving under the real main window: the other end hanging up in the middle of a
// record, noise and floods on the line, and many starts and stops, good and failed, which must
// leave no descriptor or thread behind.

#include "ProgramFixture.h"

#include "shell/Settings.h"
#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "meter/RecordFormat.h"
#include "support/TestSupport.h"
#include "ui/TfrmMain.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testsupport::WaitUntil;

constexpr int kPort = 7;

QByteArray Record(int id)
{
    return uitest::MeterRecord(QStringLiteral("2024-03-05 14:%1").arg(id % 60, 2, 10, QLatin1Char('0')), id,
                               QStringLiteral("14.2g/dL"), QStringLiteral("42%"));
}

int CountEntries(const char *folder)
{
    return static_cast<int>(QDir(QString::fromLatin1(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

// True when one of the process's descriptors is open on path.
bool ProcessHolds(const QString &path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) == path)
            return true;
    }
    return false;
}

double CpuMilliseconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

class LineFault : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOption.MeterSet.CommPort = kPort;
        fixture_.CreateDataModule();
        window_ = &fixture_.CreateWindow();
    }
    QStringList Stored() const { return uitest::StoredRecIDs(fixture_.DatabasePath()); }

    uitest::ProgramFixture fixture_;
    TfrmMain *window_ = nullptr;
};

TEST_F(LineFault, HangUpMidRecordKeepsTheCompleteOnesLogsThePartialFreesThePortAndStartsAgain)
{
    auto cable = std::make_unique<PtyPair>(fixture_.PortsFolder(), kPort);
    const QString port = cable->slavePath();
    window_->btnStart->click();
    ASSERT_TRUE(window_->lb_StartRead);
    ASSERT_TRUE(ProcessHolds(port));

    const QByteArray partial("2024-03-05 14:03\r\nID: 0003\r\nHB: 1");
    cable->send(Record(1) + Record(2) + partial);
    // A hung-up line loses what the program has not read yet; the hang-up comes once the
    // reader holds the partial record.
    ASSERT_TRUE(WaitUntil([&] { return window_->HBReader->PendingText() == QString::fromLatin1(partial); }));
    cable->closeMaster();
    ASSERT_TRUE(WaitUntil([&] { return !window_->lb_StartRead; }))
        << "a line that hung up left reading switched on";
    EXPECT_EQ(Stored(), (QStringList{"1", "2"}));
    const QByteArray log = testsupport::ReadFileBytes(fixture_.LogPath());
    EXPECT_TRUE(log.contains(QStringLiteral("Incomplete record dropped (%1 characters):").arg(partial.size()).toLatin1()
                             + partial))
        << log.toStdString();
    EXPECT_EQ(window_->HBReader->Comm()->Handle(), -1);
    EXPECT_FALSE(ProcessHolds(port));
    EXPECT_TRUE(fixture_.dialogs.errors.empty());

    // Nothing spins afterwards: over two seconds the process takes far less than a core.
    const double cpuBefore = CpuMilliseconds();
    testsupport::ProcessEventsFor(2s);
    EXPECT_LT(CpuMilliseconds() - cpuBefore, 400.0) << "a thread keeps running after the hang-up";

    // The cable back (a new line under the same port name): the next start reads again.
    cable.reset();
    cable = std::make_unique<PtyPair>(fixture_.PortsFolder(), kPort);
    window_->btnStart->click();
    ASSERT_TRUE(window_->lb_StartRead);
    cable->send(Record(4));
    ASSERT_TRUE(WaitUntil([&] { return window_->iTotalCount == 3; }));
    EXPECT_EQ(Stored().last(), QStringLiteral("4"));
}

TEST_F(LineFault, NoiseAndFloodsKeepTheTextBoundedTheLoopRunningAndLaterRecordsStored)
{
    PtyPair cable(fixture_.PortsFolder(), kPort);
    std::mt19937 random(7);
    QByteArray randomBytes(20000, '\0');
    for (char &byte : randomBytes)
        byte = static_cast<char>(random() & 0xFF);
    QByteArray longLines; // 1 MB of lines, no empty line among them
    while (longLines.size() < 1 << 20)
        longLines += QByteArray(62, 'n') + "\r\n";
    // The floods come first, before anything starts a transfer, whose end (a quiet time after
    // its latest record) would switch reading off. Each noise ends with an empty line, after
    // which the meter starts its next record.
    QByteArray stream = QByteArray(1 << 20, 'x') + longLines + "\r\n";
    stream += "2024-03-05 14:10\r\nID: 0100\r\nHB: " + QByteArray(100 * 1024, '9') + "\r\nHCT: 40%\r\n\r\n";
    stream += Record(1) + randomBytes + "\r\n\r\n";
    stream += Record(2) + QByteArray(4096, '\0') + "\r\n\r\n";
    stream += Record(3) + QByteArray("\x81\x8D\x8F\x90\x9D").repeated(500) + "\r\n\r\n"; // not in code page 1252
    stream += Record(4);

    // The meter sends the first flood in pieces, each only after the window's timer has fired
    // since the one before: a window whose loop stalls under the flood stalls the meter.
    qsizetype longestPending = 0;
    std::atomic<int> ticks{0};
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        longestPending = std::max(longestPending, window_->HBReader->PendingText().size());
        ++ticks;
    });
    window_->btnStart->click();
    timer.start();
    std::atomic<bool> stalled{false};
    std::thread meter([&] {
        constexpr qsizetype kPiece = 64 * 1024;
        for (qsizetype at = 0; at < 1 << 20; at += kPiece) {
            const int seen = ticks.load();
            cable.send(stream.mid(at, kPiece));
            for (int wait = 0; ticks.load() == seen; ++wait) {
                if (wait == 30000) {
                    stalled = true;
                    return;
                }
                std::this_thread::sleep_for(1ms);
            }
        }
        cable.send(stream.mid(1 << 20));
    });
    const bool stored = WaitUntil([&] { return window_->iTotalCount == 4 || stalled; }, 60s);
    meter.join();
    timer.stop();
    ASSERT_FALSE(stalled) << "the window's timer stopped firing during the flood";
    ASSERT_TRUE(stored) << window_->iTotalCount;
    EXPECT_EQ(Stored(), (QStringList{"1", "2", "3", "4"}));
    EXPECT_LE(longestPending, kMaxPendingText);
    EXPECT_TRUE(fixture_.dialogs.errors.empty());

    // The transfer's end switches reading off; on again, a record whose end comes in two
    // pieces, cut at every place of the empty line, is found each time.
    ASSERT_TRUE(WaitUntil([&] { return !window_->lb_StartRead; }, 10s));
    window_->btnStart->click();
    const QByteArray last = Record(5);
    for (qsizetype cut = last.size() - 4; cut <= last.size(); ++cut) {
        window_->HBReader->CommReceiveData(nullptr, last.constData(), static_cast<std::uint16_t>(cut));
        window_->HBReader->CommReceiveData(nullptr, last.constData() + cut,
                                           static_cast<std::uint16_t>(last.size() - cut));
    }
    ASSERT_TRUE(WaitUntil([&] { return window_->iTotalCount == 9; }));
}

TEST_F(LineFault, StartsAndStopsGoodAndFailedLeaveNoDescriptorOrThreadBehind)
{
    PtyPair cable(fixture_.PortsFolder(), kPort);
    const auto cycle = [&](int id) {
        window_->btnStart->click();
        cable.send(Record(id));
        const bool stored = WaitUntil([&] { return window_->iTotalCount == id; });
        window_->btnStart->click();
        return stored;
    };
    // Whatever the first cycle opens for good; a reading connection's file stays open for reuse
    // while the data module's connection is open.
    ASSERT_TRUE(cycle(1));
    ASSERT_EQ(Stored().size(), 1);
    const int fds = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");

    for (int id = 2; id <= 50; ++id)
        ASSERT_TRUE(cycle(id)) << "cycle " << id;
    EXPECT_EQ(Stored().size(), 50);

    // A port that cannot be opened: each start fails, each following click stops again.
    ASSERT_TRUE(QFile::link(fixture_.PortsFolder() + "/gone", fixture_.PortsFolder() + "/COM9"));
    window_->HBReader->Setcomm(9, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    for (int i = 0; i < 50; ++i) {
        EXPECT_THROW(window_->btnStartClick(nullptr), ECommsError);
        window_->btnStartClick(nullptr);
        ASSERT_FALSE(window_->lb_StartRead);
    }
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
}

} // namespace

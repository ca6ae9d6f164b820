// The reader as the main window uses it: port settings, starting and stopping, and whole
// transfers over a real pseudo-terminal.
#include "meter/HBMeter.h"
#include "meter/MeterMessages.h"
#include "support/ChildProcess.h"
#include "MeterTestSupport.h"
#include "platform/CodePage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace metertest;
using testsupport::WaitUntil;

namespace {

void Deliver(CHBMeter &meter, const QByteArray &bytes)
{
    meter.CommReceiveData(meter.Comm(), bytes.constData(), static_cast<std::uint16_t>(bytes.size()));
}

// A pseudo-terminal whose slave end is reachable as COM<port> through a ports folder.
class PortLink
{
public:
    explicit PortLink(int port)
    {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slaveName_ = QString::fromLocal8Bit(name);
        linked_ = QFile::link(slaveName_, folder_.filePath(QStringLiteral("COM%1").arg(port)));
    }
    ~PortLink()
    {
        ::close(slave_);
        ::close(master_);
    }
    bool Linked() const { return linked_ && folder_.isValid(); }
    // Writes the bytes as the meter (they fit in the terminal's buffer).
    bool Send(const QByteArray &bytes) { return ::write(master_, bytes.constData(), bytes.size()) == bytes.size(); }
    QString Folder() const { return folder_.path(); }
    // How many descriptors of this process have the slave end open.
    int OpenCount() const
    {
        int n = 0;
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QString &entry : fds.entryList(QDir::Files | QDir::System))
            if (QFile::symLinkTarget(fds.filePath(entry)) == slaveName_)
                ++n;
        return n;
    }

private:
    QTemporaryDir folder_;
    int master_ = -1;
    int slave_ = -1;
    QString slaveName_;
    bool linked_ = false;
};

std::vector<TMeterRecord> DrainEntries(CHBMeter &meter)
{
    std::vector<TMeterRecord> out;
    TMeterRecord r;
    while (meter.MeterData->Pop(r.sDate, r.sTime, r.sID, r.sHB, r.sHCT))
        out.push_back(r);
    return out;
}

} // namespace

TEST(CHBMeter, SetcommUsesTheLowEightBitsAndZeroKeepsThePort)
{
    CHBMeter meter;
    EXPECT_EQ(meter.Comm()->InputLen(), 128);
    meter.Setcomm(3, 19200, TParity::Even, TByteSize::_7, TStopBits::_2);
    EXPECT_EQ(meter.Comm()->CommPort(), 3);
    EXPECT_EQ(meter.Comm()->CommName(), "COM3");
    EXPECT_EQ(meter.Comm()->BaudRate(), 19200u);
    EXPECT_EQ(meter.Comm()->Parity(), TParity::Even);
    EXPECT_EQ(meter.Comm()->ByteSize(), TByteSize::_7);
    EXPECT_EQ(meter.Comm()->StopBits(), TStopBits::_2);

    meter.Setcomm(0, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    EXPECT_EQ(meter.Comm()->CommName(), "COM3");
    EXPECT_EQ(meter.Comm()->BaudRate(), 9600u);
    meter.Setcomm(256, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    EXPECT_EQ(meter.Comm()->CommName(), "COM3");
    meter.Setcomm(256 + 12, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    EXPECT_EQ(meter.Comm()->CommName(), "COM12");
}

TEST(CHBMeter, ReceivedBytesAreReadInTheAnsiCodePage)
{
    platform::SetAnsiCodePage(1250);
    {
        CHBMeter meter;
        Deliver(meter, QByteArray("HB:\xA5"));
        EXPECT_EQ(meter.PendingText(), QString::fromUtf8("HB:\xC4\x84"));   // A with ogonek
    }
    platform::SetAnsiCodePage(1252);
    {
        CHBMeter meter;
        Deliver(meter, QByteArray("HB:\xA5"));
        EXPECT_EQ(meter.PendingText(), QString::fromUtf8("HB:\xC2\xA5"));   // yen sign
    }
    platform::SetAnsiCodePage(0);
}

TEST(CHBMeter, FailedStartHasEmptiedTheQueuesAndLeavesTheWorkerPaused)
{
    QTemporaryDir ports;
    ASSERT_TRUE(ports.isValid());
    ASSERT_TRUE(QFile::link(ports.filePath("no-such-device"), ports.filePath("COM9")));

    MessageLog log;
    CHBMeter meter;
    meter.SetPHwnd(log.Handle());
    meter.Comm()->SetPortsFolder(ports.path());
    meter.Setcomm(9, 9600, TParity::None, TByteSize::_8, TStopBits::_1);

    // Something in every store: parsed entries, a pending partial record, and (paused, so the
    // worker takes them only one per idle pass) many raw texts.
    Deliver(meter, MakeRecord(1).toLatin1());
    ASSERT_TRUE(WaitUntil([&] { return log.Ready() == 1; }));
    meter.SetStart(false);
    for (int i = 0; i < 1000; ++i)
        meter.Buffer()->Push(MakeRecord(i));
    Deliver(meter, QByteArray("2024-01-01 10:00\r\nID:"));
    ASSERT_FALSE(meter.PendingText().isEmpty());

    EXPECT_THROW(meter.SetStart(true), ECommsError);
    EXPECT_EQ(meter.Buffer()->Count(), 0);
    EXPECT_EQ(meter.MeterData->Count(), 0);
    EXPECT_TRUE(meter.PendingText().isEmpty());
    EXPECT_TRUE(meter.Paused());
    EXPECT_FALSE(meter.Comm()->PortOpen());

    // Paused: what still arrives is thrown away, not parsed.
    const int readyBefore = log.Ready();
    Deliver(meter, MakeRecord(2).toLatin1());
    ASSERT_TRUE(WaitUntil([&] { return meter.Buffer()->Count() == 0; }));
    testsupport::ProcessEventsFor(std::chrono::milliseconds(150));
    EXPECT_EQ(log.Ready(), readyBefore);
    EXPECT_EQ(meter.MeterData->Count(), 0);
    EXPECT_EQ(meter.RecordCount(), 1);
}

TEST(CHBMeter, StartOpensThePortAndStopClosesIt)
{
    PortLink link(7);
    ASSERT_TRUE(link.Linked());
    CHBMeter meter;
    meter.Comm()->SetPortsFolder(link.Folder());
    meter.Setcomm(7, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    Deliver(meter, QByteArray("left over from before"));

    meter.SetStart(true);
    EXPECT_TRUE(meter.Comm()->PortOpen());
    EXPECT_FALSE(meter.Paused());
    EXPECT_TRUE(meter.PendingText().isEmpty());

    meter.SetStart(false);
    EXPECT_FALSE(meter.Comm()->PortOpen());
    EXPECT_TRUE(meter.Paused());

    // Reading can be switched on again.
    meter.SetStart(true);
    EXPECT_TRUE(meter.Comm()->PortOpen());
    EXPECT_FALSE(meter.Paused());
}

TEST(CHBMeter, StopParsesEveryCompleteRecordAndDropsTheIncompleteOne)
{
    PortLink link(7);
    ASSERT_TRUE(link.Linked());
    CHBMeter meter;
    QStringList dropped;
    meter.SetOnIncompleteRecord([&](const QString &text) { dropped << text; });
    meter.Comm()->SetPortsFolder(link.Folder());
    meter.Setcomm(7, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    for (int round = 0; round < 5; ++round) {
        meter.SetStart(true);
        QByteArray bytes;
        for (int i = 0; i < 40; ++i)
            bytes += MakeRecord(i).toLatin1();
        ASSERT_TRUE(link.Send(bytes + "2024-01-01 10:00\r\nID:"));
        // No events are processed meanwhile: the bytes wait in the receive thread's pending
        // read or in its message when reading stops.
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + round * 60));
        meter.SetStart(false);
        ASSERT_EQ(meter.MeterData->Count(), 40) << "round " << round;
        ASSERT_EQ(dropped.size(), round + 1);
        EXPECT_EQ(dropped.last(), QStringLiteral("2024-01-01 10:00\r\nID:"));
        EXPECT_TRUE(meter.PendingText().isEmpty());
    }
    // Line ends alone are no record.
    meter.SetStart(true);
    Deliver(meter, "\r");
    meter.SetStart(false);
    EXPECT_EQ(dropped.size(), 5);
}

TEST(CHBMeter, DestructionClosesAnOpenPort)
{
    PortLink link(8);
    ASSERT_TRUE(link.Linked());
    const int before = link.OpenCount();
    {
        CHBMeter meter;
        meter.Comm()->SetPortsFolder(link.Folder());
        meter.Setcomm(8, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
        meter.SetStart(true);
        ASSERT_TRUE(meter.Comm()->PortOpen());
        EXPECT_EQ(link.OpenCount(), before + 1);
    }
    EXPECT_EQ(link.OpenCount(), before);
}

namespace {

const QString kSimulator = QStringLiteral(KELO_BINARY_DIR "/bin/meter-sim");

// The entries a stream of well-formed records must give: one per record with line 4 as its
// HCT, and a second one when the record has a fifth line.
std::vector<TMeterRecord> ExpectedEntries(const QByteArray &stream, int &records)
{
    std::vector<TMeterRecord> out;
    records = 0;
    const QString text = QString::fromLatin1(stream);
    for (const QString &record : text.split(QStringLiteral("\r\n\r\n"), Qt::SkipEmptyParts)) {
        QStringList lines = record.split(QStringLiteral("\r\n"));
        while (!lines.isEmpty() && lines.first().isEmpty())
            lines.removeFirst();
        if (lines.isEmpty())
            continue;
        ++records;
        const qsizetype blank = lines[0].indexOf(u' ');
        TMeterRecord entry{lines[0].left(blank), lines[0].mid(blank + 1), lines.value(1), lines.value(2), lines.value(3)};
        out.push_back(entry);
        if (lines.size() >= 5) {
            entry.sHCT = lines[4];
            out.push_back(entry);
        }
    }
    return out;
}

// The simulator sends its records through a pty linked as COM6; the reader, switched on as
// the main window does, must give every entry with its fields and the messages of one
// transfer in order, ending on its own.
void RunSimulatedTransfer(const QStringList &pace, int count)
{
    const QStringList recordOptions = {QStringLiteral("--count"),      QString::number(count), QStringLiteral("--seed"),
                                       QString::number(count),         QStringLiteral("--second-hct"),
                                       QStringLiteral("0.3"),          QStringLiteral("--flag-rate"),
                                       QStringLiteral("0.3"),          QStringLiteral("--units"),
                                       QStringLiteral("g/dL,mmol/L,g/L"), QStringLiteral("--seconds")};
    const QByteArray stream = RunForOutput(kSimulator, QStringList{QStringLiteral("--print")} + recordOptions);
    int records = 0;
    const std::vector<TMeterRecord> expected = ExpectedEntries(stream, records);
    ASSERT_EQ(records, count);
    ASSERT_GT(static_cast<int>(expected.size()), count);   // some records carry a second HCT

    QTemporaryDir ports;
    ChildProcess simulator(kSimulator, QStringList{QStringLiteral("--ports-dir"), ports.path(), QStringLiteral("--com"),
                                                   QStringLiteral("6")} + pace + recordOptions);
    ASSERT_FALSE(simulator.waitForLine(QStringLiteral("LINK ")).isEmpty());

    MessageLog log;
    CHBMeter meter;
    meter.Comm()->SetPortsFolder(ports.path());
    meter.Setcomm(6, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    meter.SetPHwnd(log.Handle());
    meter.SetStart(true);
    ASSERT_TRUE(WaitUntil([&] { return log.Ends() == 1; }, std::chrono::seconds(120))) << log.Pattern();
    meter.SetStart(false);   // as the main window does at the end of a transfer
    ASSERT_TRUE(simulator.waitForFinished());

    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", count) + "E");
    EXPECT_EQ(meter.RecordCount(), count);
    EXPECT_GE(log.messages.back().lParam, 1500);
    const Message &lastReady = log.messages[log.messages.size() - 2];
    EXPECT_EQ(lastReady.wParam, expected.size());
    EXPECT_EQ(lastReady.lParam, count);

    const std::vector<TMeterRecord> got = DrainEntries(meter);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].sDate, expected[i].sDate) << i;
        EXPECT_EQ(got[i].sTime, expected[i].sTime) << i;
        EXPECT_EQ(got[i].sID, expected[i].sID) << i;
        EXPECT_EQ(got[i].sHB, expected[i].sHB) << i;
        EXPECT_EQ(got[i].sHCT, expected[i].sHCT) << i;
    }
}

} // namespace

TEST(CHBMeterWithSimulator, TransferAtTheMetersLineRate)
{
    RunSimulatedTransfer({}, 15);
}

TEST(CHBMeterWithSimulator, TransferAtFullSpeed)
{
    RunSimulatedTransfer({QStringLiteral("--fast")}, 400);
}

// The reader as the main window uses it: port settings, starting and stopping, and whole
// transfers over a real pseudo-terminal.
#include "meter/HBMeter.h"
#include "meter/MeterMessages.h"
#include "MeterTestSupport.h"
#include "platform/CodePage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <atomic>
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
    QString Folder() const { return folder_.path(); }
    int Master() const { return master_; }
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

    // Writes all bytes to the meter's end, at the pace of the given baud rate (10 bits a byte)
    // or, with 0, as fast as the terminal takes them.
    bool Write(const QByteArray &bytes, int baud) const
    {
        using clock = std::chrono::steady_clock;
        const qsizetype slice = baud == 0 ? bytes.size() : 8;
        const auto start = clock::now();
        for (qsizetype at = 0; at < bytes.size(); at += slice) {
            if (baud != 0)
                std::this_thread::sleep_until(start + std::chrono::microseconds(at * 10'000'000LL / baud));
            const qsizetype n = std::min(slice, bytes.size() - at);
            qsizetype done = 0;
            while (done < n) {
                const ssize_t w = ::write(master_, bytes.constData() + at + done, static_cast<size_t>(n - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    return false;
                done += w;
            }
        }
        return true;
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

// N records through the pty: every entry arrives with its fields, the messages come in
// transfer order, and the transfer ends on its own.
void RunTransfer(int baud, int records)
{
    PortLink link(5);
    ASSERT_TRUE(link.Linked());
    MessageLog log;
    CHBMeter meter;
    meter.Comm()->SetPortsFolder(link.Folder());
    meter.Setcomm(5, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    meter.SetPHwnd(log.Handle());
    meter.SetStart(true);

    std::vector<RecordFields> sent;
    QByteArray stream;
    int entries = 0;
    for (int i = 0; i < records; ++i) {
        sent.push_back(MakeFields(i, i % 4 == 3));
        stream += RecordText(sent.back()).toLatin1();
        entries += sent.back().secondHct.isEmpty() ? 1 : 2;
        if (i % 5 == 4)
            stream += "\r\n";   // the odd extra line end between records
    }

    std::atomic<bool> written{false};
    std::thread writer([&] { written = link.Write(stream, baud); });
    const bool ended = WaitUntil([&] { return log.Ends() == 1; }, std::chrono::seconds(60));
    writer.join();
    ASSERT_TRUE(written.load());
    ASSERT_TRUE(ended) << log.Pattern();
    meter.SetStart(false);

    EXPECT_EQ(log.Pattern(), "S" + Repeat("QR", records) + "E");
    EXPECT_EQ(meter.RecordCount(), records);
    EXPECT_GE(log.messages.back().lParam, 1500);
    const std::vector<TMeterRecord> got = DrainEntries(meter);
    ASSERT_EQ(static_cast<int>(got.size()), entries);
    std::size_t at = 0;
    for (const RecordFields &f : sent) {
        for (const QString &hct : {f.hct, f.secondHct}) {
            if (hct.isEmpty())
                continue;
            const TMeterRecord &r = got[at++];
            EXPECT_EQ(r.sDate, f.date);
            EXPECT_EQ(r.sTime, f.time);
            EXPECT_EQ(r.sID, f.id);
            EXPECT_EQ(r.sHB, f.hb);
            EXPECT_EQ(r.sHCT, hct);
        }
    }
}

} // namespace

TEST(CHBMeterOverPty, TransferAtTheMetersLineRate)
{
    RunTransfer(9600, 12);
}

TEST(CHBMeterOverPty, TransferAtFullSpeed)
{
    RunTransfer(0, 300);
}

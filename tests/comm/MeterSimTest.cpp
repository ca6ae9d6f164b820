// The meter simulator against the serial component, over real pseudo-terminals.

#include "support/ChildProcess.h"
#include "support/PtyPair.h"

#include "comm/SerialComm.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testsupport::WaitUntil;

namespace {

const QString kSimulator = QStringLiteral(KELO_BINARY_DIR "/bin/meter-sim");

const QStringList kRecordOptions = {
    QStringLiteral("--count"),      QStringLiteral("40"),  QStringLiteral("--seed"),      QStringLiteral("7"),
    QStringLiteral("--second-hct"), QStringLiteral("0.3"), QStringLiteral("--flag-rate"), QStringLiteral("0.3"),
    QStringLiteral("--malformed"),  QStringLiteral("3"),   QStringLiteral("--units"),     QStringLiteral("g/dL,mmol/L,g/L"),
};

QByteArray PrintedRecords(const QStringList &options)
{
    return RunForOutput(kSimulator, QStringList{QStringLiteral("--print")} + options);
}

struct Receiver
{
    TComm comm;
    QByteArray bytes;
    int hangups = 0;

    Receiver(const QString &portsFolder, std::uint8_t port)
    {
        comm.SetPortsFolder(portsFolder);
        comm.SetCommPort(port);
        comm.SetInputLen(128);
        comm.SetOnReceiveData([this](TComm *, const char *buffer, std::uint16_t length) { bytes.append(buffer, length); });
        comm.SetOnRequestHangup([this](TComm *) { ++hangups; });
    }
};

} // namespace

TEST(MeterSimulator, RunArrivesThroughTheComponentByteForByte)
{
    const QByteArray expected = PrintedRecords(kRecordOptions);
    ASSERT_GT(expected.size(), 1000);

    QTemporaryDir ports;
    ChildProcess simulator(kSimulator, QStringList{QStringLiteral("--ports-dir"), ports.path(), QStringLiteral("--com"),
                                    QStringLiteral("9"), QStringLiteral("--byte-us"), QStringLiteral("100")} +
                        kRecordOptions);
    ASSERT_FALSE(simulator.waitForLine(QStringLiteral("LINK ")).isEmpty());

    Receiver receiver(ports.path(), 9);
    receiver.comm.StartComm();
    ASSERT_TRUE(WaitUntil([&] { return receiver.bytes.size() >= expected.size(); }, 60s))
        << receiver.bytes.size() << " of " << expected.size();
    EXPECT_EQ(receiver.bytes, expected);
    ASSERT_FALSE(simulator.waitForLine(QStringLiteral("SENT ")).isEmpty());

    // Closing the port ends the simulator, which removes its link.
    receiver.comm.StopComm();
    ASSERT_TRUE(simulator.waitForFinished());
    EXPECT_EQ(simulator.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(ports.filePath(QStringLiteral("COM9"))).isSymLink());
    EXPECT_EQ(receiver.hangups, 0);
}

TEST(MeterSimulator, ComponentReopensAfterTheSimulatorHasGone)
{
    QTemporaryDir ports;
    const QStringList first = {QStringLiteral("--ports-dir"), ports.path(), QStringLiteral("--com"), QStringLiteral("4"),
                               QStringLiteral("--fast"), QStringLiteral("--count"), QStringLiteral("3")};
    const QByteArray firstRecords = PrintedRecords(first.mid(4));
    Receiver receiver(ports.path(), 4);
    {
        ChildProcess simulator(kSimulator, first);
        ASSERT_FALSE(simulator.waitForLine(QStringLiteral("LINK ")).isEmpty());
        receiver.comm.StartComm();
        ASSERT_TRUE(WaitUntil([&] { return receiver.bytes.size() >= firstRecords.size(); }, 30s));
        EXPECT_EQ(receiver.bytes, firstRecords);

        // The meter goes away while the port is open (Ctrl+C on the simulator).
        simulator.interrupt();
        ASSERT_TRUE(simulator.waitForFinished());
        EXPECT_EQ(simulator.exitCode(), 0);
        ASSERT_TRUE(WaitUntil([&] { return receiver.hangups == 1; }, 10s));
        EXPECT_FALSE(QFileInfo(ports.filePath(QStringLiteral("COM4"))).isSymLink());
    }
    receiver.comm.StopComm();
    EXPECT_THROW(receiver.comm.StartComm(), ECommsError); // no meter now

    const QStringList second = {QStringLiteral("--ports-dir"), ports.path(), QStringLiteral("--com"), QStringLiteral("4"),
                                QStringLiteral("--fast"), QStringLiteral("--count"), QStringLiteral("5"),
                                QStringLiteral("--seed"), QStringLiteral("99")};
    const QByteArray secondRecords = PrintedRecords(second.mid(4));
    ChildProcess simulator(kSimulator, second);
    ASSERT_FALSE(simulator.waitForLine(QStringLiteral("LINK ")).isEmpty());
    receiver.bytes.clear();
    receiver.comm.StartComm();
    ASSERT_TRUE(WaitUntil([&] { return receiver.bytes.size() >= secondRecords.size(); }, 30s));
    EXPECT_EQ(receiver.bytes, secondRecords);
    receiver.comm.StopComm();
    ASSERT_TRUE(simulator.waitForFinished());
}

TEST(MeterSimulator, RepeatSendsAgainAtEveryOpen)
{
    QTemporaryDir ports;
    const QStringList options = {QStringLiteral("--ports-dir"), ports.path(), QStringLiteral("--com"), QStringLiteral("2"),
                                 QStringLiteral("--fast"), QStringLiteral("--repeat"), QStringLiteral("--count"),
                                 QStringLiteral("2")};
    const QByteArray records = PrintedRecords(options.mid(4, 1) + options.mid(6));
    ChildProcess simulator(kSimulator, options);
    ASSERT_FALSE(simulator.waitForLine(QStringLiteral("LINK ")).isEmpty());
    Receiver receiver(ports.path(), 2);
    for (int round = 0; round < 3; ++round) {
        receiver.bytes.clear();
        receiver.comm.StartComm();
        ASSERT_TRUE(WaitUntil([&] { return receiver.bytes.size() >= records.size(); }, 30s)) << round;
        EXPECT_EQ(receiver.bytes, records) << round;
        receiver.comm.StopComm();
    }
    simulator.terminate();
    ASSERT_TRUE(simulator.waitForFinished());
    EXPECT_FALSE(QFileInfo(ports.filePath(QStringLiteral("COM2"))).isSymLink());
}

TEST(MeterSimulator, WritesToASerialDeviceGivenByPath)
{
    // A pseudo-terminal's slave stands in for a real port: the test reads the other end.
    PtyPair pty;
    const QStringList options = {QStringLiteral("--count"), QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("3")};
    const QByteArray records = PrintedRecords(options);
    ChildProcess simulator(kSimulator, QStringList{QStringLiteral("--device"), pty.slavePath(), QStringLiteral("--start"),
                                                   QStringLiteral("now"), QStringLiteral("--byte-us"), QStringLiteral("50")} +
                                           options);
    EXPECT_EQ(pty.receive(records.size()), records);
    ASSERT_TRUE(simulator.waitForFinished());
    EXPECT_EQ(simulator.exitCode(), 0);
}

TEST(MeterSimulator, BadOptionsAreRefused)
{
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--units"), QStringLiteral("oz")}, QStringList{QStringLiteral("--count"), QStringLiteral("x")},
          QStringList{QStringLiteral("--com"), QStringLiteral("3")},
          QStringList{QStringLiteral("--device"), QStringLiteral("/nonexistent/tty")},
          QStringList{QStringLiteral("--from"), QStringLiteral("2024-05-01"), QStringLiteral("--to"), QStringLiteral("2024-04-01")}}) {
        ChildProcess process(kSimulator, arguments);
        ASSERT_TRUE(process.waitForFinished(30s));
        EXPECT_EQ(process.exitCode(), 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(process.standardError().isEmpty());
    }
}

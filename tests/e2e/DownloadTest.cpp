// Whole downloads: the main window with its reader, worker thread and data module, the meter
// simulator (or the test itself) on the other end of a pseudo-terminal, the rows read back
// from the database file.

#include "ProgramFixture.h"

#include "shell/Settings.h"
#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "store/DataModule.h"
#include "store/ResultView.h"
#include "support/TestSupport.h"
#include "ui/TDBGrid.h"
#include "ui/TStatusBar.h"
#include "ui/TfrmMain.h"

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>

#if defined(__SANITIZE_THREAD__)
// The simulator is started with fork and exec while the reader's threads run; the child only
// execs, which is safe.
extern "C" const char *__tsan_default_options()
{
    return "die_after_fork=0";
}
#endif

namespace {

using namespace std::chrono_literals;
using testsupport::WaitUntil;
using uitest::ProgramFixture;

constexpr int kPort = 7;

// The meter simulator linked as COM7 of the test's install tree; it sends its records when
// the reader opens the port.
class Simulator
{
public:
    Simulator(const QString &portsFolder, const QStringList &options)
    {
        process_.setProgram(QStringLiteral(KELO_METER_SIM));
        process_.setArguments(QStringList{QStringLiteral("--ports-dir"), portsFolder, QStringLiteral("--com"),
                                          QString::number(kPort)}
                              + options);
        process_.start();
    }
    ~Simulator()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(5000);
        }
    }

    // Waits for a status line of the simulator (LINK, SENT, CLOSED ...).
    bool WaitFor(const QByteArray &status, std::chrono::milliseconds timeout = 10s)
    {
        return WaitUntil(
            [&] {
                output_ += process_.readAllStandardOutput();
                return output_.contains("\n" + status) || output_.startsWith(status);
            },
            timeout);
    }
    bool Finished(std::chrono::milliseconds timeout = 10s)
    {
        return WaitUntil([&] { return process_.state() == QProcess::NotRunning; }, timeout)
               && process_.exitStatus() == QProcess::NormalExit;
    }
    int ExitCode() const { return process_.exitCode(); }
    QByteArray Errors() { return process_.readAllStandardError(); }

private:
    QProcess process_;
    QByteArray output_;
};

// Flag and number of every HB line that the simulator sends with these options.
QStringList PrintedHbValues(const QStringList &options)
{
    QProcess print;
    print.start(QStringLiteral(KELO_METER_SIM), QStringList{QStringLiteral("--print")} + options);
    if (!print.waitForFinished(10000))
        return {};
    QStringList values;
    const QRegularExpression hb(QStringLiteral("^HB: (\\D*[\\d.]*\\d)"));
    for (const QByteArray &line : print.readAllStandardOutput().split('\n')) {
        const QRegularExpressionMatch match = hb.match(QString::fromLatin1(line));
        if (match.hasMatch())
            values << match.captured(1);
    }
    return values;
}

class Download : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOption.MeterSet.CommPort = kPort;
        fixture_.CreateDataModule();
        window_ = &fixture_.CreateWindow();
    }

    QList<QObject *> Commands() const
    {
        return {window_->btnClear, window_->btnExportExcel, window_->btnExportCSV, window_->btnExit,
                window_->mnuClear, window_->mnuExportExcel, window_->mnuExportCSV, window_->mnuExit};
    }
    bool CommandsEnabled(bool enabled) const
    {
        for (QObject *command : Commands()) {
            if (command->property("enabled").toBool() != enabled)
                return false;
        }
        return true;
    }
    QString Panel0() const { return window_->StatBar->PanelText(0); }
    bool Reported(int total) const { return Panel0() == QStringLiteral("Received %1 records.").arg(total); }

    // After the end of a transfer: reading is off, the commands are back.
    void ExpectIdleAfterTransfer()
    {
        EXPECT_FALSE(window_->lb_StartRead);
        EXPECT_EQ(window_->btnStart->text(), QStringLiteral("Start"));
        EXPECT_EQ(window_->mnuStart->text(), QStringLiteral("Start"));
        EXPECT_FALSE(window_->HBReader->Comm()->PortOpen());
        EXPECT_TRUE(CommandsEnabled(true));
        EXPECT_EQ(window_->StatBar->PanelText(1), QString());
    }

    ProgramFixture fixture_;
    TfrmMain *window_ = nullptr;
};

TEST_F(Download, SimulatorResultsReachTheFileTheGridAndTheStatusBar)
{
    Simulator meter(fixture_.PortsFolder(), {"--count", "12", "--seed", "5", "--units", "g/dL", "--fast"});
    ASSERT_TRUE(meter.WaitFor("WAITING")) << meter.Errors().toStdString();

    window_->btnStart->click();
    ASSERT_TRUE(window_->lb_StartRead);
    EXPECT_EQ(window_->StatBar->PanelText(1), QStringLiteral("COM 7"));
    // The commands go grey while the results arrive and stay so until the quiet time is over.
    ASSERT_TRUE(WaitUntil([&] { return CommandsEnabled(false); }));
    EXPECT_TRUE(window_->btnStart->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return Reported(12); }, 15s)) << Panel0().toStdString();
    ExpectIdleAfterTransfer();
    EXPECT_EQ(window_->iTotalCount, 12);

    QStringList expected;
    for (int id = 1; id <= 12; ++id)
        expected << QString::number(id);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), expected);
    ASSERT_EQ(window_->GridRec->model()->rowCount(), 12);
    EXPECT_EQ(window_->GridRec->CellText(11, 0), QStringLiteral("12"));
    // The grid shows each HB value with its flag in front, as the simulator sent it.
    const QStringList sent = PrintedHbValues({"--count", "12", "--seed", "5", "--units", "g/dL"});
    ASSERT_EQ(sent.size(), 12);
    for (int row = 0; row < 12; ++row)
        EXPECT_EQ(window_->GridRec->CellText(row, 3), sent[row]) << row;
    EXPECT_EQ(window_->GridRec->Column(3).Title, QStringLiteral("Hemoglobin(g/dL)"));
    EXPECT_EQ(window_->GridRec->Column(4).Title, QStringLiteral("Hematocrit(%)"));

    // Closing the port ended the simulator's session.
    ASSERT_TRUE(meter.Finished());
    EXPECT_EQ(meter.ExitCode(), 0);

    // A second download without Clear reports the running total.
    Simulator second(fixture_.PortsFolder(), {"--count", "5", "--first-id", "13", "--fast"});
    ASSERT_TRUE(second.WaitFor("WAITING")) << second.Errors().toStdString();
    window_->mnuStart->trigger();
    ASSERT_TRUE(WaitUntil([&] { return CommandsEnabled(false); }));
    ASSERT_TRUE(WaitUntil([&] { return Reported(17); }, 15s)) << Panel0().toStdString();
    ExpectIdleAfterTransfer();
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()).size(), 17);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()).last(), QStringLiteral("17"));
}

TEST_F(Download, PacedLikeTheRealLineTheCountsGrowDuringTheTransfer)
{
    // 9600 baud: about 45 ms per record, so the status text shows the running count.
    Simulator meter(fixture_.PortsFolder(), {"--count", "20", "--seed", "9"});
    ASSERT_TRUE(meter.WaitFor("WAITING")) << meter.Errors().toStdString();
    window_->btnStart->click();
    ASSERT_TRUE(WaitUntil([&] { return Panel0().startsWith(QStringLiteral("Processing ")); }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return Reported(20); }, 20s)) << Panel0().toStdString();
    ExpectIdleAfterTransfer();
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()).size(), 20);
}

TEST_F(Download, StopDuringATransferSwitchesCaptionsAtOnceAndCommandsAtItsEnd)
{
    uitest::MeterPort port(fixture_.PortsFolder(), kPort);
    window_->btnStart->click();
    ASSERT_TRUE(window_->HBReader->Comm()->PortOpen());
    port.Send(uitest::MeterRecord(QStringLiteral("2024-03-05 14:07"), 1, QStringLiteral("14.2g/dL"),
                                  QStringLiteral("42%")));
    port.Send(uitest::MeterRecord(QStringLiteral("2024-03-05 14:08"), 2, QStringLiteral("13.1g/dL"),
                                  QStringLiteral("39%")));
    ASSERT_TRUE(WaitUntil([&] { return window_->iTotalCount == 2; }));
    ASSERT_TRUE(CommandsEnabled(false));

    window_->btnStart->click();   // Stop, in the middle of the transfer
    EXPECT_FALSE(window_->lb_StartRead);
    EXPECT_EQ(window_->btnStart->text(), QStringLiteral("Start"));
    EXPECT_EQ(Panel0(), QStringLiteral("Stop"));
    EXPECT_EQ(window_->StatBar->PanelText(1), QString());
    EXPECT_FALSE(window_->HBReader->Comm()->PortOpen());
    EXPECT_TRUE(CommandsEnabled(false));

    // The end of the transfer still comes, finds reading off and brings the commands back.
    ASSERT_TRUE(WaitUntil([&] { return Reported(2); }, 10s)) << Panel0().toStdString();
    ExpectIdleAfterTransfer();
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"1", "2"}));
}

TEST_F(Download, StartThenNothingArrivesKeepsReadingAndTheCommands)
{
    uitest::MeterPort port(fixture_.PortsFolder(), kPort);
    window_->btnStart->click();
    testsupport::ProcessEventsFor(2000ms);   // longer than the quiet time
    EXPECT_TRUE(window_->lb_StartRead);
    EXPECT_EQ(Panel0(), QStringLiteral("Start downloading..."));
    EXPECT_EQ(window_->StatBar->PanelText(1), QStringLiteral("COM 7"));
    EXPECT_TRUE(CommandsEnabled(true));
    window_->btnStart->click();
}

TEST_F(Download, RecordsSplitAcrossChunksAndBadRecordsAmongThem)
{
    uitest::MeterPort port(fixture_.PortsFolder(), kPort);
    window_->btnStart->click();
    QByteArray stream = uitest::MeterRecord(QStringLiteral("2024-03-05 14:07"), 1, QStringLiteral("14.2g/dL"),
                                            QStringLiteral("42%"));
    stream += "20x4-03-05 14:08\r\nID: 0002\r\nHB: 13.1g/dL\r\nHCT: 39%\r\n\r\n";   // bad date: skipped
    stream += "garbage\r\n\r\n";                                                   // one line: nothing
    stream += uitest::MeterRecord(QStringLiteral("2024-03-05 14:09"), 3, QStringLiteral("L 9.5g/dL"),
                                  QStringLiteral("--"));
    // In pieces that cut lines and line ends apart.
    for (qsizetype at = 0; at < stream.size(); at += 7) {
        port.Send(stream.mid(at, 7));
        testsupport::ProcessEventsFor(2ms);
    }
    ASSERT_TRUE(WaitUntil([&] { return Reported(2); }, 10s)) << Panel0().toStdString();
    ExpectIdleAfterTransfer();
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"1", "3"}));
    EXPECT_EQ(window_->GridRec->CellText(1, 3), QStringLiteral("L 9.5"));
}

} // namespace

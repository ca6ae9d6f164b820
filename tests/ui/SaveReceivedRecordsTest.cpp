// Storing received results: the decoded entries in the columns of the result table, skipped
// entries, counters and status text, a log that cannot be written, a batch that cannot be
// written; and Clear Data. The decoding itself is tested in tests/meter/ResultEntryTest.cpp.

#include "ProgramFixture.h"

#include "shell/Settings.h"
#include "comm/SerialComm.h"
#include "meter/HBMeter.h"
#include "platform/DateTime.h"
#include "store/DataModule.h"
#include "store/DatabaseConnection.h"
#include "store/DatabaseError.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "ui/TDBGrid.h"
#include "ui/TStatusBar.h"
#include "ui/TfrmMain.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QAction>
#include <QHeaderView>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using store::ResultColumn;
using uitest::ProgramFixture;

class SaveReceived : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fixture_.CreateDataModule();
        window_ = &fixture_.CreateWindow();
    }

    void Push(const QString &date, const QString &time, const QString &id, const QString &hb, const QString &hct)
    {
        window_->HBReader->MeterData->Push(date, time, id, hb, hct);
    }

    store::ResultView &View() { return *DM->qryResultLog; }
    int Rows() { return View().RecordCount(); }
    QVariant Value(int row, ResultColumn column) { return View().Value(row, static_cast<int>(column)); }
    QString Text(int row, ResultColumn column) { return Value(row, column).toString(); }
    bool IsNull(int row, ResultColumn column) { return !Value(row, column).isValid(); }

    // A second connection renames the table away (every write then fails) or back.
    void RenameTable(const QString &from, const QString &to)
    {
        store::DatabaseConnection other;
        other.Open(fixture_.DatabasePath(), store::DatabasePassword());
        other.Execute(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(from, to));
    }

    ProgramFixture fixture_;
    TfrmMain *window_ = nullptr;
};

TEST_F(SaveReceived, ThreeGoodEntriesAreStoredCountedAndWrittenToTheFile)
{
    Push("2024-03-05", "14:07", "ID: 0007", "HB: 14.2g/dL", "HCT: 42%");
    Push("2024-03-05", "14:08", "ID: 0008", "HB: 13.1g/dL", "HCT: 39%");
    Push("2024-03-06", "09:00", "ID: 0009", "HB: 12.0g/dL", "HCT: 36%");
    EXPECT_TRUE(window_->SaveReceivedRecords());
    EXPECT_EQ(window_->HBReader->MeterData->Count(), 0);
    EXPECT_EQ(window_->iCurrentCount, 3);
    EXPECT_EQ(window_->iTotalCount, 3);
    EXPECT_EQ(window_->StatBar->PanelText(0), QStringLiteral("Processing 3/3"));
    EXPECT_EQ(View().PendingCount(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"7", "8", "9"}));
    EXPECT_EQ(window_->GridRec->model()->rowCount(), 3);
    EXPECT_EQ(window_->GridRec->CellText(2, 0), QStringLiteral("9"));

    // A later call that finds the queue empty only refreshes the text.
    window_->iCurrentCount = 0;
    EXPECT_TRUE(window_->SaveReceivedRecords());
    EXPECT_EQ(window_->StatBar->PanelText(0), QStringLiteral("Processing 0/3"));
    EXPECT_EQ(Rows(), 3);
}

// What goes into each column is decided by DecodeResultEntry (tests/meter); here: that each
// decoded value lands in its own column, and that an empty ID leaves the test number unset.
TEST_F(SaveReceived, EveryColumnIsSetFromTheDecodedEntry)
{
    Push("2024-03-05", "14:07", "ID:0007", "HB:  ab12.5cd", "HCT: L 45 zz--");
    Push("2024-03-05", "14:08", "", "HB: --", "HCT: --");
    window_->SaveReceivedRecords();
    ASSERT_EQ(Rows(), 2);

    EXPECT_EQ(Text(0, ResultColumn::fRecID), QStringLiteral("7"));
    EXPECT_EQ(Text(0, ResultColumn::fHB_Flag), QStringLiteral("ab"));
    EXPECT_EQ(Text(0, ResultColumn::fHB), QStringLiteral("12.5"));
    EXPECT_EQ(Text(0, ResultColumn::fHB_Unit), QStringLiteral("cd"));
    EXPECT_EQ(Text(0, ResultColumn::fHCT_Flag), QStringLiteral("L "));
    EXPECT_EQ(Text(0, ResultColumn::fHCT), QStringLiteral("45"));
    EXPECT_EQ(Text(0, ResultColumn::fHCT_Unit), QStringLiteral(" zz"));
    EXPECT_EQ(Text(0, ResultColumn::fHB_Txt), QStringLiteral("HB:  ab12.5cd"));
    EXPECT_EQ(Text(0, ResultColumn::fHCT_Txt), QStringLiteral("HCT: L 45 zz--"));
    EXPECT_EQ(Text(0, ResultColumn::fDateTime_Txt), QStringLiteral("2024-03-05 14:07"));
    EXPECT_DOUBLE_EQ(Value(0, ResultColumn::fDateTime).toDouble(), *platform::EncodeDateTime(2024, 3, 5, 14, 7, 0));
    EXPECT_LT(std::fabs(Value(0, ResultColumn::fTransferTime).toDouble() - platform::Now()), 1.0 / 24);

    EXPECT_TRUE(IsNull(1, ResultColumn::fRecID));
    EXPECT_EQ(Text(1, ResultColumn::fHCT), QString());
    EXPECT_EQ(Text(1, ResultColumn::fHCT_Unit), QStringLiteral("--"));
    EXPECT_EQ(Text(1, ResultColumn::fHCT_Flag), QString());
    EXPECT_EQ(Text(1, ResultColumn::fHB_Flag), QStringLiteral("--"));

    // The title takes the stored unit as it is, directly after the word.
    window_->UpdateColumnTitles();
    EXPECT_EQ(window_->GridRec->Column(3).Title, QStringLiteral("Hemoglobin(cd)"));
}

TEST_F(SaveReceived, EntriesWithBadDatesAreSkippedAloneAndNotCounted)
{
    Push("2020-1-2", "10:15", "ID: 1", "HB: 12g/dL", "HCT: 40%");       // too short
    Push("2020-02-30", "10:15", "ID: 2", "HB: 12g/dL", "HCT: 40%");     // stored with the zero date
    Push("20x0-01-02", "10:15", "ID: 3", "HB: 12g/dL", "HCT: 40%");     // year not numeric
    Push("2024/02/29", "23:59:30", "ID: 4", "HB: 12g/dL", "HCT: 40%");
    window_->SaveReceivedRecords();

    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(View().PendingCount(), 0);
    EXPECT_EQ(window_->iCurrentCount, 2);
    EXPECT_EQ(window_->iTotalCount, 2);
    EXPECT_EQ(window_->StatBar->PanelText(0), QStringLiteral("Processing 2/2"));
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"2", "4"}));
    EXPECT_DOUBLE_EQ(Value(0, ResultColumn::fDateTime).toDouble(), *platform::EncodeTime(10, 15, 0));
}

TEST_F(SaveReceived, EveryEntryIsLogged)
{
    Push("2024-03-05", "14:07", "ID: 0007", "HB: 14.2g/dL", "HCT: 42%");
    Push("2020-1-2", "10:15", "ID: 2", "HB: 12g/dL", "HCT: 40%");
    window_->SaveReceivedRecords();
    QFile log(fixture_.LogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("Received:2024-03-05\r\n14:07\r\nID: 0007\r\nHB: 14.2g/dL\r\nHCT: 42%\r\n"));
    // A skipped entry is logged too: the log shows what arrived.
    EXPECT_TRUE(text.contains("Received:2020-1-2\r\n10:15\r\n"));
}

TEST_F(SaveReceived, ALogThatCannotBeWrittenCostsNoResultAndIsReportedOncePerCall)
{
    // A folder where the log file should be: no line can be appended.
    QFile::remove(fixture_.LogPath());
    ASSERT_TRUE(QDir().mkpath(fixture_.LogPath()));

    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    Push("2024-03-05", "14:08", "ID: 2", "HB: 13.1g/dL", "HCT: 39%");
    Push("2024-03-05", "14:09", "ID: 3", "HB: 12.0g/dL", "HCT: 36%");
    EXPECT_TRUE(window_->SaveReceivedRecords());
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(window_->iTotalCount, 3);
    ASSERT_EQ(fixture_.dialogs.errors.size(), 1u);
    EXPECT_FALSE(fixture_.dialogs.errors[0].isEmpty());

    Push("2024-03-05", "14:10", "ID: 4", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    EXPECT_EQ(fixture_.dialogs.errors.size(), 2u);
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Answers the error box by letting more results arrive meanwhile, as the box's own event loop
// would.
class NestedArrival : public testsupport::ScriptedDialogs
{
public:
    TfrmMain *window = nullptr;
    void ErrorBox(const QString &message) override
    {
        ScriptedDialogs::ErrorBox(message);
        if (errors.size() == 1) {
            window->HBReader->MeterData->Push("2024-03-05", "14:11", "ID: 5", "HB: 1g/dL", "HCT: 1%");
            window->SaveReceivedRecords();
        }
    }
};

TEST_F(SaveReceived, ResultsArrivingWhileTheLogErrorIsShownAreStoredWithoutAnotherBox)
{
    QFile::remove(fixture_.LogPath());
    ASSERT_TRUE(QDir().mkpath(fixture_.LogPath()));
    NestedArrival nested;
    nested.window = window_;
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    EXPECT_EQ(nested.errors.size(), 1u);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"1", "5"}));
}

TEST_F(SaveReceived, ABatchThatCannotBeWrittenStaysPendingAndTheDisplayIsRestored)
{
    RenameTable("result_log", "result_log_away");
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    Push("2024-03-05", "14:08", "ID: 2", "HB: 13.1g/dL", "HCT: 39%");
    EXPECT_THROW(window_->SaveReceivedRecords(), store::DatabaseError);
    EXPECT_EQ(View().PendingCount(), 2);
    EXPECT_FALSE(View().DisplayUpdatesDisabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The rows are shown and counted although not yet in the file.
    EXPECT_EQ(window_->GridRec->model()->rowCount(), 2);
    EXPECT_EQ(window_->iTotalCount, 2);

    RenameTable("result_log_away", "result_log");
    Push("2024-03-05", "14:09", "ID: 3", "HB: 12.0g/dL", "HCT: 36%");
    EXPECT_TRUE(window_->SaveReceivedRecords());
    EXPECT_EQ(View().PendingCount(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), (QStringList{"1", "2", "3"}));
}

TEST_F(SaveReceived, ClearAnsweredNoChangesNothingYesEmptiesTableTitlesAndCounters)
{
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    Push("2024-03-05", "14:08", "ID: 2", "HB: 13.1g/dL", "HCT: 39%");
    window_->SaveReceivedRecords();
    window_->UpdateColumnTitles();
    EXPECT_EQ(window_->GridRec->Column(3).Title, QStringLiteral("Hemoglobin(g/dL)"));

    fixture_.dialogs.boxAnswers = {platform::IDNO};
    window_->mnuClear->trigger();
    ASSERT_EQ(fixture_.dialogs.boxes.size(), 1u);
    EXPECT_EQ(fixture_.dialogs.boxes[0].text, QStringLiteral("Are you sure you want to clear data?"));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(window_->iTotalCount, 2);

    fixture_.dialogs.boxAnswers = {platform::IDYES};
    window_->btnClear->click();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(window_->GridRec->model()->rowCount(), 0);
    EXPECT_TRUE(uitest::StoredRecIDs(fixture_.DatabasePath()).isEmpty());
    EXPECT_EQ(window_->GridRec->Column(3).Title, QStringLiteral("Hemoglobin"));
    EXPECT_EQ(window_->GridRec->Column(4).Title, QStringLiteral("Hematocrit"));
    EXPECT_EQ(window_->iCurrentCount, 0);
    EXPECT_EQ(window_->iTotalCount, 0);

    // Clearing an empty table succeeds as well.
    fixture_.dialogs.boxAnswers = {platform::IDYES};
    window_->btnClearClick(window_->btnClear);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(SaveReceived, ClearThatFailsKeepsTheCounters)
{
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    RenameTable("result_log", "result_log_away");
    fixture_.dialogs.boxAnswers = {platform::IDYES};
    EXPECT_THROW(window_->btnClearClick(window_->btnClear), store::DatabaseError);
    EXPECT_EQ(window_->iTotalCount, 1);
    RenameTable("result_log_away", "result_log");
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), QStringList{"1"});
}

// Rows whose write failed (every insert refused, as on a full disk) are results the user sees;
// Clear Data deletes them with the stored ones, and they never come back.
TEST_F(SaveReceived, ClearAlsoDropsRowsWhoseWriteFailed)
{
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    store::DatabaseConnection other;
    other.Open(fixture_.DatabasePath(), store::DatabasePassword());
    other.Execute("CREATE TRIGGER refuse BEFORE INSERT ON result_log BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    Push("2024-03-05", "14:08", "ID: 2", "HB: 13.1g/dL", "HCT: 39%");
    Push("2024-03-05", "14:09", "ID: 3", "HB: 12.0g/dL", "HCT: 36%");
    EXPECT_THROW(window_->SaveReceivedRecords(), store::DatabaseError);
    ASSERT_EQ(View().PendingCount(), 2);

    fixture_.dialogs.boxAnswers = {platform::IDYES};
    window_->btnClearClick(window_->btnClear);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(View().PendingCount(), 0);
    EXPECT_EQ(window_->GridRec->model()->rowCount(), 0);
    EXPECT_EQ(window_->iTotalCount, 0);

    other.Execute("DROP TRIGGER refuse");
    Push("2024-03-05", "14:10", "ID: 4", "HB: 14.2g/dL", "HCT: 42%");
    EXPECT_TRUE(window_->SaveReceivedRecords());
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()), QStringList{"4"});
}

TEST_F(SaveReceived, TitlesKeepTheNewestNonEmptyUnit)
{
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    Push("2024-03-05", "14:08", "ID: 2", "HB: 8.1mmol/L", "HCT: 39%");
    window_->SaveReceivedRecords();
    window_->UpdateColumnTitles();
    EXPECT_EQ(window_->GridRec->Column(3).Title, QStringLiteral("Hemoglobin(mmol/L)"));
    Push("2024-03-05", "14:09", "ID: 3", "HB: 8.1", "HCT: 39");
    window_->SaveReceivedRecords();
    window_->UpdateColumnTitles();
    EXPECT_EQ(window_->GridRec->Column(3).Title, QStringLiteral("Hemoglobin(mmol/L)"));
    EXPECT_EQ(window_->GridRec->Column(4).Title, QStringLiteral("Hematocrit(%)"));
    EXPECT_EQ(window_->GridRec->model()->headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Hemoglobin(mmol/L)"));
}

TEST_F(SaveReceived, GridSetUpAndTheWidthRuleOnTheResultView)
{
    TDBGrid &grid = *window_->GridRec;
    EXPECT_EQ(grid.Options(), 3444u);
    ASSERT_EQ(grid.ColumnCount(), 5);
    const QStringList fields{"fRecID", "fDate_C", "fTime_C", "fHB_C", "fHCT_C"};
    const QStringList titles{"Test Number", "Date", "Time", "Hemoglobin", "Hematocrit"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(grid.Column(i).FieldName, fields[i]);
        EXPECT_EQ(grid.Column(i).Title, titles[i]);
        EXPECT_EQ(grid.Column(i).Alignment, Qt::AlignHCenter);
        EXPECT_EQ(grid.Column(i).TitleAlignment, Qt::AlignHCenter);
    }
    EXPECT_EQ(grid.DefaultRowHeight(), 25);
    EXPECT_EQ(grid.TitleRowHeight(), 23);
    EXPECT_EQ(grid.TitleFontSize(), 10);
    EXPECT_EQ(grid.DataSource(), DM->DSResultLog.get());

    // The worked example: outer 1008, client 1006.
    TDBGrid probe;
    probe.SetOptions(grid.Options());
    probe.SetDataSource(DM->DSResultLog.get());
    std::vector<TColumn> columns(5);
    probe.SetColumns(columns);
    probe.resize(1008, 300);
    probe.show();
    ASSERT_EQ(probe.ClientWidth(), 1006);
    window_->FitGridColumns(probe);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(probe.ColumnWidth(i), 196);
    EXPECT_EQ(probe.ColumnWidth(4), 215);
    Push("2024-03-05", "14:07", "ID: 1", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    window_->FitGridColumns(probe);
    EXPECT_EQ(probe.ColumnWidth(4), 215);
    Push("2024-03-05", "14:08", "ID: 2", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    window_->FitGridColumns(probe);
    EXPECT_EQ(probe.ColumnWidth(4), 199);

    // A column dragged wider returns to the rule at the next refresh.
    probe.SetColumnWidth(0, 400);
    window_->FitGridColumns(probe);
    EXPECT_EQ(probe.ColumnWidth(0), 196);
}

TEST_F(SaveReceived, RowsAreShownInTheOrderTheyWereStored)
{
    Push("2024-03-07", "14:07", "ID: 30", "HB: 14.2g/dL", "HCT: 42%");
    Push("2023-01-01", "08:00", "ID: 10", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    Push("2022-01-01", "08:00", "ID: 20", "HB: 14.2g/dL", "HCT: 42%");
    window_->SaveReceivedRecords();
    auto gridIds = [&] {
        QStringList ids;
        for (int row = 0; row < window_->GridRec->model()->rowCount(); ++row)
            ids << window_->GridRec->CellText(row, 0);
        return ids;
    };
    EXPECT_EQ(gridIds(), (QStringList{"30", "10", "20"}));

    // Any other order is undone by the next press of Start/Stop, even one that fails to open
    // the port (COM99 does not exist).
    View().SetSort(QStringLiteral("fRecID"));
    EXPECT_EQ(gridIds(), (QStringList{"10", "20", "30"}));
    GlobalOption.MeterSet.CommPort = 99;
    window_->HBReader->Setcomm(99, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    EXPECT_THROW(window_->btnStartClick(window_->btnStart), ECommsError);
    EXPECT_EQ(View().Sort(), QStringLiteral("FID"));
    EXPECT_EQ(gridIds(), (QStringList{"30", "10", "20"}));
}

// While reading, results that follow a call soon wait for one call of their own; a flood no
// call can take in its time is taken call after call without further messages; Stop takes
// what still waits.
TEST_F(SaveReceived, WhileReadingResultsThatFollowSoonAreStoredTogetherAndNoneIsLeftWaiting)
{
    using testsupport::WaitUntil;
    GlobalOption.MeterSet.CommPort = 7;
    window_->HBReader->Setcomm(7, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
    uitest::MeterPort port(fixture_.PortsFolder(), 7);
    window_->btnStartClick(window_->btnStart);
    ASSERT_TRUE(window_->lb_StartRead);
    auto push = [&](int id) { Push("2024-03-05", "14:07", QStringLiteral("ID: %1").arg(id), "HB: 14.2g/dL", "HCT: 42%"); };
    auto stored = [&] { return window_->iTotalCount; };

    push(1);
    window_->WMRecordsReady(0, 0);
    EXPECT_EQ(stored(), 1);
    push(2);
    window_->WMRecordsReady(0, 0);
    push(3);
    window_->WMRecordsReady(0, 0);
    EXPECT_EQ(stored(), 1);
    EXPECT_TRUE(WaitUntil([&] { return stored() == 3; }, std::chrono::seconds(2)));
    EXPECT_EQ(View().PendingCount(), 0);

    // Far more than one call decodes in its time, with one message for all of them.
    constexpr int kFlood = 10000;
    for (int id = 4; id < 4 + kFlood; ++id)
        push(id);
    window_->WMRecordsReady(0, 0);
    EXPECT_TRUE(WaitUntil([&] { return window_->HBReader->MeterData->Count() == 0; }, std::chrono::seconds(30)));
    EXPECT_EQ(stored(), 3 + kFlood);

    push(99999);
    window_->WMRecordsReady(0, 0);
    window_->btnStartClick(window_->btnStart);
    EXPECT_FALSE(window_->lb_StartRead);
    EXPECT_EQ(View().PendingCount(), 0);
    EXPECT_EQ(uitest::StoredRecIDs(fixture_.DatabasePath()).size(), 4 + kFlood);
}

} // namespace

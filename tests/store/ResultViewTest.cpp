#include "StoreTestHelpers.h"
#include "support/TestSupport.h"

#include "store/DatabaseError.h"
#include "store/ResultLogModel.h"
#include "store/ResultView.h"
#include "store/ResultViewListener.h"
#include "store/Statement.h"

#include <gtest/gtest.h>

using namespace storetest;
using store::DatabaseConnection;
using store::DatabaseError;
using store::ResultColumn;
using store::ResultView;

namespace {

constexpr int kRecID = static_cast<int>(ResultColumn::fRecID);
constexpr int kID = static_cast<int>(ResultColumn::fID);

class ResultViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OpenWithKey(connection, database.Path());
        view.Open();
        view.SetSort(QStringLiteral("FID"));
    }

    QStringList ViewRecIDs() const
    {
        QStringList ids;
        for (int i = 0; i < view.RecordCount(); ++i)
            ids << view.Text(i, kRecID);
        return ids;
    }

    TempDatabase database;
    DatabaseConnection connection;
    ResultView view{connection};
};

// Records what the view tells its listener.
struct RecordingListener : store::ResultViewListener
{
    QStringList events;
    void ViewAboutToReset() override { events << QStringLiteral("about-reset"); }
    void ViewReset() override { events << QStringLiteral("reset"); }
    void ViewRowsAboutToBeInserted(int first, int last) override
    {
        events << QStringLiteral("insert %1-%2").arg(first).arg(last);
    }
    void ViewRowsInserted() override { events << QStringLiteral("inserted"); }
    void ViewRowsChanged(int first, int last) override
    {
        events << QStringLiteral("changed %1-%2").arg(first).arg(last);
    }
    void ViewCurrentChanged(int) override {}
};

} // namespace

TEST_F(ResultViewTest, PendingRowsAreVisibleAtOnceAndReachTheFileOnlyWithTheBatch)
{
    AppendResult(view, QStringLiteral("1"));
    AppendResult(view, QStringLiteral("2"));
    view.UpdateBatch();

    AppendResult(view, QStringLiteral("3"));
    AppendResult(view, QStringLiteral("4"));
    AppendResult(view, QStringLiteral("5"));
    EXPECT_EQ(view.RecordCount(), 5);
    EXPECT_EQ(view.PendingCount(), 3);
    EXPECT_EQ(ViewRecIDs(), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_TRUE(view.IsPendingAt(4));
    EXPECT_FALSE(view.Value(4, kID).isValid());   // no fID before the write
    EXPECT_EQ(StoredRecIDs(database.Path()), QStringList({"1", "2"}));

    view.UpdateBatch();
    EXPECT_EQ(view.PendingCount(), 0);
    EXPECT_EQ(StoredRecIDs(database.Path()), QStringList({"1", "2", "3", "4", "5"}));
    const std::vector<qint64> stored = StoredIDs(database.Path());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(view.Value(i, kID).toLongLong(), stored[static_cast<std::size_t>(i)]);
    EXPECT_TRUE(std::is_sorted(stored.begin(), stored.end()));
    EXPECT_EQ(std::adjacent_find(stored.begin(), stored.end()), stored.end());

    // An empty batch writes nothing and fails nothing.
    view.UpdateBatch();
    EXPECT_EQ(StoredIDs(database.Path()).size(), 5u);
}

TEST_F(ResultViewTest, AppendedRowHoldsWhatWasSetAndCancelDropsIt)
{
    view.Append();
    EXPECT_EQ(view.GetState(), ResultView::State::Insert);
    view.SetFieldValue(QStringLiteral("FRECID"), QStringLiteral("9"));
    view.SetFieldValue(QStringLiteral("fHB_Flag"), QStringLiteral("<"));
    view.SetFieldValue(QStringLiteral("fHB"), QStringLiteral("4.5"));
    EXPECT_EQ(view.FieldText(QStringLiteral("fRecID")), QStringLiteral("9"));
    EXPECT_EQ(view.FieldText(QStringLiteral("fHB_C")), QStringLiteral("<4.5"));
    EXPECT_EQ(view.RecordCount(), 0);   // not counted before it is posted
    view.Cancel();
    EXPECT_EQ(view.GetState(), ResultView::State::Browse);
    EXPECT_EQ(view.RecordCount(), 0);
    view.UpdateBatch();
    EXPECT_TRUE(StoredRecIDs(database.Path()).isEmpty());

    // Fields that the program never writes, or that are computed, refuse a value.
    view.Append();
    EXPECT_THROW(view.SetFieldValue(QStringLiteral("fID"), 5), DatabaseError);
    EXPECT_THROW(view.SetFieldValue(QStringLiteral("fDate_C"), QStringLiteral("x")), DatabaseError);
    EXPECT_THROW(view.SetFieldValue(QStringLiteral("fNoSuchField"), 1), DatabaseError);
    EXPECT_THROW(view.SetFieldValue(QStringLiteral("fDateTime"), QStringLiteral("yesterday")), DatabaseError);
    // The batch cannot be written while a row is half made.
    EXPECT_THROW(view.UpdateBatch(), DatabaseError);
    view.Cancel();
    EXPECT_THROW(view.SetFieldValue(QStringLiteral("fHB"), QStringLiteral("1")), DatabaseError);
    EXPECT_THROW(view.Post(), DatabaseError);
}

TEST_F(ResultViewTest, TextsLongerThanTheirDeclaredSizeAreStoredWhole)
{
    const QString longID = QStringLiteral("1234567890123456789012345");   // fRecID is TEXT(10)
    const QString longHB = QString(300, QChar(u'\u00e9'));                 // fHB_Txt is TEXT(50)
    view.Append();
    view.SetFieldValue(ResultColumn::fRecID, longID);
    view.SetFieldValue(ResultColumn::fHB_Txt, longHB);
    view.SetFieldValue(ResultColumn::fHCT_Flag, QString());           // stays NULL
    view.SetFieldValue(ResultColumn::fHB_Flag, QStringLiteral(""));   // empty, not NULL
    view.Post();
    view.UpdateBatch();

    DatabaseConnection other;
    OpenWithKey(other, database.Path());
    store::Statement query(other, QStringLiteral("SELECT fRecID, fHB_Txt, fHCT_Flag IS NULL, fHB_Flag IS NULL FROM result_log"));
    ASSERT_TRUE(query.Step());
    EXPECT_EQ(query.ColumnText(0), longID);
    EXPECT_EQ(query.ColumnText(1), longHB);
    EXPECT_EQ(query.ColumnInt64(2), 1);
    EXPECT_EQ(query.ColumnInt64(3), 0);

    view.Requery();
    ASSERT_EQ(view.RecordCount(), 1);
    EXPECT_EQ(view.Text(0, kRecID), longID);
    EXPECT_EQ(view.Value(0, static_cast<int>(ResultColumn::fHB_Txt)).toString(), longHB);
    EXPECT_FALSE(view.Value(0, static_cast<int>(ResultColumn::fHCT_Flag)).isValid());
    EXPECT_TRUE(view.Value(0, static_cast<int>(ResultColumn::fHB_Flag)).isValid());
}

TEST_F(ResultViewTest, SortOrders)
{
    // Stored in fID order with transfer times that run the other way.
    AppendResult(view, QStringLiteral("a"), 300.0);
    AppendResult(view, QStringLiteral("b"), 100.0);
    AppendResult(view, QStringLiteral("c"), 200.0);
    view.UpdateBatch();
    AppendResult(view, QStringLiteral("d"), 50.0);   // pending

    view.SetSort(QStringLiteral(""));
    // The query's order: by fTransferTime, appended rows at the end.
    view.Requery();
    EXPECT_EQ(ViewRecIDs(), QStringList({"b", "c", "a", "d"}));

    view.SetSort(QStringLiteral("fTransferTime DESC"));
    EXPECT_EQ(ViewRecIDs(), QStringList({"a", "c", "b", "d"}));
    view.SetSort(QStringLiteral("fRecID desc, fID"));
    EXPECT_EQ(ViewRecIDs(), QStringList({"d", "c", "b", "a"}));
    view.SetSort(QStringLiteral("fid"));
    EXPECT_EQ(ViewRecIDs(), QStringList({"a", "b", "c", "d"}));

    EXPECT_THROW(view.SetSort(QStringLiteral("fNothing")), DatabaseError);
    EXPECT_THROW(view.SetSort(QStringLiteral("fID sideways")), DatabaseError);
    EXPECT_THROW(view.SetSort(QStringLiteral("fDate_C")), DatabaseError);
    EXPECT_EQ(view.Sort(), QStringLiteral("fid"));

    // A row appended under a sorted order takes its place in it.
    view.SetSort(QStringLiteral("fRecID"));
    AppendResult(view, QStringLiteral("bb"));
    EXPECT_EQ(ViewRecIDs(), QStringList({"a", "b", "bb", "c", "d"}));
    EXPECT_EQ(view.RecNo(), 2);
}

TEST_F(ResultViewTest, RequeryReadsTheFileAgainAndKeepsRowsNotYetWritten)
{
    AppendResult(view, QStringLiteral("1"));
    view.UpdateBatch();
    AppendResult(view, QStringLiteral("2"));   // pending

    // Another connection deletes every stored row, as Clear does.
    connection.Execute(QStringLiteral("Delete From result_Log"));
    EXPECT_EQ(view.RecordCount(), 2);   // the copy does not change by itself
    view.Requery();
    EXPECT_EQ(ViewRecIDs(), QStringList({"2"}));
    EXPECT_EQ(view.PendingCount(), 1);
    view.UpdateBatch();
    EXPECT_EQ(StoredRecIDs(database.Path()), QStringList({"2"}));
    // AUTOINCREMENT: a number is never given twice, even after a delete.
    EXPECT_EQ(view.Value(0, kID).toLongLong(), 2);
}

TEST_F(ResultViewTest, NavigationAndBookmarks)
{
    EXPECT_TRUE(view.Eof());
    EXPECT_TRUE(view.Bof());
    EXPECT_EQ(view.RecNo(), -1);
    EXPECT_FALSE(view.GotoBookmark(view.GetBookmark()));

    for (int i = 0; i < 4; ++i)
        AppendResult(view, QString::number(i));
    QStringList walked;
    for (view.First(); !view.Eof(); view.Next())
        walked << view.FieldText(QStringLiteral("fRecID"));
    EXPECT_EQ(walked, QStringList({"0", "1", "2", "3"}));
    EXPECT_EQ(view.RecNo(), 3);

    ASSERT_TRUE(view.MoveTo(1));
    const ResultView::Bookmark mark = view.GetBookmark();
    view.SetSort(QStringLiteral("fRecID DESC"));
    EXPECT_EQ(view.RecNo(), 2);   // the current row stays current through a new sort
    view.Last();
    ASSERT_TRUE(view.GotoBookmark(mark));
    EXPECT_EQ(view.FieldText(ResultColumn::fRecID), QStringLiteral("1"));
    view.Prior();
    view.Prior();
    view.Prior();
    EXPECT_TRUE(view.Bof());
    EXPECT_EQ(view.FieldText(ResultColumn::fRecID), QStringLiteral("3"));

    view.UpdateBatch();
    view.Requery();
    EXPECT_FALSE(view.BookmarkValid(mark));
    EXPECT_FALSE(view.GotoBookmark(mark));
    EXPECT_FALSE(view.MoveTo(4));
    EXPECT_FALSE(view.MoveTo(-1));

    // Right after a requery, a row moved to by position stays current through a new sort.
    view.SetSort(QStringLiteral("fRecID DESC"));
    view.Requery();
    ASSERT_TRUE(view.MoveTo(1));   // "2", though nothing has been read yet
    view.SetSort(QStringLiteral("FID"));
    EXPECT_EQ(view.RecNo(), 2);
    EXPECT_EQ(view.FieldText(ResultColumn::fRecID), QStringLiteral("2"));
}

TEST_F(ResultViewTest, ClosedViewRefusesWorkAndOpensAgain)
{
    AppendResult(view, QStringLiteral("1"));
    view.UpdateBatch();
    view.Close();
    EXPECT_FALSE(view.Active());
    EXPECT_EQ(view.RecordCount(), 0);
    EXPECT_THROW(view.Append(), DatabaseError);
    EXPECT_THROW(view.UpdateBatch(), DatabaseError);
    EXPECT_THROW(view.Requery(), DatabaseError);
    EXPECT_EQ(view.Text(0, kRecID), QString());
    view.Open();
    EXPECT_EQ(view.RecordCount(), 1);
}

TEST_F(ResultViewTest, DisplayUpdatesOffSendNothingPerRowAndOneSummaryAfter)
{
    AppendResult(view, QStringLiteral("0"));
    view.UpdateBatch();
    RecordingListener listener;
    view.AddListener(&listener);

    AppendResult(view, QStringLiteral("1"));
    EXPECT_EQ(listener.events, QStringList({"insert 1-1", "inserted"}));
    listener.events.clear();
    view.UpdateBatch();
    EXPECT_EQ(listener.events, QStringList({"changed 1-1"}));
    listener.events.clear();

    view.DisableDisplayUpdates();
    view.DisableDisplayUpdates();   // nested
    for (int i = 2; i < 12; ++i)
        AppendResult(view, QString::number(i));
    view.UpdateBatch();
    view.EnableDisplayUpdates();
    EXPECT_TRUE(listener.events.isEmpty());
    view.EnableDisplayUpdates();
    EXPECT_EQ(listener.events, QStringList({"insert 2-11", "inserted"}));
    listener.events.clear();

    view.DisableDisplayUpdates();
    view.Requery();
    AppendResult(view, QStringLiteral("x"));
    view.EnableDisplayUpdates();
    EXPECT_EQ(listener.events, QStringList({"about-reset", "reset"}));
    listener.events.clear();

    view.EnableDisplayUpdates();   // unbalanced: ignored
    view.DisableDisplayUpdates();
    view.EnableDisplayUpdates();
    EXPECT_TRUE(listener.events.isEmpty());
    view.RemoveListener(&listener);
}

TEST_F(ResultViewTest, ModelFollowsTheViewAndStaysQuietWhileUpdatesAreOff)
{
    AppendResult(view, QStringLiteral("5"));
    view.UpdateBatch();
    store::ResultLogModel model(view);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 19);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("fID"));
    EXPECT_EQ(model.headerData(18, Qt::Horizontal).toString(), QStringLiteral("fHCT_C"));
    EXPECT_EQ(model.data(model.index(0, kRecID)).toString(), QStringLiteral("5"));
    EXPECT_EQ(model.data(model.index(0, kID), Qt::EditRole).toLongLong(), 1);
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(model.index(0, kRecID), QStringLiteral("6")));

    int inserts = 0;
    int resets = 0;
    int changes = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int last) {
        inserts += last - first + 1;
        EXPECT_EQ(model.rowCount(), last + 1);
    });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changes; });

    view.DisableDisplayUpdates();
    for (int i = 0; i < 100; ++i)
        AppendResult(view, QString::number(100 + i));
    EXPECT_EQ(inserts, 0);
    EXPECT_EQ(model.rowCount(), 1);   // the grid keeps its rows while updates are off
    view.UpdateBatch();
    EXPECT_EQ(changes, 0);
    view.EnableDisplayUpdates();
    EXPECT_EQ(inserts, 100);
    EXPECT_EQ(model.rowCount(), 101);
    EXPECT_EQ(model.data(model.index(100, kRecID)).toString(), QStringLiteral("199"));
    EXPECT_EQ(resets, 0);

    view.SetSort(QStringLiteral("fRecID DESC"));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.data(model.index(0, kRecID)).toString(), QStringLiteral("5"));
    view.Close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ResultViewTest, ModelWithAnIntervalHoldsRowsThatFollowSoonAndNeverShowsThemOutOfOrder)
{
    store::ResultLogModel model(view);
    model.SetInsertInterval(600000); // flushed only by the model's own rules below
    QStringList events;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int last) {
        events << QStringLiteral("rows %1-%2").arg(first).arg(last);
    });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { events << QStringLiteral("reset"); });
    QObject::connect(&model, &store::ResultLogModel::currentRowChanged,
                     [&](int row) { events << QStringLiteral("current %1").arg(row); });

    AppendResult(view, QStringLiteral("1")); // after a quiet time: at once
    AppendResult(view, QStringLiteral("2")); // held, with the current row
    AppendResult(view, QStringLiteral("3"));
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(events, (QStringList{"rows 0-0", "current 0"}));
    view.UpdateBatch(); // stored rows that the grid has not seen change nothing yet
    model.FlushInsertions();
    EXPECT_EQ(events, (QStringList{"rows 0-0", "current 0", "rows 1-2", "current 2"}));

    // Sorted newest first: "0" goes to the end and is held; "9" goes first, so the held row
    // is announced before it.
    view.SetSort(QStringLiteral("fRecID DESC"));
    events.clear();
    AppendResult(view, QStringLiteral("0"));
    AppendResult(view, QStringLiteral("9"));
    EXPECT_EQ(events, (QStringList{"rows 3-3", "current 3", "rows 0-0", "current 0"}));
    for (int row = 0; row < model.rowCount(); ++row)
        EXPECT_EQ(model.data(model.index(row, kRecID)).toString(), QStringList({"9", "3", "2", "1", "0"})[row]);

    // A reset counts held rows itself; switching the interval off and the timer both flush.
    view.SetSort(QStringLiteral("FID"));
    AppendResult(view, QStringLiteral("00"));
    view.Requery();
    EXPECT_EQ(model.rowCount(), 6);
    AppendResult(view, QStringLiteral("000"));
    model.SetInsertInterval(0);
    EXPECT_EQ(model.rowCount(), 7);
    model.SetInsertInterval(500);
    AppendResult(view, QStringLiteral("0000"));
    EXPECT_EQ(model.rowCount(), 7);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return model.rowCount() == 8; }, std::chrono::seconds(10)));
}

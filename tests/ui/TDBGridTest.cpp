// The result grid widget over a real result view: columns bound by field name, read-only in
// every way, selection following the view, and the geometry the width rule reads.

#include "store/DatabaseConnection.h"
#include "store/ResultLogModel.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "ui/TDBGrid.h"
#include "ui/TDBGridColumnsModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using store::ResultColumn;

class GridOverView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        const QString path = dir_.filePath(QStringLiteral("HB_data1.dat"));
        store::CreateResultDatabase(path);
        connection_.Open(path, store::DatabasePassword());
        view_ = std::make_unique<store::ResultView>(connection_);
        view_->Open();
        view_->SetSort(QStringLiteral("FID"));
        model_ = std::make_unique<store::ResultLogModel>(*view_);
        grid_ = std::make_unique<TDBGrid>();
        grid_->SetOptions(3444);
        grid_->SetDataSource(model_.get());
        std::vector<TColumn> columns;
        for (const char *field : {"fRecID", "fHB", "fHB_Unit"}) {
            TColumn column;
            column.FieldName = QString::fromLatin1(field);
            column.Title = QStringLiteral("T:") + column.FieldName;
            column.Alignment = Qt::AlignHCenter;
            column.TitleAlignment = Qt::AlignHCenter;
            column.Width = 80;
            columns.push_back(column);
        }
        grid_->SetColumns(columns);
    }

    void TearDown() override
    {
        grid_.reset();
        model_.reset();
        view_.reset();
        connection_.Close();
    }

    void Append(const QString &recID, const QString &hb)
    {
        view_->Append();
        view_->SetFieldValue(ResultColumn::fRecID, recID);
        view_->SetFieldValue(ResultColumn::fHB, hb);
        view_->SetFieldValue(ResultColumn::fHB_Unit, QStringLiteral("g/dL"));
        view_->SetFieldValue(ResultColumn::fTransferTime, 46000.5);
        view_->Post();
    }

    QTemporaryDir dir_;
    store::DatabaseConnection connection_;
    std::unique_ptr<store::ResultView> view_;
    std::unique_ptr<store::ResultLogModel> model_;
    std::unique_ptr<TDBGrid> grid_;
};

TEST_F(GridOverView, ColumnsShowTheirBoundFieldsInColumnOrder)
{
    Append(QStringLiteral("7"), QStringLiteral("12.5"));
    Append(QStringLiteral("8"), QStringLiteral("13.0"));
    ASSERT_EQ(grid_->model()->rowCount(), 2);
    EXPECT_EQ(grid_->CellText(0, 0), QStringLiteral("7"));
    EXPECT_EQ(grid_->CellText(1, 0), QStringLiteral("8"));
    EXPECT_EQ(grid_->CellText(1, 1), QStringLiteral("13.0"));
    EXPECT_EQ(grid_->CellText(0, 2), QStringLiteral("g/dL"));
    EXPECT_EQ(grid_->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("T:fHB"));
    const auto cellAlignment = grid_->model()->data(grid_->model()->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_EQ(cellAlignment, Qt::AlignHCenter | Qt::AlignVCenter);
    const auto titleAlignment = grid_->model()->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_EQ(titleAlignment, Qt::AlignHCenter | Qt::AlignVCenter);
}

TEST_F(GridOverView, UnknownFieldShowsNothingAndRebindingFollowsTheNewField)
{
    TColumn column;
    column.FieldName = QStringLiteral("fNoSuchField");
    TColumn hct;
    hct.FieldName = QStringLiteral("FHB");   // letters without regard to case
    grid_->SetColumns({column, hct});
    Append(QStringLiteral("1"), QStringLiteral("9.9"));
    EXPECT_EQ(grid_->ColumnsModel()->SourceColumn(0), -1);
    EXPECT_EQ(grid_->CellText(0, 0), QString());
    EXPECT_EQ(grid_->CellText(0, 1), QStringLiteral("9.9"));
}

TEST_F(GridOverView, OptionSetGivesTitlesRowSelectSingleSelectionNoIndicatorNoEditing)
{
    EXPECT_EQ(grid_->Options(), 3444u);
    EXPECT_FALSE(grid_->horizontalHeader()->isHidden());
    EXPECT_TRUE(grid_->verticalHeader()->isHidden());
    EXPECT_EQ(grid_->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid_->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(grid_->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid_->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    // Editing cannot be switched on through the options either.
    grid_->SetOptions(3444 | TDBGrid::dgEditing);
    EXPECT_EQ(grid_->Options() & TDBGrid::dgEditing, 0u);
}

TEST_F(GridOverView, NoKeyOrMouseActionChangesTheRows)
{
    Append(QStringLiteral("1"), QStringLiteral("9.9"));
    Append(QStringLiteral("2"), QStringLiteral("8.8"));
    view_->UpdateBatch();
    grid_->resize(400, 300);
    grid_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid_.get()));
    grid_->setFocus();
    const QModelIndex cell = grid_->model()->index(0, 1);
    const QPoint centre = grid_->visualRect(cell).center();
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(grid_->viewport(), Qt::LeftButton, {}, centre);
    for (int key : {Qt::Key_Delete, Qt::Key_Insert, Qt::Key_F2, Qt::Key_Return, Qt::Key_Backspace, Qt::Key_A})
        QTest::keyClick(grid_.get(), static_cast<Qt::Key>(key));
    QTest::keyClick(grid_.get(), Qt::Key_Delete, Qt::ControlModifier);
    QApplication::processEvents();

    EXPECT_EQ(grid_->findChildren<QLineEdit *>().size(), 0) << "an editor was opened";
    EXPECT_EQ(view_->RecordCount(), 2);
    EXPECT_EQ(view_->PendingCount(), 0);
    EXPECT_EQ(view_->GetState(), store::ResultView::State::Browse);
    EXPECT_EQ(grid_->CellText(0, 1), QStringLiteral("9.9"));
    EXPECT_FALSE(grid_->model()->flags(cell) & Qt::ItemIsEditable);
}

TEST_F(GridOverView, ClickingARowMovesTheViewAndTheViewMovesTheSelection)
{
    for (int i = 1; i <= 3; ++i)
        Append(QString::number(i), QStringLiteral("10"));
    grid_->resize(400, 300);
    grid_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid_.get()));
    // Posting made the newest row current; the grid shows it selected.
    EXPECT_EQ(view_->RecNo(), 2);
    EXPECT_EQ(grid_->currentIndex().row(), 2);

    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, grid_->visualRect(grid_->model()->index(0, 2)).center());
    EXPECT_EQ(view_->RecNo(), 0);
    ASSERT_EQ(grid_->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(grid_->selectionModel()->selectedRows().front().row(), 0);

    view_->MoveTo(1);
    EXPECT_EQ(grid_->currentIndex().row(), 1);
    EXPECT_EQ(grid_->selectionModel()->selectedRows().size(), 1);
}

TEST_F(GridOverView, HeightsFontAndClientWidth)
{
    grid_->SetDefaultRowHeight(25);
    grid_->SetTitleRowHeight(23);
    grid_->SetTitleFontSize(10);
    Append(QStringLiteral("1"), QStringLiteral("9.9"));
    grid_->resize(1008, 400);
    grid_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid_.get()));
    EXPECT_EQ(grid_->rowHeight(0), 25);
    EXPECT_EQ(grid_->horizontalHeader()->height(), 23);
    EXPECT_EQ(grid_->horizontalHeader()->font().pointSize(), 10);
    // A one-pixel flat border on each side.
    EXPECT_EQ(grid_->ClientWidth(), 1006);
}

TEST_F(GridOverView, RowsAppendedWhileUpdatesAreOffArriveAtOnce)
{
    Append(QStringLiteral("1"), QStringLiteral("9.9"));
    view_->DisableDisplayUpdates();
    Append(QStringLiteral("2"), QStringLiteral("8.8"));
    Append(QStringLiteral("3"), QStringLiteral("7.7"));
    EXPECT_EQ(grid_->model()->rowCount(), 1);
    view_->EnableDisplayUpdates();
    EXPECT_EQ(grid_->model()->rowCount(), 3);
    EXPECT_EQ(grid_->CellText(2, 1), QStringLiteral("7.7"));
    // A new sort resets the rows; the grid shows the new order.
    view_->SetSort(QStringLiteral("fRecID DESC"));
    EXPECT_EQ(grid_->CellText(0, 0), QStringLiteral("3"));
}

// Paints of the grid's cells, as regions of its viewport.
class PaintedRegions : public QObject
{
public:
    explicit PaintedRegions(QWidget *viewport) { viewport->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

TEST_F(GridOverView, ARowAtTheEndRepaintsFromTheRowAboveItDownAndARowAboveRepaintsAll)
{
    grid_->resize(300, 300);
    grid_->show();
    for (int i = 1; i <= 3; ++i)
        Append(QString::number(i), QStringLiteral("9.%1").arg(i));
    QApplication::processEvents();
    PaintedRegions paints(grid_->viewport());

    // During a download: the new row and the row that loses the selection, nothing above.
    Append(QStringLiteral("4"), QStringLiteral("9.4"));
    QApplication::processEvents();
    EXPECT_FALSE(paints.painted.intersects(grid_->visualRect(grid_->model()->index(0, 0))));
    EXPECT_TRUE(paints.painted.contains(grid_->visualRect(grid_->model()->index(3, 2))));

    // Sorted so that a new row goes first: every row below it moved.
    view_->SetSort(QStringLiteral("fRecID DESC"));
    QApplication::processEvents();
    paints.painted = QRegion();
    Append(QStringLiteral("5"), QStringLiteral("9.5"));
    QApplication::processEvents();
    EXPECT_EQ(grid_->CellText(0, 0), QStringLiteral("5"));
    for (int row = 0; row < 5; ++row)
        EXPECT_TRUE(paints.painted.contains(grid_->visualRect(grid_->model()->index(row, 1)))) << row;
}

} // namespace

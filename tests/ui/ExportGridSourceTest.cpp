// The writers' view of a grid: columns in display order with their titles, hidden and unbound
// columns, field kinds, selection, and a walk that leaves the grid where it was.

#include "export/TDBGridExportAsXLS.h"
#include "store/DatabaseConnection.h"
#include "store/ResultLogModel.h"
#include "store/ResultLogSchema.h"
#include "store/ResultView.h"
#include "ui/GridExportSource.h"
#include "ui/TDBGrid.h"

#include <QBuffer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

using store::ResultColumn;

struct XlsRecord
{
    quint16 id;
    QByteArray body;
    quint16 Word(int offset) const { return qFromLittleEndian<quint16>(body.constData() + offset); }
};

std::vector<XlsRecord> SplitRecords(const QByteArray &bytes)
{
    std::vector<XlsRecord> records;
    for (qsizetype at = 0; at + 4 <= bytes.size();) {
        const quint16 id = qFromLittleEndian<quint16>(bytes.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(bytes.constData() + at + 2);
        records.push_back({id, bytes.mid(at + 4, length)});
        at += 4 + length;
    }
    return records;
}

class GridExportSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("HB_data1.dat"));
        store::CreateResultDatabase(path);
        connection.Open(path, store::DatabasePassword());
        view = std::make_unique<store::ResultView>(connection);
        view->Open();
        view->SetSort(QStringLiteral("FID"));
        model = std::make_unique<store::ResultLogModel>(*view);
        grid = std::make_unique<TDBGrid>();
        grid->SetOptions(TDBGrid::dgTitles | TDBGrid::dgColLines | TDBGrid::dgRowSelect | TDBGrid::dgMultiSelect);
        grid->SetDataSource(model.get());
        std::vector<TColumn> columns;
        for (const char *field : {"fRecID", "fID", "fHB_Unit", "fNoSuchField", "fDateTime"}) {
            TColumn column;
            column.FieldName = QString::fromLatin1(field);
            column.Title = QStringLiteral("Title ") + column.FieldName;
            columns.push_back(column);
        }
        grid->SetColumns(columns);
        for (const char *id : {"A1", "A2", "A3"}) {
            view->Append();
            view->SetFieldValue(ResultColumn::fRecID, QString::fromLatin1(id));
            view->SetFieldValue(ResultColumn::fHB_Unit, QStringLiteral("g/dL"));
            view->SetFieldValue(ResultColumn::fTransferTime, 46000.5);
            view->Post();
        }
        view->Append();  // a row with every field NULL
        view->Post();
        view->UpdateBatch();
    }

    QTemporaryDir dir;
    store::DatabaseConnection connection;
    std::unique_ptr<store::ResultView> view;
    std::unique_ptr<store::ResultLogModel> model;
    std::unique_ptr<TDBGrid> grid;
};

} // namespace

TEST_F(GridExportSourceTest, ColumnsFollowTheGridsDisplayOrderTitlesAndVisibility)
{
    grid->horizontalHeader()->moveSection(2, 0);  // fHB_Unit shown first
    grid->setColumnHidden(4, true);
    GridExportSource source(*grid);
    const std::vector<ExportColumn> columns = source.Columns();
    ASSERT_EQ(columns.size(), 5u);
    EXPECT_EQ(columns[0].title, QStringLiteral("Title fHB_Unit"));
    EXPECT_EQ(columns[1].title, QStringLiteral("Title fRecID"));
    EXPECT_EQ(columns[2].fieldName, QStringLiteral("fID"));
    EXPECT_EQ(columns[2].kind, ExportFieldKind::Integer);
    EXPECT_EQ(columns[0].kind, ExportFieldKind::Text);
    // A field the data source lacks is shown empty: the column counts as unbound.
    EXPECT_FALSE(columns[3].hasField());
    EXPECT_EQ(columns[3].title, QStringLiteral("Title fNoSuchField"));
    EXPECT_EQ(columns[4].kind, ExportFieldKind::Other);
    EXPECT_FALSE(columns[4].visible);
    EXPECT_TRUE(columns[0].visible);
    EXPECT_TRUE(source.ShowsTitleRow());

    view->MoveTo(1);
    EXPECT_EQ(source.DisplayText(0), grid->CellText(1, 2));
    EXPECT_EQ(source.DisplayText(1), QStringLiteral("A2"));
    EXPECT_EQ(source.IntegerValue(2), 2);
    EXPECT_THROW(source.DisplayText(5), std::out_of_range);

    grid->SetOptions(grid->Options() & ~TDBGrid::dgTitles);
    EXPECT_FALSE(GridExportSource(*grid).ShowsTitleRow());
}

TEST_F(GridExportSourceTest, SheetCellsTypeByFieldAndSkipHiddenColumns)
{
    grid->setColumnHidden(4, true);
    view->MoveTo(2);
    GridExportSource source(*grid);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    auto exporter = TDBGridExportAsXLS::Create();
    exporter->SetGrid(&source);
    exporter->ExportToStream(buffer, true);

    const std::vector<XlsRecord> records = SplitRecords(buffer.data());
    // BOF, 4 titles, 4 rows of 4 cells, EOF.
    ASSERT_EQ(records.size(), 1u + 4 + 16 + 1);
    const XlsRecord &firstRecID = records[5];
    EXPECT_EQ(firstRecID.id, 0x0204);
    EXPECT_EQ(firstRecID.body.mid(8), QByteArray("A1"));
    const XlsRecord &firstID = records[6];
    EXPECT_EQ(firstID.id, 0x0203);  // fID is a number
    EXPECT_EQ(qFromLittleEndian<double>(firstID.body.constData() + 6), 1.0);
    EXPECT_EQ(records[8].id, 0x0201);  // unbound column: blank
    EXPECT_EQ(records[8].Word(4), 23);
    // The row without values: NULL text is blank, not an empty label.
    EXPECT_EQ(records[17].id, 0x0201);
    EXPECT_EQ(records[18].id, 0x0203);
    EXPECT_EQ(records[19].id, 0x0201);
    EXPECT_EQ(records[19].Word(0), 4);  // row 4
    EXPECT_EQ(view->RecNo(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 2);
}

TEST_F(GridExportSourceTest, SelectedRowsAreBookmarksThatSurviveASortAndLeaveTheCurrentRow)
{
    view->SetSort(QStringLiteral("fRecID DESC"));
    view->MoveTo(3);
    QItemSelectionModel &selection = *grid->selectionModel();
    selection.select(grid->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.select(grid->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QStringList selectedTexts;
    for (const QModelIndex &index : selection.selectedRows())
        selectedTexts << grid->CellText(index.row(), 0);
    ASSERT_EQ(selectedTexts.size(), 3);

    GridExportSource source(*grid);
    const std::vector<ExportSource::Bookmark> rows = source.SelectedRows();
    EXPECT_EQ(view->RecNo(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    ASSERT_EQ(rows.size(), 3u);

    source.SuspendDisplayUpdates();
    source.SortByStorageOrder();
    QStringList texts;
    for (const ExportSource::Bookmark &row : rows) {
        source.MoveTo(row);
        texts << source.DisplayText(0);
    }
    source.ResumeDisplayUpdates();
    EXPECT_EQ(texts, selectedTexts);
}

TEST_F(GridExportSourceTest, FieldFormWalksNamedFieldsAndRefusesUnknownOnes)
{
    GridExportSource source(*view, {QStringLiteral("fHB_Unit"), QStringLiteral("FRECID")});
    ASSERT_EQ(source.Columns().size(), 2u);
    EXPECT_FALSE(source.ShowsTitleRow());
    EXPECT_TRUE(source.SelectedRows().empty());
    QStringList seen;
    source.First();
    while (!source.AtEnd()) {
        seen << source.DisplayText(1);
        EXPECT_EQ(source.RecordNumber(), seen.size());
        source.Next();
    }
    EXPECT_EQ(seen, (QStringList{"A1", "A2", "A3", ""}));
    EXPECT_TRUE(source.IsNull(1));
    EXPECT_THROW(GridExportSource(*view, {QStringLiteral("fNope")}), std::invalid_argument);

    // A saved position from an empty view means nothing and moves nothing.
    view->MoveTo(1);
    source.MoveTo(ExportSource::Bookmark());
    EXPECT_EQ(view->RecNo(), 1);
}
